// The main window against the router simulator: "Get Router Info" fills the
// Stats tab and the report with what the router serves, monitoring writes the
// statistics logs, failed scripts return the window to idle, and a reboot is
// watched until the router is back.
#include "base/appinfo.h"
#include "base/clock.h"
#include "base/dialogs.h"
#include "base/misc.h"
#include "app/ui/frmmain.h"
#include "controls/ui/orblabel.h"
#include "controls/ui/xbutton.h"
#include "router/core/orbtelnet.h"
#include "session/core/sessioncore.h"
#include "stats/core/routerscripts.h"
#include "tests/support/testsupport.h"
#include "tools/routersim/routersim.h"

#include <QCheckBox>
#include <QLabel>
#include <QLineEdit>
#include <QPlainTextEdit>
#include <QProcess>
#include <QRegularExpression>
#include <QSignalSpy>
#include <QTimer>
#include <QtTest>

#include <functional>
#include <memory>

using namespace quillon;
using namespace quillon::sim;

Q_DECLARE_METATYPE(quillon::sim::SimOptions)

namespace {

const QString kMaker = QStringLiteral("Test Silicon Ltd");

// Output of "cat path" up to the missing marker file's error line, read with
// a plain socket: the values the window must show, taken independently of the
// program's own parser.
QString catOf(test::TelnetClient &peek, const char *path)
{
    const QByteArray out = peek.output(QByteArray("cat ") + path + " \"no_where\"");
    return QString::fromLatin1(out.left(out.lastIndexOf("cat:")));
}

QString rawValue(const QString &text, const QString &label)
{
    const QRegularExpression re(QRegularExpression::escape(label) + QStringLiteral("[ \\t]*(\\S+)"));
    return re.match(text).captured(1);
}

// The rest of the label's line: rates come with their unit ("3648 kbps").
QString rawRest(const QString &text, const QString &label)
{
    const QRegularExpression re(QRegularExpression::escape(label) + QStringLiteral("[ \\t]*([^\\r\\n]*)"));
    return re.match(text).captured(1).trimmed();
}

QString decodeVendor(const QString &hex)
{
    QString out;
    for (int i = 0; i + 1 < hex.size(); i += 2) {
        const int c = hex.mid(i, 2).toInt(nullptr, 16);
        if (c != 0)
            out += QChar(c);
    }
    return out;
}

bool waitIdle(frmMain &w, int ms = 15000)
{
    QSignalSpy idle(&w, &frmMain::becameIdle);
    return idle.wait(ms);
}

// The simulator and a window set up the way the program starts, with the
// settings file pointing at the simulator.
struct Rig
{
    explicit Rig(SimOptions o, const QByteArray &extraSettings = {})
        : sim(o)
    {
        if (!sim.start())
            return;
        // The first of two equal keys counts: the extra settings come first.
        const QByteArray settings = "[Options]\r\n" + extraSettings + "Router IP=127.0.0.1\r\nTelnet Port="
            + QByteArray::number(sim.port()) + "\r\nRouter Username=root\r\nRouter Password=Gravo\r\n"
            + "Ping IP=127.0.0.1\r\nPing Interval=1\r\nMaximum failed pings=0\r\nStatsCheck=1\r\n"
            + "StatsCheck Interval=0\r\nSave stats to text=1\r\nSave stats to CSV=1\r\n";
        dir.write(QStringLiteral("settings.ini"), settings);
        window = std::make_unique<frmMain>();
        window->setPingFunction([this](const QString &address, qint32 &timeMs) {
            if (address != QLatin1String("127.0.0.1") || !routerAnswers())
                return false;
            timeMs = 3;
            return true;
        });
        window->Form_Load();
        window->telnet().setDelayUnitMs(5); // the reboot script's pause
    }

