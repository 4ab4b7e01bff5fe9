#pragma once

// The text the router sent since the last command, with the command's echo
// removed, and the search for an awaited text in it. Both work on what is
// new since the last piece, so a long reply costs time in proportion to its
// length however finely it is cut.

#include "router/core/scriptline.h"

#include <QString>

namespace quillon {

class ReplyBuffer final
{
public:
    // A new command: its echo is looked for from now on. Empty: none.
    void setCommand(const QString &command);
    const QString &command() const { return m_command; }

    // Appends a piece and drops everything up to the end of the command's
    // echo once the echo is complete (again on every piece, as the router
    // may repeat it).
    void append(QStringView piece);

    // Arms a wait: the next contains() looks through the whole buffer again.
    void setWaitText(const QString &text);
    // Whether the awaited text is in the buffer, ignoring case and leaving out
    // an echo still arriving at its end; an empty wait text matches any text.
    bool containsWaitText();

    const QString &text() const { return m_text; }
    qsizetype size() const { return m_text.size(); }
    // Keeps only the newest `count` characters.
    void keepLast(qsizetype count);
    void clear();

private:
    void textChangedAtStart();

    QString m_text;
    QString m_command;
    QString m_waitText;
    script::EchoScan m_echoScan;
    qsizetype m_searchedTo{0}; // m_text before this holds no wait text
};

} // namespace quillon
