// The Bandwidth tab, the mini statistics window and the tray, driven through
// the real main window against the router simulator. Run with --desktop it
// starts a virtual X display with a notification area (Xvfb and trayer) and
// runs the same cases there; without those programs it skips with the reason.

#include "app/ui/frmmain.h"
#include "bandwidth/ui/frmsystray.h"
#include "base/clock.h"
#include "base/dialogs.h"
#include "base/inifile.h"
#include "base/misc.h"
#include "controls/ui/orblabel.h"
#include "controls/ui/xbutton.h"
#include "graphs/ui/metalchart.h"
#include "router/core/orbtelnet.h"
#include "tests/support/testsupport.h"
#include "tools/routersim/routersim.h"

#include <QAction>
#include <QApplication>
#include <QCheckBox>
#include <QComboBox>
#include <QLabel>
#include <QLineEdit>
#include <QPlainTextEdit>
#include <QProcess>
#include <QScreen>
#include <QStandardPaths>
#include <QSystemTrayIcon>
#include <QtTest>

#include <algorithm>
#include <vector>

using namespace quillon;

namespace {

// A window started the way the program starts, its router the simulator with
// time moving only when the test moves it.
struct Window
{
    explicit Window(const QByteArray &bandwidthSettings = {})
        : sim({.timeScale = 0, .marginDriftDb = 0})
    {
        started = sim.start();
        dir.write(QStringLiteral("settings.ini"),
                  "[Options]\r\nRouter IP=127.0.0.1\r\nTelnet Port=" + QByteArray::number(sim.port())
                      + "\r\nPing IP=127.0.0.1\r\n[Bandwidth]\r\nSave log=1\r\n" + bandwidthSettings);
        dir.write(QStringLiteral("routerids.txt"), "# ours\r\nTwo Port : nas0 eth0\r\n");
        w.setPingFunction([](const QString &, qint32 &ms) { ms = 1; return true; });
        w.Form_Load();
        // The test ticks the logging timer itself.
        w.ui.tmrBWMonitor->blockSignals(true);
    }

    bool idle(int ms = 10000)
    {
        return test::waitUntil([this] { return w.core().session.isIdle() && !w.core().leases.busy(); }, ms);
    }

    bool reading(int secs = 60)
    {
        sim.advanceTime(secs);
        clock.advanceSecs(secs);
        for (int i = 0; i < secs; ++i)
            w.core().bandwidth.tick();
        return idle();
    }

    test::TempAppDir dir;
    ScriptedDialogs dialogs;
    ScopedClock clock{QDateTime(QDate(2026, 7, 2), QTime(8, 0, 0))};
    sim::RouterSim sim;
    bool started{false};
    frmMain w;
};

void click(QWidget *widget)
{
    QTest::mouseClick(widget, Qt::LeftButton, {}, widget->rect().center());
}

} // namespace

class tst_frmmain_bandwidth final : public QObject
{
    Q_OBJECT

public:
    tst_frmmain_bandwidth(bool desktop, QString skipReason)
        : m_desktop(desktop)
        , m_skip(std::move(skipReason))
    {
    }

private slots:
    void init()
    {
        if (!m_skip.isEmpty())
            QSKIP(qPrintable(m_skip));
    }

    // The model list fills the boxes only when chosen; the stored ticks and
    // choice come back as they were.
    void routerModelsAndTicks()
    {
        Window win("Graphs=1,0,0,0,0,1,0,0\r\nRouter type=two port\r\nWAN=ppp1\r\n");
        MainUi &ui = win.w.ui;
        QCOMPARE(ui.cboRouterID->count(), 2);
        QCOMPARE(ui.cboRouterID->currentText(), QStringLiteral("Two Port"));
        QCOMPARE(ui.txtID[0]->text(), QStringLiteral("ppp1"));
        QVERIFY(ui.chkGraphRx[0]->isChecked() && ui.chkGraphTx[1]->isChecked() && !ui.chkGraphTx[0]->isChecked());

        ui.cboRouterID->setCurrentIndex(1);
        emit ui.cboRouterID->activated(1);
        QCOMPARE(ui.txtID[0]->text(), QStringLiteral("nas0"));
        QCOMPARE(ui.txtID[1]->text(), QStringLiteral("eth0"));
        QVERIFY(ui.txtID[2]->text().isEmpty() && ui.txtID[3]->text().isEmpty());

        win.w.ExitProgram();
        const IniFile ini = IniFile::load(win.dir.file(QStringLiteral("settings.ini")));
        QCOMPARE(ini.value(QStringLiteral("Bandwidth"), QStringLiteral("Graphs")), QStringLiteral("1,0,0,0,0,1,0,0"));
        QCOMPARE(ini.value(QStringLiteral("Bandwidth"), QStringLiteral("Router type")), QStringLiteral("Two Port"));
    }

