#include "session/core/routersession.h"

#include "base/errorlog.h"
#include "router/core/orbtelnet.h"
#include "router/core/telnetcommands.h"

#include <QTimer>

#include <exception>

namespace quillon {

namespace {

const QString kModule = QStringLiteral("RouterSession");

QString orDefault(const QString &sentence, const char *fallback)
{
    return sentence.isEmpty() ? QString::fromLatin1(fallback) : sentence;
}

} // namespace

RouterSession::RouterSession(QObject *parent)
    : QObject(parent)
    , m_engine(std::make_unique<OrbTelnet>())
    , m_commands(std::make_unique<TelnetCommands>())
{
    m_engine->setMode(1);
    connect(m_engine.get(), &OrbTelnet::ScriptComplete, this, &RouterSession::onComplete);
    connect(m_engine.get(), &OrbTelnet::ScriptError, this, &RouterSession::onError);
}

RouterSession::~RouterSession()
{
    m_engine->disconnect(this);
}

bool RouterSession::enqueue(RouterJob job)
{
    if (m_shutDown) {
        if (job.failed)
            job.failed({JobFailure::Reason::Cancelled, QStringLiteral("The program is closing.")});
        return true;
    }
    if (!job.mergeKey.isEmpty() && hasWaiting(job.mergeKey))
        return false;
    qsizetype at = m_waiting.size();
    while (at > 0 && m_waiting[at - 1].priority < job.priority)
        --at;
    m_waiting.insert(at, std::move(job));
    if (!m_dispatching && !m_scheduled)
        startNext();
    return true;
}

bool RouterSession::hasWaiting(const QString &mergeKey) const
{
    for (const RouterJob &waiting : m_waiting) {
        if (waiting.mergeKey == mergeKey)
            return true;
    }
    return false;
}

void RouterSession::setHeld(bool held)
{
    if (m_held == held)
        return;
    m_held = held;
    if (held) {
        if (!m_current)
            emit becameIdle();
        return;
    }
    if (m_waiting.isEmpty()) {
        if (!m_current)
            emit becameIdle();
        return;
    }
    scheduleNext();
}

void RouterSession::cancelWaiting(const QString &sentence)
{
    QList<RouterJob> dropped;
    dropped.swap(m_waiting);
    for (RouterJob &job : dropped) {
        if (job.failed)
            job.failed({JobFailure::Reason::Cancelled, sentence});
    }
}

void RouterSession::shutDown()
{
    m_shutDown = true;
    if (m_current) {
        m_engine->AbortScript();
        finishCurrent([](RouterJob &job) {
            if (job.failed)
                job.failed({JobFailure::Reason::Cancelled, QStringLiteral("The program is closing.")});
        });
    }
    cancelWaiting(QStringLiteral("The program is closing."));
}

// Ending a job may queue the next one from inside the engine's signal; the
// next script starts from the event loop instead, so jobs never nest.
void RouterSession::scheduleNext()
{
    if (m_scheduled)
        return;
    m_scheduled = true;
    QTimer::singleShot(0, this, [this] {
        m_scheduled = false;
        startNext();
    });
}

void RouterSession::startNext()
{
    if (m_current || m_held || m_starting || m_shutDown || m_waiting.isEmpty())
        return;
    m_starting = true;
    m_current = std::make_unique<RouterJob>(m_waiting.takeFirst());
    RouterJob *job = m_current.get();
    QString script;
    try {
        if (job->start)
            script = job->start();
    } catch (const std::exception &e) {
        LogError(false, QStringLiteral("1"), QString::fromLocal8Bit(e.what()), kModule, QStringLiteral("startNext"));
    }
    m_starting = false;
    emit jobStarted(job->kind);
    if (script.isEmpty()) {
        const QString sentence = orDefault(job->failureSentence, "The router script could not be built.");
        finishCurrent([&sentence](RouterJob &j) {
            if (j.failed)
                j.failed({JobFailure::Reason::NothingToRun, sentence});
        });
        return;
    }
    m_engine->setWaitForReboot(job->waitForReboot);
    m_engine->RunScript(script);
    // A script the engine finds nothing to run in raises no signal at all.
    if (m_current.get() == job && !m_engine->isRunning()) {
        finishCurrent([](RouterJob &j) {
            if (j.failed)
                j.failed({JobFailure::Reason::ScriptFailed, QStringLiteral("The router script could not be started.")});
        });
    }
}

void RouterSession::onComplete()
{
    if (!m_current)
        return;
    *m_commands = TelnetCommands::ExplodeTelnetCommands(m_engine->GetConversation());
    const TelnetCommands &commands = *m_commands;
    finishCurrent([&commands](RouterJob &job) {
        if (job.done)
            job.done(commands);
    });
}

void RouterSession::onError(bool unrecognised, bool loginFailed)
{
    if (!m_current)
        return;
    JobFailure failure;
    if (loginFailed) {
        failure.reason = JobFailure::Reason::LoginFailed;
        failure.sentence = QStringLiteral("Router login failed - please check username and password.");
    } else {
        failure.reason = unrecognised ? JobFailure::Reason::Unrecognised : JobFailure::Reason::ScriptFailed;
        failure.sentence = orDefault(m_engine->LastError(), "The router script could not be completed.");
    }
    finishCurrent([&failure](RouterJob &job) {
        if (job.failed)
            job.failed(failure);
    });
}

void RouterSession::finishCurrent(const std::function<void(RouterJob &)> &report)
{
    std::unique_ptr<RouterJob> job = std::move(m_current);
    emit jobEnded(job->kind);
    // The session is free while the job's owner hears the outcome, so the
    // owner may queue its next step at once; it starts from the event loop.
    ++m_dispatching;
    try {
        report(*job);
    } catch (const std::exception &e) {
        LogError(false, QStringLiteral("1"), QString::fromLocal8Bit(e.what()), kModule, QStringLiteral("finishCurrent"));
    }
    --m_dispatching;
    if (!m_current && (m_waiting.isEmpty() || m_held))
        emit becameIdle();
    else
        scheduleNext();
}

} // namespace quillon
