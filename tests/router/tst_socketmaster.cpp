#include "router/core/socketmaster.h"
#include "tests/support/testsupport.h"

#include <QSignalSpy>
#include <QTcpServer>
#include <QTcpSocket>
#include <QTest>

using namespace quillon;

namespace {

int runtimeErrorOf(const std::function<void()> &call, QString *text = nullptr)
{
    try {
        call();
    } catch (const SocketRuntimeError &e) {
        if (text)
            *text = e.text;
        return e.number;
    }
    return 0;
}

} // namespace

class TestSocketMaster final : public QObject
{
    Q_OBJECT

private slots:
    void dottedAddressConnectsDirectly()
    {
        QTcpServer server;
        QVERIFY(server.listen(QHostAddress::LocalHost));
        CSocketMaster s;
        QSignalSpy connected(&s, &CSocketMaster::ConnectEvent);
        s.Connect(QStringLiteral("127.0.0.1"), server.serverPort());
        QCOMPARE(s.State(), CSocketMaster::sckConnecting);
        QTRY_COMPARE(connected.count(), 1);
        QCOMPARE(s.State(), CSocketMaster::sckConnected);
        QCOMPARE(s.RemoteHostIP(), QStringLiteral("127.0.0.1"));
        QCOMPARE(s.RemotePort(), qint32(server.serverPort()));
        QVERIFY(s.LocalPort() > 0);
        s.CloseSck();
        QCOMPARE(s.State(), CSocketMaster::sckClosed);
        QVERIFY(s.RemoteHostIP().isEmpty());
    }

    void hostNameIsResolvedFirst()
    {
        QTcpServer server;
        QVERIFY(server.listen(QHostAddress::LocalHost));
        CSocketMaster s;
        QSignalSpy connected(&s, &CSocketMaster::ConnectEvent);
        s.Connect(QStringLiteral("localhost"), QStringLiteral("%1").arg(server.serverPort()));
        QCOMPARE(s.State(), CSocketMaster::sckResolvingHost);
        QTRY_COMPARE(connected.count(), 1);
        QCOMPARE(s.RemoteHostIP(), QStringLiteral("127.0.0.1"));

        // An answer that arrives after the socket was closed is ignored.
        CSocketMaster late;
        QSignalSpy lateEvents(&late, &CSocketMaster::ConnectEvent);
        QSignalSpy lateErrors(&late, &CSocketMaster::Error);
        late.Connect(QStringLiteral("localhost"), server.serverPort());
        late.CloseSck();
        QTest::qWait(100);
        QCOMPARE(late.State(), CSocketMaster::sckClosed);
        QCOMPARE(lateEvents.count() + lateErrors.count(), 0);
    }

    void refusedConnectionRaisesError()
    {
        CSocketMaster s;
        QSignalSpy errors(&s, &CSocketMaster::Error);
        const test::ClosedLocalPort closed;
        s.Connect(QStringLiteral("127.0.0.1"), closed.port());
        QTRY_COMPARE(errors.count(), 1);
        QCOMPARE(errors.at(0).at(0).toInt(), 10061);
        QCOMPARE(errors.at(0).at(1).toString(), QStringLiteral("Connection refused."));
        QVERIFY(errors.at(0).at(3).toString().startsWith(QStringLiteral("CSocketMaster.")));
        QCOMPARE(s.State(), CSocketMaster::sckError);
        s.CloseSck();
        QCOMPARE(s.State(), CSocketMaster::sckClosed);
    }

    void largeSendIsSplitAndCompletes()
    {
        QTcpServer server;
        QVERIFY(server.listen(QHostAddress::LocalHost));
        CSocketMaster s;
        s.Connect(QStringLiteral("127.0.0.1"), server.serverPort());
        QTRY_COMPARE(s.State(), CSocketMaster::sckConnected);
        QTRY_VERIFY(server.hasPendingConnections());
        QTcpSocket *peer = server.nextPendingConnection();
        peer->setReadBufferSize(1); // the peer reads (almost) nothing until told

        QByteArray payload(8 * 1024 * 1024, Qt::Uninitialized);
        for (qsizetype k = 0; k < payload.size(); ++k)
            payload[k] = char(k * 7 + k / 4096);
        QList<QPair<qint64, qint64>> progress;
        int completesAfterLastProgress = 0;
        connect(&s, &CSocketMaster::SendProgress, this, [&](qint64 sent, qint64 remaining) {
            progress.append({sent, remaining});
        });
        connect(&s, &CSocketMaster::SendComplete, this, [&] {
            if (!progress.isEmpty() && progress.last().second == 0)
                ++completesAfterLastProgress;
        });
        s.SendData(payload);
        QVERIFY(!progress.isEmpty());
        QVERIFY(progress.first().second > 0); // blocked part-way

        QByteArray received;
        peer->setReadBufferSize(0);
        connect(peer, &QTcpSocket::readyRead, this, [&] { received += peer->readAll(); });
        received += peer->readAll();
        QTRY_VERIFY_WITH_TIMEOUT(completesAfterLastProgress == 1, 20000);
        qint64 total = 0;
        for (const auto &p : progress)
            total += p.first;
        QCOMPARE(total, payload.size());
        QTRY_COMPARE_WITH_TIMEOUT(received.size(), payload.size(), 20000);
        QVERIFY(received == payload);
    }

