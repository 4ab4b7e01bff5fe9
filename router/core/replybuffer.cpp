#include "router/core/replybuffer.h"

#include "base/misc.h"

namespace quillon {

void ReplyBuffer::setCommand(const QString &command)
{
    m_command = command;
    m_echoScan = {};
}

void ReplyBuffer::append(QStringView piece)
{
    m_text += piece;
    if (m_command.isEmpty())
        return;
    const qsizetype p = script::GetStartOfReply(m_command, m_text, &m_echoScan);
    if (p <= m_text.size()) {
        m_text.remove(0, p);
        textChangedAtStart();
    }
}

void ReplyBuffer::setWaitText(const QString &text)
{
    m_waitText = text;
    m_searchedTo = 0;
}

bool ReplyBuffer::containsWaitText()
{
    // An echo still arriving is not the router's answer: waiting for
    // "no_where" must not end on the echo of `cat ... "no_where"` cut short.
    qsizetype end = m_text.size();
    if (!m_command.isEmpty() && m_echoScan.partialFrom > 0)
        end = qMin(end, m_echoScan.partialFrom - 1);
    if (end <= 0)
        return false;
    if (m_waitText.isEmpty())
        return true;
    const qsizetype from = qMax<qsizetype>(0, m_searchedTo - m_waitText.size() + 1);
    const bool found = IndexOfNoCase(QStringView(m_text).left(end), m_waitText, from) >= 0;
    m_searchedTo = qMax(m_searchedTo, end);
    return found;
}

void ReplyBuffer::keepLast(qsizetype count)
{
    if (m_text.size() <= count)
        return;
    m_text.remove(0, m_text.size() - count);
    textChangedAtStart();
}

void ReplyBuffer::clear()
{
    m_text.clear();
    textChangedAtStart();
}

void ReplyBuffer::textChangedAtStart()
{
    m_echoScan = {};
    m_searchedTo = 0;
}

} // namespace quillon
