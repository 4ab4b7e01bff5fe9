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
        return *w.specialSetting(row.control);
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
        // Numbers must stay numbers: a word would fall back to the default.
        *w.specialSetting(row.control) = row.control == QLatin1String("LossRate") ? QStringLiteral("14.25")
                                         : row.isWholeNumber() ? QString::number(row.minimum + 1)
                                                               : text;
        return *w.specialSetting(row.control);
    case SettingKind::Text:
    case SettingKind::Label:
        break;
    }
    // Addresses stay addresses: the auto-started monitor must not look a name up.
    QString value = text;
    if (row.isWholeNumber())
        value = QString::number(row.defaultValue.toInt() == row.maximum ? row.minimum : row.maximum);
    else if (row.control == QLatin1String("txtPing"))
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
        ObservingDialogs dialogs([&] { monitoringAtPrompt << w.IsMonitoring(); });
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
        QVERIFY(again.IsMonitoring()); // "Auto start monitor" was ticked
        again.cmdToggle_Click();
        for (const SettingRow &row : settingsTable())
            QCOMPARE(controlValue(again, row), expected.value(row.section + '/' + row.key));
        QCOMPARE(again.ui.lblLoss->Caption(), QStringLiteral("14.25"));
        QVERIFY(again.Form_QueryUnload(frmMain::UnloadMode::Program));
        const IniFile ini = IniFile::load(dir.file(QStringLiteral("settings.ini")));
        for (const SettingRow &row : settingsTable())
            QCOMPARE(ini.value(row.section, row.key), expected.value(row.section + '/' + row.key));
    }

    void unusableValuesTakeTheirDefaults_data()
    {
        QTest::addColumn<QByteArray>("value"); // of every key that needs one; null: absent
        // Each value's own verdict is the settings table's test; here, that every row is checked.
        QTest::newRow("absent") << QByteArray();
        QTest::newRow("blank") << QByteArray("");
        QTest::newRow("letters") << QByteArray("abc");
        QTest::newRow("beyond int") << QByteArray("1e10");
        QTest::newRow("fraction") << QByteArray("2.5");
        QTest::newRow("out of range") << QByteArray("99999");
    }

    void unusableValuesTakeTheirDefaults()
    {
        QFETCH(QByteArray, value);
        test::TempAppDir dir;
        ScriptedDialogs dialogs;
        IniFile ini;
        for (const SettingRow &row : settingsTable()) {
            if (row.required && !value.isNull())
                ini.setValue(row.section, row.key, QString::fromLatin1(value));
        }
        ini.setValue(QStringLiteral("Options"), QStringLiteral("Router IP"), QStringLiteral("10.0.0.138"));
        ini.setValue(QStringLiteral("Ping test"), QStringLiteral("Target"), QString());
        ini.setValue(QStringLiteral("Ping test"), QStringLiteral("DNS"), QString());
        ini.setValue(QStringLiteral("Exchange"), QStringLiteral("Loss rate"), QStringLiteral("0"));
        QVERIFY(ini.save(dir.file(QStringLiteral("settings.ini")), true));
        frmMain w;
        w.Form_Load();
        QVERIFY(dialogs.shown.isEmpty());

        for (const SettingRow &row : settingsTable()) {
            if (!row.required)
                continue;
            const bool usable = !row.isWholeNumber() && !value.isEmpty();
            QCOMPARE(controlValue(w, row), usable ? QString::fromLatin1(value) : row.defaultValue);
        }
        // Keys that may be empty keep the file's rule: absent reads blank or unticked.
        QVERIFY(!w.ui.chkStats->isChecked());
        QVERIFY(!w.ui.chkSaveStats->isChecked());
        QVERIFY(w.ui.txtActualDistance->text().isEmpty());
        QVERIFY(w.ui.lblExchange->Caption().isEmpty());
        QVERIFY(w.GraphTags[0].isEmpty());
        QCOMPARE(w.ui.txtIPToPing->text(), w.ui.txtPing->text());
        QCOMPARE(w.ui.txtDNS->text(), QStringLiteral("10.0.0.138"));
        QCOMPARE(w.ui.lblLoss->Caption(), QStringLiteral("13.81"));

        // What the user left unusable is not saved as it stands.
        w.ui.txtPort->setText(QStringLiteral("abc"));
        w.ui.txtUser->clear();
        w.ui.txtInterval->setText(QStringLiteral("-5"));
        QVERIFY(w.Form_QueryUnload(frmMain::UnloadMode::Program));
        const IniFile saved = IniFile::load(dir.file(QStringLiteral("settings.ini")));
        for (const SettingRow &row : settingsTable()) {
            const QString text = saved.value(row.section, row.key);
            QVERIFY2(isValidSetting(row, text), qPrintable(row.key + QLatin1Char('=') + text));
        }
        QCOMPARE(saved.value(QStringLiteral("Options"), QStringLiteral("Telnet Port")), QStringLiteral("23"));
        QCOMPARE(saved.value(QStringLiteral("Options"), QStringLiteral("Router Username")), QStringLiteral("root"));
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
        QVERIFY(w.ui.chkStats->isChecked()); // any number but 0 ticks
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
        // The button, the tray menu, the timers and the countdown all follow one state.
        const auto showsMonitoring = [&](bool on) {
            QCOMPARE(w.IsMonitoring(), on);
            const QString caption = on ? QStringLiteral("Stop Monitoring") : QStringLiteral("Start Monitoring");
            QCOMPARE(ui.cmdToggle->Caption(), caption);
            QCOMPARE(ui.mnToggle->text(), caption);
            QCOMPARE(ui.cmdToggle->FillColor(), on ? RGB(192, 255, 192) : RGB(255, 192, 192));
            QCOMPARE(ui.tmrPing->isActive(), on);
            QCOMPARE(ui.tmrStats->isActive(), on && stats);
            QCOMPARE(ui.imgPings->isHidden(), on);
            QCOMPARE(ui.lblCount->isHidden(), !on);
        };
        showsMonitoring(false);
        w.cmdToggle_Click();
        showsMonitoring(true);
        QCOMPARE(ui.lblStatus->text(), QStringLiteral("Monitoring started."));
        QCOMPARE(ui.cboGraphs->currentText(), QStringLiteral("SNR margin history"));
        ui.mnToggle->trigger();
        showsMonitoring(false);
        QCOMPARE(ui.lblStatus->text(), QStringLiteral("Monitoring stopped."));
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

    // Pings while the user types: no tick touches the options, so the
    // keyboard focus stays where it is.
    void pingTicksLeaveTheOptionsAlone()
    {
        Started s("[Options]\r\nRouter IP=127.0.0.1\r\nPing IP=127.0.0.1\r\nPing Interval=0\r\nStatsCheck=0\r\n");
        frmMain &w = s.w;
        bool up = true;
        w.setPingFunction([&](const QString &, qint32 &t) {
            t = 5;
            return up;
        });
        w.cmdToggle_Click();
        w.ui.tmrPing->stop();
        struct EnabledChanges final : QObject
        {
            int count = 0;
            bool eventFilter(QObject *, QEvent *e) override
            {
                count += e->type() == QEvent::EnabledChange;
                return false;
            }
        } changes;
        for (QWidget *box : {static_cast<QWidget *>(w.ui.txtIPToPing), static_cast<QWidget *>(w.ui.txtPing)})
            box->installEventFilter(&changes);
        for (int i = 0; i < 40; ++i)
            w.tmrPing_Timer();
        QCOMPARE(w.ui.lblPing->text(), QStringLiteral("UP"));
        QCOMPARE(changes.count, 0);
        QVERIFY(w.ui.txtIPToPing->isEnabled());
    }
};

QTEST_MAIN(tst_frmmain)
#include "tst_frmmain.moc"
