#include "netdiag/core/traceroute.h"

#include "tests/support/netlab.h"

#include <QRegularExpression>
#include <QSignalSpy>
#include <QtTest>

using namespace quillon;

Q_DECLARE_METATYPE(quillon::PingReply)
Q_DECLARE_METATYPE(quillon::ProbeAnswer)

namespace {

struct Finished
{
    TraceOutcome outcome{TraceOutcome::Failed};
    QString text;
    bool done{false};
};

Finished runTrace(TraceRoute &t, const TraceOptions &options, const TraceHooks &hooks = {}, int ms = 30000)
{
    Finished f;
    const auto c = QObject::connect(&t, &TraceRoute::finished, &t, [&f](TraceOutcome o, const QString &text) {
        f = {o, text, true};
    });
    t.start(options, hooks);
    QElapsedTimer waited;
    waited.start();
    while (!f.done && waited.elapsed() < ms)
        QTest::qWait(10);
    QObject::disconnect(c);
    return f;
}

QStringList hopList(const TraceRoute &t)
{
    QStringList hops;
    for (const RouteNode &n : t.RouteNodes())
        hops << (n.TimedOut ? QStringLiteral("*") : n.Address);
    return hops;
}

// Lines "N  address ..." or "N  *" of traceroute, "N.|-- address" or "???" of mtr.
QStringList peerHops(const QString &output, const QRegularExpression &line)
{
    QStringList hops;
    for (const QString &l : output.split(QLatin1Char('\n'))) {
        const auto m = line.match(l);
        if (m.hasMatch())
            hops << (m.captured(1) == QLatin1String("???") ? QStringLiteral("*") : m.captured(1));
    }
    return hops;
}

// Answers each probe from a script per time-to-live, one outcome per probe
// in order; TimedOut is no answer.
using Script = QMap<int, QList<PingReply>>;

struct Scripted
{
    Script script;
    bool canOpen{true};
    bool canSend{true};
    QList<int> ttls;
    QList<QByteArray> payloads;
    QList<quint32> destinations;
    QList<ProbeAnswer> queued;
    TraceHooks hooks()
    {
        TraceHooks h;
        h.open = [this] { return canOpen; };
        h.send = [this](quint32 d, int ttl, quint16 seq, const QByteArray &p) {
            ttls << ttl;
            payloads << p;
            destinations << d;
            const PingReply r = script[ttl].isEmpty() ? PingReply{} : script[ttl].takeFirst();
            if (r.status != PingStatus::TimedOut)
                queued.append({seq, r.status, r.from, r.rttMicros});
            return canSend;
        };
        h.receive = [this](int) { return std::exchange(queued, {}); };
        h.resolveTarget = [](const QString &) { return QString(); };
        return h;
    }
};

PingReply hop(PingStatus s, qint32 ms, const char *from)
{
    return {s, ms, qint64(ms) * 1000, QString::fromLatin1(from)};
}

} // namespace

class TestTraceRoute : public QObject
{
    Q_OBJECT

    std::unique_ptr<test::NetLab> m_lab;
    QString m_skip;

private slots:
    void initTestCase()
    {
        m_skip = test::NetLab::unavailableReason();
        const QString missing = test::NetLab::missingProgram({QStringLiteral("traceroute"), QStringLiteral("mtr")});
        if (m_skip.isEmpty() && !missing.isEmpty())
            m_skip = missing + QStringLiteral(" is not installed");
        if (!m_skip.isEmpty())
            return;
        // client - r1 - r2 (silent) - r3 (refuses 10.77.9.0/24) - r4 - target
        m_lab = std::make_unique<test::NetLab>();
        if (!m_lab->script(QStringLiteral("chain"), {QStringLiteral("5"), QStringLiteral("2")})
            || !m_lab->script(QStringLiteral("unreachable"), {QStringLiteral("3"), QStringLiteral("10.77.9.0/24")}))
            m_skip = QStringLiteral("the namespaces of the lab could not be set up");
    }

    void cleanupTestCase() { m_lab.reset(); }

    void sameHopsAsTracerouteAndMtr_data()
    {
        QTest::addColumn<QString>("target");
        QTest::addColumn<QStringList>("expected");
        const QString r1 = QStringLiteral("10.77.1.2");
        const QString star = QStringLiteral("*");
        QTest::newRow("through a silent router to the end")
            << QStringLiteral("10.77.5.2") << QStringList{r1, star, QStringLiteral("10.77.3.2"), QStringLiteral("10.77.4.2"), QStringLiteral("10.77.5.2")};
        QTest::newRow("a router's own address")
            << QStringLiteral("10.77.4.2") << QStringList{r1, star, QStringLiteral("10.77.3.2"), QStringLiteral("10.77.4.2")};
        // r3 refuses to forward: the Time Exceeded of hop 3, then its Destination Unreachable.
        QTest::newRow("r3 refuses the route")
            << QStringLiteral("10.77.9.9") << QStringList{r1, star, QStringLiteral("10.77.3.2"), QStringLiteral("10.77.3.2")};
    }

