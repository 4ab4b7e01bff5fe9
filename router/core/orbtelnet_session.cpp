#include "router/core/orbtelnet.h"

#include "app/core/errorlog.h"
#include "router/core/socketmaster.h"

namespace quillon {

namespace {

const QString kModule = QStringLiteral("OrbTelnet");
constexpr QChar kSeparator{0xA4}; // "¤" between a command and its reply

QString trimBlanks(const QString &text)
{
    qsizetype start = 0;
    qsizetype end = text.size();
    while (start < end && text.at(start) == QLatin1Char(' '))
        ++start;
    while (end > start && text.at(end - 1) == QLatin1Char(' '))
        --end;
    return text.mid(start, end - start);
}

QString sizeText(qint64 bytes)
{
    if (bytes >= 1024 * 1024 && bytes % (1024 * 1024) == 0)
        return QStringLiteral("%1 MiB").arg(bytes / (1024 * 1024));
    return QStringLiteral("%1 bytes").arg(bytes);
}

} // namespace

void OrbTelnet::onMainData()
{
    const qint32 state = m_wsTelnetMain->State();
    if (state != CSocketMaster::sckOpen && state != CSocketMaster::sckListening
        && state != CSocketMaster::sckConnected)
        return;
    QString text;
    try {
        text = m_wsTelnetMain->GetDataText();
    } catch (const SocketRuntimeError &e) {
        LogError(true, QString::number(e.number), e.text, kModule, QStringLiteral("wsTelnetMain_DataArrival"));
        return;
    }
    ProcessRecData(text);
}

void OrbTelnet::onMainClosed()
{
    if (m_running) {
        AddToLog(QStringLiteral("The router closed the connection."));
        CloseConnection();
        failScript(QStringLiteral("The router closed the connection before the script finished."));
        return;
    }
    m_wsTelnetMain->CloseSck();
}

void OrbTelnet::onMainError(int number, const QString &description)
{
    AddToLog(QStringLiteral("Winsock Control Error - %1 : %2").arg(number).arg(description));
    // The socket can do nothing more; waiting for the stall timeout would only
    // keep the user waiting for the same answer.
    if (m_running) {
        CloseConnection();
        failScript(QStringLiteral("The connection to the router failed: %1").arg(description));
    }
}

void OrbTelnet::onMainSendComplete()
{
    if (!m_waiting)
        RunNextLine();
}

void OrbTelnet::ProcessRecData(const QString &text)
{
    const quint64 generation = m_generation;
    touchWatchdog();
    m_bytesSinceCommand += text.size();
    if (m_mode != 2) {
        if (!StoreDataInBuffer(text))
            return;
    } else {
        AddToLog(text);
        if (text.startsWith(script::PassiveReply)) {
            ConnectWSData(text);
            if (generation != m_generation)
                return;
        }
        if (m_running && m_bytesSinceCommand > m_maxReplyBytes) {
            CloseConnection();
            failScript(QStringLiteral("The server sent more than %1 without the expected text, so the script was stopped.")
                           .arg(sizeText(m_maxReplyBytes)));
            return;
        }
    }
    if (m_mode == 1 && text.contains(script::LoginIncorrect, Qt::CaseInsensitive)) {
        const QString message = QStringLiteral("Incorrect username and/or password.");
        AddToLog(message);
        CloseConnection();
        if (m_running)
            failScript(message, false, true);
        return;
    }
    if (m_waiting && waitTextArrived(text)) {
        m_waiting = false;
        m_waitText.clear();
        RunNextLine();
    }
}

bool OrbTelnet::StoreDataInBuffer(const QString &text)
{
    m_replyBuffer += text;
    if (!m_lastCommand.isEmpty()) {
        const qsizetype p = script::GetStartOfReply(m_lastCommand, m_replyBuffer, &m_echoScan);
        if (p <= m_replyBuffer.size()) {
            m_replyBuffer.remove(0, p);
            m_echoScan = {};
            m_waitSearchedTo = 0;
        }
    }
    if (m_replyBuffer.size() <= m_maxReplyBytes)
        return true;
    if (!m_running) {
        // Nobody reads an idle connection's text; keep only the newest part.
        m_replyBuffer.remove(0, m_replyBuffer.size() - m_maxReplyBytes);
        m_echoScan = {};
        m_waitSearchedTo = 0;
        return true;
    }
    AddToLog(QStringLiteral("Reply longer than %1.").arg(sizeText(m_maxReplyBytes)));
    m_replyBuffer.clear();
    CloseConnection();
    failScript(QStringLiteral("The router sent more than %1 without the expected text, so the script was stopped.")
                   .arg(sizeText(m_maxReplyBytes)));
    return false;
}

bool OrbTelnet::waitTextArrived(const QString &piece)
{
    if (m_mode == 2)
        return !piece.isEmpty() && (m_waitText.isEmpty() || piece.contains(m_waitText, Qt::CaseInsensitive));
    // An echo still arriving is not the router's answer: waiting for
    // "no_where" must not end on the echo of `cat ... "no_where"` cut short.
    qsizetype end = m_replyBuffer.size();
    if (!m_lastCommand.isEmpty() && m_echoScan.partialFrom > 0)
        end = qMin(end, m_echoScan.partialFrom - 1);
    if (end <= 0)
        return false;
    if (m_waitText.isEmpty())
        return true;
    const qsizetype from = qMax<qsizetype>(0, m_waitSearchedTo - m_waitText.size() + 1);
    const bool found = QStringView(m_replyBuffer).left(end).indexOf(m_waitText, from, Qt::CaseInsensitive) >= 0;
    m_waitSearchedTo = qMax(m_waitSearchedTo, end);
    return found;
}

void OrbTelnet::AddTheCommand(const QString &command)
{
    StoreLastReply();
    m_lastCommand = command;
    m_echoScan = {};
    m_bytesSinceCommand = 0;
    if (!m_conversation.at(m_conversationIndex).isEmpty()) {
        m_conversation.append(QString());
        m_conversationIndex = m_conversation.size() - 1;
    }
    m_conversation[m_conversationIndex] = command + kSeparator;
}

void OrbTelnet::StoreLastReply()
{
    const QString reply = script::TrimLineBreaks(m_replyBuffer);
    m_replyBuffer.clear();
    m_echoScan = {};
    m_waitSearchedTo = 0;
    if (reply.isEmpty())
        return;
    AddTheReply(reply);
    AddToLog(trimBlanks(reply));
}

void OrbTelnet::AddTheReply(const QString &reply)
{
    QString &entry = m_conversation[m_conversationIndex];
    if (!entry.endsWith(script::LineBreak) && !entry.endsWith(kSeparator))
        entry += script::LineBreak;
    entry += reply;
}

void OrbTelnet::CloseConnection()
{
    StoreLastReply();
    if (m_wsTelnetMain->State() != CSocketMaster::sckClosed)
        m_wsTelnetMain->CloseSck();
    if (m_wsTelnetData->State() != CSocketMaster::sckClosed)
        m_wsTelnetData->CloseSck();
    AddToLog(QStringLiteral("Closed connection."));
}

void OrbTelnet::resetReplyState()
{
    m_lastCommand.clear();
    m_replyBuffer.clear();
    m_echoScan = {};
    m_waitSearchedTo = 0;
    m_bytesSinceCommand = 0;
}

} // namespace quillon
