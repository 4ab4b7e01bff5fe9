// The router work without a window: full fetches, monitored readings,
// reboots and their watch, run against the router simulator while timers,
// pings and faults arrive at awkward moments.

#include "base/misc.h"
#include "tests/session/sessionrig.h"

#include <QDir>
#include <QSignalSpy>
#include <QtTest>

using namespace quillon;
using namespace quillon::test;

Q_DECLARE_METATYPE(quillon::JobKind)
Q_DECLARE_METATYPE(quillon::ModemStats)

namespace {

enum class Event { PingChange, ReadingDue, WatchdogReboot };

// Whatever happens, the core ends where the next reading can be taken and logged.
void verifyNextReadingIsLogged(SessionRig &rig)
{
    QVERIFY(rig.waitIdle());
    const qsizetype before = rig.statsLines().size();
    rig.statsDue();
    QVERIFY(rig.waitIdle());
    QCOMPARE(rig.statsLines().size(), before + 1);
}

} // namespace

class TestSessionCore : public QObject
{
    Q_OBJECT

private slots:
    void initTestCase() { qRegisterMetaType<ModemStats>(); }
    void lineHistoryFollowsTheRouter();
    void damagedHistoryLeavesMonitoringGoing();

    void fullFetchMeetsMonitoringEvents_data()
    {
        QTest::addColumn<JobKind>("stage");
        QTest::addColumn<int>("event");
        const QList<std::pair<const char *, JobKind>> stages{
            {"version", JobKind::Version}, {"bits", JobKind::Bits}, {"stats", JobKind::Stats}};
        for (const auto &[name, kind] : stages) {
            QTest::addRow("ping change during %s", name) << kind << int(Event::PingChange);
            QTest::addRow("reading due during %s", name) << kind << int(Event::ReadingDue);
            QTest::addRow("watchdog reboot during %s", name) << kind << int(Event::WatchdogReboot);
        }
    }

    // A full fetch started while monitoring runs to its end whatever the
    // monitor asks for meanwhile, and the monitor's reading is logged once.
    void fullFetchMeetsMonitoringEvents()
    {
        QFETCH(JobKind, stage);
        QFETCH(int, event);
        SessionRig rig;
        QVERIFY2(rig.started, qPrintable(rig.sim.errorString()));
        SessionCore &core = *rig.core;
        rig.settings.statsEnabled = event == int(Event::ReadingDue);
        rig.settings.settleEnabled = true;
        rig.settings.maxFailedPings = QStringLiteral("1");
        core.monitor.start();
        rig.second(); // the first ping shows the state and reads nothing
        QCOMPARE(core.monitor.pinger().PingState(), QStringLiteral("Up"));

        QSignalSpy finished(&core.fetch, &RouterInfoFetch::finished);
        QSignalSpy failed(&core.fetch, &RouterInfoFetch::failed);
        bool fired = false;
        connect(&core.session, &RouterSession::jobStarted, this, [&](JobKind kind) {
            if (kind != stage || fired || !core.fetch.running())
                return;
            fired = true;
            switch (Event(event)) {
            case Event::PingChange:
                rig.internetUp = false;
                core.monitor.pingTick();
                core.monitor.pingTick();
                break;
            case Event::ReadingDue:
                rig.statsDue();
                break;
            case Event::WatchdogReboot:
                rig.internetUp = false;
                for (int i = 0; i < 4 && !core.reboot.active(); ++i)
                    core.monitor.pingTick();
                break;
            }
        });
        QCOMPARE(core.fetch.start(), RouterInfoFetch::StartResult::Started);
        if (event == int(Event::WatchdogReboot)) {
            QVERIFY(waitUntil([&] { return core.reboot.active() && rig.sim.isRebooting(); }));
            QVERIFY(rig.rideOutReboot());
        }
        QVERIFY(rig.waitIdle());
        QVERIFY(fired);
        QCOMPARE(finished.count(), 1);
        QCOMPARE(failed.count(), 0);
        QCOMPARE(core.fetch.reportLines().value(1).left(11), QStringLiteral("Last boot: "));

        // The change the watchdog saw is read once the router is back.
        const QStringList lines = rig.statsLines();
        QCOMPARE(lines.size(), 1);
        QCOMPARE(lines[0].endsWith(QLatin1String(", Changed")), event != int(Event::ReadingDue));
        QVERIFY(rig.pingTimer.isActive());
        rig.internetUp = true;
        rig.settings.statsEnabled = true;
        core.monitor.stop();
        core.monitor.start();
        verifyNextReadingIsLogged(rig);
        QVERIFY(rig.dialogs.shown.isEmpty());
    }

