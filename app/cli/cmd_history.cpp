// history: the line history kept by the monitor and the window, as text, CSV or JSON.

#include "app/cli/clicommand.h"
#include "app/cli/clicontext.h"
#include "base/apppaths.h"
#include "base/clock.h"
#include "history/core/historyexport.h"
#include "history/core/historystore.h"

#include <QFileInfo>

namespace quillon {

namespace {

int RunHistory(CliContext &c, const QStringList &args)
{
    const QString csvFlag = QStringLiteral("--csv");
    const QString jsonFlag = QStringLiteral("--json");
    const QString sinceOption = QStringLiteral("--since");
    const CliArgs a = ParseCliArgs(args, {csvFlag, jsonFlag}, {sinceOption}, 0, 0);
    if (!a.error.isEmpty())
        return c.usage(a.error);
    const bool json = c.json() || a.has(jsonFlag);
    if (json && a.has(csvFlag))
        return c.usage(QStringLiteral("--csv and --json cannot be given together"));

    const QDateTime now = Clock::now();
    const qint64 nowMs = now.toMSecsSinceEpoch();
    const qint64 offsetMs = qint64(now.offsetFromUtc()) * 1000;
    const QString sinceText = a.value(sinceOption, QStringLiteral("24h"));
    const std::optional<qint64> since = ParseHistorySince(sinceText, nowMs, offsetMs);
    if (!since)
        return c.usage(QStringLiteral("--since takes 90m, 24h, 7d or a date (yyyy-mm-dd or dd/mm/yyyy), not %1")
                           .arg(sinceText));

    // Reading the history never starts one: an absent file is reported.
    const QString path = AppPaths::file(QString::fromLatin1(HistoryStore::FileName));
    if (!QFileInfo::exists(path))
        return c.fail(CliExit::File, QStringLiteral("There is no line history in %1 yet: \"quillon-cli monitor\" "
                                                    "or the window's monitoring keeps one.")
                                         .arg(AppPaths::appDir()));
    HistoryStore store(path);
    const auto unusable = [&c, &store, &path] {
        // The store's own sentence for a busy file speaks of a recorder's memory.
        if (store.lastFailure() == HistoryStore::Failure::Busy)
            return c.fail(CliExit::File, QStringLiteral("The line history file %1 is in use by another program; try "
                                                        "again in a moment.")
                                             .arg(path));
        return c.fail(CliExit::File, store.problem());
    };
    if (!store.open() || !store.asidePath().isEmpty())
        return unusable();

    const HistoryFormat format = json ? HistoryFormat::Json : a.has(csvFlag) ? HistoryFormat::Csv : HistoryFormat::Text;
    const QString report = HistoryReport(store, *since, offsetMs, format);
    if (!store.problem().isEmpty())
        return unusable();
    c.out() << report;
    if (format == HistoryFormat::Json)
        c.out() << '\n';
    c.out().flush();
    if (const auto extent = store.extent(); !extent || extent->second < *since)
        c.err() << "No readings since " << QDateTime::fromMSecsSinceEpoch(*since).toString(QStringLiteral("yyyy-MM-dd hh:mm"))
                << "." << Qt::endl;
    return CliExit::Ok;
}

} // namespace

CliCommand historyCommand()
{
    return {QStringLiteral("history"), QStringLiteral("history [--since 24h|7d|DATE] [--csv|--json]"),
            QStringLiteral("The line history of the program folder (\"history.db\", kept by monitor and by\n"
                           "the window's monitoring) from --since to now: every reading, or the hourly\n"
                           "minimum/average/maximum where the readings are older than 30 days, with the\n"
                           "error counts per interval and the resyncs and reboots seen.\n"
                           "--since takes minutes, hours or days back (90m, 24h, 7d; default 24h) or a\n"
                           "date (yyyy-mm-dd or dd/mm/yyyy, from local midnight).\n"
                           "Output: one line per reading; --csv one CSV row per reading (local times)\n"
                           "under a header; --json one object {\"readings\": [...], \"events\": [...]}\n"
                           "(UTC times). A missing, locked or damaged file exits 3 with the reason; a\n"
                           "damaged file is kept aside under a new name, never written over."),
            RunHistory};
}

} // namespace quillon
