#pragma once

#include "graphs/core/chartdata.h"
#include "graphs/core/chartlayout.h"
#include "graphs/core/graphdrawing.h"

#include <QFont>
#include <QImage>
#include <QWidget>

class QPainter;

namespace quillon {

// The program's own chart: bars or lines drawn from chart data, with a title,
// grid, axis labels and markers. Hosts set the properties first and call
// CreateColumns last.
class MetalChart final : public QWidget
{
    Q_OBJECT
    Q_DISABLE_COPY_MOVE(MetalChart)

public:
    static const QString CopiedMessage;
    static const QString ErrorFileName;

    explicit MetalChart(QWidget *parent = nullptr);

    static void DrawLine(QPainter &device, int x1, int y1, int x2, int y2, quint32 colour);
    // Replaces the data and redraws; an empty text leaves the chart as it is.
    void CreateColumns(const QString &text);
    void CreateColumns(ChartData data);
    // Takes effect at the next CreateColumns.
    void SetVerticalColumn(float position, qint32 width, quint32 colour);
    void ResetVerticalColumns();
    void ResetChart();

    QString ChartTitle() const { return m_settings.ChartTitle; }
    void setChartTitle(const QString &v) { m_settings.ChartTitle = v; relayout(); }
    bool DisplayValues() const { return m_settings.DisplayValues; }
    void setDisplayValues(bool v) { m_settings.DisplayValues = v; relayout(); }
    bool DisplayLabels() const { return m_settings.DisplayLabels; }
    void setDisplayLabels(bool v) { m_settings.DisplayLabels = v; relayout(); }
    QFont ChartFont() const { return m_font; }
    void setChartFont(const QFont &v);
    int Divisions() const { return m_settings.Divisions; }
    void setDivisions(int v) { m_settings.Divisions = v; relayout(); }
    quint32 TextColour() const { return m_settings.TextColour; }
    void setTextColour(quint32 v) { m_settings.TextColour = v; redraw(); }
    quint32 BackColour() const { return m_settings.BackColour; }
    void setBackColour(quint32 v) { m_settings.BackColour = v; redraw(); }
    quint32 BorderColour() const { return m_settings.BorderColour; }
    void setBorderColour(quint32 v) { m_settings.BorderColour = v; redraw(); }
    bool YLabel() const { return m_settings.YLabel; }
    void setYLabel(bool v) { m_settings.YLabel = v; relayout(); }
    int XCell() const { return m_settings.XCell; }
    void setXCell(int v) { m_settings.XCell = v; relayout(); }
    int YCell() const { return m_settings.YCell; }
    void setYCell(int v) { m_settings.YCell = v; relayout(); }
    QString XAxis() const { return m_settings.XAxis; }
    void setXAxis(const QString &v) { m_settings.XAxis = v; relayout(); }
    bool LineGraph() const { return m_settings.LineGraph; }
    void setLineGraph(bool v) { m_settings.LineGraph = v; relayout(); }
    bool CentreXLabels() const { return m_settings.CentreXLabels; }
    void setCentreXLabels(bool v) { m_settings.CentreXLabels = v; relayout(); }
    bool DrawFuzz() const { return m_settings.DrawFuzz; }
    void setDrawFuzz(bool v) { m_settings.DrawFuzz = v; redraw(); }
    QString YAxis() const { return m_settings.YAxis; }
    void setYAxis(const QString &v) { m_settings.YAxis = v; relayout(); }
    bool LinkToValues() const { return m_settings.LinkToValues; }
    void setLinkToValues(bool v) { m_settings.LinkToValues = v; relayout(); }

    const ChartSettings &settings() const { return m_settings; }
    const ChartData &data() const { return m_data; }
    // Computed when first needed after a change.
    const ChartLayout &layout() const;
    const QList<ChartMarker> &markers() const { return m_markers; }

    // The clipboard text of a double-click; empty without data.
    QString copyText() const { return m_data.copyText(m_settings.XAxis, m_settings.YAxis); }
    void copyToClipboard();
    // The chart as drawn now, at its current size.
    QImage render() const;

signals:
    void RightClick();
    void Click();

protected:
    void paintEvent(QPaintEvent *event) override;
    void resizeEvent(QResizeEvent *event) override;
    void showEvent(QShowEvent *event) override;
    void mouseReleaseEvent(QMouseEvent *event) override;
    void mouseDoubleClickEvent(QMouseEvent *event) override;

private:
    void relayout();
    void redraw();
    void paintInto(QPainter &painter) const;

    ChartSettings m_settings;
    QFont m_font;
    ChartData m_data;
    QList<ChartMarker> m_markers{ChartMarker{}};
    mutable ChartLayout m_layout;
    mutable bool m_layoutValid{false};
    // The chart is drawn off screen once per change and copied on every expose.
    QImage m_buffer;
    bool m_bufferValid{false};
};

// Sets what a graph renderer produced and passes its data.
void applyGraph(MetalChart &chart, GraphDrawing drawing);

} // namespace quillon
