#include "router/core/orbtelnet.h"

#include "base/errorlog.h"
#include "router/core/socketmaster.h"

namespace quillon {

namespace {

const QString kModule = QStringLiteral("OrbTelnet");
constexpr QChar kSeparator{0xA4}; // "¤" between a command and its reply

QStringView trimBlanks(QStringView text)
{
    while (!text.isEmpty() && text.front() == QLatin1Char(' '))
        text = text.sliced(1);
    while (!text.isEmpty() && text.back() == QLatin1Char(' '))
        text.chop(1);
    return text;
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
    noteData(text.size());
    m_bytesSinceCommand += text.size();
    if (m_running && m_scriptBytes > m_maxScriptBytes) {
        AddToLog(QStringLiteral("More than %1 in one script.").arg(sizeText(m_maxScriptBytes)));
        m_replyBuffer.clear();
        CloseConnection();
        failScript(QStringLiteral("The router sent more than %1 in one script, so the script was stopped.")
                       .arg(sizeText(m_maxScriptBytes)));
        return;
    }
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
    if (m_mode == 1 && loginRefused(text)) {
        const QString message = QStringLiteral("Incorrect username and/or password.");
        AddToLog(message);
        CloseConnection();
        if (m_running)
            failScript(message, false, true);
        return;
    }
    if (m_waiting && waitTextArrived(text)) {
        // The first wait met after the user name and the password is the
        // shell prompt: from then on "Login incorrect" is only text (a log, an
        // environment value), and the data-rate floor applies.
        if (m_sendsDone >= 2)
            m_loggedIn = true;
        m_waiting = false;
        m_waitText.clear();
        RunNextLine();
    }
}

// Looks across piece boundaries: the router may send the words in two writes.
bool OrbTelnet::loginRefused(const QString &piece)
{
    if (m_loggedIn)
        return false;
    const QString probe = m_loginTail + piece;
    m_loginTail = probe.right(script::LoginIncorrect.size() - 1);
    return probe.contains(script::LoginIncorrect, Qt::CaseInsensitive);
}

bool OrbTelnet::StoreDataInBuffer(const QString &text)
{
    m_replyBuffer.append(text);
    if (m_replyBuffer.size() <= m_maxReplyBytes)
        return true;
    if (!m_running) {
        // Nobody reads an idle connection's text; keep only the newest part.
        m_replyBuffer.keepLast(m_maxReplyBytes);
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
    return m_replyBuffer.containsWaitText();
}

void OrbTelnet::AddTheCommand(const QString &command)
{
    StoreLastReply();
    m_replyBuffer.setCommand(command);
    m_bytesSinceCommand = 0;
    if (!m_conversation.at(m_conversationIndex).isEmpty()) {
        m_conversation.append(QString());
        m_conversationIndex = m_conversation.size() - 1;
    }
    m_conversation[m_conversationIndex] = command + kSeparator;
}

// Replies can be megabytes long: they are copied only into the conversation
// and the log, never into temporaries.
void OrbTelnet::StoreLastReply()
{
    const QStringView reply = script::TrimLineBreaks(QStringView(m_replyBuffer.text()));
    if (!reply.isEmpty()) {
        AddTheReply(reply);
        AddToLog(trimBlanks(reply));
    }
    m_replyBuffer.clear();
}

void OrbTelnet::AddTheReply(QStringView reply)
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
    m_replyBuffer.setCommand(QString());
    m_replyBuffer.clear();
    m_bytesSinceCommand = 0;
}

} // namespace quillon
