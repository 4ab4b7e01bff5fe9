#include "app/ui/frmmain.h"

#include "bandwidth/ui/frmsystray.h"
#include "base/appinfo.h"
#include "base/apppaths.h"
#include "base/clock.h"
#include "base/dialogs.h"
#include "base/misc.h"
#include "controls/ui/orbtab.h"
#include "controls/ui/xbutton.h"
#include "graphs/ui/chartpresets.h"
#include "graphs/ui/frmgraphs.h"
#include "graphs/ui/metalchart.h"
#include "history/ui/frmhistory.h"
#include "imaging/ui/capture.h"
#include "imaging/ui/pngresources.h"
#include "netdiag/core/ping.h"
#include "router/core/orbtelnet.h"
#include "router/core/telnetcommands.h"

#include <QCheckBox>
#include <QCloseEvent>
#include <QComboBox>
#include <QDesktopServices>
#include <QLabel>
#include <QLayout>
#include <QLineEdit>
#include <QMenu>
#include <QPlainTextEdit>
#include <QScrollBar>
#include <QSystemTrayIcon>
#include <QTextDocument>
#include <QTimer>
#include <QUrl>

namespace quillon {

namespace {

const QUrl kHomePage(QStringLiteral("https://quillon.example.org/"));
const QUrl kAuthorPage(QStringLiteral("https://quillon.example.org/developers"));

// Swaps a layout placeholder for the real widget, keeping name and place.
template <typename T>
T *replacePlaceholder(QWidget *&placeholder, T *replacement)
{
    replacement->setObjectName(placeholder->objectName());
    replacement->setToolTip(placeholder->toolTip());
    replacement->setSizePolicy(placeholder->sizePolicy());
    replacement->setMinimumSize(placeholder->minimumSize());
    if (QWidget *parent = placeholder->parentWidget()) {
        replacement->setParent(parent);
        if (QLayout *layout = parent->layout()) {
            delete layout->replaceWidget(placeholder, replacement, Qt::FindChildrenRecursively);
        } else {
            replacement->setGeometry(placeholder->geometry());
        }
    }
    replacement->setVisible(!placeholder->isHidden());
    delete placeholder;
    placeholder = replacement;
    return replacement;
}

} // namespace

frmMain::frmMain(QWidget *parent)
    : QWidget(parent)
{
    setObjectName(QStringLiteral("frmMain"));
    ui.setupUi(this);
    m_core = std::make_unique<SessionCore>(
        [this] { return sessionSettings(); },
        [](const QString &address, qint32 &timeMs) { return FullPing(address, timeMs); },
        SessionTimers{ui.tmrPing, ui.tmrStats, ui.tmrRebootWatch, ui.tmrRebootSettle, ui.tmrBWMonitor, ui.tmrCheck});
    mcBits = replacePlaceholder(ui.mcBits, new MetalChart);
    applyChartPreset(*mcBits, ChartInstance::mcBits);
    auto *speeds = replacePlaceholder(ui.mcSpeeds, new MetalChart);
    applyChartPreset(*speeds, ChartInstance::mcSpeeds);
    auto *bandwidth = replacePlaceholder(ui.mcBandwidth, new MetalChart);
    applyChartPreset(*bandwidth, ChartInstance::mcBandwidth);
    connectControls();
    connectCore();
    connectBandwidth();
    connectAdvanced();
    connectSystemLog();
    setupTraceRoute();
}

frmMain::~frmMain()
{
    // The core's jobs call back into the window: end them while it still exists.
    m_core.reset();
    if (m_graphs)
        delete m_graphs.data();
    if (m_systray)
        delete m_systray.data();
    if (m_history)
        delete m_history.data();
}

void frmMain::setPingFunction(PingFunction ping)
{
    m_core->setPing(std::move(ping));
}

void frmMain::setScriptStallTimeoutMs(int ms)
{
    telnet().setStallTimeoutMs(ms);
}

OrbTelnet &frmMain::telnet()
{
    return m_core->session.engine();
}

int frmMain::Stage() const
{
    return int(m_core->session.currentKind());
}

bool frmMain::IsMonitoring() const
{
    return m_core->monitor.isMonitoring();
}

SessionSettings frmMain::sessionSettings() const
{
    SessionSettings s;
    s.login = {ui.txtRouter->text(), ui.txtPort->text(), ui.txtUser->text(), ui.txtPass->text()};
    s.pingTarget = ui.txtPing->text();
    s.pingInterval = ui.txtInterval->text();
    s.maxFailedPings = ui.txtMaxFailedPings->text();
    s.statsEnabled = ui.chkStats->isChecked();
    s.statsInterval = ui.txtStats->text();
    s.settleEnabled = ui.chkSettle->isChecked();
    s.settleTime = ui.txtSettle->text();
    s.saveStatsText = ui.chkSaveStats->isChecked();
    s.saveStatsCsv = ui.chkSaveStatsCSV->isChecked();
    s.dsStartBit = ui.txtDSStart->text();
    s.bandwidth = bandwidthSettings();
    s.useLongCommands = ui.chkUseLongCommands->isChecked();
    s.saveLog = ui.chkSaveLog->isChecked();
    s.clearLog = ui.chkClearLog->isChecked();
    return s;
}

void frmMain::setStatus(const QString &text)
{
    ui.lblStatus->setText(text);
}

void frmMain::AddToReport(const QString &line)
{
    // Lines arriving together are laid out together: one append per pass of
    // the event loop instead of a relayout of the box for every line.
    if (m_pendingReport.isEmpty())
        QTimer::singleShot(0, this, &frmMain::FlushReport);
    m_pendingReport.append(line);
}

void frmMain::FlushReport()
{
    if (m_pendingReport.isEmpty())
        return;
    const QString text = m_pendingReport.join(QLatin1Char('\n'));
    m_pendingReport.clear();
    if (ui.txtReport->document()->isEmpty())
        ui.txtReport->setPlainText(text);
    else
        ui.txtReport->appendPlainText(text);
}

void frmMain::connectControls()
{
    connect(ui.OrbTab1, &OrbTab::TabClicked, this, &frmMain::OrbTab1_TabClicked);
    connect(ui.cmdGetRouterInfo, &XButton::Click, this, &frmMain::cmdGetRouterInfo_Click);
    connect(ui.cmdToggle, &XButton::Click, this, &frmMain::cmdToggle_Click);
    connect(ui.cmdReboot, &XButton::Click, this, &frmMain::cmdReboot_Click);
    connect(ui.cmdSendToTray, &XButton::Click, this, &frmMain::cmdSendToTray_Click);
    connect(ui.cmdCopyReport, &XButton::Click, this, &frmMain::cmdCopyReport_Click);
    connect(ui.cmdSaveReport, &XButton::Click, this, &frmMain::cmdSaveReport_Click);
    connect(ui.cmdCapture, &XButton::Click, this, &frmMain::cmdCapture_Click);
    connect(ui.cmdShowGraphs, &XButton::Click, this, &frmMain::cmdShowGraphs_Click);
    connect(ui.cmdHistory, &XButton::Click, this, &frmMain::cmdHistory_Click);
    connect(ui.cmdPingTest, &XButton::Click, this, &frmMain::cmdPingTest_Click);
    connect(ui.cmdAbort, &XButton::Click, this, &frmMain::cmdAbort_Click);
    connect(ui.cmdGetDist, &XButton::Click, this, &frmMain::cmdGetDist_Click);
    connect(ui.cmdCalcBest, &XButton::Click, this, &frmMain::cmdCalcBest_Click);
    connect(ui.chkSettle, &QCheckBox::clicked, this, &frmMain::chkSettle_Click);
    connect(ui.chkShowLog, &QCheckBox::clicked, this, &frmMain::chkShowLog_Click);
    connect(ui.cboGraphs, &QComboBox::activated, this, &frmMain::DrawGraph);
    connect(ui.chkXAxis, &QCheckBox::clicked, this, &frmMain::DrawGraph);
    connect(mcBits, &MetalChart::RightClick, this, &frmMain::cmdShowGraphs_Click);
    connect(ui.hscrQuality, &QScrollBar::valueChanged, this,
            [this](int v) { ui.lblQuality->setText(QString::number(v)); });
    ui.lblQuality->setText(QString::number(ui.hscrQuality->value()));
    connect(ui.mnToggle, &QAction::triggered, this, &frmMain::cmdToggle_Click);
    connect(ui.mnOpen, &QAction::triggered, this, &frmMain::restoreFromTray);
    connect(ui.mnExit, &QAction::triggered, this, &frmMain::ExitProgram);
    ui.imgLogo->installEventFilter(this);
    ui.lblCredit->installEventFilter(this);
}

void frmMain::Form_Load()
{
    setWindowTitle(appTitleWithVersion());
    LastSnapshotTime = Clock::now();
    ui.cboRecords->setCurrentIndex(0);

    AppDir = ValidatePath(AppPaths::appDir());
    SettingsPath = AppDir + QStringLiteral("settings.ini");
    SysLogPath = AppDir + QStringLiteral("sys-log.txt");

    LoadIniSettings();
    m_core->line.vendors = VendorTable::LoadVendors();
    SetupConfigControls();
    m_core->line.snrHistory.LoadSNRFromFile();
    loadBandwidth();
    Exchange.Exc_LoadData(ui.txtData->toPlainText());
    Exchange.Exc_SetLossRate(LossRate);

    GraphNames = {QStringLiteral("Bits Allocation per Carrier / Channel"),
                  QStringLiteral("Rx SNR for Bin 0 - Actual trained SNR"),
                  QStringLiteral("Rx SNR for Bin 1 - Actual trained SNR"),
                  QStringLiteral("Rx SNR for Bin 2 - Actual trained SNR"),
                  QStringLiteral("SNR downstream power spectrum"),
                  QStringLiteral("QLN downstream power spectrum"),
                  QStringLiteral("SNR margin history"),
                  QStringLiteral("Bandwidth history")};
    ui.cboGraphs->clear();
    for (const QString &name : GraphNames)
        ui.cboGraphs->addItem(name);
    if (m_graphs)
        m_graphs->setGraphNames(QStringList(GraphNames.begin(), GraphNames.end()));

    SetupForm();

    if (ui.chkAutoMonitor->isChecked())
        cmdToggle_Click();
    if (ui.chkAutoTray->isChecked())
        cmdSendToTray_Click();

    if (ui.txtRouter->text().isEmpty()) {
        ui.OrbTab1->setSelected(1);
        OrbTab1_TabClicked();
        Dialogs::message(Dialogs::Icon::Information, appTitle(), QStringLiteral("Please enter your router's details etc."));
    }
}

void frmMain::SetupForm()
{
    for (size_t i = 0; i < ui.fraTabs.size(); ++i)
        ui.fraTabs[i]->setVisible(i == 0);
    ui.OrbTab1->setSelected(0);
    ui.cmdToggle->setFillColor(RGB(255, 192, 192));
    for (auto [label, name] : {std::pair{ui.imgNormal, "AAA"}, std::pair{ui.imgUP, "AAB"}, std::pair{ui.imgDOWN, "AAC"}})
        label->setPixmap(iconPixmap(QString::fromLatin1(name), 32));
    TrayTip = appTitle();
    SetIcon(this, QStringLiteral("AAA"));
}

void frmMain::OrbTab1_TabClicked()
{
    const int index = ui.OrbTab1->Selected();
    if (index < 0 || index >= int(ui.fraTabs.size()))
        return;
    for (size_t i = 0; i < ui.fraTabs.size(); ++i)
        ui.fraTabs[i]->setVisible(int(i) == index);
    if (ui.fraTabs[size_t(index)]->property("tag").toString() == QLatin1String("advanced") && !AdvancedWarned) {
        AdvancedWarned = true;
        Dialogs::message(Dialogs::Icon::Information, appTitle() + QStringLiteral(" - Warning"),
                         QStringLiteral("This tab contains advanced router settings.\r\n"
                                        "Many of these settings will not apply as they are specific to the ISP.\r\n"
                                        "Please use caution when changing these settings."));
    }
}

void frmMain::ToggleOptions(bool enabled)
{
    for (QWidget *w : {static_cast<QWidget *>(ui.txtPing), static_cast<QWidget *>(ui.txtInterval),
                       static_cast<QWidget *>(ui.txtUser), static_cast<QWidget *>(ui.txtPass),
                       static_cast<QWidget *>(ui.txtRouter), static_cast<QWidget *>(ui.chkStats),
                       static_cast<QWidget *>(ui.txtStats), static_cast<QWidget *>(ui.txtMaxFailedPings),
                       static_cast<QWidget *>(ui.txtPort), static_cast<QWidget *>(ui.chkSettle),
                       static_cast<QWidget *>(ui.txtIPToPing), static_cast<QWidget *>(ui.txtPingCount),
                       static_cast<QWidget *>(ui.txtPackSz), static_cast<QWidget *>(ui.txtTimeout),
                       static_cast<QWidget *>(ui.chkResolve)})
        w->setEnabled(enabled);
    if (enabled) {
        const bool resolve = ui.chkResolve->isChecked();
        ui.chkStandardDNS->setEnabled(resolve);
        ui.chkUseRouter->setEnabled(resolve);
        ui.txtDNS->setEnabled(resolve && !ui.chkStandardDNS->isChecked());
        ui.txtSettle->setEnabled(ui.chkSettle->isChecked());
        ui.cmdAbort->setVisible(false);
    } else {
        ui.txtSettle->setEnabled(false);
        ui.chkStandardDNS->setEnabled(false);
        ui.txtDNS->setEnabled(false);
        ui.chkUseRouter->setEnabled(false);
    }
    for (XButton *b : {ui.cmdGetRouterInfo, ui.cmdReboot, ui.cmdPingTest, ui.cmdTracert, ui.cmdGetDist,
                       ui.cmdCalcBest, ui.cmdUpdateRouter, ui.cmdSaveDSLFeat, ui.cmdGetBandwidth, ui.cmdGetLog})
        b->setEnabled(enabled);
}

void frmMain::chkSettle_Click()
{
    ui.txtSettle->setEnabled(ui.chkSettle->isChecked());
}

void frmMain::chkShowLog_Click()
{
    ui.txtOut->setVisible(ui.chkShowLog->isChecked());
}

void frmMain::imgLogo_Click()
{
    const auto answer = Dialogs::message(
        Dialogs::Icon::Question, QStringLiteral("About the Quillon"),
        appTitleWithVersion()
            + QStringLiteral("\r\n\r\nA line monitor and tuning tool for ADSL routers with a telnet shell.\r\n"
                             "News, help and new versions are on the program's web page.\r\n\r\n"
                             "Would you like to go there now?"),
        Dialogs::Buttons::YesNo);
    if (answer == Dialogs::Answer::Yes)
        QDesktopServices::openUrl(kHomePage);
}

void frmMain::lblCredit_Click()
{
    QDesktopServices::openUrl(kAuthorPage);
}

void frmMain::cmdCapture_Click()
{
    ui.cmdCapture->setEnabled(false);
    CaptureWindow(this, ui.hscrQuality->value(), [this](const QString &status) { setStatus(status); });
    ui.cmdCapture->setEnabled(true);
}

frmGraphs *frmMain::graphsWindow(bool create)
{
    if (!m_graphs && create) {
        m_graphs = new frmGraphs;
        m_graphs->setGraphNames(QStringList(GraphNames.begin(), GraphNames.end()));
        for (int i = 0; i < frmGraphs::ChartCount; ++i)
            m_graphs->setGraphType(i, GraphTags[size_t(i)]);
        connect(m_graphs, &frmGraphs::graphTypeChosen, this, [this](int index) {
            GraphTags[size_t(index)] = m_graphs->graphType(index);
            DrawUserGraphs();
        });
        connect(m_graphs, &frmGraphs::historyRequested, this, &frmMain::cmdHistory_Click);
        connect(m_graphs, &frmGraphs::captureRequested, this, [this] {
            m_graphs->setOptionsEnabled(false);
            CaptureWindow(m_graphs, ui.hscrQuality->value(), [this](const QString &s) { m_graphs->setStatus(s); });
            m_graphs->setOptionsEnabled(true);
        });
    }
    return m_graphs;
}

frmHistory *frmMain::historyWindow(bool create)
{
    if (!m_history && create)
        m_history = new frmHistory(m_core->history);
    return m_history;
}

void frmMain::cmdHistory_Click()
{
    frmHistory *history = historyWindow(true);
    history->show();
    history->raise();
    history->refresh();
}

void frmMain::cmdShowGraphs_Click()
{
    frmGraphs *graphs = graphsWindow(true);
    graphs->show();
    graphs->raise();
    DrawUserGraphs();
}

bool frmMain::Form_QueryUnload(UnloadMode mode)
{
    if (m_unloaded)
        return true;
    if (ui.chkSendToTray->isChecked() && mode == UnloadMode::UserClose) {
        cmdSendToTray_Click();
        return false;
    }
    if (m_tray)
        m_tray->hide();
    if (m_graphs) {
        for (int i = 0; i < frmGraphs::ChartCount; ++i)
            GraphTags[size_t(i)] = m_graphs->graphType(i);
    }
    if (const WriteResult saved = SaveIniFile(); !saved)
        Dialogs::message(Dialogs::Icon::Exclamation, appTitle(),
                         QStringLiteral("The settings could not be saved in %1. Please check that the folder can be written to.\r\n%2")
                             .arg(AppDir, saved.error));
    if (m_graphs)
        m_graphs->hide();
    if (const WriteResult saved = m_core->line.snrHistory.SaveSNRToFile(); !saved)
        Dialogs::message(Dialogs::Icon::Exclamation, appTitle(),
                         QStringLiteral("The SNR margin history could not be saved.\r\n") + saved.error);
    unloadBandwidth();
    m_core->session.shutDown();
    m_unloaded = true;
    emit unloaded();
    return true;
}

void frmMain::ExitProgram()
{
    m_exiting = true;
    if (Form_QueryUnload(UnloadMode::Program))
        hide();
}

void frmMain::closeEvent(QCloseEvent *event)
{
    if (Form_QueryUnload(m_exiting ? UnloadMode::Program : UnloadMode::UserClose))
        event->accept();
    else
        event->ignore();
}

bool frmMain::eventFilter(QObject *watched, QEvent *event)
{
    if (event->type() == QEvent::MouseButtonRelease) {
        if (watched == ui.imgLogo)
            imgLogo_Click();
        else if (watched == ui.lblCredit)
            lblCredit_Click();
    }
    return QWidget::eventFilter(watched, event);
}

} // namespace quillon
