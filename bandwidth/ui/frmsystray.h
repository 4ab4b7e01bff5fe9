#pragma once

#include <QWidget>

class QLabel;

namespace quillon {

class MetalChart;
class OrbLabel;

// The mini statistics window: a small window above all others in the
// bottom-right corner of the screen, showing the bandwidth history chart or
// the figures of the ticked bandwidth graphs. A click anywhere but the title
// hides it; a click on the title switches between chart and figures.
class frmSystray final : public QWidget
{
    Q_OBJECT
    Q_DISABLE_COPY_MOVE(frmSystray)

public:
    explicit frmSystray(QWidget *parent = nullptr);
    ~frmSystray() override;

    OrbLabel *lblTitle{};
    MetalChart *mcSystray{};
    QLabel *lblMsg{};
    QLabel *imgBack{};

    // A non-empty text becomes the message; the window is shown in the
    // bottom-right corner of the available area of the screen `near` is on.
    void ShowMessage(const QString &text, const QWidget *near = nullptr);
    // The figures' text and the records view they belong to.
    void setStats(const QString &text, const QString &viewName);
    void lblTitle_Click();
    bool chartShown() const { return m_chartShown; }

    // Where a window of that frame size sits flush with the area's bottom-right corner.
    static QPoint cornerPosition(const QRect &available, const QSize &frameSize);

protected:
    void closeEvent(QCloseEvent *event) override;
    void mouseReleaseEvent(QMouseEvent *event) override;
    void resizeEvent(QResizeEvent *event) override;
    bool eventFilter(QObject *watched, QEvent *event) override;

private:
    void showTitle();
    void placeNear(const QWidget *near);

    QString m_viewName;
    bool m_chartShown{true};
};

} // namespace quillon
