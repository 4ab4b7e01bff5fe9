// Router scripts of the main window: the full fetch chain, the statistics
// reading, completion dispatch and recovery from failed scripts.

#include "app/ui/frmmain.h"

#include "base/appinfo.h"
#include "base/clock.h"
#include "base/dialogs.h"
#include "base/errorlog.h"
#include "base/misc.h"
#include "controls/ui/orblabel.h"
#include "controls/ui/xbutton.h"
#include "graphs/core/bitsfetch.h"
#include "graphs/ui/frmgraphs.h"
#include "graphs/ui/graphviews.h"
#include "graphs/ui/metalchart.h"
#include "router/core/orbtelnet.h"
#include "router/core/telnetcommands.h"
#include "stats/core/report.h"
#include "stats/core/routerscripts.h"
#include "stats/core/statslog.h"

#include <QCheckBox>
#include <QClipboard>
#include <QGuiApplication>
#include <QComboBox>
#include <QLabel>
#include <QLineEdit>
#include <QPlainTextEdit>

namespace quillon {

namespace {
const QString kModule = QStringLiteral("frmMain");
} // namespace

RouterLogin frmMain::routerLogin() const
{
    return {ui.txtRouter->text(), ui.txtPort->text(), ui.txtUser->text(), ui.txtPass->text()};
}

void frmMain::runScript(int job, const QString &script, bool waitForReboot)
{
    Stage = job;
    ScriptText = script;
    m_telnet->setWaitForReboot(waitForReboot);
    m_telnet->RunScript(ScriptText);
}

void frmMain::cmdGetRouterInfo_Click()
{
    setStatus(QStringLiteral("Getting router information..."));
    ui.txtReport->setToolTip(QString::fromLatin1(ReportDocument));
    ui.txtReport->clear();
    AddToReport(ReportHeader(windowTitle(), Clock::now()));

    qint32 time = MonitorPingTimeoutMs;
    if (!ping(ui.txtRouter->text(), time)) {
        setStatus(QStringLiteral("Router is not responding on the given IP address."));
        Dialogs::message(Dialogs::Icon::Exclamation, appTitle(),
                         QStringLiteral("Please ensure the router is switched on and connected\r\n"
                                        "and that the router's IP address is correct."));
        UpdatePingIndicator(false);
        return;
    }
    mcBits->hide();
    ToggleOptions(false);
    ui.cmdToggle->setEnabled(false);
    IsBusy = true;
    Stage = JobIdle;
    GotoNextStage();
    UpdatePingIndicator(true);
}

// Each full-fetch builder leaves its job code in Stage, so the code still
// there when its processor calls back here picks the next stage.
void frmMain::GotoNextStage()
{
    switch (Stage) {
    case JobIdle:
        setStatus(QStringLiteral("Getting basic information..."));
        GetRouterVersion();
        break;
    case JobBits:
        setStatus(QStringLiteral("Getting modem statistics..."));
        FullFetch = true;
        GetStats();
        break;
    case JobVersion:
        setStatus(QStringLiteral("Getting graph data..."));
        GetBits();
        break;
    default:
        finishFullFetch();
        break;
    }
}

void frmMain::finishFullFetch()
{
    DrawGraph();
    QString analysis;
    AnalyseBits(Tones, analysis, 0, int(Val(ui.txtDSStart->text())));
    AnalysePsdsSNR(Tones, analysis, 0);
    if (!analysis.isEmpty())
        AddToReport(analysis);
    setStatus(QStringLiteral("Router statistics obtained."));
    FullFetch = false;
    returnToIdle();
}

// The one way back from router work: flags cleared, options and the
// monitoring button usable again, the chart shown.
void frmMain::returnToIdle()
{
    Stage = JobIdle;
    IsBusy = false;
    StatsRunning = false;
    BitsRunning = false;
    ToggleOptions(true);
    ui.cmdToggle->setEnabled(true);
    mcBits->show();
    emit becameIdle();
}

void frmMain::GetRouterVersion()
{
    UptimeAsked = Clock::now();
    runScript(JobVersion, GetRouterVersionScript(routerLogin()));
}

void frmMain::GetStats()
{
    if (StatsRunning)
        return;
    StatsRunning = true;
    runScript(JobStats, GetStatsScript(routerLogin()));
}

void frmMain::GetBits()
{
    if (BitsRunning)
        return;
    BitsRunning = true;
    runScript(JobBits, quillon::GetBits(routerLogin()));
}

void frmMain::OrbTelnet1_ScriptComplete()
{
    *m_commands = TelnetCommands::ExplodeTelnetCommands(m_telnet->GetConversation());
    switch (Stage) {
    case JobStats: ProcessModemStats(); break;
    case JobBits: ProcessBits(); break;
    case JobVersion: ProcessVersion(); break;
    default: break;
    }
}

void frmMain::OrbTelnet1_ScriptError(bool /*unrecognised*/, bool loginFailed)
{
    if (loginFailed) {
        setStatus(QStringLiteral("Router login failed - please check username and password."));
        FullFetch = false;
        returnToIdle();
        Dialogs::message(Dialogs::Icon::Exclamation, appTitle(),
                         QStringLiteral("Could not log in to router - please ensure the username and password are correct."));
        return;
    }
    if (Stage == JobReboot) {
        // The router drops the line when it restarts: the reboot watch goes on.
        Stage = JobIdle;
        return;
    }
    QString sentence = m_telnet->LastError();
    if (sentence.isEmpty())
        sentence = QStringLiteral("The router script could not be completed.");
    setStatus(sentence);
    FullFetch = false;
    returnToIdle();
}

void frmMain::ProcessVersion()
{
    const RouterVersion version = quillon::ProcessVersion(*m_commands);
    Boot.FindBootTime(version.uptime, UptimeAsked);
    ui.txtInfo->setPlainText(version.versionText);
    GotoNextStage();
}

void frmMain::ProcessBits()
{
    quillon::ProcessBits(*m_commands, Tones);
    BitsRunning = false;
    GotoNextStage();
}

void frmMain::ProcessModemStats()
{
    // Whatever happens below, a failed reading must not block the next one.
    struct ClearRunning
    {
        bool &flag;
        ~ClearRunning() { flag = false; }
    } clear{StatsRunning};

    try {
        const ModemStats stats = quillon::ProcessModemStats(*m_commands);
        LastStats = stats;
        DSAttenuation = stats.dsAttenuation;
        if (stats.modeFound)
            IsADSL2 = stats.isADSL2;
        const ModemStatsLabels labels = StatsLabels(stats, Vendors, Boot.BootTime());
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

        if (FullFetch) {
            for (const QString &line : ModemStatsReportLines(labels, ui.txtInfo->toPlainText()))
                AddToReport(line);
            StatsRunning = false;
            GotoNextStage();
            return;
        }

        UpdatePingIndicator(true);
        const StatsLogEntry entry = StatsLogEntryFor(stats, Monitor.PingState(), Monitor.LastRTT(), PingStateChanged);
        const LoggedReading logged = LogStatsReading(entry, ui.chkSaveStats->isChecked(), ui.chkSaveStatsCSV->isChecked());
        ui.txtOut->appendPlainText(logged.text);
        for (const QString &error : logged.writeErrors)
            LogError(true, QStringLiteral("75"), error, kModule, QStringLiteral("ProcessModemStats"));
        DrawSNR(SNRHistory, stats.dsMargin, *mcBits);
        mcBits->setToolTip(mcBits->ChartTitle() + QStringLiteral(" : double-click to copy data to clipboard"));
        // A history shown in the graphs window would otherwise lag a sample behind.
        DrawUserGraphs();
        Stage = JobIdle;
        if (!IsBusy)
            ToggleOptions(true);
        emit becameIdle();
    } catch (const std::exception &e) {
        LogError(true, QStringLiteral("1"), QString::fromLocal8Bit(e.what()), kModule, QStringLiteral("ProcessModemStats"));
        FullFetch = false;
        returnToIdle();
    }
}

void frmMain::DrawGraph()
{
    if (DSAttenuation.isEmpty())
        return;
    const GraphSources sources{&Tones, &SNRHistory, nullptr};
    const GraphOptions options{ui.chkXAxis->isChecked(), int(Val(ui.txtGraphLimit->text())),
                               int(Val(ui.txtDSStart->text()))};
    quillon::DrawGraph(*mcBits, ui.cboGraphs->currentText(), sources, options);
    DrawUserGraphs();
}

void frmMain::DrawUserGraphs()
{
    if (!m_graphs)
        return;
    const GraphSources sources{&Tones, &SNRHistory, nullptr};
    const GraphOptions options{ui.chkXAxis->isChecked(), int(Val(ui.txtGraphLimit->text())),
                               int(Val(ui.txtDSStart->text()))};
    quillon::DrawUserGraphs(*m_graphs, sources, options);
}

void frmMain::cmdCopyReport_Click()
{
    bool copied = false;
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
    QString text = ui.txtReport->toPlainText();
    text.replace(QLatin1Char('\n'), QStringLiteral("\r\n"));
    SaveReport(text, document);
}

} // namespace quillon
