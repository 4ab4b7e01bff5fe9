#include "base/misc.h"
#include "base/settingstable.h"
#include "app/ui/mainui.h"
#include "app/ui/mainuiparts.h"
#include "controls/ui/orblabel.h"
#include "controls/ui/xbutton.h"
#include "imaging/ui/pngresources.h"

#include <QCheckBox>
#include <QComboBox>
#include <QFrame>
#include <QGridLayout>
#include <QGroupBox>
#include <QHBoxLayout>
#include <QLabel>
#include <QLineEdit>
#include <QPlainTextEdit>
#include <QScrollBar>
#include <QVBoxLayout>

namespace quillon {

using namespace mainui;

namespace {

const QString kUnknownDb = QStringLiteral("??? dB");
const QString kUnknownRate = QStringLiteral("???? kbit/s");

} // namespace

void MainUi::setupStats(QFrame *page)
{
    cmdToggle = button(page, QStringLiteral("cmdToggle"), QStringLiteral("Start Monitoring"),
                       QStringLiteral("Toggle connection monitoring"));
    cmdToggle->setFillColor(RGB(255, 192, 192));
    cmdGetRouterInfo = button(page, QStringLiteral("cmdGetRouterInfo"), QStringLiteral("Get Router Info"),
                              QStringLiteral("Display router information"));
    cmdReboot = button(page, QStringLiteral("cmdReboot"), QStringLiteral("Reboot router"), QStringLiteral("Reboot the router"));
    cmdSendToTray = button(page, QStringLiteral("cmdSendToTray"), QStringLiteral("Send to Tray"),
                           QStringLiteral("Send logger to system tray"));
    cmdHistory = button(page, QStringLiteral("cmdHistory"), QStringLiteral("Line history"),
                        QStringLiteral("Show the stored readings as charts over time"));
    auto *buttons = new QHBoxLayout;
    for (XButton *b : {cmdToggle, cmdGetRouterInfo, cmdReboot, cmdSendToTray, cmdHistory})
        buttons->addWidget(b);
    buttons->addStretch(1);

    // Line figures: one row per measure, upstream and downstream side by side.
    const QPixmap up = LoadResPNG(QStringLiteral("PNG_UP"), pageColour(), page->devicePixelRatioF());
    const QPixmap down = LoadResPNG(QStringLiteral("PNG_DOWN"), pageColour(), page->devicePixelRatioF());
    auto *figures = new QGridLayout;
    figures->setHorizontalSpacing(6);
    figures->setVerticalSpacing(4);
    figures->addWidget(heading(page, QStringLiteral("Upstream")), 0, 1, 1, 2, Qt::AlignCenter);
    figures->addWidget(heading(page, QStringLiteral("Downstream")), 0, 3, 1, 2, Qt::AlignCenter);
    struct Row { const char *title; OrbLabel **up; const char *upName; OrbLabel **down; const char *downName; const QString &design; };
    const Row rows[] = {
        {"Current connection speed", &lblUpRate, "lblUpRate", &lblDownRate, "lblDownRate", kUnknownRate},
        {"Maximum connection speed", &lblMaxUpRate, "lblMaxUpRate", &lblMaxDownRate, "lblMaxDownRate", kUnknownRate},
        {"SNR Margin", &lblUpSNR, "lblUpSNR", &lblDownSNR, "lblDownSNR", kUnknownDb},
        {"Attenuation", &lblUpAtt, "lblUpAtt", &lblDownAtt, "lblDownAtt", kUnknownDb},
        {"Channel power", &lblUpPower, "lblUpPower", &lblDownPower, "lblDownPower", kUnknownDb},
    };
    for (int i = 0; i < 5; ++i) {
        const Row &r = rows[i];
        const int line = i + 1;
        figures->addWidget(heading(page, QLatin1String(r.title)), line, 0);
        imgArrowUp[i] = picture(page, arrayName("imgArrowUp", i), up);
        imgArrowDown[i] = picture(page, arrayName("imgArrowDown", i), down);
        *r.up = value(page, QLatin1String(r.upName), r.design, 11);
        *r.down = value(page, QLatin1String(r.downName), r.design, 11);
        figures->addWidget(imgArrowUp[i], line, 1);
        figures->addWidget(*r.up, line, 2);
        figures->addWidget(imgArrowDown[i], line, 3);
        figures->addWidget(*r.down, line, 4);
    }
    figures->setColumnStretch(2, 1);
    figures->setColumnStretch(4, 1);

    lblMode = label(page, QStringLiteral("lblMode"), QString());
    lblVendor = label(page, QStringLiteral("lblVendor"), QString());
    lblVendor->setWordWrap(true);
    lblLastBoot = label(page, QStringLiteral("lblLastBoot"), QStringLiteral("Last boot time"));
    auto *line = new QGridLayout;
    line->setVerticalSpacing(2);
    line->addWidget(heading(page, QStringLiteral("Mode")), 0, 0);
    line->addWidget(lblMode, 0, 1);
    line->addWidget(heading(page, QStringLiteral("ISP hardware information")), 1, 0);
    line->addWidget(lblVendor, 1, 1);
    line->addWidget(lblLastBoot, 2, 0, 1, 2);
    line->setColumnStretch(1, 1);

    auto *left = new QVBoxLayout;
    left->addLayout(figures);
    left->addSpacing(4);
    left->addLayout(line);

    // Router and ping state.
    shpRouter = shape(page, QStringLiteral("shpRouter"), RGB(192, 192, 192), 14);
    lblRouterStatus = label(page, QStringLiteral("lblRouterStatus"), QStringLiteral("Unknown"));
    imgServer = picture(page, QStringLiteral("imgServer"), LoadResPNG(QStringLiteral("PNG_SERVER"), pageColour(), page->devicePixelRatioF()));
    lblPing = label(page, QStringLiteral("lblPing"), QString());
    lblPing->hide();
    lblPingStats = label(page, QStringLiteral("lblPingStats"), QString(), QStringLiteral("Ping response time is displayed here"));
    imgPings = picture(page, QStringLiteral("imgPings"), LoadResPNG(QStringLiteral("PNG_PING"), pageColour(), page->devicePixelRatioF()),
                       QStringLiteral("This program can ping the specified IP address to see if the Internet connection is up"));
    lblPingTime = label(page, QStringLiteral("lblPingTime"), QStringLiteral("Time to next ping:"));
    lblCount = value(page, QStringLiteral("lblCount"), QStringLiteral("00:00:00"), 8);
    lblPingTime->hide();
    lblCount->hide();

    auto *router = new QHBoxLayout;
    router->addWidget(imgServer);
    router->addWidget(heading(page, QStringLiteral("Router status:")));
    router->addWidget(shpRouter);
    router->addWidget(lblRouterStatus);
    router->addStretch(1);
    router->addWidget(lblPing);

    QGroupBox *info = group(page, QStringLiteral("Information"));
    auto *infoLayout = new QGridLayout(info);
    infoLayout->addWidget(imgPings, 0, 0, 1, 2, Qt::AlignCenter);
    infoLayout->addWidget(lblPingTime, 1, 0);
    infoLayout->addWidget(lblCount, 1, 1);
    infoLayout->addWidget(lblPingStats, 2, 0, 1, 2);
    infoLayout->setColumnStretch(1, 1);

    auto *right = new QVBoxLayout;
    right->addLayout(router);
    right->addWidget(info);
    right->addStretch(1);

    auto *upper = new QHBoxLayout;
    upper->addLayout(left, 3);
    upper->addSpacing(12);
    upper->addLayout(right, 2);

    // The graph, with the version text and the log of readings beside it.
    mcBits = chart(page, QStringLiteral("mcBits"), QStringLiteral("Bits Allocation per Carrier / Channel"));
    cboGraphs = new QComboBox(page);
    cboGraphs->setObjectName(QStringLiteral("cboGraphs"));
    cboGraphs->setSizeAdjustPolicy(QComboBox::AdjustToContents);
    chkXAxis = check(page, QStringLiteral("chkXAxis"), QStringLiteral("X-Axis as Tone"), false);
    auto *graphBar = new QHBoxLayout;
    graphBar->addWidget(heading(page, QStringLiteral("Graph")));
    graphBar->addWidget(cboGraphs, 1);
    graphBar->addWidget(chkXAxis);
    auto *graph = new QVBoxLayout;
    graph->addLayout(graphBar);
    graph->addWidget(mcBits, 1);

    txtInfo = textBox(page, QStringLiteral("txtInfo"), false, true);
    chkShowLog = check(page, QStringLiteral("chkShowLog"), QStringLiteral("Show log"), false);
    txtOut = textBox(page, QStringLiteral("txtOut"), true, true);
    txtOut->hide();
    auto *texts = new QVBoxLayout;
    texts->addWidget(txtInfo, 1);
    texts->addWidget(chkShowLog);
    texts->addWidget(txtOut, 2);

    auto *lower = new QHBoxLayout;
    lower->addLayout(graph, 3);
    lower->addSpacing(8);
    lower->addLayout(texts, 2);

    auto *layout = new QVBoxLayout(page);
    layout->addLayout(buttons);
    layout->addLayout(upper);
    layout->addLayout(lower, 1);
}

void MainUi::setupSettings(QFrame *page)
{
    // Router details.
    QGroupBox *routerBox = group(page, QStringLiteral("Router details"));
    txtRouter = edit(routerBox, QStringLiteral("txtRouter"), QString(), 15);
    txtUser = edit(routerBox, QStringLiteral("txtUser"), QStringLiteral("root"), 15);
    txtPass = edit(routerBox, QStringLiteral("txtPass"), QStringLiteral("Gravo"), 15);
    txtPass->setEchoMode(QLineEdit::Password);
    txtPort = edit(routerBox, QStringLiteral("txtPort"), QString(), 5);
    auto *router = new QGridLayout(routerBox);
    router->addWidget(label(routerBox, {}, QStringLiteral("Router IP:")), 0, 0);
    router->addWidget(txtRouter, 0, 1);
    router->addWidget(label(routerBox, {}, QStringLiteral("Router username:")), 1, 0);
    router->addWidget(txtUser, 1, 1);
    router->addWidget(label(routerBox, {}, QStringLiteral("Router password:")), 2, 0);
    router->addWidget(txtPass, 2, 1);
    router->addWidget(label(routerBox, {}, QStringLiteral("Router port:")), 3, 0);
    router->addWidget(txtPort, 3, 1);
    router->setColumnStretch(2, 1);

    // Ping details.
    QGroupBox *pingBox = group(page, QStringLiteral("Ping details"));
    txtPing = edit(pingBox, QStringLiteral("txtPing"), QString::fromLatin1(DefaultPingAddress), 15);
    txtInterval = edit(pingBox, QStringLiteral("txtInterval"), QString(), 5);
    txtMaxFailedPings = edit(pingBox, QStringLiteral("txtMaxFailedPings"), QString(), 3);
    chkSettle = check(pingBox, QStringLiteral("chkSettle"), QStringLiteral("Look for the router to settle after a reboot"), false);
    txtSettle = edit(pingBox, QStringLiteral("txtSettle"), QString(), 5);
    auto *reboot = new QHBoxLayout;
    reboot->setSpacing(6);
    reboot->addWidget(label(pingBox, {}, QStringLiteral("Reboot the router after")));
    reboot->addWidget(txtMaxFailedPings);
    reboot->addWidget(label(pingBox, {}, QStringLiteral("failed pings.")));
    reboot->addStretch(1);
    auto *ping = new QGridLayout(pingBox);
    ping->addWidget(label(pingBox, {}, QStringLiteral("Ping IP:")), 0, 0);
    ping->addWidget(txtPing, 0, 1);
    ping->addWidget(label(pingBox, {}, QStringLiteral("Interval in seconds:")), 1, 0);
    ping->addWidget(txtInterval, 1, 1);
    ping->addLayout(reboot, 2, 0, 1, 3);
    ping->addWidget(chkSettle, 3, 0, 1, 3);
    ping->addWidget(label(pingBox, {}, QStringLiteral("Settle time / seconds:")), 4, 0);
    ping->addWidget(txtSettle, 4, 1);
    ping->setColumnStretch(2, 1);

    // Logging details.
    QGroupBox *logBox = group(page, QStringLiteral("Logging details"));
    chkStats = check(logBox, QStringLiteral("chkStats"), QStringLiteral("Get stats at regular intervals"), true);
    txtStats = edit(logBox, QStringLiteral("txtStats"), QString(), 5);
    chkSaveStats = check(logBox, QStringLiteral("chkSaveStats"), QStringLiteral("Save stats to text file"), true,
                         QStringLiteral("Save the stats to a text file called stats.txt"));
    chkSaveStatsCSV = check(logBox, QStringLiteral("chkSaveStatsCSV"), QStringLiteral("Save stats to CSV file"), true,
                            QStringLiteral("Save the stats to a CSV file called stats.csv"));
    chkSendToTray = check(logBox, QStringLiteral("chkSendToTray"), QStringLiteral("Send to tray instead of closing"), false,
                          QStringLiteral("When selected, the QN will be sent to the system tray when the user closes the main window"));
    chkAutoTray = check(logBox, QStringLiteral("chkAutoTray"), QStringLiteral("Send to the system tray on load"), false);
    chkAutoMonitor = check(logBox, QStringLiteral("chkAutoMonitor"), QStringLiteral("Start monitoring automatically on load"), false);
    auto *log = new QGridLayout(logBox);
    log->addWidget(chkStats, 0, 0, 1, 3);
    log->addWidget(label(logBox, {}, QStringLiteral("Interval / minutes:")), 1, 0);
    log->addWidget(txtStats, 1, 1);
    log->addWidget(chkSaveStats, 2, 0, 1, 3);
    log->addWidget(chkSaveStatsCSV, 3, 0, 1, 3);
    log->addWidget(chkSendToTray, 4, 0, 1, 3);
    log->addWidget(chkAutoTray, 5, 0, 1, 3);
    log->addWidget(chkAutoMonitor, 6, 0, 1, 3);
    log->setColumnStretch(2, 1);

    // Graphing options.
    QGroupBox *graphBox = group(page, QStringLiteral("Graphing options"));
    txtGraphLimit = edit(graphBox, QStringLiteral("txtGraphLimit"), QString(), 5);
    txtDSStart = edit(graphBox, QStringLiteral("txtDSStart"), QString(), 5);
    auto *graph = new QGridLayout(graphBox);
    auto *limit = new QHBoxLayout;
    limit->setSpacing(6);
    limit->addWidget(label(graphBox, {}, QStringLiteral("Limit bit allocation and RxSNR graph to first")));
    limit->addWidget(txtGraphLimit);
    limit->addWidget(label(graphBox, {}, QStringLiteral("values")));
    limit->addStretch(1);
    graph->addLayout(limit, 0, 0, 1, 2);
    graph->addWidget(label(graphBox, {}, QStringLiteral("Start DS bit allocation at")), 1, 0);
    graph->addWidget(txtDSStart, 1, 1, Qt::AlignLeft);
    graph->setColumnStretch(1, 1);

    // Capture options.
    QGroupBox *captureBox = group(page, QStringLiteral("Capture options"));
    hscrQuality = new QScrollBar(Qt::Horizontal, captureBox);
    hscrQuality->setObjectName(QStringLiteral("hscrQuality"));
    hscrQuality->setPageStep(10);
    lblQuality = label(captureBox, QStringLiteral("lblQuality"), QStringLiteral("75"));
    lblQuality->setMinimumWidth(lblQuality->fontMetrics().horizontalAdvance(QStringLiteral("100")) + 4);
    auto *capture = new QGridLayout(captureBox);
    capture->addWidget(label(captureBox, {}, QStringLiteral("Image quality (100 is best, 0 is worst):")), 0, 0, 1, 2);
    capture->addWidget(hscrQuality, 1, 0);
    capture->addWidget(lblQuality, 1, 1);
    capture->setColumnStretch(0, 1);

    // Tweak options.
    QGroupBox *tweakBox = group(page, QStringLiteral("Tweak options"));
    chkMarginRetrain = check(tweakBox, QStringLiteral("chkMarginRetrain"), QStringLiteral("Retrain Margin"), false);
    hscrThreshold = new QScrollBar(Qt::Horizontal, tweakBox);
    hscrThreshold->setObjectName(QStringLiteral("hscrThreshold"));
    hscrThreshold->setRange(1, 20);
    hscrThreshold->setPageStep(10);
    hscrThreshold->setValue(10);
    lblThreshold = label(tweakBox, QStringLiteral("lblThreshold"), QStringLiteral("5.0 dB"));
    lblThreshold->setMinimumWidth(lblThreshold->fontMetrics().horizontalAdvance(QStringLiteral("10.0 dB")) + 4);
    lblCurrentThreshold = label(tweakBox, QStringLiteral("lblCurrentThreshold"), QString());
    lblCurrentThreshold->setWordWrap(true);
    chkUseLongCommands = check(tweakBox, QStringLiteral("chkUseLongCommands"), QStringLiteral("Compatibility mode"), false,
                               QStringLiteral("The compatibility mode may be required for some routers"));
    cmdUpdateRouter = button(tweakBox, QStringLiteral("cmdUpdateRouter"), QStringLiteral("Save tweak"),
                             QStringLiteral("Save the tweak settings to the router"));
    auto *tweak = new QGridLayout(tweakBox);
    tweak->addWidget(chkMarginRetrain, 0, 0, 1, 2);
    tweak->addWidget(hscrThreshold, 1, 0);
    tweak->addWidget(lblThreshold, 1, 1);
    tweak->addWidget(lblCurrentThreshold, 2, 0, 1, 2);
    tweak->addWidget(chkUseLongCommands, 3, 0, 1, 2);
    tweak->addWidget(cmdUpdateRouter, 4, 0, 1, 2, Qt::AlignRight);
    tweak->setColumnStretch(0, 1);

    // Two columns of groups, each group as tall as its contents.
    for (QGridLayout *g : {router, ping, log, graph, capture, tweak}) {
        g->setVerticalSpacing(4);
        g->setRowStretch(g->rowCount(), 1);
    }
    auto *first = new QVBoxLayout;
    first->addWidget(routerBox);
    first->addWidget(pingBox);
    first->addWidget(graphBox);
    first->addStretch(1);
    auto *second = new QVBoxLayout;
    second->addWidget(logBox);
    second->addWidget(captureBox);
    second->addWidget(tweakBox);
    second->addStretch(1);
    auto *layout = new QHBoxLayout(page);
    layout->setSpacing(12);
    layout->addLayout(first, 1);
    layout->addLayout(second, 1);
}

} // namespace quillon
