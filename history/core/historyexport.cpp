#include "history/core/historyexport.h"

#include "history/core/historystore.h"

#include <QDateTime>
#include <QJsonArray>
#include <QJsonDocument>
#include <QJsonObject>
#include <QRegularExpression>

#include <limits>

namespace quillon {

namespace {

constexpr qint64 kMinute = 60 * 1000;

QString localTime(qint64 ms, qint64 off)
{
    return QDateTime::fromMSecsSinceEpoch(ms + off, Qt::UTC).toString(QStringLiteral("yyyy-MM-dd hh:mm"));
}

QString num(double v)
{
    return hasValue(v) ? QString::number(v, 'g', 10) : QString();
}

QString count(qint64 c)
{
    return c >= 0 ? QString::number(c) : QString();
}

QStringList eventsIn(const HistorySeries &s, qint64 from, qint64 to)
{
    QStringList list;
    for (const HistoryEvent &e : s.events) {
        if (e.timeMs >= from && e.timeMs < to)
            list << historyEventTitle(e.kind);
    }
    return list;
}

qint64 bucketEnd(const HistorySeries &s, int i)
{
    if (s.bucketMs > 0)
        return s.buckets[i].startMs + s.bucketMs;
    return i + 1 < s.buckets.size() ? s.buckets[i + 1].startMs : s.toMs;
}

} // namespace

QString HistoryCsv(const HistorySeries &s, qint64 utcOffsetMs)
{
    QStringList header{QStringLiteral("time"), QStringLiteral("readings")};
    for (int v = 0; v < HistoryValueCount; ++v) {
        const QString k = QString::fromLatin1(historyValueKey(HistoryValue(v)));
        header << k + QStringLiteral("_min") << k + QStringLiteral("_avg") << k + QStringLiteral("_max");
    }
    for (int c = 0; c < HistoryCountCount; ++c)
        header << QString::fromLatin1(historyCountKey(HistoryCount(c)));
    header << QStringLiteral("events");
    QString out = header.join(QLatin1Char(',')) + QStringLiteral("\r\n");
    for (int i = 0; i < s.buckets.size(); ++i) {
        const HistoryBucket &b = s.buckets[i];
        QStringList row{localTime(b.startMs, utcOffsetMs), QString::number(b.readings)};
        for (const ValueRange &r : b.values)
            row << num(r.min) << num(r.avg) << num(r.max);
        for (qint64 c : b.counts)
            row << count(c);
        row << eventsIn(s, b.startMs, bucketEnd(s, i)).join(QLatin1Char(';'));
        out += row.join(QLatin1Char(',')) + QStringLiteral("\r\n");
    }
    return out;
}

std::optional<qint64> ParseHistorySince(const QString &text, qint64 nowMs, qint64 utcOffsetMs)
{
    static const QRegularExpression relative(QStringLiteral("^(\\d{1,6})([mhd])$"));
    const QString t = text.trimmed().toLower();
    if (const QRegularExpressionMatch m = relative.match(t); m.hasMatch()) {
        const qint64 n = m.captured(1).toLongLong();
        const qint64 unit = m.captured(2) == QLatin1String("m") ? kMinute
                          : m.captured(2) == QLatin1String("h") ? 60 * kMinute
                                                                 : 24 * 60 * kMinute;
        return nowMs - n * unit;
    }
    for (const QString &format : {QStringLiteral("yyyy-MM-dd"), QStringLiteral("dd/MM/yyyy")}) {
        const QDate d = QDate::fromString(t, format);
        if (d.isValid())
            return QDateTime(d, QTime(0, 0), Qt::UTC).toMSecsSinceEpoch() - utcOffsetMs;
    }
    return std::nullopt;
}

QString HistoryReport(HistoryStore &store, qint64 sinceMs, qint64 utcOffsetMs, HistoryFormat format)
{
    const HistorySeries s = store.query(sinceMs, std::numeric_limits<qint64>::max(), 0);
    if (format == HistoryFormat::Csv)
        return HistoryCsv(s, utcOffsetMs);
    if (format == HistoryFormat::Json) {
        QJsonArray readings;
        for (const HistoryBucket &b : s.buckets) {
            QJsonObject o{{QStringLiteral("time"), QDateTime::fromMSecsSinceEpoch(b.startMs, Qt::UTC).toString(Qt::ISODate)},
                          {QStringLiteral("readings"), b.readings}};
            for (int v = 0; v < HistoryValueCount; ++v) {
                const ValueRange &r = b.values[size_t(v)];
                if (!hasValue(r.avg))
                    continue;
                const QString k = QString::fromLatin1(historyValueKey(HistoryValue(v)));
                if (b.readings > 1 || r.min != r.max)
                    o.insert(k, QJsonObject{{QStringLiteral("min"), r.min}, {QStringLiteral("avg"), r.avg},
                                            {QStringLiteral("max"), r.max}});
                else
                    o.insert(k, r.avg);
            }
            for (int c = 0; c < HistoryCountCount; ++c) {
                if (b.counts[size_t(c)] >= 0)
                    o.insert(QString::fromLatin1(historyCountKey(HistoryCount(c))), b.counts[size_t(c)]);
            }
            readings.append(o);
        }
        QJsonArray events;
        for (const HistoryEvent &e : s.events) {
            events.append(QJsonObject{{QStringLiteral("time"), QDateTime::fromMSecsSinceEpoch(e.timeMs, Qt::UTC).toString(Qt::ISODate)},
                                      {QStringLiteral("event"), historyEventTitle(e.kind)},
                                      {QStringLiteral("detail"), e.detail}});
        }
        return QString::fromUtf8(QJsonDocument(QJsonObject{{QStringLiteral("readings"), readings},
                                                           {QStringLiteral("events"), events}})
                                     .toJson(QJsonDocument::Compact));
    }
    QString out;
    const auto pair = [](const HistoryBucket &b, HistoryValue a, HistoryValue c) {
        return num(b.value(a).avg) + QLatin1Char('/') + num(b.value(c).avg);
    };
    int e = 0;
    for (const HistoryBucket &b : s.buckets) {
        for (; e < s.events.size() && s.events[e].timeMs <= b.startMs; ++e)
            out += localTime(s.events[e].timeMs, utcOffsetMs) + QStringLiteral("  * ") + s.events[e].detail + QLatin1Char('\n');
        out += QStringLiteral("%1  rate %2 kbit/s  margin %3 dB  CRC %4/%5  FEC %6/%7  ES %8  ping %9 ms\n")
                   .arg(localTime(b.startMs, utcOffsetMs), pair(b, HistoryValue::DsRate, HistoryValue::UsRate),
                        pair(b, HistoryValue::DsMargin, HistoryValue::UsMargin), count(b.count(HistoryCount::DsCrc)),
                        count(b.count(HistoryCount::UsCrc)), count(b.count(HistoryCount::DsFec)),
                        count(b.count(HistoryCount::UsFec)), count(b.count(HistoryCount::ErroredSecs)),
                        num(b.value(HistoryValue::PingRtt).avg));
    }
    for (; e < s.events.size(); ++e)
        out += localTime(s.events[e].timeMs, utcOffsetMs) + QStringLiteral("  * ") + s.events[e].detail + QLatin1Char('\n');
    return out;
}

} // namespace quillon
