#include "netdiag/core/orbdns.h"

#include "tests/support/netlab.h"
#include "tests/support/testsupport.h"

#include <QHostAddress>
#include <QSignalSpy>
#include <QTcpServer>
#include <QTcpSocket>
#include <QTemporaryDir>
#include <QTimer>
#include <QUdpSocket>
#include <QtTest>

#include <functional>

using namespace quillon;

namespace {

const QString Target = QStringLiteral("10.77.3.2");
const QString TargetName = QStringLiteral("target.example");

QByteArray be16(int v)
{
    return QByteArray(1, char((v >> 8) & 0xFF)) + char(v & 0xFF);
}

// A reply to `query`: its ID and question, then the given sections.
QByteArray reply(const QByteArray &query, int flags, int an, int ns, int ar, const QByteArray &records)
{
    return query.left(2) + be16(flags) + be16(1) + be16(an) + be16(ns) + be16(ar) + query.mid(12) + records;
}

QByteArray name(const QList<QByteArray> &labels)
{
    QByteArray out;
    for (const QByteArray &l : labels)
        out += char(l.size()) + l;
    return out + '\0';
}

QByteArray record(const QByteArray &owner, int type, const QByteArray &data)
{
    return owner + be16(type) + be16(1) + QByteArray("\0\0\1\0", 4) + be16(int(data.size())) + data;
}

const QByteArray AtQuestion("\xC0\x0C", 2);

QByteArray ptr(const QByteArray &target)
{
    return record(AtQuestion, 12, target);
}

// What the responder sends back for one query: datagrams, each from the
// server's own socket or from a stranger's.
struct Datagram
{
    QByteArray bytes;
    bool fromStranger{false};
};
using Behaviour = std::function<QList<Datagram>(const QByteArray &query, int queryNumber)>;

class Responder final
{
public:
    explicit Responder(const QHostAddress &address = QHostAddress::LocalHost, quint16 port = 0)
    {
        m_udp.bind(address, port);
        m_stranger.bind(address, 0);
        m_tcp.listen(address, m_udp.localPort());
        QObject::connect(&m_udp, &QUdpSocket::readyRead, &m_udp, [this] { onDatagram(); });
        QObject::connect(&m_tcp, &QTcpServer::newConnection, &m_tcp, [this] { onConnection(); });
    }
    bool ok() const { return m_udp.state() == QAbstractSocket::BoundState && m_tcp.isListening(); }
    quint16 port() const { return m_udp.localPort(); }
    QString server() const { return QStringLiteral("127.0.0.1:%1").arg(port()); }

    Behaviour udp;
    std::function<QByteArray(const QByteArray &query)> tcp;
    QList<QByteArray> queries;
    int tcpQueries = 0;

private:
    void onDatagram()
    {
        while (m_udp.hasPendingDatagrams()) {
            QByteArray q(int(m_udp.pendingDatagramSize()), '\0');
            QHostAddress from;
            quint16 fromPort = 0;
            m_udp.readDatagram(q.data(), q.size(), &from, &fromPort);
            queries << q;
            if (!udp)
                continue;
            for (const Datagram &d : udp(q, int(queries.size())))
                (d.fromStranger ? m_stranger : m_udp).writeDatagram(d.bytes, from, fromPort);
        }
    }
    void onConnection()
    {
        QTcpSocket *s = m_tcp.nextPendingConnection();
        QObject::connect(s, &QTcpSocket::readyRead, s, [this, s] {
            m_tcpData += s->readAll();
            if (m_tcpData.size() < 2 || m_tcpData.size() < 2 + ((quint8(m_tcpData[0]) << 8) | quint8(m_tcpData[1])))
                return;
            ++tcpQueries;
            const QByteArray answer = tcp ? tcp(m_tcpData.mid(2)) : QByteArray();
            m_tcpData.clear();
            const QByteArray framed = be16(int(answer.size())) + answer;
            // In three pieces, each after the last has gone out.
            for (qsizetype at = 0, step = framed.size() / 3 + 1; at < framed.size(); at += step) {
                s->write(framed.mid(at, step));
                s->waitForBytesWritten(1000);
                QTest::qWait(5);
            }
        });
    }

