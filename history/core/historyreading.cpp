#include "history/core/historyreading.h"

#include "stats/core/modemstats.h"

#include <QStringList>

namespace quillon {

namespace {

// The driver prints this maximum rate while the line is not trained.
constexpr double kNotSyncedRate = 4294967000.0;

double number(const QString &text)
{
    const QString first = text.trimmed().section(QLatin1Char(' '), 0, 0, QString::SectionSkipEmpty);
    bool ok = false;
    const double v = first.toDouble(&ok);
    return ok && std::isfinite(v) ? v : NoValue;
}

} // namespace

double RateKbps(const QString &text)
{
    const QStringList parts = text.simplified().split(QLatin1Char(' '));
    double v = number(text);
    if (!hasValue(v) || v >= kNotSyncedRate)
        return NoValue;
    if (parts.size() > 1) {
        const QString unit = parts[1].toLower();
        if (unit == QLatin1String("bps"))
            v /= 1000.0;
        else if (unit == QLatin1String("mbps"))
            v *= 1000.0;
    }
    return v;
}

HistoryReading ReadingFromStats(const ModemStats &s, qint64 timeMs, ReadingSource source)
{
    HistoryReading r;
    r.timeMs = timeMs;
    r.source = source;
    r.setValue(HistoryValue::DsRate, RateKbps(s.dsRate));
    r.setValue(HistoryValue::UsRate, RateKbps(s.usRate));
    r.setValue(HistoryValue::DsMaxRate, RateKbps(s.dsMaxRate));
    r.setValue(HistoryValue::UsMaxRate, RateKbps(s.usMaxRate));
    r.setValue(HistoryValue::DsMargin, number(s.dsMargin));
    r.setValue(HistoryValue::UsMargin, number(s.usMargin));
    r.setValue(HistoryValue::DsAttenuation, number(s.dsAttenuation));
    r.setValue(HistoryValue::UsAttenuation, number(s.usAttenuation));
    r.setValue(HistoryValue::DsPower, number(s.dsPower));
    r.setValue(HistoryValue::UsPower, number(s.usPower));
    r.mode = s.mode;
    r.path = s.path;
    r.counters = s.counters;
    return r;
}

} // namespace quillon
