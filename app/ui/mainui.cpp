#include "app/ui/mainui.h"

#include "base/misc.h"
#include "app/ui/mainuiparts.h"
#include "controls/ui/colours.h"
#include "controls/ui/orbtab.h"
#include "controls/ui/xbutton.h"
#include "imaging/ui/pngresources.h"

#include <QAction>
#include <QFrame>
#include <QGridLayout>
#include <QHBoxLayout>
#include <QLabel>
#include <QMenu>
#include <QTimer>
#include <QVBoxLayout>

namespace quillon {

using namespace mainui;

namespace {

const QString kTabCaptions = QStringLiteral("Stats,Settings,Report,Ping Test,Exchange,Advanced,Bandwidth");
constexpr int kStatusPictureSize = 16;

QTimer *makeTimer(QObject *owner, const char *name, int intervalMs)
{
    auto *t = new QTimer(owner);
    t->setObjectName(QLatin1String(name));
    t->setInterval(intervalMs);
    return t;
}

QLabel *hiddenPicture(QWidget *parent, const QString &name, const QPixmap &pixmap)
{
    QLabel *l = picture(parent, name, pixmap);
    l->hide();
    return l;
}

} // namespace

quint32 shapeFillColour(const QFrame *shape)
{
    return shape ? shape->property("FillColor").value<quint32>() : 0;
}

void setShapeFillColour(QFrame *shape, quint32 colour)
{
    if (!shape)
        return;
    shape->setProperty("FillColor", colour);
    QPalette pal = shape->palette();
    pal.setColor(QPalette::Window, toQColor(colour));
    shape->setPalette(pal);
}

void MainUi::setupUi(QWidget *frmMain)
{
    frmMain->setObjectName(QStringLiteral("frmMain"));
    frmMain->resize(820, 600);

    OrbTab1 = new OrbTab(frmMain);
    OrbTab1->setObjectName(QStringLiteral("OrbTab1"));
    OrbTab1->setTabStrip(kTabCaptions);
    OrbTab1->setDrawFrame(true);
    OrbTab1->setBridge(true);
    OrbTab1->setBorder(RGB(203, 213, 225));
    OrbTab1->setBorderSelected(RGB(37, 99, 235));
    OrbTab1->setTabColour(RGB(241, 245, 249));
    OrbTab1->setTabColourSelected(fromQColor(pageColour()));
    OrbTab1->setTextColour(RGB(71, 85, 105));
    OrbTab1->setTextColourSelected(RGB(31, 42, 68));
    OrbTab1->setBackColour(fromQColor(frmMain->palette().color(QPalette::Window)));

    // Every page sits in the same cell; the controller shows one at a time.
    auto *pages = new QGridLayout(OrbTab1);
    for (int i = 0; i < int(fraTabs.size()); ++i) {
        auto *page = new QFrame(OrbTab1);
        page->setObjectName(arrayName("fraTabs", i));
        page->setFrameShape(QFrame::NoFrame);
        pages->addWidget(page, 0, 0);
        page->setVisible(i == 0);
        fraTabs[i] = page;
    }
    fraTabs[5]->setProperty("tag", QStringLiteral("advanced"));

    setupStats(fraTabs[0]);
    setupSettings(fraTabs[1]);
    setupReport(fraTabs[2]);
    setupPingTest(fraTabs[3]);
    setupExchange(fraTabs[4]);
    setupAdvanced(fraTabs[5]);
    setupBandwidth(fraTabs[6]);
    setupOutside(frmMain);
    applySettingRanges(frmMain);
}

void MainUi::setupOutside(QWidget *frmMain)
{
    const QColor back = frmMain->palette().color(QPalette::Window);

    imgLogo = picture(frmMain, QStringLiteral("imgLogo"), LoadResPNG(QStringLiteral("PNG_LOGO"), back, frmMain->devicePixelRatioF()));
    imgLogo->setCursor(Qt::PointingHandCursor);
    lblCredit = label(frmMain, QStringLiteral("lblCredit"), QStringLiteral("by the Quillon developers"));
    lblCredit->setCursor(Qt::PointingHandCursor);
    QPalette link = lblCredit->palette();
    link.setColor(QPalette::WindowText, QColor(37, 99, 235));
    lblCredit->setPalette(link);

    lblStatus = label(frmMain, QStringLiteral("lblStatus"), QString());
    lblStatus->setFrameShape(QFrame::StyledPanel);
    lblStatus->setFrameShadow(QFrame::Sunken);
    lblStatus->setSizePolicy(QSizePolicy::Expanding, QSizePolicy::Preferred);
    lblStatus->setMinimumHeight(lblStatus->fontMetrics().height() + 10);
    lblStatus->setContentsMargins(6, 0, 6, 0);
    cmdCapture = button(frmMain, QStringLiteral("cmdCapture"), QStringLiteral("Capture screen"),
                        QStringLiteral("Capture the Quillon screen as an image file"));

    const char *const states[] = {"AAA", "AAA", "AAB", "AAC"};
    for (int i = 0; i < int(imgPingStatus.size()); ++i) {
        imgPingStatus[i] = picture(frmMain, arrayName("imgPingStatus", i),
                                   iconPixmap(QLatin1String(states[i]), kStatusPictureSize));
        imgPingStatus[i]->hide();
    }
    imgNormal = hiddenPicture(frmMain, QStringLiteral("imgNormal"), iconPixmap(QStringLiteral("AAA"), 32));
    imgUP = hiddenPicture(frmMain, QStringLiteral("imgUP"), iconPixmap(QStringLiteral("AAB"), 32));
    imgDOWN = hiddenPicture(frmMain, QStringLiteral("imgDOWN"), iconPixmap(QStringLiteral("AAC"), 32));
    picCaptureBuffer = hiddenPicture(frmMain, QStringLiteral("picCaptureBuffer"), {});
    picPNGBuffer = hiddenPicture(frmMain, QStringLiteral("picPNGBuffer"), {});

    tmrStats = makeTimer(frmMain, "tmrStats", 1000);
    tmrPing = makeTimer(frmMain, "tmrPing", 1000);
    tmrCheck = makeTimer(frmMain, "tmrCheck", 1000);
    tmrRebootWatch = makeTimer(frmMain, "tmrRebootWatch", 1000);
    tmrRebootSettle = makeTimer(frmMain, "tmrRebootSettle", 5000);
    tmrBWMonitor = makeTimer(frmMain, "tmrBWMonitor", 1000);

    mnSysTray = new QMenu(QStringLiteral("System Tray Menu"), frmMain);
    mnSysTray->setObjectName(QStringLiteral("mnSysTray"));
    auto addItem = [this](const char *name, const QString &caption) {
        QAction *a = mnSysTray->addAction(caption);
        a->setObjectName(QLatin1String(name));
        return a;
    };
    mnOpen = addItem("mnOpen", QStringLiteral("Open Quillon"));
    mnToggle = addItem("mnToggle", QStringLiteral("Start Monitoring"));
    mnShowStats = addItem("mnShowStats", QStringLiteral("Show stats"));
    mnSysTray->addSeparator();
    mnExit = addItem("mnExit", QStringLiteral("Exit"));
    mnSysTray->setDefaultAction(mnOpen);

    auto *top = new QHBoxLayout;
    top->addWidget(imgLogo, 0, Qt::AlignVCenter);
    top->addStretch(1);
    top->addWidget(lblCredit, 0, Qt::AlignBottom);

    auto *bottom = new QHBoxLayout;
    bottom->addWidget(imgPingStatus[0]);
    bottom->addWidget(lblStatus, 1);
    bottom->addWidget(cmdCapture);

    auto *outer = new QVBoxLayout(frmMain);
    outer->setContentsMargins(10, 8, 10, 8);
    outer->setSpacing(6);
    outer->addLayout(top);
    outer->addWidget(OrbTab1, 1);
    outer->addLayout(bottom);
}

} // namespace quillon
