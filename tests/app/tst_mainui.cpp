#include "base/misc.h"
#include "base/settingstable.h"
#include "app/ui/mainui.h"
#include "controls/ui/orblabel.h"
#include "controls/ui/orbtab.h"
#include "controls/ui/xbutton.h"
#include "tests/support/testsupport.h"

#include <QAction>
#include <QCheckBox>
#include <QComboBox>
#include <QGroupBox>
#include <QLabel>
#include <QLineEdit>
#include <QListWidget>
#include <QMenu>
#include <QPlainTextEdit>
#include <QScrollBar>
#include <QTimer>
#include <QtTest>

using namespace quillon;

namespace {

// What a control shows as its text, whatever its kind.
QString textOf(const QObject *o)
{
    if (auto *b = qobject_cast<const XButton *>(o))
        return b->Caption();
    if (auto *l = qobject_cast<const OrbLabel *>(o))
        return l->Caption();
    if (auto *l = qobject_cast<const QLabel *>(o))
        return l->text();
    if (auto *c = qobject_cast<const QCheckBox *>(o))
        return c->text();
    if (auto *e = qobject_cast<const QLineEdit *>(o))
        return e->text();
    if (auto *t = qobject_cast<const QPlainTextEdit *>(o))
        return t->toPlainText();
    if (auto *c = qobject_cast<const QComboBox *>(o))
        return c->currentText();
    if (auto *g = qobject_cast<const QGroupBox *>(o))
        return g->title();
    if (auto *a = qobject_cast<const QAction *>(o))
        return a->text();
    if (auto *m = qobject_cast<const QMenu *>(o))
        return m->title();
    if (auto *t = qobject_cast<const OrbTab *>(o))
        return t->TabStrip();
    return {};
}

// The page (0..6) a widget stands on, or -1 outside the pages.
int pageOf(const QWidget *w, const MainUi &ui)
{
    for (; w; w = w->parentWidget()) {
        for (int i = 0; i < int(ui.fraTabs.size()); ++i) {
            if (w == ui.fraTabs[i])
                return i;
        }
    }
    return -1;
}

const QString kAny = QStringLiteral("\x01any");

struct Expect
{
    const char *name;
    const char *kind;
    int page;
    QString text;
    QString tip;
    int checked; // -1: not a check box
};

Expect E(const char *name, const char *kind, int page, const char *text = nullptr, const char *tip = nullptr, int checked = -1)
{
    return {name, kind, page, text ? QString::fromUtf8(text) : kAny, tip ? QString::fromUtf8(tip) : kAny, checked};
}

QList<Expect> inventory()
{
    const char *unknownDb = "??? dB";
    const char *unknownRate = "???? kbit/s";
    QList<Expect> rows = {
        // Outside the pages.
        E("OrbTab1", "quillon::OrbTab", -1, "Stats,Settings,Report,Ping Test,Exchange,Advanced,Bandwidth"),
        E("lblStatus", "QLabel", -1),
        E("cmdCapture", "quillon::XButton", -1, "Capture screen", "Capture the Quillon screen as an image file"),
        E("picCaptureBuffer", "QLabel", -1),
        E("picPNGBuffer", "QLabel", -1),
        E("imgLogo", "QLabel", -1),
        E("lblCredit", "QLabel", -1),
        E("imgNormal", "QLabel", -1),
        E("imgUP", "QLabel", -1),
        E("imgDOWN", "QLabel", -1),
        // Stats.
        E("cmdToggle", "quillon::XButton", 0, "Start Monitoring", "Toggle connection monitoring"),
        E("cmdGetRouterInfo", "quillon::XButton", 0, "Get Router Info", "Display router information"),
        E("cmdReboot", "quillon::XButton", 0, "Reboot router", "Reboot the router"),
        E("cmdSendToTray", "quillon::XButton", 0, "Send to Tray", "Send logger to system tray"),
        E("mcBits", "QWidget", 0),
        E("cboGraphs", "QComboBox", 0),
        E("chkXAxis", "QCheckBox", 0, "X-Axis as Tone", nullptr, 0),
        E("txtInfo", "QPlainTextEdit", 0, ""),
        E("chkShowLog", "QCheckBox", 0, "Show log", nullptr, 0),
        E("txtOut", "QPlainTextEdit", 0, ""),
        E("lblLastBoot", "QLabel", 0, "Last boot time"),
        E("lblPingStats", "QLabel", 0, nullptr, "Ping response time is displayed here"),
        E("imgPings", "QLabel", 0, nullptr, "This program can ping the specified IP address to see if the Internet connection is up"),
        E("lblPing", "QLabel", 0),
        E("lblRouterStatus", "QLabel", 0, "Unknown"),
        E("shpRouter", "QFrame", 0),
        E("lblMode", "QLabel", 0),
        E("lblVendor", "QLabel", 0),
        E("lblUpPower", "quillon::OrbLabel", 0, unknownDb),
        E("lblDownPower", "quillon::OrbLabel", 0, unknownDb),
        E("lblUpAtt", "quillon::OrbLabel", 0, unknownDb),
        E("lblDownAtt", "quillon::OrbLabel", 0, unknownDb),
        E("lblUpSNR", "quillon::OrbLabel", 0, unknownDb),
        E("lblDownSNR", "quillon::OrbLabel", 0, unknownDb),
        E("lblMaxUpRate", "quillon::OrbLabel", 0, unknownRate),
        E("lblMaxDownRate", "quillon::OrbLabel", 0, unknownRate),
        E("lblUpRate", "quillon::OrbLabel", 0, unknownRate),
        E("lblDownRate", "quillon::OrbLabel", 0, unknownRate),
        E("lblPingTime", "QLabel", 0, "Time to next ping:"),
        E("lblCount", "quillon::OrbLabel", 0, "00:00:00"),
        // Settings.
        E("txtRouter", "QLineEdit", 1, ""),
        E("txtUser", "QLineEdit", 1, "root"),
        E("txtPass", "QLineEdit", 1, "Gravo"),
        E("txtPort", "QLineEdit", 1, "23"),
        E("txtPing", "QLineEdit", 1, DefaultPingAddress),
        E("txtInterval", "QLineEdit", 1, "300"),
        E("txtMaxFailedPings", "QLineEdit", 1, "5"),
        E("chkSettle", "QCheckBox", 1, "Look for the router to settle after a reboot", nullptr, 0),
        E("txtSettle", "QLineEdit", 1, "10"),
        E("chkStats", "QCheckBox", 1, "Get stats at regular intervals", nullptr, 1),
        E("txtStats", "QLineEdit", 1, "1"),
        E("chkSaveStats", "QCheckBox", 1, "Save stats to text file", "Save the stats to a text file called stats.txt", 1),
        E("chkSaveStatsCSV", "QCheckBox", 1, "Save stats to CSV file", "Save the stats to a CSV file called stats.csv", 1),
        E("chkSendToTray", "QCheckBox", 1, "Send to tray instead of closing",
          "When selected, the QN will be sent to the system tray when the user closes the main window", 0),
        E("chkAutoTray", "QCheckBox", 1, "Send to the system tray on load", nullptr, 0),
        E("chkAutoMonitor", "QCheckBox", 1, "Start monitoring automatically on load", nullptr, 0),
        E("txtGraphLimit", "QLineEdit", 1, "256"),
        E("hscrQuality", "QScrollBar", 1),
        E("lblQuality", "QLabel", 1, "75"),
        E("txtDSStart", "QLineEdit", 1, "32"),
        E("chkMarginRetrain", "QCheckBox", 1, "Retrain Margin", nullptr, 0),
        E("hscrThreshold", "QScrollBar", 1),
        E("lblThreshold", "QLabel", 1, "5.0 dB"),
        E("lblCurrentThreshold", "QLabel", 1),
        E("chkUseLongCommands", "QCheckBox", 1, "Compatibility mode", "The compatibility mode may be required for some routers", 0),
        E("cmdUpdateRouter", "quillon::XButton", 1, "Save tweak", "Save the tweak settings to the router"),
        // Report.
        E("txtReport", "QPlainTextEdit", 2, ""),
        E("cmdCopyReport", "quillon::XButton", 2, "Copy report to clipboard", "Copy the report to the clipboard"),
        E("cmdSaveReport", "quillon::XButton", 2, "Save report to file", "Save the report to file"),
        E("cmdShowGraphs", "quillon::XButton", 2, "Show graphs", "Show more graphs"),
        E("cmdGetLog", "quillon::XButton", 2, "Get System Log", "Get the system log"),
        E("chkRegularLog", "QCheckBox", 2, "Get log periodically", nullptr, 0),
        E("txtLogInt", "QLineEdit", 2, "1", "Log interval in minutes"),
        E("lblTime", "quillon::OrbLabel", 2, "00:00:00"),
        E("chkSaveLog", "QCheckBox", 2, "Save log", "Save the log when fetched", 0),
        E("chkClearLog", "QCheckBox", 2, "Clear log", "Clear the router's log after reading it", 0),
        // Ping Test.
        E("txtIPToPing", "QLineEdit", 3, ""),
        E("txtPingCount", "QLineEdit", 3, "4"),
        E("txtTimeout", "QLineEdit", 3, "500"),
        E("txtPackSz", "QLineEdit", 3, "4"),
        E("txtDNS", "QLineEdit", 3, ""),
        E("chkResolve", "QCheckBox", 3, "Resolve IPs for route", nullptr, 0),
        E("chkStandardDNS", "QCheckBox", 3, "Use standard DNS", nullptr, 0),
        E("chkUseRouter", "QCheckBox", 3, "Use router as DNS to resolve router IP", nullptr, 1),
        E("cmdPingTest", "quillon::XButton", 3, "Start ping test"),
        E("cmdTracert", "quillon::XButton", 3, "Trace Route", "Trace the route to the target address"),
        E("cmdAbort", "quillon::XButton", 3, "Abort"),
        E("txtPingResults", "QPlainTextEdit", 3, ""),
        // Exchange.
        E("mcSpeeds", "QWidget", 4),
        E("txtData", "QPlainTextEdit", 4),
        E("txtActualDistance", "QLineEdit", 4, ""),
        E("cmdGetDist", "quillon::XButton", 4, "Get distance via Internet (UK only)", "Calculates the distance using various websites"),
        E("cmdCalcBest", "quillon::XButton", 4, "Calculate best results", "Calculates the best results given the actual distance"),
        E("lblExchange", "quillon::OrbLabel", 4, ""),
        E("lblDSAttn", "quillon::OrbLabel", 4, ""),
        E("lblLoss", "quillon::OrbLabel", 4, ""),
        E("lblDistance", "quillon::OrbLabel", 4, ""),
        E("lblExcRate", "quillon::OrbLabel", 4, ""),
        E("lblADSLType", "quillon::OrbLabel", 4, "ADSL / ADSL2"),
        E("lblProfileTitle_0", "QLabel", 4, "IP Profile"),
        E("lblProfile", "quillon::OrbLabel", 4, ""),
        E("lblBestRate", "quillon::OrbLabel", 4, ""),
        E("lblProfileTitle_1", "QLabel", 4, "Best IP Profile"),
        E("lblBestProfile", "quillon::OrbLabel", 4, ""),
        E("lblInternalAttn", "quillon::OrbLabel", 4, ""),
        E("lblInfo", "QLabel", 4,
          "The above values are only a rough guide - your mileage may vary. The exact values are dependant on many factors "
          "which are not taken in to account by these calculations. A high value for the attenuation due to internal wiring "
          "may suggest that you should see if wiring within your abode can be improved."),
        // Advanced.
        E("nTabAdv", "quillon::OrbTab", 5, "DSLFC0,DSLFC1,DSLPC0"),
        E("lblDSLFeat", "QLabel", 5, "Full description for the selected setting:"),
        E("txtLongDes", "QPlainTextEdit", 5, ""),
        E("txtDSP", "QLineEdit", 5, "", "Only the first decimal point is used (e.g. X.X)"),
        E("chkLimitDSP", "QCheckBox", 5, "Limit by DSP", "Limit the advanced settings to the DSP version", 0),
        E("cmdSaveDSLFeat", "quillon::XButton", 5, "Save changes", "Save the DSL Feature Control settings to the router"),
        // Bandwidth.
        E("cmdGetBandwidth", "quillon::XButton", 6, "Get Raw Stats", "Get up/down bandwidth data"),
        E("cmdLogBW", "quillon::XButton", 6, "Start Logging", "Toggle bandwidth monitoring"),
        E("cmdClearBW", "quillon::XButton", 6, "Clear data", "Clear bandwidth data"),
        E("cmdListMonthly", "quillon::XButton", 6, "Monthly totals", "List monthly bandwidth totals"),
        E("cmdMiniStats", "quillon::XButton", 6, "Mini Stats", "Show mini stats window"),
        E("cboRouterID", "QComboBox", 6),
        E("txtBWInt", "QLineEdit", 6, "60", "Monitor interval"),
        E("lblTimer", "quillon::OrbLabel", 6, "00:00:00"),
        E("lblUptime", "QLabel", 6, "Uptime"),
        E("cboRecords", "QComboBox", 6, "Current session"),
        E("chkBWTotals", "QCheckBox", 6, "Show current totals", "Display bandwith totals", 0),
        E("chkLogBW", "QCheckBox", 6, "Save bandwidth log", "If ticked, the bandwidth data is saved to a log file", 1),
        E("chkDispText", "QCheckBox", 6, "Show text box", "Display text box", 0),
        E("txtUpDown", "QPlainTextEdit", 6, ""),
        E("mcBandwidth", "QWidget", 6),
    };
    const char *slotLabels[] = {"WAN", "LAN", "WLAN", "USB"};
    const char *interfaces[] = {"ppp0", "eth0", "wlan0", "usb0"};
    static QList<QByteArray> names; // keeps the generated names alive
    auto named = [](const char *base, int i) {
        names.append(QByteArray(base) + '_' + QByteArray::number(i));
        return names.last().constData();
    };
    for (int i = 0; i < 7; ++i)
        rows.append(E(named("fraTabs", i), "QFrame", i));
    for (int i = 0; i < 4; ++i) {
        rows.append(E(named("imgPingStatus", i), "QLabel", -1));
        rows.append(E(named("txtID", i), "QLineEdit", 6, interfaces[i], slotLabels[i]));
        rows.append(E(named("lblID", i), "QLabel", 6, slotLabels[i]));
        rows.append(E(named("lblRec", i), "quillon::OrbLabel", 6, "0 bytes"));
        rows.append(E(named("lblTrans", i), "quillon::OrbLabel", 6, "0 bytes"));
        rows.append(E(named("shpRec", i), "QFrame", 6));
        rows.append(E(named("shpTrans", i), "QFrame", 6));
        rows.append(E(named("chkGraphRx", i), "QCheckBox", 6, nullptr, nullptr, 0));
        rows.append(E(named("chkGraphTx", i), "QCheckBox", 6, nullptr, nullptr, 0));
    }
    for (int i = 0; i < 5; ++i) {
        rows.append(E(named("imgArrowUp", i), "QLabel", 0));
        rows.append(E(named("imgArrowDown", i), "QLabel", 0));
    }
    for (int i = 0; i < 3; ++i)
        rows.append(E(named("lstDSLFeat", i), "QListWidget", 5));
    return rows;
}

} // namespace

