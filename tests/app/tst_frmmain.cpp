#include "base/appinfo.h"
#include "base/apppaths.h"
#include "base/dialogs.h"
#include "base/inifile.h"
#include "base/misc.h"
#include "base/settingstable.h"
#include "app/ui/frmmain.h"
#include "controls/ui/orblabel.h"
#include "controls/ui/orbtab.h"
#include "controls/ui/xbutton.h"
#include "router/core/orbtelnet.h"
#include "tests/support/testsupport.h"

#include <QAction>
#include <QCheckBox>
#include <QComboBox>
#include <QFile>
#include <QLabel>
#include <QLineEdit>
#include <QScrollBar>
#include <QSystemTrayIcon>
#include <QTimer>
#include <QtTest>

#include <functional>

using namespace quillon;

namespace {

// A window started the way the program starts it, in a scratch program folder
// holding the given settings file.
struct Started
{
    explicit Started(const QByteArray &settings)
    {
        dir.write(QStringLiteral("settings.ini"), settings);
        w.Form_Load();
    }
    test::TempAppDir dir;
    ScriptedDialogs dialogs;
    frmMain w;
};

// What the window writes for a row, read straight from its controls.
QString controlValue(frmMain &w, const SettingRow &row)
{
    switch (row.kind) {
    case SettingKind::Check:
        return w.findChild<QCheckBox *>(row.control)->isChecked() ? QStringLiteral("1") : QStringLiteral("0");
    case SettingKind::ScrollValue:
        return QString::number(w.findChild<QScrollBar *>(row.control)->value());
    case SettingKind::ComboText:
        return row.control == QLatin1String("cboRouterID") ? w.RouterType
                                                           : w.findChild<QComboBox *>(row.control)->currentText();
    case SettingKind::GraphTag:
        return w.GraphTags[size_t(row.control.right(1).toInt())];
    case SettingKind::Special:
        return row.control == QLatin1String("LossRate") ? w.LossRate : w.BWTickedGraphs;
    case SettingKind::Text:
    case SettingKind::Label:
        break;
    }
    return w.findChild<QWidget *>(row.control)->property("text").toString();
}

// Sets a value different from the design default on every row.
QString changeValue(frmMain &w, const SettingRow &row, int n)
{
    const QString text = QStringLiteral("v%1").arg(n);
    switch (row.kind) {
    case SettingKind::Check: {
        auto *c = w.findChild<QCheckBox *>(row.control);
        c->setChecked(!c->isChecked());
        return c->isChecked() ? QStringLiteral("1") : QStringLiteral("0");
    }
    case SettingKind::ScrollValue:
        w.findChild<QScrollBar *>(row.control)->setValue(40);
        return QStringLiteral("40");
    case SettingKind::ComboText:
        if (row.control == QLatin1String("cboRouterID")) {
            w.RouterType = QStringLiteral("DG834GT");
            return w.RouterType;
        } else {
            auto *c = w.findChild<QComboBox *>(row.control);
            c->setCurrentIndex(c->count() - 1);
            return c->currentText();
        }
    case SettingKind::GraphTag:
        w.GraphTags[size_t(row.control.right(1).toInt())] = QStringLiteral("SNR margin history");
        return QStringLiteral("SNR margin history");
    case SettingKind::Special:
        if (row.control == QLatin1String("LossRate")) {
            w.LossRate = QStringLiteral("14.25");
            return w.LossRate;
        }
        w.BWTickedGraphs = QStringLiteral("1010");
        return w.BWTickedGraphs;
    case SettingKind::Text:
    case SettingKind::Label:
        break;
    }
    // Addresses stay addresses: the auto-started monitor must not look a name up.
    QString value = text;
    if (row.control == QLatin1String("txtPing"))
        value = QStringLiteral("127.0.0.3");
    else if (row.control == QLatin1String("txtRouter"))
        value = QStringLiteral("127.0.0.2");
    w.findChild<QWidget *>(row.control)->setProperty("text", value);
    return value;
}

// Answers every box at once and notes what the window was doing when it came up.
struct ObservingDialogs final : Dialogs::Handler
{
    explicit ObservingDialogs(std::function<void()> onMessage)
        : m_onMessage(std::move(onMessage))
    {
        Dialogs::setHandler(this);
    }
    ~ObservingDialogs() override { Dialogs::setHandler(nullptr); }
    Q_DISABLE_COPY_MOVE(ObservingDialogs)

