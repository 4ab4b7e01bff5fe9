#include "config/core/systemlogcycle.h"

#include "base/apppaths.h"
#include "config/core/configscripts.h"
#include "config/core/systemlog.h"
#include "router/core/telnetcommands.h"
#include "session/core/routersession.h"

#include <QTimer>

namespace quillon {

namespace {

constexpr int kTicksPerMinute = 60;
constexpr qint32 kRouterPingTimeoutMs = 500;

} // namespace

SystemLogCycle::SystemLogCycle(RouterSession &session, BusyLeases &leases, std::function<SessionSettings()> settings,
                               PingFunction ping, QTimer *checkTimer, QObject *parent)
    : QObject(parent)
    , m_session(session)
    , m_leases(leases)
    , m_settings(std::move(settings))
    , m_ping(std::move(ping))
    , m_ownTimer(checkTimer ? nullptr : std::make_unique<QTimer>())
    , m_timer(checkTimer ? checkTimer : m_ownTimer.get())
{
    if (m_ownTimer)
        m_ownTimer->setInterval(1000);
    connect(m_timer, &QTimer::timeout, this, &SystemLogCycle::tick);
}

SystemLogCycle::~SystemLogCycle()
{
    m_timer->disconnect(this);
}

SystemLogCycle::StartResult SystemLogCycle::fetchNow()
{
    if (m_fetching || m_leases.busy())
        return StartResult::Busy;
    const SessionSettings s = m_settings();
    if (!MissingLoginMessage(s.login).isEmpty())
        return StartResult::MissingLogin;
    qint32 time = kRouterPingTimeoutMs;
    if (!m_ping || !m_ping(s.login.host, time))
        return StartResult::RouterNotAnswering;
    begin(false);
    return StartResult::Started;
}

void SystemLogCycle::startPeriodic(const QString &intervalText)
{
    setInterval(intervalText);
    m_ticks = 0;
    m_minutes = 0;
    m_periodic = true;
    m_timer->start();
    emit countdownChanged(QStringLiteral("--:--:--"));
}

void SystemLogCycle::stopPeriodic()
{
    m_timer->stop();
    m_periodic = false;
}

void SystemLogCycle::setInterval(const QString &intervalText)
{
    m_intervalMins = LogIntervalMinsFor(intervalText);
}

qint64 SystemLogCycle::secondsLeft() const
{
    return qint64(m_intervalMins - m_minutes) * kTicksPerMinute - m_ticks;
}

void SystemLogCycle::tick()
{
    if (!m_periodic)
        return;
    if (++m_ticks >= kTicksPerMinute) {
        m_ticks = 0;
        ++m_minutes;
    }
    emit countdownChanged(LogCountdownText(secondsLeft()));
    // Due while other work holds the options: tried again every second.
    if (m_minutes < m_intervalMins || m_fetching || m_leases.busy())
        return;
    if (!MissingLoginMessage(m_settings().login).isEmpty())
        return;
    m_minutes = 0;
    m_ticks = 0;
    begin(true);
}

void SystemLogCycle::begin(bool periodic)
{
    m_fetching = true;
    m_saveFailed = false;
    m_lease = m_leases.acquire(QStringLiteral("system log"));
    emit fetchStarted(periodic);
    emit statusChanged(periodic ? QStringLiteral("Fetching system log...") : QStringLiteral("Getting router system log..."));

    auto flags = std::make_shared<std::pair<bool, bool>>(false, false);
    RouterJob job;
    job.kind = JobKind::SystemLog;
    job.start = [this, flags] {
        const SessionSettings s = m_settings();
        *flags = {s.saveLog, s.clearLog};
        return MissingLoginMessage(s.login).isEmpty() ? GetSystemLogScript(s.login) : QString();
    };
    job.failureSentence = MissingLoginMessage({});
    job.done = [this, flags](const TelnetCommands &commands) {
        processLog(ProcessSystemLog(commands), flags->first, flags->second);
    };
    job.failed = [this](const JobFailure &failure) {
        emit failed(failure);
        end();
    };
    m_session.enqueue(std::move(job));
}

void SystemLogCycle::processLog(const QString &text, bool save, bool clear)
{
    m_lastLog = text;
    emit logRead(text);
    emit statusChanged(QStringLiteral("Router system log obtained."));
    bool kept = true;
    if (save) {
        const LogSave saved = SaveSystemLog(text, AppPaths::file(QString::fromLatin1(SysLogFileName)));
        kept = saved.saved;
        m_saveFailed = !kept;
        emit statusChanged(kept || !clear ? saved.status
                                          : saved.status + QStringLiteral(" The router's log was not cleared."));
    }
    if (clear && kept && !text.isEmpty()) {
        clearLog();
        return;
    }
    end();
}

void SystemLogCycle::clearLog()
{
    RouterJob job;
    job.kind = JobKind::SystemLog;
    job.priority = RouterJob::Priority::Chain;
    job.start = [this] {
        const RouterLogin login = m_settings().login;
        return MissingLoginMessage(login).isEmpty() ? ClearSystemLogScript(login) : QString();
    };
    job.failureSentence = MissingLoginMessage({});
    job.done = [this](const TelnetCommands &) { end(); };
    job.failed = [this](const JobFailure &failure) {
        emit failed(failure);
        end();
    };
    m_session.enqueue(std::move(job));
}

void SystemLogCycle::end()
{
    m_fetching = false;
    emit finished();
    m_lease.release();
}

} // namespace quillon
