#include "controls/ui/orblabel.h"

#include "controls/core/gradient.h"
#include "controls/ui/colours.h"

#include <QMouseEvent>
#include <QPainter>

namespace quillon {

namespace {

constexpr int kTextMargin = 4;

} // namespace

OrbLabel::OrbLabel(QWidget *parent)
    : QWidget(parent)
{
    setSizePolicy(QSizePolicy::Preferred, QSizePolicy::Fixed);
}

OrbLabel::OrbLabel(const QString &caption, QWidget *parent)
    : OrbLabel(parent)
{
    setCaption(caption);
}

OrbLabel::~OrbLabel() = default;

void OrbLabel::changed()
{
    m_dirty = true;
    update();
}

void OrbLabel::setCaption(const QString &caption)
{
    if (caption == m_caption)
        return;
    m_caption = caption;
    setAccessibleName(caption);
    updateGeometry();
    changed();
}

void OrbLabel::setTextColour(quint32 c) { m_textColour = c; changed(); }
void OrbLabel::setNormalColour(quint32 c) { m_normalColour = c; changed(); }
void OrbLabel::setLightColour(quint32 c) { m_lightColour = c; changed(); }
void OrbLabel::setShadeColour(quint32 c) { m_shadeColour = c; changed(); }
void OrbLabel::setTriColour(bool on) { m_triColour = on; changed(); }
void OrbLabel::setGradientDirection(int direction) { m_gradientDirection = direction; changed(); }
void OrbLabel::setResolution(int steps) { m_resolution = steps; changed(); }
void OrbLabel::setDrawBorder(bool on) { m_drawBorder = on; changed(); }
void OrbLabel::setBorderColour(quint32 c) { m_borderColour = c; changed(); }
void OrbLabel::setDrawOuter(bool on) { m_drawOuter = on; changed(); }
void OrbLabel::setOuterColour(quint32 c) { m_outerColour = c; changed(); }
void OrbLabel::setAlignment(int alignment) { m_alignment = alignment; changed(); }
void OrbLabel::setManualAlign(bool on) { m_manualAlign = on; changed(); }
void OrbLabel::setCaptionCentre(QPoint centre) { m_captionCentre = centre; changed(); }
void OrbLabel::setAngle(int degrees) { m_angle = degrees; updateGeometry(); changed(); }

QSize OrbLabel::sizeHint() const
{
    const QFontMetrics fm = fontMetrics();
    const QRect turned = RotateRect(QSize(fm.horizontalAdvance(m_caption), fm.height()), m_angle);
    const int frame = (m_drawBorder ? 1 : 0) + (m_drawOuter ? 1 : 0);
    return {turned.width() + 2 * (kTextMargin + frame) + 2, turned.height() + 2 * (frame + 2) + 2};
}

QSize OrbLabel::minimumSizeHint() const
{
    const QFontMetrics fm = fontMetrics();
    return {2 * kTextMargin, fm.height() + 4};
}

QImage OrbLabel::image()
{
    if (m_dirty || m_image.size() != size() * devicePixelRatioF())
        UpdateImage();
    return m_image;
}

void OrbLabel::UpdateImage()
{
    const qreal dpr = devicePixelRatioF();
    m_image = QImage(size() * dpr, QImage::Format_ARGB32_Premultiplied);
    m_image.setDevicePixelRatio(dpr);
    m_image.fill(Qt::transparent);
    if (!m_image.isNull()) {
        QPainter p(&m_image);
        DrawGradient(p);
        DrawPoly(p);
        DrawCaption(p);
    }
    m_dirty = false;
}

void OrbLabel::DrawGradient(QPainter &p) const
{
    const QList<quint32> steps = gradientSteps(m_lightColour, m_shadeColour, m_normalColour, m_triColour, m_resolution);
    const int inset = m_drawOuter ? 1 : 0;
    const QRect face = rect().adjusted(inset, inset, -inset, -inset);
    for (int i = 0; i < steps.size(); ++i) {
        const QRect band = gradientBand(face.size(), m_gradientDirection, i, int(steps.size()));
        if (!band.isEmpty())
            p.fillRect(band.translated(face.topLeft()), toQColor(steps.at(i)));
    }
}

void OrbLabel::DrawPoly(QPainter &p) const
{
    p.setBrush(Qt::NoBrush);
    if (m_drawOuter) {
        p.setPen(QPen(toQColor(m_outerColour), 1));
        p.drawRect(rect().adjusted(0, 0, -1, -1));
    }
    if (m_drawBorder) {
        const int inset = m_drawOuter ? 1 : 0;
        p.setPen(QPen(toQColor(m_borderColour), 1));
        p.drawRect(rect().adjusted(inset, inset, -1 - inset, -1 - inset));
    }
}

void OrbLabel::DrawCaption(QPainter &p) const
{
    if (m_caption.isEmpty())
        return;
    p.setRenderHint(QPainter::TextAntialiasing, true);
    p.setFont(font());
    const QColor colour = isEnabled() ? toQColor(m_textColour) : palette().color(QPalette::Disabled, QPalette::WindowText);
    p.setPen(colour);
    const QFontMetrics fm = fontMetrics();
    const QSize text(fm.horizontalAdvance(m_caption), fm.height());
    const QRect turned = RotateRect(text, m_angle);
    const int frame = (m_drawBorder ? 1 : 0) + (m_drawOuter ? 1 : 0);
    QPoint centre;
    if (m_manualAlign)
        centre = m_captionCentre;
    else
        centre = alignBox(size(), turned.size(), m_alignment, kTextMargin + frame).center();
    p.save();
    p.translate(centre);
    p.rotate(-m_angle);
    p.drawText(QRect(-text.width() / 2, -text.height() / 2, text.width() + 1, text.height()), Qt::AlignCenter, m_caption);
    p.restore();
}

void OrbLabel::paintEvent(QPaintEvent *)
{
    QPainter p(this);
    p.drawImage(QPoint(0, 0), image());
}

void OrbLabel::mouseReleaseEvent(QMouseEvent *event)
{
    if (event->button() == Qt::LeftButton && rect().contains(event->position().toPoint()))
        emit Click();
}

void OrbLabel::resizeEvent(QResizeEvent *event)
{
    QWidget::resizeEvent(event);
    m_dirty = true;
}

void OrbLabel::changeEvent(QEvent *event)
{
    if (event->type() == QEvent::FontChange || event->type() == QEvent::EnabledChange)
        changed();
    QWidget::changeEvent(event);
}

} // namespace quillon
