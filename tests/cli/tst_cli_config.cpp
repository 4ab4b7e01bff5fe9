// quillon-cli's features, threshold and syslog against the simulator: what
// they print, what reaches the router's environment, and what the router
// keeps when the log cannot be saved.

#include "tests/cli/clirun.h"

#include <QDir>
#include <QTest>

using namespace quillon;
using namespace quillon::test;

namespace {

// Bits 0 and 14 of the first word and bit 10 of the phy word are listed;
// bit 31 of the first word is not, so a write must keep it as read.
const char kFeatureFile[] = "[dslfc0]#0 ~Zero@z#14 ~Fourteen@f[/dslfc0][dslfc1][/dslfc1][dslpc0]#10 ~Ten@t[/dslpc0]";

sim::SimOptions Router(const QString &profile, bool envApplets = true)
{
    sim::SimOptions o{.profile = profile, .rebootDownMs = 200, .marginDriftDb = 0};
    o.envApplets = envApplets;
    return o;
}

} // namespace

class TstCliConfig final : public QObject
{
    Q_OBJECT

private slots:
    void commands_data();
    void commands();
    void syslogClearsOnlyWhatWasKept_data();
    void syslogClearsOnlyWhatWasKept();
};

void TstCliConfig::commands_data()
{
    QTest::addColumn<QString>("profile");
    QTest::addColumn<bool>("envApplets");
    QTest::addColumn<QStringList>("args");
    QTest::addColumn<int>("status");
    QTest::addColumn<QString>("outHas");
    QTest::addColumn<QString>("errHas");
    QTest::addColumn<QStringList>("envAfter");

    const QString words = "DSL_FEATURE_CNTL_0 0x80004000\n  14: Fourteen\nDSL_FEATURE_CNTL_1 0x00000000\n"
                          "DSL_PHY_CNTL_0 0x00000400\n  10: Ten\n";
    QTest::newRow("features") << "adsl2plus" << true << QStringList{"features"} << 0 << words << "" << QStringList{};
    QTest::newRow("features --json") << "adsl2plus" << true << QStringList{"--json", "features"} << 0
                                     << R"({"bits":[{"bit":14,"text":"Fourteen"}],"name":"DSL_FEATURE_CNTL_0","state":"set","word":"0x80004000"})"
                                     << "" << QStringList{};
    QTest::newRow("features --set keeps unlisted bits")
        << "adsl2plus" << true << QStringList{"features", "--set", "fc0=0x00000001"} << 0
        << "DSL_FEATURE_CNTL_0 0x80000001\n  0: Zero\nDSL_FEATURE_CNTL_1 0x00000000\n"
        << "DSL_FEATURE_CNTL_0: bits \"dslfeatures.txt\" does not list were kept as read; writing 0x80000001"
        << QStringList{"DSL_FEATURE_CNTL_0=0x80000001", "DSL_FEATURE_CNTL_1=0x00000000", "DSL_PHY_CNTL_0=0x00000400"};
    QTest::newRow("features --set, words never read") << "adsl" << true << QStringList{"features", "--set", "fc0=0x1"} << 1
                                                      << "" << "could not all be read" << QStringList{"DSL_FEATURE_CNTL_0="};

    QTest::newRow("threshold") << "adsl" << true << QStringList{"threshold"} << 0
                               << "Margin Retrain enabled. Router will retrain when margin drops below 3 dB. Current SNR Margin = "
                               << "" << QStringList{};
    QTest::newRow("threshold --json") << "adsl" << true << QStringList{"--json", "threshold"} << 0
                                      << R"("retrain":true,"text":"Margin Retrain enabled.)" << "" << QStringList{};
    QTest::newRow("threshold --set") << "adsl" << true << QStringList{"threshold", "--set", "6.5"} << 0 << "below 6.5 dB"
                                     << "has been updated"
                                     << QStringList{"enable_margin_retrain=1", "margin_threshold=13"};
    QTest::newRow("threshold --clear") << "adsl" << true << QStringList{"threshold", "--clear"} << 0
                                       << "Margin Retrain disabled. Current SNR Margin = " << "has been reset"
                                       << QStringList{"enable_margin_retrain=", "margin_threshold="};
    QTest::newRow("threshold --set, router without setenv")
        << "adsl" << false << QStringList{"threshold", "--set", "5"} << 1 << "Margin Retrain unknown"
        << "Could not save SNR margin threshold settings to router. Please try enabling the compatibility mode."
        << QStringList{"margin_threshold=6"};

    for (const QStringList &bad : {QStringList{"threshold", "--set", "6.2"}, QStringList{"threshold", "--set", "10.5"},
                                   QStringList{"threshold", "--set", "0"}, QStringList{"threshold", "--set", "5", "--clear"},
                                   QStringList{"features", "--set", "fc0=16"}, QStringList{"features", "--set", "fc0=0x1,fc0=0x2"},
                                   QStringList{"syslog", "--all"}})
        QTest::newRow(qPrintable(bad.join(' '))) << "adsl2plus" << true << bad << 2 << "" << "quillon-cli: "
                                                 << QStringList{"DSL_FEATURE_CNTL_0=0x80004000"};
}

