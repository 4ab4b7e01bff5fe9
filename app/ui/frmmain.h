#pragma once

#include "app/ui/mainui.h"
#include "graphs/core/snrhistory.h"
#include "graphs/core/tonetables.h"
#include "stats/core/boottime.h"
#include "stats/core/modemstats.h"
#include "stats/core/pingmonitor.h"
#include "stats/core/vendors.h"

#include <QDateTime>
#include <QPointer>
#include <QWidget>

#include <array>
#include <functional>
#include <memory>

class QSystemTrayIcon;

namespace quillon {

class MetalChart;
class OrbTelnet;
class TelnetCommands;
class frmGraphs;
struct RouterLogin;

// The main window and controller: owns the telnet engine, the timers and the
// window-level state, decides which router script runs, and resumes when the
// engine reports completion or failure.
class frmMain final : public QWidget
{
    Q_OBJECT
    Q_DISABLE_COPY_MOVE(frmMain)

public:
    enum class UnloadMode { UserClose, Program };

    // Job codes written to Stage by the script builders.
    enum Job { JobIdle = 0, JobStats = 1, JobBits = 2, JobVersion = 3, JobReboot = 4,
               JobThresholdRead = 5, JobThresholdWrite = 6, JobFeatureWrite = 7,
               JobBandwidth = 8, JobSystemLog = 9 };

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
    OrbTelnet &telnet() { return *m_telnet; }
    frmGraphs *graphsWindow(bool create);

    // Window state
    int Stage = JobIdle;
    bool IsMonitoring = false;
    bool IsBusy = false;
    bool FullFetch = false;
    bool StatsRunning = false;
    bool BitsRunning = false;
    bool PingStateChanged = false;
    bool AdvancedWarned = false;
    bool AbortRequested = false;
    bool IsADSL2 = false;
    QString DSAttenuation;
    QString ScriptText;
    QString QuoteEscape;
    QString AppDir;
    QString SettingsPath;
    QString SysLogPath;
    QDateTime LastSnapshotTime;
    QDateTime UptimeAsked;
    int StatsTicks = 0;
    int StatsIntervalSecs = 0;
    int LogTicks = 0;
    int LogMinutes = 0;
    int LogIntervalMins = 0;
    float TicksPerMinute = 0;
    QString TrayTip;
    QString LossRate;
    QString RouterType;
    QString BWTickedGraphs;
    std::array<QString, 8> GraphNames;
    std::array<QString, 3> GraphTags; // what each graphs-window chart shows ("G1".."G3")

    PingMonitor Monitor;
    RebootWatch Watch;
    BootTimeTracker Boot;
    VendorTable Vendors;
    ModemStats LastStats;
    ToneTables Tones;
    SnrHistory SNRHistory;

    // Handlers, named after the control and event they serve.
    void SetupForm();
    void LoadIniSettings();
    WriteResult SaveIniFile();
    void ApplyDefaults();
    void OrbTab1_TabClicked();
    void ToggleOptions(bool enabled);
    void AddToScript(const QString &line);
    void AddToReport(const QString &line);
    void cmdGetRouterInfo_Click();
    void GotoNextStage();
    void cmdToggle_Click();
    void cmdReboot_Click();
    void cmdSendToTray_Click();
    void cmdCopyReport_Click();
    void cmdSaveReport_Click();
    void cmdCapture_Click();
    void cmdShowGraphs_Click();
    void cmdPingTest_Click();
    void cmdAbort_Click();
    void imgLogo_Click();
    void lblCredit_Click();
    void chkSettle_Click();
    void chkShowLog_Click();
    void OrbTelnet1_ScriptComplete();
    void OrbTelnet1_ScriptError(bool unrecognised, bool loginFailed);
    void tmrStats_Timer();
    void tmrPing_Timer();
    void tmrRebootWatch_Timer();
    void tmrRebootSettle_Timer();
    void UpdatePingIndicator(bool isUp);
    void RebootRouter();
    void GetStats();
    void GetRouterVersion();
    void GetBits();
    void DrawGraph();
    void DrawUserGraphs();

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
    void setStatus(const QString &text);
    void runScript(int job, const QString &script, bool waitForReboot = false);
    RouterLogin routerLogin() const;
    void ProcessModemStats();
    void ProcessVersion();
    void ProcessBits();
    void finishFullFetch();
    void returnToIdle();
    bool optionsFreeForPing() const;
    void restoreOptionsAfterPing();
    void setMonitorCaption(const QString &caption);
    void restoreFromTray();
    void ensureTray();
    void updateTray();
    bool ping(const QString &address, qint32 &timeMs);

    std::unique_ptr<OrbTelnet> m_telnet;
    std::unique_ptr<TelnetCommands> m_commands;
    QPointer<frmGraphs> m_graphs;
    QSystemTrayIcon *m_tray = nullptr;
    PingFunction m_ping;
    std::function<bool(const QString &, qint32 &, const QByteArray &)> m_pingTestEcho;
    bool m_exiting = false;
    bool m_unloaded = false;
    bool m_rebooting = false;
    bool m_pingTestRunning = false;
};

} // namespace quillon
