#include "bandwidth/core/bandwidthtexts.h"

#include "base/clock.h"
#include "base/misc.h"
#include "stats/core/snapshots.h"

namespace quillon {

namespace {

const QString CrLf = QStringLiteral("\r\n");
const QString Dot = QStringLiteral(".");
const QString Tab = QStringLiteral("\t");
constexpr qsizetype TrimMargin = 1024;

QString padded(double bytes)
{
    return PadBy(GetUnitSize(bytes), Dot, 10, true);
}

QString rateText(double bytesPerSec, bool known)
{
    return known ? GetUnitSize(bytesPerSec) + QStringLiteral("/s") : QStringLiteral("-");
}

const SnapshotRecord &recordOf(int view, const BandwidthSnapshots &records)
{
    switch (RecordsView(view)) {
    case RecordsView::SinceBoot:
        return records.SinceBoot();
    case RecordsView::LastHour:
        return records.LastHour();
    case RecordsView::Today:
        return records.Today();
    case RecordsView::ThisWeek:
        return records.ThisWeek();
    default:
        return records.ThisMonth();
    }
}

} // namespace

QStringList SlotLabelList()
{
    QStringList labels;
    for (const char *label : SlotLabels)
        labels.append(QLatin1String(label));
    return labels;
}

ViewFigures RecordsViewFigures(int view, const BandwidthCounters &counters, const BandwidthSnapshots &records)
{
    ViewFigures figures;
    for (int s = 0; s < InterfaceSlots; ++s) {
        const InterfaceCounters &c = counters.slot(s);
        SlotFigures &f = figures[size_t(s)];
        switch (RecordsView(view)) {
        case RecordsView::CurrentSession:
            f = {GetUnitSize(double(c.RunTotal.rx)), GetUnitSize(double(c.RunTotal.tx))};
            break;
        case RecordsView::Rates:
            f = {rateText(double(c.Delta.rx) / c.DeltaSecs, c.DeltaSecs > 0),
                 rateText(double(c.Delta.tx) / c.DeltaSecs, c.DeltaSecs > 0)};
            break;
        case RecordsView::MaxRates:
            f = {rateText(c.MaxRxRate, c.MaxRateKnown), rateText(c.MaxTxRate, c.MaxRateKnown)};
            break;
        default: {
            const SlotTotals &t = recordOf(view, records).Totals[size_t(s)];
            f = {GetUnitSize(t.Rx), GetUnitSize(t.Tx)};
            break;
        }
        }
    }
    return figures;
}

QString BandwidthLogBlock(const QDateTime &when, const BandwidthCounters &counters, const Measurement &m)
{
    if (!m.anyData())
        return {};
    QString block = when.toString(QStringLiteral("dd/MM/yy hh:mm:ss")) + QStringLiteral(" ---------") + CrLf;
    for (int s = 0; s < InterfaceSlots; ++s) {
        if (!m.hasData[size_t(s)])
            continue;
        const InterfaceCounters &c = counters.slot(s);
        block += QLatin1String(SlotLabels[size_t(s)]) + Tab + padded(double(c.RunTotal.rx)) + QLatin1Char('(')
               + padded(double(c.Delta.rx)) + QStringLiteral(") ") + padded(double(c.RunTotal.tx))
               + QLatin1Char('(') + padded(double(c.Delta.tx)) + QLatin1Char(')');
        if (s != InterfaceSlots - 1)
            block += CrLf;
    }
    return block;
}

QString HistorySample(const BandwidthCounters &counters, const Measurement &m, const GraphTicks &ticks)
{
    QStringList segments;
    for (size_t s = 0; s < InterfaceSlots; ++s) {
        if (!m.hasData[s])
            continue;
        const InterfaceCounters &c = counters.slot(int(s));
        if (ticks.rx[s])
            segments.append(QString::number(c.Delta.rx) + QLatin1Char(',') + ColourToText(ticks.rxColour[s]));
        if (ticks.tx[s])
            segments.append(QString::number(c.Delta.tx) + QLatin1Char(',') + ColourToText(ticks.txColour[s]));
    }
    return segments.join(QLatin1Char('|'));
}

void AppendToBandwidthText(QString &text, const QString &block)
{
    if (!text.isEmpty())
        text += CrLf;
    text += block;
    if (text.size() <= BandwidthTextLimit)
        return;
    const qsizetype lineEnd = text.indexOf(CrLf, text.size() - (BandwidthTextLimit - TrimMargin));
    if (lineEnd < 0)
        text.clear();
    else
        text.remove(0, lineEnd + CrLf.size());
}

QString PeriodSummary(const BandwidthSnapshots &records)
{
    const QStringList labels = SlotLabelList();
    return QStringLiteral("I/F:") + Tab + BandwidthSnapshots::FormatSnapshot({}, true, labels) + CrLf
         + QStringLiteral("Hour:") + Tab + BandwidthSnapshots::FormatSnapshot(records.LastHour(), false, labels) + CrLf
         + QStringLiteral("Day:") + Tab + BandwidthSnapshots::FormatSnapshot(records.Today(), false, labels) + CrLf
         + QStringLiteral("Week:") + Tab + BandwidthSnapshots::FormatSnapshot(records.ThisWeek(), false, labels) + CrLf
         + QStringLiteral("Month:") + Tab + BandwidthSnapshots::FormatSnapshot(records.ThisMonth(), false, labels);
}

QString MonthlyTotals(const BandwidthSnapshots &records)
{
    const QStringList labels = SlotLabelList();
    QStringList lines{QStringLiteral("Month") + Tab + BandwidthSnapshots::FormatSnapshot({}, true, labels),
                      GetDateLabel(Clock::now(), 4) + Tab
                          + BandwidthSnapshots::FormatSnapshot(records.ThisMonth(), false, labels)};
    for (const BandwidthSnapshots::MonthRecord &month : records.PreviousMonths())
        lines.append(month.label + Tab + BandwidthSnapshots::FormatSnapshot(month.record, false, labels));
    return lines.join(CrLf);
}

QString BuildBWTickedGraphList(const GraphTicks &ticks)
{
    QStringList values;
    for (const bool t : ticks.rx)
        values.append(t ? QStringLiteral("1") : QStringLiteral("0"));
    for (const bool t : ticks.tx)
        values.append(t ? QStringLiteral("1") : QStringLiteral("0"));
    return values.join(QLatin1Char(','));
}

void ApplyBWTickedGraphList(const QString &list, GraphTicks &ticks)
{
    for (int i = 0; i < InterfaceSlots; ++i) {
        ticks.rx[size_t(i)] = Val(Field(list, QStringLiteral(","), i + 1)) != 0;
        ticks.tx[size_t(i)] = Val(Field(list, QStringLiteral(","), i + 5)) != 0;
    }
}

QString SlotCountersText(const BandwidthCounters &counters, const std::array<QString, InterfaceSlots> &ids)
{
    QStringList lines;
    for (int s = 0; s < InterfaceSlots; ++s) {
        const InterfaceCounters &c = counters.slot(s);
        if (c.Found)
            lines.append(QStringList{QLatin1String(SlotLabels[size_t(s)]), ids[size_t(s)], QString::number(c.Current.rx),
                                     QString::number(c.Current.tx)}
                             .join(Tab));
    }
    return lines.join(CrLf);
}

QString MiniStatsText(const GraphTicks &ticks, const ViewFigures &figures)
{
    QStringList lines;
    for (size_t s = 0; s < InterfaceSlots; ++s) {
        const QString label = QLatin1String(SlotLabels[s]);
        QString line;
        if (ticks.rx[s])
            line = label + QStringLiteral(" Rx:") + figures[s].rx;
        if (ticks.tx[s]) {
            if (!line.isEmpty())
                line += QStringLiteral(" - ");
            line += label + QStringLiteral(" Tx:") + figures[s].tx;
        }
        if (!line.isEmpty())
            lines.append(line);
    }
    return lines.join(CrLf);
}

} // namespace quillon