    Dialogs::Answer message(Dialogs::Icon, const QString &, const QString &, Dialogs::Buttons) override
    {
        m_onMessage();
        return Dialogs::Answer::Ok;
    }
    std::optional<QString> input(const QString &, const QString &, const QString &) override { return {}; }

    std::function<void()> m_onMessage;
};

int pingCountAfter(frmMain &w, int ticks, const int &calls)
{
    const int before = calls;
    for (int i = 0; i < ticks; ++i)
        w.tmrPing_Timer();
    return calls - before;
}

} // namespace

class tst_frmmain final : public QObject
{
    Q_OBJECT

private slots:
    void firstStartShowsDefaultsAndAsksForDetails()
    {
        test::TempAppDir dir;
        ScriptedDialogs dialogs;
        frmMain w;
        w.Form_Load();

        QCOMPARE(w.ui.OrbTab1->Selected(), 1);
        for (int i = 0; i < int(w.ui.fraTabs.size()); ++i)
            QCOMPARE(w.ui.fraTabs[size_t(i)]->isHidden(), i != 1);
        QCOMPARE(dialogs.shown.size(), 1);
        QCOMPARE(dialogs.shown[0].icon, Dialogs::Icon::Information);
        QCOMPARE(dialogs.shown[0].text, QStringLiteral("Please enter your router's details etc."));
        QCOMPARE(w.ui.lblLoss->Caption(), QStringLiteral("13.81"));

        for (const SettingRow &row : settingsTable())
            QCOMPARE(controlValue(w, row), row.defaultValue);

        QVERIFY(w.Form_QueryUnload(frmMain::UnloadMode::Program));
        const QString path = dir.file(QStringLiteral("settings.ini"));
        const IniFile ini = IniFile::load(path);
        for (const SettingRow &row : settingsTable()) {
            QVERIFY2(ini.contains(row.section, row.key), qPrintable(row.section + '/' + row.key));
            QCOMPARE(ini.value(row.section, row.key), row.defaultValue);
        }
        const QByteArray bytes = dir.read(QStringLiteral("settings.ini"));
        QVERIFY(bytes.contains("StatsCheck=1\r\n"));
        QVERIFY(bytes.contains("Use settle time=0\r\n"));
        QCOMPARE(QFile::permissions(path) & 0x7777,
                 QFile::ReadOwner | QFile::WriteOwner | QFile::ReadUser | QFile::WriteUser);
        // A second query (the close event after an exit) saves nothing twice.
        QVERIFY(w.Form_QueryUnload(frmMain::UnloadMode::UserClose));
    }

    void autoMonitorStartsBeforeThePrompt()
    {
        test::TempAppDir dir;
        dir.write(QStringLiteral("settings.ini"), "[Options]\r\nPing IP=127.0.0.1\r\nAuto start monitor=1\r\n");
        frmMain w;
        QList<bool> monitoringAtPrompt;
        ObservingDialogs dialogs([&] { monitoringAtPrompt << w.IsMonitoring; });
        w.Form_Load();
        QCOMPARE(monitoringAtPrompt, QList<bool>{true});
        QCOMPARE(w.ui.OrbTab1->Selected(), 1);
        w.cmdToggle_Click();
    }