    std::function<bool()> routerAnswers = [] { return true; };
    test::TempAppDir dir;
    ScriptedDialogs dialogs;
    RouterSim sim;
    std::unique_ptr<frmMain> window;
};

// Ticks the statistics timer until a reading starts.
bool startReading(frmMain &w)
{
    for (int i = 0; i < 120 && w.Stage() == 0; ++i)
        w.tmrStats_Timer();
    return w.Stage() == int(JobKind::Stats);
}

void verifyIdle(frmMain &w)
{
    QCOMPARE(w.Stage(), 0);
    QVERIFY(!w.core().leases.busy());
    QVERIFY(w.ui.txtRouter->isEnabled());
    QVERIFY(w.ui.txtUser->isEnabled());
    QVERIFY(w.ui.cmdGetRouterInfo->isEnabled());
    QVERIFY(w.ui.cmdToggle->isEnabled());
    const QString status = w.ui.lblStatus->text();
    QVERIFY2(status.endsWith(QLatin1Char('.')) && !status.endsWith(QLatin1String("...")), qPrintable(status));
}

QStringList crlfLines(const QByteArray &bytes)
{
    QStringList lines = QString::fromLatin1(bytes).split(QStringLiteral("\r\n"));
    if (!lines.isEmpty() && lines.last().isEmpty())
        lines.removeLast();
    return lines;
}

} // namespace

class TestFrmMainFetch : public QObject
{
    Q_OBJECT

private slots:
    void getRouterInfo_data()
    {
        QTest::addColumn<QString>("profile");
        QTest::addColumn<QString>("mode");
        QTest::addColumn<bool>("awkwardServer");
        QTest::newRow("adsl") << QStringLiteral("adsl") << QStringLiteral("ADSL G.dmt") << false;
        QTest::newRow("adsl2plus") << QStringLiteral("adsl2plus") << QStringLiteral("ADSL 2+") << false;
        // A telnet server that passes TABs through and hands over one byte at a time.
        QTest::newRow("adsl2plus tabs bytewise") << QStringLiteral("adsl2plus") << QStringLiteral("ADSL 2+") << true;
    }

