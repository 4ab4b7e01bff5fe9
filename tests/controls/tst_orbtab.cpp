#include "controls/ui/orbtab.h"

#include <QSignalSpy>
#include <QtTest>

using namespace quillon;

namespace {

QPoint centreOf(const OrbTab &tabs, int index)
{
    return tabs.tabRect(index).center();
}

} // namespace

class TestOrbTab : public QObject
{
    Q_OBJECT
private slots:
    // New captions keep the selection in range.
    void fewerCaptionsKeepTheSelectionInRange()
    {
        OrbTab tabs;
        tabs.setSelected(2);
        tabs.setTabStrip(QStringLiteral("A,B"));
        QCOMPARE(tabs.Selected(), 1);
        tabs.setTabStrip(QString());
        QCOMPARE(tabs.TabCount(), 1);
        QCOMPARE(tabs.Selected(), 0);
        tabs.setSelected(-5);
        QCOMPARE(tabs.Selected(), 0);
    }

    void geometryIsOrderedAndHitTestMatches()
    {
        OrbTab tabs;
        tabs.setTabStrip(QStringLiteral("Stats,Settings,Report,Ping Test,Exchange,Advanced,Bandwidth"));
        tabs.resize(tabs.sizeHint().width() + 20, tabs.sizeHint().height());
        for (int i = 0; i < tabs.TabCount(); ++i) {
            QVERIFY(!tabs.tabRect(i).isEmpty());
            QCOMPARE(tabs.tabAt(centreOf(tabs, i)), i);
            if (i > 0)
                QVERIFY(tabs.tabRect(i).left() > tabs.tabRect(i - 1).left());
        }
        QVERIFY(tabs.tabRect(tabs.TabCount() - 1).right() < tabs.sizeHint().width());
        QCOMPARE(tabs.tabAt(QPoint(tabs.width() - 2, 5)), -1);
        // The selected tab is lifted above the others.
        QVERIFY(tabs.tabRect(0).top() < tabs.tabRect(1).top());
    }

    void clickSelectsAndRaisesOnce()
    {
        OrbTab tabs;
        tabs.resize(tabs.sizeHint());
        QSignalSpy spy(&tabs, &OrbTab::TabClicked);
        QTest::mouseClick(&tabs, Qt::LeftButton, {}, centreOf(tabs, 2));
        QCOMPARE(tabs.Selected(), 2);
        QCOMPARE(spy.count(), 1);
        // The tab already shown: nothing changes, nothing is raised.
        QTest::mouseClick(&tabs, Qt::LeftButton, {}, centreOf(tabs, 2));
        QCOMPARE(spy.count(), 1);
        // Right button and clicks beside the tabs do nothing.
        QTest::mouseClick(&tabs, Qt::RightButton, {}, centreOf(tabs, 1));
        QTest::mouseClick(&tabs, Qt::LeftButton, {}, QPoint(tabs.width() - 1, tabs.height() - 1));
        QCOMPARE(tabs.Selected(), 2);
        QCOMPARE(spy.count(), 1);
    }

    void disabledTabIgnoresClicksAndManualSelection()
    {
        OrbTab tabs;
        tabs.resize(tabs.sizeHint());
        QSignalSpy spy(&tabs, &OrbTab::TabClicked);
        tabs.ChangeTabEnable(1, false);
        QVERIFY(!tabs.isTabEnabled(1));
        QTest::mouseClick(&tabs, Qt::LeftButton, {}, centreOf(tabs, 1));
        tabs.SelectTabManually(1);
        QCOMPARE(tabs.Selected(), 0);
        QCOMPARE(spy.count(), 0);

        tabs.ChangeTabEnable(1, true);
        tabs.SelectTabManually(1);
        QCOMPARE(tabs.Selected(), 1);
        QCOMPARE(spy.count(), 1);
        // Out of range is refused quietly.
        tabs.SelectTabManually(9);
        tabs.SelectTabManually(-1);
        QCOMPARE(tabs.Selected(), 1);
        QCOMPARE(spy.count(), 1);

        tabs.setEnabled(false); // the whole control
        QTest::mouseClick(&tabs, Qt::LeftButton, {}, centreOf(tabs, 3));
        QTest::keyClick(&tabs, Qt::Key_Right);
        QCOMPARE(tabs.Selected(), 1);
        QCOMPARE(spy.count(), 1);
    }

    void arrowKeysSkipDisabledTabsAndStopAtTheEnds()
    {
        OrbTab tabs;
        tabs.resize(tabs.sizeHint());
        QSignalSpy spy(&tabs, &OrbTab::TabClicked);
        tabs.ChangeTabEnable(1, false);
        QTest::keyClick(&tabs, Qt::Key_Left);
        QCOMPARE(tabs.Selected(), 0);
        QCOMPARE(spy.count(), 0);

        QTest::keyClick(&tabs, Qt::Key_Right);
        QCOMPARE(tabs.Selected(), 2);
        QTest::keyClick(&tabs, Qt::Key_Right);
        QCOMPARE(tabs.Selected(), 3);
        QCOMPARE(spy.count(), 2);
        QTest::keyClick(&tabs, Qt::Key_Right); // last tab
        QCOMPARE(tabs.Selected(), 3);
        QCOMPARE(spy.count(), 2);

        QTest::keyClick(&tabs, Qt::Key_Left);
        QTest::keyClick(&tabs, Qt::Key_Left);
        QCOMPARE(tabs.Selected(), 0);
        QCOMPARE(spy.count(), 4);

        // Only disabled tabs ahead: nothing to move to.
        tabs.ChangeTabEnable(1, false);
        tabs.ChangeTabEnable(2, false);
        tabs.ChangeTabEnable(3, false);
        tabs.GotoNextEnabledTab(1);
        QCOMPARE(tabs.Selected(), 0);
        QCOMPARE(spy.count(), 4);
    }

    void paintsSelectedTabInItsColours()
    {
        OrbTab tabs;
        tabs.setTabStrip(QStringLiteral("Alpha,Beta"));
        tabs.setTabColour(0x0000FF);         // red
        tabs.setTabColourSelected(0x00FF00); // green
        tabs.setDrawFrame(true);
        tabs.setBridge(true);
        tabs.resize(200, 80);
        tabs.SelectTabManually(1);
        const QImage img = tabs.grab().toImage();
        const QRect unselected = tabs.tabRect(0);
        const QRect selected = tabs.tabRect(1);
        const QColor a = img.pixelColor(unselected.center().x(), unselected.bottom() - 2);
        const QColor b = img.pixelColor(selected.center().x(), selected.bottom() - 2);
        QVERIFY2(a.red() > 200 && a.green() < 60, qPrintable(a.name()));
        QCOMPARE(b, QColor(0, 255, 0));
        // The bridge opens the line under the selected tab only.
        QCOMPARE(img.pixelColor(selected.center().x(), selected.bottom()), QColor(0, 255, 0));
        QVERIFY(img.pixelColor(unselected.center().x(), unselected.bottom()) != QColor(0, 255, 0));
        // A frame gives room for a page below the strip.
        QVERIFY(tabs.contentsMargins().top() >= selected.bottom());
    }
};

QTEST_MAIN(TestOrbTab)
#include "tst_orbtab.moc"
