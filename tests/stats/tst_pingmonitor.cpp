#include "base/appinfo.h"
#include "stats/core/boottime.h"
#include "stats/core/pingmonitor.h"

#include <QtTest>

using namespace quillon;

namespace {

// Answers pings from a script: one entry per ping, true = answered.
struct ScriptedPing
{
    QList<bool> answers;
    int sent{0};
    QStringList addresses;
    PingFunction function()
    {
        return [this](const QString &address, qint32 &time) {
            addresses.append(address);
            const bool up = sent < answers.size() ? answers.at(sent) : true;
            ++sent;
            time = up ? 20 : 0;
            return up;
        };
    }
};

PingTick nextPing(PingMonitor &m)
{
    for (int i = 0; i < 1000; ++i) {
        const PingTick t = m.tick();
        if (t.pinged)
            return t;
    }
    return {};
}

} // namespace

class TestPingMonitor : public QObject
{
    Q_OBJECT

private slots:
    void pingTickArithmetic()
    {
        ScriptedPing ping;
        PingMonitor m(ping.function());
        QList<int> pingedAt;
        // 0, and what is no number, mean the default: every 16th second.
        for (const char *interval : {"0", "", "abc"}) {
            m.start(QStringLiteral("10.0.0.1"), QString::fromLatin1(interval), QStringLiteral("0"));
            pingedAt.clear();
            for (int tick = 1; tick <= 48; ++tick) {
                if (m.tick().pinged)
                    pingedAt.append(tick);
            }
            QCOMPARE(pingedAt, QList<int>({16, 32, 48}));
        }

        m.start(QStringLiteral("10.0.0.1"), QStringLiteral("300"), QStringLiteral("0"));
        pingedAt.clear();
        for (int tick = 1; tick <= 603; ++tick) {
            const PingTick t = m.tick();
            if (t.pinged)
                pingedAt.append(tick);
            if (tick == 2)
                QCOMPARE(t.countText, QStringLiteral("00:04:59"));
        }
        QCOMPARE(pingedAt, QList<int>({1, 302, 603}));
        QCOMPARE(ping.addresses.last(), QStringLiteral("10.0.0.1"));
    }

    void stateChangesAndStatistics()
    {
        ScriptedPing ping;
        ping.answers = {true, true, false, true};
        PingMonitor m(ping.function());
        m.start(QStringLiteral("10.0.0.1"), QStringLiteral("1"), QStringLiteral("0"));

        PingTick t = m.tick(); // first ping: shows the state, no statistics
        QVERIFY(t.stateShown && !t.startStats);
        QCOMPARE(t.pingLabel, QStringLiteral("UP"));
        QCOMPARE(t.trayTip, appTitle() + QStringLiteral(" - UP"));
        QCOMPARE(t.pingStatsText, QStringLiteral("Ping response: 20 ms, Avg: 10 ms"));
        m.tick();
        t = m.tick(); // second ping, same state
        QVERIFY(t.pinged && !t.stateShown);
        QCOMPARE(t.pingStatsText, QStringLiteral("Ping response: 20 ms, Avg: 15 ms"));
        m.tick();
        t = m.tick();
        QVERIFY(t.stateShown && t.startStats && !t.answered);
        QCOMPARE(t.pingState, QStringLiteral("Down"));
        QCOMPARE(t.trayTip, appTitle() + QStringLiteral(" - DOWN"));
        QCOMPARE(t.pingStatsText, QStringLiteral("Ping response: n/a, Avg: 15 ms"));
        m.tick();
        t = m.tick();
        QVERIFY(t.startStats && t.answered);
        QCOMPARE(m.PingState(), QStringLiteral("Up"));
    }

    void watchdogCountsEveryFailureSinceStart()
    {
        ScriptedPing ping;
        ping.answers = {false, true, false, false, true, false, true, false, false};
        PingMonitor m(ping.function());
        m.start(QStringLiteral("10.0.0.1"), QStringLiteral("1"), QStringLiteral("5"));
        int rebootAt = 0;
        for (int n = 1; n <= 9 && !rebootAt; ++n) {
            if (nextPing(m).reboot)
                rebootAt = n;
        }
        QCOMPARE(rebootAt, 9); // the sixth failure
        QCOMPARE(m.FailedPings(), 0);

        ScriptedPing down;
        down.answers = QList<bool>(50, false);
        PingMonitor never(down.function());
        never.start(QStringLiteral("10.0.0.1"), QStringLiteral("1"), QStringLiteral("0"));
        for (int n = 0; n < 100; ++n)
            QVERIFY(!never.tick().reboot);
    }