class TestMainUi : public QObject
{
    Q_OBJECT

    QWidget m_window;
    MainUi m_ui;

private slots:
    void initTestCase()
    {
        m_ui.setupUi(&m_window);
    }

    void everyControlExistsWithItsTexts_data()
    {
        QTest::addColumn<QString>("name");
        QTest::addColumn<QString>("kind");
        QTest::addColumn<int>("page");
        QTest::addColumn<QString>("text");
        QTest::addColumn<QString>("tip");
        QTest::addColumn<int>("checked");
        for (const Expect &e : inventory())
            QTest::newRow(e.name) << QString::fromLatin1(e.name) << QString::fromLatin1(e.kind) << e.page << e.text << e.tip << e.checked;
    }

    void everyControlExistsWithItsTexts()
    {
        QFETCH(QString, name);
        QFETCH(QString, kind);
        QFETCH(int, page);
        QFETCH(QString, text);
        QFETCH(QString, tip);
        QFETCH(int, checked);
        const QList<QWidget *> found = m_window.findChildren<QWidget *>(name);
        QCOMPARE(found.size(), 1);
        QWidget *w = found.first();
        QVERIFY2(w->inherits(kind.toLatin1().constData()), w->metaObject()->className());
        QCOMPARE(pageOf(w, m_ui), page);
        if (text != kAny)
            QCOMPARE(textOf(w), text);
        if (tip != kAny)
            QCOMPARE(w->toolTip(), tip);
        if (checked >= 0)
            QCOMPARE(qobject_cast<QCheckBox *>(w)->isChecked(), checked == 1);
    }