    // The watchdog's reboot waits for the running reading, which is logged.
    void watchdogRebootWaitsForARunningReading()
    {
        SessionRig rig;
        QVERIFY(rig.started);
        SessionCore &core = *rig.core;
        rig.settings.maxFailedPings = QStringLiteral("1");
        rig.settings.settleEnabled = true;
        core.monitor.start();
        rig.second();
        QList<JobKind> order;
        connect(&core.session, &RouterSession::jobStarted, this, [&](JobKind kind) { order << kind; });
        rig.statsDue();
        QCOMPARE(core.session.currentKind(), JobKind::Stats);
        rig.internetUp = false;
        for (int i = 0; i < 10 && !core.reboot.active(); ++i)
            core.monitor.pingTick();
        QVERIFY(core.reboot.active());
        QCOMPARE(core.session.currentKind(), JobKind::Stats);
        QVERIFY(rig.rideOutReboot());
        QCOMPARE(order.mid(0, 2), (QList<JobKind>{JobKind::Stats, JobKind::Reboot}));
        QVERIFY(rig.waitIdle());
        // The change seen while the first reading ran was read after the reboot.
        QCOMPARE(rig.statsLines().size(), 2);
        QVERIFY(rig.statsLines().last().endsWith(QLatin1String("Down, 3, Changed")));
        rig.internetUp = true;
        verifyNextReadingIsLogged(rig);
    }

    // A change and a due reading in the same second make one reading, marked.
    void twoTimersDueInTheSameTick()
    {
        SessionRig rig;
        QVERIFY(rig.started);
        SessionCore &core = *rig.core;
        core.monitor.start();
        rig.second();
        rig.internetUp = false;
        core.monitor.pingTick();
        QVERIFY(core.session.isIdle());
        // Engine busy with a fetch, so both requests have to wait.
        QCOMPARE(core.fetch.start(), RouterInfoFetch::StartResult::Started);
        core.monitor.pingTick();
        rig.statsDue();
        QCOMPARE(core.session.waitingCount(), 1);
        QVERIFY(rig.waitIdle());
        QCOMPARE(rig.statsLines().size(), 1);
        QVERIFY(rig.statsLines()[0].endsWith(QLatin1String(", Changed")));
    }

    void failedReadingsLeaveMonitoringGoing_data()
    {
        QTest::addColumn<sim::SimOptions>("options");
        QTest::addColumn<int>("reason");
        QTest::newRow("refused login") << sim::SimOptions{.password = QStringLiteral("other")}
                                       << int(JobFailure::Reason::LoginFailed);
        QTest::newRow("stalled router") << sim::SimOptions{.errorWithoutMarker = true}
                                        << int(JobFailure::Reason::ScriptFailed);
        QTest::newRow("dropped line") << sim::SimOptions{.dropAfterBytes = 100} << int(JobFailure::Reason::ScriptFailed);
    }

    void failedReadingsLeaveMonitoringGoing()
    {
        QFETCH(sim::SimOptions, options);
        QFETCH(int, reason);
        SessionRig rig(options);
        QVERIFY(rig.started);
        SessionCore &core = *rig.core;
        QSignalSpy failed(&core.monitor, &MonitoringCycle::readingFailed);
        core.monitor.start();
        rig.statsDue();
        QVERIFY(rig.waitIdle());
        QCOMPARE(failed.count(), 1);
        QCOMPARE(int(failed.at(0).at(0).value<JobFailure>().reason), reason);
        QVERIFY(rig.statsLines().isEmpty());
        QVERIFY(rig.dialogs.shown.isEmpty());

        rig.sim.options() = sim::SimOptions{};
        verifyNextReadingIsLogged(rig);
        QVERIFY(core.monitor.isMonitoring());
    }

