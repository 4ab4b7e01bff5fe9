#pragma once

#include "session/core/busylease.h"
#include "session/core/routerjob.h"
#include "session/core/sessionsettings.h"
#include "stats/core/pingmonitor.h"

#include <QObject>

#include <functional>
#include <memory>

class QTimer;

namespace quillon {

class RouterSession;

// The router's system log, fetched on demand or every few minutes: shown,
// merged into "sys-log.txt" when saving is on, and only then, in a script
// of its own, cleared on the router when clearing is on, so a log that
// could not be kept is never lost.
class SystemLogCycle final : public QObject
{
    Q_OBJECT
    Q_DISABLE_COPY_MOVE(SystemLogCycle)

public:
    enum class StartResult { Started, Busy, MissingLogin, RouterNotAnswering };

    // Without a timer the cycle makes its own.
    SystemLogCycle(RouterSession &session, BusyLeases &leases, std::function<SessionSettings()> settings,
                   PingFunction ping, QTimer *checkTimer, QObject *parent = nullptr);
    ~SystemLogCycle() override;

    // The button: the router is pinged first.
    StartResult fetchNow();
    bool fetching() const { return m_fetching; }

    // The periodic fetch, every `intervalText` minutes (1 ... a week).
    void startPeriodic(const QString &intervalText);
    void stopPeriodic();
    void setInterval(const QString &intervalText);
    bool periodic() const { return m_periodic; }
    int intervalMins() const { return m_intervalMins; }
    // The timer's one-second tick.
    void tick();
    qint64 secondsLeft() const;

    // The last log read, as shown.
    const QString &lastLog() const { return m_lastLog; }
    // The last fetch could not keep its log in "sys-log.txt".
    bool saveFailed() const { return m_saveFailed; }

signals:
    void countdownChanged(const QString &text);
    void fetchStarted(bool periodic);
    // The log as it is to be shown; shown before it is saved or cleared.
    void logRead(const QString &text);
    void statusChanged(const QString &status);
    // The fetch, the save and the clear are over.
    void finished();
    void failed(const quillon::JobFailure &failure);

private:
    void begin(bool periodic);
    void processLog(const QString &text, bool save, bool clear);
    void clearLog();
    void end();

    RouterSession &m_session;
    BusyLeases &m_leases;
    std::function<SessionSettings()> m_settings;
    PingFunction m_ping;
    std::unique_ptr<QTimer> m_ownTimer;
    QTimer *m_timer;
    BusyLeases::Lease m_lease;
    QString m_lastLog;
    int m_intervalMins{1};
    int m_ticks{0};
    int m_minutes{0};
    bool m_periodic{false};
    bool m_saveFailed{false};
    bool m_fetching{false};
};

} // namespace quillon
