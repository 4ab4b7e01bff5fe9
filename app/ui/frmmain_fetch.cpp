// "Get Router Info", the report box, and the wiring that shows what the
// router work reports: full-fetch stages, monitored readings, failures.

#include "app/ui/frmmain.h"

#include "base/appinfo.h"
#include "base/dialogs.h"
#include "base/misc.h"
#include "base/settingstable.h"
#include "controls/ui/orblabel.h"
#include "controls/ui/xbutton.h"
#include "graphs/ui/frmgraphs.h"
#include "graphs/ui/graphviews.h"
#include "graphs/ui/metalchart.h"
#include "stats/core/report.h"
#include "stats/core/routerscripts.h"

#include <QCheckBox>
#include <QClipboard>
#include <QComboBox>
#include <QGuiApplication>
#include <QLabel>
#include <QLineEdit>
#include <QPlainTextEdit>

namespace quillon {

void frmMain::connectCore()
{
    SessionCore &c = *m_core;
    connect(&c.leases, &BusyLeases::busyChanged, this, [this](bool busy) {
        ToggleOptions(!busy);
        if (busy)
            m_idleAnnounced = false;
        else
            emitIdleWhenFree();
    });
    connect(&c.session, &RouterSession::jobStarted, this, [this] { m_idleAnnounced = false; });
    connect(&c.session, &RouterSession::becameIdle, this, &frmMain::emitIdleWhenFree);

    connect(&c.fetch, &RouterInfoFetch::reportReset, this, [this] {
        ui.txtReport->setToolTip(QString::fromLatin1(ReportDocument));
        m_pendingReport.clear();
        ui.txtReport->clear();
    });
    connect(&c.fetch, &RouterInfoFetch::reportLineAdded, this, &frmMain::AddToReport);
    connect(&c.fetch, &RouterInfoFetch::stageStarted, this, &frmMain::setStatus);
    connect(&c.fetch, &RouterInfoFetch::versionRead, this,
            [this] { ui.txtInfo->setPlainText(m_core->line.versionText); });
    connect(&c.fetch, &RouterInfoFetch::statsRead, this, [this] { showStatsLabels(m_core->fetch.labels()); });
    connect(&c.fetch, &RouterInfoFetch::finished, this, &frmMain::onFetchFinished);
    connect(&c.fetch, &RouterInfoFetch::failed, this, &frmMain::onFetchFailed);

    connect(&c.monitor, &MonitoringCycle::pinged, this, &frmMain::onPinged);
    connect(&c.monitor, &MonitoringCycle::statusChanged, this, &frmMain::setStatus);
    connect(&c.monitor, &MonitoringCycle::readingTaken, this,
            [this](const ModemStats &, const QString &line) { onReadingTaken(line); });
    connect(&c.monitor, &MonitoringCycle::readingFailed, this, &frmMain::onReadingFailed);

    connect(&c.reboot, &RouterReboot::statusChanged, this, &frmMain::setStatus);
    connect(&c.reboot, &RouterReboot::routerAnswered, this, &frmMain::UpdatePingIndicator);
    connect(&c.reboot, &RouterReboot::scriptFailed, this, [this](const JobFailure &failure) {
        // Only a reboot the user asked for may answer with a box; the
        // watchdog's runs unattended.
        if (m_rebootAsked && failure.reason == JobFailure::Reason::LoginFailed)
            showLoginRefused();
    });
    connect(&c.reboot, &RouterReboot::finished, this, [this] { m_rebootAsked = false; });
    connect(&c.history, &HistoryRecorder::problemChanged, this, [this](const QString &text) {
        if (!text.isEmpty())
            setStatus(text);
    });
}

// "Idle" for whoever waits on the window: no script runs or waits and no
// activity holds the options.
void frmMain::emitIdleWhenFree()
{
    if (m_idleAnnounced || !m_core->session.isIdle() || m_core->leases.busy()
        || (m_core->session.waitingCount() > 0 && !m_core->session.held()))
        return;
    m_idleAnnounced = true;
    emit becameIdle();
}

void frmMain::ReportRouterNotAnswering()
{
    setStatus(QStringLiteral("Router is not responding on the given IP address."));
    Dialogs::message(Dialogs::Icon::Exclamation, appTitle(),
                     QStringLiteral("Please ensure the router is switched on and connected\r\n"
                                    "and that the router's IP address is correct."));
}

void frmMain::cmdGetRouterInfo_Click()
{
    setStatus(QStringLiteral("Getting router information..."));
    switch (m_core->fetch.start()) {
    case RouterInfoFetch::StartResult::Started:
        ui.cmdToggle->setEnabled(false);
        UpdatePingIndicator(true);
        break;
    case RouterInfoFetch::StartResult::RouterNotAnswering:
        ReportRouterNotAnswering();
        UpdatePingIndicator(false);
        break;
    case RouterInfoFetch::StartResult::MissingLogin:
        setStatus(MissingLoginMessage(sessionSettings().login));
        break;
    case RouterInfoFetch::StartResult::AlreadyRunning:
        break;
    }
}

void frmMain::onFetchFinished()
{
    FlushReport();
    DrawGraph();
    DispExchange();
    setStatus(QStringLiteral("Router statistics obtained."));
    ui.cmdToggle->setEnabled(true);
}

void frmMain::onFetchFailed(const JobFailure &failure)
{
    FlushReport();
    setStatus(failure.sentence);
    ui.cmdToggle->setEnabled(true);
    if (failure.reason == JobFailure::Reason::LoginFailed)
        showLoginRefused();
}

void frmMain::showLoginRefused()
{
    Dialogs::message(Dialogs::Icon::Exclamation, appTitle(),
                     QStringLiteral("Could not log in to router - please ensure the username and password are correct."));
}

void frmMain::showStatsLabels(const ModemStatsLabels &labels)
{
    ui.lblLastBoot->setText(labels.lastBoot);
    ui.lblDownRate->setText(labels.downRate);
    ui.lblUpRate->setText(labels.upRate);
    ui.lblMaxDownRate->setText(labels.maxDownRate);
    ui.lblMaxUpRate->setText(labels.maxUpRate);
    ui.lblDownSNR->setText(labels.downSNR);
    ui.lblUpSNR->setText(labels.upSNR);
    ui.lblDownAtt->setText(labels.downAtt);
    ui.lblUpAtt->setText(labels.upAtt);
    ui.lblVendor->setText(labels.vendor);
    ui.lblDownPower->setText(labels.downPower);
    ui.lblUpPower->setText(labels.upPower);
    ui.lblMode->setText(labels.mode);
}

void frmMain::onReadingTaken(const QString &logLine)
{
    const LineState &line = m_core->line;
    showStatsLabels(StatsLabels(line.lastStats, line.vendors, line.boot.BootTime()));
    UpdatePingIndicator(true);
    ui.txtOut->appendPlainText(logLine);
    DrawGraph();
}

void frmMain::onReadingFailed(const JobFailure &failure)
{
    // Monitoring runs unattended: a failed reading is told in the status line
    // only, and the next one is taken as usual.
    if (failure.reason != JobFailure::Reason::Cancelled)
        setStatus(failure.sentence);
}

void frmMain::DrawGraph()
{
    // Before the first reading too: a chosen type shows at once, empty until
    // its data exists.
    const LineState &line = m_core->line;
    const BandwidthHistoryInput bandwidth = m_core->bandwidth.historyInput(true);
    const GraphSources sources{&line.tones, &line.snrHistory, &bandwidth};
    const GraphOptions options{ui.chkXAxis->isChecked(), wholeSetting(ui.txtGraphLimit->objectName(), ui.txtGraphLimit->text()),
                               wholeSetting(ui.txtDSStart->objectName(), ui.txtDSStart->text())};
    quillon::DrawGraph(*mcBits, ui.cboGraphs->currentText(), sources, options);
    DrawUserGraphs();
}

void frmMain::DrawUserGraphs()
{
    if (!m_graphs)
        return;
    const LineState &line = m_core->line;
    const BandwidthHistoryInput bandwidth = m_core->bandwidth.historyInput(true);
    const GraphSources sources{&line.tones, &line.snrHistory, &bandwidth};
    const GraphOptions options{ui.chkXAxis->isChecked(), wholeSetting(ui.txtGraphLimit->objectName(), ui.txtGraphLimit->text()),
                               wholeSetting(ui.txtDSStart->objectName(), ui.txtDSStart->text())};
    quillon::DrawUserGraphs(*m_graphs, sources, options);
}

void frmMain::cmdCopyReport_Click()
{
    bool copied = false;
    FlushReport();
    const QString text = ui.txtReport->toPlainText();
    setStatus(CopyReportStatus(text, copied));
    if (copied)
        QGuiApplication::clipboard()->setText(text);
}

void frmMain::cmdSaveReport_Click()
{
    QString document = ui.txtReport->toolTip();
    if (document.isEmpty())
        document = QString::fromLatin1(ReportDocument);
    FlushReport();
    QString text = ui.txtReport->toPlainText();
    text.replace(QLatin1Char('\n'), QStringLiteral("\r\n"));
    SaveReport(text, document);
}

} // namespace quillon