    void sameHopsAsTracerouteAndMtr()
    {
        QFETCH(QString, target);
        QFETCH(QStringList, expected);
        if (!m_skip.isEmpty())
            QSKIP(qPrintable(m_skip));
        const QString traceroute = m_lab->exec(QStringLiteral("c"), {QStringLiteral("traceroute"), QStringLiteral("-I"),
                                                                     QStringLiteral("-n"), QStringLiteral("-q"), QStringLiteral("1"), target});
        const QString mtr = m_lab->exec(QStringLiteral("c"), {QStringLiteral("mtr"), QStringLiteral("-n"), QStringLiteral("--report"),
                                                              QStringLiteral("-c"), QStringLiteral("1"), target});
        QStringList theirs = peerHops(traceroute, QRegularExpression(QStringLiteral("^\\s*\\d+\\s+(\\S+)")));
        QVERIFY2(theirs == expected, qPrintable(traceroute));
        QStringList mtrHops = peerHops(mtr, QRegularExpression(QStringLiteral("^\\s*\\d+\\.\\|--\\s+(\\S+)")));
        // mtr goes on probing past an unreachable network, showing the
        // router that refuses (or nothing) for every further hop.
        while (mtrHops.size() > expected.size()
               && (mtrHops.constLast() == QLatin1String("*") || mtrHops.constLast() == expected.constLast()))
            mtrHops.removeLast();
        QVERIFY2(mtrHops == expected, qPrintable(mtr));

        QVERIFY(m_lab->enter(QStringLiteral("c")));
        TraceRoute t;
        TraceOptions o;
        o.target = target;
        o.probeTimeoutMs = 300;
        const Finished f = runTrace(t, o);
        m_lab->leave();
        QCOMPARE(f.outcome, TraceOutcome::Complete);
        QCOMPARE(hopList(t), expected);
        QVERIFY(f.text.startsWith(QStringLiteral("Tracing route to ") + target + QStringLiteral(":\r\n\r\n1\t<10 ms\t10.77.1.2\r\n2\t*\tRequest timed out.\r\n")));
        QVERIFY(f.text.endsWith(QStringLiteral("\r\n\r\nTrace route complete")));
    }

    void scriptedHops_data()
    {
        using S = PingStatus;
        const PingReply none{};
        QTest::addColumn<QString>("target");
        QTest::addColumn<QString>("size");
        QTest::addColumn<int>("maxHops");
        QTest::addColumn<Script>("script");
        QTest::addColumn<QString>("lines");
        QTest::addColumn<int>("payload");
        QTest::newRow("times, destination by its number")
            << QStringLiteral("010.0.0.3") << QStringLiteral("10") << 30
            << Script{{1, {hop(S::TimeExceeded, 5, "192.168.1.1")}}, {2, {hop(S::TimeExceeded, 1200, "10.1.2.3")}},
                      {3, {hop(S::TimeExceeded, 1201, "10.0.0.3")}}, {4, {hop(S::TimeExceeded, 1, "10.9.9.9")}}}
            << QStringLiteral("1\t<10 ms\t192.168.1.1|2\t1200 ms\t10.1.2.3|3\t*\t10.0.0.3") << 32;
        QTest::newRow("three unanswered probes, then the echo reply")
            << QStringLiteral("10.0.0.9") << QStringLiteral("500") << 30
            << Script{{1, {hop(S::TimeExceeded, 10, "10.0.0.1")}}, {2, {none, none, none, hop(S::TimeExceeded, 1, "10.0.0.2")}},
                      {3, {none, hop(S::Success, 12, "10.0.0.9")}}}
            << QStringLiteral("1\t10 ms\t10.0.0.1|2\t*\tRequest timed out.|3\t12 ms\t10.0.0.9") << 128;
        QTest::newRow("answer on the second probe; unreachable ends the trace")
            << QStringLiteral("10.0.0.9") << QStringLiteral("1e300") << 30
            << Script{{1, {none, hop(S::TimeExceeded, 3, "10.0.0.1")}}, {2, {hop(S::Unreachable, 4, "10.0.0.2")}},
                      {3, {hop(S::Success, 4, "10.0.0.9")}}}
            << QStringLiteral("1\t<10 ms\t10.0.0.1|2\t<10 ms\t10.0.0.2") << 128;
        QTest::newRow("hop limit")
            << QStringLiteral("10.0.0.9") << QStringLiteral("-4") << 2
            << Script{{1, {hop(S::TimeExceeded, 3, "10.0.0.1")}}, {2, {hop(S::TimeExceeded, 3, "10.0.0.2")}},
                      {3, {hop(S::TimeExceeded, 3, "10.0.0.3")}}}
            << QStringLiteral("1\t<10 ms\t10.0.0.1|2\t<10 ms\t10.0.0.2") << 32;
    }

