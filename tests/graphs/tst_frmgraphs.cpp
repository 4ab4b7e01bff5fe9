#include "base/dialogs.h"
#include "graphs/core/graphdrawing.h"
#include "graphs/core/snrhistory.h"
#include "graphs/ui/frmgraphs.h"
#include "graphs/ui/graphviews.h"
#include "graphs/ui/metalchart.h"

#include <QComboBox>
#include <QPushButton>
#include <QtTest>

#include <memory>

using namespace quillon;

class TestFrmGraphs : public QObject
{
    Q_OBJECT
    std::unique_ptr<frmGraphs> m_window;

private slots:
    void init()
    {
        m_window = std::make_unique<frmGraphs>();
        m_window->resize(600, 456);
        m_window->show();
        m_window->setGraphNames(GraphNames());
    }

    void cleanup() { m_window.reset(); }

    void chartsStackWithoutGaps()
    {
        frmGraphs &window = *m_window;
        for (int i = 0; i < frmGraphs::ChartCount; ++i) {
            QCOMPARE(window.findChild<MetalChart *>(QStringLiteral("mcGraphs_%1").arg(i)), window.chart(i));
            QCOMPARE(window.chart(i)->width(), 600);
            QCOMPARE(window.chart(i)->height(), 400 / 3);
        }
        QCOMPARE(window.chart(2)->geometry().bottom(), 399);
        QCOMPARE(window.chart(1)->geometry().bottom() + 1, window.chart(2)->y());
    }

    void rightClickCycle()
    {
        frmGraphs &window = *m_window;
        window.setGraphType(1, QStringLiteral("snr margin HISTORY"));
        auto *combo = window.findChild<QComboBox *>(QStringLiteral("cboGraphType"));

        QTest::mouseClick(window.chart(1), Qt::RightButton);
        QVERIFY(window.comboVisible());
        QCOMPARE(window.comboChart(), 1);
        QCOMPARE(combo->geometry(), QRect(8, window.chart(1)->y() + 8, 600 - 16, combo->height()));
        QCOMPARE(combo->currentText(), QStringLiteral("SNR margin history")); // matched ignoring case

        QTest::mouseClick(window.chart(2), Qt::RightButton); // moves to the other chart
        QVERIFY(window.comboVisible());
        QCOMPARE(window.comboChart(), 2);
        QTest::mouseClick(window.chart(2), Qt::RightButton); // same chart again: hides
        QVERIFY(!window.comboVisible());
        QTest::mouseClick(window.chart(0), Qt::RightButton);
        QVERIFY(window.comboVisible());
        QCOMPARE(window.comboChart(), 0);
    }

    void choosingATypeStoresItAndAsksForARedraw()
    {
        frmGraphs &window = *m_window;
        QSignalSpy chosen(&window, &frmGraphs::graphTypeChosen);
        window.chartRightClicked(2);
        auto *combo = window.findChild<QComboBox *>(QStringLiteral("cboGraphType"));
        combo->activated(6);
        QCOMPARE(chosen.size(), 1);
        QCOMPARE(chosen.at(0).at(0).toInt(), 2);
        QCOMPARE(window.graphType(2), QStringLiteral("SNR margin history"));
        QVERIFY(!window.comboVisible());

        // Aligning the drop-down to a chart never counts as a choice.
        window.setGraphType(0, GraphNames().at(4));
        window.chartRightClicked(0);
        QCOMPARE(chosen.size(), 1);

        SnrHistory snr;
        DrawUserGraphs(window, GraphSources{nullptr, &snr, nullptr}, GraphOptions{});
        QCOMPARE(window.chart(2)->ChartTitle(), QStringLiteral("Downstream SNR Margin history"));
        QVERIFY(!window.chart(0)->data().hasData()); // spectrum not loaded
        QVERIFY(!window.chart(1)->data().hasData()); // no type
        QCOMPARE(window.graphType(5), QString());
    }

    void hideShowsTheHintOnceAndRightClickBringsTheOptionsBack()
    {
        ScriptedDialogs dialogs;
        frmGraphs &window = *m_window;
        auto *hide = window.findChild<QPushButton *>(QStringLiteral("cmdHide"));
        hide->click();
        QVERIFY(!window.optionsVisible());
        QCOMPARE(dialogs.shown.size(), 1);
        QCOMPARE(dialogs.shown.at(0).text, QStringLiteral("Right-click on any of the graphs to display the options panel again."));
        QCOMPARE(window.chart(0)->toolTip(), QStringLiteral("Right-click to show options"));
        QCOMPARE(window.chart(0)->height(), 456 / 3);

        window.chartRightClicked(1);
        QVERIFY(window.optionsVisible());
        QVERIFY(!window.comboVisible());
        QCOMPARE(window.chart(0)->toolTip(), QString());
        QCOMPARE(window.chart(0)->height(), 400 / 3);

        hide->click();
        QCOMPARE(dialogs.shown.size(), 1);
    }

    void closingHidesAndCaptureIsLeftToTheOwner()
    {
        frmGraphs &window = *m_window;
        QSignalSpy capture(&window, &frmGraphs::captureRequested);
        window.findChild<QPushButton *>(QStringLiteral("cmdCapture"))->click();
        QCOMPARE(capture.size(), 1);
        window.setOptionsEnabled(false);
        QVERIFY(!window.findChild<QPushButton *>(QStringLiteral("cmdExit"))->isEnabled());
        window.chartRightClicked(0);
        window.close();
        QVERIFY(!window.isVisible());
        QVERIFY(!window.comboVisible());
    }
};

QTEST_MAIN(TestFrmGraphs)
#include "tst_frmgraphs.moc"