    void everyValueSurvivesACloseAndANewWindow()
    {
        test::TempAppDir dir;
        ScriptedDialogs dialogs;
        QMap<QString, QString> expected;
        {
            frmMain w;
            w.Form_Load();
            int n = 0;
            for (const SettingRow &row : settingsTable())
                expected[row.section + '/' + row.key] = changeValue(w, row, ++n);
            QVERIFY(w.Form_QueryUnload(frmMain::UnloadMode::Program));
        }
        dialogs.shown.clear();
        frmMain again;
        again.Form_Load();
        QVERIFY(dialogs.shown.isEmpty()); // the router address is set now
        QCOMPARE(again.ui.OrbTab1->Selected(), 0);
        QVERIFY(again.IsMonitoring); // "Auto start monitor" was ticked
        again.cmdToggle_Click();
        for (const SettingRow &row : settingsTable())
            QCOMPARE(controlValue(again, row), expected.value(row.section + '/' + row.key));
        QCOMPARE(again.ui.lblLoss->Caption(), QStringLiteral("14.25"));
        QVERIFY(again.Form_QueryUnload(frmMain::UnloadMode::Program));
        const IniFile ini = IniFile::load(dir.file(QStringLiteral("settings.ini")));
        for (const SettingRow &row : settingsTable())
            QCOMPARE(ini.value(row.section, row.key), expected.value(row.section + '/' + row.key));
    }

    void missingAndEmptyValuesTakeTheirFallbacks()
    {
        const QByteArray file = "[Options]\r\nRouter IP=10.0.0.138\r\nPing IP=8.8.4.4\r\n"
                                "[Ping test]\r\nTarget=\r\nDNS=\r\n[Exchange]\r\nLoss rate=0\r\n";
        Started s(file);
        frmMain &w = s.w;
        QCOMPARE(w.ui.txtPort->text(), QStringLiteral("23"));
        QCOMPARE(w.LossRate, QStringLiteral("13.81"));
        QCOMPARE(w.ui.lblLoss->Caption(), QStringLiteral("13.81"));
        QVERIFY(!w.ui.chkStats->isChecked());
        QCOMPARE(w.ui.txtIPToPing->text(), QStringLiteral("8.8.4.4"));
        QCOMPARE(w.ui.txtDNS->text(), QStringLiteral("10.0.0.138"));
        QCOMPARE(w.ui.txtDSStart->text(), QStringLiteral("32"));
        QCOMPARE(w.ui.txtID[0]->text(), QStringLiteral("ppp0"));
        QCOMPARE(w.ui.txtID[3]->text(), QStringLiteral("usb0"));
        QCOMPARE(w.ui.txtBWInt->text(), QStringLiteral("60"));
        QVERIFY(w.ui.txtInterval->text().isEmpty()); // no default for the rest: the file decides
        QVERIFY(s.dialogs.shown.isEmpty());
    }

    void garbageFileLoadsWhatItCan()
    {
        QByteArray file("Router IP=1.1.1.1\r\n\x00\xff\xfe\x01\x02junk\r\n", 27);
        file += "a line without an equals sign\r\n[Options\r\n[]\r\n=\r\n[Options]\r\n";
        file += "Router IP=10.0.0.2\r\nRouter IP=10.0.0.3\r\nTelnet Port=\xff\xfe\r\n";
        file += "Ping IP=" + QByteArray(10000, 'x') + "\r\nStatsCheck=99999999999\r\n";
        file += "[Options]\r\nStatsCheck Interval=7\n\n\r\r[Exchange]\r\nLoss rate=-1e400\r\n";
        file += QByteArray(300, '\0');
        Started s(file);
        frmMain &w = s.w;
        QVERIFY(w.ui.txtRouter->text() == QLatin1String("10.0.0.2") || w.ui.txtRouter->text() == QLatin1String("10.0.0.3"));
        QCOMPARE(w.ui.txtPing->text(), QString(IniFile::MaxValueLength, 'x'));
        QVERIFY(!w.ui.chkStats->isChecked());
        QCOMPARE(w.ui.txtStats->text(), QStringLiteral("7"));
        QVERIFY(!w.ui.lblLoss->Caption().isEmpty());
        QVERIFY(w.Form_QueryUnload(frmMain::UnloadMode::Program));
        const IniFile ini = IniFile::load(s.dir.file(QStringLiteral("settings.ini")));
        for (const SettingRow &row : settingsTable())
            QVERIFY(ini.contains(row.section, row.key));
        QCOMPARE(ini.value(QStringLiteral("Options"), QStringLiteral("Router IP")), w.ui.txtRouter->text());
    }