    void readingsLoggingAndTheMiniWindow()
    {
        Window win("Graphs=1,0,0,0,1,0,0,0\r\n");
        QVERIFY2(win.started, qPrintable(win.sim.errorString()));
        frmMain &w = win.w;
        MainUi &ui = w.ui;

        w.cmdGetBandwidth_Click();
        QVERIFY(win.idle());
        QCOMPARE(ui.lblStatus->text(), QStringLiteral("Router bandwidth data obtained."));
        QVERIFY(ui.txtUpDown->toPlainText().contains(QStringLiteral("ppp0:")));
        QVERIFY(ui.lblUptime->text().startsWith(QStringLiteral("Uptime: 3d ")));

        w.cmdLogBW_Click();
        QCOMPARE(ui.cmdLogBW->Caption(), QStringLiteral("Stop Logging"));
        QVERIFY(win.reading() && win.reading());
        const InterfaceCounters &wan = w.core().bandwidth.counters().slot(0);
        QCOMPARE(ui.lblRec[0]->Caption(), GetUnitSize(double(wan.RunTotal.rx)));
        QVERIFY(ui.txtUpDown->toPlainText().contains(QStringLiteral("\nWAN\t")));
        QCOMPARE(static_cast<MetalChart *>(ui.mcBandwidth)->data().rows(), 1);
        QCOMPARE(win.dir.read(QStringLiteral("bandwidth.txt")).count("---------"), 1);

        click(ui.chkBWTotals);
        QVERIFY(ui.txtUpDown->toPlainText().startsWith(QStringLiteral("I/F:\tWAN-Rx")));
        ui.cboRecords->setCurrentIndex(6);
        QVERIFY(ui.lblRec[0]->Caption().endsWith(QStringLiteral("/s")));
        QCOMPARE(ui.lblRec[3]->Caption(), QStringLiteral("-"));

        // The mini window: figures of the ticked graphs, title swap, hide on click.
        w.cmdMiniStats_Click();
        frmSystray *mini = w.systrayWindow(false);
        QVERIFY(mini && QTest::qWaitForWindowExposed(mini));
        QTRY_COMPARE(mini->frameGeometry().bottomRight(), w.screen()->availableGeometry().bottomRight());
        QCOMPARE(mini->lblMsg->text(), QStringLiteral("WAN Rx:") + ui.lblRec[0]->Caption() + QStringLiteral(" - WAN Tx:")
                                           + ui.lblTrans[0]->Caption());
        QCOMPARE(mini->lblTitle->Caption(), QStringLiteral("Bandwidth history graph"));
        QCOMPARE(mini->lblTitle->toolTip(), QStringLiteral("Rates stats:"));
        click(mini->lblTitle);
        QCOMPARE(mini->lblTitle->Caption(), QStringLiteral("Rates stats:"));
        QVERIFY(mini->mcSystray->isHidden());
        click(mini->lblTitle);
        QCOMPARE(mini->lblTitle->Caption(), QStringLiteral("Bandwidth history graph"));
        QVERIFY(!mini->mcSystray->isHidden());
        click(mini->mcSystray);
        QVERIFY(!mini->isVisible());
        ui.mnShowStats->trigger();
        QVERIFY(mini->isVisible());
        mini->close(); // hides, the window stays for the next use
        QVERIFY(!mini->isVisible());

        w.cmdListMonthly_Click();
        QVERIFY(ui.txtUpDown->toPlainText().startsWith(QStringLiteral("Month\tWAN-Rx")));
        QVERIFY(ui.chkDispText->isChecked() && !ui.txtUpDown->isHidden());

        w.cmdClearBW_Click();
        QCOMPARE(ui.lblRec[0]->Caption(), QStringLiteral("-"));
        QVERIFY(!ui.chkGraphRx[0]->isChecked() && !ui.chkGraphTx[0]->isChecked());
        w.cboRecords_Click();
        QCOMPARE(ui.lblRec[0]->Caption(), QStringLiteral("-")); // rates gone with the data
        QVERIFY(mini->lblMsg->text().isEmpty());

        w.cmdLogBW_Click();
        QCOMPARE(ui.cmdLogBW->Caption(), QStringLiteral("Start Logging"));
        w.ExitProgram();
        QVERIFY(win.dir.read(QStringLiteral("bwtotals.txt")).contains("Boot - "));
    }