    void headingsAndLabelsOnTheirPages_data()
    {
        QTest::addColumn<int>("page");
        QTest::addColumn<QString>("text");
        const QList<QPair<int, const char *>> rows = {
            {0, "Graph"}, {0, "Router status:"}, {0, "Mode"}, {0, "ISP hardware information"},
            {0, "Channel power"}, {0, "Attenuation"}, {0, "SNR Margin"}, {0, "Maximum connection speed"},
            {0, "Current connection speed"}, {0, "Upstream"}, {0, "Downstream"}, {0, "Information"},
            {1, "Router details"}, {1, "Ping details"}, {1, "Logging details"}, {1, "Graphing options"},
            {1, "Capture options"}, {1, "Tweak options"}, {1, "Router IP:"}, {1, "Router username:"},
            {1, "Router password:"}, {1, "Router port:"}, {1, "Ping IP:"}, {1, "Interval in seconds:"},
            {1, "Reboot the router after"}, {1, "failed pings."}, {1, "Settle time / seconds:"},
            {1, "Interval / minutes:"}, {1, "Limit bit allocation and RxSNR graph to first"}, {1, "values"},
            {1, "Image quality (100 is best, 0 is worst):"}, {1, "Start DS bit allocation at"},
            {2, "Interval"},
            {3, "Extended ping test & trace route"}, {3, "Target address:"}, {3, "Number of pings:"},
            {3, "Timeout / ms:"}, {3, "Packet size / bytes:"}, {3, "DNS server:"},
            {4, "Actual distance / km"}, {4, "Exchange"}, {4, "DS Attenuation"}, {4, "Cable Loss (dB/km)"},
            {4, "Est. distance from exchange"}, {4, "Estimated max. attainable rate"}, {4, "Type"},
            {4, "Best max. attainable rate"}, {4, "Attenuation due to internal wiring"},
            {5, "DSP version:"},
            {6, "Set IDs for:"}, {6, "Log interval (s):"}, {6, "Next read:"}, {6, "Key:"}, {6, "Received"}, {6, "Sent"},
        };
        for (const auto &r : rows)
            QTest::addRow("%d %s", r.first, r.second) << r.first << QString::fromUtf8(r.second);
    }

