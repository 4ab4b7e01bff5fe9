#include "controls/ui/xbutton.h"

#include "controls/ui/colours.h"

#include <QKeyEvent>
#include <QMouseEvent>
#include <QPainter>
#include <QPainterPath>

namespace quillon {

namespace {

constexpr int kMargin = 6;
constexpr int kGap = 5;

int vbButton(Qt::MouseButtons buttons)
{
    return (buttons & Qt::LeftButton ? 1 : 0) | (buttons & Qt::RightButton ? 2 : 0) | (buttons & Qt::MiddleButton ? 4 : 0);
}

int vbShift(Qt::KeyboardModifiers mods)
{
    return (mods & Qt::ShiftModifier ? 1 : 0) | (mods & Qt::ControlModifier ? 2 : 0) | (mods & Qt::AltModifier ? 4 : 0);
}

bool isActivationKey(const QKeyEvent *event)
{
    return event->key() == Qt::Key_Space && !event->isAutoRepeat();
}

} // namespace

XButton::XButton(QWidget *parent)
    : QWidget(parent)
    , m_backColor(systemButtonFace())
    , m_fillColor(systemButtonFace())
{
    setFocusPolicy(Qt::StrongFocus);
    setAttribute(Qt::WA_Hover, true);
    setSizePolicy(QSizePolicy::Minimum, QSizePolicy::Fixed);
    setAccessibleName(m_caption);
}

XButton::XButton(const QString &caption, QWidget *parent)
    : XButton(parent)
{
    setCaption(caption);
}

XButton::~XButton() = default;

void XButton::setCaption(const QString &caption)
{
    m_caption = caption;
    setAccessibleName(caption);
    updateGeometry();
    update();
}

void XButton::setFontColor(quint32 c) { m_fontColor = c; update(); }
void XButton::setImageUp(const QPixmap &p) { m_imageUp = p; updateGeometry(); update(); }
void XButton::setImageHot(const QPixmap &p) { m_imageHot = p; update(); }
void XButton::setImageDown(const QPixmap &p) { m_imageDown = p; update(); }
void XButton::setImageDisabled(const QPixmap &p) { m_imageDisabled = p; update(); }
void XButton::setOmniPic(const QPixmap &p) { m_omniPic = p; updateGeometry(); update(); }
void XButton::setMaskColor(quint32 c) { m_maskColor = c; update(); }
void XButton::setPicturePosition(int position) { m_picturePosition = position; updateGeometry(); update(); }
void XButton::setBackStyle(int style) { m_backStyle = style; update(); }
void XButton::setBackColor(quint32 c) { m_backColor = c; update(); }
void XButton::setFillColor(quint32 c) { m_fillColor = c; update(); }
void XButton::setBorderStyle(int style) { m_borderStyle = style; update(); }
void XButton::setBorderColor(quint32 c) { m_borderColor = c; update(); }
void XButton::setHighlightColor(quint32 c) { m_highlightColor = c; update(); }
void XButton::setShadowColor(quint32 c) { m_shadowColor = c; update(); }
void XButton::setRoundCorner(bool on) { m_roundCorner = on; update(); }
void XButton::setRoundAmount(int radius) { m_roundAmount = qMax(0, radius); update(); }
void XButton::setShiftOnPress(bool on) { m_shiftOnPress = on; update(); }
void XButton::setShiftPicture(bool on) { m_shiftPicture = on; update(); }
void XButton::setShowFocus(bool on) { m_showFocus = on; update(); }

QPixmap XButton::pictureFor(ButtonLook look) const
{
    const QPixmap *own = nullptr;
    switch (look) {
    case ButtonLook::Up: own = &m_imageUp; break;
    case ButtonLook::Hot: own = &m_imageHot; break;
    case ButtonLook::Down: own = &m_imageDown; break;
    case ButtonLook::Disabled: own = &m_imageDisabled; break;
    }
    QPixmap pic = !own->isNull() ? *own : !m_omniPic.isNull() ? m_omniPic : m_imageUp;
    if (pic.isNull())
        return pic;
    if (!pic.hasAlphaChannel())
        pic.setMask(pic.createMaskFromColor(toQColor(m_maskColor), Qt::MaskInColor));
    return pic;
}

QSize XButton::sizeHint() const
{
    const QFontMetrics fm = fontMetrics();
    const QSize text = m_caption.isEmpty() ? QSize() : QSize(fm.horizontalAdvance(m_caption), fm.height());
    const QPixmap pic = pictureFor(ButtonLook::Up);
    const QSize picSize = pic.isNull() ? QSize() : pic.deviceIndependentSize().toSize();
    int w = text.width();
    int h = text.height();
    if (!picSize.isEmpty()) {
        const bool horizontal = m_picturePosition == 0 || m_picturePosition == 1;
        if (m_picturePosition == 4 || text.isEmpty()) {
            w = qMax(w, picSize.width());
            h = qMax(h, picSize.height());
        } else if (horizontal) {
            w += kGap + picSize.width();
            h = qMax(h, picSize.height());
        } else {
            w = qMax(w, picSize.width());
            h += kGap + picSize.height();
        }
    }
    return {w + 2 * kMargin + 2 * fm.averageCharWidth(), h + 2 * kMargin};
}

QSize XButton::minimumSizeHint() const
{
    return sizeHint();
}

void XButton::UpdateState()
{
    update();
}

QPainterPath XButton::facePath(qreal inset) const
{
    QPainterPath path;
    const QRectF r = QRectF(rect()).adjusted(inset, inset, -inset, -inset);
    if (m_roundCorner && m_roundAmount > 0)
        path.addRoundedRect(r, m_roundAmount, m_roundAmount);
    else
        path.addRect(r);
    return path;
}

void XButton::DrawFace(QPainter &p, ButtonLook look) const
{
    if (m_backStyle == 1)
        p.fillRect(rect(), toQColor(m_backColor));
    QColor face = toQColor(m_fillColor);
    if (look == ButtonLook::Hot)
        face = face.lighter(108);
    else if (look == ButtonLook::Down)
        face = face.darker(112);
    else if (look == ButtonLook::Disabled)
        face = QColor::fromHsl(face.hslHue(), face.hslSaturation() / 3, qMin(255, face.lightness() + 12));
    QLinearGradient g(0, 0, 0, height());
    g.setColorAt(0, look == ButtonLook::Down ? face : face.lighter(104));
    g.setColorAt(1, look == ButtonLook::Down ? face.lighter(103) : face.darker(104));
    p.fillPath(facePath(0.5), g);

    if (m_borderStyle == 1) {
        QColor border = toQColor(m_borderColor);
        if (look == ButtonLook::Disabled)
            border = palette().color(QPalette::Disabled, QPalette::WindowText).lighter(150);
        p.setPen(QPen(border, 1));
        p.setBrush(Qt::NoBrush);
        p.drawPath(facePath(0.5));
    } else if (m_borderStyle == 0) {
        const bool down = look == ButtonLook::Down;
        const QColor light = toQColor(down ? m_shadowColor : m_highlightColor);
        const QColor dark = toQColor(down ? m_highlightColor : m_shadowColor);
        const QRectF r = QRectF(rect()).adjusted(0.5, 0.5, -0.5, -0.5);
        p.setBrush(Qt::NoBrush);
        p.setClipPath(facePath(0));
        p.setPen(QPen(light, 1));
        p.drawLine(r.topLeft(), r.topRight());
        p.drawLine(r.topLeft(), r.bottomLeft());
        p.setPen(QPen(dark, 1));
        p.drawLine(r.bottomLeft(), r.bottomRight());
        p.drawLine(r.topRight(), r.bottomRight());
        p.setClipping(false);
    }
}

void XButton::DrawContent(QPainter &p, ButtonLook look) const
{
    const QFontMetrics fm = fontMetrics();
    const QSize text = m_caption.isEmpty() ? QSize() : QSize(fm.horizontalAdvance(m_caption), fm.height());
    QPixmap pic = pictureFor(look);
    const QSize picSize = pic.isNull() ? QSize() : pic.deviceIndependentSize().toSize();
    const ButtonContent at = layoutButtonContent(size(), text, picSize, m_picturePosition, kMargin, kGap);
    const QPoint shift = look == ButtonLook::Down && m_shiftOnPress ? QPoint(1, 1) : QPoint();

    if (!pic.isNull()) {
        const QPoint picShift = m_shiftPicture ? shift : QPoint();
        if (look == ButtonLook::Disabled && m_imageDisabled.isNull())
            p.setOpacity(0.4);
        p.drawPixmap(at.picture.translated(picShift), pic);
        p.setOpacity(1.0);
    }
    if (!text.isEmpty()) {
        const QColor colour = look == ButtonLook::Disabled ? palette().color(QPalette::Disabled, QPalette::WindowText)
                                                           : toQColor(m_fontColor);
        p.setPen(colour);
        p.setFont(font());
        p.drawText(at.caption.translated(shift), Qt::AlignCenter | Qt::TextShowMnemonic, m_caption);
    }
}

void XButton::FocusBorder(QPainter &p) const
{
    QPen pen(palette().color(QPalette::Highlight), 1, Qt::DotLine);
    p.setPen(pen);
    p.setBrush(Qt::NoBrush);
    p.drawPath(facePath(3.5));
}

void XButton::paintEvent(QPaintEvent *)
{
    QPainter p(this);
    p.setRenderHint(QPainter::Antialiasing, m_roundCorner);
    const ButtonLook look = m_logic.look();
    DrawFace(p, look);
    DrawContent(p, look);
    if (m_showFocus && hasFocus() && look != ButtonLook::Disabled)
        FocusBorder(p);
}

void XButton::enterEvent(QEnterEvent *event)
{
    if (m_logic.enter())
        UpdateState();
    emit MouseEnter();
    QWidget::enterEvent(event);
}

void XButton::leaveEvent(QEvent *event)
{
    if (m_logic.leave())
        UpdateState();
    emit MouseExit();
    QWidget::leaveEvent(event);
}

void XButton::mousePressEvent(QMouseEvent *event)
{
    const QPoint pos = event->position().toPoint();
    emit MouseDown(vbButton(event->button()), vbShift(event->modifiers()), pos.x(), pos.y());
    if (event->button() == Qt::LeftButton && m_logic.mousePress(rect().contains(pos)))
        UpdateState();
}

void XButton::mouseMoveEvent(QMouseEvent *event)
{
    const QPoint pos = event->position().toPoint();
    emit MouseMove(vbButton(event->buttons()), vbShift(event->modifiers()), pos.x(), pos.y());
    if (m_logic.mouseMove(rect().contains(pos)))
        UpdateState();
}

void XButton::mouseReleaseEvent(QMouseEvent *event)
{
    const QPoint pos = event->position().toPoint();
    emit MouseUp(vbButton(event->button()), vbShift(event->modifiers()), pos.x(), pos.y());
    if (event->button() != Qt::LeftButton)
        return;
    const bool clicked = m_logic.mouseRelease(rect().contains(pos));
    UpdateState();
    if (clicked)
        emit Click();
}

void XButton::mouseDoubleClickEvent(QMouseEvent *event)
{
    // The second press of a double click still presses the button.
    mousePressEvent(event);
    if (event->button() == Qt::LeftButton && isEnabled())
        emit DblClick();
}

void XButton::keyPressEvent(QKeyEvent *event)
{
    emit KeyDown(event->key(), vbShift(event->modifiers()));
    if (!event->text().isEmpty())
        emit KeyPress(event->text().at(0).unicode());
    if (isActivationKey(event)) {
        if (m_logic.keyPress())
            UpdateState();
        return;
    }
    if ((event->key() == Qt::Key_Return || event->key() == Qt::Key_Enter) && !event->isAutoRepeat()) {
        emit Click();
        return;
    }
    QWidget::keyPressEvent(event);
}

void XButton::keyReleaseEvent(QKeyEvent *event)
{
    emit KeyUp(event->key(), vbShift(event->modifiers()));
    if (isActivationKey(event)) {
        const bool clicked = m_logic.keyRelease();
        UpdateState();
        if (clicked)
            emit Click();
        return;
    }
    QWidget::keyReleaseEvent(event);
}

void XButton::focusInEvent(QFocusEvent *event)
{
    m_logic.setFocus(true);
    UpdateState();
    QWidget::focusInEvent(event);
}

void XButton::focusOutEvent(QFocusEvent *event)
{
    m_logic.setFocus(false);
    m_logic.cancel();
    UpdateState();
    QWidget::focusOutEvent(event);
}

void XButton::changeEvent(QEvent *event)
{
    if (event->type() == QEvent::EnabledChange) {
        m_logic.setEnabled(isEnabled());
        UpdateState();
    } else if (event->type() == QEvent::FontChange) {
        updateGeometry();
    }
    QWidget::changeEvent(event);
}

} // namespace quillon
