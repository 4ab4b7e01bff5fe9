#pragma once

#include <QRect>
#include <QSize>

namespace quillon {

enum class ButtonLook { Up, Hot, Down, Disabled };

// Pointer and key state of a push button. Like a native button, the press
// shows only while the pointer stays over the button, and a click happens
// only when the press ends over it.
class ButtonLogic final
{
public:
    ButtonLook look() const;

    void setEnabled(bool enabled);
    bool isEnabled() const { return m_enabled; }
    void setFocus(bool focus) { m_focus = focus; }
    bool hasFocus() const { return m_focus; }
    bool isHover() const { return m_hover; }

    // Each returns true when the look may have changed.
    bool enter();
    bool leave();
    bool mousePress(bool inside);
    bool mouseMove(bool inside);
    // True: a click happened.
    bool mouseRelease(bool inside);
    bool keyPress(); // the activating key (space) goes down
    bool keyRelease(); // true: a click happened
    // Focus lost or window deactivated: any press is dropped without a click.
    void cancel();

private:
    bool m_enabled{true};
    bool m_hover{false};
    bool m_mousePressed{false};
    bool m_keyPressed{false};
    bool m_focus{false};
};

// Where the picture and the caption go. PicturePosition: 0 picture left of
// the caption, 1 right, 2 above, 3 below, 4 picture alone in the centre
// (caption drawn over it).
struct ButtonContent
{
    QRect picture;
    QRect caption;
};

ButtonContent layoutButtonContent(QSize buttonSize, QSize captionSize, QSize pictureSize,
                                  int picturePosition, int margin, int gap);

} // namespace quillon