    void headingsAndLabelsOnTheirPages()
    {
        QFETCH(int, page);
        QFETCH(QString, text);
        QStringList texts;
        for (const QLabel *l : m_ui.fraTabs[page]->findChildren<QLabel *>())
            texts << l->text();
        for (const QGroupBox *g : m_ui.fraTabs[page]->findChildren<QGroupBox *>())
            texts << g->title();
        QVERIFY2(texts.contains(text), qPrintable(text));
    }

    void objectNamesAreUnique()
    {
        QSet<QString> seen;
        for (const QObject *o : m_window.findChildren<QObject *>()) {
            const QString name = o->objectName();
            if (name.isEmpty() || name.startsWith(QLatin1String("qt_")))
                continue;
            QVERIFY2(!seen.contains(name), qPrintable(name));
            seen.insert(name);
        }
    }

    void listsScrollBarsShapesAndTags()
    {
        QStringList records;
        for (int i = 0; i < m_ui.cboRecords->count(); ++i)
            records << m_ui.cboRecords->itemText(i);
        QCOMPARE(records, (QStringList{QStringLiteral("Current session"), QStringLiteral("Since router boot"),
                                       QStringLiteral("Last Hour"), QStringLiteral("Today"), QStringLiteral("This Week"),
                                       QStringLiteral("This Month"), QStringLiteral("Rates"), QStringLiteral("Max Rates")}));
        QCOMPARE(m_ui.hscrQuality->minimum(), 0);
        QCOMPARE(m_ui.hscrQuality->maximum(), 100);
        QCOMPARE(m_ui.hscrQuality->value(), 75);
        QCOMPARE(m_ui.hscrThreshold->minimum(), 1);
        QCOMPARE(m_ui.hscrThreshold->maximum(), 20);
        QCOMPARE(m_ui.hscrThreshold->pageStep(), 10);
        QCOMPARE(m_ui.hscrThreshold->value(), 10);

        const quint32 received[] = {RGB(128, 128, 255), RGB(0, 192, 192), RGB(0, 0, 255), RGB(64, 255, 64)};
        const quint32 sent[] = {RGB(230, 110, 30), RGB(255, 64, 64), RGB(255, 200, 67), RGB(255, 128, 255)};
        for (int i = 0; i < 4; ++i) {
            QCOMPARE(shapeFillColour(m_ui.shpRec[i]), received[i]);
            QCOMPARE(shapeFillColour(m_ui.shpTrans[i]), sent[i]);
        }
        setShapeFillColour(m_ui.shpRouter, 65280);
        QCOMPARE(shapeFillColour(m_ui.shpRouter), 65280u);
        QCOMPARE(m_ui.shpRouter->palette().color(QPalette::Window), QColor(0, 255, 0));

        QCOMPARE(m_ui.fraTabs[5]->property("tag").toString(), QStringLiteral("advanced"));
        QCOMPARE(m_ui.lstDSLFeat[0]->property("tag").toString(), QStringLiteral("DSL Feature Control 0"));
        QCOMPARE(m_ui.lstDSLFeat[1]->property("tag").toString(), QStringLiteral("DSL Feature Control 1"));
        QCOMPARE(m_ui.lstDSLFeat[2]->property("tag").toString(), QStringLiteral("DSL Physical Control 0"));
        QCOMPARE(m_ui.lstDSLFeat[0]->selectionMode(), QAbstractItemView::MultiSelection);
        QCOMPARE(m_ui.mcSpeeds->property("Title").toString(), QStringLiteral("Estimated Speed vs Distance"));
        QVERIFY(m_ui.txtData->toPlainText().startsWith(QStringLiteral("100\t8128\t24000\t7150\t21240\n")));
        QCOMPARE(m_ui.txtData->toPlainText().split(QLatin1Char('\n')).size(), 13);
    }

