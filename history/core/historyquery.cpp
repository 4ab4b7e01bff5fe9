#include "history/core/historystore.h"
#include "history/core/historysql.h"

#include <QSqlDatabase>
#include <QSqlDriver>
#include <QSqlError>
#include <QSqlQuery>

#include <sqlite3.h>

#include <map>

namespace quillon {

namespace {

double realOrNone(const QVariant &v)
{
    return v.isNull() ? NoValue : v.toDouble();
}

qint64 countOrNone(const QVariant &v)
{
    return v.isNull() ? -1 : v.toLongLong();
}

double columnReal(sqlite3_stmt *stmt, int col)
{
    return sqlite3_column_type(stmt, col) == SQLITE_NULL ? NoValue : sqlite3_column_double(stmt, col);
}

// Rows (readings, or hours with their reading counts) folded into buckets.
class BucketMerger final
{
public:
    BucketMerger(qint64 bucketMs, qint64 offsetMs)
        : m_bucket(bucketMs)
        , m_offset(offsetMs)
    {
    }

    void add(sqlite3_stmt *stmt)
    {
        const qint64 t = sqlite3_column_int64(stmt, 0);
        const qint64 n = sqlite3_column_int64(stmt, 1);
        qint64 key = t;
        if (m_bucket > 0) {
            const qint64 local = t + m_offset;
            key = (local - (((local % m_bucket) + m_bucket) % m_bucket)) - m_offset;
        }
        Acc &a = m_acc[key];
        a.readings += n;
        int col = 2;
        for (int v = 0; v < HistoryValueCount; ++v) {
            Acc::Value &x = a.values[size_t(v)];
            // A reading holds one value per measure (the ping has three); an hour three each.
            const bool single = !m_hours && HistoryValue(v) != HistoryValue::PingRtt;
            const double lo = columnReal(stmt, col);
            const double avg = single ? lo : columnReal(stmt, col + 1);
            const double hi = single ? lo : columnReal(stmt, col + 2);
            col += single ? 1 : 3;
            if (hasValue(lo))
                x.min = hasValue(x.min) ? std::min(x.min, lo) : lo;
            if (hasValue(hi))
                x.max = hasValue(x.max) ? std::max(x.max, hi) : hi;
            if (hasValue(avg)) {
                x.sum += avg * double(n);
                x.weight += n;
            }
        }
        for (int c = 0; c < HistoryCountCount; ++c, ++col) {
            if (sqlite3_column_type(stmt, col) != SQLITE_NULL)
                a.counts[size_t(c)] = std::max<qint64>(a.counts[size_t(c)], 0) + sqlite3_column_int64(stmt, col);
        }
    }

    void setHours(bool hours) { m_hours = hours; }

    QList<HistoryBucket> take()
    {
        QList<HistoryBucket> out;
        out.reserve(qsizetype(m_acc.size()));
        for (const auto &[key, a] : m_acc) {
            HistoryBucket b;
            b.startMs = key;
            b.readings = a.readings;
            for (int v = 0; v < HistoryValueCount; ++v) {
                const Acc::Value &x = a.values[size_t(v)];
                b.values[size_t(v)] = {x.min, x.weight > 0 ? x.sum / double(x.weight) : NoValue, x.max};
            }
            b.counts = a.counts;
            out.append(b);
        }
        return out;
    }

private:
    struct Acc
    {
        struct Value
        {
            double min{NoValue};
            double max{NoValue};
            double sum{0};
            qint64 weight{0};
        };
        qint64 readings{0};
        std::array<Value, HistoryValueCount> values{};
        std::array<qint64, HistoryCountCount> counts = HistoryReading::filledCounts();
    };

