#include "history/ui/historychartview.h"

#include <QDateTime>
#include <QFontMetrics>
#include <QPainter>
#include <QRegularExpression>

#include <cmath>

namespace quillon {

namespace {

const QColor kBack(0, 0, 0);
const QColor kGrid(64, 64, 64);
const QColor kFrame(128, 128, 128);
const QColor kText(255, 255, 0);
const QColor kDsMargin(0, 210, 0);
const QColor kUsMargin(0, 200, 255);
const QColor kDsRate(255, 170, 0);
const QColor kUsRate(80, 140, 255);
const QColor kCrc(255, 60, 60);
const QColor kFec(230, 230, 90);
const QColor kEs(255, 140, 0);
const QColor kPingBand(70, 100, 170);
const QColor kPingAvg(235, 235, 235);
const QColor kLoss(255, 40, 40);

QColor eventColour(HistoryEventKind kind)
{
    switch (kind) {
    case HistoryEventKind::Resync:
        return QColor(255, 150, 0);
    case HistoryEventKind::RouterRestarted:
        return QColor(255, 50, 50);
    case HistoryEventKind::WatchdogReboot:
        return QColor(230, 60, 230);
    case HistoryEventKind::RequestedReboot:
        return QColor(120, 200, 255);
    }
    return kText;
}

int bucketX(const HistoryChartLayout &l, const HistorySeries &s, const HistoryBucket &b)
{
    return l.xFor(b.startMs + s.bucketMs / 2);
}

// A line through the buckets' averages, broken where buckets are missing.
void drawSeries(QPainter &p, const HistoryChartLayout &l, const HistoryPanel &panel, const HistorySeries &s,
                HistoryValue value, const QColor &colour, Qt::PenStyle style = Qt::SolidLine)
{
    p.setPen(QPen(colour, 1, style));
    const qint64 gap = std::max<qint64>(s.bucketMs, 1) * 3;
    QPolygon run;
    qint64 last = 0;
    const auto flush = [&] {
        if (run.size() == 1)
            p.drawPoint(run.first());
        else if (run.size() > 1)
            p.drawPolyline(run);
        run.clear();
    };
    for (const HistoryBucket &b : s.buckets) {
        const double v = b.value(value).avg;
        if (!hasValue(v))
            continue;
        if (!run.isEmpty() && s.bucketMs > 0 && b.startMs - last > gap)
            flush();
        run << QPoint(bucketX(l, s, b), panel.yFor(v));
        last = b.startMs;
    }
    flush();
}

void drawErrors(QPainter &p, const HistoryChartLayout &l, const HistoryPanel &panel, const HistorySeries &s)
{
    const int width = std::max(1, l.xFor(l.fromMs + std::max<qint64>(s.bucketMs, 1)) - l.xFor(l.fromMs));
    const int bar = std::max(1, width / 3);
    QList<QLine> lines[3];
    for (const HistoryBucket &b : s.buckets) {
        const int x = l.xFor(b.startMs);
        const qint64 counts[3] = {
            std::max<qint64>(b.count(HistoryCount::DsCrc), 0) + std::max<qint64>(b.count(HistoryCount::UsCrc), 0),
            std::max<qint64>(b.count(HistoryCount::DsFec), 0) + std::max<qint64>(b.count(HistoryCount::UsFec), 0),
            std::max<qint64>(b.count(HistoryCount::ErroredSecs), 0)};
        for (int k = 0; k < 3; ++k) {
            if (counts[k] <= 0)
                continue;
            const int y = panel.yFor(double(counts[k]));
            for (int i = 0; i < bar; ++i)
                lines[k] << QLine(x + k * bar + i, panel.plot.bottom(), x + k * bar + i, y);
        }
    }
    // FEC first: corrected errors are the most and should not hide the rest.
    const int order[3] = {1, 2, 0};
    for (int k : order) {
        p.setPen(k == 0 ? kCrc : k == 1 ? kFec : kEs);
        p.drawLines(lines[k]);
    }
}

void drawPing(QPainter &p, const HistoryChartLayout &l, const HistoryPanel &panel, const HistorySeries &s)
{
    QList<QLine> band;
    QList<QLine> loss;
    for (const HistoryBucket &b : s.buckets) {
        const int x = bucketX(l, s, b);
        const ValueRange &r = b.value(HistoryValue::PingRtt);
        if (hasValue(r.min) && hasValue(r.max))
            band << QLine(x, panel.yFor(r.min), x, panel.yFor(r.max));
        if (b.count(HistoryCount::PingsLost) > 0)
            loss << QLine(x, panel.plot.top(), x, panel.plot.top() + 6);
    }
    p.setPen(kPingBand);
    p.drawLines(band);
    drawSeries(p, l, panel, s, HistoryValue::PingRtt, kPingAvg);
    p.setPen(QPen(kLoss, 2));
    p.drawLines(loss);
}

} // namespace

HistoryChartLayout layoutHistoryChart(const QSize &size, const QFont &font, const HistorySeries &series,
                                      qint64 fromMs, qint64 toMs, qint64 utcOffsetMs)
{
    const QFontMetrics fm(font);
    return HistoryChartLayout::compute(size.width(), size.height(), series, fromMs, toMs, utcOffsetMs,
                                       [&fm](const QString &t) { return fm.horizontalAdvance(t); }, fm.height());
}

void paintHistoryChart(QPainter &p, const QSize &size, const QFont &font, const HistoryChartLayout &l,
                       const HistorySeries &s)
{
    p.fillRect(QRect(QPoint(0, 0), size), kBack);
    p.setFont(font);
    for (const HistoryPanel &panel : l.panels) {
        p.setPen(kGrid);
        for (int y : panel.gridY)
            p.drawLine(panel.plot.left(), y, panel.plot.right(), y);
        for (int x : l.gridX)
            p.drawLine(x, panel.plot.top(), x, panel.plot.bottom());
        p.setClipRect(panel.plot.adjusted(0, 0, 1, 1));
        switch (panel.kind) {
        case HistoryPanel::Margins:
            drawSeries(p, l, panel, s, HistoryValue::DsMargin, kDsMargin);
            drawSeries(p, l, panel, s, HistoryValue::UsMargin, kUsMargin);
            break;
        case HistoryPanel::Rates:
            drawSeries(p, l, panel, s, HistoryValue::DsMaxRate, kDsRate, Qt::DotLine);
            drawSeries(p, l, panel, s, HistoryValue::UsMaxRate, kUsRate, Qt::DotLine);
            drawSeries(p, l, panel, s, HistoryValue::DsRate, kDsRate);
            drawSeries(p, l, panel, s, HistoryValue::UsRate, kUsRate);
            break;
        case HistoryPanel::Errors:
            drawErrors(p, l, panel, s);
            break;
        case HistoryPanel::Ping:
            drawPing(p, l, panel, s);
            break;
        }
        for (const HistoryEventMark &e : l.events) {
            p.setPen(QPen(eventColour(e.kind), 1, e.kind == HistoryEventKind::Resync ? Qt::DashLine : Qt::SolidLine));
            p.drawLine(e.x, panel.plot.top(), e.x, panel.plot.bottom());
        }
        p.setClipping(false);
        p.setPen(kFrame);
        p.drawRect(panel.plot);
        p.setPen(kText);
        for (const HistoryText &t : panel.yLabels)
            p.drawText(t.rect, Qt::AlignRight | Qt::AlignVCenter, t.text);
        p.drawText(panel.plot.adjusted(4, 1, -4, 0), Qt::AlignLeft | Qt::AlignTop, panel.title);
    }
    p.setPen(kText);
    for (const HistoryText &t : l.timeLabels)
        p.drawText(t.rect, Qt::AlignCenter, t.text);
    if (!l.noData.text.isEmpty())
        p.drawText(l.noData.rect, Qt::AlignCenter, l.noData.text);
}

QStringList historyReadout(const HistorySeries &s, int bucket, qint64 utcOffsetMs)
{
    if (bucket < 0 || bucket >= s.buckets.size())
        return {};
    const HistoryBucket &b = s.buckets[bucket];
    const auto v = [&](HistoryValue x) {
        const ValueRange &r = b.value(x);
        if (!hasValue(r.avg))
            return QStringLiteral("-");
        if (r.min == r.max)
            return QString::number(r.avg, 'f', 1).remove(QRegularExpression(QStringLiteral("\\.0$")));
        return QStringLiteral("%1 (%2 to %3)").arg(r.avg, 0, 'f', 1).arg(r.min).arg(r.max);
    };
    const auto c = [&](HistoryCount x) { return b.count(x) >= 0 ? QString::number(b.count(x)) : QStringLiteral("-"); };
    QStringList lines{
        QDateTime::fromMSecsSinceEpoch(b.startMs + utcOffsetMs, Qt::UTC).toString(QStringLiteral("dd/MM/yyyy hh:mm"))
            + QStringLiteral("  (%1 readings)").arg(b.readings),
        QStringLiteral("Margin DS %1, US %2 dB").arg(v(HistoryValue::DsMargin), v(HistoryValue::UsMargin)),
        QStringLiteral("Rate DS %1, US %2 kbit/s").arg(v(HistoryValue::DsRate), v(HistoryValue::UsRate)),
        QStringLiteral("Max rate DS %1, US %2 kbit/s").arg(v(HistoryValue::DsMaxRate), v(HistoryValue::UsMaxRate)),
        QStringLiteral("CRC %1/%2  FEC %3/%4  HEC %5/%6  ES %7  SES %8")
            .arg(c(HistoryCount::DsCrc), c(HistoryCount::UsCrc), c(HistoryCount::DsFec), c(HistoryCount::UsFec),
                 c(HistoryCount::DsHec), c(HistoryCount::UsHec), c(HistoryCount::ErroredSecs),
                 c(HistoryCount::SeverelyErroredSecs)),
        QStringLiteral("Ping %1 ms, %2 of %3 lost").arg(v(HistoryValue::PingRtt), c(HistoryCount::PingsLost),
                                                       c(HistoryCount::PingsSent)),
    };
    const qint64 end = b.startMs + std::max<qint64>(s.bucketMs, 1);
    for (const HistoryEvent &e : s.events) {
        if (e.timeMs >= b.startMs && e.timeMs < end)
            lines << historyEventTitle(e.kind) + QStringLiteral(": ") + e.detail;
    }
    return lines;
}

} // namespace quillon