    void numberBoxesTakeOnlyDigitsInRange_data()
    {
        QTest::addColumn<QString>("name");
        for (const SettingRow &row : settingsTable()) {
            if (row.isWholeNumber() && row.kind == SettingKind::Text)
                QTest::newRow(qPrintable(row.control)) << row.control;
        }
    }

    void numberBoxesTakeOnlyDigitsInRange()
    {
        QFETCH(QString, name);
        const SettingRow &row = *findSettingOfControl(name);
        auto *box = m_window.findChild<QLineEdit *>(name);
        QVERIFY(box);
        QCOMPARE(box->text(), row.defaultValue);
        const QString largest = QString::number(row.maximum);

        box->clear();
        QTest::keyClicks(box, QStringLiteral("abc-+. e"));
        QCOMPARE(box->text(), QString());
        QTest::keyClicks(box, largest + QStringLiteral("9x"));
        QCOMPARE(box->text(), largest);
        QVERIFY(box->hasAcceptableInput());

        // Left blank or out of range: the default comes back when editing ends.
        box->clear();
        QTest::keyClick(box, Qt::Key_Return);
        QCOMPARE(box->text(), row.defaultValue);
        for (const int outside : {row.minimum - 1, row.maximum + 1}) {
            const QString typed = QString::number(outside);
            if (outside < 0 || typed.size() > largest.size())
                continue;
            box->clear();
            QTest::keyClicks(box, typed);
            QCOMPARE(box->text(), typed);
            QTest::keyClick(box, Qt::Key_Return);
            QCOMPARE(box->text(), row.defaultValue);
        }
        box->setText(row.defaultValue);
    }

