#pragma once

#include "app/ui/mainui.h"
#include "session/core/sessioncore.h"
#include "config/core/dslfeatures.h"
#include "exchange/core/exchangemodel.h"

#include <QDateTime>
#include <QPointer>
#include <QStringList>
#include <QWidget>

#include <array>
#include <functional>
#include <memory>

class QSystemTrayIcon;

namespace quillon {

class ExchangeLookup;
class MetalChart;
class frmSystray;
class OrbDNS;
struct ExchangeInputs;
class OrbTelnet;
class TraceRoute;
class frmGraphs;
class frmHistory;

// The main window: shows what the router work reports and starts it from the
// buttons. The work itself (the job queue, the full fetch, monitoring, the
// reboot) lives in the session core the window owns.
class frmMain final : public QWidget
{
    Q_OBJECT
    Q_DISABLE_COPY_MOVE(frmMain)

public:
    enum class UnloadMode { UserClose, Program };

    explicit frmMain(QWidget *parent = nullptr);
    ~frmMain() override;

    // Start-up, in order. Called once after construction.
    void Form_Load();
    // Returns true when the close may go ahead (settings are saved then).
    bool Form_QueryUnload(UnloadMode mode);
    // The orderly exit of the tray menu, also taken on SIGTERM and SIGINT.
    void ExitProgram();
    // The close-down has run: settings saved, the program is to end.
    bool isUnloaded() const { return m_unloaded; }

    // Replaces the echo used by the monitor, the reboot watch and the
    // full fetch's router check; tests drive the window with it.
    void setPingFunction(PingFunction ping);
    void setScriptStallTimeoutMs(int ms);
    // Replaces the echo of the Ping Test tab (tests).
    void setPingTestEcho(std::function<bool(const QString &, qint32 &, const QByteArray &)> echo)
    {
        m_pingTestEcho = std::move(echo);
    }

    MainUi ui;
    MetalChart *mcBits = nullptr;
    // The router work behind the window: job queue, full fetch, reboot, monitoring.
    SessionCore &core() { return *m_core; }
    OrbTelnet &telnet();
    frmGraphs *graphsWindow(bool create);
    frmHistory *historyWindow(bool create);

    // The job code of the script now running (0 when none runs).
    int Stage() const;
    bool IsMonitoring() const;
    // The settings the router work reads, taken from the controls now.
    SessionSettings sessionSettings() const;

    // Window state
    bool AdvancedWarned = false;
    bool AbortRequested = false;
    QString AppDir;
    QString SettingsPath;
    QString SysLogPath;
    QDateTime LastSnapshotTime;
    QString TrayTip;
    QString LossRate;
    QString MaxHops = QStringLiteral("30"); // trace route hop limit
    QString RouterType;
    QString BWTickedGraphs;
    QString BWMaxRate = QStringLiteral("100"); // fastest plausible interface rate, Mbit/s
    QString LookupSite;     // base address of the exchange-lookup site; "" when none
    QString DirectionsSite; // base address of the directions service; "" when none
    ExchangeModel Exchange;
    float EstimatedColumn = -1;
    std::array<QString, 8> GraphNames;
    std::array<QString, 3> GraphTags; // what each graphs-window chart shows ("G1".."G3")

    // Handlers, named after the control and event they serve.
    void SetupForm();
    void LoadIniSettings();
    WriteResult SaveIniFile();
    void ApplyDefaults();
    void OrbTab1_TabClicked();
    void ToggleOptions(bool enabled);
    void AddToReport(const QString &line);
    void FlushReport(); // the report lines not yet shown
    void cmdGetRouterInfo_Click();
    void cmdToggle_Click();
    void cmdReboot_Click();
    void cmdSendToTray_Click();
    void cmdCopyReport_Click();
    void cmdSaveReport_Click();
    void cmdCapture_Click();
    void cmdShowGraphs_Click();
    void cmdHistory_Click();
    void cmdPingTest_Click();
    void cmdAbort_Click();
    void cmdTracert_Click();
    void chkResolve_Click();
    void chkStandardDNS_Click();
    void ShowTraceResult(const QString &report);
    void imgLogo_Click();
    void lblCredit_Click();
    void chkSettle_Click();
    void chkShowLog_Click();
    void tmrStats_Timer();
    void tmrPing_Timer();
    void tmrRebootWatch_Timer();
    void tmrRebootSettle_Timer();
    void UpdatePingIndicator(bool isUp);
    // The status line and the box for a router that does not answer its ping.
    void ReportRouterNotAnswering();
    void RebootRouter();
    void DrawGraph();
    void DrawUserGraphs();
    void DispExchange();
    void FindBestFromRealDistance();
    void cmdCalcBest_Click();
    void cmdGetDist_Click();
    ExchangeLookup &exchangeLookup();
    // The Bandwidth tab, the mini statistics window and the tray's "Show stats".
    void cmdGetBandwidth_Click();
    void cmdLogBW_Click();
    void cmdClearBW_Click();
    void cmdListMonthly_Click();
    void cmdMiniStats_Click();
    void mnShowStats_Click();
    void cboRouterID_Click();
    void cboRecords_Click();
    void chkBWTotals_Click();
    void chkDispText_Click();
    void LoadRouterBWIDs();
    void RefreshSysWin();
    void DrawBandwidth();
    frmSystray *systrayWindow(bool create);
    // The window field a settings row of kind Special is kept in.
    QString *specialSetting(const QString &control);