    void scriptedHops()
    {
        QFETCH(QString, target);
        QFETCH(QString, size);
        QFETCH(int, maxHops);
        QFETCH(Script, script);
        QFETCH(QString, lines);
        QFETCH(int, payload);
        Scripted s;
        s.script = script;
        TraceRoute t;
        TraceOptions o;
        o.target = target;
        o.packetSize = size;
        o.maxHops = maxHops;
        o.probeTimeoutMs = 50;
        QSignalSpy hops(&t, &TraceRoute::hopRecorded);
        const Finished f = runTrace(t, o, s.hooks());
        QCOMPARE(f.outcome, TraceOutcome::Complete);
        QCOMPARE(f.text, QStringLiteral("Tracing route to ") + target + QStringLiteral(":\r\n\r\n")
                             + QString(lines).replace(QLatin1Char('|'), QStringLiteral("\r\n"))
                             + QStringLiteral("\r\n\r\nTrace route complete"));
        QCOMPARE(hops.size(), lines.count(QLatin1Char('|')) + 1);
        QVERIFY(!s.ttls.isEmpty());
        QVERIFY(*std::max_element(s.ttls.begin(), s.ttls.end()) <= maxHops);
        for (int i = 0; i < s.ttls.size(); ++i) {
            QCOMPARE(s.destinations[i], *DottedToAddress(target));
            QCOMPARE(s.payloads[i].size(), payload);
        }
        QCOMPARE(s.ttls.count(2), lines.contains(QLatin1String("Request timed out.")) ? 3 : 1);
    }

    void endsEarly_data()
    {
        QTest::addColumn<QString>("target");
        QTest::addColumn<int>("outcome");
        QTest::addColumn<QString>("message");
        QTest::addColumn<int>("probes");
        const int failed = int(TraceOutcome::Failed);
        QTest::newRow("empty") << QString() << failed << QStringLiteral("Please enter the address to trace the route to.") << 0;
        QTest::newRow("out of range") << QStringLiteral("999.1.1.1") << failed
                                      << QStringLiteral("Unable to find the address of 999.1.1.1.") << 0;
        QTest::newRow("unknown name") << QStringLiteral("no.such.host") << failed
                                      << QStringLiteral("Unable to find the address of no.such.host.") << 0;
        QTest::newRow("no ICMP socket") << QStringLiteral("10.0.0.1") << failed << QStringLiteral("Unable to Open an Icmp File Handle") << 0;
        QTest::newRow("send refused") << QStringLiteral("10.0.0.2") << failed << QStringLiteral("Unable to send to 10.0.0.2.") << 1;
        QTest::newRow("aborted in the hop loop") << QStringLiteral("10.0.0.1") << int(TraceOutcome::Aborted) << QString() << 2;
    }

    void endsEarly()
    {
        QFETCH(QString, target);
        QFETCH(int, outcome);
        QFETCH(QString, message);
        QFETCH(int, probes);
        Scripted s;
        s.canOpen = !message.contains(QLatin1String("Icmp"));
        s.canSend = !message.contains(QLatin1String("send"));
        TraceHooks hooks = s.hooks();
        hooks.abortRequested = [&s] { return s.ttls.size() >= 2; };
        TraceRoute t;
        TraceOptions o;
        o.target = target;
        o.probeWindow = 1;
        const Finished f = runTrace(t, o, hooks);
        QCOMPARE(int(f.outcome), outcome);
        QCOMPARE(f.text, message);
        QCOMPARE(s.ttls.size(), probes);
        QVERIFY(!t.isRunning());
    }

    // The system's resolver names loopback from the hosts file, so this
    // asks no server anywhere.
    void standardLookup()
    {
        if (Ping({QStringLiteral("127.0.0.1"), 500, {}, 0}).status == PingStatus::NoSocket)
            QSKIP("no ICMP socket can be opened here");
        TraceRoute t;
        TraceOptions o;
        o.target = QStringLiteral("127.0.0.1");
        o.resolve = true;
        o.standardDns = true;
        const Finished f = runTrace(t, o);
        QCOMPARE(f.text, QStringLiteral("Tracing route to 127.0.0.1:\r\n\r\n1\t<10 ms\tlocalhost [127.0.0.1]\r\n\r\nTrace route complete"));
    }
};

QTEST_GUILESS_MAIN(TestTraceRoute)
#include "tst_traceroute.moc"