    void trayMenuAndTimers()
    {
        QCOMPARE(m_ui.mnSysTray->objectName(), QStringLiteral("mnSysTray"));
        QCOMPARE(m_ui.mnSysTray->title(), QStringLiteral("System Tray Menu"));
        const QList<QPair<QAction *, QString>> items = {
            {m_ui.mnOpen, QStringLiteral("Open Quillon")}, {m_ui.mnToggle, QStringLiteral("Start Monitoring")},
            {m_ui.mnShowStats, QStringLiteral("Show stats")}, {m_ui.mnExit, QStringLiteral("Exit")}};
        for (const auto &item : items) {
            QVERIFY(m_ui.mnSysTray->actions().contains(item.first));
            QCOMPARE(item.first->text(), item.second);
        }
        QCOMPARE(m_ui.mnOpen->objectName(), QStringLiteral("mnOpen"));
        QCOMPARE(m_ui.mnExit->objectName(), QStringLiteral("mnExit"));
        QCOMPARE(m_ui.mnSysTray->defaultAction(), m_ui.mnOpen);

        for (QTimer *t : {m_ui.tmrStats, m_ui.tmrPing, m_ui.tmrCheck, m_ui.tmrRebootWatch, m_ui.tmrBWMonitor}) {
            QCOMPARE(t->interval(), 1000);
            QVERIFY(!t->isActive());
        }
        QCOMPARE(m_ui.tmrRebootSettle->interval(), 5000);
        QVERIFY(!m_ui.tmrRebootSettle->isActive());
    }

