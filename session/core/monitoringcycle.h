#pragma once

#include "session/core/routerjob.h"
#include "session/core/sessionsettings.h"
#include "stats/core/pingmonitor.h"
#include "stats/core/statslog.h"

#include <QObject>

#include <functional>

class QTimer;

namespace quillon {

class RouterReboot;
class RouterSession;
class TelnetCommands;
struct LineState;
struct ModemStats;

// "Start Monitoring": the ping monitor and its watchdog, statistics readings
// at the set interval and at every change of the ping state, and what each
// reading leaves behind (the statistics logs, the margin history). Readings
// are router jobs like any other: they wait their turn, a reading asked for
// while one waits is merged into it (keeping a change mark), and a reboot
// pauses the pings until the router is back.
class MonitoringCycle final : public QObject
{
    Q_OBJECT
    Q_DISABLE_COPY_MOVE(MonitoringCycle)

public:
    static constexpr int MinStatsIntervalSecs = 60;

    MonitoringCycle(RouterSession &session, RouterReboot &reboot, LineState &line,
                    std::function<SessionSettings()> settings, PingFunction ping, QTimer *pingTimer,
                    QTimer *statsTimer, QObject *parent = nullptr);
    ~MonitoringCycle() override;

    // The ping target is resolved here when it is a host name.
    void start();
    void stop();
    bool isMonitoring() const { return m_monitoring; }

    // The ping timer's and the statistics timer's one-second ticks.
    void pingTick();
    void statsTick();

    const PingMonitor &pinger() const { return m_pinger; }
    int statsIntervalSecs() const { return m_statsIntervalSecs; }
    int statsTicks() const { return m_statsTicks; }
    // Readings logged and failed since the program started.
    quint64 readingsTaken() const { return m_readings; }
    quint64 readingsFailed() const { return m_failedReadings; }

    // Statistics seconds from the box's minutes: below a minute, or not a
    // number, counts as a minute, so monitoring never hammers the router.
    static int StatsIntervalSecsFor(const QString &minutesText);

signals:
    void pinged(const quillon::PingTick &tick);
    void statusChanged(const QString &status);
    // A monitored reading has been logged: the values and the text log line.
    void readingTaken(const quillon::ModemStats &stats, const QString &logLine);
    void readingFailed(const quillon::JobFailure &failure);

private:
    void requestReading(bool stateChanged);
    void processReading(const TelnetCommands &commands, bool stateChanged);
    void onRebootStarted();
    void onRebootFinished(bool back);

    RouterSession &m_session;
    RouterReboot &m_reboot;
    LineState &m_line;
    std::function<SessionSettings()> m_settings;
    PingMonitor m_pinger;
    QTimer *m_pingTimer;
    QTimer *m_statsTimer;
    StatsLogger m_logger;
    int m_statsTicks{0};
    int m_statsIntervalSecs{MinStatsIntervalSecs};
    bool m_monitoring{false};
    bool m_readingWaiting{false};
    bool m_pendingChange{false};
    quint64 m_readings{0};
    quint64 m_failedReadings{0};
};

} // namespace quillon
