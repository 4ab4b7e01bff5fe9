#pragma once

#include <QList>
#include <QPoint>
#include <QRect>
#include <QString>
#include <QStringList>

namespace quillon {

// Captions, selection, disabled tabs and geometry of a row of tabs. The drawn
// tab strip only paints what this computes, so everything here is testable
// without a screen.
class TabStripModel final
{
public:
    struct Metrics
    {
        int height{24};      // height of the whole strip
        int padding{12};     // left and right of each caption
        int lift{3};         // the selected tab stands this much higher and wider
        int left{2};         // x of the first tab
    };

    void setCaptions(const QString &commaList);
    QString captionList() const { return m_captions.join(QLatin1Char(',')); }
    const QStringList &captions() const { return m_captions; }
    int count() const { return int(m_captions.size()); }

    int selected() const { return m_selected; }
    // Fails (returns false) for an index out of range or a disabled tab.
    bool select(int index);
    // Sets the selection even when it points at a disabled tab, as a stored
    // layout may; out-of-range values are clamped.
    void forceSelected(int index);

    bool isTabEnabled(int index) const;
    void setTabEnabled(int index, bool enabled);

    // The nearest enabled tab after (direction > 0) or before (direction < 0)
    // the selection; -1 when there is none.
    int nextEnabled(int direction) const;

    // Lays the tabs out from the pixel width of each caption.
    void layout(const QList<int> &captionWidths, const Metrics &metrics);
    const Metrics &metrics() const { return m_metrics; }
    // The tab's outline; the selected one is lifted and widened.
    QRect tabRect(int index) const;
    // Where the caption of the tab is drawn.
    QRect captionRect(int index) const;
    int totalWidth() const;
    // Index of the tab under the point, or -1. The selected tab wins where it
    // overlaps its neighbours.
    int hitTest(QPoint point) const;

private:
    QStringList m_captions{QStringLiteral("One"), QStringLiteral("Two"), QStringLiteral("Three"), QStringLiteral("Four")};
    QList<bool> m_disabled{false, false, false, false};
    QList<QRect> m_rects;
    Metrics m_metrics;
    int m_selected{0};
};

} // namespace quillon