    void getRouterInfo()
    {
        QFETCH(QString, profile);
        QFETCH(QString, mode);
        QFETCH(bool, awkwardServer);
        // The boot minute must not move while the test runs.
        Rig rig({.profile = profile, .rawTabs = awkwardServer, .byteByByte = awkwardServer, .timeScale = 0,
                 .marginDriftDb = 0});
        QVERIFY2(rig.window, qPrintable(rig.sim.errorString()));
        frmMain &w = *rig.window;

        test::TelnetClient peek(rig.sim.port());
        QVERIFY(peek.login());
        const QString stats = catOf(peek, ModemStatsPath);
        const QString version = catOf(peek, VersionPath);
        QVERIFY(stats.contains(QLatin1String("DS Connection Rate")));
        QVERIFY(!version.trimmed().isEmpty());
        const QString vendorCode = decodeVendor(rawValue(stats, QStringLiteral("ATUC Vendor Code:")));
        QCOMPARE(vendorCode.size(), 4);
        // A maker the window can only know from the table beside the program.
        rig.dir.write(QStringLiteral("vendors.txt"), "# test\r\n" + vendorCode.toLower().toLatin1() + "="
                                                         + kMaker.toLatin1() + "\r\n");
        w.core().line.vendors = VendorTable::LoadVendors();

        const double uptime = rig.sim.uptimeSeconds();
        const QDateTime now(QDate(2026, 3, 14), QTime(15, 9, 26));
        ScopedClock clock(now);
        const QDateTime boot = now.addSecs(-qint64(uptime));
        const QDateTime bootMinute(boot.date(), QTime(boot.time().hour(), boot.time().minute()));

        QStringList statuses;
        QTimer watcher;
        watcher.setInterval(0);
        connect(&watcher, &QTimer::timeout, this, [&] {
            if (statuses.isEmpty() || statuses.last() != w.ui.lblStatus->text())
                statuses << w.ui.lblStatus->text();
        });
        watcher.start();
        QSignalSpy idle(&w, &frmMain::becameIdle);
        emit w.ui.cmdGetRouterInfo->Click();
        QVERIFY(w.core().leases.busy());
        QVERIFY(!w.ui.cmdToggle->isEnabled());
        QVERIFY(!w.ui.txtRouter->isEnabled());
        // Byte by byte under the sanitizers the four scripts take tens of seconds.
        QVERIFY(idle.wait(90000));
        watcher.stop();
        QCOMPARE(idle.count(), 1);
        QCOMPARE(statuses, (QStringList{QStringLiteral("Getting basic information..."),
                                        QStringLiteral("Getting graph data..."),
                                        QStringLiteral("Getting modem statistics..."),
                                        QStringLiteral("Router statistics obtained.")}));
        verifyIdle(w);

        const auto raw = [&](const char *label) { return rawValue(stats, QString::fromLatin1(label)); };
        const QString path = raw("Trained Path:") == QLatin1String("0") ? QStringLiteral("Fastpath")
                                                                         : QStringLiteral("Interleaved");
        const QString lastBoot = QStringLiteral("Last boot: ") + bootMinute.toString(QStringLiteral("dd/MM/yyyy hh:mm:ss"));
        const QList<std::pair<QWidget *, QString>> labels{
            {w.ui.lblLastBoot, lastBoot},
            {w.ui.lblDownRate, raw("DS Connection Rate:") + QStringLiteral(" kbit/s")},
            {w.ui.lblUpRate, raw("US Connection Rate:") + QStringLiteral(" kbit/s")},
            {w.ui.lblMaxDownRate, GetFormattedRate(rawRest(stats, QStringLiteral("DS Max Attainable Bit Rate:")))},
            {w.ui.lblMaxUpRate, GetFormattedRate(rawRest(stats, QStringLiteral("US Max Attainable Bit Rate:")))},
            {w.ui.lblDownSNR, raw("DS Margin:") + QStringLiteral(" dB")},
            {w.ui.lblUpSNR, raw("US Margin:") + QStringLiteral(" dB")},
            {w.ui.lblDownAtt, raw("DS Line Attenuation:") + QStringLiteral(" dB")},
            {w.ui.lblUpAtt, raw("US Line Attenuation:") + QStringLiteral(" dB")},
            {w.ui.lblDownPower, raw("DS Transmit Power:") + QStringLiteral(" dB")},
            {w.ui.lblUpPower, raw("US Transmit Power :") + QStringLiteral(" dB")},
            {w.ui.lblVendor, kMaker + QStringLiteral(", Revision ") + raw("ATUC Revision:")},
            {w.ui.lblMode, mode + QLatin1Char(' ') + path},
        };
        for (const auto &[label, expected] : labels) {
            QVERIFY2(!expected.startsWith(QLatin1Char(' ')), qPrintable(label->objectName()));
            QCOMPARE(label->property("text").toString(), expected);
        }
        QCOMPARE(w.core().line.isADSL2, profile == QLatin1String("adsl2plus"));
        const QString info = w.ui.txtInfo->toPlainText();
        QCOMPARE(info.trimmed(), QString(version).replace(QStringLiteral("\r\n"), QStringLiteral("\n")).trimmed());

        const QStringList report = w.ui.txtReport->toPlainText().split(QLatin1Char('\n'));
        QCOMPARE(w.ui.txtReport->toolTip(), QStringLiteral("Report"));
        QCOMPARE(report.value(0), w.windowTitle() + QStringLiteral(" report - 14 Mar 2026 15:09:26"));
        QCOMPARE(report.value(1), lastBoot);
        const QStringList captions{QStringLiteral("DS rate: "), QStringLiteral("US rate: "), QStringLiteral("Max DS rate: "),
                                   QStringLiteral("Max US rate: "), QStringLiteral("DS SNR: "), QStringLiteral("US SNR: "),
                                   QStringLiteral("DS Attn: "), QStringLiteral("US Attn: "), QStringLiteral("DS Power: "),
                                   QStringLiteral("US Power: "), QStringLiteral("Mode: ")};
        const QList<QWidget *> order{w.ui.lblDownRate, w.ui.lblUpRate, w.ui.lblMaxDownRate, w.ui.lblMaxUpRate,
                                    w.ui.lblDownSNR,  w.ui.lblUpSNR,  w.ui.lblDownAtt,     w.ui.lblUpAtt,
                                    w.ui.lblDownPower, w.ui.lblUpPower, w.ui.lblMode};
        for (int i = 0; i < captions.size(); ++i)
            QCOMPARE(report.value(2 + i), captions[i] + order[i]->property("text").toString());
        const QStringList infoLines = info.split(QLatin1Char('\n'));
        QCOMPARE(report.mid(13, infoLines.size()), infoLines);

        // The gap analysis of the tables the graph stage fetched closes the report.
        QVERIFY(w.core().line.tones.BitsLoaded);
        QString analysis;
        AnalyseBits(w.core().line.tones, analysis, 0, int(Val(w.ui.txtDSStart->text())));
        AnalysePsdsSNR(w.core().line.tones, analysis, 0);
        const QStringList rest = report.mid(13 + infoLines.size());
        QCOMPARE(rest.join(QLatin1Char('\n')), QString(analysis).replace(QStringLiteral("\r\n"), QStringLiteral("\n")));
        QVERIFY(rig.dialogs.shown.isEmpty());

        // The command line's report of the same router is the window's, line for
        // line after the title and the boot time (the window runs on a test clock).
        if (awkwardServer)
            return;
        QProcess cli;
        cli.start(test::binPath(QStringLiteral("app/cli/quillon-cli")), {QStringLiteral("--dir"), rig.dir.path(), QStringLiteral("info")});
        QVERIFY(test::waitUntil([&] { return cli.state() == QProcess::NotRunning; }, 30000));
        const QStringList cliReport = QString::fromUtf8(cli.readAllStandardOutput()).trimmed().split(QLatin1Char('\n'));
        QCOMPARE(cli.exitCode(), 0);
        QVERIFY(cliReport.value(0).startsWith(w.windowTitle() + QStringLiteral(" report - ")));
        QCOMPARE(cliReport.mid(2), QStringList(report.mid(2)));
    }

