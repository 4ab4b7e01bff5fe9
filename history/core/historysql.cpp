#include "history/core/historysql.h"

#include "history/core/historytypes.h"
#include "stats/core/linecounters.h"

namespace quillon::historysql {

namespace {

QString key(HistoryValue v)
{
    return QString::fromLatin1(historyValueKey(v));
}

QString key(HistoryCount c)
{
    return QString::fromLatin1(historyCountKey(c));
}

// A reading holds one value per measure, except the ping, which keeps the
// interval's shortest and longest round trips beside its average.
QStringList rawRange(HistoryValue v)
{
    const QString k = key(v);
    if (v == HistoryValue::PingRtt)
        return {k + QStringLiteral("_min"), k, k + QStringLiteral("_max")};
    return {k, k, k};
}

QStringList hourRange(HistoryValue v)
{
    const QString k = key(v);
    return {k + QStringLiteral("_min"), k + QStringLiteral("_avg"), k + QStringLiteral("_max")};
}

template <typename Fn>
void forValues(Fn &&fn)
{
    for (int i = 0; i < HistoryValueCount; ++i)
        fn(HistoryValue(i));
}

template <typename Fn>
void forCounts(Fn &&fn)
{
    for (int i = 0; i < HistoryCountCount; ++i)
        fn(HistoryCount(i));
}

QStringList readingColumnNames()
{
    QStringList cols{QStringLiteral("t"), QStringLiteral("source"), QStringLiteral("uptime")};
    forValues([&](HistoryValue v) {
        if (v == HistoryValue::PingRtt)
            cols << rawRange(v);
        else
            cols << key(v);
    });
    forCounts([&](HistoryCount c) { cols << key(c); });
    cols << QStringLiteral("mode") << QStringLiteral("path") << QStringLiteral("ping_state")
         << QStringLiteral("last_rtt");
    for (int i = 0; i < LineCounterCount; ++i)
        cols << QStringLiteral("c_") + QString::fromLatin1(lineCounterKey(LineCounter(i)));
    return cols;
}

QStringList schemaV1()
{
    QStringList readingCols{QStringLiteral("t INTEGER PRIMARY KEY"), QStringLiteral("source INTEGER NOT NULL"),
                            QStringLiteral("uptime INTEGER")};
    QStringList hourCols{QStringLiteral("t INTEGER PRIMARY KEY"), QStringLiteral("n INTEGER NOT NULL")};
    const QStringList names = readingColumnNames();
    for (qsizetype i = 3; i < names.size(); ++i) {
        const QString &n = names[i];
        const bool text = n == QLatin1String("mode") || n == QLatin1String("path") || n == QLatin1String("ping_state");
        const bool real = i < 3 + HistoryValueCount + 2;
        readingCols << n + (text ? QStringLiteral(" TEXT") : real ? QStringLiteral(" REAL") : QStringLiteral(" INTEGER"));
    }
    forValues([&](HistoryValue v) {
        for (const QString &c : hourRange(v))
            hourCols << c + QStringLiteral(" REAL");
    });
    forCounts([&](HistoryCount c) { hourCols << key(c) + QStringLiteral(" INTEGER"); });
    return {
        QStringLiteral("CREATE TABLE meta(key TEXT PRIMARY KEY, value TEXT)"),
        QStringLiteral("CREATE TABLE readings(%1)").arg(readingCols.join(QStringLiteral(", "))),
        QStringLiteral("CREATE TABLE hourly(%1)").arg(hourCols.join(QStringLiteral(", "))),
        QStringLiteral("CREATE TABLE events(id INTEGER PRIMARY KEY, t INTEGER NOT NULL, kind INTEGER NOT NULL, "
                       "detail TEXT)"),
        QStringLiteral("CREATE INDEX events_t ON events(t)"),
    };
}

} // namespace

QStringList migration(int from)
{
    if (from == 0)
        return schemaV1();
    return {};
}

QString insertReading()
{
    const QStringList cols = readingColumnNames();
    QStringList marks;
    for (qsizetype i = 0; i < cols.size(); ++i)
        marks << QStringLiteral("?");
    return QStringLiteral("INSERT INTO readings(%1) VALUES(%2)")
        .arg(cols.join(QLatin1Char(',')), marks.join(QLatin1Char(',')));
}

int readingColumns()
{
    return int(readingColumnNames().size());
}

QString readingColumnList()
{
    return readingColumnNames().join(QLatin1Char(','));
}

QString insertEvent()
{
    return QStringLiteral("INSERT INTO events(t, kind, detail) VALUES(?, ?, ?)");
}

QString rollUpReading()
{
    QStringList cols{QStringLiteral("t"), QStringLiteral("n")};
    QStringList select{QStringLiteral("(t / 3600000) * 3600000 AS h"), QStringLiteral("COUNT(*)")};
    QStringList merge{QStringLiteral("n = n + excluded.n")};
    forValues([&](HistoryValue v) {
        const QStringList raw = rawRange(v);
        const QStringList hour = hourRange(v);
        cols << hour;
        select << QStringLiteral("MIN(%1)").arg(raw[0]) << QStringLiteral("AVG(%1)").arg(raw[1])
               << QStringLiteral("MAX(%1)").arg(raw[2]);
        merge << QStringLiteral("%1 = COALESCE(MIN(%1, excluded.%1), %1, excluded.%1)").arg(hour[0])
              << QStringLiteral("%1 = CASE WHEN %1 IS NULL THEN excluded.%1 WHEN excluded.%1 IS NULL THEN %1 "
                                "ELSE (%1 * n + excluded.%1 * excluded.n) / (n + excluded.n) END")
                     .arg(hour[1])
              << QStringLiteral("%1 = COALESCE(MAX(%1, excluded.%1), %1, excluded.%1)").arg(hour[2]);
    });
    forCounts([&](HistoryCount c) {
        cols << key(c);
        select << QStringLiteral("SUM(%1)").arg(key(c));
        merge << QStringLiteral("%1 = CASE WHEN %1 IS NULL AND excluded.%1 IS NULL THEN NULL "
                                "ELSE COALESCE(%1, 0) + COALESCE(excluded.%1, 0) END")
                     .arg(key(c));
    });
    return QStringLiteral("INSERT INTO hourly(%1) SELECT %2 FROM readings WHERE t = :t GROUP BY h "
                          "ON CONFLICT(t) DO UPDATE SET %3")
        .arg(cols.join(QLatin1Char(',')), select.join(QLatin1Char(',')), merge.join(QLatin1Char(',')));
}

QString readingRows()
{
    QStringList cols{QStringLiteral("t"), QStringLiteral("1")};
    forValues([&](HistoryValue v) {
        if (v == HistoryValue::PingRtt)
            cols << rawRange(v);
        else
            cols << key(v);
    });
    forCounts([&](HistoryCount c) { cols << key(c); });
    return QStringLiteral("SELECT %1 FROM readings WHERE t >= ?1 AND t < ?2 ORDER BY t").arg(cols.join(QLatin1Char(',')));
}

QString hourRows()
{
    QStringList cols{QStringLiteral("t"), QStringLiteral("n")};
    forValues([&](HistoryValue v) { cols << hourRange(v); });
    forCounts([&](HistoryCount c) { cols << key(c); });
    return QStringLiteral("SELECT %1 FROM hourly WHERE t >= ?1 AND t < ?2 ORDER BY t").arg(cols.join(QLatin1Char(',')));
}

} // namespace quillon::historysql
