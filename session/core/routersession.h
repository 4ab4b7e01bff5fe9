#pragma once

#include "session/core/routerjob.h"

#include <QList>
#include <QObject>

#include <memory>

namespace quillon {

class OrbTelnet;
class TelnetCommands;

// The one owner of the telnet engine. Router work is queued as jobs and run
// one at a time, so no timer or button can ever cut a running script off or
// take over its result: each job's own callbacks receive its outcome.
class RouterSession final : public QObject
{
    Q_OBJECT
    Q_DISABLE_COPY_MOVE(RouterSession)

public:
    explicit RouterSession(QObject *parent = nullptr);
    ~RouterSession() override;

    OrbTelnet &engine() { return *m_engine; }

    // Queues the job, starting it at once when the engine is free. Returns
    // false when it was merged into a waiting job with the same key.
    bool enqueue(RouterJob job);

    // While held, waiting jobs stay waiting (the router is restarting).
    void setHeld(bool held);
    bool held() const { return m_held; }

    // Ends every waiting job with Cancelled and `sentence`; the running one goes on.
    void cancelWaiting(const QString &sentence);
    // Close-down: the running script is stopped and every job ends as cancelled.
    void shutDown();

    JobKind currentKind() const { return m_current ? m_current->kind : JobKind::Idle; }
    bool isIdle() const { return !m_current; }
    qsizetype waitingCount() const { return m_waiting.size(); }
    bool hasWaiting(const QString &mergeKey) const;

signals:
    void jobStarted(quillon::JobKind kind);
    void jobEnded(quillon::JobKind kind);
    // Nothing runs and nothing can start: no job waits, or the session is held.
    void becameIdle();

private:
    void startNext();
    void scheduleNext();
    void onComplete();
    void onError(bool unrecognised, bool loginFailed);
    void finishCurrent(const std::function<void(RouterJob &)> &report);

    std::unique_ptr<OrbTelnet> m_engine;
    std::unique_ptr<TelnetCommands> m_commands;
    std::unique_ptr<RouterJob> m_current;
    QList<RouterJob> m_waiting;
    bool m_held{false};
    bool m_starting{false};
    bool m_scheduled{false};
    int m_dispatching{0};
    bool m_shutDown{false};
};

} // namespace quillon
