#pragma once

#include "session/core/busylease.h"
#include "session/core/routerjob.h"
#include "session/core/sessionsettings.h"
#include "stats/core/pingmonitor.h"

#include <QDateTime>
#include <QObject>

#include <functional>

class QTimer;

namespace quillon {

class RouterSession;

// A reboot the program asks for, and the watch that follows it: the router
// must go down and come back (twice without a settle period) before other
// router work may run again. The watch gives up after a bounded time, so a
// router that never restarts, or never returns, cannot freeze the program.
class RouterReboot final : public QObject
{
    Q_OBJECT
    Q_DISABLE_COPY_MOVE(RouterReboot)

public:
    RouterReboot(RouterSession &session, BusyLeases &leases, std::function<SessionSettings()> settings,
                 PingFunction ping, QTimer *watchTimer, QTimer *settleTimer, QObject *parent = nullptr);
    ~RouterReboot() override;

    // Queues the reboot ahead of every waiting job; a reboot under way ignores it.
    void start();
    bool active() const { return m_active; }

    // The watch timer's and the settle timer's ticks.
    void watchTick();
    void settleTick();

    const RebootWatch &watch() const { return m_watch; }
    // Longest the watch may last before it gives up, seconds.
    qint64 watchLimitSecs() const;

signals:
    void started();
    void statusChanged(const QString &status);
    void routerAnswered(bool up);
    // The reboot script failed before the command went out.
    void scriptFailed(const quillon::JobFailure &failure);
    // The router is back (true), or the reboot failed or the watch gave up (false).
    void finished(bool back);

private:
    QString beginScript();
    void onScriptFailed(const JobFailure &failure);
    void giveUp(const QString &sentence);
    void end(bool back);

    RouterSession &m_session;
    BusyLeases &m_leases;
    std::function<SessionSettings()> m_settings;
    QTimer *m_watchTimer;
    QTimer *m_settleTimer;
    RebootWatch m_watch;
    BusyLeases::Lease m_lease;
    QDateTime m_commandTime;
    bool m_active{false};
    bool m_commandSent{false};
};

} // namespace quillon