    QUdpSocket m_udp;
    QUdpSocket m_stranger;
    QTcpServer m_tcp;
    QByteArray m_tcpData;
};

struct Outcome
{
    QString answer;
    QString error;
    QStringList servers;
};

Outcome lookUp(OrbDNS &dns, const QString &server, const QString &address, int ms = 8000)
{
    QSignalSpy answers(&dns, &OrbDNS::DNSResponse);
    QSignalSpy errors(&dns, &OrbDNS::ErrorMsg);
    QSignalSpy starts(&dns, &OrbDNS::QueryStart);
    dns.LookUpIP(server, address);
    QElapsedTimer t;
    t.start();
    while (answers.isEmpty() && errors.isEmpty() && t.elapsed() < ms)
        answers.wait(50);
    Outcome o;
    if (!answers.isEmpty())
        o.answer = answers.first().first().toString();
    if (!errors.isEmpty())
        o.error = errors.first().first().toString();
    for (const auto &s : starts)
        o.servers << s.first().toString();
    return o;
}

QString dig(test::NetLab &lab, const QStringList &args)
{
    return lab.exec(QStringLiteral("d"), QStringList{QStringLiteral("dig"), QStringLiteral("+time=1"), QStringLiteral("+tries=1")} + args)
        .trimmed();
}

} // namespace

class TestOrbDNS : public QObject
{
    Q_OBJECT

    std::unique_ptr<test::NetLab> m_lab;
    QString m_labSkip;
    QTemporaryDir m_dir;

    // The lab namespace with its daemons, or why there is none.
    QString daemonsSkip(const QStringList &programs)
    {
        if (!m_labSkip.isEmpty())
            return m_labSkip;
        const QString missing = test::NetLab::missingProgram(programs);
        return missing.isEmpty() ? QString() : missing + QStringLiteral(" is not installed");
    }

    bool waitForServer(const QString &server, const QString &address)
    {
        for (int i = 0; i < 50; ++i) {
            if (!dig(*m_lab, {QStringLiteral("+short"), QStringLiteral("-x"), address, QLatin1Char('@') + server}).isEmpty())
                return true;
            QTest::qWait(100);
        }
        return false;
    }

private slots:
    void initTestCase()
    {
        m_labSkip = test::NetLab::unavailableReason();
        if (!m_labSkip.isEmpty())
            return;
        m_lab = std::make_unique<test::NetLab>();
        bool ok = m_lab->script(QStringLiteral("single"));
        for (const char *a : {"127.0.0.2/32", "127.0.0.3/32", "127.0.0.4/32"})
            ok = ok && (m_lab->exec(QStringLiteral("d"), {QStringLiteral("ip"), QStringLiteral("addr"), QStringLiteral("add"),
                                                           QString::fromLatin1(a), QStringLiteral("dev"), QStringLiteral("lo")}, 10000, &ok), ok);
        if (!ok || !m_lab->enter(QStringLiteral("d")))
            m_labSkip = QStringLiteral("the lab namespace could not be set up");
    }

    void cleanupTestCase()
    {
        m_lab.reset();
    }

    void queryFormat()
    {
        Responder r;
        QVERIFY(r.ok());
        OrbDNS dns;
        dns.setTimeout(100, 0);
        lookUp(dns, r.server(), QStringLiteral("10.0.0.138"));
        dns.setRecursion(false);
        lookUp(dns, r.server(), QStringLiteral("10.0.0.138"));
        QCOMPARE(r.queries.size(), 2);
        const QByteArray body = QByteArray("\0\1\0\0\0\0\0\0", 8) + name({"138", "0", "0", "10", "IN-ADDR", "ARPA"})
            + QByteArray("\0\x0C\0\x01", 4);
        QCOMPARE(r.queries[0].mid(2), QByteArray("\x01\x00", 2) + body);
        QCOMPARE(r.queries[1].mid(2), QByteArray("\x00\x00", 2) + body);

        const Outcome longLabel = lookUp(dns, r.server(), QString(64, QLatin1Char('a')) + QStringLiteral(".1.2.3"));
        QCOMPARE(longLabel.error, QStringLiteral("Label '%1' is too long (max 63 characters)").arg(QString(64, QLatin1Char('a'))));
        QCOMPARE(r.queries.size(), 2);
        QCOMPARE(lookUp(dns, QStringLiteral("127.0.0.1:99999"), Target).error, QStringLiteral("ERROR: 0 - Invalid DNS server"));
        QCOMPARE(lookUp(dns, QString(), Target).error, QStringLiteral("ERROR: 0 - Invalid DNS server"));
    }

