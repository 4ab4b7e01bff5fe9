// Draws every picture and icon of the program with QPainter and writes them
// as 8-bit RGBA PNG files into the folder given on the command line; given a
// second folder, also the desktop icon for the installed program: PNG files
// of every size desktops look for and the same drawing as SVG.

#include <QDir>
#include <QFile>
#include <QFont>
#include <QGuiApplication>
#include <QImage>
#include <QPainter>
#include <QPainterPath>
#include <QTextStream>

#include <cmath>

namespace {

// One palette for everything: slate ink, a blue accent, state colours.
const QColor kInk(0x1F, 0x2A, 0x44);
const QColor kMuted(0x64, 0x74, 0x8B);
const QColor kBlue(0x25, 0x63, 0xEB);
const QColor kTeal(0x0E, 0xA5, 0xA4);
const QColor kGreen(0x16, 0xA3, 0x4A);
const QColor kRed(0xDC, 0x26, 0x26);
const QColor kSlate(0x94, 0xA3, 0xB8);

// Pictures are drawn in logical pixels; scale 2 gives the "@2x" copy used on
// high-density screens.
QImage canvas(int w, int h, int scale)
{
    QImage img(w * scale, h * scale, QImage::Format_ARGB32);
    img.fill(Qt::transparent);
    return img;
}

void prepare(QPainter &p, int scale)
{
    p.scale(scale, scale);
    p.setRenderHint(QPainter::Antialiasing, true);
    p.setRenderHint(QPainter::TextAntialiasing, true);
}

QFont font(int pixels, bool bold)
{
    QFont f(QStringLiteral("DejaVu Sans"));
    f.setPixelSize(pixels);
    f.setBold(bold);
    f.setHintingPreference(QFont::PreferFullHinting);
    return f;
}

// The line-monitor mark: a rounded square in the state colour with a white
// pulse across it, drawn at any size. A flat line marks a connection that is
// down, so the states differ by more than their colour.
qreal markRadius(qreal size)
{
    return size * 0.22;
}

qreal markPenWidth(qreal size)
{
    return qMax<qreal>(1.6, size * 0.095);
}

QList<QPointF> markPulse(const QRectF &box, bool flat)
{
    const qreal s = box.width();
    const qreal x0 = box.left() + s * 0.16;
    const qreal x1 = box.right() - s * 0.16;
    const qreal mid = box.top() + s * 0.56;
    const qreal w = x1 - x0;
    if (flat)
        return {{x0, mid}, {x1, mid}};
    return {{x0, mid},
            {x0 + w * 0.28, mid},
            {x0 + w * 0.40, box.top() + s * 0.22},
            {x0 + w * 0.58, box.top() + s * 0.80},
            {x0 + w * 0.70, mid},
            {x1, mid}};
}

void drawMark(QPainter &p, const QRectF &box, const QColor &colour, bool flat = false)
{
    const qreal s = box.width();
    const qreal radius = markRadius(s);
    QLinearGradient g(box.topLeft(), box.bottomLeft());
    g.setColorAt(0, colour.lighter(118));
    g.setColorAt(1, colour.darker(112));
    p.setPen(Qt::NoPen);
    p.setBrush(g);
    p.drawRoundedRect(box.adjusted(0.5, 0.5, -0.5, -0.5), radius, radius);

    const QList<QPointF> points = markPulse(box, flat);
    QPainterPath pulse;
    pulse.moveTo(points.first());
    for (qsizetype i = 1; i < points.size(); ++i)
        pulse.lineTo(points[i]);
    QPen pen(Qt::white, markPenWidth(s));
    pen.setJoinStyle(Qt::RoundJoin);
    pen.setCapStyle(Qt::RoundCap);
    p.setPen(pen);
    p.setBrush(Qt::NoBrush);
    p.drawPath(pulse);
}

QImage logo(int scale)
{
    QImage img = canvas(385, 25, scale);
    QPainter p(&img);
    prepare(p, scale);
    drawMark(p, QRectF(1, 1, 23, 23), kBlue);
    p.setFont(font(18, true));
    p.setPen(kInk);
    const QFontMetrics big(p.font());
    p.drawText(QPointF(31, 19), QStringLiteral("Quillon"));
    const qreal x = 31 + big.horizontalAdvance(QStringLiteral("Quillon")) + 10;
    p.setPen(QPen(kSlate, 1));
    p.drawLine(QPointF(x, 6), QPointF(x, 20));
    p.setFont(font(12, false));
    p.setPen(kMuted);
    p.drawText(QPointF(x + 10, 17.5), QStringLiteral("ADSL line monitor and router toolkit"));
    return img;
}

QImage pingBanner(int scale)
{
    QImage img = canvas(185, 39, scale);
    QPainter p(&img);
    prepare(p, scale);
    QLinearGradient bg(0, 0, 185, 0);
    bg.setColorAt(0, QColor(0xEF, 0xF6, 0xFF));
    bg.setColorAt(1, QColor(0xDB, 0xEA, 0xFE));
    p.setPen(QPen(QColor(0xBF, 0xDB, 0xFE), 1));
    p.setBrush(bg);
    p.drawRoundedRect(QRectF(0.5, 0.5, 184, 38), 8, 8);

    // A globe: circle, equator, two meridians.
    const QRectF globe(8, 6.5, 26, 26);
    QRadialGradient sea(globe.center() - QPointF(4, 4), 18);
    sea.setColorAt(0, kTeal.lighter(130));
    sea.setColorAt(1, kTeal.darker(110));
    p.setPen(Qt::NoPen);
    p.setBrush(sea);
    p.drawEllipse(globe);
    p.setPen(QPen(QColor(255, 255, 255, 210), 1.3));
    p.setBrush(Qt::NoBrush);
    p.drawEllipse(globe.adjusted(7, 0.5, -7, -0.5));
    p.drawLine(QPointF(globe.left() + 1, globe.center().y()), QPointF(globe.right() - 1, globe.center().y()));
    p.drawLine(QPointF(globe.center().x(), globe.top() + 1), QPointF(globe.center().x(), globe.bottom() - 1));

    // Echo rings going out from the globe.
    for (int i = 0; i < 3; ++i) {
        QColor c = kBlue;
        c.setAlpha(200 - 60 * i);
        p.setPen(QPen(c, 1.6, Qt::SolidLine, Qt::RoundCap));
        const qreal r = 6 + 4.5 * i;
        p.drawArc(QRectF(40 - r, 19.5 - r, 2 * r, 2 * r), -45 * 16, 90 * 16);
    }

    p.setPen(kInk);
    p.setFont(font(14, true));
    p.drawText(QPointF(60, 19), QStringLiteral("Ping monitor"));
    p.setPen(kMuted);
    p.setFont(font(10, false));
    p.drawText(QPointF(60, 31), QStringLiteral("is the internet up?"));
    return img;
}

QImage server(int scale)
{
    QImage img = canvas(32, 32, scale);
    QPainter p(&img);
    prepare(p, scale);
    for (int unit = 0; unit < 3; ++unit) {
        const QRectF box(3.5, 3.5 + unit * 8.5, 25, 7.5);
        QLinearGradient g(box.topLeft(), box.bottomLeft());
        g.setColorAt(0, QColor(0x47, 0x55, 0x69));
        g.setColorAt(1, kInk);
        p.setPen(QPen(kInk.darker(130), 1));
        p.setBrush(g);
        p.drawRoundedRect(box, 2, 2);
        p.setPen(Qt::NoPen);
        p.setBrush(unit == 0 ? kGreen.lighter(130) : kTeal.lighter(140));
        p.drawEllipse(QRectF(6.5, box.top() + 2.5, 2.6, 2.6));
        p.setBrush(QColor(255, 255, 255, 90));
        for (int slot = 0; slot < 4; ++slot)
            p.drawRect(QRectF(14 + slot * 3.3, box.top() + 2.8, 2, 2));
    }
    return img;
}

QImage arrow(bool up, const QColor &colour, int scale)
{
    QImage img = canvas(16, 16, scale);
    QPainter p(&img);
    prepare(p, scale);
    QPainterPath path;
    // Drawn pointing up, flipped for down.
    path.moveTo(8, 1.5);
    path.lineTo(14.5, 8.5);
    path.lineTo(10.3, 8.5);
    path.lineTo(10.3, 14.5);
    path.lineTo(5.7, 14.5);
    path.lineTo(5.7, 8.5);
    path.lineTo(1.5, 8.5);
    path.closeSubpath();
    if (!up) {
        QTransform flip;
        flip.translate(0, 16);
        flip.scale(1, -1);
        path = flip.map(path);
    }
    QLinearGradient g(0, 0, 0, 16);
    g.setColorAt(0, colour.lighter(115));
    g.setColorAt(1, colour.darker(110));
    QPen pen(colour.darker(125), 1);
    pen.setJoinStyle(Qt::RoundJoin);
    p.setPen(pen);
    p.setBrush(g);
    p.drawPath(path);
    return img;
}

QImage icon(int size, const QColor &colour, bool flat)
{
    QImage img = canvas(size, size, 1);
    QPainter p(&img);
    prepare(p, 1);
    drawMark(p, QRectF(0, 0, size, size), colour, flat);
    return img;
}

// The same mark as drawMark(), as SVG for desktops that scale icons.
QByteArray markSvg(int size, const QColor &colour, bool flat)
{
    const QRectF box(0, 0, size, size);
    const QRectF body = box.adjusted(0.5, 0.5, -0.5, -0.5);
    const auto num = [](qreal v) { return QString::number(v, 'f', 2); };
    QStringList points;
    for (const QPointF &pt : markPulse(box, flat))
        points << num(pt.x()) + QLatin1Char(',') + num(pt.y());
    const QString svg = QStringLiteral(
        "<?xml version=\"1.0\" encoding=\"UTF-8\"?>\n"
        "<svg xmlns=\"http://www.w3.org/2000/svg\" width=\"%1\" height=\"%1\" viewBox=\"0 0 %1 %1\">\n"
        "  <defs>\n"
        "    <linearGradient id=\"body\" x1=\"0\" y1=\"0\" x2=\"0\" y2=\"1\">\n"
        "      <stop offset=\"0\" stop-color=\"%2\"/>\n"
        "      <stop offset=\"1\" stop-color=\"%3\"/>\n"
        "    </linearGradient>\n"
        "  </defs>\n"
        "  <rect x=\"%4\" y=\"%4\" width=\"%5\" height=\"%5\" rx=\"%6\" fill=\"url(#body)\"/>\n"
        "  <polyline points=\"%7\" fill=\"none\" stroke=\"#ffffff\" stroke-width=\"%8\"\n"
        "            stroke-linecap=\"round\" stroke-linejoin=\"round\"/>\n"
        "</svg>\n");
    return svg.arg(size)
        .arg(colour.lighter(118).name(), colour.darker(112).name(), num(body.x()), num(body.width()),
             num(markRadius(size)), points.join(QLatin1Char(' ')), num(markPenWidth(size)))
        .toUtf8();
}

bool saveText(const QByteArray &text, const QString &folder, const QString &name, QTextStream &err)
{
    QFile f(folder + QLatin1Char('/') + name);
    if (!f.open(QIODevice::WriteOnly | QIODevice::Truncate) || f.write(text) != text.size()) {
        err << "cannot write " << f.fileName() << '\n';
        return false;
    }
    return true;
}

bool save(const QImage &img, const QString &folder, const QString &name, QTextStream &err)
{
    const QString path = folder + QLatin1Char('/') + name;
    if (!img.convertToFormat(QImage::Format_ARGB32).save(path, "PNG")) {
        err << "cannot write " << path << '\n';
        return false;
    }
    return true;
}

} // namespace

