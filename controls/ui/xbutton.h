#pragma once

#include "controls/core/buttonlogic.h"

#include <QPixmap>
#include <QWidget>

class QPainter;
class QPainterPath;

namespace quillon {

// The program's drawn push button: a caption and an optional picture in four
// looks (up, hot, down, disabled), square or rounded, with a focus border.
//
// BorderStyle: 0 raised edges in HighlightColor/ShadowColor (swapped while
// down), 1 a flat outline in BorderColor, 2 no border. BackStyle: 0 the
// corners outside a rounded face are transparent, 1 they are filled with
// BackColor. Mouse buttons in the mouse signals are 1 left, 2 right, 4
// middle; shift is 1 Shift, 2 Ctrl, 4 Alt; key codes are Qt key codes.
class XButton final : public QWidget
{
    Q_OBJECT
    Q_DISABLE_COPY_MOVE(XButton)
    Q_PROPERTY(QString Caption READ Caption WRITE setCaption)
    Q_PROPERTY(QString text READ Caption WRITE setCaption)
    Q_PROPERTY(QFont TextFont READ TextFont WRITE setTextFont)
    Q_PROPERTY(quint32 FontColor READ FontColor WRITE setFontColor)
    Q_PROPERTY(QPixmap ImageUp READ ImageUp WRITE setImageUp)
    Q_PROPERTY(QPixmap ImageHot READ ImageHot WRITE setImageHot)
    Q_PROPERTY(QPixmap ImageDown READ ImageDown WRITE setImageDown)
    Q_PROPERTY(QPixmap ImageDisabled READ ImageDisabled WRITE setImageDisabled)
    Q_PROPERTY(QPixmap OmniPic READ OmniPic WRITE setOmniPic)
    Q_PROPERTY(quint32 MaskColor READ MaskColor WRITE setMaskColor)
    Q_PROPERTY(int PicturePosition READ PicturePosition WRITE setPicturePosition)
    Q_PROPERTY(int BackStyle READ BackStyle WRITE setBackStyle)
    Q_PROPERTY(quint32 BackColor READ BackColor WRITE setBackColor)
    Q_PROPERTY(quint32 FillColor READ FillColor WRITE setFillColor)
    Q_PROPERTY(int BorderStyle READ BorderStyle WRITE setBorderStyle)
    Q_PROPERTY(quint32 BorderColor READ BorderColor WRITE setBorderColor)
    Q_PROPERTY(quint32 HighlightColor READ HighlightColor WRITE setHighlightColor)
    Q_PROPERTY(quint32 ShadowColor READ ShadowColor WRITE setShadowColor)
    Q_PROPERTY(bool RoundCorner READ RoundCorner WRITE setRoundCorner)
    Q_PROPERTY(int RoundAmount READ RoundAmount WRITE setRoundAmount)
    Q_PROPERTY(bool ShiftOnPress READ ShiftOnPress WRITE setShiftOnPress)
    Q_PROPERTY(bool ShiftPicture READ ShiftPicture WRITE setShiftPicture)
    Q_PROPERTY(bool ShowFocus READ ShowFocus WRITE setShowFocus)

public:
    explicit XButton(QWidget *parent = nullptr);
    explicit XButton(const QString &caption, QWidget *parent = nullptr);
    ~XButton() override;

    QString Caption() const { return m_caption; }
    void setCaption(const QString &caption);
    QFont TextFont() const { return font(); }
    void setTextFont(const QFont &f) { setFont(f); }
    quint32 FontColor() const { return m_fontColor; }
    void setFontColor(quint32 c);

    QPixmap ImageUp() const { return m_imageUp; }
    void setImageUp(const QPixmap &p);
    QPixmap ImageHot() const { return m_imageHot; }
    void setImageHot(const QPixmap &p);
    QPixmap ImageDown() const { return m_imageDown; }
    void setImageDown(const QPixmap &p);
    QPixmap ImageDisabled() const { return m_imageDisabled; }
    void setImageDisabled(const QPixmap &p);
    QPixmap OmniPic() const { return m_omniPic; }
    void setOmniPic(const QPixmap &p);
    quint32 MaskColor() const { return m_maskColor; }
    void setMaskColor(quint32 c);
    int PicturePosition() const { return m_picturePosition; }
    void setPicturePosition(int position);