    void folderThatCannotExistGivesAMessageOnClose()
    {
        // Nobody, root included, can create files here.
        const QString folder = QStringLiteral("/proc/quillon-no-such-folder/");
        test::TempAppDir dir;
        AppPaths::setAppDir(folder);
        ScriptedDialogs dialogs;
        {
            frmMain w;
            w.Form_Load();
            QCOMPARE(dialogs.shown.size(), 1); // the first-start prompt
            w.ui.txtRouter->setText(QStringLiteral("10.0.0.1"));
            QVERIFY(w.Form_QueryUnload(frmMain::UnloadMode::Program));
        }
        // The settings and the SNR history, each with its reason.
        QCOMPARE(dialogs.shown.size(), 3);
        QCOMPARE(dialogs.shown[1].icon, Dialogs::Icon::Exclamation);
        QVERIFY(dialogs.shown[1].text.contains(QLatin1String("could not be saved")));
        QVERIFY(dialogs.shown[1].text.contains(folder));
        QVERIFY(dialogs.shown[2].text.contains(QLatin1String("No such file or directory")));
    }

    void tabsShowTheirFramesAndWarnOnceOnAdvanced()
    {
        const QByteArray file = "[Options]\r\nRouter IP=10.0.0.138\r\n";
        Started s(file);
        frmMain &w = s.w;
        w.show();
        QVERIFY(QTest::qWaitForWindowExposed(&w));
        OrbTab *tabs = w.ui.OrbTab1;
        QCOMPARE(tabs->Selected(), 0);
        auto click = [&](int i) { QTest::mouseClick(tabs, Qt::LeftButton, {}, tabs->tabRect(i).center()); };
        for (int i : {2, 4, 0, 6, 3, 1}) {
            click(i);
            QCOMPARE(tabs->Selected(), i);
            for (int f = 0; f < int(w.ui.fraTabs.size()); ++f)
                QCOMPARE(w.ui.fraTabs[size_t(f)]->isHidden(), f != i);
        }
        QVERIFY(s.dialogs.shown.isEmpty());

        click(5);
        QVERIFY(!w.ui.fraTabs[5]->isHidden());
        QCOMPARE(s.dialogs.shown.size(), 1);
        QCOMPARE(s.dialogs.shown[0].title, QStringLiteral("Quillon - Warning"));
        QCOMPARE(s.dialogs.shown[0].text.split(QStringLiteral("\r\n")).size(), 3);
        click(0);
        click(5);
        QCOMPARE(s.dialogs.shown.size(), 1);
    }

    void sendToTrayOnCloseKeepsTheWindow()
    {
        const QByteArray file = "[Options]\r\nRouter IP=10.0.0.138\r\nSend to tray on close=1\r\n";
        Started s(file);
        frmMain &w = s.w;
        QVERIFY(w.ui.chkSendToTray->isChecked());
        w.show();
        QVERIFY(QTest::qWaitForWindowExposed(&w));
        QVERIFY(!w.close());
        if (QSystemTrayIcon::isSystemTrayAvailable())
            QVERIFY(w.isHidden());
        else
            QVERIFY(!w.isHidden() && w.isMinimized()); // no tray: it must stay reachable
        QCOMPARE(s.dir.read(QStringLiteral("settings.ini")), file); // nothing saved by the cancelled close

        w.ui.txtRouter->setText(QStringLiteral("10.0.0.1"));
        w.ExitProgram();
        QVERIFY(w.isHidden());
        QCOMPARE(IniFile::load(s.dir.file(QStringLiteral("settings.ini"))).value(QStringLiteral("Options"), QStringLiteral("Router IP")),
                 QStringLiteral("10.0.0.1"));
    }

