#include "graphs/ui/metalchart.h"

#include "base/appinfo.h"
#include "base/dialogs.h"
#include "base/misc.h"
#include "graphs/ui/chartpainter.h"

#include <QClipboard>
#include <QGuiApplication>
#include <QImage>
#include <QMouseEvent>
#include <QPainter>

#include <exception>

namespace quillon {

namespace {

void logDrawingError(const QString &number, const QString &description)
{
    WriteToFile(number + QStringLiteral(" - ") + description, MetalChart::ErrorFileName, false);
}

} // namespace

const QString MetalChart::CopiedMessage = QStringLiteral("Graph data copied to clipboard");
const QString MetalChart::ErrorFileName = QStringLiteral("error-graph.txt");

MetalChart::MetalChart(QWidget *parent)
    : QWidget(parent)
    , m_font(font())
{
    setAttribute(Qt::WA_OpaquePaintEvent);
    relayout();
}

void MetalChart::DrawLine(QPainter &device, int x1, int y1, int x2, int y2, quint32 colour)
{
    device.setPen(QPen(chartColour(colour), 0));
    device.drawLine(x1, y1, x2, y2);
}

void MetalChart::CreateColumns(const QString &text)
{
    if (text.isEmpty())
        return;
    CreateColumns(ChartData::parse(text));
}

void MetalChart::CreateColumns(ChartData data)
{
    m_data = std::move(data);
    relayout();
}

void MetalChart::SetVerticalColumn(float position, qint32 width, quint32 colour)
{
    if (m_markers.isEmpty() || m_markers.last().width != 0)
        m_markers.append(ChartMarker{});
    m_markers.last() = ChartMarker{position, width, colour};
}

void MetalChart::ResetVerticalColumns()
{
    m_markers = {ChartMarker{}};
}

void MetalChart::ResetChart()
{
    m_data = ChartData{};
    ResetVerticalColumns();
    relayout();
}

void MetalChart::setChartFont(const QFont &v)
{
    m_font = v;
    relayout();
}

const ChartLayout &MetalChart::layout() const
{
    if (!m_layoutValid) {
        m_layout = ChartLayout::compute(width(), height(), chartUnit(m_font), m_settings, m_data, m_markers);
        m_layoutValid = true;
    }
    return m_layout;
}

void MetalChart::relayout()
{
    m_layoutValid = false;
    redraw();
}

void MetalChart::redraw()
{
    m_bufferValid = false;
    update();
}

void MetalChart::paintInto(QPainter &painter) const
{
    try {
        paintChart(painter, size(), m_font, m_settings, layout());
    } catch (const std::exception &e) {
        logDrawingError(QStringLiteral("0"), QString::fromLocal8Bit(e.what()));
    } catch (...) {
        logDrawingError(QStringLiteral("0"), QStringLiteral("Unknown drawing error"));
    }
}

QImage MetalChart::render() const
{
    QImage image(size().expandedTo(QSize(1, 1)), QImage::Format_RGB32);
    QPainter painter(&image);
    paintInto(painter);
    return image;
}

void MetalChart::copyToClipboard()
{
    if (!m_data.hasData())
        return;
    if (QClipboard *clipboard = QGuiApplication::clipboard())
        clipboard->setText(copyText());
    Dialogs::message(Dialogs::Icon::Information, appTitle(), CopiedMessage);
}

void MetalChart::paintEvent(QPaintEvent *)
{
    const qreal ratio = devicePixelRatioF();
    const QSize pixels = (QSizeF(size()) * ratio).toSize().expandedTo(QSize(1, 1));
    if (!m_bufferValid || m_buffer.size() != pixels) {
        m_buffer = QImage(pixels, QImage::Format_RGB32);
        m_buffer.setDevicePixelRatio(ratio);
        QPainter buffer(&m_buffer);
        paintInto(buffer);
        m_bufferValid = true;
    }
    QPainter painter(this);
    painter.drawImage(0, 0, m_buffer);
}

void MetalChart::resizeEvent(QResizeEvent *event)
{
    QWidget::resizeEvent(event);
    relayout();
}

void MetalChart::showEvent(QShowEvent *event)
{
    QWidget::showEvent(event);
    relayout();
}

void MetalChart::mouseReleaseEvent(QMouseEvent *event)
{
    if (!rect().contains(event->position().toPoint()))
        return;
    if (event->button() == Qt::RightButton)
        emit RightClick();
    else if (event->button() == Qt::LeftButton)
        emit Click();
}

void MetalChart::mouseDoubleClickEvent(QMouseEvent *event)
{
    if (event->button() == Qt::LeftButton)
        copyToClipboard();
}

void applyGraph(MetalChart &chart, GraphDrawing drawing)
{
    chart.setChartTitle(drawing.ChartTitle);
    chart.setXAxis(drawing.XAxis);
    chart.setYAxis(drawing.YAxis);
    chart.setXCell(drawing.XCell);
    chart.setYCell(drawing.YCell);
    chart.setLineGraph(drawing.LineGraph);
    if (drawing.Divisions)
        chart.setDivisions(*drawing.Divisions);
    chart.CreateColumns(std::move(drawing.data));
}

} // namespace quillon
