#include "session/core/sessioncore.h"

namespace quillon {

SessionCore::SessionCore(std::function<SessionSettings()> settings, PingFunction ping, const SessionTimers &timers,
                         QObject *parent)
    : QObject(parent)
    , reboot(session, leases, settings, [this](const QString &a, qint32 &t) { return this->ping(a, t); },
             timers.rebootWatch, timers.rebootSettle)
    , fetch(session, leases, line, settings, [this](const QString &a, qint32 &t) { return this->ping(a, t); })
    , monitor(session, reboot, line, settings, [this](const QString &a, qint32 &t) { return this->ping(a, t); },
              timers.ping, timers.stats)
    , bandwidth(session, leases, line, settings, [this](const QString &a, qint32 &t) { return this->ping(a, t); },
                timers.bandwidth)
    , tweaks(session, leases, line, fetch, settings)
    , systemLog(session, leases, settings, [this](const QString &a, qint32 &t) { return this->ping(a, t); },
                timers.check)
    , history(line)
    , m_settings(std::move(settings))
    , m_ping(std::move(ping))
{
    connect(&monitor, &MonitoringCycle::readingTaken, &history,
            [this](const ModemStats &stats) { history.recordReading(stats, ReadingSource::Monitor); });
    connect(&monitor, &MonitoringCycle::pinged, &history, [this](const PingTick &tick) {
        if (tick.pinged)
            history.notePing(tick.answered, monitor.pinger().LastRTT(), monitor.pinger().PingState());
        if (tick.reboot)
            history.noteWatchdog();
    });
    connect(&fetch, &RouterInfoFetch::statsRead, &history,
            [this] { history.recordReading(line.lastStats, ReadingSource::FullFetch); });
    connect(&reboot, &RouterReboot::started, &history, &HistoryRecorder::noteRebootStarted);
}

SessionCore::~SessionCore()
{
    session.shutDown();
}

} // namespace quillon
