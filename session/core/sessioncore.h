#pragma once

#include "bandwidth/core/bandwidthmonitor.h"
#include "config/core/routertweaks.h"
#include "config/core/systemlogcycle.h"
#include "history/core/historyrecorder.h"
#include "session/core/busylease.h"
#include "session/core/linestate.h"
#include "session/core/monitoringcycle.h"
#include "session/core/routerinfofetch.h"
#include "session/core/routerreboot.h"
#include "session/core/routersession.h"
#include "session/core/sessionsettings.h"

#include <QObject>

#include <functional>

class QTimer;

namespace quillon {

// The timers the router work runs on. The window passes its own; the command
// line makes plain ones.
struct SessionTimers
{
    QTimer *ping{nullptr};
    QTimer *stats{nullptr};
    QTimer *rebootWatch{nullptr};
    QTimer *rebootSettle{nullptr};
    QTimer *bandwidth{nullptr};
    QTimer *check{nullptr}; // the system log's countdown
};

// Everything that talks to the router, without any widget: the job queue and
// its engine, the busy leases, the line's data, the full fetch, the reboot,
// the monitoring cycle and the bandwidth monitor, wired together once for the
// window and the command line alike.
class SessionCore final : public QObject
{
    Q_OBJECT
    Q_DISABLE_COPY_MOVE(SessionCore)

public:
    SessionCore(std::function<SessionSettings()> settings, PingFunction ping, const SessionTimers &timers,
                QObject *parent = nullptr);
    ~SessionCore() override;

    BusyLeases leases;
    LineState line;
    RouterSession session;
    RouterReboot reboot;
    RouterInfoFetch fetch;
    MonitoringCycle monitor;
    BandwidthMonitor bandwidth;
    RouterTweaks tweaks;
    SystemLogCycle systemLog;
    // Every reading, monitored or fetched, goes into the line history.
    HistoryRecorder history;

    // Replaces the echo every part uses (tests drive the program with it).
    void setPing(PingFunction ping) { m_ping = std::move(ping); }
    bool ping(const QString &address, qint32 &timeMs) { return m_ping && m_ping(address, timeMs); }
    SessionSettings settings() const { return m_settings(); }

private:
    std::function<SessionSettings()> m_settings;
    PingFunction m_ping;
};

} // namespace quillon