    // A reboot whose login fails ends there: nothing stays held, and the
    // monitor goes on pinging and reading.
    void rebootWithAWrongPasswordEnds()
    {
        SessionRig rig({.password = QStringLiteral("other")});
        QVERIFY(rig.started);
        SessionCore &core = *rig.core;
        QSignalSpy ended(&core.reboot, &RouterReboot::finished);
        core.monitor.start();
        core.reboot.start();
        QVERIFY(!rig.pingTimer.isActive());
        QVERIFY(rig.waitIdle());
        QCOMPARE(ended.count(), 1);
        QCOMPARE(ended.at(0).at(0).toBool(), false);
        QVERIFY(!rig.watchTimer.isActive() && !rig.settleTimer.isActive());
        QVERIFY(rig.pingTimer.isActive());
        QVERIFY(!core.session.held());
        rig.sim.options().password = QStringLiteral("Gravo");
        verifyNextReadingIsLogged(rig);
    }

    void rebootWatchGivesUp_data()
    {
        QTest::addColumn<bool>("routerGoesDown");
        QTest::addColumn<QString>("status");
        QTest::newRow("router never restarts")
            << false << QStringLiteral("The router did not restart after the reboot command, so the reboot watch was stopped.");
        QTest::newRow("router never comes back")
            << true << QStringLiteral("The router has not come back since its reboot, so the reboot watch was stopped.");
    }

    void rebootWatchGivesUp()
    {
        QFETCH(bool, routerGoesDown);
        QFETCH(QString, status);
        SessionRig rig;
        QVERIFY(rig.started);
        SessionCore &core = *rig.core;
        QSignalSpy statuses(&core.reboot, &RouterReboot::statusChanged);
        QSignalSpy routerBack(&rig.sim, &sim::RouterSim::rebootFinished);
        core.monitor.start();
        core.reboot.start();
        QVERIFY(waitUntil([&] { return core.session.isIdle(); }));
        rig.routerForced = !routerGoesDown;
        const qint64 limit = core.reboot.watchLimitSecs();
        QVERIFY(limit >= 300 && limit <= 3600);
        for (qint64 s = 0; s < limit && core.reboot.active(); s += 10) {
            rig.clock.advanceSecs(10);
            core.reboot.watchTick();
        }
        QVERIFY(!core.reboot.active());
        QCOMPARE(statuses.last().at(0).toString(), status);
        QVERIFY(rig.dir.read(QStringLiteral("ErrorLog.txt")).contains(status.toLatin1()));
        QVERIFY(rig.dialogs.shown.isEmpty());
        QVERIFY(rig.pingTimer.isActive());
        rig.routerForced.reset();
        QVERIFY(routerBack.count() == 1 || routerBack.wait());
        verifyNextReadingIsLogged(rig);
    }

    void statisticsIntervalIsAtLeastAMinute_data()
    {
        QTest::addColumn<QString>("minutes");
        QTest::addColumn<int>("seconds");
        QTest::newRow("empty") << "" << 60;
        QTest::newRow("zero") << "0" << 60;
        QTest::newRow("letters") << "abc" << 60;
        QTest::newRow("half") << "0.5" << 60;
        QTest::newRow("negative") << "-5" << 60;
        QTest::newRow("huge") << "1e300" << 7 * 24 * 3600;
        QTest::newRow("two") << "2" << 120;
    }

    void statisticsIntervalIsAtLeastAMinute()
    {
        QFETCH(QString, minutes);
        QFETCH(int, seconds);
        QCOMPARE(MonitoringCycle::StatsIntervalSecsFor(minutes), seconds);
    }

