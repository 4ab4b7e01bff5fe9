#include "router/core/orbtelnet.h"
#include "tests/support/testsupport.h"

#include <QDir>
#include <QFile>
#include <QProcess>
#include <QRandomGenerator>
#include <QSignalSpy>
#include <QStandardPaths>
#include <QTcpServer>
#include <QTcpSocket>
#include <QTemporaryDir>
#include <QTest>
#include <QTimer>

using namespace quillon;

namespace {

const QString kCrLf = QStringLiteral("\r\n");

// A stand-in FTP server that answers every command from a table.
class FakeFtp final : public QObject
{
public:
    explicit FakeFtp(QByteArray passiveReply)
        : m_passive(std::move(passiveReply))
    {
        m_server.listen(QHostAddress::LocalHost);
        connect(&m_server, &QTcpServer::newConnection, this, [this] {
            QTcpSocket *peer = m_server.nextPendingConnection();
            peer->write("220 ready\r\n");
            connect(peer, &QTcpSocket::readyRead, peer, [this, peer] {
                while (peer->canReadLine()) {
                    const QByteArray line = peer->readLine().trimmed();
                    if (line.startsWith("PASV"))
                        peer->write(m_passive);
                    else if (line.startsWith("USER"))
                        peer->write("331 password please\r\n");
                    else if (line.startsWith("PASS"))
                        peer->write("230 logged in\r\n");
                    else if (line.startsWith("STOR"))
                        peer->write("150 go ahead\r\n");
                    else
                        peer->write("200 ok\r\n");
                }
            });
        });
    }
    quint16 port() const { return m_server.serverPort(); }

private:
    QTcpServer m_server;
    QByteArray m_passive;
};

QString uploadScript(quint16 port, const QString &file, const QString &user = QStringLiteral("anonymous"))
{
    return QStringList{QStringLiteral("HOST 127.0.0.1 %1").arg(port), QStringLiteral("WAIT \"220\""),
                       QStringLiteral("SEND \"USER %1\\n\"").arg(user), QStringLiteral("WAIT \"3\""),
                       QStringLiteral("SEND \"PASS guest\\n\""), QStringLiteral("WAIT \"2\""),
                       QStringLiteral("SEND \"TYPE I\\n\""), QStringLiteral("WAIT \"200\""),
                       QStringLiteral("SEND \"PASV\\n\""), QStringLiteral("WAIT \"227\""),
                       QStringLiteral("STOR \"upload.bin\\n\""), QStringLiteral("WAIT \"connection\""),
                       QStringLiteral("PUT \"%1\"").arg(file), QStringLiteral("WAIT \"226\""),
                       QStringLiteral("SEND \"QUIT\\n\""), QStringLiteral("WAIT \"221\"")}
        .join(kCrLf);
}

} // namespace

class TestOrbTelnetFtp final : public QObject
{
    Q_OBJECT

private slots:
    void passiveUploadToRealServer()
    {
        // BusyBox's ftpd where the BusyBox build has it, else Debian's pyftpdlib.
        QTemporaryDir root;
        const quint16 port = test::freeLocalPort();
        QProcess server;
        server.setProcessChannelMode(QProcess::MergedChannels);
        QProcess probe;
        probe.start(QStringLiteral("busybox"), {QStringLiteral("--list")});
        const bool haveBusybox = probe.waitForFinished(3000) && probe.exitCode() == 0;
        const QByteArray applets = haveBusybox ? probe.readAllStandardOutput() : QByteArray();
        const QString python = QFile::exists(QStringLiteral("/usr/bin/python3")) ? QStringLiteral("/usr/bin/python3")
                                                                                 : QStringLiteral("python3");
        if (applets.contains("\nftpd\n") && applets.contains("\ntcpsvd\n")) {
            server.start(QStringLiteral("busybox"), {QStringLiteral("tcpsvd"), QStringLiteral("-vE"), QStringLiteral("127.0.0.1"),
                                                     QString::number(port), QStringLiteral("busybox"), QStringLiteral("ftpd"),
                                                     QStringLiteral("-w"), root.path()});
        } else {
            QProcess check;
            check.start(python, {QStringLiteral("-c"), QStringLiteral("import pyftpdlib")});
            if (!check.waitForFinished(5000) || check.exitCode() != 0)
                QSKIP("No FTP server on this machine: neither BusyBox's ftpd nor python3-pyftpdlib is installed.");
            server.start(python, {QStringLiteral("-m"), QStringLiteral("pyftpdlib"), QStringLiteral("-i"), QStringLiteral("127.0.0.1"),
                                  QStringLiteral("-p"), QString::number(port), QStringLiteral("-w"), QStringLiteral("-d"), root.path()});
        }
        QVERIFY(server.waitForStarted(5000));
        const bool listening = QTest::qWaitFor([&] {
            QTcpSocket s;
            s.connectToHost(QHostAddress::LocalHost, port);
            return s.waitForConnected(200);
        }, 10000);
        QVERIFY2(listening, server.readAll().constData());

        test::TempAppDir appDir;
        QByteArray payload(300 * 1024, Qt::Uninitialized);
        QRandomGenerator rng(3);
        for (char &b : payload)
            b = char(rng.bounded(256));
        appDir.write(QStringLiteral("payload.bin"), payload);

        OrbTelnet engine;
        engine.setMode(2);
        engine.setStallTimeoutMs(5000);
        test::ScriptRun run(engine);
        QSignalSpy sent(&engine, &OrbTelnet::FTPSendComplete);
        engine.RunScript(uploadScript(port, QStringLiteral("payload.bin")));
        QVERIFY(run.ended(20000));
        QVERIFY2(run.completed(), qPrintable(engine.LastError() + kCrLf + engine.ConsoleLog()));
        QCOMPARE(sent.count(), 1);
        QCOMPARE(sent.at(0).at(0).toString(), QStringLiteral("payload.bin"));
        QFile uploaded(root.filePath(QStringLiteral("upload.bin")));
        QVERIFY(uploaded.open(QIODevice::ReadOnly));
        QVERIFY(uploaded.readAll() == payload);
        const QString log = engine.ConsoleLog();
        QVERIFY(log.contains(QStringLiteral(">PASV\r\n")));
        QVERIFY(log.contains(QStringLiteral("Sending file: payload.bin\r\n")));
        QVERIFY(log.contains(QStringLiteral("File sent via FTP.\r\n")));
        server.terminate();
        server.waitForFinished(3000);
    }

