// The main window's graphs, graphs window and screen capture, driven against
// the in-process router simulator.

#include "base/clock.h"
#include "base/dialogs.h"
#include "base/misc.h"
#include "app/ui/frmmain.h"
#include "controls/ui/xbutton.h"
#include "graphs/core/graphdrawing.h"
#include "graphs/ui/frmgraphs.h"
#include "graphs/ui/metalchart.h"
#include "tests/support/testsupport.h"
#include "tools/routersim/routersim.h"

#include <QCheckBox>
#include <QComboBox>
#include <QFile>
#include <QImage>
#include <QImageReader>
#include <QLabel>
#include <QLineEdit>
#include <QPlainTextEdit>
#include <QPushButton>
#include <QScrollBar>
#include <QSignalSpy>
#include <QTimer>
#include <QtTest>

#include <memory>

using namespace quillon;

namespace {

constexpr int kFetchWaitMs = 30000;

QByteArray settingsFor(quint16 port, const QByteArray &extra = {})
{
    return "[Options]\r\nRouter IP=127.0.0.1\r\nTelnet Port=" + QByteArray::number(port)
           + "\r\nRouter Username=root\r\nRouter Password=Gravo\r\nGraph points limit=0\r\n" + extra;
}

// A window started as the program starts it, pinging only the simulator.
std::unique_ptr<frmMain> startWindow()
{
    auto w = std::make_unique<frmMain>();
    w->setPingFunction([](const QString &address, qint32 &timeMs) {
        timeMs = 1;
        return address == QLatin1String("127.0.0.1");
    });
    w->Form_Load();
    return w;
}

bool waitIdle(frmMain &w, const std::function<void()> &start)
{
    QSignalSpy idle(&w, &frmMain::becameIdle);
    start();
    return idle.size() > 0 || idle.wait(kFetchWaitMs);
}

void choose(QComboBox *combo, const QString &name)
{
    const int row = combo->findText(name);
    QVERIFY2(row >= 0, qPrintable(name));
    combo->setCurrentIndex(row);
    emit combo->activated(row);
}

QString expectedCopy(const GraphDrawing &drawing)
{
    return drawing.data.copyText(drawing.XAxis, drawing.YAxis);
}

GraphOptions optionsOf(frmMain &w)
{
    return {w.ui.chkXAxis->isChecked(), int(Val(w.ui.txtGraphLimit->text())), int(Val(w.ui.txtDSStart->text()))};
}

} // namespace

class TestFrmMainGraphs : public QObject
{
    Q_OBJECT

private slots:
    void fullFetchLoadsTonesAndDraws_data()
    {
        QTest::addColumn<QString>("profile");
        QTest::addColumn<int>("tones");
        QTest::newRow("adsl") << QStringLiteral("adsl") << 256;
        QTest::newRow("adsl2plus") << QStringLiteral("adsl2plus") << 512;
    }

