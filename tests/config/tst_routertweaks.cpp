// The threshold and feature words and the system log against the router
// simulator: read by every full fetch, written and judged by reading back,
// and the log fetched, saved and only then cleared.

#include "config/core/systemlog.h"
#include "tests/session/sessionrig.h"

#include <QDir>
#include <QSignalSpy>
#include <QtTest>

using namespace quillon;
using namespace quillon::test;

Q_DECLARE_METATYPE(quillon::sim::SimOptions)
Q_DECLARE_METATYPE(quillon::JobKind)

namespace {

sim::SimOptions options(const char *profile, bool envApplets = true, const char *prompt = "/var # ")
{
    sim::SimOptions o{.profile = QString::fromLatin1(profile), .prompt = QString::fromLatin1(prompt),
                      .rebootDownMs = 200, .marginDriftDb = 0};
    o.envApplets = envApplets;
    return o;
}

bool fetchAll(SessionRig &rig)
{
    QSignalSpy finished(&rig.core->fetch, &RouterInfoFetch::finished);
    return rig.core->fetch.start() == RouterInfoFetch::StartResult::Started && rig.waitIdle() && finished.count() == 1;
}

} // namespace

class TestRouterTweaks : public QObject
{
    Q_OBJECT

private slots:
    void initTestCase()
    {
        qRegisterMetaType<ThresholdReading>();
        qRegisterMetaType<JobFailure>();
    }

    void fullFetchReadsThreshold_data()
    {
        QTest::addColumn<sim::SimOptions>("sim");
        QTest::addColumn<bool>("compat");
        QTest::addColumn<QString>("info");
        QTest::addColumn<bool>("wordsRead");
        QTest::newRow("getenv") << options("adsl") << false << "3 dB" << false;
        QTest::newRow("getenv, words") << options("adsl2plus") << false << "not set" << true;
        sim::SimOptions query = options("adsl2plus", true, "# ");
        query.terminalQuery = true;
        QTest::newRow("environment file, words, cursor query") << query << true << "not set" << true;
        // grep also passes "margin_threshold_old": only the exact name counts.
        QTest::newRow("environment file, longer name") << options("adsl") << true << "0 dB" << false;
        QTest::newRow("no getenv") << options("adsl2plus", false) << false << "unknown" << false;
    }

    void fullFetchReadsThreshold()
    {
        QFETCH(sim::SimOptions, sim);
        QFETCH(bool, compat);
        QFETCH(QString, info);
        QFETCH(bool, wordsRead);
        SessionRig rig(sim);
        QVERIFY(rig.started);
        rig.settings.useLongCommands = compat;
        SessionCore &core = *rig.core;
        if (QByteArray(QTest::currentDataTag()).contains("longer")) {
            rig.sim.unsetEnv(QStringLiteral("margin_threshold"));
            rig.sim.setEnv(QStringLiteral("margin_threshold_old"), QStringLiteral("30"));
        }
        qsizetype threshold = -1;
        connect(&core.tweaks, &RouterTweaks::thresholdRead, this,
                [&](const ThresholdReading &, bool inFetch) { threshold = inFetch ? core.fetch.reportLines().size() : -2; });
        QVERIFY(fetchAll(rig));
        const QStringList report = core.fetch.reportLines();
        // After the statistics block, before the gap analysis.
        QVERIFY(threshold > 2);
        QCOMPARE(report[threshold - 1], QStringLiteral("SNR Margin Threshold: ") + info);
        QVERIFY(report.size() <= threshold + 1);
        QVERIFY(report.indexOf(QRegularExpression(QStringLiteral("^Last boot: "))) < threshold - 1);
        for (size_t i = 0; i < 3; ++i)
            QCOMPARE(core.line.featureWords[i].has_value(), wordsRead);
        if (wordsRead)
            QCOMPARE(core.line.featureWords[0], std::optional<quint32>(0x4000));
    }

    // The reply is read in the mode its script was built with.
    void modeIsTakenWhenTheScriptIsBuilt()
    {
        SessionRig rig(options("adsl2plus"));
        QVERIFY(rig.started);
        connect(&rig.core->session, &RouterSession::jobStarted, this, [&](JobKind kind) {
            if (kind == JobKind::ThresholdRead)
                rig.settings.useLongCommands = !rig.settings.useLongCommands;
        });
        QVERIFY(fetchAll(rig));
        QCOMPARE(rig.core->line.featureWords[2], std::optional<quint32>(0x400));
        QCOMPARE(rig.core->line.threshold.retrainValue(), std::optional<int>(0));
    }

    void thresholdWrite_data()
    {
        QTest::addColumn<sim::SimOptions>("sim");
        QTest::addColumn<bool>("compat");
        QTest::addColumn<bool>("clear");
        QTest::addColumn<QString>("retrainAfter");
        QTest::addColumn<QString>("thresholdAfter");
        QTest::addColumn<bool>("ok");
        QTest::newRow("set, environment file") << options("adsl2plus") << true << false << "1" << "13" << true;
        QTest::newRow("clear, environment file") << options("adsl") << true << true << "0" << "0" << true;
    }