    void peerCloseComesAfterLastData()
    {
        QTcpServer server;
        QVERIFY(server.listen(QHostAddress::LocalHost));
        CSocketMaster s;
        QStringList order;
        connect(&s, &CSocketMaster::DataArrival, this, [&](qint64 n) { order << QStringLiteral("data %1").arg(n); });
        connect(&s, &CSocketMaster::CloseSckEvent, this, [&] { order << QStringLiteral("close"); });
        s.Connect(QStringLiteral("127.0.0.1"), server.serverPort());
        QTRY_COMPARE(s.State(), CSocketMaster::sckConnected);
        QTRY_VERIFY(server.hasPendingConnections());
        QTcpSocket *peer = server.nextPendingConnection();
        peer->write("abc");
        peer->flush();
        peer->disconnectFromHost();
        QTRY_COMPARE(s.State(), CSocketMaster::sckClosing);
        QCOMPARE(order, (QStringList{QStringLiteral("data 3"), QStringLiteral("close")}));
        QTest::qWait(50); // a closing socket is not read again
        QCOMPARE(order.size(), 2);
        QCOMPARE(s.BytesReceived(), 3);
        QCOMPARE(runtimeErrorOf([&] { s.GetData(); }), SocketErrors::WrongProtocolOrState);
        s.CloseSck();
        QCOMPARE(s.State(), CSocketMaster::sckClosed);
        QCOMPARE(s.BytesReceived(), 0);
    }

    void udpExchange()
    {
        CSocketMaster a;
        a.setProtocol(CSocketMaster::sckUDPProtocol);
        a.Bind(0, QStringLiteral("127.0.0.1"));
        QCOMPARE(a.State(), CSocketMaster::sckOpen);
        QVERIFY(a.LocalPort() > 0);
        QCOMPARE(a.LocalIP(), QStringLiteral("127.0.0.1"));

        CSocketMaster b;
        b.setProtocol(CSocketMaster::sckUDPProtocol);
        b.setRemoteHost(QStringLiteral("127.0.0.1"));
        b.setRemotePort(a.LocalPort());
        QSignalSpy aData(&a, &CSocketMaster::DataArrival);
        QSignalSpy bData(&b, &CSocketMaster::DataArrival);
        QSignalSpy bComplete(&b, &CSocketMaster::SendComplete);
        b.SendData(QStringLiteral("ping\xA4"));
        QCOMPARE(b.State(), CSocketMaster::sckOpen);
        QTRY_COMPARE(aData.count(), 1);
        QCOMPARE(aData.at(0).at(0).toLongLong(), 5);
        QCOMPARE(a.GetData(), QByteArray("ping\xA4"));
        QCOMPARE(a.RemotePort(), b.LocalPort());
        a.setRemoteHost(a.RemoteHostIP());
        a.SendData(QByteArray("pong"));
        QTRY_COMPARE(bData.count(), 1);
        QCOMPARE(b.GetDataText(2), QStringLiteral("po"));
        QCOMPARE(b.PeekData(), QByteArray("ng"));
        QCOMPARE(b.GetDataText(), QStringLiteral("ng"));
        QCOMPARE(bComplete.count(), 0);
    }

