#include "graphs/ui/chartpainter.h"

#include "base/misc.h"
#include "graphs/ui/rasterplot.h"

#include <QGuiApplication>
#include <QHash>
#include <QPainter>
#include <QPalette>
#include <QStaticText>

#include <cmath>

namespace quillon {

namespace {

constexpr quint32 SystemColourFlag = 0x80000000u;
constexpr int LightenBase = 150;
constexpr int DarkenWeight = 180;
// Labels repeat from frame to frame; laying their glyphs out once is most of
// the cost of a redraw.
constexpr qsizetype TextCacheLimit = 4096;

QColor systemColour(quint32 index)
{
    // Stored layouts name colours by their index in the classic system colour
    // table; the nearest role of the current palette stands in for each.
    const QPalette palette = QGuiApplication::palette();
    switch (index & 0xFF) {
    case 1: return palette.color(QPalette::Dark);
    case 2: return palette.color(QPalette::Highlight);
    case 5: return palette.color(QPalette::Base);
    case 6: return palette.color(QPalette::Shadow);
    case 8: return palette.color(QPalette::Text);
    case 12: return palette.color(QPalette::Window);
    case 13: return palette.color(QPalette::Highlight);
    case 14: return palette.color(QPalette::HighlightedText);
    case 15: return palette.color(QPalette::Button);
    case 16: return palette.color(QPalette::Mid);
    case 17: return palette.color(QPalette::PlaceholderText);
    case 18: return palette.color(QPalette::ButtonText);
    case 20: return palette.color(QPalette::Light);
    case 21: return palette.color(QPalette::Shadow);
    case 23: return palette.color(QPalette::ToolTipText);
    case 24: return palette.color(QPalette::ToolTipBase);
    default: return palette.color(QPalette::WindowText);
    }
}

void drawBar(QPainter &painter, std::optional<RasterPlot> &raster, const ChartBar &bar)
{
    const quint32 first = ShiftColorXP(bar.colour, LightenBase);
    const quint32 second = BlendColor(bar.colour, 0, DarkenWeight);
    const int width = bar.rect.width() - 1;
    const int top = bar.rect.top();
    const int height = bar.rect.height();
    auto step = [width](int a, int b, int i) {
        return width == 0 ? a : int(roundHalfEven(a + double(i) * (b - a) / width));
    };
    for (int i = 0; i <= width; ++i) {
        const QColor c(step(RedOf(first), RedOf(second), i), step(GreenOf(first), GreenOf(second), i),
                       step(BlueOf(first), BlueOf(second), i));
        if (raster)
            raster->column(bar.rect.left() + i, top, bar.rect.bottom(), c.rgb());
        else
            painter.fillRect(bar.rect.left() + i, top, 1, height, c);
    }
}

const QStaticText &staticText(const QFont &font, const QString &text)
{
    thread_local QHash<QString, QStaticText> cache;
    thread_local QString cachedFont;
    const QString fontKey = font.key();
    if (fontKey != cachedFont || cache.size() > TextCacheLimit) {
        cache.clear();
        cachedFont = fontKey;
    }
    auto it = cache.find(text);
    if (it == cache.end()) {
        QStaticText prepared(text);
        prepared.setTextFormat(Qt::PlainText);
        prepared.prepare(QTransform(), font);
        it = cache.insert(text, prepared);
    }
    return *it;
}

void drawText(QPainter &painter, const ChartText &text, int flags)
{
    if (text.text.isEmpty())
        return;
    const QStaticText &st = staticText(painter.font(), text.text);
    const QSizeF size = st.size();
    const QRectF r(text.rect);
    qreal x = r.left();
    if (flags & Qt::AlignRight)
        x = r.right() + 1 - size.width();
    else if (flags & Qt::AlignHCenter)
        x = r.left() + (r.width() - size.width()) / 2;
    qreal y = r.top();
    if (flags & Qt::AlignBottom)
        y = r.bottom() + 1 - size.height();
    else if (flags & Qt::AlignVCenter)
        y = r.top() + (r.height() - size.height()) / 2;
    painter.drawStaticText(QPointF(std::round(x), std::round(y)), st);
}

void drawAxisName(QPainter &painter, const ChartText &text, int flags, bool fuzz, const QColor &back,
                  const QColor &fore)
{
    if (text.text.isEmpty())
        return;
    if (fuzz) {
        painter.setPen(back);
        for (const QPoint offset : {QPoint(-1, -1), QPoint(1, -1), QPoint(-1, 1), QPoint(1, 1)})
            drawText(painter, {text.rect.translated(offset), text.text}, flags);
    }
    painter.setPen(fore);
    drawText(painter, text, flags);
}

} // namespace

QColor chartColour(quint32 stored)
{
    if (stored & SystemColourFlag)
        return systemColour(stored);
    return QColor(RedOf(stored), GreenOf(stored), BlueOf(stored));
}

double chartUnit(const QFont &font)
{
    if (font.pointSizeF() > 0)
        return font.pointSizeF();
    return font.pixelSize() > 0 ? font.pixelSize() * 0.75 : 8.0;
}

void paintChart(QPainter &painter, const QSize &size, const QFont &font, const ChartSettings &s,
                const ChartLayout &l)
{
    const QColor back = chartColour(s.BackColour);
    const QColor border = chartColour(s.BorderColour);
    const QColor fore = chartColour(s.TextColour);
    painter.fillRect(QRect(QPoint(0, 0), size), back);
    painter.setFont(font);

    if (l.plotted) {
        std::optional<RasterPlot> raster = RasterPlot::from(painter);
        painter.setPen(border);
        for (const int x : l.gridX) {
            if (raster)
                raster->column(x, l.top, l.bottom, border.rgb());
            else
                painter.drawLine(x, l.top, x, l.bottom);
        }
        for (const int y : l.gridY) {
            if (raster)
                raster->row(y, l.left, l.right, border.rgb());
            else
                painter.drawLine(l.left, y, l.right, y);
        }

        for (const ChartBar &bar : l.bars)
            drawBar(painter, raster, bar);
        for (qsizetype k = 0; k < l.lines.size(); ++k) {
            const QList<QPoint> &points = l.lines.at(k);
            const QList<quint32> &colours = l.lineColours.at(k);
            // Each segment takes the colour of the point it ends at; runs of one
            // colour go out as one polyline.
            if (raster) {
                for (qsizetype i = 1; i < points.size(); ++i) {
                    const QColor c = chartColour(colours.at(i));
                    if (!raster->line(points.at(i - 1), points.at(i), c.rgb())) {
                        painter.setPen(c);
                        painter.drawLine(points.at(i - 1), points.at(i));
                    }
                }
                continue;
            }
            qsizetype start = 0;
            while (start + 1 < points.size()) {
                qsizetype end = start + 1;
                while (end + 1 < points.size() && colours.at(end + 1) == colours.at(start + 1))
                    ++end;
                painter.setPen(chartColour(colours.at(start + 1)));
                painter.drawPolyline(points.constData() + start, int(end - start + 1));
                start = end;
            }
        }
        for (qsizetype m = 0; m < l.markers.size(); ++m)
            painter.fillRect(l.markers.at(m), chartColour(l.markerColours.at(m)));

        painter.setPen(border);
        const int zeroY = l.zeroY();
        for (const int x : l.xTicks) {
            if (raster)
                raster->column(x, zeroY, zeroY + 2, border.rgb());
            else
                painter.drawLine(x, zeroY, x, zeroY + 2);
        }
        painter.setPen(fore);
        for (const ChartText &t : l.yLabels)
            drawText(painter, t, Qt::AlignRight | Qt::AlignVCenter);
        for (const ChartText &t : l.xLabels)
            drawText(painter, t, Qt::AlignHCenter | Qt::AlignTop);
        for (const ChartText &t : l.valueLabels)
            drawText(painter, t, Qt::AlignHCenter | Qt::AlignBottom);
    }
    drawAxisName(painter, l.yAxis, Qt::AlignLeft | Qt::AlignBottom, s.DrawFuzz, back, fore);
    drawAxisName(painter, l.xAxis, Qt::AlignRight | Qt::AlignTop, s.DrawFuzz, back, fore);
    painter.setPen(fore);
    drawText(painter, l.title, Qt::AlignHCenter | Qt::AlignVCenter);
    drawText(painter, l.noData, Qt::AlignCenter);
    painter.setPen(border);
    painter.setBrush(Qt::NoBrush);
    painter.drawRect(0, 0, size.width() - 1, size.height() - 1);
}

} // namespace quillon