    qint64 m_bucket;
    qint64 m_offset;
    bool m_hours{false};
    std::map<qint64, Acc> m_acc;
};

qint64 scalar(const QSqlDatabase &db, const QString &sql)
{
    QSqlQuery q(db);
    return q.exec(sql) && q.next() ? q.value(0).toLongLong() : 0;
}

} // namespace

std::optional<HistoryReading> HistoryStore::lastReading()
{
    if (!isOpen() && !open())
        return std::nullopt;
    QSqlQuery q(QSqlDatabase::database(m_connection, false));
    q.setForwardOnly(true);
    if (!q.exec(QStringLiteral("SELECT %1 FROM readings ORDER BY t DESC LIMIT 1").arg(historysql::readingColumnList()))
        || !q.next())
        return std::nullopt;
    HistoryReading r;
    int col = 0;
    r.timeMs = q.value(col++).toLongLong();
    r.source = ReadingSource(q.value(col++).toInt());
    r.uptimeSecs = countOrNone(q.value(col++));
    for (int i = 0; i < HistoryValueCount; ++i) {
        if (HistoryValue(i) == HistoryValue::PingRtt) {
            r.pingMinMs = realOrNone(q.value(col++));
            r.values[size_t(i)] = realOrNone(q.value(col++));
            r.pingMaxMs = realOrNone(q.value(col++));
        } else {
            r.values[size_t(i)] = realOrNone(q.value(col++));
        }
    }
    for (qint64 &c : r.counts)
        c = countOrNone(q.value(col++));
    r.mode = q.value(col++).toString();
    r.path = q.value(col++).toString();
    r.pingState = q.value(col++).toString();
    r.lastRttMs = q.value(col).isNull() ? -1 : q.value(col).toInt();
    ++col;
    for (qint64 &c : r.counters.values)
        c = countOrNone(q.value(col++));
    return r;
}

qint64 HistoryStore::readingCount()
{
    return isOpen() ? scalar(QSqlDatabase::database(m_connection, false), QStringLiteral("SELECT COUNT(*) FROM readings"))
                    : 0;
}

qint64 HistoryStore::hourlyCount()
{
    return isOpen() ? scalar(QSqlDatabase::database(m_connection, false), QStringLiteral("SELECT COUNT(*) FROM hourly"))
                    : 0;
}

HistorySeries HistoryStore::query(qint64 fromMs, qint64 toMs, qint64 bucketMs, qint64 utcOffsetMs)
{
    HistorySeries s;
    s.fromMs = fromMs;
    s.toMs = toMs;
    s.bucketMs = qMax<qint64>(0, bucketMs);
    if ((!isOpen() && !open()) || toMs <= fromMs)
        return s;
    const QSqlDatabase db = QSqlDatabase::database(m_connection, false);
    const QVariant handle = db.driver()->handle();
    if (!handle.isValid() || qstrcmp(handle.typeName(), "sqlite3*") != 0)
        return s;
    sqlite3 *sqlite = *static_cast<sqlite3 *const *>(handle.constData());

    // Rows are read through SQLite itself and merged here: a GROUP BY over
    // 43,200 wide rows costs SQLite a sort, and QtSql a variant per value,
    // each many times the budget of a chart query.
    // Every hour is summed up as its readings arrive: a span drawn in whole
    // hours reads the summaries alone, a finer one the readings where they
    // are still kept and the summaries before them.
    const auto floorHour = [](qint64 t) { return t - (((t % HourMs) + HourMs) % HourMs); };
    qint64 rawStart = std::numeric_limits<qint64>::max();
    {
        sqlite3_stmt *stmt = nullptr;
        if (sqlite3_prepare_v2(sqlite, "SELECT MIN(t) FROM readings", -1, &stmt, nullptr) == SQLITE_OK
            && sqlite3_step(stmt) == SQLITE_ROW && sqlite3_column_type(stmt, 0) != SQLITE_NULL)
            rawStart = floorHour(sqlite3_column_int64(stmt, 0));
        sqlite3_finalize(stmt);
    }
    const bool hoursOnly = s.bucketMs > 0 && s.bucketMs % HourMs == 0 && utcOffsetMs % HourMs == 0;
    struct Source
    {
        QString sql;
        qint64 from;
        qint64 to;
        bool hours;
    };
    const Source sources[] = {
        {historysql::hourRows(), floorHour(fromMs), hoursOnly ? toMs : std::min(toMs, rawStart), true},
        {historysql::readingRows(), std::max(fromMs, rawStart), hoursOnly ? fromMs : toMs, false},
    };
    BucketMerger merger(s.bucketMs, utcOffsetMs);
    for (const Source &src : sources) {
        if (src.to <= src.from)
            continue;
        merger.setHours(src.hours);
        sqlite3_stmt *stmt = nullptr;
        const QByteArray text = src.sql.toUtf8();
        if (sqlite3_prepare_v2(sqlite, text.constData(), int(text.size()), &stmt, nullptr) != SQLITE_OK) {
            sqlite3_finalize(stmt);
            return s;
        }
        sqlite3_bind_int64(stmt, 1, src.from);
        sqlite3_bind_int64(stmt, 2, src.to);
        int rc;
        while ((rc = sqlite3_step(stmt)) == SQLITE_ROW)
            merger.add(stmt);
        sqlite3_finalize(stmt);
        if (rc != SQLITE_DONE) {
            m_failure = (rc & 0xFF) == SQLITE_CORRUPT ? Failure::Damaged : Failure::Other;
            m_problem = QStringLiteral("The line history file %1 could not be read (%2).")
                            .arg(m_path, QString::fromUtf8(sqlite3_errstr(rc)));
            return s;
        }
    }
    s.buckets = merger.take();
    s.events = events(fromMs, toMs);
    return s;
}

QList<HistoryEvent> HistoryStore::events(qint64 fromMs, qint64 toMs)
{
    QList<HistoryEvent> list;
    if (!isOpen() && !open())
        return list;
    QSqlQuery q(QSqlDatabase::database(m_connection, false));
    q.setForwardOnly(true);
    q.prepare(QStringLiteral("SELECT t, kind, detail FROM events WHERE t >= ? AND t < ? ORDER BY t, id"));
    q.bindValue(0, fromMs);
    q.bindValue(1, toMs);
    if (!q.exec())
        return list;
    while (q.next())
        list.append({q.value(0).toLongLong(), HistoryEventKind(q.value(1).toInt()), q.value(2).toString()});
    return list;
}

std::optional<std::pair<qint64, qint64>> HistoryStore::extent()
{
    if (!isOpen() && !open())
        return std::nullopt;
    QSqlQuery q(QSqlDatabase::database(m_connection, false));
    if (!q.exec(QStringLiteral("SELECT MIN(a), MAX(b) FROM (SELECT MIN(t) AS a, MAX(t) AS b FROM readings "
                               "UNION ALL SELECT MIN(t), MAX(t) + 3599999 FROM hourly)"))
        || !q.next() || q.value(0).isNull())
        return std::nullopt;
    return std::make_pair(q.value(0).toLongLong(), q.value(1).toLongLong());
}

} // namespace quillon
