#pragma once

#include <QString>

#include <functional>

namespace quillon {

// One echo to `address` with `timeMs` as the time-out; on an answer `timeMs`
// receives the round trip. FullPing in the program, a script in tests.
using PingFunction = std::function<bool(const QString &address, qint32 &timeMs)>;

// The time-out of every monitoring and watch ping, ms.
inline constexpr qint32 MonitorPingTimeoutMs = 500;

// What one second of the ping monitor asks of the window.
struct PingTick
{
    QString countText;      // the countdown label: "hh:nn:ss", or "Pinging"
    bool pinged{false};     // a ping went out (options off during it, on after)
    bool answered{false};   // ...and was answered: the indicator shows online
    QString pingStatsText;  // "Ping response: ..." when pinged
    bool stateShown{false}; // first ping or a change: icon, label, tray tip
    QString pingState;      // "Up" / "Down"
    QString pingLabel;      // "UP" / "DOWN"
    QString trayTip;        // title + " - UP" / " - DOWN"
    bool startStats{false}; // a real change: fetch and log the statistics, marked as changed
    bool reboot{false};     // watchdog: stop the ping timer and reboot the router
};

// The ping monitor and failed-ping watchdog, driven by the window's
// one-second timer. A tick that arrives while a ping waits (pending events
// run meanwhile) does nothing.
class PingMonitor final
{
public:
    explicit PingMonitor(PingFunction ping);

    // "Start Monitoring": texts of the interval and maximum failed pings boxes;
    // `target` is already a dotted address.
    void start(const QString &target, const QString &intervalText, const QString &maxFailedText);
    PingTick tick();

    QString PingTarget() const { return m_target; }
    QString PingState() const { return m_pingState; }
    qint32 LastRTT() const { return m_lastRtt; }
    qint64 AvgRTT() const { return m_avgRtt; }
    int FailedPings() const { return m_failedPings; }
    int PingIntervalSecs() const { return m_intervalSecs; }

private:
    PingFunction m_ping;
    QString m_target;
    QString m_pingState;
    qint32 m_lastRtt{0};
    qint64 m_avgRtt{0};
    int m_failedPings{0};
    int m_maxFailedPings{0};
    int m_intervalSecs{15};
    int m_ticks{0};
    bool m_lastResult{true};
    bool m_firstPing{true};
    bool m_pinging{false};
};

// What one tick of the reboot watch or the settle period asks of the window.
struct RebootTick
{
    bool showIndicator{false}; // the watch pinged: show routerUp on the indicator
    bool routerUp{false};
    QString status;         // new status text; empty: leave it
    bool settleStarted{false};
    int settleIntervalMs{0}; // the settle timer's interval when it starts
    bool done{false};       // the router is back: restart monitoring or re-enable the options
};

// After a reboot the program started: watches the router go down and come
// back (twice without a settle period), then settles.
class RebootWatch final
{
public:
    enum class Phase { Idle, Watching, Settling, Done };

    explicit RebootWatch(PingFunction ping);

    void start(const QString &routerAddress, bool settle, const QString &settleText);
    void setSettle(bool settle) { m_settle = settle; }
    // The watch timer's tick (Watching) or the settle timer's tick (Settling).
    RebootTick tick();

    Phase phase() const { return m_phase; }
    int UpCycles() const { return m_upCycles; }
    int SettleCount() const { return m_settleCount; }
    qint64 SettleTarget() const { return m_settleTarget; }
    // The router has stopped answering at least once since the watch began.
    bool WentDown() const { return m_wentDown || m_upCycles > 0; }

private:
    void startWatch();
    RebootTick watchTick();
    RebootTick settleTick();

    PingFunction m_ping;
    QString m_router;
    Phase m_phase{Phase::Idle};
    bool m_settle{false};
    qint64 m_settleTarget{0};
    int m_settleCount{0};
    int m_upCycles{0};
    bool m_watchLast{true};
    bool m_wentDown{false};
    bool m_pinging{false};
};

// The router indicator: its caption and fill colour (red in the low byte).
struct PingIndicator
{
    QString caption;
    quint32 colour{0};
};

// "Online" on green, or "Offline" on red.
PingIndicator UpdatePingIndicator(bool isUp);

inline constexpr char RebootingStatus[] = "Rebooting router...";
inline constexpr char RebootedStatus[] = "Router has rebooted.";
inline constexpr char MonitoringRestartedStatus[] = "Monitoring restarted.";

} // namespace quillon
