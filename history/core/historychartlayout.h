#pragma once

// Where everything of the line history chart goes: four stacked panels on
// one time axis, their scales, the time labels and the event marks, worked
// out from the size, the text widths and the data, so that it can be checked
// without painting.

#include "history/core/historytypes.h"

#include <QList>
#include <QRect>
#include <QString>

#include <functional>

namespace quillon {

enum class HistorySpan { Hours6, Hours24, Days7, Days30, All };

qint64 historySpanMs(HistorySpan span); // All: 0 (the stored extent decides)
QString historySpanTitle(HistorySpan span);

// The bucket for a span drawn across `plotWidth` pixels: the smallest of the
// round steps that leaves each bucket at least two pixels.
qint64 HistoryBucketMs(qint64 spanMs, int plotWidth);

struct HistoryText
{
    QRect rect;
    QString text;
};

struct HistoryPanel
{
    enum Kind { Margins, Rates, Errors, Ping };
    Kind kind{Margins};
    QString title;
    QRect plot; // right and bottom inclusive
    double low{0};
    double high{1};
    bool logScale{false}; // errors: counts from 0 to thousands on one scale
    QList<int> gridY;
    QList<HistoryText> yLabels;

    int yFor(double value) const;
};

struct HistoryEventMark
{
    int x{0};
    HistoryEventKind kind{HistoryEventKind::Resync};
    qint64 timeMs{0};
};

struct HistoryChartLayout
{
    qint64 fromMs{0};
    qint64 toMs{1};
    qint64 utcOffsetMs{0};
    int left{0};
    int right{0}; // inclusive
    QList<HistoryPanel> panels;
    QList<int> gridX;
    QList<HistoryText> timeLabels; // never overlapping, left to right
    QList<HistoryEventMark> events;
    HistoryText noData; // set when the span holds no reading

    int xFor(qint64 timeMs) const;
    qint64 timeAt(int x) const;
    // The bucket drawn at x, or -1.
    int bucketAt(const HistorySeries &series, int x) const;

    // textWidth: pixels of a text in the chart's font; lineHeight: its height.
    static HistoryChartLayout compute(int width, int height, const HistorySeries &series, qint64 fromMs,
                                      qint64 toMs, qint64 utcOffsetMs,
                                      const std::function<int(const QString &)> &textWidth, int lineHeight);
};

// The time label format of a tick step ("hh:mm", "dd/MM hh:mm", "dd/MM", "MM/yyyy").
QString HistoryTimeLabel(qint64 timeMs, qint64 utcOffsetMs, qint64 stepMs);

} // namespace quillon
