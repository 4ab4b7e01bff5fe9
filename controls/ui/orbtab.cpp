#include "controls/ui/orbtab.h"

#include "controls/ui/colours.h"

#include <QKeyEvent>
#include <QMouseEvent>
#include <QPainter>
#include <QPainterPath>

namespace quillon {

namespace {

constexpr int kFrameWidth = 1;
constexpr qreal kCornerRadius = 4.0;

QPainterPath topRoundedRect(const QRectF &r, qreal radius)
{
    QPainterPath path;
    path.moveTo(r.left(), r.bottom());
    path.lineTo(r.left(), r.top() + radius);
    path.quadTo(r.left(), r.top(), r.left() + radius, r.top());
    path.lineTo(r.right() - radius, r.top());
    path.quadTo(r.right(), r.top(), r.right(), r.top() + radius);
    path.lineTo(r.right(), r.bottom());
    return path;
}

} // namespace

OrbTab::OrbTab(QWidget *parent)
    : QWidget(parent)
    , m_backColour(systemButtonFace())
{
    setFocusPolicy(Qt::StrongFocus);
    setSizePolicy(QSizePolicy::Preferred, QSizePolicy::Fixed);
    CreateTabs();
}

OrbTab::~OrbTab() = default;

void OrbTab::setTabStrip(const QString &captions)
{
    m_model.setCaptions(captions);
    CreateTabs();
}

void OrbTab::setSelected(int index)
{
    m_model.forceSelected(index);
    CreateTabs();
}

void OrbTab::SelectTabManually(int index)
{
    if (!m_model.select(index))
        return;
    CreateTabs();
    emit TabClicked();
}

void OrbTab::ChangeTabEnable(int index, bool enabled)
{
    m_model.setTabEnabled(index, enabled);
    update();
}

void OrbTab::GotoNextEnabledTab(int direction)
{
    const int next = m_model.nextEnabled(direction);
    if (next < 0)
        return;
    SelectTabManually(next);
}

void OrbTab::setBorder(quint32 c)
{
    m_border = c;
    update();
}

void OrbTab::setBorderSelected(quint32 c)
{
    m_borderSelected = c;
    update();
}

void OrbTab::setTabColour(quint32 c)
{
    m_tabColour = c;
    update();
}

void OrbTab::setTabColourSelected(quint32 c)
{
    m_tabColourSelected = c;
    update();
}

void OrbTab::setTextColour(quint32 c)
{
    m_textColour = c;
    update();
}

void OrbTab::setTextColourSelected(quint32 c)
{
    m_textColourSelected = c;
    update();
}

void OrbTab::setDisabledColour(quint32 c)
{
    m_disabledColour = c;
    update();
}

void OrbTab::setBackColour(quint32 c)
{
    m_backColour = c;
    update();
}

void OrbTab::setDrawFrame(bool on)
{
    m_drawFrame = on;
    CreateTabs();
}

void OrbTab::setBridge(bool on)
{
    m_bridge = on;
    update();
}

QRect OrbTab::tabRect(int index) const
{
    return m_model.tabRect(index);
}

int OrbTab::tabAt(QPoint pos) const
{
    return m_model.hitTest(pos);
}

int OrbTab::stripHeight() const
{
    return fontMetrics().height() + 12;
}

QSize OrbTab::sizeHint() const
{
    const int h = m_drawFrame ? stripHeight() + 120 : stripHeight();
    return {m_model.totalWidth(), h};
}

QSize OrbTab::minimumSizeHint() const
{
    return {m_model.totalWidth(), stripHeight() + (m_drawFrame ? 2 * kFrameWidth : 0)};
}

void OrbTab::CreateTabs()
{
    QList<int> widths;
    QFont bold = font();
    bold.setBold(true);
    const QFontMetrics fm(bold); // the selected caption is bold: size every tab for it
    for (const QString &c : m_model.captions())
        widths.append(fm.horizontalAdvance(c));
    TabStripModel::Metrics m;
    m.height = stripHeight();
    m.padding = fontMetrics().averageCharWidth() * 2;
    m.lift = 3;
    m.left = 4;
    m_model.layout(widths, m);
    if (m_drawFrame)
        setContentsMargins(kFrameWidth, m.height + kFrameWidth, kFrameWidth, kFrameWidth);
    else
        setContentsMargins(0, 0, 0, 0);
    setSizePolicy(QSizePolicy::Preferred, m_drawFrame ? QSizePolicy::Expanding : QSizePolicy::Fixed);
    updateGeometry();
    update();
}

void OrbTab::DrawThisBlock(QPainter &p, int index) const
{
    const bool selected = index == m_model.selected();
    const QRectF r = QRectF(tabRect(index)).adjusted(0.5, 0.5, -0.5, selected ? 0.5 : -0.5);
    const QPainterPath outline = topRoundedRect(r, kCornerRadius);
    QPainterPath body = outline;
    body.closeSubpath();
    const QColor fill = toQColor(selected ? m_tabColourSelected : m_tabColour);
    if (selected) {
        p.fillPath(body, fill);
    } else {
        QLinearGradient g(r.topLeft(), r.bottomLeft());
        g.setColorAt(0, fill.lighter(106));
        g.setColorAt(1, fill.darker(104));
        p.fillPath(body, g);
    }
    p.setPen(QPen(toQColor(selected ? m_borderSelected : m_border), 1));
    p.drawPath(outline);
    if (selected) {
        // An accent along the top edge marks the current page.
        QPen accent(toQColor(m_borderSelected), 2);
        accent.setCapStyle(Qt::FlatCap);
        p.setPen(accent);
        p.drawLine(QPointF(r.left() + kCornerRadius, r.top() + 1), QPointF(r.right() - kCornerRadius, r.top() + 1));
    }

    const bool enabled = isEnabled() && m_model.isTabEnabled(index);
    QFont f = font();
    f.setBold(selected);
    p.setFont(f);
    p.setPen(toQColor(!enabled ? m_disabledColour : selected ? m_textColourSelected : m_textColour));
    const QRect text = m_model.captionRect(index);
    p.drawText(text, Qt::AlignCenter, m_model.captions().at(index));
    if (selected && hasFocus()) {
        QPen dots(toQColor(m_borderSelected), 1, Qt::DotLine);
        p.setPen(dots);
        p.setBrush(Qt::NoBrush);
        p.drawRoundedRect(QRectF(text).adjusted(-2, 3, 2, -3), 2, 2);
    }
}

void OrbTab::DrawBottomLine(QPainter &p) const
{
    const qreal y = m_model.metrics().height - 0.5;
    p.setPen(QPen(toQColor(m_border), 1));
    p.drawLine(QPointF(0, y), QPointF(width(), y));
}

void OrbTab::DrawBridge(QPainter &p) const
{
    const QRect sel = tabRect(m_model.selected());
    if (sel.isNull())
        return;
    const qreal y = m_model.metrics().height - 0.5;
    p.setPen(QPen(toQColor(m_tabColourSelected), 1));
    p.drawLine(QPointF(sel.left() + 1, y), QPointF(sel.right(), y));
}

void OrbTab::paintEvent(QPaintEvent *)
{
    QPainter p(this);
    p.setRenderHint(QPainter::Antialiasing, true);
    const int stripH = m_model.metrics().height;
    p.fillRect(QRect(0, 0, width(), stripH), toQColor(m_backColour));
    if (m_drawFrame) {
        const QRectF frame = QRectF(0, stripH - 1, width(), height() - stripH + 1).adjusted(0.5, 0.5, -0.5, -0.5);
        p.fillRect(frame, toQColor(m_tabColourSelected));
        p.setPen(QPen(toQColor(m_border), kFrameWidth));
        p.drawRect(frame);
    }
    DrawBottomLine(p);
    for (int i = 0; i < m_model.count(); ++i) {
        if (i != m_model.selected())
            DrawThisBlock(p, i);
    }
    if (m_model.count() > 0)
        DrawThisBlock(p, m_model.selected());
    if (m_bridge)
        DrawBridge(p);
}

void OrbTab::mousePressEvent(QMouseEvent *event)
{
    if (event->button() != Qt::LeftButton)
        return;
    const int index = m_model.hitTest(event->position().toPoint());
    if (index < 0 || index == m_model.selected())
        return;
    SelectTabManually(index);
}

void OrbTab::keyPressEvent(QKeyEvent *event)
{
    if (event->key() == Qt::Key_Left) {
        if (m_model.selected() > 0)
            GotoNextEnabledTab(-1);
    } else if (event->key() == Qt::Key_Right) {
        GotoNextEnabledTab(1);
    } else {
        QWidget::keyPressEvent(event);
    }
}

void OrbTab::changeEvent(QEvent *event)
{
    if (event->type() == QEvent::FontChange || event->type() == QEvent::StyleChange)
        CreateTabs();
    QWidget::changeEvent(event);
}

void OrbTab::resizeEvent(QResizeEvent *event)
{
    QWidget::resizeEvent(event);
    update();
}

} // namespace quillon
