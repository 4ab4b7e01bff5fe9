#include "bandwidth/ui/frmsystray.h"

#include "base/appinfo.h"
#include "controls/ui/orblabel.h"
#include "graphs/ui/chartpresets.h"
#include "graphs/ui/metalchart.h"

#include <QCloseEvent>
#include <QFontDatabase>
#include <QGridLayout>
#include <QGuiApplication>
#include <QLabel>
#include <QLinearGradient>
#include <QPainter>
#include <QScreen>
#include <QVBoxLayout>

namespace quillon {

namespace {

const QString kGraphTitle = QStringLiteral("Bandwidth history graph");
const QString kWaiting = QStringLiteral("When the statistics have been obtained, they will be displayed in this window.");
constexpr QSize kWindowSize(260, 150);

QPixmap backPicture(const QSize &size)
{
    QPixmap picture(size.expandedTo(QSize(1, 1)));
    QPainter p(&picture);
    QLinearGradient shade(0, 0, 0, picture.height());
    shade.setColorAt(0, QColor(226, 232, 240));
    shade.setColorAt(1, QColor(248, 250, 252));
    p.fillRect(picture.rect(), shade);
    return picture;
}

} // namespace

frmSystray::frmSystray(QWidget *parent)
    : QWidget(parent, Qt::Window | Qt::WindowStaysOnTopHint | Qt::WindowTitleHint | Qt::WindowCloseButtonHint)
{
    setObjectName(QStringLiteral("frmSystray"));
    setWindowTitle(appTitle() + QStringLiteral(" - Bandwidth"));
    resize(kWindowSize);

    imgBack = new QLabel(this);
    imgBack->setObjectName(QStringLiteral("imgBack"));
    lblTitle = new OrbLabel(this);
    lblTitle->setObjectName(QStringLiteral("lblTitle"));
    lblTitle->setMinimumHeight(fontMetrics().height() + 6);
    lblTitle->setCursor(Qt::PointingHandCursor);
    mcSystray = new MetalChart(this);
    mcSystray->setObjectName(QStringLiteral("mcSystray"));
    mcSystray->setToolTip(QStringLiteral("Bandwidth graph"));
    applyChartPreset(*mcSystray, ChartInstance::mcSystray);
    lblMsg = new QLabel(kWaiting, this);
    lblMsg->setObjectName(QStringLiteral("lblMsg"));
    lblMsg->setFont(QFontDatabase::systemFont(QFontDatabase::FixedFont));
    lblMsg->setAlignment(Qt::AlignLeft | Qt::AlignTop);
    lblMsg->setWordWrap(true);
    lblMsg->setAttribute(Qt::WA_TranslucentBackground);

    // The chart lies over the message; the title uncovers one or the other.
    auto *body = new QGridLayout;
    body->addWidget(lblMsg, 0, 0);
    body->addWidget(mcSystray, 0, 0);
    auto *layout = new QVBoxLayout(this);
    layout->setContentsMargins(4, 4, 4, 4);
    layout->setSpacing(4);
    layout->addWidget(lblTitle);
    layout->addLayout(body, 1);
    imgBack->lower();

    for (QWidget *w : {static_cast<QWidget *>(lblTitle), static_cast<QWidget *>(lblMsg),
                       static_cast<QWidget *>(imgBack)})
        w->installEventFilter(this);
    connect(mcSystray, &MetalChart::Click, this, &QWidget::hide);
    showTitle();
}

frmSystray::~frmSystray() = default;

QPoint frmSystray::cornerPosition(const QRect &available, const QSize &frameSize)
{
    return {available.x() + available.width() - frameSize.width(),
            available.y() + available.height() - frameSize.height()};
}

void frmSystray::ShowMessage(const QString &text, const QWidget *near)
{
    if (!text.isEmpty())
        lblMsg->setText(text);
    placeNear(near);
    show();
    // The frame is known only once the window is mapped.
    placeNear(near);
    raise();
}

void frmSystray::placeNear(const QWidget *near)
{
    QScreen *screen = near ? near->screen() : nullptr;
    if (!screen)
        screen = QGuiApplication::primaryScreen();
    if (!screen)
        return;
    move(cornerPosition(screen->availableGeometry(), frameGeometry().size()));
}

void frmSystray::setStats(const QString &text, const QString &viewName)
{
    lblMsg->setText(text);
    m_viewName = viewName;
    showTitle();
}

void frmSystray::showTitle()
{
    const QString viewTitle = m_viewName + QStringLiteral(" stats:");
    lblTitle->setCaption(m_chartShown ? kGraphTitle : viewTitle);
    lblTitle->setToolTip(m_chartShown ? viewTitle : kGraphTitle);
}

void frmSystray::lblTitle_Click()
{
    m_chartShown = !m_chartShown;
    mcSystray->setVisible(m_chartShown);
    showTitle();
}

void frmSystray::closeEvent(QCloseEvent *event)
{
    // Closing only hides it: it lives as long as the main window.
    event->ignore();
    hide();
}

void frmSystray::mouseReleaseEvent(QMouseEvent *event)
{
    QWidget::mouseReleaseEvent(event);
    hide();
}

void frmSystray::resizeEvent(QResizeEvent *event)
{
    QWidget::resizeEvent(event);
    imgBack->setGeometry(rect());
    imgBack->setPixmap(backPicture(size()));
}

bool frmSystray::eventFilter(QObject *watched, QEvent *event)
{
    if (event->type() == QEvent::MouseButtonRelease) {
        if (watched == lblTitle)
            lblTitle_Click();
        else
            hide();
        return true;
    }
    return QWidget::eventFilter(watched, event);
}

} // namespace quillon