    // Every reply below comes from a responder that answers as told; the
    // lookup must end with the expected text, never hang or crash.
    void hostileAndOddReplies_data()
    {
        QTest::addColumn<int>("kind");
        QTest::addColumn<QString>("expected");
        const QString invalid = QStringLiteral("!Invalid Response");
        QTest::newRow("pointer to itself") << 0 << invalid;
        QTest::newRow("pointer past the end") << 1 << invalid;
        QTest::newRow("pointer forwards") << 2 << invalid;
        QTest::newRow("counts larger than the data") << 3 << invalid;
        QTest::newRow("name over 255 bytes") << 4 << invalid;
        QTest::newRow("A record of 3 bytes") << 5 << invalid;
        QTest::newRow("wrong ID, stranger, other question, no QR, then ours") << 6 << TargetName;
        QTest::newRow("only strangers: timed out after one retry") << 7 << QStringLiteral("!No Response");
        QTest::newRow("answer with NS beside it, AA 0") << 8 << TargetName;
        QTest::newRow("PTR naming the root") << 9 << QStringLiteral("!Record Unavailable");
        QTest::newRow("RCODE 3") << 10 << QStringLiteral("!Response Code: Name Error");
        QTest::newRow("RCODE 9") << 11 << QStringLiteral("!Response Code: ");
        QTest::newRow("unprintable bytes escaped") << 12 << QStringLiteral("a\\009b\\010\\092\\046\\128.example");
        QTest::newRow("CNAME then PTR, TXT and AAAA around") << 13 << TargetName;
        QTest::newRow("truncated: asked again over TCP, reply in pieces") << 14 << TargetName;
    }