    void monitoringWritesTheLogs()
    {
        Rig rig({.marginDriftDb = 0});
        QVERIFY2(rig.window, qPrintable(rig.sim.errorString()));
        frmMain &w = *rig.window;
        bool up = true;
        rig.routerAnswers = [&] { return up; };

        test::TelnetClient peek(rig.sim.port());
        QVERIFY(peek.login());
        const QString stats = catOf(peek, ModemStatsPath);
        const QString dsRate = rawValue(stats, QStringLiteral("DS Connection Rate:"));
        const QString dsMargin = rawValue(stats, QStringLiteral("DS Margin:"));
        QVERIFY(!dsRate.isEmpty() && !dsMargin.isEmpty());

        ScopedClock clock(QDateTime(QDate(2026, 7, 2), QTime(8, 5, 40)));
        w.cmdToggle_Click();
        QVERIFY(w.IsMonitoring());
        QCOMPARE(w.ui.lblStatus->text(), QStringLiteral("Monitoring started."));
        // The test is the clock: no tick may come from real time.
        w.ui.tmrPing->stop();
        w.ui.tmrStats->stop();

        w.tmrPing_Timer(); // first ping: shows UP, fetches nothing
        QCOMPARE(w.ui.lblPing->text(), QStringLiteral("UP"));
        QCOMPARE(w.Stage(), 0);

        QVERIFY(startReading(w));
        QVERIFY(waitIdle(w));
        const QString first = QStringLiteral("02/07/2026 08:05\t") + dsRate + QStringLiteral(", ") + dsMargin
            + QStringLiteral(", Up, 3");
        QCOMPARE(crlfLines(rig.dir.read(QStringLiteral("stats.txt"))), QStringList{first});
        const QStringList csv = crlfLines(rig.dir.read(QStringLiteral("stats.csv")));
        QCOMPARE(csv.size(), 1);
        QVERIFY2(csv[0].startsWith(QStringLiteral("02/07/2026 08:05,") + dsRate + QLatin1Char(',')), qPrintable(csv[0]));
        QVERIFY(csv[0].endsWith(QStringLiteral(",Up,3")));
        QCOMPARE(w.ui.txtOut->toPlainText(), first);
        QVERIFY(w.ui.txtRouter->isEnabled());

        // The internet goes away: the change is logged at once and marked.
        up = false;
        clock.advanceSecs(60);
        w.tmrPing_Timer();
        QVERIFY(w.Stage() == 0);
        w.tmrPing_Timer();
        QCOMPARE(w.ui.lblPing->text(), QStringLiteral("DOWN"));
        QCOMPARE(w.Stage(), int(JobKind::Stats));
        QVERIFY(waitIdle(w));
        const QString changed = QStringLiteral("02/07/2026 08:06\t") + dsRate + QStringLiteral(", ") + dsMargin
            + QStringLiteral(", Down, 3, Changed");
        QCOMPARE(crlfLines(rig.dir.read(QStringLiteral("stats.txt"))), (QStringList{first, changed}));
        const QStringList csv2 = crlfLines(rig.dir.read(QStringLiteral("stats.csv")));
        QCOMPARE(csv2.size(), 2);
        QVERIFY2(csv2[1].endsWith(QStringLiteral(",Down,3")), qPrintable(csv2[1]));
        QCOMPARE(w.ui.txtOut->toPlainText(), first + QLatin1Char('\n') + changed);

        // A routine reading after the change is not marked.
        QVERIFY(startReading(w));
        QVERIFY(waitIdle(w));
        QVERIFY(!crlfLines(rig.dir.read(QStringLiteral("stats.txt"))).last().endsWith(QLatin1String("Changed")));

        w.cmdToggle_Click();
        QVERIFY(!w.IsMonitoring());
        verifyIdle(w);
        QVERIFY(rig.dialogs.shown.isEmpty());
    }