int main(int argc, char **argv)
{
    QGuiApplication app(argc, argv);
    QTextStream err(stderr);
    if (argc != 2 && argc != 3) {
        err << "usage: quillon-artgen <picture folder> [<desktop icon folder>]\n";
        return 2;
    }
    const QString folder = QString::fromLocal8Bit(argv[1]);
    if (!QDir().mkpath(folder)) {
        err << "cannot create " << folder << '\n';
        return 1;
    }
    bool ok = true;
    for (int scale : {1, 2}) {
        const QString suffix = scale == 1 ? QStringLiteral(".png") : QStringLiteral("@2x.png");
        ok = save(logo(scale), folder, QStringLiteral("PNG_LOGO") + suffix, err) && ok;
        ok = save(pingBanner(scale), folder, QStringLiteral("PNG_PING") + suffix, err) && ok;
        ok = save(server(scale), folder, QStringLiteral("PNG_SERVER") + suffix, err) && ok;
        ok = save(arrow(true, kGreen, scale), folder, QStringLiteral("PNG_UP") + suffix, err) && ok;
        ok = save(arrow(false, kBlue, scale), folder, QStringLiteral("PNG_DOWN") + suffix, err) && ok;
    }
    const struct { const char *name; QColor colour; bool flat; } sets[] = {
        {"AAA", kMuted, false}, // monitoring stopped
        {"AAB", kGreen, false}, // connection up
        {"AAC", kRed, true},    // connection down
    };
    for (const auto &set : sets) {
        for (int size : {16, 24, 32, 48, 64}) {
            const QString name = QStringLiteral("%1_%2.png").arg(QLatin1String(set.name)).arg(size);
            ok = save(icon(size, set.colour, set.flat), folder, name, err) && ok;
        }
    }
    if (argc == 3) {
        // The program's own blue, as in the logo, rather than a monitoring state.
        const QString icons = QString::fromLocal8Bit(argv[2]);
        if (!QDir().mkpath(icons)) {
            err << "cannot create " << icons << '\n';
            return 1;
        }
        for (int size : {16, 24, 32, 48, 64, 128, 256})
            ok = save(icon(size, kBlue, false), icons, QStringLiteral("quillon_%1.png").arg(size), err) && ok;
        ok = saveText(markSvg(256, kBlue, false), icons, QStringLiteral("quillon.svg"), err) && ok;
    }
    return ok ? 0 : 1;
}
