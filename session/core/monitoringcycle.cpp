#include "session/core/monitoringcycle.h"

#include "base/misc.h"
#include "netdiag/core/ping.h"
#include "router/core/telnetcommands.h"
#include "session/core/linestate.h"
#include "session/core/routerreboot.h"
#include "session/core/routersession.h"
#include "stats/core/modemstats.h"
#include "stats/core/routerscripts.h"

#include <QTimer>

#include <cmath>
#include <exception>
#include <memory>

namespace quillon {

namespace {

constexpr int kMaxStatsIntervalSecs = 7 * 24 * 3600;
const QString kReadingKey = QStringLiteral("monitoring reading");

} // namespace

MonitoringCycle::MonitoringCycle(RouterSession &session, RouterReboot &reboot, LineState &line,
                                 std::function<SessionSettings()> settings, PingFunction ping, QTimer *pingTimer,
                                 QTimer *statsTimer, QObject *parent)
    : QObject(parent)
    , m_session(session)
    , m_reboot(reboot)
    , m_line(line)
    , m_settings(std::move(settings))
    , m_pinger(std::move(ping))
    , m_pingTimer(pingTimer)
    , m_statsTimer(statsTimer)
{
    connect(m_pingTimer, &QTimer::timeout, this, &MonitoringCycle::pingTick);
    connect(m_statsTimer, &QTimer::timeout, this, &MonitoringCycle::statsTick);
    connect(&m_reboot, &RouterReboot::started, this, &MonitoringCycle::onRebootStarted);
    connect(&m_reboot, &RouterReboot::finished, this, &MonitoringCycle::onRebootFinished);
}

MonitoringCycle::~MonitoringCycle() = default;

int MonitoringCycle::StatsIntervalSecsFor(const QString &minutesText)
{
    const double secs = Val(minutesText) * 60.0;
    if (!std::isfinite(secs) || secs < MinStatsIntervalSecs)
        return MinStatsIntervalSecs;
    return int(std::min<double>(roundHalfEven(secs), kMaxStatsIntervalSecs));
}

void MonitoringCycle::start()
{
    if (m_monitoring)
        return;
    m_monitoring = true;
    const SessionSettings s = m_settings();
    QString target = s.pingTarget.trimmed();
    // A name lookup lets events run; the monitor must already count as started.
    if (!IsValidIP(target))
        target = GetIPFromHostName(target);
    if (!m_monitoring)
        return;
    m_pinger.start(target, s.pingInterval, s.maxFailedPings);
    m_statsTicks = 0;
    m_statsIntervalSecs = StatsIntervalSecsFor(s.statsInterval);
    m_pendingChange = false;
    if (!m_reboot.active())
        m_pingTimer->start();
    if (s.statsEnabled)
        m_statsTimer->start();
}

void MonitoringCycle::stop()
{
    m_pingTimer->stop();
    m_statsTimer->stop();
    m_monitoring = false;
    m_pendingChange = false;
}

void MonitoringCycle::pingTick()
{
    if (!m_monitoring || m_reboot.active())
        return;
    const PingTick tick = m_pinger.tick();
    emit pinged(tick);
    if (tick.startStats)
        requestReading(true);
    if (tick.reboot) {
        m_pingTimer->stop();
        m_reboot.start();
    }
}

void MonitoringCycle::statsTick()
{
    if (!m_monitoring)
        return;
    if (++m_statsTicks < m_statsIntervalSecs)
        return;
    m_statsTicks = 0;
    requestReading(false);
}

void MonitoringCycle::requestReading(bool stateChanged)
{
    m_pendingChange = m_pendingChange || stateChanged;
    if (m_readingWaiting)
        return;
    m_readingWaiting = true;

    struct Reading
    {
        bool started{false};
        bool changed{false};
    };
    auto reading = std::make_shared<Reading>();
    RouterJob job;
    job.kind = JobKind::Stats;
    job.mergeKey = kReadingKey;
    job.start = [this, reading] {
        reading->started = true;
        reading->changed = m_pendingChange;
        m_pendingChange = false;
        m_readingWaiting = false;
        const RouterLogin login = m_settings().login;
        return MissingLoginMessage(login).isEmpty() ? GetStatsScript(login) : QString();
    };
    job.failureSentence = MissingLoginMessage({});
    job.done = [this, reading](const TelnetCommands &commands) { processReading(commands, reading->changed); };
    job.failed = [this, reading](const JobFailure &failure) {
        if (!reading->started) {
            // Never ran: the change it carried stays for the next reading.
            m_readingWaiting = false;
            m_pendingChange = m_pendingChange || reading->changed;
        }
        ++m_failedReadings;
        emit readingFailed(failure);
    };
    m_session.enqueue(std::move(job));
}

void MonitoringCycle::processReading(const TelnetCommands &commands, bool stateChanged)
{
    ModemStats stats;
    try {
        stats = ProcessModemStats(commands);
    } catch (const std::exception &e) {
        ++m_failedReadings;
        emit readingFailed({JobFailure::Reason::ScriptFailed,
                            QStringLiteral("The router's statistics could not be read: %1")
                                .arg(QString::fromLocal8Bit(e.what()))});
        return;
    }
    m_line.takeStats(stats);
    const SessionSettings s = m_settings();
    const StatsLogEntry entry = StatsLogEntryFor(stats, m_pinger.PingState(), m_pinger.LastRTT(), stateChanged);
    const QString line = m_logger.log(entry, s.saveStatsText, s.saveStatsCsv);
    m_line.snrHistory.addSample(stats.dsMargin);
    ++m_readings;
    emit readingTaken(stats, line);
}

void MonitoringCycle::onRebootStarted()
{
    // Pings during a reboot would only count failures the reboot causes.
    m_pingTimer->stop();
}

void MonitoringCycle::onRebootFinished(bool back)
{
    if (!m_monitoring)
        return;
    if (back)
        emit statusChanged(QString::fromLatin1(MonitoringRestartedStatus));
    m_pingTimer->start();
}

} // namespace quillon