    void failedScriptsReturnToIdle_data()
    {
        QTest::addColumn<SimOptions>("options");
        QTest::addColumn<QString>("status");
        QTest::newRow("wrong password") << SimOptions{.password = QStringLiteral("other")}
                                        << QStringLiteral("Router login failed - please check username and password.");
        QTest::newRow("dropped connection") << SimOptions{.dropAfterBytes = 200} << QString();
        QTest::newRow("stalled script") << SimOptions{.errorWithoutMarker = true} << QString();
    }

    void failedScriptsReturnToIdle()
    {
        QFETCH(SimOptions, options);
        QFETCH(QString, status);
        Rig rig(options);
        QVERIFY2(rig.window, qPrintable(rig.sim.errorString()));
        frmMain &w = *rig.window;
        w.setScriptStallTimeoutMs(300);

        w.cmdGetRouterInfo_Click();
        QVERIFY(w.core().leases.busy());
        QVERIFY(waitIdle(w));
        verifyIdle(w);
        QVERIFY(!w.telnet().isRunning());
        if (!status.isEmpty()) { // the refused login, the one failure the user is told of
            QCOMPARE(w.ui.lblStatus->text(), status);
            QCOMPARE(rig.dialogs.shown.size(), 1);
            QCOMPARE(rig.dialogs.shown[0].icon, Dialogs::Icon::Exclamation);
            QVERIFY(rig.dialogs.shown[0].text.startsWith(QLatin1String("Could not log in to router")));
        }

        // Monitoring still works after the failure: the next reading starts.
        w.cmdToggle_Click();
        w.ui.tmrPing->stop();
        w.ui.tmrStats->stop();
        QVERIFY(startReading(w));
        QVERIFY(waitIdle(w));
        w.cmdToggle_Click();
        QCOMPARE(w.Stage(), 0);
    }

    void monitoringNeverFreezes_data()
    {
        QTest::addColumn<int>("scenario");
        QTest::newRow("ping change during the fetch's statistics") << 1;
        QTest::newRow("watchdog reboot during a reading") << 2;
        QTest::newRow("reboot with a wrong password") << 9;
        QTest::newRow("router that never restarts") << 10;
    }