    void toggleOptionsFollowsTheTicks()
    {
        const QByteArray file = "[Options]\r\nRouter IP=10.0.0.138\r\n";
        Started s(file);
        MainUi &ui = s.w.ui;
        ui.cmdAbort->show();
        ui.chkResolve->setChecked(false);
        ui.chkSettle->setChecked(true);
        s.w.ToggleOptions(true);
        QVERIFY(ui.cmdAbort->isHidden());
        QVERIFY(!ui.chkStandardDNS->isEnabled());
        QVERIFY(!ui.txtDNS->isEnabled());
        QVERIFY(ui.txtSettle->isEnabled());

        ui.chkResolve->setChecked(true);
        ui.chkStandardDNS->setChecked(false);
        ui.chkSettle->setChecked(false);
        s.w.ToggleOptions(true);
        QVERIFY(ui.chkStandardDNS->isEnabled());
        QVERIFY(ui.txtDNS->isEnabled());
        QVERIFY(!ui.txtSettle->isEnabled());
        ui.chkStandardDNS->setChecked(true);
        s.w.ToggleOptions(true);
        QVERIFY(!ui.txtDNS->isEnabled());

        s.w.ToggleOptions(false);
        for (QWidget *c : {static_cast<QWidget *>(ui.txtRouter), static_cast<QWidget *>(ui.chkResolve),
                           static_cast<QWidget *>(ui.chkStandardDNS), static_cast<QWidget *>(ui.txtDNS),
                           static_cast<QWidget *>(ui.txtSettle), static_cast<QWidget *>(ui.cmdReboot)})
            QVERIFY2(!c->isEnabled(), qPrintable(c->objectName()));
    }

    void monitoringToggleSwitchesCaptionsColoursAndTimers_data()
    {
        QTest::addColumn<bool>("stats");
        QTest::newRow("with stats") << true;
        QTest::newRow("without stats") << false;
    }

    void monitoringToggleSwitchesCaptionsColoursAndTimers()
    {
        QFETCH(bool, stats);
        const QByteArray file = "[Options]\r\nRouter IP=127.0.0.1\r\nPing IP=127.0.0.1\r\nPing Interval=300\r\n"
                                "StatsCheck=" + QByteArray(stats ? "1" : "0") + "\r\nStatsCheck Interval=1\r\n";
        Started s(file);
        frmMain &w = s.w;
        MainUi &ui = w.ui;
        w.setPingFunction([](const QString &, qint32 &) { return true; });
        QCOMPARE(ui.cmdToggle->FillColor(), RGB(255, 192, 192));
        QVERIFY(!ui.imgPings->isHidden());
        QVERIFY(ui.lblCount->isHidden());

        w.cmdToggle_Click();
        QVERIFY(w.IsMonitoring);
        QCOMPARE(ui.cmdToggle->Caption(), QStringLiteral("Stop Monitoring"));
        QCOMPARE(ui.mnToggle->text(), QStringLiteral("Stop Monitoring"));
        QCOMPARE(ui.cmdToggle->FillColor(), RGB(192, 255, 192));
        QCOMPARE(ui.lblStatus->text(), QStringLiteral("Monitoring started."));
        QVERIFY(ui.tmrPing->isActive());
        QCOMPARE(ui.tmrStats->isActive(), stats);
        QVERIFY(ui.imgPings->isHidden());
        QVERIFY(!ui.lblCount->isHidden());
        QCOMPARE(ui.cboGraphs->currentText(), QStringLiteral("SNR margin history"));

        ui.mnToggle->trigger();
        QVERIFY(!w.IsMonitoring);
        QCOMPARE(ui.cmdToggle->Caption(), QStringLiteral("Start Monitoring"));
        QCOMPARE(ui.mnToggle->text(), QStringLiteral("Start Monitoring"));
        QCOMPARE(ui.cmdToggle->FillColor(), RGB(255, 192, 192));
        QCOMPARE(ui.lblStatus->text(), QStringLiteral("Monitoring stopped."));
        QVERIFY(!ui.tmrPing->isActive());
        QVERIFY(!ui.tmrStats->isActive());
        QVERIFY(!ui.imgPings->isHidden());
        QVERIFY(ui.lblCount->isHidden());
    }

