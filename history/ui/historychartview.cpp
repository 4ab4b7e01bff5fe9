#include "history/ui/historychartview.h"

#include <QMouseEvent>
#include <QPainter>
#include <QWheelEvent>

namespace quillon {

namespace {

// One wheel notch zooms by a quarter.
constexpr double kZoomPerNotch = 1.25;
constexpr int kReadoutPad = 4;

} // namespace

HistoryChartView::HistoryChartView(QWidget *parent)
    : QWidget(parent)
{
    setMouseTracking(true);
    setMinimumSize(320, 240);
    setAttribute(Qt::WA_OpaquePaintEvent);
}

void HistoryChartView::setSeries(HistorySeries series, qint64 fromMs, qint64 toMs, qint64 utcOffsetMs)
{
    m_series = std::move(series);
    m_from = fromMs;
    m_to = toMs;
    m_offset = utcOffsetMs;
    relayout();
}

void HistoryChartView::relayout()
{
    m_layout = layoutHistoryChart(size(), font(), m_series, m_from, m_to, m_offset);
    m_bufferValid = false;
    if (m_cursorX >= 0)
        m_cursorBucket = m_layout.bucketAt(m_series, m_cursorX);
    update();
}

QImage HistoryChartView::render() const
{
    QImage image(size(), QImage::Format_RGB32);
    QPainter p(&image);
    paintHistoryChart(p, size(), font(), m_layout, m_series);
    return image;
}

void HistoryChartView::setCursorX(int x)
{
    m_cursorX = (x >= m_layout.left && x <= m_layout.right) ? x : -1;
    m_cursorBucket = m_cursorX >= 0 ? m_layout.bucketAt(m_series, m_cursorX) : -1;
    update();
}

void HistoryChartView::paintEvent(QPaintEvent *)
{
    if (!m_bufferValid || m_buffer.size() != size()) {
        m_buffer = render();
        m_bufferValid = true;
    }
    QPainter p(this);
    p.drawImage(0, 0, m_buffer);
    if (m_cursorX < 0 || m_layout.panels.isEmpty())
        return;
    p.setPen(QColor(255, 255, 255, 160));
    p.drawLine(m_cursorX, m_layout.panels.first().plot.top(), m_cursorX, m_layout.panels.last().plot.bottom());
    const QStringList lines = historyReadout(m_series, m_cursorBucket, m_offset);
    if (lines.isEmpty())
        return;
    const QFontMetrics fm(font());
    int w = 0;
    for (const QString &l : lines)
        w = std::max(w, fm.horizontalAdvance(l));
    QRect box(0, m_layout.panels.first().plot.top() + 2, w + 2 * kReadoutPad,
              int(lines.size()) * fm.height() + 2 * kReadoutPad);
    // The readout stays on the side away from the cursor.
    box.moveLeft(m_cursorX + 12 + box.width() < m_layout.right ? m_cursorX + 12 : m_cursorX - 12 - box.width());
    p.fillRect(box, QColor(20, 20, 40, 220));
    p.setPen(QColor(255, 255, 0));
    for (int i = 0; i < lines.size(); ++i)
        p.drawText(box.left() + kReadoutPad, box.top() + kReadoutPad + i * fm.height() + fm.ascent(), lines[i]);
}

void HistoryChartView::resizeEvent(QResizeEvent *)
{
    relayout();
}

void HistoryChartView::wheelEvent(QWheelEvent *event)
{
    const double notches = event->angleDelta().y() / 120.0;
    if (notches == 0)
        return;
    const int x = int(event->position().x());
    emit zoomRequested(m_layout.timeAt(std::clamp(x, m_layout.left, m_layout.right)), std::pow(kZoomPerNotch, -notches));
    event->accept();
}

void HistoryChartView::mousePressEvent(QMouseEvent *event)
{
    if (event->button() == Qt::LeftButton)
        m_dragX = int(event->position().x());
}

void HistoryChartView::mouseMoveEvent(QMouseEvent *event)
{
    const int x = int(event->position().x());
    if (m_dragX >= 0 && (event->buttons() & Qt::LeftButton)) {
        const qint64 delta = m_layout.timeAt(m_dragX) - m_layout.timeAt(x);
        m_dragX = x;
        if (delta != 0)
            emit panRequested(delta);
    }
    setCursorX(x);
}

void HistoryChartView::mouseReleaseEvent(QMouseEvent *)
{
    m_dragX = -1;
}

void HistoryChartView::leaveEvent(QEvent *)
{
    setCursorX(-1);
}

} // namespace quillon
