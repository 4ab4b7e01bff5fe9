#pragma once

#include "controls/core/tabstripmodel.h"

#include <QWidget>

class QPainter;

namespace quillon {

// A drawn row of tabs made from a comma-separated caption list. It only draws
// and reports: the owner shows the page of the selected tab on TabClicked.
class OrbTab final : public QWidget
{
    Q_OBJECT
    Q_DISABLE_COPY_MOVE(OrbTab)
    Q_PROPERTY(QString TabStrip READ TabStrip WRITE setTabStrip)
    Q_PROPERTY(int Selected READ Selected WRITE setSelected)
    Q_PROPERTY(quint32 Border READ Border WRITE setBorder)
    Q_PROPERTY(quint32 BorderSelected READ BorderSelected WRITE setBorderSelected)
    Q_PROPERTY(quint32 TabColour READ TabColour WRITE setTabColour)
    Q_PROPERTY(quint32 TabColourSelected READ TabColourSelected WRITE setTabColourSelected)
    Q_PROPERTY(quint32 TextColour READ TextColour WRITE setTextColour)
    Q_PROPERTY(quint32 TextColourSelected READ TextColourSelected WRITE setTextColourSelected)
    Q_PROPERTY(quint32 DisabledColour READ DisabledColour WRITE setDisabledColour)
    Q_PROPERTY(quint32 BackColour READ BackColour WRITE setBackColour)
    Q_PROPERTY(bool DrawFrame READ DrawFrame WRITE setDrawFrame)
    Q_PROPERTY(bool Bridge READ Bridge WRITE setBridge)

public:
    explicit OrbTab(QWidget *parent = nullptr);
    ~OrbTab() override;

    QString TabStrip() const { return m_model.captionList(); }
    void setTabStrip(const QString &captions);
    int Selected() const { return m_model.selected(); }
    // Sets the selection without raising TabClicked (a stored layout value).
    void setSelected(int index);
    int TabCount() const { return m_model.count(); }
    QString caption(int index) const { return m_model.captions().value(index); }

    // Selects the tab unless it is disabled or out of range, and raises
    // TabClicked.
    void SelectTabManually(int index);
    void ChangeTabEnable(int index, bool enabled);
    bool isTabEnabled(int index) const { return m_model.isTabEnabled(index); }
    // Moves to the nearest enabled tab in that direction and raises
    // TabClicked; at the end of the row nothing happens.
    void GotoNextEnabledTab(int direction);

    quint32 Border() const { return m_border; }
    void setBorder(quint32 c);
    quint32 BorderSelected() const { return m_borderSelected; }
    void setBorderSelected(quint32 c);
    quint32 TabColour() const { return m_tabColour; }
    void setTabColour(quint32 c);
    quint32 TabColourSelected() const { return m_tabColourSelected; }
    void setTabColourSelected(quint32 c);
    quint32 TextColour() const { return m_textColour; }
    void setTextColour(quint32 c);
    quint32 TextColourSelected() const { return m_textColourSelected; }
    void setTextColourSelected(quint32 c);
    quint32 DisabledColour() const { return m_disabledColour; }
    void setDisabledColour(quint32 c);
    quint32 BackColour() const { return m_backColour; }
    void setBackColour(quint32 c);
    bool DrawFrame() const { return m_drawFrame; }
    void setDrawFrame(bool on);
    bool Bridge() const { return m_bridge; }
    void setBridge(bool on);

    // Tab geometry in widget coordinates, for tests and tool tips.
    QRect tabRect(int index) const;
    int tabAt(QPoint pos) const;

    QSize sizeHint() const override;
    QSize minimumSizeHint() const override;

signals:
    void TabClicked();

protected:
    void paintEvent(QPaintEvent *event) override;
    void mousePressEvent(QMouseEvent *event) override;
    void keyPressEvent(QKeyEvent *event) override;
    void changeEvent(QEvent *event) override;
    void resizeEvent(QResizeEvent *event) override;

private:
    void CreateTabs();
    void DrawThisBlock(QPainter &p, int index) const;
    void DrawBottomLine(QPainter &p) const;
    void DrawBridge(QPainter &p) const;
    int stripHeight() const;

    TabStripModel m_model;
    quint32 m_border{0xFF8080};
    quint32 m_borderSelected{0x0080FF};
    quint32 m_tabColour{0xE0E0E0};
    quint32 m_tabColourSelected{0xFFFFFF};
    quint32 m_textColour{0};
    quint32 m_textColourSelected{0};
    quint32 m_disabledColour{0xC0C0C0};
    quint32 m_backColour{0};
    bool m_drawFrame{false};
    bool m_bridge{false};
};

} // namespace quillon