    void tickDuringAPingDoesNothing()
    {
        PingMonitor *self = nullptr;
        int nestedPings = 0;
        PingMonitor m([&](const QString &, qint32 &time) {
            nestedPings += self->tick().pinged ? 1 : 0;
            time = 5;
            return true;
        });
        self = &m;
        m.start(QStringLiteral("10.0.0.1"), QStringLiteral("1"), QStringLiteral("0"));
        QVERIFY(m.tick().pinged);
        QVERIFY(!m.tick().pinged);
        QVERIFY(m.tick().pinged);
        QCOMPARE(nestedPings, 0);

        RebootWatch *watch = nullptr;
        int nestedWatch = 0;
        RebootWatch w([&](const QString &, qint32 &) {
            nestedWatch += watch->tick().showIndicator ? 1 : 0;
            return false;
        });
        watch = &w;
        w.start(QStringLiteral("192.168.1.1"), false, QString());
        QVERIFY(w.tick().showIndicator);
        QCOMPARE(nestedWatch, 0);
    }

    void watchNeedsTheRouterToGoDownAndComeBackTwice()
    {
        ScriptedPing ping;
        ping.answers = {true, true, false, false, true, false, true};
        RebootWatch w(ping.function());
        w.start(QStringLiteral("192.168.1.1"), false, QStringLiteral("10"));
        QVERIFY(w.tick().status.isEmpty());            // still up after the command
        QVERIFY(w.tick().status.isEmpty());
        QCOMPARE(w.tick().status, QStringLiteral("Router is rebooting..."));
        QCOMPARE(w.tick().status, QStringLiteral("Router is rebooting..."));
        RebootTick t = w.tick();                       // back once
        QVERIFY(t.routerUp && !t.settleStarted);
        QCOMPARE(w.UpCycles(), 1);
        QCOMPARE(w.tick().status, QStringLiteral("Router is rebooting..."));
        t = w.tick();                                  // back twice
        QVERIFY(t.settleStarted);
        QCOMPARE(t.settleIntervalMs, 5000);
        t = w.tick();                                  // first settle tick: done
        QVERIFY(t.done);
        QCOMPARE(t.status, QStringLiteral("Router has rebooted."));
        QCOMPARE(ping.sent, 7);
        QCOMPARE(w.phase(), RebootWatch::Phase::Done);
    }

    void settleRestartsOnAMiss()
    {
        ScriptedPing ping;
        // Down, back, seven answers, a miss, then answers again.
        ping.answers = QList<bool>{false, true} + QList<bool>(7, true) + QList<bool>{false} + QList<bool>(10, true);
        RebootWatch w(ping.function());
        w.start(QStringLiteral("192.168.1.1"), true, QStringLiteral("10"));
        w.tick();
        RebootTick t = w.tick();
        QVERIFY(t.settleStarted);
        QCOMPARE(t.settleIntervalMs, 1000);
        for (int i = 0; i < 7; ++i)
            QVERIFY(!w.tick().done);
        QCOMPARE(w.SettleCount(), 7);
        QCOMPARE(w.tick().status, QStringLiteral("Router has stopped responding during settle period"));
        QCOMPARE(w.SettleCount(), 0);
        for (int i = 1; i < 10; ++i)
            QCOMPARE(w.tick().status, QStringLiteral("Router has been responding for %1 second(s)").arg(i));
        QVERIFY(w.tick().done);
    }

    void bootTime()
    {
        BootTimeTracker b;
        QVERIFY(!b.BootTime().isValid());
        const QDateTime asked(QDate(2008, 10, 28), QTime(14, 30, 25));
        b.FindBootTime(QStringLiteral("1000.47 968.12"), asked);
        QCOMPARE(b.BootTime(), QDateTime(QDate(2008, 10, 28), QTime(14, 13, 0)));
        QCOMPARE(b.LastUptime(), 1000.47);
        b.FindBootTime(QStringLiteral("1060.47\t5"), asked.addSecs(60));
        QCOMPARE(b.LastUptime(), 1000.47); // same boot minute: unchanged
        QVERIFY(!b.RebootDetected());

        BootTimeTracker r;
        r.FindBootTime(QStringLiteral("5000"), asked);
        r.FindBootTime(QStringLiteral("4950"), asked.addSecs(10));
        QVERIFY(!r.RebootDetected());
        r.FindBootTime(QStringLiteral("30"), asked.addSecs(20));
        QVERIFY(r.RebootDetected());
        QCOMPARE(r.BootTime(), QDateTime(QDate(2008, 10, 28), QTime(14, 30, 0)));

        BootTimeTracker g;
        g.FindBootTime(QStringLiteral("garbage -1e300"), asked);
        QCOMPARE(g.BootTime(), QDateTime(QDate(2008, 10, 28), QTime(14, 30, 0)));
        g.FindBootTime(QStringLiteral("1e300"), asked);
        QVERIFY(g.BootTime().isValid());
    }
};

QTEST_GUILESS_MAIN(TestPingMonitor)
#include "tst_pingmonitor.moc"