    void thresholdWrite()
    {
        QFETCH(sim::SimOptions, sim);
        QFETCH(bool, compat);
        QFETCH(bool, clear);
        QFETCH(QString, retrainAfter);
        QFETCH(QString, thresholdAfter);
        QFETCH(bool, ok);
        SessionRig rig(sim);
        QVERIFY(rig.started);
        rig.settings.useLongCommands = compat;
        RouterTweaks &tweaks = rig.core->tweaks;
        QSignalSpy written(&tweaks, &RouterTweaks::thresholdWritten);
        QList<JobKind> order;
        connect(&rig.core->session, &RouterSession::jobStarted, this, [&](JobKind kind) { order << kind; });
        QCOMPARE(tweaks.writeThreshold(clear, 13), RouterTweaks::WriteStart::Started);
        QVERIFY(rig.core->leases.busy());
        QCOMPARE(tweaks.writeThreshold(clear, 13), RouterTweaks::WriteStart::Busy);
        QVERIFY(rig.waitIdle());
        QCOMPARE(order, (QList<JobKind>{JobKind::ThresholdWrite, JobKind::ThresholdRead}));
        QCOMPARE(written.count(), 1);
        QCOMPARE(written[0][0].toBool(), ok);
        QCOMPARE(written[0][1].toBool(), clear);
        QVERIFY(!tweaks.checking());
        QCOMPARE(rig.sim.env(QStringLiteral("enable_margin_retrain")), retrainAfter);
        QCOMPARE(rig.sim.env(QStringLiteral("margin_threshold")), thresholdAfter);
    }

    // A write that fails leaves nothing behind that the next full fetch
    // would mistake for a read-back to judge.
    void failedWriteLeavesTheNextFetchAlone()
    {
        SessionRig rig(options("adsl"));
        QVERIFY(rig.started);
        RouterTweaks &tweaks = rig.core->tweaks;
        QSignalSpy failed(&tweaks, &RouterTweaks::writeFailed);
        QSignalSpy written(&tweaks, &RouterTweaks::thresholdWritten);
        rig.settings.login.password = QStringLiteral("wrong");
        QCOMPARE(tweaks.writeThreshold(false, 13), RouterTweaks::WriteStart::Started);
        QVERIFY(rig.waitIdle());
        QCOMPARE(failed.count(), 1);
        QCOMPARE(failed[0][0].value<JobFailure>().reason, JobFailure::Reason::LoginFailed);
        QVERIFY(!tweaks.checking());
        rig.settings.login.password = QStringLiteral("Gravo");
        QSignalSpy read(&tweaks, &RouterTweaks::thresholdRead);
        QVERIFY(fetchAll(rig));
        QCOMPARE(read.count(), 1);
        QCOMPARE(written.count(), 0);
        QCOMPARE(rig.sim.env(QStringLiteral("margin_threshold")), QStringLiteral("6"));
    }

    void featureWrite()
    {
        SessionRig rig(options("adsl2plus"));
        QVERIFY(rig.started);
        RouterTweaks &tweaks = rig.core->tweaks;
        QSignalSpy written(&tweaks, &RouterTweaks::featuresWritten);
        const RouterTweaks::FeatureWords words{0xFFFFFFFFu, 0x80000001u, std::nullopt};
        // Never read: refused, nothing runs.
        QCOMPARE(tweaks.writeFeatures(words), RouterTweaks::WriteStart::WordsNotRead);
        QVERIFY(rig.idle());
        QVERIFY(fetchAll(rig));
        QCOMPARE(tweaks.writeFeatures(words), RouterTweaks::WriteStart::Started);
        QVERIFY(rig.waitIdle());
        QCOMPARE(written.count(), 1);
        QVERIFY(written[0][0].toBool());
        QCOMPARE(rig.sim.env(QStringLiteral("DSL_FEATURE_CNTL_0")), QStringLiteral("0xFFFFFFFF"));
        QCOMPARE(rig.sim.env(QStringLiteral("DSL_FEATURE_CNTL_1")), QStringLiteral("0x80000001"));
        QCOMPARE(rig.sim.env(QStringLiteral("DSL_PHY_CNTL_0")), QStringLiteral("0x00000400"));
        QCOMPARE(rig.core->line.featureWords[0], std::optional<quint32>(0xFFFFFFFFu));

        // A router that ignores the write: the read-back tells.
        rig.sim.options().envApplets = false;
        QCOMPARE(tweaks.writeFeatures({1u, 1u, 1u}), RouterTweaks::WriteStart::Started);
        QVERIFY(rig.waitIdle());
        QCOMPARE(written.count(), 2);
        QVERIFY(!written[1][0].toBool());
        QVERIFY(!rig.core->leases.busy());
    }