    void listenAcceptAndUnacceptedRequest()
    {
        CSocketMaster listener;
        listener.Bind(0, QStringLiteral("127.0.0.1"));
        listener.Listen();
        QCOMPARE(listener.State(), CSocketMaster::sckListening);
        const quint16 port = quint16(listener.LocalPort());
        QVERIFY(port > 0);

        CSocketMaster taken;
        bool acceptNext = true;
        connect(&listener, &CSocketMaster::ConnectionRequest, this, [&](qintptr id) {
            if (acceptNext)
                taken.Accept(id);
        });
        QTcpSocket client;
        client.connectToHost(QHostAddress::LocalHost, port);
        QTRY_COMPARE(taken.State(), CSocketMaster::sckConnected);
        QCOMPARE(taken.RemotePort(), qint32(client.localPort()));
        taken.SendData(QByteArray("hello"));
        QTRY_COMPARE(client.bytesAvailable(), 5);
        client.write("back");
        QTRY_COMPARE(taken.BytesReceived(), 4);
        QCOMPARE(taken.GetData(), QByteArray("back"));

        acceptNext = false;
        QTcpSocket refused;
        QSignalSpy gone(&refused, &QTcpSocket::disconnected);
        refused.connectToHost(QHostAddress::LocalHost, port);
        QTRY_COMPARE(gone.count(), 1);
        QCOMPARE(listener.State(), CSocketMaster::sckListening);
        QCOMPARE(runtimeErrorOf([&] { CSocketMaster other; other.Accept(99999); }), SocketErrors::OutOfRange);
    }

    void runtimeErrorsKeepState()
    {
        CSocketMaster s;
        s.setRemotePort(23);
        QString text;
        QCOMPARE(runtimeErrorOf([&] { s.setRemotePort(70000); }, &text), SocketErrors::OutOfRange);
        QCOMPARE(text, QStringLiteral("The argument passed to a function was not in the correct format or in the specified range."));
        QCOMPARE(s.RemotePort(), 23);
        QCOMPARE(runtimeErrorOf([&] { s.SendData(QByteArray("x")); }, &text), SocketErrors::WrongProtocolOrState);
        QCOMPARE(text, QStringLiteral("Wrong protocol or connection state for the requested transaction or request"));
        QCOMPARE(runtimeErrorOf([&] { s.Connect(QStringLiteral("127.0.0.1"), QStringLiteral("telnet")); }, &text),
                 SocketErrors::UnsupportedType);
        QCOMPARE(text, QStringLiteral("Unsupported variant type."));
        QCOMPARE(runtimeErrorOf([&] { s.Connect(QStringLiteral("127.0.0.1"), 0); }), SocketErrors::OutOfRange);
        QCOMPARE(runtimeErrorOf([&] { s.SendData(QVariant(QPointF(1, 2))); }), SocketErrors::UnsupportedType);
        QCOMPARE(s.State(), CSocketMaster::sckClosed);

        QTcpServer server;
        QVERIFY(server.listen(QHostAddress::LocalHost));
        s.Connect(QStringLiteral("127.0.0.1"), server.serverPort());
        QCOMPARE(runtimeErrorOf([&] { s.Connect(); }, &text), SocketErrors::InvalidState);
        QCOMPARE(text, QStringLiteral("Invalid operation at current state"));
        QCOMPARE(runtimeErrorOf([&] { s.setRemoteHost(QStringLiteral("x")); }), SocketErrors::InvalidState);
        QCOMPARE(runtimeErrorOf([&] { s.setProtocol(CSocketMaster::sckUDPProtocol); }), SocketErrors::InvalidState);
        QTRY_COMPARE(s.State(), CSocketMaster::sckConnected);
        QCOMPARE(runtimeErrorOf([&] { s.GetData(-1); }), SocketErrors::OutOfRange);
    }

    void numbersAreSentLittleEndian()
    {
        QTcpServer server;
        QVERIFY(server.listen(QHostAddress::LocalHost));
        CSocketMaster s;
        s.Connect(QStringLiteral("127.0.0.1"), server.serverPort());
        QTRY_COMPARE(s.State(), CSocketMaster::sckConnected);
        QTRY_VERIFY(server.hasPendingConnections());
        QTcpSocket *peer = server.nextPendingConnection();
        s.SendData(QVariant(qint32(0x01020304)));
        s.SendData(QVariant::fromValue<qint16>(-2));
        s.SendData(QVariant(QStringLiteral("\xFF")));
        QTRY_COMPARE(peer->bytesAvailable(), 7);
        QCOMPARE(peer->readAll(), QByteArray("\x04\x03\x02\x01\xFE\xFF\xFF", 7));
    }
};

QTEST_GUILESS_MAIN(TestSocketMaster)
#include "tst_socketmaster.moc"