    void hostileAndOddReplies()
    {
        QFETCH(int, kind);
        QFETCH(QString, expected);
        Responder r;
        QVERIFY(r.ok());
        const QByteArray targetName = name({"target", "example"});
        const QByteArray good = ptr(targetName);
        r.tcp = [&](const QByteArray &q) { return reply(q, 0x8180, 1, 0, 0, good); };
        r.udp = [&](const QByteArray &q, int n) -> QList<Datagram> {
            const qsizetype end = q.size(); // where the first record starts
            switch (kind) {
            case 0: return {{reply(q, 0x8180, 1, 0, 0, ptr(be16(0xC000 | int(end + 12))))}};
            case 1: return {{reply(q, 0x8180, 1, 0, 0, ptr(be16(0xC000 | 0x3FFF)))}};
            case 2: return {{reply(q, 0x8180, 1, 0, 0, ptr(be16(0xC000 | int(end + 26))) + ptr(targetName))}};
            case 3: return {{reply(q, 0x8180, 0xFFFF, 0, 0, good)}};
            case 4: {
                QList<QByteArray> labels(5, QByteArray(60, 'x'));
                return {{reply(q, 0x8180, 1, 0, 0, ptr(name(labels)))}};
            }
            case 5: return {{reply(q, 0x8180, 2, 0, 0, record(AtQuestion, 1, "\1\2\3") + good)}};
            case 6: {
                QByteArray wrongId = reply(q, 0x8180, 1, 0, 0, ptr(name({"wrong", "id"})));
                wrongId[0] = char(~q[0]);
                QByteArray other = q.left(12) + name({"1", "1", "1", "1", "in-addr", "arpa"}) + QByteArray("\0\x0C\0\x01", 4);
                other = reply(other, 0x8180, 1, 0, 0, ptr(name({"other", "question"})));
                return {{wrongId}, {reply(q, 0x8180, 1, 0, 0, ptr(name({"stranger"}))), true}, {other},
                        {reply(q, 0x0180, 1, 0, 0, ptr(name({"no", "qr"})))}, {reply(q, 0x8180, 1, 0, 0, good)}};
            }
            case 7: return {{reply(q, 0x8180, 1, 0, 0, good), true}};
            case 8: return {{reply(q, 0x8180, 1, 1, 0, good + record(AtQuestion, 2, name({"ns", "elsewhere"})))}};
            case 9: return {{reply(q, 0x8180, 1, 0, 0, ptr(QByteArray(1, '\0')))}};
            case 10: return {{reply(q, 0x8183, 0, 0, 0, {})}};
            case 11: return {{reply(q, 0x8189, 0, 0, 0, {})}};
            case 12: return {{reply(q, 0x8180, 1, 0, 0, ptr(name({"a\tb\n\\.\x80", "example"})))}};
            case 13: {
                const QByteArray cname = record(AtQuestion, 5, name({"2", "0-24", "3", "77", "10", "in-addr", "arpa"}));
                const QByteArray pointer = be16(0xC000 | int(end + 12)); // owner: the CNAME's target
                return {{reply(q, 0x8180, 3, 0, 2,
                               cname + record(pointer, 12, targetName) + record(AtQuestion, 16, "\3abc\2de")
                                   + record(name({"x"}), 28, QByteArray(16, '\1')) + record(name({"y"}), 99, "zz"))}};
            }
            case 14: return {{n == 1 ? reply(q, 0x8380, 0, 0, 0, {}) : QByteArray()}};
            }
            return {};
        };
        OrbDNS dns;
        dns.setTimeout(kind == 7 ? 150 : 3000, 1);
        const Outcome o = lookUp(dns, r.server(), Target);
        QCOMPARE(o.error, QString());
        QCOMPARE(o.answer, expected);
        QCOMPARE(r.queries.size(), kind == 7 ? 2 : 1);
        QCOMPARE(r.tcpQueries, kind == 14 ? 1 : 0);
        QVERIFY(!dns.isBusy());
    }

    // The socket stays open between lookups: a duplicate reply arriving
    // while idle must not be read in front of the next lookup's reply.
    void duplicateReplyBetweenLookups()
    {
        Responder r;
        QVERIFY(r.ok());
        r.udp = [](const QByteArray &q, int n) -> QList<Datagram> {
            const QByteArray answer = reply(q, 0x8180, 1, 0, 0, ptr(name({n == 1 ? "first" : "second"})));
            return n == 1 ? QList<Datagram>{{answer}, {answer}} : QList<Datagram>{{answer}};
        };
        OrbDNS dns;
        QCOMPARE(lookUp(dns, r.server(), Target).answer, QStringLiteral("first"));
        QTest::qWait(50);
        QCOMPARE(lookUp(dns, r.server(), QStringLiteral("10.77.1.2")).answer, QStringLiteral("second"));
    }

    // A referral whose only glue for the name server is AAAA (and an A
    // record of some other name): the server is looked up by its name.
    void referralWithoutAGlue()
    {
        if (!m_labSkip.isEmpty())
            QSKIP(qPrintable(m_labSkip));
        Responder first;
        Responder atPort53(QHostAddress::LocalHost, 53);
        QVERIFY(first.ok() && atPort53.ok());
        first.udp = [](const QByteArray &q, int) -> QList<Datagram> {
            const QByteArray ns = name({"localhost"});
            return {{reply(q, 0x8100, 0, 1, 2,
                           record(name({"3", "77", "10", "in-addr", "arpa"}), 2, ns) + record(ns, 28, QByteArray(16, '\0'))
                               + record(name({"other"}), 1, QByteArray("\x7F\0\0\x09", 4)))}};
        };
        atPort53.udp = [](const QByteArray &q, int) -> QList<Datagram> { return {{reply(q, 0x8500, 1, 0, 0, ptr(name({"deep"})))}}; };
        OrbDNS dns;
        const Outcome o = lookUp(dns, first.server(), Target);
        QCOMPARE(o.answer, QStringLiteral("deep"));
        QCOMPARE(o.servers, (QStringList{first.server(), QStringLiteral("localhost")}));
        QCOMPARE(dns.QueryCount(), 0);
    }