void TstCliConfig::commands()
{
    QFETCH(QString, profile);
    QFETCH(bool, envApplets);
    QFETCH(QStringList, args);
    QFETCH(int, status);
    QFETCH(QString, outHas);
    QFETCH(QString, errHas);
    QFETCH(QStringList, envAfter);

    CliRig rig(Router(profile, envApplets));
    QVERIFY(rig.started);
    rig.dir.write(QStringLiteral("dslfeatures.txt"), kFeatureFile);
    if (profile == QLatin1String("adsl2plus"))
        rig.sim.setEnv(QStringLiteral("DSL_FEATURE_CNTL_0"), QStringLiteral("0x80004000"));

    const CliResult r = rig.runOnRouter(args);
    QVERIFY(r.finished);
    QVERIFY2(r.exitCode == status, qPrintable(r.err));
    QVERIFY2(r.out.contains(outHas), qPrintable(r.out));
    QVERIFY2(r.err.contains(errHas), qPrintable(r.err));
    for (const QString &expected : envAfter) {
        const QString name = expected.section(QLatin1Char('='), 0, 0);
        QCOMPARE(name + QLatin1Char('=') + rig.sim.env(name), expected);
    }
}

void TstCliConfig::syslogClearsOnlyWhatWasKept_data()
{
    QTest::addColumn<bool>("saveFails");
    QTest::newRow("saved, then cleared") << false;
    QTest::newRow("save fails: the router keeps its log") << true;
}

void TstCliConfig::syslogClearsOnlyWhatWasKept()
{
    QFETCH(bool, saveFails);
    CliRig rig;
    QVERIFY(rig.started);
    const QString message = QStringLiteral("PVC #1 up # ok");
    rig.sim.addLogEntry(QStringLiteral("cfgmgr(sar)"), message);
    if (saveFails)
        QVERIFY(QDir(rig.dir.path()).mkdir(QStringLiteral("sys-log.txt")));

    const CliResult r = rig.runOnRouter({QStringLiteral("syslog"), QStringLiteral("--clear"), QStringLiteral("--save")});
    QVERIFY(r.finished);
    QVERIFY2(r.exitCode == (saveFails ? 3 : 0), qPrintable(r.err));
    QVERIFY2(r.out.contains(message + QLatin1Char('\n')), qPrintable(r.out));
    QVERIFY(!r.out.contains(QLatin1Char('\r')));
    if (!saveFails)
        QVERIFY(rig.dir.read(QStringLiteral("sys-log.txt")).contains(message.toLatin1() + "\r\n"));

    const CliResult again = rig.runOnRouter({QStringLiteral("syslog")});
    QCOMPARE(again.exitCode, 0);
    QCOMPARE(again.out.contains(message), saveFails);
}

QTEST_GUILESS_MAIN(TstCliConfig)
#include "tst_cli_config.moc"
