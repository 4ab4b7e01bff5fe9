#include "controls/core/gradient.h"

#include <algorithm>
#include <cmath>
#include <numbers>

namespace quillon {

namespace {

int channel(quint32 colour, int shift)
{
    return int((colour >> shift) & 0xFF);
}

quint32 mix(quint32 from, quint32 to, double t)
{
    quint32 out = 0;
    for (int shift : {0, 8, 16}) {
        const double a = channel(from, shift);
        const double b = channel(to, shift);
        const int v = std::clamp(int(std::lround(a + (b - a) * t)), 0, 255);
        out |= quint32(v) << shift;
    }
    return out;
}

} // namespace

QList<quint32> gradientSteps(quint32 light, quint32 shade, quint32 normal, bool triColour, int resolution)
{
    const int count = std::clamp(resolution, 2, 256);
    QList<quint32> steps;
    steps.reserve(count);
    for (int i = 0; i < count; ++i) {
        const double t = double(i) / double(count - 1);
        if (!triColour)
            steps.append(mix(light, shade, t));
        else if (t <= 0.5)
            steps.append(mix(light, normal, t * 2.0));
        else
            steps.append(mix(normal, shade, (t - 0.5) * 2.0));
    }
    return steps;
}

QRect gradientBand(QSize face, int direction, int index, int count)
{
    if (count <= 0 || face.isEmpty())
        return {};
    const bool horizontal = direction == 0 || direction == 2;
    const bool reversed = direction == 2 || direction == 3;
    const int length = horizontal ? face.width() : face.height();
    const int i = reversed ? count - 1 - index : index;
    // Integer band edges so neighbouring bands neither overlap nor leave gaps.
    const int from = int(qint64(length) * i / count);
    const int to = int(qint64(length) * (i + 1) / count);
    if (horizontal)
        return QRect(from, 0, to - from, face.height());
    return QRect(0, from, face.width(), to - from);
}

QRect RotateRect(QSize text, double angleDegrees)
{
    const double rad = angleDegrees * std::numbers::pi / 180.0;
    const double c = std::abs(std::cos(rad));
    const double s = std::abs(std::sin(rad));
    const int w = int(std::ceil(text.width() * c + text.height() * s - 1e-9));
    const int h = int(std::ceil(text.width() * s + text.height() * c - 1e-9));
    return QRect(-w / 2, -h / 2, w, h);
}

QRect alignBox(QSize face, QSize box, int alignment, int margin)
{
    int x = margin;
    if (alignment == 1)
        x = face.width() - margin - box.width();
    else if (alignment == 2)
        x = (face.width() - box.width()) / 2;
    const int y = (face.height() - box.height()) / 2;
    return QRect(x, y, box.width(), box.height());
}

} // namespace quillon
