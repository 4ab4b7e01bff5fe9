#pragma once

#include <QImage>
#include <QPoint>
#include <QWidget>

class QPainter;

namespace quillon {

// A drawn caption panel: a shaded face, an optional border and outer frame,
// and a caption that can be aligned or turned.
//
// GradientDirection: 0 left to right, 1 top to bottom, 2 right to left,
// 3 bottom to top (light end first). Alignment: 0 left, 1 right, 2 centre.
// Angle: degrees counter-clockwise. With ManualAlign the caption's centre is
// placed at CaptionCentre instead.
class OrbLabel final : public QWidget
{
    Q_OBJECT
    Q_DISABLE_COPY_MOVE(OrbLabel)
    Q_PROPERTY(QString Caption READ Caption WRITE setCaption)
    Q_PROPERTY(QString text READ Caption WRITE setCaption)
    Q_PROPERTY(QFont LabelFont READ LabelFont WRITE setLabelFont)
    Q_PROPERTY(quint32 TextColour READ TextColour WRITE setTextColour)
    Q_PROPERTY(quint32 NormalColour READ NormalColour WRITE setNormalColour)
    Q_PROPERTY(quint32 LightColour READ LightColour WRITE setLightColour)
    Q_PROPERTY(quint32 ShadeColour READ ShadeColour WRITE setShadeColour)
    Q_PROPERTY(bool TriColour READ TriColour WRITE setTriColour)
    Q_PROPERTY(int GradientDirection READ GradientDirection WRITE setGradientDirection)
    Q_PROPERTY(int Resolution READ Resolution WRITE setResolution)
    Q_PROPERTY(bool DrawBorder READ DrawBorder WRITE setDrawBorder)
    Q_PROPERTY(quint32 BorderColour READ BorderColour WRITE setBorderColour)
    Q_PROPERTY(bool DrawOuter READ DrawOuter WRITE setDrawOuter)
    Q_PROPERTY(quint32 OuterColour READ OuterColour WRITE setOuterColour)
    Q_PROPERTY(int Alignment READ Alignment WRITE setAlignment)
    Q_PROPERTY(bool ManualAlign READ ManualAlign WRITE setManualAlign)
    Q_PROPERTY(QPoint CaptionCentre READ CaptionCentre WRITE setCaptionCentre)
    Q_PROPERTY(int Angle READ Angle WRITE setAngle)

public:
    explicit OrbLabel(QWidget *parent = nullptr);
    explicit OrbLabel(const QString &caption, QWidget *parent = nullptr);
    ~OrbLabel() override;

    QString Caption() const { return m_caption; }
    void setCaption(const QString &caption);
    // Same as Caption, so code written for a plain label keeps working.
    QString text() const { return m_caption; }
    void setText(const QString &caption) { setCaption(caption); }

    QFont LabelFont() const { return font(); }
    void setLabelFont(const QFont &f) { setFont(f); }
    quint32 TextColour() const { return m_textColour; }
    void setTextColour(quint32 c);
    quint32 NormalColour() const { return m_normalColour; }
    void setNormalColour(quint32 c);
    quint32 LightColour() const { return m_lightColour; }
    void setLightColour(quint32 c);
    quint32 ShadeColour() const { return m_shadeColour; }
    void setShadeColour(quint32 c);
    bool TriColour() const { return m_triColour; }
    void setTriColour(bool on);
    int GradientDirection() const { return m_gradientDirection; }
    void setGradientDirection(int direction);
    int Resolution() const { return m_resolution; }
    void setResolution(int steps);
    bool DrawBorder() const { return m_drawBorder; }
    void setDrawBorder(bool on);
    quint32 BorderColour() const { return m_borderColour; }
    void setBorderColour(quint32 c);
    bool DrawOuter() const { return m_drawOuter; }
    void setDrawOuter(bool on);
    quint32 OuterColour() const { return m_outerColour; }
    void setOuterColour(quint32 c);
    int Alignment() const { return m_alignment; }
    void setAlignment(int alignment);
    bool ManualAlign() const { return m_manualAlign; }
    void setManualAlign(bool on);
    QPoint CaptionCentre() const { return m_captionCentre; }
    void setCaptionCentre(QPoint centre);
    int Angle() const { return m_angle; }
    void setAngle(int degrees);

    // The drawn face at the current size (what paintEvent shows).
    QImage image();

    QSize sizeHint() const override;
    QSize minimumSizeHint() const override;

signals:
    void Click();

protected:
    void paintEvent(QPaintEvent *event) override;
    void mouseReleaseEvent(QMouseEvent *event) override;
    void resizeEvent(QResizeEvent *event) override;
    void changeEvent(QEvent *event) override;

private:
    void UpdateImage();
    void DrawGradient(QPainter &p) const;
    void DrawCaption(QPainter &p) const;
    void DrawPoly(QPainter &p) const;
    void changed();

    QImage m_image;
    bool m_dirty{true};
    QString m_caption;
    quint32 m_textColour{0};
    quint32 m_normalColour{0xEFF3F3};
    quint32 m_lightColour{0xFFFFFF};
    quint32 m_shadeColour{0xC5D0D6};
    bool m_triColour{false};
    int m_gradientDirection{1};
    int m_resolution{50};
    bool m_drawBorder{false};
    quint32 m_borderColour{0x743C00};
    bool m_drawOuter{false};
    quint32 m_outerColour{0x808080};
    int m_alignment{0};
    bool m_manualAlign{false};
    QPoint m_captionCentre;
    int m_angle{0};
};

} // namespace quillon