    void fullFetchLoadsTonesAndDraws()
    {
        QFETCH(QString, profile);
        QFETCH(int, tones);
        test::TempAppDir dir;
        ScriptedDialogs dialogs;
        auto sim = startSim(profile);
        dir.write(QStringLiteral("settings.ini"), settingsFor(sim->port()));
        auto w = startWindow();
        w->show();

        QVERIFY(waitIdle(*w, [&] { w->cmdGetRouterInfo_Click(); }));
        QCOMPARE(w->ui.lblStatus->text(), QStringLiteral("Router statistics obtained."));
        QVERIFY(dialogs.shown.isEmpty());
        QVERIFY(w->core().line.tones.BitsLoaded);
        // The ADSL1 driver's spectrum calls fail and print only the header.
        QCOMPARE(w->core().line.tones.SnrPsdLoaded, tones == 512);
        QCOMPARE(w->core().line.tones.QlnPsdLoaded, tones == 512);
        QCOMPARE(int(w->core().line.tones.DSBits.size()), tones);
        for (const SnrTable &bin : w->core().line.tones.RxSnr)
            QVERIFY(bin.Loaded);
        QVERIFY(w->mcBits->isVisible());

        // The selected graph (the first) is on the Stats tab's chart.
        const GraphSources sources{&w->core().line.tones, &w->core().line.snrHistory, nullptr};
        QCOMPARE(w->ui.cboGraphs->currentIndex(), 0);
        QCOMPARE(w->mcBits->ChartTitle(), QStringLiteral("Bit / Carrier Allocation"));
        QVERIFY(w->mcBits->data().hasData());
        QCOMPARE(w->mcBits->copyText(), expectedCopy(DrawBitTable(w->core().line.tones, false, 0, 32)));
        QCOMPARE(w->mcBits->toolTip(), QStringLiteral("Bit / Carrier Allocation : double-click to copy data to clipboard"));

        choose(w->ui.cboGraphs, QStringLiteral("SNR downstream power spectrum"));
        QCOMPARE(w->mcBits->data().hasData(), w->core().line.tones.SnrPsdLoaded);
        QCOMPARE(w->mcBits->copyText(), expectedCopy(*DrawGraphByName(w->ui.cboGraphs->currentText(), sources, optionsOf(*w))));
        choose(w->ui.cboGraphs, QStringLiteral("Rx SNR for Bin 1 - Actual trained SNR"));
        QCOMPARE(w->mcBits->ChartTitle(), QStringLiteral("Rx SNR per Bin for Bin1"));
        const QString inKHz = w->mcBits->XAxis();
        w->ui.chkXAxis->click();
        QVERIFY(w->ui.chkXAxis->isChecked());
        QCOMPARE(w->mcBits->XAxis(), QStringLiteral("Tone"));
        QVERIFY(inKHz != w->mcBits->XAxis());
        QCOMPARE(w->mcBits->copyText(), expectedCopy(DrawSNRTable(w->core().line.tones, 1, true, 0)));

        w->Form_QueryUnload(frmMain::UnloadMode::Program);
    }

    void monitoredReadingAddsOneSnrSample()
    {
        test::TempAppDir dir;
        ScriptedDialogs dialogs;
        auto sim = startSim();
        dir.write(QStringLiteral("settings.ini"), settingsFor(sim->port()));
        auto w = startWindow();
        w->show();
        QVERIFY(waitIdle(*w, [&] { w->cmdGetRouterInfo_Click(); }));
        const auto before = w->core().line.snrHistory.values();
        w->GraphTags[1] = QStringLiteral("SNR margin history");
        frmGraphs *g = w->graphsWindow(true);

        w->cmdToggle_Click(); // shows the margin history
        w->ui.tmrPing->stop();
        w->ui.tmrStats->stop();
        QVERIFY(waitIdle(*w, [&] {
            while (w->Stage() == 0)
                w->tmrStats_Timer();
        }));
        const auto after = w->core().line.snrHistory.values();
        const float margin = float(Val(w->core().line.lastStats.dsMargin));
        QVERIFY(margin > 0);
        QCOMPARE(after[99], margin);
        for (int i = 0; i < 99; ++i)
            QCOMPARE(after[size_t(i)], before[size_t(i) + 1]);
        QCOMPARE(w->mcBits->ChartTitle(), QStringLiteral("Downstream SNR Margin history"));
        QCOMPARE(w->mcBits->data().rows(), 100);
        QCOMPARE(float(w->mcBits->data().point(99, 0).value), margin);
        QCOMPARE(g->chart(1)->copyText(), w->mcBits->copyText()); // the graphs window keeps up

        // Choosing the history only draws it.
        choose(w->ui.cboGraphs, QStringLiteral("Bits Allocation per Carrier / Channel"));
        choose(w->ui.cboGraphs, QStringLiteral("SNR margin history"));
        QCOMPARE(w->core().line.snrHistory.values(), after);
        QCOMPARE(w->mcBits->ChartTitle(), QStringLiteral("Downstream SNR Margin history"));
        QCOMPARE(float(w->mcBits->data().point(99, 0).value), margin);
        QVERIFY(dialogs.shown.isEmpty());
        w->Form_QueryUnload(frmMain::UnloadMode::Program);
    }