    // Each way monitoring used to end stuck: afterwards the window is idle
    // and the next reading is logged.
    void monitoringNeverFreezes()
    {
        QFETCH(int, scenario);
        Rig rig({.rebootDownMs = 100, .marginDriftDb = 0},
                "Maximum failed pings=1\r\nUse settle time=1\r\nSettle time=1\r\nStatsCheck=0\r\n");
        QVERIFY2(rig.window, qPrintable(rig.sim.errorString()));
        frmMain &w = *rig.window;
        SessionCore &core = w.core();
        bool internet = true;
        bool routerUp = true;
        rig.routerAnswers = [&] { return internet && routerUp && !rig.sim.isRebooting(); };
        w.cmdToggle_Click();
        w.ui.tmrPing->stop();
        w.ui.tmrStats->stop();
        w.tmrPing_Timer();
        const auto pingUntil = [&](const std::function<bool()> &done) {
            for (int i = 0; i < 10 && !done(); ++i)
                w.tmrPing_Timer();
            return done();
        };
        const auto rideOutReboot = [&] {
            return test::waitUntil([&] {
                if (w.ui.tmrRebootWatch->isActive())
                    w.tmrRebootWatch_Timer();
                else if (w.ui.tmrRebootSettle->isActive())
                    w.tmrRebootSettle_Timer();
                return !core.reboot.active();
            });
        };
        w.ui.tmrRebootWatch->stop();

        switch (scenario) {
        case 1: {
            bool changed = false;
            connect(&core.session, &RouterSession::jobStarted, this, [&](JobKind kind) {
                if (kind == JobKind::Stats && !changed) {
                    changed = true;
                    internet = false;
                    QVERIFY(pingUntil([&] { return w.ui.lblPing->text() == QLatin1String("DOWN"); }));
                }
            });
            emit w.ui.cmdGetRouterInfo->Click();
            QVERIFY(waitIdle(w));
            QVERIFY(changed);
            QCOMPARE(w.ui.lblStatus->text(), QStringLiteral("Router statistics obtained."));
            QVERIFY(crlfLines(rig.dir.read(QStringLiteral("stats.txt"))).value(0).endsWith(QLatin1String(", Changed")));
            internet = true;
            break;
        }
        case 2:
            QVERIFY(startReading(w));
            internet = false;
            QVERIFY(pingUntil([&] { return core.reboot.active(); }));
            QVERIFY(!w.ui.cmdGetRouterInfo->isEnabled());
            internet = true; // the router and the monitored address are one here
            QVERIFY(rideOutReboot());
            QVERIFY(waitIdle(w));
            QCOMPARE(w.ui.lblStatus->text(), QStringLiteral("Monitoring restarted."));
            QCOMPARE(crlfLines(rig.dir.read(QStringLiteral("stats.txt"))).size(), 2); // the reading and the change
            break;
        case 9:
            rig.sim.options().password = QStringLiteral("changed");
            rig.dialogs.queueAnswer(Dialogs::Answer::Yes);
            w.cmdReboot_Click();
            QVERIFY(waitIdle(w));
            QCOMPARE(w.ui.lblStatus->text(), QStringLiteral("Router login failed - please check username and password."));
            rig.sim.options().password = QStringLiteral("Gravo");
            break;
        case 10: {
            // The router stays up after the command (its modem restarted alone).
            rig.routerAnswers = [] { return true; };
            QSignalSpy routerBack(&rig.sim, &RouterSim::rebootFinished);
            rig.dialogs.queueAnswer(Dialogs::Answer::Yes);
            w.cmdReboot_Click();
            QVERIFY(test::waitUntil([&] { return core.session.isIdle(); }));
            ScopedClock clock(Clock::now());
            while (core.reboot.active()) {
                clock.advanceSecs(30);
                w.tmrRebootWatch_Timer();
            }
            QVERIFY(w.ui.lblStatus->text().startsWith(QLatin1String("The router did not restart")));
            QVERIFY(routerBack.count() == 1 || routerBack.wait());
            break;
        }
        }
        QCOMPARE(w.ui.tmrPing->isActive(), scenario != 1); // monitoring goes on after a reboot
        w.ui.tmrPing->stop();
        verifyIdle(w);
        const qsizetype before = crlfLines(rig.dir.read(QStringLiteral("stats.txt"))).size();
        QVERIFY(startReading(w));
        QVERIFY(waitIdle(w));
        QCOMPARE(crlfLines(rig.dir.read(QStringLiteral("stats.txt"))).size(), before + 1);
        // The reboot question, and for the button's reboot the refused login.
        QCOMPARE(rig.dialogs.shown.size(), scenario == 9 ? 2 : scenario == 10 ? 1 : 0);
    }

    void routerNotAnswering()
    {
        Rig rig(SimOptions{});
        QVERIFY2(rig.window, qPrintable(rig.sim.errorString()));
        frmMain &w = *rig.window;
        rig.routerAnswers = [] { return false; };
        QSignalSpy idle(&w, &frmMain::becameIdle);
        w.cmdGetRouterInfo_Click();
        QCOMPARE(w.ui.lblStatus->text(), QStringLiteral("Router is not responding on the given IP address."));
        QCOMPARE(rig.dialogs.shown.size(), 1);
        QCOMPARE(rig.dialogs.shown[0].icon, Dialogs::Icon::Exclamation);
        QCOMPARE(rig.dialogs.shown[0].text, QStringLiteral("Please ensure the router is switched on and connected\r\n"
                                                           "and that the router's IP address is correct."));
        QCOMPARE(w.ui.lblRouterStatus->text(), QStringLiteral("Offline"));
        QVERIFY(!w.telnet().isRunning());
        QCOMPARE(w.Stage(), 0);
        QVERIFY(!w.core().leases.busy());
        QVERIFY(w.ui.cmdToggle->isEnabled() && w.ui.txtRouter->isEnabled());
        QTest::qWait(50);
        QCOMPARE(rig.sim.sessionCount(), 0);
        QCOMPARE(idle.count(), 0);
    }