    // A malformed word is never a base to write from.
    void malformedWordRefusesTheWrite()
    {
        SessionRig rig(options("adsl2plus"));
        QVERIFY(rig.started);
        rig.sim.setEnv(QStringLiteral("DSL_FEATURE_CNTL_1"), QStringLiteral("0x0000000G"));
        QVERIFY(fetchAll(rig));
        QVERIFY(rig.core->line.featureWords[0]);
        QVERIFY(!rig.core->line.featureWords[1]);
        QCOMPARE(rig.core->tweaks.writeFeatures({1u, 1u, 1u}), RouterTweaks::WriteStart::WordsNotRead);
        QCOMPARE(rig.sim.env(QStringLiteral("DSL_FEATURE_CNTL_1")), QStringLiteral("0x0000000G"));
    }

    // Shown, saved, and only then cleared in a script of its own. (A failed
    // save keeps the router's copy: tests/cli/tst_cli_config.)
    void systemLog_data()
    {
        QTest::addColumn<sim::SimOptions>("sim");
        QTest::newRow("saved, then cleared") << options("adsl");
        sim::SimOptions query = options("adsl2plus", true, "# ");
        query.terminalQuery = true;
        QTest::newRow("plain prompt, cursor query") << query;
    }

    void systemLog()
    {
        QFETCH(sim::SimOptions, sim);
        SessionRig rig(sim);
        QVERIFY(rig.started);
        rig.sim.addLogEntry(QStringLiteral("cfgmgr(sar)"), QStringLiteral("PVC #1 up # ok"));
        rig.settings.saveLog = true;
        rig.settings.clearLog = true;
        SystemLogCycle &log = rig.core->systemLog;
        QStringList shown;
        QList<JobKind> jobsAfterShown;
        connect(&log, &SystemLogCycle::logRead, this, [&](const QString &text) { shown << text; });
        connect(&rig.core->session, &RouterSession::jobStarted, this, [&](JobKind kind) {
            if (!shown.isEmpty())
                jobsAfterShown << kind;
        });
        QSignalSpy status(&log, &SystemLogCycle::statusChanged);
        QCOMPARE(log.fetchNow(), SystemLogCycle::StartResult::Started);
        QVERIFY(rig.waitIdle());
        QCOMPARE(shown.size(), 1);
        const QStringList lines = shown[0].split(QStringLiteral("\r\n"));
        QVERIFY(lines.size() >= 9);
        QVERIFY(lines.last().endsWith(QLatin1String("PVC #1 up # ok")));
        for (const QString &line : lines)
            QVERIFY2(!line.contains(QLatin1Char('\t')) && !IsPromptLine(line) && !line.contains(QLatin1String("no_where")),
                     qPrintable(line));
        QCOMPARE(jobsAfterShown, QList<JobKind>{JobKind::SystemLog});
        QCOMPARE(status.last()[0].toString(), QStringLiteral("System log saved, %1 line(s) added.").arg(lines.size()));
        QCOMPARE(rig.dir.read(QStringLiteral("sys-log.txt")), shown[0].toLatin1() + "\r\n");

        QCOMPARE(log.fetchNow(), SystemLogCycle::StartResult::Started);
        QVERIFY(rig.waitIdle());
        QCOMPARE(shown.size(), 2);
        QVERIFY(shown[1].isEmpty());
    }

    void periodicFetch()
    {
        SessionRig rig(options("adsl"));
        QVERIFY(rig.started);
        SystemLogCycle &log = rig.core->systemLog;
        QSignalSpy started(&log, &SystemLogCycle::fetchStarted);
        QSignalSpy countdown(&log, &SystemLogCycle::countdownChanged);
        log.startPeriodic(QStringLiteral("0"));
        QCOMPARE(log.intervalMins(), 1);
        QVERIFY(rig.checkTimer.isActive());
        // Due while something holds the options: it waits, then goes.
        auto lease = rig.core->leases.acquire(QStringLiteral("test"));
        for (int i = 0; i < 65; ++i)
            log.tick();
        QCOMPARE(started.count(), 0);
        lease.release();
        log.tick();
        QCOMPARE(started.count(), 1);
        QVERIFY(started[0][0].toBool());
        QVERIFY(rig.waitIdle());
        QCOMPARE(countdown[59][0].toString(), QStringLiteral("00:00:01")); // [0] is the start's "--:--:--"

        log.startPeriodic(QStringLiteral("10080"));
        log.tick();
        QCOMPARE(countdown.last()[0].toString(), QStringLiteral("167:59:59"));
        log.stopPeriodic();
        QVERIFY(!rig.checkTimer.isActive());
    }
};

QTEST_GUILESS_MAIN(TestRouterTweaks)
#include "tst_routertweaks.moc"
