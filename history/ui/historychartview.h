#pragma once

#include "history/core/historychartlayout.h"

#include <QFont>
#include <QImage>
#include <QWidget>

class QPainter;

namespace quillon {

// Draws a computed layout and its series; used by the view, the PNG export
// and the benchmark.
void paintHistoryChart(QPainter &painter, const QSize &size, const QFont &font, const HistoryChartLayout &layout,
                       const HistorySeries &series);

HistoryChartLayout layoutHistoryChart(const QSize &size, const QFont &font, const HistorySeries &series,
                                      qint64 fromMs, qint64 toMs, qint64 utcOffsetMs);

// The readout of every value of one bucket, one line each.
QStringList historyReadout(const HistorySeries &series, int bucket, qint64 utcOffsetMs);

// The stacked history charts: the wheel zooms around the pointer, a drag
// pans, and a cursor line follows the pointer with the values at its time.
class HistoryChartView final : public QWidget
{
    Q_OBJECT
    Q_DISABLE_COPY_MOVE(HistoryChartView)

public:
    explicit HistoryChartView(QWidget *parent = nullptr);

    void setSeries(HistorySeries series, qint64 fromMs, qint64 toMs, qint64 utcOffsetMs);
    const HistorySeries &series() const { return m_series; }
    const HistoryChartLayout &layout() const { return m_layout; }
    // The chart as drawn now, without the cursor.
    QImage render() const;
    int cursorBucket() const { return m_cursorBucket; }
    void setCursorX(int x);

signals:
    // Zoom by factor (< 1 narrows) keeping anchorMs where it is.
    void zoomRequested(qint64 anchorMs, double factor);
    void panRequested(qint64 deltaMs);

protected:
    void paintEvent(QPaintEvent *event) override;
    void resizeEvent(QResizeEvent *event) override;
    void wheelEvent(QWheelEvent *event) override;
    void mousePressEvent(QMouseEvent *event) override;
    void mouseMoveEvent(QMouseEvent *event) override;
    void mouseReleaseEvent(QMouseEvent *event) override;
    void leaveEvent(QEvent *event) override;

private:
    void relayout();

    HistorySeries m_series;
    HistoryChartLayout m_layout;
    qint64 m_from{0};
    qint64 m_to{1};
    qint64 m_offset{0};
    QImage m_buffer;
    bool m_bufferValid{false};
    int m_cursorX{-1};
    int m_cursorBucket{-1};
    int m_dragX{-1};
};

} // namespace quillon