    // With a notification area the window goes there; without one it is
    // minimised so that it can be found again.
    void sendToTray()
    {
        Window win;
        frmMain &w = win.w;
        w.show();
        QVERIFY(QTest::qWaitForWindowExposed(&w));
        w.cmdSendToTray_Click();
        QCOMPARE(QSystemTrayIcon::isSystemTrayAvailable(), m_desktop);
        if (!m_desktop) {
            QVERIFY(!w.isHidden());
            QTRY_VERIFY(w.isMinimized());
            return;
        }
        QVERIFY(w.isHidden());
        const auto trays = w.findChildren<QSystemTrayIcon *>();
        QCOMPARE(trays.size(), 1);
        QVERIFY(trays[0]->isVisible());
        w.ui.mnShowStats->trigger();
        QVERIFY(w.systrayWindow(false)->isVisible());
        QVERIFY(w.isHidden());
        w.ui.mnOpen->trigger();
        QVERIFY(!w.isHidden());
        QVERIFY(!trays[0]->isVisible());
    }

private:
    bool m_desktop{false};
    QString m_skip;
};

namespace {

// Xvfb on a display of its own choosing, with trayer as the notification area.
class VirtualDesktop final
{
public:
    QString start()
    {
        for (const char *program : {"Xvfb", "trayer"}) {
            if (QStandardPaths::findExecutable(QLatin1String(program)).isEmpty())
                return QStringLiteral("%1 is not installed (scripts/deps.sh installs it)").arg(QLatin1String(program));
        }
        m_x.start(QStringLiteral("Xvfb"), {QStringLiteral("-displayfd"), QStringLiteral("1"), QStringLiteral("-screen"),
                                           QStringLiteral("0"), QStringLiteral("1280x900x24"), QStringLiteral("-nolisten"),
                                           QStringLiteral("tcp")});
        if (!m_x.waitForStarted(5000) || !m_x.waitForReadyRead(10000))
            return QStringLiteral("Xvfb did not start");
        const QByteArray display = m_x.readLine().trimmed();
        qputenv("DISPLAY", ":" + display);
        qputenv("QT_QPA_PLATFORM", "xcb");
        m_tray.start(QStringLiteral("trayer"), {QStringLiteral("--edge"), QStringLiteral("bottom"), QStringLiteral("--align"),
                                                QStringLiteral("right"), QStringLiteral("--widthtype"), QStringLiteral("pixel"),
                                                QStringLiteral("--width"), QStringLiteral("120"), QStringLiteral("--height"),
                                                QStringLiteral("24")});
        return m_tray.waitForStarted(5000) ? QString() : QStringLiteral("trayer did not start");
    }

    ~VirtualDesktop()
    {
        for (QProcess *p : {&m_tray, &m_x}) {
            if (p->state() != QProcess::NotRunning) {
                p->terminate();
                if (!p->waitForFinished(3000))
                    p->kill();
            }
        }
    }

private:
    QProcess m_x;
    QProcess m_tray;
};

} // namespace

int main(int argc, char **argv)
{
    std::vector<char *> args(argv, argv + argc);
    const auto desktopFlag = std::find_if(args.begin(), args.end(), [](const char *a) { return !qstrcmp(a, "--desktop"); });
    const bool desktop = desktopFlag != args.end();
    if (desktop)
        args.erase(desktopFlag);
    QString skip;
    VirtualDesktop virtualDesktop;
    if (desktop) {
        skip = virtualDesktop.start();
        if (!skip.isEmpty())
            qputenv("QT_QPA_PLATFORM", "offscreen");
    }
    int count = int(args.size());
    QApplication app(count, args.data());
    if (desktop && skip.isEmpty()) {
        // The notification area announces itself once trayer has mapped its window.
        if (!QTest::qWaitFor([] { return QSystemTrayIcon::isSystemTrayAvailable(); }, 10000))
            skip = QStringLiteral("trayer offered no notification area");
    }
    tst_frmmain_bandwidth test(desktop, skip);
    return QTest::qExec(&test, count, args.data());
}

#include "tst_frmmain_bandwidth.moc"