    // Advanced tab and tweak options (frmmain_advanced.cpp).
    void SetupConfigControls();
    void LoadDSLFeatureInfo();
    void RefreshDSLFeatures();
    // Selects the items of the block's list whose bits are set in the word.
    void DisplayDSLFeat(int block, quint32 word);
    // The word to write: listed bits from the selection, the rest as read.
    std::optional<quint32> BuildNewDSLFeat(int block) const;
    void DisplayDSLFeatDes(int block);
    void lblDSLFeat_Click();
    void nTabAdv_TabClicked();
    void cmdSaveDSLFeat_Click();
    void cmdUpdateRouter_Click();
    void chkMarginRetrain_Click();
    void hscrThreshold_Change();
    // System log (frmmain_syslog.cpp).
    void cmdGetLog_Click();
    void chkRegularLog_Click();
    void txtLogInt_Change();

signals:
    // Router work has ended and the window is idle again.
    void becameIdle();
    // The close-down has saved everything; the program may end.
    void unloaded();

protected:
    void closeEvent(QCloseEvent *event) override;
    bool eventFilter(QObject *watched, QEvent *event) override;

private:
    void connectControls();
    void connectCore();
    void connectAdvanced();
    void connectSystemLog();
    void showThreshold(const ThresholdReading &reading, bool inFullFetch);
    void showWriteFailed(const JobFailure &failure);
    quint32 selectedBits(int block) const;
    void setupTraceRoute();
    void setStatus(const QString &text);
    void showStatsLabels(const ModemStatsLabels &labels);
    void onFetchFinished();
    void onFetchFailed(const JobFailure &failure);
    void showLoginRefused();
    void onPinged(const PingTick &tick);
    void onReadingTaken(const QString &logLine);
    void onReadingFailed(const JobFailure &failure);
    void emitIdleWhenFree();
    void setMonitorCaption(const QString &caption);
    void restoreFromTray();
    void ensureTray();
    void updateTray();
    MetalChart &speedsChart() const;
    void connectBandwidth();
    void loadBandwidth();
    void unloadBandwidth();
    void onBandwidthRead(bool monitored, bool sampleAdded);
    void showBandwidthText();
    BandwidthSettings bandwidthSettings() const;
    GraphTicks graphTicks() const;
    MetalChart &bandwidthChart() const;
    ExchangeInputs exchangeInputs() const;

    std::unique_ptr<SessionCore> m_core;
    QPointer<frmGraphs> m_graphs;
    QStringList m_pendingReport;
    QPointer<frmSystray> m_systray;
    QPointer<frmHistory> m_history;
    QSystemTrayIcon *m_tray = nullptr;
    std::function<bool(const QString &, qint32 &, const QByteArray &)> m_pingTestEcho;
    bool m_rebootAsked = false; // the running reboot came from the button
    bool m_idleAnnounced = true;
    bool m_exiting = false;
    bool m_unloaded = false;
    OrbDNS *m_dns = nullptr;
    TraceRoute *m_trace = nullptr;
    BusyLeases::Lease m_traceLease; // from the click until the trace's last lookup
    bool m_traceErrorShown = false;
    ExchangeLookup *m_lookup = nullptr;
    BusyLeases::Lease m_lookupLease; // while the web lookup runs
    FeatureBlocks m_featureBlocks;
};

} // namespace quillon
