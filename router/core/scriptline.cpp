#include "router/core/scriptline.h"

#include <QStringList>

namespace quillon::script {

QString CleanLine(const QString &line)
{
    QString out = line;
    out.replace(QLatin1Char('\t'), QLatin1Char(' '));
    qsizetype start = 0;
    qsizetype end = out.size();
    while (start < end && out.at(start) == QLatin1Char(' '))
        ++start;
    while (end > start && out.at(end - 1) == QLatin1Char(' '))
        --end;
    return out.mid(start, end - start);
}

QString CommandWord(const QString &cleanLine)
{
    const qsizetype blank = cleanLine.indexOf(QLatin1Char(' '));
    return (blank < 0 ? cleanLine : cleanLine.left(blank)).toUpper();
}

QString GetQuotedArgument(const QString &line)
{
    const qsizetype first = line.indexOf(QLatin1Char('"'));
    const qsizetype last = line.lastIndexOf(QLatin1Char('"'));
    if (first < 0 || last <= first)
        return {};
    const QString raw = line.mid(first + 1, last - first - 1);
    QString out;
    out.reserve(raw.size());
    for (qsizetype k = 0; k < raw.size(); ++k) {
        const QChar c = raw.at(k);
        if (c == QLatin1Char('\\') && k + 1 < raw.size()) {
            const QChar next = raw.at(k + 1);
            if (next == QLatin1Char('n') || next == QLatin1Char('N')) {
                out += LineBreak;
                ++k;
                continue;
            }
            if (next == QLatin1Char('"')) {
                out += QLatin1Char('"');
                ++k;
                continue;
            }
        }
        out += c;
    }
    return out;
}

QString FormatTime(double seconds)
{
    if (!(seconds >= 0))
        seconds = 0;
    const qint64 whole = qint64(seconds);
    const qint64 millis = qint64((seconds - double(whole)) * 1000.0 + 1e-6);
    return QStringLiteral("%1:%2:%3")
        .arg((whole / 60) % 60, 2, 10, QLatin1Char('0'))
        .arg(whole % 60, 2, 10, QLatin1Char('0'))
        .arg(millis, 3, 10, QLatin1Char('0'));
}

QString WithoutLineBreaks(QString text)
{
    text.remove(LineBreak);
    return text;
}

QString TrimLineBreaks(const QString &text)
{
    return TrimLineBreaks(QStringView(text)).toString();
}

QStringView TrimLineBreaks(QStringView text)
{
    while (text.startsWith(LineBreak))
        text = text.sliced(2);
    while (text.endsWith(LineBreak))
        text.chop(2);
    return text;
}

qsizetype GetStartOfReply(const QString &command, const QString &buffer, EchoScan *scan)
{
    const qsizetype cmdLen = command.size();
    const qsizetype bufLen = buffer.size();
    qsizetype i = 1;
    qsizetype j = 1;
    qsizetype matchStart = 1;
    if (scan && scan->valid) {
        i = scan->i;
        j = scan->j;
        matchStart = scan->matchStart;
    }
    bool saved = false;
    for (;;) {
        // Every step taken before j reaches the buffer's last character is
        // final; later ones may change once more text arrives.
        if (scan && !saved && j >= bufLen) {
            *scan = EchoScan{true, i, j, matchStart, 0};
            saved = true;
        }
        if (i >= cmdLen || j > bufLen) {
            if (scan)
                scan->partialFrom = (j > bufLen && i > 1) ? matchStart : 0;
            return j;
        }
        if (command.at(i - 1) == buffer.at(j - 1)) {
            ++i;
            ++j;
        } else if (j < bufLen && buffer.at(j - 1) == QLatin1Char('\r') && buffer.at(j) == QLatin1Char('\n')) {
            ++i;
            j += 2;
        } else {
            i = 1;
            ++j;
            matchStart = j;
        }
    }
}

} // namespace quillon::script
