// Draws a 512-tone bar chart and a 512-point line chart at 1600x500 into an
// image with our chart and with Qt Charts, and prints the median time per frame.

#include "base/misc.h"
#include "graphs/core/chartdata.h"
#include "graphs/core/chartlayout.h"
#include "graphs/ui/chartpainter.h"

#include <QApplication>
#include <QBarSeries>
#include <QBarSet>
#include <QChart>
#include <QElapsedTimer>
#include <QFont>
#include <QGraphicsScene>
#include <QImage>
#include <QLineSeries>
#include <QPainter>
#include <QValueAxis>

#include <algorithm>
#include <cmath>
#include <cstdio>
#include <functional>
#include <vector>

using namespace quillon;

namespace {

constexpr int Tones = 512;
constexpr int Width = 1600;
constexpr int Height = 500;
constexpr int Warmup = 5;
constexpr int Frames = 60;

// A line shaped like an ADSL2+ allocation: nothing below tone 33, a slope down
// with a few radio notches.
std::vector<double> toneValues(bool bits)
{
    std::vector<double> v(Tones, 0.0);
    for (int i = 33; i < Tones; ++i) {
        double x = 15.0 - (i - 33) * 13.0 / (Tones - 33);
        if (i % 97 < 3)
            x *= 0.3;
        v[size_t(i)] = bits ? std::round(x) : x * 3.0 + 5.0 + std::sin(i * 0.3);
    }
    return v;
}

ChartData chartData(const std::vector<double> &values, quint32 colour)
{
    ChartData data;
    data.reserve(Tones, 1);
    for (int i = 0; i < Tones; ++i)
        data.addRow(i * 4.3125, {values[size_t(i)], colour});
    return data;
}

double medianMs(const std::function<void()> &frame)
{
    for (int i = 0; i < Warmup; ++i)
        frame();
    std::vector<double> times;
    QElapsedTimer timer;
    for (int i = 0; i < Frames; ++i) {
        timer.start();
        frame();
        times.push_back(double(timer.nsecsElapsed()) / 1.0e6);
    }
    std::sort(times.begin(), times.end());
    return times[times.size() / 2];
}

double quillonFrame(QImage &image, const ChartData &data, bool line)
{
    ChartSettings s;
    s.ChartTitle = QStringLiteral("Bit / Carrier Allocation");
    s.DisplayValues = false;
    s.Divisions = 30;
    s.TextColour = 0x00FFFF;
    s.BackColour = 0;
    s.BorderColour = 0x808080;
    s.XAxis = QStringLiteral("kHz");
    s.YAxis = QStringLiteral("bit");
    s.XCell = 30;
    s.YCell = 2;
    s.CentreXLabels = false;
    s.DrawFuzz = true;
    s.LinkToValues = false;
    s.LineGraph = line;
    QFont font(QStringLiteral("Arial Narrow"));
    font.setPointSizeF(6.75);
    if (qEnvironmentVariableIsSet("BENCH_DETAIL")) {
        std::printf("  fill   %.3f\n", medianMs([&] { QPainter p(&image); p.fillRect(image.rect(), Qt::black); }));
        std::printf("  layout %.3f\n", medianMs([&] { (void)ChartLayout::compute(Width, Height, chartUnit(font), s, data, {}); }));
        ChartSettings bare = s;
        bare.ChartTitle.clear(); bare.XAxis.clear(); bare.YAxis.clear(); bare.YLabel = false;
        bare.LinkToValues = true; bare.DisplayLabels = false;
        std::printf("  notext %.3f\n", medianMs([&] {
            const ChartLayout layout = ChartLayout::compute(Width, Height, chartUnit(font), bare, data, {});
            QPainter painter(&image);
            paintChart(painter, image.size(), font, bare, layout);
        }));
    }
    return medianMs([&] {
        const ChartLayout layout = ChartLayout::compute(Width, Height, chartUnit(font), s, data, {});
        QPainter painter(&image);
        paintChart(painter, image.size(), font, s, layout);
    });
}

double qtChartsFrame(QImage &image, const std::vector<double> &values, bool line)
{
    auto *chart = new QChart;
    chart->setTitle(QStringLiteral("Bit / Carrier Allocation"));
    chart->setAnimationOptions(QChart::NoAnimation);
    chart->legend()->hide();
    chart->setBackgroundBrush(Qt::black);
    auto *x = new QValueAxis;
    x->setRange(0, Tones * 4.3125);
    x->setTickCount(18);
    auto *y = new QValueAxis;
    y->setRange(0, *std::max_element(values.begin(), values.end()));
    chart->addAxis(x, Qt::AlignBottom);
    chart->addAxis(y, Qt::AlignLeft);
    if (line) {
        auto *series = new QLineSeries;
        for (int i = 0; i < Tones; ++i)
            series->append(i * 4.3125, values[size_t(i)]);
        chart->addSeries(series);
        series->attachAxis(x);
        series->attachAxis(y);
    } else {
        auto *set = new QBarSet(QStringLiteral("DS"));
        set->setColor(QColor(66, 122, 183));
        for (const double v : values)
            set->append(v);
        auto *series = new QBarSeries;
        series->append(set);
        series->setBarWidth(1.0);
        chart->addSeries(series);
        x->setRange(-0.5, Tones - 0.5);
        series->attachAxis(x);
        series->attachAxis(y);
    }
    QGraphicsScene scene;
    scene.addItem(chart);
    chart->setGeometry(0, 0, Width, Height);
    const double ms = medianMs([&] {
        QPainter painter(&image);
        painter.fillRect(image.rect(), Qt::black);
        scene.render(&painter, QRectF(0, 0, Width, Height), QRectF(0, 0, Width, Height));
    });
    return ms;
}

} // namespace

int main(int argc, char **argv)
{
    QApplication app(argc, argv);
    QImage image(Width, Height, QImage::Format_RGB32);

    const std::vector<double> bits = toneValues(true);
    const std::vector<double> snr = toneValues(false);
    const double ourBars = quillonFrame(image, chartData(bits, RGB(66, 122, 183)), false);
    const double theirBars = qtChartsFrame(image, bits, false);
    const double ourLines = quillonFrame(image, chartData(snr, RGB(0, 200, 200)), true);
    const double theirLines = qtChartsFrame(image, snr, true);

    std::printf("%d-tone charts at %dx%d, median of %d frames (ms per frame)\n", Tones, Width, Height, Frames);
    std::printf("bars   quillon %8.3f  qtcharts %8.3f  ratio %.3f\n", ourBars, theirBars, ourBars / theirBars);
    std::printf("lines  quillon %8.3f  qtcharts %8.3f  ratio %.3f\n", ourLines, theirLines, ourLines / theirLines);
    return 0;
}
