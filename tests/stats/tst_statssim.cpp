// The parser against live replies of the router simulator, read by a plain
// socket client (both profiles, TABs expanded or passed through, both
// wordings of the marker error, negative margins) and by the telnet engine
// running the real scripts.
#include "router/core/orbtelnet.h"
#include "router/core/telnetcommands.h"
#include "stats/core/boottime.h"
#include "stats/core/modemstats.h"
#include "stats/core/routerscripts.h"
#include "tests/support/testsupport.h"
#include "tools/routersim/routersim.h"

#include <QRegularExpression>
#include <QSignalSpy>
#include <QtTest>

using namespace quillon;
using namespace quillon::sim;

namespace {

// What the router printed for a marker read, echo and prompt cut off: what
// the script engine records for it.
QString markerRead(test::TelnetClient &c, const char *path)
{
    return QString::fromLatin1(c.output(QByteArray("cat ") + path + " \"no_where\""));
}

QString rawValue(const QString &stats, const QString &label)
{
    const QRegularExpression re(QRegularExpression::escape(label) + QStringLiteral("[ \\t]*(\\S+)"));
    return re.match(stats).captured(1);
}

} // namespace

class TestStatsSim : public QObject
{
    Q_OBJECT

private slots:
    void liveReplies_data()
    {
        QTest::addColumn<QString>("profile");
        QTest::addColumn<bool>("rawTabs");
        QTest::addColumn<int>("catErrorStyle");
        QTest::addColumn<bool>("negativeMargin");
        QTest::addColumn<QString>("mode");
        QTest::newRow("adsl") << QStringLiteral("adsl") << false << 0 << false << QStringLiteral("ADSL G.dmt");
        QTest::newRow("adsl tabs") << QStringLiteral("adsl") << true << 1 << false << QStringLiteral("ADSL G.dmt");
        QTest::newRow("adsl2+ tabs, negative") << QStringLiteral("adsl2plus") << true << 0 << true << QStringLiteral("ADSL 2+");
    }

    void liveReplies()
    {
        QFETCH(QString, profile);
        QFETCH(bool, rawTabs);
        QFETCH(int, catErrorStyle);
        QFETCH(bool, negativeMargin);
        QFETCH(QString, mode);

        SimOptions o;
        o.profile = profile;
        o.rawTabs = rawTabs;
        o.catErrorStyle = catErrorStyle;
        o.negativeMargin = negativeMargin;
        o.marginDriftDb = 0;
        RouterSim sim(o);
        QVERIFY2(sim.start(), qPrintable(sim.errorString()));
        test::TelnetClient client(sim.port());
        QVERIFY(client.login());
        const QString modes = markerRead(client, ModulationSchemesPath);
        const QString stats = markerRead(client, ModemStatsPath);
        QVERIFY(!modes.isEmpty() && !stats.isEmpty());
        QCOMPARE(stats.contains(QLatin1Char('\t')), rawTabs);

        const ModemStats s = ParseModemStats(modes, stats);
        QCOMPARE(s.mode, mode);
        QCOMPARE(s.isADSL2, profile == QLatin1String("adsl2plus"));
        QCOMPARE(s.dsRate, rawValue(stats, QStringLiteral("DS Connection Rate:")));
        QCOMPARE(s.usRate, rawValue(stats, QStringLiteral("US Connection Rate:")));
        QCOMPARE(s.dsAttenuation, rawValue(stats, QStringLiteral("DS Line Attenuation:")));
        QCOMPARE(s.usPower, rawValue(stats, QStringLiteral("US Transmit Power :")));
        QVERIFY(!s.dsRate.isEmpty() && !s.dsMaxRate.isEmpty() && !s.vendorRevision.isEmpty());
        QCOMPARE(s.vendorCode.size(), 4);
        if (negativeMargin) {
            QCOMPARE(s.dsMargin, QStringLiteral("-3"));
            QCOMPARE(s.usMargin, QStringLiteral("-3"));
        } else {
            QVERIFY(s.dsMargin.toDouble() > 0 && s.dsMargin.toDouble() < 64);
            QVERIFY(s.usMargin.toDouble() > 0 && s.usMargin.toDouble() < 64);
        }
    }

    void scriptsThroughTheEngine_data()
    {
        QTest::addColumn<QString>("profile");
        QTest::addColumn<QString>("prompt");
        QTest::addColumn<bool>("rawTabs");
        QTest::addColumn<QString>("mode");
        QTest::newRow("adsl") << QStringLiteral("adsl") << QStringLiteral("/var # ") << false << QStringLiteral("ADSL G.dmt");
        QTest::newRow("adsl2+") << QStringLiteral("adsl2plus") << QStringLiteral("# ") << true << QStringLiteral("ADSL 2+");
    }

    void scriptsThroughTheEngine()
    {
        QFETCH(QString, profile);
        QFETCH(QString, prompt);
        QFETCH(bool, rawTabs);
        QFETCH(QString, mode);

        SimOptions o;
        o.profile = profile;
        o.prompt = prompt;
        o.rawTabs = rawTabs;
        o.password = QStringLiteral("pa\"ss");
        RouterSim sim(o);
        QVERIFY2(sim.start(), qPrintable(sim.errorString()));
        const RouterLogin login{QStringLiteral("127.0.0.1"), QString::number(sim.port()), QStringLiteral("root"),
                                QStringLiteral("pa\"ss")};

        OrbTelnet engine;
        engine.setMode(1);
        QSignalSpy complete(&engine, &OrbTelnet::ScriptComplete);
        QSignalSpy failed(&engine, &OrbTelnet::ScriptError);
        engine.setWaitForReboot(false);
        engine.RunScript(GetStatsScript(login));
        QTRY_VERIFY_WITH_TIMEOUT(complete.count() + failed.count() > 0, 10000);
        QCOMPARE(failed.count(), 0);
        const ModemStats s = ProcessModemStats(TelnetCommands::ExplodeTelnetCommands(engine.GetConversation()));
        QCOMPARE(s.mode, mode);
        QVERIFY(!s.dsRate.isEmpty() && !s.usRate.isEmpty() && !s.dsMargin.isEmpty() && !s.usPower.isEmpty());
        QCOMPARE(s.vendorCode.size(), 4);

        complete.clear();
        const QDateTime asked = QDateTime::currentDateTime();
        engine.RunScript(GetRouterVersionScript(login));
        QTRY_VERIFY_WITH_TIMEOUT(complete.count() + failed.count() > 0, 10000);
        QCOMPARE(failed.count(), 0);
        const RouterVersion v = ProcessVersion(TelnetCommands::ExplodeTelnetCommands(engine.GetConversation()));
        QVERIFY(v.versionText.startsWith(QLatin1String("ATM Driver version:")));
        QVERIFY(!v.versionText.contains(QLatin1String("no_where")));
        BootTimeTracker boot;
        boot.FindBootTime(v.uptime, asked);
        const qint64 up = boot.BootTime().secsTo(asked);
        QVERIFY2(std::abs(up - qint64(sim.uptimeSeconds())) < 120, qPrintable(v.uptime));
    }
};

QTEST_GUILESS_MAIN(TestStatsSim)
#include "tst_statssim.moc"
