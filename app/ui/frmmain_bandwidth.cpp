// The Bandwidth tab: readings on demand and while logging, the figures of
// each records view, the history chart, the period and month lists; the mini
// statistics window and the tray's "Show stats".

#include "app/ui/frmmain.h"

#include "app/ui/uimisc.h"
#include "bandwidth/core/bandwidthtexts.h"
#include "bandwidth/ui/frmsystray.h"
#include "base/appinfo.h"
#include "base/apppaths.h"
#include "base/clock.h"
#include "base/dialogs.h"
#include "base/misc.h"
#include "controls/ui/orblabel.h"
#include "controls/ui/xbutton.h"
#include "graphs/ui/metalchart.h"
#include "stats/core/routerscripts.h"

#include <QAction>
#include <QCheckBox>
#include <QComboBox>
#include <QLabel>
#include <QLineEdit>
#include <QPlainTextEdit>
#include <QSignalBlocker>
#include <QTextCursor>

namespace quillon {

namespace {

const QString kBandwidthHistory = QStringLiteral("Bandwidth history");

} // namespace

void frmMain::connectBandwidth()
{
    BandwidthMonitor &bw = m_core->bandwidth;
    connect(ui.cmdGetBandwidth, &XButton::Click, this, &frmMain::cmdGetBandwidth_Click);
    connect(ui.cmdLogBW, &XButton::Click, this, &frmMain::cmdLogBW_Click);
    connect(ui.cmdClearBW, &XButton::Click, this, &frmMain::cmdClearBW_Click);
    connect(ui.cmdListMonthly, &XButton::Click, this, &frmMain::cmdListMonthly_Click);
    connect(ui.cmdMiniStats, &XButton::Click, this, &frmMain::cmdMiniStats_Click);
    connect(ui.mnShowStats, &QAction::triggered, this, &frmMain::mnShowStats_Click);
    connect(ui.cboRouterID, &QComboBox::activated, this, &frmMain::cboRouterID_Click);
    connect(ui.cboRecords, &QComboBox::currentIndexChanged, this, &frmMain::cboRecords_Click);
    connect(ui.chkBWTotals, &QCheckBox::clicked, this, &frmMain::chkBWTotals_Click);
    connect(ui.chkDispText, &QCheckBox::clicked, this, &frmMain::chkDispText_Click);
    for (QCheckBox *box : ui.chkGraphRx)
        connect(box, &QCheckBox::toggled, this, [this] {
            BWTickedGraphs = BuildBWTickedGraphList(graphTicks());
            RefreshSysWin();
        });
    for (QCheckBox *box : ui.chkGraphTx)
        connect(box, &QCheckBox::toggled, this, [this] {
            BWTickedGraphs = BuildBWTickedGraphList(graphTicks());
            RefreshSysWin();
        });

    connect(&bw, &BandwidthMonitor::countdown, ui.lblTimer, &OrbLabel::setCaption);
    connect(&bw, &BandwidthMonitor::statusChanged, this, &frmMain::setStatus);
    connect(&bw, &BandwidthMonitor::readingTaken, this, &frmMain::onBandwidthRead);
    connect(&bw, &BandwidthMonitor::readingFailed, this, [this](const JobFailure &failure, bool monitored) {
        // Logging runs unattended: its failures are told in the status line only.
        if (!monitored && failure.reason == JobFailure::Reason::LoginFailed)
            showLoginRefused();
    });
}

BandwidthSettings frmMain::bandwidthSettings() const
{
    BandwidthSettings s;
    for (size_t i = 0; i < InterfaceSlots; ++i)
        s.ids[i] = ui.txtID[i]->text().trimmed();
    s.interval = ui.txtBWInt->text();
    s.maxRate = BWMaxRate;
    s.saveLog = ui.chkLogBW->isChecked();
    s.graphs = graphTicks();
    return s;
}

GraphTicks frmMain::graphTicks() const
{
    GraphTicks ticks;
    for (size_t i = 0; i < InterfaceSlots; ++i) {
        ticks.rx[i] = ui.chkGraphRx[i]->isChecked();
        ticks.tx[i] = ui.chkGraphTx[i]->isChecked();
        ticks.rxColour[i] = shapeFillColour(ui.shpRec[i]);
        ticks.txColour[i] = shapeFillColour(ui.shpTrans[i]);
    }
    return ticks;
}

MetalChart &frmMain::bandwidthChart() const
{
    return *static_cast<MetalChart *>(ui.mcBandwidth);
}

void frmMain::loadBandwidth()
{
    m_core->bandwidth.loadRecords();
    cboRecords_Click();
    LoadRouterBWIDs();
    GraphTicks ticks;
    ApplyBWTickedGraphList(BWTickedGraphs, ticks);
    for (size_t i = 0; i < InterfaceSlots; ++i) {
        // The stored list stays as it is until the user ticks a box.
        const QSignalBlocker rx(ui.chkGraphRx[i]);
        const QSignalBlocker tx(ui.chkGraphTx[i]);
        ui.chkGraphRx[i]->setChecked(ticks.rx[i]);
        ui.chkGraphTx[i]->setChecked(ticks.tx[i]);
    }
}

void frmMain::unloadBandwidth()
{
    m_core->bandwidth.stop();
    if (m_systray)
        m_systray->hide();
    m_core->bandwidth.closeRecords();
}

void frmMain::LoadRouterBWIDs()
{
    ui.cboRouterID->clear();
    const QString text = LoadAFile(AppPaths::shippedFile(QString::fromLatin1(RouterIdsFileName)));
    for (const RouterIdSet &set : ParseRouterIds(text))
        ui.cboRouterID->addItem(set.name, set.ids);
    // Nothing chosen until a saved choice names an entry: the boxes keep the saved names.
    ui.cboRouterID->setCurrentIndex(-1);
    if (!RouterType.isEmpty())
        SetComboByString(ui.cboRouterID, RouterType);
}

void frmMain::cboRouterID_Click()
{
    const QStringList ids = ui.cboRouterID->currentData().toStringList();
    for (int i = 0; i < InterfaceSlots; ++i)
        ui.txtID[size_t(i)]->setText(ids.value(i));
    RouterType = ui.cboRouterID->currentText();
}

void frmMain::cmdGetBandwidth_Click()
{
    switch (m_core->bandwidth.readNow()) {
    case BandwidthMonitor::StartResult::Started:
        ui.txtUpDown->clear();
        break;
    case BandwidthMonitor::StartResult::RouterNotAnswering:
        ReportRouterNotAnswering();
        break;
    case BandwidthMonitor::StartResult::MissingLogin:
        setStatus(MissingLoginMessage(sessionSettings().login));
        break;
    case BandwidthMonitor::StartResult::AlreadyRunning:
        break;
    }
}

void frmMain::cmdLogBW_Click()
{
    BandwidthMonitor &bw = m_core->bandwidth;
    if (!bw.isMonitoring()) {
        bw.start();
        ui.cmdLogBW->setCaption(QStringLiteral("Stop Logging"));
        ui.cmdLogBW->setFillColor(RGB(0xC0, 0xFF, 0xC0));
        ui.lblTimer->setCaption(QStringLiteral("00:00:00"));
        ui.lblTimer->show();
        return;
    }
    bw.stop();
    ui.cmdLogBW->setCaption(QStringLiteral("Start Logging"));
    ui.cmdLogBW->setFillColor(RGB(0xFF, 0xC0, 0xC0));
    ui.lblTimer->hide();
}

void frmMain::onBandwidthRead(bool monitored, bool sampleAdded)
{
    const QDateTime boot = m_core->line.boot.BootTime();
    if (boot.isValid())
        ui.lblUptime->setText(QStringLiteral("Uptime: ") + DaysHoursAndMinutes(Clock::now(), boot));
    cboRecords_Click();
    if (!monitored) {
        ui.txtUpDown->setPlainText(m_core->bandwidth.text());
        return;
    }
    if (sampleAdded)
        DrawBandwidth();
    showBandwidthText();
}

void frmMain::showBandwidthText()
{
    const BandwidthMonitor &bw = m_core->bandwidth;
    ui.txtUpDown->setPlainText(ui.chkBWTotals->isChecked() ? PeriodSummary(bw.records()) : bw.text());
    ui.txtUpDown->moveCursor(QTextCursor::End);
}

void frmMain::DrawBandwidth()
{
    const BandwidthMonitor &bw = m_core->bandwidth;
    applyGraph(bandwidthChart(), DrawBandwidthHistory(bw.historyInput(true)));
    if (m_systray)
        applyGraph(*m_systray->mcSystray, DrawBandwidthHistory(bw.historyInput(false)));
    if (ui.cboGraphs->currentText() == kBandwidthHistory)
        DrawGraph();
    else
        DrawUserGraphs();
}

void frmMain::cboRecords_Click()
{
    const int view = ui.cboRecords->currentIndex();
    if (view >= 0 && view < int(RecordsViewNames.size())) {
        const ViewFigures figures = RecordsViewFigures(view, m_core->bandwidth.counters(), m_core->bandwidth.records());
        for (size_t i = 0; i < InterfaceSlots; ++i) {
            ui.lblRec[i]->setCaption(figures[i].rx);
            ui.lblTrans[i]->setCaption(figures[i].tx);
        }
    }
    RefreshSysWin();
}

void frmMain::chkBWTotals_Click()
{
    showBandwidthText();
}

void frmMain::chkDispText_Click()
{
    ui.txtUpDown->setVisible(ui.chkDispText->isChecked());
}

void frmMain::cmdListMonthly_Click()
{
    ui.txtUpDown->setPlainText(MonthlyTotals(m_core->bandwidth.records()));
    // The list is for reading: a hidden text box is shown for it.
    if (!ui.chkDispText->isChecked()) {
        ui.chkDispText->setChecked(true);
        chkDispText_Click();
    }
}

void frmMain::cmdClearBW_Click()
{
    m_core->bandwidth.clear();
    ui.txtUpDown->clear();
    for (size_t i = 0; i < InterfaceSlots; ++i) {
        ui.lblRec[i]->setCaption(QStringLiteral("-"));
        ui.lblTrans[i]->setCaption(QStringLiteral("-"));
        ui.chkGraphRx[i]->setChecked(false);
        ui.chkGraphTx[i]->setChecked(false);
    }
    bandwidthChart().ResetChart();
    RefreshSysWin();
}

frmSystray *frmMain::systrayWindow(bool create)
{
    if (!m_systray && create) {
        m_systray = new frmSystray;
        applyGraph(*m_systray->mcSystray, DrawBandwidthHistory(m_core->bandwidth.historyInput(false)));
        // Until a reading comes the window says it waits for one.
        if (m_core->bandwidth.readingsTaken() > 0)
            RefreshSysWin();
        else
            m_systray->setStats(m_systray->lblMsg->text(), ui.cboRecords->currentText());
    }
    return m_systray;
}

void frmMain::RefreshSysWin()
{
    if (!m_systray)
        return;
    ViewFigures figures;
    for (size_t i = 0; i < InterfaceSlots; ++i)
        figures[i] = {ui.lblRec[i]->Caption(), ui.lblTrans[i]->Caption()};
    m_systray->setStats(MiniStatsText(graphTicks(), figures), ui.cboRecords->currentText());
}

void frmMain::cmdMiniStats_Click()
{
    if (m_systray && m_systray->isVisible())
        m_systray->hide();
    else
        systrayWindow(true)->ShowMessage(QString(), this);
}

void frmMain::mnShowStats_Click()
{
    systrayWindow(true)->ShowMessage(QString(), this);
}

} // namespace quillon
