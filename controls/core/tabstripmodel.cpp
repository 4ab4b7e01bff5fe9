#include "controls/core/tabstripmodel.h"

#include <algorithm>

namespace quillon {

void TabStripModel::setCaptions(const QString &commaList)
{
    m_captions = commaList.split(QLatin1Char(','));
    m_disabled = QList<bool>(m_captions.size(), false);
    m_rects.clear();
    m_selected = std::clamp(m_selected, 0, count() - 1);
}

bool TabStripModel::select(int index)
{
    if (index < 0 || index >= count() || m_disabled.at(index))
        return false;
    m_selected = index;
    return true;
}

void TabStripModel::forceSelected(int index)
{
    m_selected = std::clamp(index, 0, std::max(0, count() - 1));
}

bool TabStripModel::isTabEnabled(int index) const
{
    return index >= 0 && index < count() && !m_disabled.at(index);
}

void TabStripModel::setTabEnabled(int index, bool enabled)
{
    if (index >= 0 && index < count())
        m_disabled[index] = !enabled;
}

int TabStripModel::nextEnabled(int direction) const
{
    const int step = direction < 0 ? -1 : 1;
    for (int i = m_selected + step; i >= 0 && i < count(); i += step) {
        if (!m_disabled.at(i))
            return i;
    }
    return -1;
}

void TabStripModel::layout(const QList<int> &captionWidths, const Metrics &metrics)
{
    m_metrics = metrics;
    m_rects.clear();
    int x = metrics.left + metrics.lift;
    const int top = metrics.lift;
    for (int i = 0; i < count(); ++i) {
        const int textWidth = i < captionWidths.size() ? std::max(0, captionWidths.at(i)) : 0;
        const int width = textWidth + 2 * metrics.padding;
        m_rects.append(QRect(x, top, width, metrics.height - top));
        x += width - 1; // neighbours share their edge
    }
}

QRect TabStripModel::tabRect(int index) const
{
    if (index < 0 || index >= m_rects.size())
        return {};
    QRect r = m_rects.at(index);
    if (index == m_selected)
        r.adjust(-m_metrics.lift, -m_metrics.lift, m_metrics.lift, 0);
    return r;
}

QRect TabStripModel::captionRect(int index) const
{
    QRect r = tabRect(index);
    if (r.isNull())
        return r;
    r.adjust(m_metrics.padding / 2, 1, -m_metrics.padding / 2, 0);
    if (index != m_selected)
        r.translate(0, 1);
    return r;
}

int TabStripModel::totalWidth() const
{
    if (m_rects.isEmpty())
        return 0;
    return m_rects.last().right() + 1 + 2 * m_metrics.lift;
}

int TabStripModel::hitTest(QPoint point) const
{
    if (tabRect(m_selected).contains(point))
        return m_selected;
    for (int i = 0; i < m_rects.size(); ++i) {
        if (tabRect(i).contains(point))
            return i;
    }
    return -1;
}

} // namespace quillon