    // Unattended logging: a log that cannot be written is noted in the error
    // log without a box, once an hour per file, and readings go on.
    void logWriteFailuresAreRecordedQuietly()
    {
        SessionRig rig;
        QVERIFY(rig.started);
        SessionCore &core = *rig.core;
        QVERIFY(QDir(rig.dir.path()).mkdir(QStringLiteral("stats.txt")));
        QSignalSpy taken(&core.monitor, &MonitoringCycle::readingTaken);
        core.monitor.start();
        const auto reading = [&] {
            rig.statsDue();
            QVERIFY(rig.waitIdle());
        };
        reading();
        reading();
        QCOMPARE(taken.count(), 2);
        const auto records = [&] { return rig.dir.read(QStringLiteral("ErrorLog.txt")).count("stats.txt"); };
        QCOMPARE(records(), 1);
        rig.clock.advanceSecs(3600);
        reading();
        QCOMPARE(records(), 2);
        QCOMPARE(rig.crlfLines(rig.dir.read(QStringLiteral("stats.csv"))).size(), 3);
        QVERIFY(rig.dialogs.shown.isEmpty());
    }
};

// Readings of the monitor and of the full fetch reach the line history with
// their counts, and what happened to the line shows as events.
void TestSessionCore::lineHistoryFollowsTheRouter()
{
    SessionRig rig;
    QVERIFY(rig.started);
    SessionCore &core = *rig.core;
    core.monitor.start();
    rig.second();
    const auto reading = [&] {
        rig.sim.advanceTime(600);
        rig.statsDue();
        QVERIFY(rig.waitIdle());
    };
    reading();
    reading();
    rig.sim.resync();
    rig.sim.advanceTime(5);
    reading();
    rig.sim.reboot();
    QVERIFY(waitUntil([&] { return !rig.sim.isRebooting(); }));
    reading();
    core.monitor.stop();
    QCOMPARE(core.fetch.start(), RouterInfoFetch::StartResult::Started);
    QVERIFY(rig.waitIdle(20000));

    HistoryStore &store = core.history.store();
    const HistorySeries s = store.query(0, std::numeric_limits<qint64>::max(), 0);
    // The full fetch's reading is kept too, though it is not logged.
    QCOMPARE(rig.statsLines().size(), 4);
    QCOMPARE(s.buckets.size(), 5);
    // The first reading has nothing to count from; later ones count errors.
    QCOMPARE(s.buckets[0].count(HistoryCount::DsFec), -1);
    for (int i = 1; i < 5; ++i)
        QVERIFY2(s.buckets[i].count(HistoryCount::DsFec) >= 0, qPrintable(QString::number(i)));
    QCOMPARE(s.buckets[0].count(HistoryCount::PingsSent), 1);
    QList<HistoryEventKind> kinds;
    for (const HistoryEvent &e : s.events)
        kinds << e.kind;
    QCOMPARE(kinds, (QList<HistoryEventKind>{HistoryEventKind::Resync, HistoryEventKind::RouterRestarted}));
    QCOMPARE(core.history.problem(), QString());
}

// A history file that cannot be used stops neither the monitor nor the text logs.
void TestSessionCore::damagedHistoryLeavesMonitoringGoing()
{
    SessionRig rig;
    QVERIFY(rig.started);
    rig.dir.write(QStringLiteral("history.db"), QByteArray(4096, '\x07'));
    QSignalSpy problems(&rig.core->history, &HistoryRecorder::problemChanged);
    rig.core->monitor.start();
    rig.second();
    verifyNextReadingIsLogged(rig);
    verifyNextReadingIsLogged(rig);
    QCOMPARE(problems.size(), 1);
    QVERIFY(rig.core->history.problem().contains(QLatin1String("was damaged")));
    QCOMPARE(rig.core->history.store().readingCount(), rig.statsLines().size());
}

QTEST_GUILESS_MAIN(TestSessionCore)
#include "tst_sessioncore.moc"
