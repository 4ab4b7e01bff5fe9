// Stand-in for the reply lookup, linked into these tests only while the router
// session's implementation has not landed in this tree.
#include "router/core/telnetcommands.h"

namespace quillon {

TelnetCommands TelnetCommands::ExplodeTelnetCommands(const QStringList &conversation)
{
    TelnetCommands table;
    for (const QString &entry : conversation) {
        TelnetCommand record;
        const qsizetype at = entry.indexOf(ConversationSeparator);
        if (at >= 0) {
            record.Command = entry.left(at);
            record.Reply = entry.mid(at + 1).split(QStringLiteral("\r\n"));
        }
        table.m_records.append(record);
    }
    return table;
}

QString TelnetCommands::GetTelnetResponse(const QString &command, bool, bool, int) const
{
    for (const TelnetCommand &record : m_records) {
        if (record.Command.contains(command, Qt::CaseInsensitive)) {
            QString text = record.Reply.join(QStringLiteral("\r\n"));
            text.remove(QStringLiteral("/var #"), Qt::CaseInsensitive);
            return RemoveMultipleBlocks(text, QStringLiteral("\r\n"), true);
        }
    }
    return {};
}

QString RemoveMultipleBlocks(const QString &text, const QString &block, bool trimEnds)
{
    QString result = text;
    while (result.contains(block + block))
        result.replace(block + block, block);
    if (trimEnds) {
        if (result.endsWith(block))
            result.chop(block.size());
        if (result.startsWith(block))
            result.remove(0, block.size());
    }
    return result;
}

} // namespace quillon
