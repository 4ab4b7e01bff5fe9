#pragma once

// The finished script's conversation cut into commands and reply lines, and
// the reply lookup every parser reads router output through.

#include <QList>
#include <QString>
#include <QStringList>

namespace quillon {

// Separates the command from its reply inside one conversation entry.
inline constexpr QChar ConversationSeparator = QChar(0xA4); // "¤"

// A record keeps the engine's entry as it is (shared, not copied): replies can
// be megabytes, and cutting them into a string per line would cost many times
// their size.
class TelnetCommand final
{
public:
    TelnetCommand() = default;
    explicit TelnetCommand(const QString &entry, qsizetype separator);

    QString Command; // as recorded by the engine, line breaks removed

    bool hasReply() const { return m_replyFrom >= 0; }
    // The reply as received; empty for an empty record.
    QStringView replyText() const;
    // The reply cut at line ends (CR LF or a bare LF); empty for an empty
    // record, one empty line for an empty reply.
    QStringList Reply() const;
    qsizetype lineCount() const;

private:
    QString m_entry;
    qsizetype m_replyFrom{-1};
};

class TelnetCommands final
{
public:
    TelnetCommands() = default;
    // Entry i of the conversation becomes record i; an entry without the
    // separator leaves its record empty.
    static TelnetCommands ExplodeTelnetCommands(const QStringList &conversation);

    // The reply of the first command (from index 0) that contains `command`,
    // ignoring case; empty when none matches. Block form by default; one
    // flattened line with asOneLine; line `lineIndex` unchanged with pickLine.
    QString GetTelnetResponse(const QString &command, bool asOneLine = false,
                              bool pickLine = false, int lineIndex = 0) const;

    const QList<TelnetCommand> &records() const { return m_records; }

private:
    QList<TelnetCommand> m_records;
};

// Shrinks every run of two or more `block`s to one; with trimEnds, one copy is
// also dropped from the end (ignoring case) and then from the start.
QString RemoveMultipleBlocks(const QString &text, const QString &block, bool trimEnds);

} // namespace quillon
