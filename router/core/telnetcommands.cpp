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

bool isVarPromptAt(QStringView text, qsizetype at)
{
    return text.mid(at, VarPrompt.size()).compare(VarPrompt, Qt::CaseInsensitive) == 0;
}

// The reply with its lines joined by CR LF (the pty sends CR LF, but a server
// that passes a bare LF through must not leave it inside a line) and every
// "/var #" prompt removed, in one pass.
QString joinedWithoutPrompts(QStringView reply)
{
    // At most every character a LF gaining its CR.
    QString out(reply.size() * 2, Qt::Uninitialized);
    QChar *o = out.data();
    const qsizetype n = reply.size();
    for (qsizetype i = 0; i < n; ++i) {
        const QChar c = reply[i];
        if (c == QLatin1Char('/') && isVarPromptAt(reply, i)) {
            i += VarPrompt.size() - 1;
            continue;
        }
        if (c == QLatin1Char('\n') && (i == 0 || reply[i - 1] != QLatin1Char('\r')))
            *o++ = QLatin1Char('\r');
        *o++ = c;
    }
    out.truncate(o - out.constData());
    return out;
}

// Line breaks, TABs and runs of blanks become one blank; both ends trimmed.
QString flattened(QStringView reply)
{
    QString out;
    out.reserve(qMin<qsizetype>(reply.size(), 4096));
    bool blank = false;
    const qsizetype n = reply.size();
    for (qsizetype i = 0; i < n; ++i) {
        const QChar c = reply[i];
        if (c == QLatin1Char('/') && isVarPromptAt(reply, i)) {
            i += VarPrompt.size() - 1;
            continue;
        }
        if (c == QLatin1Char(' ') || c == QLatin1Char('\t') || c == QLatin1Char('\r') || c == QLatin1Char('\n')) {
            blank = !out.isEmpty();
            continue;
        }
        if (blank)
            out += QLatin1Char(' ');
        blank = false;
        out += c;
    }
    return out.trimmed();
}

} // namespace

TelnetCommand::TelnetCommand(const QString &entry, qsizetype separator)
    : m_entry(entry), m_replyFrom(separator + 1)
{
    Command = entry.left(separator);
    Command.remove(QLatin1Char('\r'));
    Command.remove(QLatin1Char('\n'));
}

QStringView TelnetCommand::replyText() const
{
    return hasReply() ? QStringView(m_entry).mid(m_replyFrom) : QStringView();
}

QStringList TelnetCommand::Reply() const
{
    if (!hasReply())
        return {};
    QStringList lines;
    const QStringView text = replyText();
    qsizetype from = 0;
    for (qsizetype at; (at = text.indexOf(QLatin1Char('\n'), from)) >= 0; from = at + 1) {
        const qsizetype end = at > from && text[at - 1] == QLatin1Char('\r') ? at - 1 : at;
        lines.append(text.mid(from, end - from).toString());
    }
    lines.append(text.mid(from).toString());
    return lines;
}

qsizetype TelnetCommand::lineCount() const
{
    return hasReply() ? replyText().count(QLatin1Char('\n')) + 1 : 0;
}

TelnetCommands TelnetCommands::ExplodeTelnetCommands(const QStringList &conversation)
{
    TelnetCommands table;
    table.m_records.resize(conversation.size());
    for (qsizetype i = 0; i < conversation.size(); ++i) {
        const QString &entry = conversation.at(i);
        // Everything after the first separator is reply, even if the router's
        // output happens to hold the separator byte itself.
        const qsizetype separator = entry.indexOf(ConversationSeparator);
        if (separator >= 0)
            table.m_records[i] = TelnetCommand(entry, separator);
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
        const QStringList lines = found->Reply();
        if (lineIndex < 0 || lineIndex >= lines.size()) {
            // A short reply is the router's doing; keep a record without
            // interrupting a monitoring run with a box.
            LogError(false, QStringLiteral("9"), QStringLiteral("Subscript out of range"),
                     QStringLiteral("modMisc"), QStringLiteral("GetTelnetResponse"));
            return {};
        }
        return lines.at(lineIndex);
    }

    if (!asOneLine)
        return RemoveMultipleBlocks(joinedWithoutPrompts(found->replyText()), LineBreak, true);

    QString text = flattened(found->replyText());
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
