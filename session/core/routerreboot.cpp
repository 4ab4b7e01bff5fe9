#include "session/core/routerreboot.h"

#include "base/errorlog.h"
#include "base/clock.h"
#include "router/core/orbtelnet.h"
#include "router/core/telnetcommands.h"
#include "session/core/routersession.h"
#include "stats/core/routerscripts.h"

#include <QTimer>

#include <algorithm>

namespace quillon {

namespace {

const QString kModule = QStringLiteral("RouterReboot");
// A router takes a minute or two to restart and train its line; a watch
// still waiting after this long (plus twice the settle time) gives up.
constexpr qint64 kWatchBaseSecs = 300;
constexpr qint64 kWatchMaxSecs = 6 * 3600;

bool rebootCommandSent(const QStringList &conversation)
{
    const QString command = QStringLiteral("reboot") + ConversationSeparator;
    return std::any_of(conversation.begin(), conversation.end(),
                       [&command](const QString &entry) { return entry.startsWith(command); });
}

} // namespace

RouterReboot::RouterReboot(RouterSession &session, BusyLeases &leases, std::function<SessionSettings()> settings,
                           PingFunction ping, QTimer *watchTimer, QTimer *settleTimer, QObject *parent)
    : QObject(parent)
    , m_session(session)
    , m_leases(leases)
    , m_settings(std::move(settings))
    , m_watchTimer(watchTimer)
    , m_settleTimer(settleTimer)
    , m_watch(std::move(ping))
{
    connect(m_watchTimer, &QTimer::timeout, this, &RouterReboot::watchTick);
    connect(m_settleTimer, &QTimer::timeout, this, &RouterReboot::settleTick);
}

RouterReboot::~RouterReboot() = default;

qint64 RouterReboot::watchLimitSecs() const
{
    return std::min(kWatchMaxSecs, kWatchBaseSecs + 2 * m_watch.SettleTarget());
}

void RouterReboot::start()
{
    if (m_active)
        return;
    m_active = true;
    m_commandSent = false;
    m_lease = m_leases.acquire(QStringLiteral("reboot"));
    emit started();
    emit statusChanged(QString::fromLatin1(RebootingStatus));

    RouterJob job;
    job.kind = JobKind::Reboot;
    job.priority = RouterJob::Priority::Urgent;
    job.waitForReboot = true;
    job.start = [this] { return beginScript(); };
    job.done = [this](const TelnetCommands &) { m_commandSent = true; };
    job.failed = [this](const JobFailure &failure) { onScriptFailed(failure); };
    job.failureSentence = MissingLoginMessage({});
    m_session.enqueue(std::move(job));
}

// The watch begins with the script: the router still answers during the
// script's pause, which the watch takes as "not down yet".
QString RouterReboot::beginScript()
{
    const SessionSettings s = m_settings();
    if (!MissingLoginMessage(s.login).isEmpty())
        return {};
    m_watch.start(s.login.host, s.settleEnabled, s.settleTime);
    m_commandTime = Clock::now();
    // Nothing else may talk to the router until it is back or the watch ends.
    m_session.setHeld(true);
    m_settleTimer->stop();
    m_watchTimer->start();
    return RebootRouterScript(s.login);
}

void RouterReboot::onScriptFailed(const JobFailure &failure)
{
    // The router may drop the line as it goes down: once the command is out,
    // the watch goes on whatever the script says.
    if (failure.reason != JobFailure::Reason::Cancelled && rebootCommandSent(m_session.engine().GetConversation())) {
        m_commandSent = true;
        return;
    }
    if (!m_active)
        return;
    m_watchTimer->stop();
    m_settleTimer->stop();
    emit statusChanged(failure.sentence);
    emit scriptFailed(failure);
    end(false);
}

void RouterReboot::watchTick()
{
    if (!m_active || m_watch.phase() != RebootWatch::Phase::Watching)
        return;
    const RebootTick tick = m_watch.tick();
    if (!tick.status.isEmpty())
        emit statusChanged(tick.status);
    if (tick.showIndicator)
        emit routerAnswered(tick.routerUp);
    if (tick.settleStarted) {
        m_watchTimer->stop();
        m_settleTimer->setInterval(tick.settleIntervalMs);
        m_settleTimer->start();
        return;
    }
    if (m_commandTime.secsTo(Clock::now()) < watchLimitSecs())
        return;
    giveUp(m_watch.WentDown()
               ? QStringLiteral("The router has not come back since its reboot, so the reboot watch was stopped.")
               : QStringLiteral("The router did not restart after the reboot command, so the reboot watch was stopped."));
}

void RouterReboot::settleTick()
{
    if (!m_active || m_watch.phase() != RebootWatch::Phase::Settling)
        return;
    m_watch.setSettle(m_settings().settleEnabled);
    const RebootTick tick = m_watch.tick();
    if (!tick.status.isEmpty())
        emit statusChanged(tick.status);
    if (tick.done) {
        m_settleTimer->stop();
        end(true);
        return;
    }
    if (m_commandTime.secsTo(Clock::now()) >= watchLimitSecs())
        giveUp(QStringLiteral("The router did not answer steadily after its reboot, so the reboot watch was stopped."));
}

void RouterReboot::giveUp(const QString &sentence)
{
    m_watchTimer->stop();
    m_settleTimer->stop();
    LogError(false, QStringLiteral("4"), sentence, kModule, QStringLiteral("watchTick"));
    emit statusChanged(sentence);
    end(false);
}

void RouterReboot::end(bool back)
{
    m_active = false;
    // The connection the reboot script left open is of no further use.
    if (m_session.currentKind() == JobKind::Idle && !m_session.engine().isRunning())
        m_session.engine().AbortScript();
    m_session.setHeld(false);
    emit finished(back);
    m_lease.release();
}

} // namespace quillon