    // The monitor's one-second tick runs inside the ping test's event
    // processing: it must not hand the options back or hide Abort mid-test.
    void monitorTicksLeaveARunningPingTestAlone()
    {
        Started s("[Options]\r\nRouter IP=127.0.0.1\r\nPing IP=127.0.0.1\r\nPing Interval=0\r\n"
                  "[Ping test]\r\nTarget=127.0.0.1\r\nCount=3\r\nTimeout=10\r\n");
        frmMain &w = s.w;
        w.setPingFunction([](const QString &, qint32 &) { return true; });
        w.cmdToggle_Click();
        int checked = 0;
        int heldDuringTest = 0;
        w.setPingTestEcho([&](const QString &, qint32 &, const QByteArray &) {
            for (int i = 0; i < 20; ++i)
                w.tmrPing_Timer();
            ++checked;
            if (!w.ui.cmdAbort->isHidden() && !w.ui.cmdGetRouterInfo->isEnabled() && !w.ui.txtIPToPing->isEnabled())
                ++heldDuringTest;
            return true;
        });
        w.cmdPingTest_Click();
        QCOMPARE(checked, 3);
        QCOMPARE(heldDuringTest, 3);
        QVERIFY(w.ui.cmdAbort->isHidden());
        QVERIFY(w.ui.cmdGetRouterInfo->isEnabled());
    }

    void pingTicksFollowTheInterval_data()
    {
        QTest::addColumn<QString>("interval");
        QTest::addColumn<int>("first");
        QTest::addColumn<int>("every");
        QTest::newRow("0 means every 16th tick") << "0" << 16 << 16;
        QTest::newRow("1") << "1" << 1 << 2;
        QTest::newRow("5") << "5" << 1 << 6;
        QTest::newRow("empty counts as 0") << "" << 16 << 16;
        QTest::newRow("garbage counts as 0") << "abc" << 16 << 16;
    }

    void pingTicksFollowTheInterval()
    {
        QFETCH(QString, interval);
        QFETCH(int, first);
        QFETCH(int, every);
        const QByteArray file = "[Options]\r\nRouter IP=127.0.0.1\r\nPing IP=127.0.0.1\r\nStatsCheck=0\r\n"
                                "Maximum failed pings=0\r\nPing Interval=" + interval.toLatin1() + "\r\n";
        Started s(file);
        frmMain &w = s.w;
        int calls = 0;
        QString target;
        w.setPingFunction([&](const QString &a, qint32 &t) {
            ++calls;
            target = a;
            t = 12;
            return true;
        });
        w.cmdToggle_Click();
        QCOMPARE(pingCountAfter(w, first - 1, calls), 0);
        QCOMPARE(pingCountAfter(w, 1, calls), 1);
        QCOMPARE(target, QStringLiteral("127.0.0.1"));
        QCOMPARE(w.ui.lblPing->text(), QStringLiteral("UP"));
        for (int round = 0; round < 3; ++round) {
            QCOMPARE(pingCountAfter(w, every - 1, calls), 0);
            QCOMPARE(pingCountAfter(w, 1, calls), 1);
        }
        // Nothing changed, so no statistics were fetched.
        QCOMPARE(w.Stage, int(frmMain::JobIdle));
        QVERIFY(!w.StatsRunning);
        QVERIFY(w.ui.txtRouter->isEnabled()); // options come back after every ping
    }

