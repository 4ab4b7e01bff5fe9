// A seeded random schedule of clicks, ticks, ping results and router faults
// against the session core. After every step: at most one script runs, an
// idle core holds no options, and every job that started ends exactly once.

#include "tests/session/sessionrig.h"

#include <QRandomGenerator>
#include <QSignalSpy>
#include <QtTest>

using namespace quillon;
using namespace quillon::test;

Q_DECLARE_METATYPE(quillon::ModemStats)

class TestSessionSchedule : public QObject
{
    Q_OBJECT

private slots:
    void randomScheduleKeepsTheInvariants()
    {
        qRegisterMetaType<ModemStats>();
        SessionRig rig({.rebootDownMs = 20, .marginDriftDb = 0});
        QVERIFY(rig.started);
        SessionCore &core = *rig.core;
        core.session.engine().setStallTimeoutMs(60);
        rig.settings.maxFailedPings = QStringLiteral("3");
        rig.settings.settleEnabled = true;
        rig.settings.settleTime = QStringLiteral("1");

        int started = 0;
        int ended = 0;
        int running = 0;
        connect(&core.session, &RouterSession::jobStarted, this, [&] {
            ++started;
            QVERIFY2(++running == 1, "two scripts at once");
        });
        connect(&core.session, &RouterSession::jobEnded, this, [&] {
            ++ended;
            --running;
        });
        QSignalSpy fetchesDone(&core.fetch, &RouterInfoFetch::finished);
        QSignalSpy fetchesFailed(&core.fetch, &RouterInfoFetch::failed);
        QSignalSpy readings(&core.monitor, &MonitoringCycle::readingTaken);
        int fetchesStarted = 0;

        QRandomGenerator random(20261206);
        const QList<sim::SimOptions> faults{
            {},
            {.byteByByte = true},
            {.randomSplits = true},
            {.dropAfterBytes = 300},
            {.errorWithoutMarker = true},
            {.replyDelayMs = 30},
            {.password = QStringLiteral("wrong")},
        };
        const int steps = 10000;
        for (int step = 0; step < steps && !QTest::currentTestFailed(); ++step) {
            switch (random.bounded(9)) {
            case 0:
            case 1:
                rig.second();
                break;
            case 2:
                if (!core.fetch.running() && core.fetch.start() == RouterInfoFetch::StartResult::Started)
                    ++fetchesStarted;
                break;
            case 3:
                rig.internetUp = !rig.internetUp;
                break;
            case 4: {
                const sim::SimOptions &f = faults[random.bounded(int(faults.size()))];
                sim::SimOptions &o = rig.sim.options();
                o.byteByByte = f.byteByByte;
                o.randomSplits = f.randomSplits;
                o.dropAfterBytes = f.dropAfterBytes;
                o.errorWithoutMarker = f.errorWithoutMarker;
                o.replyDelayMs = f.replyDelayMs;
                o.password = f.password;
                break;
            }
            case 5:
                if (random.bounded(20) == 0)
                    core.reboot.start();
                break;
            case 6:
                if (random.bounded(10) != 0)
                    break;
                if (core.monitor.isMonitoring())
                    core.monitor.stop();
                else
                    core.monitor.start();
                break;
            case 7:
                rig.clock.advanceSecs(random.bounded(30));
                if (rig.watchTimer.isActive())
                    core.reboot.watchTick();
                else if (rig.settleTimer.isActive())
                    core.reboot.settleTick();
                break;
            default:
                waitUntil([] { return false; }, random.bounded(5));
                break;
            }
            QVERIFY(running == 0 || running == 1);
            QVERIFY(started - ended == running);
            const bool nothingUnderWay = core.session.isIdle() && core.session.waitingCount() == 0
                && !core.fetch.running() && !core.reboot.active();
            if (nothingUnderWay)
                QVERIFY2(!core.leases.busy(), qPrintable(QStringLiteral("step %1").arg(step)));
        }

        // Calm router, no monitor: everything under way comes to an end.
        rig.sim.options().byteByByte = false;
        rig.sim.options().randomSplits = false;
        rig.sim.options().dropAfterBytes = -1;
        rig.sim.options().errorWithoutMarker = false;
        rig.sim.options().replyDelayMs = 0;
        rig.sim.options().password = QStringLiteral("Gravo");
        core.monitor.stop();
        rig.routerForced.reset();
        QVERIFY(waitUntil([&] {
            rig.clock.advanceSecs(30);
            if (rig.watchTimer.isActive())
                core.reboot.watchTick();
            else if (rig.settleTimer.isActive())
                core.reboot.settleTick();
            return rig.idle();
        }, 30000));
        QCOMPARE(started, ended);
        QCOMPARE(fetchesDone.count() + fetchesFailed.count(), fetchesStarted);
        QVERIFY(fetchesDone.count() > 0);
        QCOMPARE(rig.statsLines().size(), readings.count());
        QVERIFY(readings.count() > 0);
        QVERIFY(rig.dialogs.shown.isEmpty());
        qInfo("%d jobs, %d fetches (%lld completed), %lld readings logged", started, fetchesStarted,
              qlonglong(fetchesDone.count()), qlonglong(readings.count()));
    }
};

QTEST_GUILESS_MAIN(TestSessionSchedule)
#include "tst_sessionschedule.moc"
