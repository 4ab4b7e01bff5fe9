#include "base/misc.h"
#include "app/ui/mainui.h"
#include "app/ui/mainuiparts.h"
#include "controls/ui/orblabel.h"
#include "controls/ui/orbtab.h"
#include "controls/ui/xbutton.h"

#include <QCheckBox>
#include <QComboBox>
#include <QFrame>
#include <QGridLayout>
#include <QHBoxLayout>
#include <QLabel>
#include <QLineEdit>
#include <QListWidget>
#include <QPlainTextEdit>
#include <QVBoxLayout>

namespace quillon {

using namespace mainui;

namespace {

const char *const kSlotLabels[] = {"WAN", "LAN", "WLAN", "USB"};
const char *const kSlotInterfaces[] = {"ppp0", "eth0", "wlan0", "usb0"};
constexpr quint32 kReceivedColours[] = {RGB(128, 128, 255), RGB(0, 192, 192), RGB(0, 0, 255), RGB(64, 255, 64)};
constexpr quint32 kSentColours[] = {RGB(230, 110, 30), RGB(255, 64, 64), RGB(255, 200, 67), RGB(255, 128, 255)};
const char *const kRecordViews[] = {"Current session", "Since router boot", "Last Hour", "Today",
                                    "This Week", "This Month", "Rates", "Max Rates"};
const char *const kFeatureLists[] = {"DSL Feature Control 0", "DSL Feature Control 1", "DSL Physical Control 0"};

} // namespace

void MainUi::setupAdvanced(QFrame *page)
{
    nTabAdv = new OrbTab(page);
    nTabAdv->setObjectName(QStringLiteral("nTabAdv"));
    nTabAdv->setTabStrip(QStringLiteral("DSLFC0,DSLFC1,DSLPC0"));
    nTabAdv->setDrawFrame(true);
    nTabAdv->setBridge(true);
    nTabAdv->setBorder(RGB(203, 213, 225));
    nTabAdv->setBorderSelected(RGB(37, 99, 235));
    nTabAdv->setTabColour(RGB(241, 245, 249));
    nTabAdv->setTabColourSelected(RGB(255, 255, 255));
    nTabAdv->setBackColour(RGB(255, 255, 255));
    nTabAdv->setToolTip(QLatin1String(kFeatureLists[0]));
    auto *lists = new QGridLayout(nTabAdv);
    for (int i = 0; i < int(lstDSLFeat.size()); ++i) {
        auto *list = new QListWidget(nTabAdv);
        list->setObjectName(arrayName("lstDSLFeat", i));
        list->setProperty("tag", QLatin1String(kFeatureLists[i]));
        list->setSelectionMode(QAbstractItemView::MultiSelection);
        list->setFrameShape(QFrame::NoFrame);
        list->setVisible(i == 0);
        lists->addWidget(list, 0, 0);
        lstDSLFeat[i] = list;
    }

    lblDSLFeat = label(page, QStringLiteral("lblDSLFeat"), QStringLiteral("Full description for the selected setting:"));
    txtLongDes = textBox(page, QStringLiteral("txtLongDes"), false, true);
    auto *description = new QVBoxLayout;
    description->addWidget(lblDSLFeat);
    description->addWidget(txtLongDes, 1);

    auto *upper = new QHBoxLayout;
    upper->addWidget(nTabAdv, 3);
    upper->addLayout(description, 2);

    txtDSP = edit(page, QStringLiteral("txtDSP"), QString(), 8, QStringLiteral("Only the first decimal point is used (e.g. X.X)"));
    chkLimitDSP = check(page, QStringLiteral("chkLimitDSP"), QStringLiteral("Limit by DSP"), false,
                        QStringLiteral("Limit the advanced settings to the DSP version"));
    cmdSaveDSLFeat = button(page, QStringLiteral("cmdSaveDSLFeat"), QStringLiteral("Save changes"),
                            QStringLiteral("Save the DSL Feature Control settings to the router"));
    auto *lower = new QHBoxLayout;
    lower->addWidget(label(page, {}, QStringLiteral("DSP version:")));
    lower->addWidget(txtDSP);
    lower->addWidget(chkLimitDSP);
    lower->addStretch(1);
    lower->addWidget(cmdSaveDSLFeat);

    auto *layout = new QVBoxLayout(page);
    layout->addLayout(upper, 1);
    layout->addLayout(lower);
}

void MainUi::setupBandwidth(QFrame *page)
{
    cmdGetBandwidth = button(page, QStringLiteral("cmdGetBandwidth"), QStringLiteral("Get Raw Stats"),
                             QStringLiteral("Get up/down bandwidth data"));
    cmdLogBW = button(page, QStringLiteral("cmdLogBW"), QStringLiteral("Start Logging"), QStringLiteral("Toggle bandwidth monitoring"));
    cmdClearBW = button(page, QStringLiteral("cmdClearBW"), QStringLiteral("Clear data"), QStringLiteral("Clear bandwidth data"));
    cmdListMonthly = button(page, QStringLiteral("cmdListMonthly"), QStringLiteral("Monthly totals"),
                            QStringLiteral("List monthly bandwidth totals"));
    cmdMiniStats = button(page, QStringLiteral("cmdMiniStats"), QStringLiteral("Mini Stats"), QStringLiteral("Show mini stats window"));
    auto *buttons = new QHBoxLayout;
    for (XButton *b : {cmdGetBandwidth, cmdLogBW, cmdClearBW, cmdListMonthly, cmdMiniStats})
        buttons->addWidget(b);
    buttons->addStretch(1);

    // One row per interface slot: its name, the counters and the graph ticks.
    auto *slotGrid = new QGridLayout;
    slotGrid->setHorizontalSpacing(6);
    slotGrid->setVerticalSpacing(4);
    slotGrid->addWidget(heading(page, QStringLiteral("Key:")), 0, 0, 1, 2);
    slotGrid->addWidget(heading(page, QStringLiteral("Received")), 0, 2, 1, 3);
    slotGrid->addWidget(heading(page, QStringLiteral("Sent")), 0, 5, 1, 3);
    const int box = page->fontMetrics().height() - 2;
    for (int i = 0; i < 4; ++i) {
        const int row = i + 1;
        lblID[i] = label(page, arrayName("lblID", i), QLatin1String(kSlotLabels[i]));
        txtID[i] = edit(page, arrayName("txtID", i), QLatin1String(kSlotInterfaces[i]), 6, QLatin1String(kSlotLabels[i]));
        shpRec[i] = shape(page, arrayName("shpRec", i), kReceivedColours[i], box);
        shpTrans[i] = shape(page, arrayName("shpTrans", i), kSentColours[i], box);
        lblRec[i] = value(page, arrayName("lblRec", i), QStringLiteral("0 bytes"), 10);
        lblTrans[i] = value(page, arrayName("lblTrans", i), QStringLiteral("0 bytes"), 10);
        chkGraphRx[i] = check(page, arrayName("chkGraphRx", i), QString(), false);
        chkGraphTx[i] = check(page, arrayName("chkGraphTx", i), QString(), false);
        chkGraphRx[i]->setAccessibleName(QLatin1String(kSlotLabels[i]) + QStringLiteral(" received on the graph"));
        chkGraphTx[i]->setAccessibleName(QLatin1String(kSlotLabels[i]) + QStringLiteral(" sent on the graph"));
        slotGrid->addWidget(lblID[i], row, 0);
        slotGrid->addWidget(txtID[i], row, 1);
        slotGrid->addWidget(shpRec[i], row, 2);
        slotGrid->addWidget(lblRec[i], row, 3);
        slotGrid->addWidget(chkGraphRx[i], row, 4);
        slotGrid->addWidget(shpTrans[i], row, 5);
        slotGrid->addWidget(lblTrans[i], row, 6);
        slotGrid->addWidget(chkGraphTx[i], row, 7);
    }
    slotGrid->setColumnStretch(3, 1);
    slotGrid->setColumnStretch(6, 1);

    cboRouterID = new QComboBox(page);
    cboRouterID->setObjectName(QStringLiteral("cboRouterID"));
    cboRouterID->setMinimumContentsLength(10);
    txtBWInt = edit(page, QStringLiteral("txtBWInt"), QString(), 5, QStringLiteral("Monitor interval"));
    lblTimer = value(page, QStringLiteral("lblTimer"), QStringLiteral("00:00:00"), 8);
    lblUptime = label(page, QStringLiteral("lblUptime"), QStringLiteral("Uptime"));
    cboRecords = new QComboBox(page);
    cboRecords->setObjectName(QStringLiteral("cboRecords"));
    for (const char *view : kRecordViews)
        cboRecords->addItem(QLatin1String(view));
    cboRecords->setCurrentIndex(0);
    chkBWTotals = check(page, QStringLiteral("chkBWTotals"), QStringLiteral("Show current totals"), false,
                        QStringLiteral("Display bandwith totals"));
    chkLogBW = check(page, QStringLiteral("chkLogBW"), QStringLiteral("Save bandwidth log"), true,
                     QStringLiteral("If ticked, the bandwidth data is saved to a log file"));
    chkDispText = check(page, QStringLiteral("chkDispText"), QStringLiteral("Show text box"), false, QStringLiteral("Display text box"));

    auto *settings = new QGridLayout;
    settings->setVerticalSpacing(4);
    settings->addWidget(label(page, {}, QStringLiteral("Set IDs for:")), 0, 0);
    settings->addWidget(cboRouterID, 0, 1);
    settings->addWidget(label(page, {}, QStringLiteral("Log interval (s):")), 1, 0);
    settings->addWidget(txtBWInt, 1, 1, Qt::AlignLeft);
    settings->addWidget(label(page, {}, QStringLiteral("Next read:")), 2, 0);
    settings->addWidget(lblTimer, 2, 1);
    settings->addWidget(lblUptime, 3, 0, 1, 2);
    settings->addWidget(cboRecords, 4, 0, 1, 2);
    auto *ticks = new QHBoxLayout;
    ticks->addWidget(chkBWTotals);
    ticks->addWidget(chkLogBW);
    ticks->addWidget(chkDispText);
    ticks->addStretch(1);

    auto *upper = new QHBoxLayout;
    upper->addLayout(slotGrid, 3);
    upper->addSpacing(12);
    upper->addLayout(settings, 2);

    mcBandwidth = chart(page, QStringLiteral("mcBandwidth"), QStringLiteral("Bandwidth"));
    txtUpDown = textBox(page, QStringLiteral("txtUpDown"), true, true);
    txtUpDown->hide();

    auto *layout = new QVBoxLayout(page);
    layout->addLayout(buttons);
    layout->addLayout(upper);
    layout->addLayout(ticks);
    layout->addWidget(mcBandwidth, 2);
    layout->addWidget(txtUpDown, 1);
}

} // namespace quillon
