#include "history/core/historychartlayout.h"

#include <QDateTime>

#include <cmath>

namespace quillon {

namespace {

constexpr qint64 kMinute = 60 * 1000;
constexpr qint64 kHour = 60 * kMinute;
constexpr qint64 kDay = 24 * kHour;

constexpr qint64 kBucketSteps[] = {kMinute,     2 * kMinute, 5 * kMinute, 10 * kMinute, 15 * kMinute,
                                   30 * kMinute, kHour,      2 * kHour,   3 * kHour,    6 * kHour,
                                   12 * kHour,   kDay,       2 * kDay,    7 * kDay,     14 * kDay};
constexpr qint64 kTickSteps[] = {kMinute, 2 * kMinute, 5 * kMinute, 10 * kMinute, 15 * kMinute, 30 * kMinute, kHour,    2 * kHour,
                                 3 * kHour,   6 * kHour,    12 * kHour,   kDay,         2 * kDay, 7 * kDay,
                                 14 * kDay,   28 * kDay,    91 * kDay,    182 * kDay,   364 * kDay};

constexpr int kPanelGap = 8;
constexpr int kLabelGap = 10;
constexpr int kEdge = 4;

double niceStep(double rough)
{
    if (!(rough > 0))
        return 1;
    const double p = std::pow(10.0, std::floor(std::log10(rough)));
    for (double m : {1.0, 2.0, 5.0, 10.0}) {
        if (m * p >= rough)
            return m * p;
    }
    return 10 * p;
}

QString numberLabel(double v, double step)
{
    if (std::fabs(v) >= 10000 && std::fmod(v, 1000) == 0)
        return QString::number(qint64(v / 1000)) + QLatin1Char('k');
    return QString::number(v, 'f', step < 1 ? 1 : 0);
}

struct Extent
{
    double low{NoValue};
    double high{NoValue};
    void add(double v)
    {
        if (!hasValue(v))
            return;
        low = hasValue(low) ? std::min(low, v) : v;
        high = hasValue(high) ? std::max(high, v) : v;
    }
};

qint64 errorsOf(const HistoryBucket &b, HistoryCount a, HistoryCount c = HistoryCount::PingsSent)
{
    const qint64 x = b.count(a);
    const qint64 y = c == HistoryCount::PingsSent ? -1 : b.count(c);
    return std::max<qint64>(x, 0) + std::max<qint64>(y, 0);
}

void linearScale(HistoryPanel &p, Extent e, bool fromZero, int lineHeight,
                 const std::function<int(const QString &)> &textWidth, int &labelWidth)
{
    if (!hasValue(e.low))
        e = {0, 1};
    if (fromZero)
        e.low = std::min(0.0, e.low);
    if (e.high - e.low < 1e-9)
        e.high = e.low + 1;
    const int room = std::max(1, p.plot.height() / (lineHeight + 4));
    const double step = niceStep((e.high - e.low) / room);
    p.low = std::floor(e.low / step) * step;
    p.high = std::ceil(e.high / step) * step;
    if (p.high - p.low < step)
        p.high = p.low + step;
    for (double v = p.low; v <= p.high + step / 2; v += step) {
        const QString text = numberLabel(v, step);
        p.gridY << p.yFor(v);
        p.yLabels << HistoryText{QRect(0, p.yFor(v) - lineHeight / 2, textWidth(text), lineHeight), text};
        labelWidth = std::max(labelWidth, textWidth(text));
    }
}

void logScale(HistoryPanel &p, double maxCount, int lineHeight, const std::function<int(const QString &)> &textWidth,
              int &labelWidth)
{
    p.logScale = true;
    p.low = 0;
    const int decades = std::max(1, int(std::ceil(std::log10(1 + std::max(1.0, maxCount)))));
    p.high = decades;
    const int room = std::max(1, p.plot.height() / (lineHeight + 4));
    const int every = std::max(1, (decades + room - 1) / room);
    for (int d = 0; d <= decades; d += every) {
        const double value = d == 0 ? 0.0 : std::pow(10.0, d);
        const QString text = numberLabel(value, 1);
        const int y = p.yFor(value);
        p.gridY << y;
        p.yLabels << HistoryText{QRect(0, y - lineHeight / 2, textWidth(text), lineHeight), text};
        labelWidth = std::max(labelWidth, textWidth(text));
    }
}

} // namespace

qint64 historySpanMs(HistorySpan span)
{
    switch (span) {
    case HistorySpan::Hours6:
        return 6 * kHour;
    case HistorySpan::Hours24:
        return kDay;
    case HistorySpan::Days7:
        return 7 * kDay;
    case HistorySpan::Days30:
        return 30 * kDay;
    case HistorySpan::All:
        break;
    }
    return 0;
}

QString historySpanTitle(HistorySpan span)
{
    static const char *const titles[] = {"6 h", "24 h", "7 d", "30 d", "All"};
    return QString::fromLatin1(titles[int(span)]);
}

qint64 HistoryBucketMs(qint64 spanMs, int plotWidth)
{
    const double perPixel = double(std::max<qint64>(spanMs, kMinute)) / std::max(1, plotWidth);
    for (qint64 step : kBucketSteps) {
        if (double(step) >= 2 * perPixel)
            return step;
    }
    return kBucketSteps[std::size(kBucketSteps) - 1];
}

QString HistoryTimeLabel(qint64 timeMs, qint64 utcOffsetMs, qint64 stepMs)
{
    const QDateTime t = QDateTime::fromMSecsSinceEpoch(timeMs + utcOffsetMs, Qt::UTC);
    if (stepMs < kDay)
        return t.toString(t.time() == QTime(0, 0) ? QStringLiteral("dd/MM") : QStringLiteral("hh:mm"));
    if (stepMs < 91 * kDay)
        return t.toString(QStringLiteral("dd/MM"));
    return t.toString(QStringLiteral("MM/yyyy"));
}

int HistoryPanel::yFor(double value) const
{
    double v = logScale ? std::log10(1 + std::max(0.0, value)) : value;
    v = std::clamp(v, low, high);
    const double f = (v - low) / (high - low);
    return plot.bottom() - int(std::lround(f * plot.height()));
}

int HistoryChartLayout::xFor(qint64 timeMs) const
{
    const double f = double(timeMs - fromMs) / double(std::max<qint64>(1, toMs - fromMs));
    return left + int(std::lround(f * (right - left)));
}

qint64 HistoryChartLayout::timeAt(int x) const
{
    const double f = double(x - left) / double(std::max(1, right - left));
    return fromMs + qint64(std::llround(f * double(toMs - fromMs)));
}

int HistoryChartLayout::bucketAt(const HistorySeries &series, int x) const
{
    const qint64 t = timeAt(x);
    const qint64 width = std::max<qint64>(series.bucketMs, 1);
    for (int i = 0; i < series.buckets.size(); ++i) {
        const qint64 start = series.buckets[i].startMs;
        if (t >= start && t < start + width)
            return i;
    }
    return -1;
}

HistoryChartLayout HistoryChartLayout::compute(int width, int height, const HistorySeries &series, qint64 fromMs,
                                               qint64 toMs, qint64 utcOffsetMs,
                                               const std::function<int(const QString &)> &textWidth, int lineHeight)
{
    HistoryChartLayout l;
    l.fromMs = fromMs;
    l.toMs = std::max(toMs, fromMs + 1);
    l.utcOffsetMs = utcOffsetMs;

    Extent margins, rates, ping;
    double errors = 0;
    bool any = false;
    for (const HistoryBucket &b : series.buckets) {
        if (b.startMs + series.bucketMs < fromMs || b.startMs >= toMs)
            continue;
        any = true;
        for (HistoryValue v : {HistoryValue::DsMargin, HistoryValue::UsMargin}) {
            margins.add(b.value(v).min);
            margins.add(b.value(v).max);
        }
        for (HistoryValue v : {HistoryValue::DsRate, HistoryValue::UsRate, HistoryValue::DsMaxRate, HistoryValue::UsMaxRate})
            rates.add(b.value(v).max);
        ping.add(b.value(HistoryValue::PingRtt).max);
        errors = std::max({errors, double(errorsOf(b, HistoryCount::DsCrc, HistoryCount::UsCrc)),
                           double(errorsOf(b, HistoryCount::DsFec, HistoryCount::UsFec)),
                           double(errorsOf(b, HistoryCount::ErroredSecs))});
    }

    const int timeBand = lineHeight + 8;
    const int top = kEdge;
    const int bottom = height - timeBand;
    const int panelHeight = std::max(8, (bottom - top - 3 * kPanelGap) / 4);
    const struct
    {
        HistoryPanel::Kind kind;
        const char *title;
    } kinds[] = {{HistoryPanel::Margins, "SNR margin (dB)"},
                 {HistoryPanel::Rates, "Rate and attainable rate (kbit/s)"},
                 {HistoryPanel::Errors, "Errors per interval: CRC, FEC, ES"},
                 {HistoryPanel::Ping, "Ping (ms): min / avg / max, loss"}};
    int labelWidth = 0;
    for (int i = 0; i < 4; ++i) {
        HistoryPanel p;
        p.kind = kinds[i].kind;
        p.title = QString::fromLatin1(kinds[i].title);
        const int y = top + i * (panelHeight + kPanelGap);
        p.plot = QRect(0, y, 1, panelHeight);
        switch (p.kind) {
        case HistoryPanel::Margins:
            linearScale(p, margins, false, lineHeight, textWidth, labelWidth);
            break;
        case HistoryPanel::Rates:
            linearScale(p, rates, true, lineHeight, textWidth, labelWidth);
            break;
        case HistoryPanel::Errors:
            logScale(p, errors, lineHeight, textWidth, labelWidth);
            break;
        case HistoryPanel::Ping:
            linearScale(p, ping, true, lineHeight, textWidth, labelWidth);
            break;
        }
        l.panels << p;
    }
    l.left = kEdge + labelWidth + 6;
    l.right = std::max(l.left + 10, width - 1 - 2 * kEdge);
    for (HistoryPanel &p : l.panels) {
        p.plot.setLeft(l.left);
        p.plot.setRight(l.right);
        for (HistoryText &t : p.yLabels)
            t.rect.moveRight(l.left - 4);
    }

    // Time ticks: the shortest round step whose labels keep clear of each other.
    const int plotWidth = l.right - l.left;
    const qint64 span = l.toMs - l.fromMs;
    qint64 step = kTickSteps[std::size(kTickSteps) - 1];
    for (qint64 s : kTickSteps) {
        const int labelRoom = textWidth(HistoryTimeLabel(fromMs, utcOffsetMs, s)) + kLabelGap;
        if (double(s) * plotWidth / double(span) >= labelRoom) {
            step = s;
            break;
        }
    }
    const qint64 local = l.fromMs + utcOffsetMs;
    qint64 tick = local - ((local % step) + step) % step + step - utcOffsetMs;
    int lastRight = std::numeric_limits<int>::min();
    const int labelTop = l.panels.last().plot.bottom() + 4;
    for (; tick < l.toMs; tick += step) {
        const int x = l.xFor(tick);
        if (x < l.left || x > l.right)
            continue;
        l.gridX << x;
        const QString text = HistoryTimeLabel(tick, utcOffsetMs, step);
        const int w = textWidth(text);
        QRect r(x - w / 2, labelTop, w, lineHeight);
        if (r.left() < 0 || r.right() >= width || r.left() < lastRight + kLabelGap)
            continue;
        l.timeLabels << HistoryText{r, text};
        lastRight = r.right();
    }

    for (const HistoryEvent &e : series.events) {
        const int x = l.xFor(e.timeMs);
        if (e.timeMs >= l.fromMs && e.timeMs < l.toMs && x >= l.left && x <= l.right)
            l.events << HistoryEventMark{x, e.kind, e.timeMs};
    }
    if (!any) {
        const QString text = QStringLiteral("No readings in this span");
        const QRect all(l.left, top, l.right - l.left, bottom - top);
        l.noData = {QRect(all.center().x() - textWidth(text) / 2, all.center().y() - lineHeight / 2, textWidth(text),
                          lineHeight),
                    text};
    }
    return l;
}

} // namespace quillon
