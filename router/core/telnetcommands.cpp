#include "router/core/telnetcommands.h"

#include "base/errorlog.h"

namespace quillon {

namespace {

const QString LineBreak = QStringLiteral("\r\n");
const QString Blank = QStringLiteral(" ");
// The fancy BusyBox prompt when the shell's home is /var.
const QString VarPrompt = QStringLiteral("/var #");
// The plain root prompt, as it ends a reply flattened to one line.
const QString RootPromptTail = QStringLiteral(" #");

// The pty sends CR LF, but a server that passes bare LF through must not
// leave line feeds inside a line.
QStringList splitReply(const QString &reply)
{
    QStringList lines = reply.split(QLatin1Char('\n'));
    for (QString &line : lines) {
        if (line.endsWith(QLatin1Char('\r')))
            line.chop(1);
    }
    return lines;
}

} // namespace

TelnetCommands TelnetCommands::ExplodeTelnetCommands(const QStringList &conversation)
{
    TelnetCommands table;
    table.m_records.resize(conversation.size());
    for (qsizetype i = 0; i < conversation.size(); ++i) {
        const QString &entry = conversation.at(i);
        const qsizetype separator = entry.indexOf(ConversationSeparator);
        if (separator < 0)
            continue;
        TelnetCommand &record = table.m_records[i];
        record.Command = entry.left(separator);
        record.Command.remove(QLatin1Char('\r'));
        record.Command.remove(QLatin1Char('\n'));
        // Everything after the first separator is reply, even if the router's
        // output happens to hold the separator byte itself.
        record.Reply = splitReply(entry.mid(separator + 1));
    }
    return table;
}

QString TelnetCommands::GetTelnetResponse(const QString &command, bool asOneLine, bool pickLine,
                                          int lineIndex) const
{
    const TelnetCommand *found = nullptr;
    for (const TelnetCommand &record : m_records) {
        if (!record.Command.isEmpty() && record.Command.contains(command, Qt::CaseInsensitive)) {
            found = &record;
            break;
        }
    }
    if (!found)
        return {};

    if (!asOneLine && pickLine) {
        if (lineIndex < 0 || lineIndex >= found->Reply.size()) {
            // A short reply is the router's doing; keep a record without
            // interrupting a monitoring run with a box.
            LogError(false, QStringLiteral("9"), QStringLiteral("Subscript out of range"),
                     QStringLiteral("modMisc"), QStringLiteral("GetTelnetResponse"));
            return {};
        }
        return found->Reply.at(lineIndex);
    }

    QString text = found->Reply.join(LineBreak);
    text.remove(VarPrompt, Qt::CaseInsensitive);
    if (!asOneLine)
        return RemoveMultipleBlocks(text, LineBreak, true);

    text.replace(LineBreak, Blank);
    text.replace(QLatin1Char('\r'), QLatin1Char(' '));
    text.replace(QLatin1Char('\n'), QLatin1Char(' '));
    text = RemoveMultipleBlocks(text, Blank, false).trimmed();
    // A reply of nothing but the prompt is an empty reply.
    if (text.endsWith(RootPromptTail))
        text.chop(RootPromptTail.size());
    else if (text == RootPromptTail.trimmed())
        text.clear();
    return text;
}

QString RemoveMultipleBlocks(const QString &text, const QString &block, bool trimEnds)
{
    if (block.isEmpty())
        return text;
    QString source = text;
    if (block == Blank)
        source.replace(QLatin1Char('\t'), QLatin1Char(' '));

    const qsizetype length = block.size();
    const QString doubled = block + block;
    QString result;
    qsizetype p = source.indexOf(doubled);
    if (p < 0) {
        result = source;
    } else {
        result.reserve(source.size());
        qsizetype from = 0;
        for (; p >= 0; p = source.indexOf(doubled, from)) {
            result += QStringView(source).mid(from, p - from);
            result += block;
            while (QStringView(source).mid(p).startsWith(block))
                p += length;
            from = p;
        }
        result += QStringView(source).mid(from);
    }

    if (trimEnds) {
        if (result.endsWith(block, Qt::CaseInsensitive))
            result.chop(length);
        if (result.startsWith(block, Qt::CaseInsensitive))
            result.remove(0, length);
    }
    return result;
}

} // namespace quillon