    void rebootIsWatchedUntilTheRouterIsBack_data()
    {
        QTest::addColumn<bool>("settle");
        QTest::addColumn<bool>("monitoring");
        QTest::newRow("settle") << true << false;
        QTest::newRow("twice down, monitoring") << false << true;
    }

    void rebootIsWatchedUntilTheRouterIsBack()
    {
        QFETCH(bool, settle);
        QFETCH(bool, monitoring);
        Rig rig({.rebootDownMs = 300}, settle ? QByteArray("Use settle time=1\r\nSettle time=2\r\n") : QByteArray());
        QVERIFY2(rig.window, qPrintable(rig.sim.errorString()));
        frmMain &w = *rig.window;
        rig.routerAnswers = [&] { return !rig.sim.isRebooting(); };
        QCOMPARE(w.ui.chkSettle->isChecked(), settle);
        if (monitoring) {
            w.cmdToggle_Click();
            w.ui.tmrPing->stop();
            w.ui.tmrStats->stop();
        }

        QSignalSpy started(&rig.sim, &RouterSim::rebootStarted);
        QSignalSpy finished(&rig.sim, &RouterSim::rebootFinished);
        rig.dialogs.queueAnswer(Dialogs::Answer::Yes);
        emit w.ui.cmdReboot->Click();
        QCOMPARE(rig.dialogs.shown.size(), 1);
        QCOMPARE(rig.dialogs.shown[0].text, QStringLiteral("Are you sure you want to reboot your router?"));
        QCOMPARE(w.ui.lblStatus->text(), QStringLiteral("Rebooting router..."));
        QVERIFY(!w.ui.txtRouter->isEnabled());
        w.ui.tmrRebootWatch->stop();

        int reboots = 0;
        const auto goDownAndBack = [&] {
            QVERIFY(started.count() == ++reboots || started.wait(10000));
            w.tmrRebootWatch_Timer();
            QCOMPARE(w.ui.lblStatus->text(), QStringLiteral("Router is rebooting..."));
            QCOMPARE(w.ui.lblRouterStatus->text(), QStringLiteral("Offline"));
            QVERIFY(finished.count() == reboots || finished.wait(10000));
            w.tmrRebootWatch_Timer();
            QCOMPARE(w.ui.lblRouterStatus->text(), QStringLiteral("Online"));
        };
        goDownAndBack();
        if (QTest::currentTestFailed())
            return;
        if (!settle) {
            // Without a settle period the router must go down a second time.
            QVERIFY(!w.ui.tmrRebootSettle->isActive());
            QCOMPARE(w.core().reboot.watch().UpCycles(), 1);
            rig.sim.reboot();
            goDownAndBack();
            if (QTest::currentTestFailed())
                return;
        }
        QVERIFY(!w.ui.tmrRebootWatch->isActive());
        QVERIFY(w.ui.tmrRebootSettle->isActive());
        QCOMPARE(w.ui.tmrRebootSettle->interval(), settle ? 1000 : 5000);
        w.ui.tmrRebootSettle->stop();

        if (settle) {
            w.tmrRebootSettle_Timer();
            QCOMPARE(w.ui.lblStatus->text(), QStringLiteral("Router has been responding for 1 second(s)"));
            QVERIFY(!w.ui.txtRouter->isEnabled());
        }
        w.tmrRebootSettle_Timer();
        QVERIFY(!w.ui.tmrRebootSettle->isActive());
        QCOMPARE(w.Stage(), 0);
        if (monitoring) {
            QCOMPARE(w.ui.lblStatus->text(), QStringLiteral("Monitoring restarted."));
            QVERIFY(w.ui.tmrPing->isActive());
            w.ui.tmrPing->stop();
            w.tmrPing_Timer();
            QVERIFY(w.ui.txtRouter->isEnabled());
        } else {
            QCOMPARE(w.ui.lblStatus->text(), QStringLiteral("Router has rebooted."));
            QVERIFY(w.ui.txtRouter->isEnabled());
            QVERIFY(w.ui.cmdGetRouterInfo->isEnabled());
        }
        QVERIFY(!w.telnet().isRunning());

        // The router answers scripts again.
        if (monitoring)
            w.cmdToggle_Click();
        w.cmdGetRouterInfo_Click();
        QVERIFY(waitIdle(w));
        QCOMPARE(w.ui.lblStatus->text(), QStringLiteral("Router statistics obtained."));
    }
};

QTEST_MAIN(TestFrmMainFetch)
#include "tst_frmmain_fetch.moc"