    void graphsWindowShowsChosenTypesAndKeepsThem()
    {
        test::TempAppDir dir;
        ScriptedDialogs dialogs;
        auto sim = startSim(QStringLiteral("adsl2plus"));
        dir.write(QStringLiteral("settings.ini"), settingsFor(sim->port()));
        const QStringList chosen{QStringLiteral("QLN downstream power spectrum"), QStringLiteral("SNR margin history"),
                                 QStringLiteral("Rx SNR for Bin 2 - Actual trained SNR")};
        {
            auto w = startWindow();
            w->show();
            QVERIFY(!w->graphsWindow(false));
            emit w->ui.cmdShowGraphs->Click();
            frmGraphs *g = w->graphsWindow(false);
            QVERIFY(g);
            QVERIFY(g->isVisible());
            QCOMPARE(g->windowModality(), Qt::NonModal);
            g->hide();
            QTest::mouseClick(w->mcBits, Qt::RightButton);
            QVERIFY(g->isVisible());
            QCOMPARE(w->graphsWindow(true), g);

            QVERIFY(waitIdle(*w, [&] { w->cmdGetRouterInfo_Click(); }));
            auto *combo = g->findChild<QComboBox *>(QStringLiteral("cboGraphType"));
            QVERIFY(combo);
            QCOMPARE(combo->count(), 8);
            for (int i = 0; i < frmGraphs::ChartCount; ++i) {
                QTest::mouseClick(g->chart(i), Qt::RightButton);
                QVERIFY(g->comboVisible());
                QCOMPARE(g->comboChart(), i);
                choose(combo, chosen.at(i));
                QCOMPARE(w->GraphTags[size_t(i)], chosen.at(i));
            }
            QCOMPARE(g->chart(0)->ChartTitle(), QString::fromUtf8("Quiet Line Noise in dB\u00B5"));
            QCOMPARE(g->chart(1)->ChartTitle(), QStringLiteral("Downstream SNR Margin history"));
            QCOMPARE(g->chart(2)->ChartTitle(), QStringLiteral("Rx SNR per Bin for Bin2"));
            QCOMPARE(g->chart(2)->copyText(), expectedCopy(DrawSNRTable(w->core().line.tones, 2, false, 0)));

            // A redraw of the Stats tab redraws the window's charts too.
            w->ui.chkXAxis->click();
            QCOMPARE(g->chart(2)->XAxis(), QStringLiteral("Tone"));

            QVERIFY(w->Form_QueryUnload(frmMain::UnloadMode::Program));
            QVERIFY(!g->isVisible());
        }
        const QByteArray ini = dir.read(QStringLiteral("settings.ini"));
        for (int i = 0; i < 3; ++i)
            QVERIFY(ini.contains("G" + QByteArray::number(i + 1) + "=" + chosen.at(i).toLatin1() + "\r\n"));

        auto w = startWindow();
        w->show();
        frmGraphs *g = w->graphsWindow(true);
        for (int i = 0; i < frmGraphs::ChartCount; ++i)
            QCOMPARE(g->graphType(i), chosen.at(i));
        QVERIFY(waitIdle(*w, [&] { w->cmdGetRouterInfo_Click(); }));
        QCOMPARE(g->chart(2)->ChartTitle(), QStringLiteral("Rx SNR per Bin for Bin2"));
        QVERIFY(dialogs.shown.isEmpty());
        w->Form_QueryUnload(frmMain::UnloadMode::Program);
    }

    void snrHistoryFileReadAtStartWrittenAtClose()
    {
        test::TempAppDir dir;
        ScriptedDialogs dialogs;
        QByteArray line;
        for (int i = 0; i < 100; ++i)
            line += (i ? "," : "") + QByteArray::number(i % 7 + 0.5);
        dir.write(QStringLiteral("settings.ini"), settingsFor(23));
        dir.write(QStringLiteral("snr_stats.txt"), line + "\r\n");

        auto w = startWindow();
        QCOMPARE(w->core().line.snrHistory.values()[0], 0.5f);
        QCOMPARE(w->core().line.snrHistory.values()[99], 1.5f);
        // Before any reading, a chosen graph shows at once: the history as
        // loaded, a tone graph named but empty.
        choose(w->ui.cboGraphs, QStringLiteral("SNR margin history"));
        QCOMPARE(w->mcBits->ChartTitle(), QStringLiteral("Downstream SNR Margin history"));
        QVERIFY(w->mcBits->copyText().endsWith(QStringLiteral("\r\n1\t0.5\r\n0\t1.5")));
        choose(w->ui.cboGraphs, QStringLiteral("QLN downstream power spectrum"));
        QCOMPARE(w->mcBits->ChartTitle(), QString::fromUtf8("Quiet Line Noise in dB\u00B5"));
        QCOMPARE(w->mcBits->layout().noData.text, QStringLiteral("No data"));
        w->core().line.snrHistory.addSample(QStringLiteral("12.25"));
        QVERIFY(w->Form_QueryUnload(frmMain::UnloadMode::Program));
        const QByteArray saved = dir.read(QStringLiteral("snr_stats.txt"));
        QVERIFY(saved.endsWith(",1.5,12.25\r\n"));
        QVERIFY(saved.startsWith("1.5,2.5,"));
        QCOMPARE(saved.count(','), 99);
    }

