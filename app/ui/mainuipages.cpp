#include "app/ui/mainui.h"
#include "app/ui/mainuiparts.h"
#include "controls/ui/orblabel.h"
#include "controls/ui/xbutton.h"
#include "exchange/core/exchangemodel.h"

#include <QCheckBox>
#include <QFrame>
#include <QGridLayout>
#include <QGroupBox>
#include <QHBoxLayout>
#include <QLabel>
#include <QLineEdit>
#include <QPlainTextEdit>
#include <QVBoxLayout>

namespace quillon {

using namespace mainui;

namespace {

const QString kExchangeInfo = QStringLiteral(
    "The above values are only a rough guide - your mileage may vary. The exact values are dependant on many "
    "factors which are not taken in to account by these calculations. A high value for the attenuation due to "
    "internal wiring may suggest that you should see if wiring within your abode can be improved.");

} // namespace

void MainUi::setupReport(QFrame *page)
{
    txtReport = textBox(page, QStringLiteral("txtReport"), true, false);
    cmdCopyReport = button(page, QStringLiteral("cmdCopyReport"), QStringLiteral("Copy report to clipboard"),
                           QStringLiteral("Copy the report to the clipboard"));
    cmdSaveReport = button(page, QStringLiteral("cmdSaveReport"), QStringLiteral("Save report to file"),
                           QStringLiteral("Save the report to file"));
    cmdShowGraphs = button(page, QStringLiteral("cmdShowGraphs"), QStringLiteral("Show graphs"), QStringLiteral("Show more graphs"));

    QGroupBox *logBox = group(page, QStringLiteral("System log"));
    cmdGetLog = button(logBox, QStringLiteral("cmdGetLog"), QStringLiteral("Get System Log"), QStringLiteral("Get the system log"));
    chkRegularLog = check(logBox, QStringLiteral("chkRegularLog"), QStringLiteral("Get log periodically"), false);
    txtLogInt = edit(logBox, QStringLiteral("txtLogInt"), QString(), 4, QStringLiteral("Log interval in minutes"));
    lblTime = value(logBox, QStringLiteral("lblTime"), QStringLiteral("00:00:00"), 8);
    chkSaveLog = check(logBox, QStringLiteral("chkSaveLog"), QStringLiteral("Save log"), false, QStringLiteral("Save the log when fetched"));
    chkClearLog = check(logBox, QStringLiteral("chkClearLog"), QStringLiteral("Clear log"), false,
                        QStringLiteral("Clear the router's log after reading it"));
    auto *log = new QGridLayout(logBox);
    log->addWidget(cmdGetLog, 0, 0, 1, 3);
    log->addWidget(chkRegularLog, 1, 0, 1, 3);
    log->addWidget(label(logBox, {}, QStringLiteral("Interval")), 2, 0);
    log->addWidget(txtLogInt, 2, 1);
    log->addWidget(lblTime, 2, 2);
    log->addWidget(chkSaveLog, 3, 0, 1, 3);
    log->addWidget(chkClearLog, 4, 0, 1, 3);
    log->setColumnStretch(2, 1);

    auto *side = new QVBoxLayout;
    side->addWidget(cmdCopyReport);
    side->addWidget(cmdSaveReport);
    side->addWidget(cmdShowGraphs);
    side->addSpacing(8);
    side->addWidget(logBox);
    side->addStretch(1);

    auto *layout = new QHBoxLayout(page);
    layout->addWidget(txtReport, 1);
    layout->addLayout(side);
}

void MainUi::setupPingTest(QFrame *page)
{
    // The heading was designed as "Extended ping test && trace route", whose
    // doubled ampersand shows as one.
    QLabel *title = heading(page, QStringLiteral("Extended ping test & trace route"));
    QFont big = title->font();
    big.setPointSizeF(big.pointSizeF() * 1.2);
    title->setFont(big);

    QGroupBox *optionsBox = group(page, QStringLiteral("Options"));
    txtIPToPing = edit(optionsBox, QStringLiteral("txtIPToPing"), QString(), 15);
    txtPingCount = edit(optionsBox, QStringLiteral("txtPingCount"), QString(), 5);
    txtTimeout = edit(optionsBox, QStringLiteral("txtTimeout"), QString(), 5);
    txtPackSz = edit(optionsBox, QStringLiteral("txtPackSz"), QString(), 5);
    txtDNS = edit(optionsBox, QStringLiteral("txtDNS"), QString(), 15);
    chkResolve = check(optionsBox, QStringLiteral("chkResolve"), QStringLiteral("Resolve IPs for route"), false);
    chkStandardDNS = check(optionsBox, QStringLiteral("chkStandardDNS"), QStringLiteral("Use standard DNS"), false);
    chkUseRouter = check(optionsBox, QStringLiteral("chkUseRouter"), QStringLiteral("Use router as DNS to resolve router IP"), true);
    auto *options = new QGridLayout(optionsBox);
    const struct { const char *caption; QLineEdit *box; } rows[] = {
        {"Target address:", txtIPToPing}, {"Number of pings:", txtPingCount}, {"Timeout / ms:", txtTimeout},
        {"Packet size / bytes:", txtPackSz}, {"DNS server:", txtDNS},
    };
    int row = 0;
    for (const auto &r : rows) {
        options->addWidget(label(optionsBox, {}, QLatin1String(r.caption)), row, 0);
        options->addWidget(r.box, row++, 1, Qt::AlignLeft);
    }
    options->addWidget(chkResolve, row++, 0, 1, 2);
    options->addWidget(chkStandardDNS, row++, 0, 1, 2);
    options->addWidget(chkUseRouter, row++, 0, 1, 2);
    options->setColumnStretch(1, 1);

    cmdPingTest = button(page, QStringLiteral("cmdPingTest"), QStringLiteral("Start ping test"));
    cmdTracert = button(page, QStringLiteral("cmdTracert"), QStringLiteral("Trace Route"), QStringLiteral("Trace the route to the target address"));
    cmdAbort = button(page, QStringLiteral("cmdAbort"), QStringLiteral("Abort"));
    cmdAbort->hide();
    auto *actions = new QHBoxLayout;
    actions->addWidget(cmdPingTest);
    actions->addWidget(cmdTracert);
    actions->addWidget(cmdAbort);
    actions->addStretch(1);

    auto *side = new QVBoxLayout;
    side->addWidget(optionsBox);
    side->addLayout(actions);
    side->addStretch(1);

    txtPingResults = textBox(page, QStringLiteral("txtPingResults"), true, true);

    auto *body = new QHBoxLayout;
    body->addLayout(side);
    body->addWidget(txtPingResults, 1);

    auto *layout = new QVBoxLayout(page);
    layout->addWidget(title);
    layout->addLayout(body, 1);
}

void MainUi::setupExchange(QFrame *page)
{
    mcSpeeds = chart(page, QStringLiteral("mcSpeeds"), QStringLiteral("Estimated Speed vs Distance"));
    txtData = textBox(page, QStringLiteral("txtData"), true, true);
    txtData->setPlainText(SpeedTableText());
    txtData->hide(); // the model's table, not for reading

    txtActualDistance = edit(page, QStringLiteral("txtActualDistance"), QString(), 6);
    cmdGetDist = button(page, QStringLiteral("cmdGetDist"), QStringLiteral("Get distance via Internet (UK only)"),
                        QStringLiteral("Calculates the distance using various websites"));
    cmdCalcBest = button(page, QStringLiteral("cmdCalcBest"), QStringLiteral("Calculate best results"),
                         QStringLiteral("Calculates the best results given the actual distance"));
    auto *distance = new QHBoxLayout;
    distance->addWidget(label(page, {}, QStringLiteral("Actual distance / km")));
    distance->addWidget(txtActualDistance);
    distance->addStretch(1);
    distance->addWidget(cmdGetDist);
    distance->addWidget(cmdCalcBest);


    lblExchange = value(page, QStringLiteral("lblExchange"), QString(), 12);
    lblDSAttn = value(page, QStringLiteral("lblDSAttn"), QString(), 12);
    lblLoss = value(page, QStringLiteral("lblLoss"), QString(), 12);
    lblDistance = value(page, QStringLiteral("lblDistance"), QString(), 12);
    lblExcRate = value(page, QStringLiteral("lblExcRate"), QString(), 12);
    lblADSLType = value(page, QStringLiteral("lblADSLType"), QStringLiteral("ADSL / ADSL2"), 12);
    lblProfile = value(page, QStringLiteral("lblProfile"), QString(), 12);
    lblBestRate = value(page, QStringLiteral("lblBestRate"), QString(), 12);
    lblBestProfile = value(page, QStringLiteral("lblBestProfile"), QString(), 12);
    lblInternalAttn = value(page, QStringLiteral("lblInternalAttn"), QString(), 12);
    lblProfileTitle[0] = label(page, arrayName("lblProfileTitle", 0), QStringLiteral("IP Profile"));
    lblProfileTitle[1] = label(page, arrayName("lblProfileTitle", 1), QStringLiteral("Best IP Profile"));

    auto *values = new QGridLayout;
    values->setVerticalSpacing(4);
    const struct { QLabel *title; const char *caption; OrbLabel *box; } rows[] = {
        {nullptr, "Exchange", lblExchange},
        {nullptr, "DS Attenuation", lblDSAttn},
        {nullptr, "Cable Loss (dB/km)", lblLoss},
        {nullptr, "Est. distance from exchange", lblDistance},
        {nullptr, "Estimated max. attainable rate", lblExcRate},
        {nullptr, "Type", lblADSLType},
        {lblProfileTitle[0], nullptr, lblProfile},
        {nullptr, "Best max. attainable rate", lblBestRate},
        {lblProfileTitle[1], nullptr, lblBestProfile},
        {nullptr, "Attenuation due to internal wiring", lblInternalAttn},
    };
    int row = 0;
    for (const auto &r : rows) {
        values->addWidget(r.title ? r.title : label(page, {}, QLatin1String(r.caption)), row, 0);
        values->addWidget(r.box, row++, 1);
    }

    auto *upper = new QHBoxLayout;
    upper->addWidget(mcSpeeds, 1);
    upper->addSpacing(10);
    upper->addLayout(values);

    QLabel *credits = label(page, QStringLiteral("lblCredits"),
                            QStringLiteral("Graph data: published rate-versus-distance tables. Exchange location and "
                                           "distance: public postcode and route look-up services."));
    credits->setWordWrap(true);
    QPalette muted = credits->palette();
    muted.setColor(QPalette::WindowText, QColor(0x64, 0x74, 0x8B));
    credits->setPalette(muted);
    lblInfo = label(page, QStringLiteral("lblInfo"), kExchangeInfo);
    lblInfo->setWordWrap(true);

    auto *layout = new QVBoxLayout(page);
    layout->addLayout(upper, 1);
    layout->addLayout(distance);
    layout->addWidget(lblInfo);
    layout->addWidget(credits);
}

} // namespace quillon