    void againstDnsmasq_data()
    {
        QTest::addColumn<QString>("server");
        QTest::addColumn<QString>("address");
        QTest::addColumn<bool>("tcp");
        QTest::newRow("udp") << QStringLiteral("127.0.0.2") << Target << false;
        QTest::newRow("tcp") << QStringLiteral("127.0.0.2") << Target << true;
        QTest::newRow("host name and port") << QStringLiteral("localhost:5300 ignored") << QStringLiteral("10.77.1.2") << false;
        QTest::newRow("no such record") << QStringLiteral("127.0.0.2") << QStringLiteral("10.77.8.8") << false;
    }

    void againstDnsmasq()
    {
        QFETCH(QString, server);
        QFETCH(QString, address);
        QFETCH(bool, tcp);
        if (const QString skip = daemonsSkip({QStringLiteral("dnsmasq"), QStringLiteral("dig")}); !skip.isEmpty())
            QSKIP(qPrintable(skip));
        static bool started = false;
        if (!started) {
            for (const auto &[listen, port] : {std::pair{"127.0.0.2", "53"}, std::pair{"127.0.0.1", "5300"}}) {
                QVERIFY(m_lab->startDaemon(QStringLiteral("d"),
                    {QStringLiteral("dnsmasq"), QStringLiteral("-k"), QStringLiteral("--conf-file=/dev/null"),
                     QStringLiteral("--no-resolv"), QStringLiteral("--no-hosts"), QStringLiteral("--bind-interfaces"),
                     QStringLiteral("--listen-address=") + QLatin1String(listen), QStringLiteral("--port=") + QLatin1String(port),
                     QStringLiteral("--ptr-record=2.3.77.10.in-addr.arpa,target.example"),
                     QStringLiteral("--ptr-record=2.1.77.10.in-addr.arpa,gw.router.lan"),
                     QStringLiteral("--pid-file="), QStringLiteral("--user=root")}));
            }
            QVERIFY(waitForServer(QStringLiteral("127.0.0.2"), Target));
            started = true;
        }
        const QString host = server.section(QLatin1Char(' '), 0, 0);
        const QString at = host.startsWith(QLatin1String("localhost")) ? QStringLiteral("127.0.0.1") : host.section(QLatin1Char(':'), 0, 0);
        const QString port = host.contains(QLatin1Char(':')) ? host.section(QLatin1Char(':'), 1) : QStringLiteral("53");
        QStringList args{QStringLiteral("-x"), address, QLatin1Char('@') + at, QStringLiteral("-p"), port};
        if (tcp)
            args << QStringLiteral("+tcp");
        const QString theirs = dig(*m_lab, args + QStringList{QStringLiteral("+short")});
        OrbDNS dns;
        dns.setTCP(tcp);
        const Outcome o = lookUp(dns, server, address);
        QCOMPARE(o.servers, QStringList{host});
        if (theirs.isEmpty()) {
            const QString full = dig(*m_lab, args);
            const QString status = full.section(QLatin1String("status: "), 1).section(QLatin1Char(','), 0, 0);
            const QMap<QString, QString> texts{{QStringLiteral("NXDOMAIN"), QStringLiteral("Name Error")},
                                               {QStringLiteral("REFUSED"), QStringLiteral("Refused")},
                                               {QStringLiteral("SERVFAIL"), QStringLiteral("Server Failure")}};
            QVERIFY2(texts.contains(status), qPrintable(full));
            QCOMPARE(o.answer, QStringLiteral("!Response Code: ") + texts.value(status));
        } else {
            QCOMPARE(o.answer + QLatin1Char('.'), theirs);
        }
    }

