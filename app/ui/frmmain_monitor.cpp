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
    MonitoringCycle &monitor = m_core->monitor;
    if (!monitor.isMonitoring()) {
        setStatus(QStringLiteral("Monitoring started."));
        setMonitorCaption(QStringLiteral("Stop Monitoring"));
        ui.lblCount->setText(QString());
        ui.cmdToggle->setFillColor(RGB(192, 255, 192));
        ui.imgPings->hide();
        for (QWidget *w : {static_cast<QWidget *>(ui.lblCount), static_cast<QWidget *>(ui.lblPingTime),
                           static_cast<QWidget *>(ui.lblPing), static_cast<QWidget *>(ui.imgPingStatus[0])})
            w->show();
        SetComboByString(ui.cboGraphs, QStringLiteral("SNR margin history"));
        DrawGraph();
        monitor.start();
        return;
    }

    monitor.stop();
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
    m_core->monitor.statsTick();
}

void frmMain::tmrPing_Timer()
{
    m_core->monitor.pingTick();
}

// What one second of the ping monitor shows. A tick that only pings leaves
// the options alone: disabling them would take the keyboard focus away from
// whatever the user is typing.
void frmMain::onPinged(const PingTick &tick)
{
    ui.lblCount->setText(tick.countText);
    if (!tick.pinged)
        return;
    ui.lblPingStats->setText(tick.pingStatsText);
    if (tick.stateShown) {
        const bool up = tick.pingState == QLatin1String("Up");
        SetIcon(this, up ? QStringLiteral("AAB") : QStringLiteral("AAC"));
        TrayTip = tick.trayTip;
        ui.lblPing->setText(tick.pingLabel);
        ui.imgPingStatus[0]->setPixmap(ui.imgPingStatus[up ? 2 : 3]->pixmap());
        updateTray();
    }
    if (tick.answered)
        UpdatePingIndicator(true);
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
    m_rebootAsked = !m_core->reboot.active();
    m_core->reboot.start();
}

void frmMain::tmrRebootWatch_Timer()
{
    m_core->reboot.watchTick();
}

void frmMain::tmrRebootSettle_Timer()
{
    m_core->reboot.settleTick();
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
