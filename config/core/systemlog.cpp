#include "config/core/systemlog.h"

#include "base/misc.h"
#include "base/safefile.h"
#include "config/core/configscripts.h"
#include "config/core/envreplies.h"
#include "router/core/telnetcommands.h"
#include "stats/core/modemstats.h"

#include <QFileInfo>
#include <QSet>

#include <algorithm>

namespace quillon {

namespace {

const QString kLineBreak = QStringLiteral("\r\n");
const QString kClearedNotice = QStringLiteral("Log Buffer is cleared!");

} // namespace

QString ProcessSystemLog(const TelnetCommands &commands)
{
    return CleanSystemLog(commands.GetTelnetResponse(QString::fromLatin1(LogStatusQuery)));
}

QString CleanSystemLog(const QString &reply)
{
    QString text = reply;
    RemoveNoWhere(text);
    QStringList lines = text.split(kLineBreak);
    for (QString &line : lines) {
        line = WithoutTerminalCodes(line);
        line.replace(QLatin1Char('\t'), QLatin1Char(' '));
        if (line.contains(kClearedNotice, Qt::CaseInsensitive))
            line.clear();
        line = line.trimmed();
    }
    while (!lines.isEmpty() && (lines.last().isEmpty() || IsPromptLine(lines.last())))
        lines.removeLast();
    lines.removeAll(QString());
    return lines.join(kLineBreak);
}

LogMerge MergeSystemLog(const QString &stored, const QString &log)
{
    LogMerge merge;
    const QStringList lines = log.isEmpty() ? QStringList() : log.split(kLineBreak);
    if (stored.isNull()) {
        merge.contents = log;
        merge.added = int(lines.size());
        return merge;
    }
    QSet<QString> known;
    for (const QString &line : stored.split(kLineBreak))
        known.insert(line.toLower());
    merge.contents = stored;
    bool adding = false;
    for (const QString &line : lines) {
        adding = adding || !known.contains(line.toLower());
        if (!adding)
            continue;
        merge.contents += kLineBreak + line;
        ++merge.added;
    }
    return merge;
}

LogSave SaveSystemLog(const QString &log, const QString &path)
{
    if (log.isEmpty())
        return {false, QStringLiteral("No system log to save.")};
    const QFileInfo info(path);
    QString stored;
    if (info.exists()) {
        // An unreadable file would otherwise be replaced by this log alone.
        if (!info.isFile() || !info.isReadable())
            return {false, QStringLiteral("Could not save system log.")};
        stored = LoadAFile(path);
        if (stored.isNull())
            stored = QStringLiteral("");
    }
    const LogMerge merge = MergeSystemLog(stored, log);
    if (merge.added < 1)
        return {true, QStringLiteral("No new lines to add to the system log file.")};
    if (const WriteResult written = SaveTextFile(merge.contents, path); !written)
        return {false, QStringLiteral("Could not save system log. ") + written.error};
    return {true, QStringLiteral("System log saved, %1 line(s) added.").arg(merge.added)};
}

int LogIntervalMinsFor(const QString &text)
{
    const int minutes = clampedWhole(text, 0, MaxLogIntervalMins);
    return std::max(minutes, MinLogIntervalMins);
}

QString LogCountdownText(qint64 seconds)
{
    const qint64 s = std::max<qint64>(seconds, 0);
    return QStringLiteral("%1:%2:%3")
        .arg(s / 3600, 2, 10, QLatin1Char('0'))
        .arg((s / 60) % 60, 2, 10, QLatin1Char('0'))
        .arg(s % 60, 2, 10, QLatin1Char('0'));
}

} // namespace quillon
