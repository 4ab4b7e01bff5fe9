#include "history/core/historystore.h"
#include "history/core/historysql.h"

#include <QSqlDatabase>
#include <QSqlError>
#include <QSqlQuery>

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
    QSqlDatabase db = QSqlDatabase::database(m_connection, false);
    QSqlQuery q(db);
    q.setForwardOnly(true);
    const bool bucketed = s.bucketMs > 0;
    q.prepare(historysql::bucketQuery(bucketed));
    q.bindValue(QStringLiteral(":from"), fromMs);
    q.bindValue(QStringLiteral(":hfrom"), fromMs - (((fromMs % HourMs) + HourMs) % HourMs));
    q.bindValue(QStringLiteral(":to"), toMs);
    if (bucketed) {
        q.bindValue(QStringLiteral(":off"), utcOffsetMs);
        q.bindValue(QStringLiteral(":b"), s.bucketMs);
    }
    if (!q.exec()) {
        fail(QStringLiteral("read the history"), q.lastError());
        return s;
    }
    while (q.next()) {
        HistoryBucket b;
        const qint64 key = q.value(0).toLongLong();
        b.startMs = bucketed ? key * s.bucketMs - utcOffsetMs : key;
        b.readings = q.value(1).toLongLong();
        int col = 2;
        for (ValueRange &v : b.values) {
            v.min = realOrNone(q.value(col++));
            v.avg = realOrNone(q.value(col++));
            v.max = realOrNone(q.value(col++));
        }
        for (qint64 &c : b.counts)
            c = countOrNone(q.value(col++));
        s.buckets.append(b);
    }
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