    void startsOnTheStatsPageWithMonitoringControlsHidden()
    {
        QCOMPARE(m_ui.OrbTab1->Selected(), 0);
        for (int i = 0; i < 7; ++i)
            QCOMPARE(m_ui.fraTabs[i]->isVisibleTo(&m_window), i == 0);
        QVERIFY(!m_ui.lblCount->isVisibleTo(&m_window));
        QVERIFY(!m_ui.lblPingTime->isVisibleTo(&m_window));
        QVERIFY(!m_ui.lblPing->isVisibleTo(&m_window));
        QVERIFY(!m_ui.imgPingStatus[0]->isVisibleTo(&m_window));
        QVERIFY(m_ui.imgPings->isVisibleTo(&m_window));
        QVERIFY(!m_ui.cmdAbort->isVisibleTo(m_ui.fraTabs[3]));
        QVERIFY(!m_ui.txtOut->isVisibleTo(m_ui.fraTabs[0]));
        QVERIFY(!m_ui.txtUpDown->isVisibleTo(m_ui.fraTabs[6]));
        for (QLabel *hidden : {m_ui.imgNormal, m_ui.imgUP, m_ui.imgDOWN, m_ui.imgPingStatus[1], m_ui.imgPingStatus[2], m_ui.imgPingStatus[3]}) {
            QVERIFY(!hidden->isVisibleTo(&m_window));
            QVERIFY(!hidden->pixmap().isNull());
        }
        QVERIFY(m_ui.imgPingStatus[2]->pixmap().toImage() != m_ui.imgPingStatus[3]->pixmap().toImage());
        for (QLabel *shown : {m_ui.imgLogo, m_ui.imgPings, m_ui.imgArrowUp[0], m_ui.imgArrowDown[4]})
            QVERIFY(!shown->pixmap().isNull());
        QCOMPARE(m_ui.imgLogo->pixmap().deviceIndependentSize().toSize(), QSize(385, 25));
    }

    // Nothing on any page is squeezed below the room its text needs, at the
    // default size.
    void nothingIsClippedAtTheDefaultSize()
    {
        QWidget window;
        MainUi ui;
        ui.setupUi(&window);
        window.show();
        QVERIFY(QTest::qWaitForWindowExposed(&window));
        for (int page = 0; page < 7; ++page) {
            for (int i = 0; i < 7; ++i)
                ui.fraTabs[i]->setVisible(i == page);
            QCoreApplication::processEvents();
            for (QWidget *w : ui.fraTabs[page]->findChildren<QWidget *>()) {
                if (!w->isVisible())
                    continue;
                const bool fixedText = qobject_cast<XButton *>(w) || qobject_cast<QCheckBox *>(w)
                    || (qobject_cast<QLabel *>(w) && !static_cast<QLabel *>(w)->wordWrap());
                if (!fixedText)
                    continue;
                QVERIFY2(w->width() >= w->sizeHint().width(),
                         qPrintable(QStringLiteral("page %1: %2 \"%3\" %4 < %5").arg(page).arg(w->objectName(), textOf(w))
                                        .arg(w->width()).arg(w->sizeHint().width())));
                QVERIFY2(w->mapTo(&window, QPoint(w->width(), 0)).x() <= window.width(), qPrintable(textOf(w)));
            }
        }
    }
};

QTEST_MAIN(TestMainUi)
#include "tst_mainui.moc"
