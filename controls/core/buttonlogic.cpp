#include "controls/core/buttonlogic.h"

#include <algorithm>

namespace quillon {

ButtonLook ButtonLogic::look() const
{
    if (!m_enabled)
        return ButtonLook::Disabled;
    if (m_keyPressed || (m_mousePressed && m_hover))
        return ButtonLook::Down;
    if (m_hover)
        return ButtonLook::Hot;
    return ButtonLook::Up;
}

void ButtonLogic::setEnabled(bool enabled)
{
    m_enabled = enabled;
    if (!enabled)
        cancel();
}

bool ButtonLogic::enter()
{
    const bool changed = !m_hover;
    m_hover = true;
    return changed;
}

bool ButtonLogic::leave()
{
    const bool changed = m_hover;
    m_hover = false;
    return changed;
}

bool ButtonLogic::mousePress(bool inside)
{
    if (!m_enabled || !inside)
        return false;
    m_mousePressed = true;
    m_hover = true;
    return true;
}

bool ButtonLogic::mouseMove(bool inside)
{
    const ButtonLook before = look();
    m_hover = inside;
    return look() != before;
}

bool ButtonLogic::mouseRelease(bool inside)
{
    const bool wasPressed = m_mousePressed;
    m_mousePressed = false;
    m_hover = inside;
    return m_enabled && wasPressed && inside;
}

bool ButtonLogic::keyPress()
{
    if (!m_enabled || m_keyPressed)
        return false;
    m_keyPressed = true;
    return true;
}

bool ButtonLogic::keyRelease()
{
    const bool wasPressed = m_keyPressed;
    m_keyPressed = false;
    return m_enabled && wasPressed;
}

void ButtonLogic::cancel()
{
    m_mousePressed = false;
    m_keyPressed = false;
}

ButtonContent layoutButtonContent(QSize buttonSize, QSize captionSize, QSize pictureSize,
                                  int picturePosition, int margin, int gap)
{
    const QRect inner = QRect(QPoint(0, 0), buttonSize).adjusted(margin, margin, -margin, -margin);
    const bool hasPicture = !pictureSize.isEmpty();
    const bool hasCaption = !captionSize.isEmpty();
    auto centred = [&](QSize s, QRect in) {
        return QRect(in.x() + (in.width() - s.width()) / 2, in.y() + (in.height() - s.height()) / 2,
                     s.width(), s.height());
    };
    ButtonContent out;
    if (!hasPicture || !hasCaption || picturePosition == 4) {
        if (hasPicture)
            out.picture = centred(pictureSize, inner);
        if (hasCaption)
            out.caption = centred(captionSize, inner);
        return out;
    }
    const bool horizontal = picturePosition == 0 || picturePosition == 1;
    const QSize both = horizontal
        ? QSize(pictureSize.width() + gap + captionSize.width(), std::max(pictureSize.height(), captionSize.height()))
        : QSize(std::max(pictureSize.width(), captionSize.width()), pictureSize.height() + gap + captionSize.height());
    const QRect box = centred(both, inner);
    auto inBox = [&](QSize s, bool first) {
        if (horizontal) {
            const int x = first ? box.x() : box.right() + 1 - s.width();
            return QRect(x, box.y() + (box.height() - s.height()) / 2, s.width(), s.height());
        }
        const int y = first ? box.y() : box.bottom() + 1 - s.height();
        return QRect(box.x() + (box.width() - s.width()) / 2, y, s.width(), s.height());
    };
    const bool pictureFirst = picturePosition == 0 || picturePosition == 2;
    out.picture = inBox(pictureSize, pictureFirst);
    out.caption = inBox(captionSize, !pictureFirst);
    return out;
}

} // namespace quillon