    void passiveReplyNamesTheDataPort()
    {
        QTcpServer data;
        QVERIFY(data.listen(QHostAddress::LocalHost));
        const quint16 p = data.serverPort();
        FakeFtp ftp(QStringLiteral("227 Entering Passive Mode (127,0,0,1,%1,%2).\r\n").arg(p / 256).arg(p % 256).toLatin1());
        QByteArray received;
        connect(&data, &QTcpServer::newConnection, this, [&] {
            QTcpSocket *peer = data.nextPendingConnection();
            connect(peer, &QTcpSocket::readyRead, peer, [&, peer] { received += peer->readAll(); });
        });
        test::TempAppDir appDir;
        appDir.write(QStringLiteral("small.txt"), QByteArray("abc\xFF"));
        OrbTelnet engine;
        engine.setMode(2);
        engine.setStallTimeoutMs(500);
        test::ScriptRun run(engine);
        QSignalSpy sent(&engine, &OrbTelnet::FTPSendComplete);
        // The fake never says 226, so the script stops on the stall check.
        engine.RunScript(uploadScript(ftp.port(), appDir.file(QStringLiteral("small.txt"))));
        QVERIFY(run.ended(5000));
        QCOMPARE(sent.count(), 1);
        QVERIFY(engine.ConsoleLog().contains(QStringLiteral("Connecting to 127.0.0.1:%1\r\n").arg(p)));
        QTRY_COMPARE(received, QByteArray("abc\xFF"));
    }

    void unreadablePassiveReply()
    {
        FakeFtp ftp("227 Entering Passive Mode 127,0,0,1\r\n");
        test::TempAppDir appDir;
        appDir.write(QStringLiteral("f"), QByteArray("x"));
        OrbTelnet engine;
        engine.setMode(2);
        test::ScriptRun run(engine);
        engine.RunScript(uploadScript(ftp.port(), QStringLiteral("f")));
        QVERIFY(run.ended(5000));
        QCOMPARE(run.error.count(), 1);
        QCOMPARE(engine.LastError(),
                 QStringLiteral("The FTP server's passive mode reply could not be read, so the upload was stopped."));
        QVERIFY(!engine.isRunning());
    }

    void refusedDataConnection()
    {
        const test::ClosedLocalPort closedPort;
        const quint16 closed = closedPort.port();
        FakeFtp ftp(QStringLiteral("227 Entering Passive Mode (127,0,0,1,%1,%2)\r\n").arg(closed / 256).arg(closed % 256).toLatin1());
        test::TempAppDir appDir;
        appDir.write(QStringLiteral("f"), QByteArray("x"));
        OrbTelnet engine;
        engine.setMode(2);
        test::ScriptRun run(engine);
        QSignalSpy sent(&engine, &OrbTelnet::FTPSendComplete);
        engine.RunScript(uploadScript(ftp.port(), QStringLiteral("f")));
        QVERIFY(run.ended(5000));
        QCOMPARE(run.error.count(), 1);
        QCOMPARE(sent.count(), 0);
        QCOMPARE(engine.LastError(), QStringLiteral("Unable to access the router via FTP."));
        QVERIFY(engine.ConsoleLog().contains(
            QStringLiteral("Winsock Data Error - 10061 : Connection refused.\r\nUnable to access the router via FTP.\r\nAborting script\r\n")));

        // A file that cannot be read is not reported as sent.
        QTcpServer data;
        QVERIFY(data.listen(QHostAddress::LocalHost));
        const quint16 p = data.serverPort();
        FakeFtp open(QStringLiteral("227 (127,0,0,1,%1,%2)\r\n").arg(p / 256).arg(p % 256).toLatin1());
        run.error.clear();
        engine.RunScript(uploadScript(open.port(), QStringLiteral("missing.bin")));
        QVERIFY(run.ended(5000));
        QCOMPARE(run.error.count(), 1);
        QCOMPARE(sent.count(), 0);
        QCOMPARE(engine.LastError(), QStringLiteral("The file missing.bin could not be read, so it was not uploaded."));
    }
};

QTEST_GUILESS_MAIN(TestOrbTelnetFtp)
#include "tst_orbtelnetftp.moc"
