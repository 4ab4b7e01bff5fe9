#include "router/core/orbtelnet.h"

#include "base/misc.h"
#include "router/core/socketmaster.h"

#include <QEventLoop>
#include <QPointer>
#include <QTimer>

#include <limits>

namespace quillon {

namespace {

// The longest pause a DELAY line may ask for; a garbled number must not
// freeze a script for days.
constexpr qint64 kMaxDelaySeconds = 3600;
// How often a pause looks whether its script was aborted or replaced.
constexpr int kDelaySliceMs = 50;

} // namespace

OrbTelnet::OrbTelnet(QObject *parent)
    : QObject(parent)
    , m_wsTelnetMain(new CSocketMaster(this))
    , m_wsTelnetData(new CSocketMaster(this))
    , m_watchdog(new QTimer(this))
    , m_deadline(new QTimer(this))
{
    m_clock.start();
    m_sinceProgress.start();
    m_watchdog->setSingleShot(true);
    connect(m_watchdog, &QTimer::timeout, this, &OrbTelnet::onStalled);
    m_deadline->setSingleShot(true);
    m_deadline->setTimerType(Qt::CoarseTimer);
    connect(m_deadline, &QTimer::timeout, this, &OrbTelnet::onDeadline);

    connect(m_wsTelnetMain, &CSocketMaster::DataArrival, this, &OrbTelnet::onMainData);
    connect(m_wsTelnetMain, &CSocketMaster::CloseSckEvent, this, &OrbTelnet::onMainClosed);
    connect(m_wsTelnetMain, &CSocketMaster::SendComplete, this, &OrbTelnet::onMainSendComplete);
    connect(m_wsTelnetMain, &CSocketMaster::Error, this,
            [this](int number, const QString &description, int, const QString &, bool *) {
                onMainError(number, description);
            });

    connect(m_wsTelnetData, &CSocketMaster::ConnectEvent, this, &OrbTelnet::onDataConnected);
    connect(m_wsTelnetData, &CSocketMaster::SendComplete, this, &OrbTelnet::onDataSendComplete);
    connect(m_wsTelnetData, &CSocketMaster::SendProgress, this, &OrbTelnet::touchWatchdog);
    connect(m_wsTelnetData, &CSocketMaster::Error, this,
            [this](int number, const QString &description, int, const QString &, bool *) {
                onDataError(number, description);
            });
}

OrbTelnet::~OrbTelnet()
{
    ++m_generation;
    m_running = false;
}

void OrbTelnet::setStallTimeoutMs(int ms)
{
    m_stallTimeoutMs = ms;
    touchWatchdog();
}

void OrbTelnet::setDeadline(int baseMs, int perLineMs)
{
    m_deadlineBaseMs = qMax(0, baseMs);
    m_deadlinePerLineMs = qMax(0, perLineMs);
}

// Proportional to the script, so a router that answers a little at a time
// cannot hold the engine (and monitoring with it) for ever.
qint64 OrbTelnet::scriptDeadlineMs() const
{
    if (m_deadlineBaseMs <= 0)
        return 0;
    qint64 ms = m_deadlineBaseMs + qint64(m_deadlinePerLineMs) * m_scriptLines.size();
    for (const QString &raw : m_scriptLines) {
        const QString line = script::CleanLine(raw);
        if (script::CommandWord(line) == script::Delay)
            ms += qBound<qint64>(0, roundHalfEven(Val(Field(line, QStringLiteral(" "), 2))), kMaxDelaySeconds) * 1000;
    }
    return ms;
}

void OrbTelnet::RunScript(const QString &strScript)
{
    ++m_generation;
    m_pendingAdvances = 0;
    m_consoleLog.clear();
    m_conversation = QStringList{QString()};
    m_conversationIndex = 0;
    m_lastError.clear();
    m_waiting = false;
    m_waitText.clear();
    m_loginTail.clear();
    m_uploadPending = false;
    resetReplyState();
    if (!strScript.isEmpty())
        m_script = strScript;
    m_startTime = GetSeconds();
    m_scriptLines = m_script.split(script::LineBreak);
    m_lastLineIndex = m_scriptLines.size() - 1;
    m_scriptBytes = 0;
    m_sendsDone = 0;
    m_loggedIn = false;

    m_wsTelnetMain->CloseSck();
    m_wsTelnetData->CloseSck();
    if (m_lastLineIndex <= 0) {
        // A script of one line has nothing to wait for: it runs nothing.
        m_running = false;
        m_scriptFinished = true;
        m_watchdog->stop();
        m_deadline->stop();
        return;
    }
    AddToLog(QStringLiteral("Running script"));
    m_lineIndex = -1;
    m_scriptFinished = false;
    m_running = true;
    m_deadlineMs = scriptDeadlineMs();
    if (m_deadlineMs > 0)
        m_deadline->start(int(qMin<qint64>(m_deadlineMs, std::numeric_limits<int>::max())));
    else
        m_deadline->stop();
    touchWatchdog();
    RunNextLine();
}

void OrbTelnet::AbortScript()
{
    CloseConnection();
    m_lastLineIndex = 0;
    finishScript();
}

// Lines are advanced by socket events, and an event can arrive while a line
// is still being run (a send that completes at once, a pause that lets the
// window paint). Requests made meanwhile are queued here and run in order by
// the outermost call, so lines never nest.
void OrbTelnet::RunNextLine()
{
    ++m_pendingAdvances;
    if (m_driving)
        return;
    m_driving = true;
    QPointer<OrbTelnet> self(this);
    while (self && m_pendingAdvances > 0) {
        --m_pendingAdvances;
        executeNextLine();
    }
    if (self)
        m_driving = false;
}

void OrbTelnet::executeNextLine()
{
    if (!m_running)
        return;
    const quint64 generation = m_generation;
    try {
        ++m_lineIndex;
        touchWatchdog();
        if (m_lineIndex < m_lastLineIndex) {
            const double reached = double(m_lineIndex + 1) / double(m_lastLineIndex) * 100.0;
            emit ScriptProgress(int(roundHalfEven(reached)));
            if (generation != m_generation)
                return;
        }
        if (m_lineIndex <= m_lastLineIndex) {
            const QString line = script::CleanLine(m_scriptLines.at(m_lineIndex));
            m_currentText.clear();
            m_waitText.clear();
            m_waiting = false;
            executeLine(line, script::CommandWord(line));
            return;
        }
        if (!m_scriptFinished) {
            AddToLog(QStringLiteral("End of script"));
            if (!m_waitForReboot)
                CloseConnection();
            finishScript();
            emit ScriptComplete();
        }
    } catch (const SocketRuntimeError &e) {
        if (generation == m_generation)
            failLine(e.number, e.text);
    }
}

void OrbTelnet::executeLine(const QString &line, const QString &word)
{
    const QString blank = QStringLiteral(" ");
    if (word == script::Host) {
        AddToLog(QStringLiteral("Opening connection"));
        m_hostName = Field(line, blank, 2);
        m_port = Field(line, blank, 3);
        if (m_port.isEmpty())
            m_port = script::DefaultPort;
        CheckNextCommandForWait();
        m_wsTelnetMain->Connect(m_hostName, QVariant(m_port));
    } else if (word == script::Send) {
        m_currentText = script::GetQuotedArgument(line);
        CheckNextCommandForWait();
        AddTheCommand(script::WithoutLineBreaks(m_currentText));
        ++m_sendsDone;
        if (m_wsTelnetMain->State() != CSocketMaster::sckClosed) {
            m_wsTelnetMain->SendData(m_currentText);
            if (m_mode == 2)
                AddToLog(QLatin1Char('>') + m_currentText);
        } else {
            AddToLog(QStringLiteral("Cannot SEND - connection is closed."));
        }
    } else if (word == script::Stor) {
        m_currentText = QStringLiteral("STOR ") + script::GetQuotedArgument(line);
        AddTheCommand(script::WithoutLineBreaks(m_currentText));
        CheckNextCommandForWait();
        m_wsTelnetMain->SendData(m_currentText);
    } else if (word == script::Put) {
        m_currentText = script::GetQuotedArgument(line);
        CheckNextCommandForWait();
        SendFileViaFTP(m_currentText);
    } else if (word == script::Wait) {
        if (m_wsTelnetMain->State() != CSocketMaster::sckClosed)
            armWait(script::GetQuotedArgument(line));
        else
            AddToLog(QStringLiteral("Cannot WAIT - connection is closed."));
    } else if (word == script::Delay) {
        const qint64 seconds = roundHalfEven(Val(Field(line, blank, 2)));
        AddToLog(QStringLiteral("Delay for %1 second(s)").arg(seconds));
        const quint64 generation = m_generation;
        QPointer<OrbTelnet> self(this);
        pauseFor(seconds);
        if (self && generation == m_generation)
            RunNextLine();
    } else if (word == script::Echo) {
        m_currentText = script::GetQuotedArgument(line);
        AddToLog(m_currentText);
        RunNextLine();
    } else if (word.isEmpty() || word == script::Comment) {
        RunNextLine();
    } else {
        const QString message = QStringLiteral("Unrecognised command on line %1").arg(m_lineIndex + 1);
        AddToLog(message);
        CloseConnection();
        failScript(message + QLatin1Char('.'), true, false);
    }
}

void OrbTelnet::CheckNextCommandForWait()
{
    if (m_lineIndex >= m_lastLineIndex)
        return;
    const QString next = script::CleanLine(m_scriptLines.at(m_lineIndex + 1));
    if (script::CommandWord(next) != script::Wait)
        return;
    armWait(script::GetQuotedArgument(next));
    ++m_lineIndex;
}

void OrbTelnet::armWait(const QString &text)
{
    m_waiting = true;
    m_waitText = text;
    m_replyBuffer.setWaitText(text);
}

// Socket notifications stay queued during the pause, so a reply that arrives
// meanwhile is handled after it; the window keeps painting and its Abort
// button keeps working.
void OrbTelnet::pauseFor(qint64 seconds)
{
    if (seconds <= 0)
        return;
    const qint64 totalMs = qMin(seconds, kMaxDelaySeconds) * m_delayUnitMs;
    const quint64 generation = m_generation;
    QPointer<OrbTelnet> self(this);
    m_watchdog->stop();
    m_delaying = true;
    QElapsedTimer elapsed;
    elapsed.start();
    QEventLoop loop;
    QTimer slice;
    slice.setSingleShot(true);
    connect(&slice, &QTimer::timeout, &loop, &QEventLoop::quit);
    while (self && generation == m_generation && elapsed.elapsed() < totalMs) {
        slice.start(int(qMin<qint64>(kDelaySliceMs, totalMs - elapsed.elapsed())));
        loop.exec(QEventLoop::ExcludeSocketNotifiers);
    }
    if (!self)
        return;
    m_delaying = false;
    touchWatchdog();
}

void OrbTelnet::finishScript()
{
    ++m_generation;
    m_pendingAdvances = 0;
    m_scriptFinished = true;
    m_running = false;
    m_waiting = false;
    m_waitText.clear();
    m_uploadPending = false;
    m_uploadBytes.clear();
    m_watchdog->stop();
    m_deadline->stop();
}

void OrbTelnet::failScript(const QString &sentence, bool unrecognised, bool loginFailed)
{
    m_lastError = sentence;
    finishScript();
    emit ScriptError(unrecognised, loginFailed);
}

void OrbTelnet::failLine(int number, const QString &description)
{
    AddToLog(QStringLiteral("Error %1").arg(number));
    AddToLog(description);
    CloseConnection();
    failScript(QStringLiteral("The script stopped on line %1 with error %2: %3")
                   .arg(m_lineIndex + 1).arg(number).arg(description));
}

void OrbTelnet::touchWatchdog()
{
    m_trickleBytes = 0;
    m_sinceProgress.restart();
    if (m_running && !m_delaying && m_stallTimeoutMs > 0)
        m_watchdog->start(m_stallTimeoutMs);
}

// A byte every few seconds would keep the stall timer from ever running out.
void OrbTelnet::noteData(qint64 bytes)
{
    m_scriptBytes += bytes;
    if (!m_loggedIn || m_minBytesPerSecond <= 0) {
        touchWatchdog();
        return;
    }
    m_trickleBytes += bytes;
    if (m_trickleBytes * 1000 >= qint64(m_minBytesPerSecond) * m_sinceProgress.elapsed())
        touchWatchdog();
}

void OrbTelnet::onStalled()
{
    if (!m_running || m_delaying)
        return;
    if (m_trickleBytes > 0) {
        AddToLog(QStringLiteral("Only %1 bytes from the router in %2 ms.").arg(m_trickleBytes).arg(m_sinceProgress.elapsed()));
        CloseConnection();
        failScript(QStringLiteral("The router answered too slowly, so the script was stopped."));
        return;
    }
    AddToLog(QStringLiteral("Nothing from the router for %1 ms.").arg(m_stallTimeoutMs));
    CloseConnection();
    failScript(QStringLiteral("The router stopped answering, so the script was stopped."));
}

void OrbTelnet::onDeadline()
{
    if (!m_running)
        return;
    AddToLog(QStringLiteral("The script ran longer than %1 ms.").arg(m_deadlineMs));
    CloseConnection();
    failScript(QStringLiteral("The router took too long to answer, so the script was stopped."));
}

void OrbTelnet::AddToLog(QStringView message)
{
    m_consoleLog += message;
    m_consoleLog += script::LineBreak;
    m_lastLogTime = GetSeconds();
    QString line = script::FormatTime(m_lastLogTime - m_startTime);
    line += QLatin1Char(' ');
    line += message;
    emit LogUpdate(line);
}

double OrbTelnet::GetSeconds() const
{
    return double(m_clock.nsecsElapsed()) / 1e9;
}

} // namespace quillon