    int BackStyle() const { return m_backStyle; }
    void setBackStyle(int style);
    quint32 BackColor() const { return m_backColor; }
    void setBackColor(quint32 c);
    quint32 FillColor() const { return m_fillColor; }
    void setFillColor(quint32 c);
    int BorderStyle() const { return m_borderStyle; }
    void setBorderStyle(int style);
    quint32 BorderColor() const { return m_borderColor; }
    void setBorderColor(quint32 c);
    quint32 HighlightColor() const { return m_highlightColor; }
    void setHighlightColor(quint32 c);
    quint32 ShadowColor() const { return m_shadowColor; }
    void setShadowColor(quint32 c);
    bool RoundCorner() const { return m_roundCorner; }
    void setRoundCorner(bool on);
    int RoundAmount() const { return m_roundAmount; }
    void setRoundAmount(int radius);
    bool ShiftOnPress() const { return m_shiftOnPress; }
    void setShiftOnPress(bool on);
    bool ShiftPicture() const { return m_shiftPicture; }
    void setShiftPicture(bool on);
    bool ShowFocus() const { return m_showFocus; }
    void setShowFocus(bool on);

    // The look the button is drawn in now.
    ButtonLook look() const { return m_logic.look(); }
    // The picture drawn for a look: its own, else OmniPic, with MaskColor
    // made transparent in pictures that have no alpha channel.
    QPixmap pictureFor(ButtonLook look) const;

    QSize sizeHint() const override;
    QSize minimumSizeHint() const override;

signals:
    void Click();
    void DblClick();
    void MouseDown(int button, int shift, int x, int y);
    void MouseMove(int button, int shift, int x, int y);
    void MouseUp(int button, int shift, int x, int y);
    void MouseEnter();
    void MouseExit();
    void KeyDown(int keyCode, int shift);
    void KeyPress(int keyAscii);
    void KeyUp(int keyCode, int shift);

protected:
    void paintEvent(QPaintEvent *event) override;
    void enterEvent(QEnterEvent *event) override;
    void leaveEvent(QEvent *event) override;
    void mousePressEvent(QMouseEvent *event) override;
    void mouseMoveEvent(QMouseEvent *event) override;
    void mouseReleaseEvent(QMouseEvent *event) override;
    void mouseDoubleClickEvent(QMouseEvent *event) override;
    void keyPressEvent(QKeyEvent *event) override;
    void keyReleaseEvent(QKeyEvent *event) override;
    void focusInEvent(QFocusEvent *event) override;
    void focusOutEvent(QFocusEvent *event) override;
    void changeEvent(QEvent *event) override;

private:
    void UpdateState();
    void DrawFace(QPainter &p, ButtonLook look) const;
    void DrawContent(QPainter &p, ButtonLook look) const;
    void FocusBorder(QPainter &p) const;
    QPainterPath facePath(qreal inset) const;

    ButtonLogic m_logic;
    QString m_caption{QStringLiteral("Button")};
    quint32 m_fontColor{0};
    QPixmap m_imageUp;
    QPixmap m_imageHot;
    QPixmap m_imageDown;
    QPixmap m_imageDisabled;
    QPixmap m_omniPic;
    quint32 m_maskColor{0xFFFFFF};
    int m_picturePosition{0};
    int m_backStyle{0};
    quint32 m_backColor{0};
    quint32 m_fillColor{0};
    int m_borderStyle{0};
    quint32 m_borderColor{0};
    quint32 m_highlightColor{0xFFFFFF};
    quint32 m_shadowColor{0x808080};
    bool m_roundCorner{false};
    int m_roundAmount{0};
    bool m_shiftOnPress{true};
    bool m_shiftPicture{true};
    bool m_showFocus{true};
};

} // namespace quillon
