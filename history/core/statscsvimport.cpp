#include "history/core/statscsvimport.h"

#include "history/core/historystore.h"

#include <QDateTime>
#include <QFile>

namespace quillon {

namespace {

constexpr int kMinFields = 7;
constexpr int kMaxFields = 9;
constexpr int kSlice = 5000;
const QString kTimeFormat = QStringLiteral("dd/MM/yyyy hh:mm");

// Empty is a value the router did not give; anything else must be a number.
bool field(const QByteArray &text, double &out)
{
    const QByteArray t = text.trimmed();
    if (t.isEmpty()) {
        out = NoValue;
        return true;
    }
    bool ok = false;
    out = t.toDouble(&ok);
    return ok && std::isfinite(out);
}

} // namespace

std::optional<HistoryReading> ParseStatsCsvLine(QByteArrayView line)
{
    const QList<QByteArray> f = line.toByteArray().trimmed().split(',');
    if (f.size() < kMinFields || f.size() > kMaxFields)
        return std::nullopt;
    const QDateTime when = QDateTime::fromString(QString::fromLatin1(f[0].trimmed()), kTimeFormat);
    if (!when.isValid())
        return std::nullopt;
    HistoryReading r;
    r.timeMs = when.toMSecsSinceEpoch();
    r.source = ReadingSource::Import;
    const HistoryValue order[] = {HistoryValue::DsRate, HistoryValue::DsAttenuation, HistoryValue::DsMargin,
                                  HistoryValue::UsRate, HistoryValue::UsAttenuation, HistoryValue::UsMargin};
    for (int i = 0; i < 6; ++i) {
        double v = NoValue;
        if (!field(f[i + 1], v))
            return std::nullopt;
        r.setValue(order[i], v);
    }
    if (f.size() > 7) {
        r.pingState = QString::fromLatin1(f[7].trimmed());
        if (!r.pingState.isEmpty() && r.pingState != QLatin1String("Up") && r.pingState != QLatin1String("Down"))
            return std::nullopt;
    }
    double rtt = NoValue;
    if (f.size() > 8 && (!field(f[8], rtt) || (hasValue(rtt) && (rtt < 0 || rtt > 1e7))))
        return std::nullopt;
    if (hasValue(rtt))
        r.lastRttMs = qint32(rtt);
    if (!r.pingState.isEmpty()) {
        const bool up = r.pingState == QLatin1String("Up");
        r.setCount(HistoryCount::PingsSent, 1);
        r.setCount(HistoryCount::PingsLost, up ? 0 : 1);
        if (up && hasValue(rtt))
            r.pingMinMs = r.pingMaxMs = r.values[size_t(HistoryValue::PingRtt)] = rtt;
    }
    return r;
}

CsvImport ImportStatsCsv(HistoryStore &store, const QString &path, qint64 beforeMs)
{
    CsvImport result;
    QFile file(path);
    if (!file.open(QIODevice::ReadOnly))
        return result;
    QList<HistoryReading> slice;
    const auto flush = [&] {
        if (!slice.isEmpty() && !store.addMany(slice))
            result.ok = false;
        else
            result.imported += slice.size();
        slice.clear();
    };
    while (!file.atEnd() && result.ok) {
        const QByteArray line = file.readLine(1 << 16);
        if (line.trimmed().isEmpty())
            continue;
        if (const std::optional<HistoryReading> r = ParseStatsCsvLine(line)) {
            if (r->timeMs < beforeMs)
                slice.append(*r);
        } else
            ++result.skipped;
        if (slice.size() >= kSlice)
            flush();
    }
    if (result.ok)
        flush();
    return result;
}

} // namespace quillon
