// Monitoring: the ping monitor and watchdog, periodic statistics, the reboot
// watch and settle, the router indicator, icons and the tray.

#include "app/ui/frmmain.h"

#include "base/appinfo.h"
#include "base/dialogs.h"
#include "base/misc.h"
#include "app/ui/mainui.h"
#include "app/ui/uimisc.h"
#include "controls/ui/orblabel.h"
#include "controls/ui/xbutton.h"
#include "imaging/ui/pngresources.h"
#include "netdiag/core/ping.h"
#include "router/core/orbtelnet.h"
#include "stats/core/routerscripts.h"

#include <QAction>
#include <QCheckBox>
#include <QComboBox>
#include <QLabel>
#include <QLineEdit>
#include <QMenu>
#include <QPlainTextEdit>
#include <QSystemTrayIcon>
#include <QTimer>

namespace quillon {

void frmMain::setMonitorCaption(const QString &caption)
{
    ui.cmdToggle->setCaption(caption);
    ui.mnToggle->setText(caption);
}

void frmMain::cmdToggle_Click()
{
    if (!IsMonitoring) {
        IsMonitoring = true;
        setStatus(QStringLiteral("Monitoring started."));
        setMonitorCaption(QStringLiteral("Stop Monitoring"));
        ui.lblCount->setText(QString());
        ui.cmdToggle->setFillColor(RGB(192, 255, 192));

        QString target = ui.txtPing->text().trimmed();
        if (!IsValidIP(target))
            target = GetIPFromHostName(target);
        Monitor.start(target, ui.txtInterval->text(), ui.txtMaxFailedPings->text());
        StatsTicks = 0;
        StatsIntervalSecs = int(roundHalfEven(Val(ui.txtStats->text()) * 60));
        if (StatsIntervalSecs <= 0)
            StatsIntervalSecs = 1;

        ui.imgPings->hide();
        for (QWidget *w : {static_cast<QWidget *>(ui.lblCount), static_cast<QWidget *>(ui.lblPingTime),
                           static_cast<QWidget *>(ui.lblPing), static_cast<QWidget *>(ui.imgPingStatus[0])})
            w->show();
        SetComboByString(ui.cboGraphs, QStringLiteral("SNR margin history"));
        ui.tmrPing->start();
        if (ui.chkStats->isChecked())
            ui.tmrStats->start();
        return;
    }

    ui.tmrPing->stop();
    ui.tmrStats->stop();
    IsMonitoring = false;
    for (QWidget *w : {static_cast<QWidget *>(ui.lblCount), static_cast<QWidget *>(ui.lblPingTime),
                       static_cast<QWidget *>(ui.lblPing), static_cast<QWidget *>(ui.imgPingStatus[0])})
        w->hide();
    setStatus(QStringLiteral("Monitoring stopped."));
    setMonitorCaption(QStringLiteral("Start Monitoring"));
    ui.lblPing->setText(QString());
    ui.cmdToggle->setFillColor(RGB(255, 192, 192));
    SetIcon(this, QStringLiteral("AAA"));
    TrayTip = appTitle();
    ui.imgPings->show();
    ui.imgPingStatus[0]->setPixmap(ui.imgPingStatus[1]->pixmap());
    updateTray();
}

void frmMain::tmrStats_Timer()
{
    ++StatsTicks;
    if (StatsTicks < StatsIntervalSecs)
        return;
    // Another script (a full fetch stage, a reboot) owns the engine: try
    // again at the next tick rather than cut it off.
    if (m_telnet->isRunning() || IsBusy || m_rebooting)
        return;
    ToggleOptions(false);
    StatsTicks = 0;
    PingStateChanged = false;
    FullFetch = false;
    GetStats();
}

// Whether the options belong to the ping monitor now: not while a script, a
// reboot or the ping test holds them (a tick can fire inside the test's
// event processing).
bool frmMain::optionsFreeForPing() const
{
    return !IsBusy && !m_rebooting && !m_pingTestRunning && !m_telnet->isRunning();
}

void frmMain::restoreOptionsAfterPing()
{
    if (optionsFreeForPing())
        ToggleOptions(true);
}

void frmMain::tmrPing_Timer()
{
    const bool ownsOptions = optionsFreeForPing();
    if (ownsOptions)
        ToggleOptions(false);
    const PingTick tick = Monitor.tick();
    ui.lblCount->setText(tick.countText);
    if (!tick.pinged) {
        restoreOptionsAfterPing();
        return;
    }
    ui.lblPingStats->setText(tick.pingStatsText);
    if (tick.stateShown) {
        const bool up = tick.pingState == QLatin1String("Up");
        SetIcon(this, up ? QStringLiteral("AAB") : QStringLiteral("AAC"));
        TrayTip = tick.trayTip;
        ui.lblPing->setText(tick.pingLabel);
        ui.imgPingStatus[0]->setPixmap(ui.imgPingStatus[up ? 2 : 3]->pixmap());
        if (tick.startStats) {
            PingStateChanged = true;
            FullFetch = false;
            if (m_telnet->isRunning() || IsBusy || m_rebooting)
                StatsTicks = StatsIntervalSecs; // log the change as soon as the engine is free
            else
                GetStats();
        }
        updateTray();
    }
    if (tick.reboot) {
        ui.tmrPing->stop();
        RebootRouter();
        return;
    }
    if (tick.answered)
        UpdatePingIndicator(true);
    restoreOptionsAfterPing();
}

void frmMain::UpdatePingIndicator(bool isUp)
{
    const PingIndicator indicator = quillon::UpdatePingIndicator(isUp);
    setShapeFillColour(ui.shpRouter, indicator.colour);
    ui.lblRouterStatus->setText(indicator.caption);
}

void frmMain::cmdReboot_Click()
{
    if (Dialogs::message(Dialogs::Icon::Exclamation, appTitle(), QStringLiteral("Are you sure you want to reboot your router?"),
                         Dialogs::Buttons::YesNo)
        == Dialogs::Answer::Yes)
        RebootRouter();
}

void frmMain::RebootRouter()
{
    ToggleOptions(false);
    m_rebooting = true;
    Watch.start(ui.txtRouter->text(), ui.chkSettle->isChecked(), ui.txtSettle->text());
    ui.tmrRebootWatch->start();
    setStatus(QString::fromLatin1(RebootingStatus));
    runScript(JobReboot, RebootRouterScript(routerLogin()), true);
}

void frmMain::tmrRebootWatch_Timer()
{
    const RebootTick tick = Watch.tick();
    if (!tick.status.isEmpty())
        setStatus(tick.status);
    if (tick.showIndicator)
        UpdatePingIndicator(tick.routerUp);
    if (tick.settleStarted) {
        ui.tmrRebootWatch->stop();
        ui.tmrRebootSettle->setInterval(tick.settleIntervalMs);
        ui.tmrRebootSettle->start();
    }
}

void frmMain::tmrRebootSettle_Timer()
{
    Watch.setSettle(ui.chkSettle->isChecked());
    const RebootTick tick = Watch.tick();
    if (!tick.status.isEmpty())
        setStatus(tick.status);
    if (!tick.done)
        return;
    ui.tmrRebootSettle->stop();
    m_rebooting = false;
    // The connection kept open for the reboot is of no further use.
    m_telnet->AbortScript();
    Stage = JobIdle;
    setStatus(QString::fromLatin1(RebootedStatus));
    if (IsMonitoring) {
        setStatus(QString::fromLatin1(MonitoringRestartedStatus));
        ui.tmrPing->start();
    } else {
        ToggleOptions(true);
    }
}

void frmMain::ensureTray()
{
    if (m_tray || !QSystemTrayIcon::isSystemTrayAvailable())
        return;
    m_tray = new QSystemTrayIcon(this);
    m_tray->setContextMenu(ui.mnSysTray);
    connect(m_tray, &QSystemTrayIcon::activated, this, [this](QSystemTrayIcon::ActivationReason reason) {
        if (reason == QSystemTrayIcon::DoubleClick || reason == QSystemTrayIcon::Trigger)
            restoreFromTray();
    });
    connect(m_tray, &QSystemTrayIcon::messageClicked, this, &frmMain::restoreFromTray);
}

void frmMain::updateTray()
{
    if (!m_tray || !m_tray->isVisible())
        return;
    m_tray->setIcon(windowIcon());
    m_tray->setToolTip(TrayTip.left(63));
}

void frmMain::cmdSendToTray_Click()
{
    ensureTray();
    if (!m_tray) {
        // Without a notification area the window is only minimised, so the
        // program can always be found again.
        showMinimized();
        return;
    }
    m_tray->setIcon(windowIcon());
    m_tray->setToolTip(TrayTip.left(63));
    m_tray->show();
    hide();
}

void frmMain::restoreFromTray()
{
    showNormal();
    raise();
    activateWindow();
    if (m_tray)
        m_tray->hide();
}

} // namespace quillon