    void captureOfMainWindow()
    {
        test::TempAppDir dir;
        ScriptedDialogs dialogs;
        dir.write(QStringLiteral("settings.ini"), settingsFor(23, "Image quality=60\r\n"));
        auto w = startWindow();
        w->show();
        QVERIFY(QTest::qWaitForWindowExposed(w.get()));
        QCOMPARE(w->ui.hscrQuality->value(), 60);
        ScopedClock clock(QDateTime(QDate(2026, 3, 4), QTime(5, 6, 7)));

        // Seen while the grab lets pending events run.
        QString midStatus;
        bool buttonEnabled = true;
        QTimer::singleShot(0, w.get(), [&] {
            midStatus = w->ui.lblStatus->text();
            buttonEnabled = w->ui.cmdCapture->isEnabled();
        });
        emit w->ui.cmdCapture->Click();
        QCOMPARE(midStatus, QStringLiteral("Capturing screen image..."));
        QVERIFY(!buttonEnabled);
        QVERIFY(w->ui.cmdCapture->isEnabled());
        const QString name = QStringLiteral("Screen_20260304_050607.jpg");
        QCOMPARE(w->ui.lblStatus->text(), QStringLiteral("Image saved as ") + dir.file(name));

        const QByteArray first = dir.read(name);
        QImage decoded;
        QVERIFY(decoded.loadFromData(first, "JPEG"));
        QVERIFY2(decoded.size() == w->size() || decoded.size() == w->frameGeometry().size(),
                 qPrintable(QStringLiteral("%1x%2").arg(decoded.width()).arg(decoded.height())));

        QVERIFY(dialogs.shown.isEmpty());
        w->Form_QueryUnload(frmMain::UnloadMode::Program);
    }

    void captureOfGraphsWindow()
    {
        test::TempAppDir dir;
        ScriptedDialogs dialogs;
        dir.write(QStringLiteral("settings.ini"), settingsFor(23));
        auto w = startWindow();
        w->show();
        w->cmdShowGraphs_Click();
        frmGraphs *g = w->graphsWindow(false);
        g->resize(500, 420);
        QVERIFY(QTest::qWaitForWindowExposed(g));
        ScopedClock clock(QDateTime(QDate(2026, 12, 31), QTime(23, 59, 58)));
        const QString mainStatus = w->ui.lblStatus->text();
        auto *status = g->findChild<QLabel *>(QStringLiteral("lblStatus"));
        auto *capture = g->findChild<QPushButton *>(QStringLiteral("cmdCapture"));

        // The graphs window reports on its own status line, not the main one.
        capture->click();
        const QString name = QStringLiteral("Screen_20261231_235958.jpg");
        QCOMPARE(status->text(), QStringLiteral("Image saved as ") + dir.file(name));
        QCOMPARE(w->ui.lblStatus->text(), mainStatus);
        QImageReader reader(dir.file(name), "JPEG");
        const QImage decoded = reader.read();
        QVERIFY2(!decoded.isNull(), qPrintable(reader.errorString()));
        QVERIFY(decoded.size() == g->size() || decoded.size() == g->frameGeometry().size());
        w->Form_QueryUnload(frmMain::UnloadMode::Program);
    }

private:
    std::unique_ptr<sim::RouterSim> startSim(const QString &profile = QStringLiteral("adsl"))
    {
        auto s = std::make_unique<sim::RouterSim>(sim::SimOptions{.profile = profile, .marginDriftDb = 0});
        if (!s->start())
            qFatal("simulator: %s", qPrintable(s->errorString()));
        return s;
    }
};

QTEST_MAIN(TestFrmMainGraphs)
#include "tst_frmmain_graphs.moc"