    void aChangeOfStateFetchesStatistics()
    {
        // A port nobody listens on: the fetch fails quickly and harmlessly.
        const QByteArray file = "[Options]\r\nRouter IP=127.0.0.1\r\nTelnet Port=1\r\nPing IP=127.0.0.1\r\n"
                                "StatsCheck=0\r\nMaximum failed pings=0\r\nPing Interval=1\r\n";
        Started s(file);
        frmMain &w = s.w;
        bool answer = false;
        w.setPingFunction([&](const QString &, qint32 &) { return answer; });
        w.cmdToggle_Click();
        w.tmrPing_Timer();
        QCOMPARE(w.ui.lblPing->text(), QStringLiteral("DOWN"));
        QCOMPARE(w.Stage, int(frmMain::JobIdle));
        QVERIFY(!w.StatsRunning);
        QVERIFY(!w.telnet().isRunning());

        answer = true;
        w.tmrPing_Timer();
        w.tmrPing_Timer();
        QCOMPARE(w.ui.lblPing->text(), QStringLiteral("UP"));
        QCOMPARE(w.Stage, int(frmMain::JobStats));
        QVERIFY(w.StatsRunning);
        QVERIFY(w.PingStateChanged);
        // Nobody answers on the port: the window must come back to idle.
        QTRY_VERIFY_WITH_TIMEOUT(!w.telnet().isRunning(), 5000);
        QTRY_COMPARE_WITH_TIMEOUT(w.Stage, int(frmMain::JobIdle), 5000);
        QVERIFY(!w.StatsRunning);
        QVERIFY(w.ui.txtRouter->isEnabled());
    }

    void statsIntervalZeroFetchesEverySecond()
    {
        const QByteArray file = "[Options]\r\nRouter IP=127.0.0.1\r\nTelnet Port=1\r\nPing IP=127.0.0.1\r\n"
                                "StatsCheck=1\r\nStatsCheck Interval=0\r\nMaximum failed pings=0\r\n";
        Started s(file);
        frmMain &w = s.w;
        w.setPingFunction([](const QString &, qint32 &) { return true; });
        w.cmdToggle_Click();
        QVERIFY(w.ui.tmrStats->isActive());
        w.tmrStats_Timer();
        QCOMPARE(w.Stage, int(frmMain::JobStats));
        QVERIFY(w.StatsRunning);
        QVERIFY(!w.ui.txtRouter->isEnabled());
        w.telnet().AbortScript();
    }

    void watchdogRebootsAfterTheSixthFailure()
    {
        const QByteArray file = "[Options]\r\nRouter IP=127.0.0.1\r\nTelnet Port=1\r\nPing IP=127.0.0.1\r\n"
                                "StatsCheck=0\r\nMaximum failed pings=5\r\nPing Interval=1\r\n";
        Started s(file);
        frmMain &w = s.w;
        int calls = 0;
        w.setPingFunction([&](const QString &, qint32 &) {
            ++calls;
            return false;
        });
        w.cmdToggle_Click();
        while (calls < 5)
            w.tmrPing_Timer();
        QCOMPARE(w.Stage, int(frmMain::JobIdle));
        QVERIFY(w.ui.tmrPing->isActive());
        while (calls < 6)
            w.tmrPing_Timer();
        QCOMPARE(w.Stage, int(frmMain::JobReboot));
        QVERIFY(!w.ui.tmrPing->isActive());
        QVERIFY(w.ui.tmrRebootWatch->isActive());
        QVERIFY(!w.ui.txtRouter->isEnabled());
        QVERIFY(s.dialogs.shown.isEmpty()); // the watchdog asks nobody
        w.ui.tmrRebootWatch->stop();
        w.telnet().AbortScript();
    }
};

QTEST_MAIN(tst_frmmain)
#include "tst_frmmain.moc"