    // nsd serves the parent reverse zone and delegates 3.77.10.in-addr.arpa
    // with glue to a dnsmasq that holds the name.
    void referralFromNsd()
    {
        if (const QString skip = daemonsSkip({QStringLiteral("nsd"), QStringLiteral("dnsmasq"), QStringLiteral("dig")}); !skip.isEmpty())
            QSKIP(qPrintable(skip));
        const QString dir = m_dir.path();
        QFile zone(dir + QStringLiteral("/parent.zone"));
        QVERIFY(zone.open(QIODevice::WriteOnly));
        zone.write("$ORIGIN 77.10.in-addr.arpa.\n$TTL 300\n"
                   "@ IN SOA ns.77.10.in-addr.arpa. admin.example. 1 3600 600 86400 300\n"
                   "@ IN NS ns.77.10.in-addr.arpa.\nns IN A 127.0.0.3\n"
                   "3 IN NS ns.3\nns.3 IN AAAA ::1\nns.3 IN A 127.0.0.4\n");
        zone.close();
        QFile conf(dir + QStringLiteral("/nsd.conf"));
        QVERIFY(conf.open(QIODevice::WriteOnly));
        conf.write(QStringLiteral("server:\n ip-address: 127.0.0.3\n port: 53\n username: \"\"\n chroot: \"\"\n"
                                  " zonesdir: \"%1\"\n database: \"\"\n zonelistfile: \"%1/zone.list\"\n"
                                  " xfrdfile: \"%1/xfrd.state\"\n xfrdir: \"%1\"\n pidfile: \"%1/nsd.pid\"\n"
                                  " logfile: \"%1/nsd.log\"\n server-count: 1\nremote-control:\n control-enable: no\n"
                                  "zone:\n name: 77.10.in-addr.arpa\n zonefile: parent.zone\n")
                       .arg(dir).toUtf8());
        conf.close();
        QVERIFY(m_lab->startDaemon(QStringLiteral("d"), {QStringLiteral("nsd"), QStringLiteral("-d"), QStringLiteral("-c"), conf.fileName()}));
        QVERIFY(m_lab->startDaemon(QStringLiteral("d"),
            {QStringLiteral("dnsmasq"), QStringLiteral("-k"), QStringLiteral("--conf-file=/dev/null"), QStringLiteral("--no-resolv"),
             QStringLiteral("--no-hosts"), QStringLiteral("--bind-interfaces"), QStringLiteral("--listen-address=127.0.0.4"),
             QStringLiteral("--port=53"), QStringLiteral("--ptr-record=2.3.77.10.in-addr.arpa,deep.target.example"),
             QStringLiteral("--pid-file="), QStringLiteral("--user=root")}));
        QVERIFY(waitForServer(QStringLiteral("127.0.0.4"), Target));
        const QString referral = dig(*m_lab, {QStringLiteral("+norecurse"), QStringLiteral("+noall"), QStringLiteral("+authority"),
                                              QStringLiteral("-x"), Target, QStringLiteral("@127.0.0.3")});
        QVERIFY2(referral.contains(QLatin1String("ns.3.77.10.in-addr.arpa.")), qPrintable(referral));
        const QString theirs = dig(*m_lab, {QStringLiteral("+short"), QStringLiteral("-x"), Target, QStringLiteral("@127.0.0.4")});

        OrbDNS dns;
        const Outcome o = lookUp(dns, QStringLiteral("127.0.0.3"), Target);
        QCOMPARE(o.answer + QLatin1Char('.'), theirs);
        QCOMPARE(o.servers.join(QLatin1Char(' ')).toLower(), QStringLiteral("127.0.0.3 ns.3.77.10.in-addr.arpa"));
        dns.setRecursion(false);
        QCOMPARE(lookUp(dns, QStringLiteral("127.0.0.3"), Target).answer, QStringLiteral("!Record Unavailable"));
    }

    void refusedTcpIsAnError()
    {
        test::ClosedLocalPort closed;
        OrbDNS dns;
        dns.setTCP(true);
        const Outcome o = lookUp(dns, QStringLiteral("127.0.0.1:%1").arg(closed.port()), Target);
        QCOMPARE(o.error, QStringLiteral("ERROR: 10061 - Connection refused."));
        QVERIFY(!dns.isBusy());
    }
};

QTEST_GUILESS_MAIN(TestOrbDNS)
#include "tst_orbdns.moc"
