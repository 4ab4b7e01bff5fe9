#include "controls/core/gradient.h"
#include "controls/ui/orblabel.h"

#include <QSignalSpy>
#include <QtTest>

using namespace quillon;

class TestOrbLabel : public QObject
{
    Q_OBJECT
private slots:
    void gradientRunsFromLightToShadeInEachDirection()
    {
        OrbLabel l;
        l.resize(100, 40);
        l.setLightColour(0xFFFFFF);
        l.setShadeColour(0x000000);
        QImage img = l.image();
        QVERIFY(qGray(img.pixel(50, 1)) > 240);
        QVERIFY(qGray(img.pixel(50, 38)) < 15);

        l.setGradientDirection(0);
        img = l.image();
        QVERIFY(qGray(img.pixel(1, 20)) > 240);
        QVERIFY(qGray(img.pixel(98, 20)) < 15);

        l.setGradientDirection(3);
        img = l.image();
        QVERIFY(qGray(img.pixel(50, 1)) < 15);
        QVERIFY(qGray(img.pixel(50, 38)) > 240);
    }

    void triColourPassesThroughNormal()
    {
        const QList<quint32> steps = gradientSteps(0xFFFFFF, 0x000000, 0x0000FF, true, 3);
        QCOMPARE(steps, (QList<quint32>{0xFFFFFF, 0x0000FF, 0x000000}));
        QCOMPARE(gradientSteps(0, 0xFFFFFF, 0, false, 0).size(), 2);
        QCOMPARE(gradientSteps(0, 0xFFFFFF, 0, false, 100000).size(), 256);
    }

    void bandsTileTheFaceWithoutGaps()
    {
        const QSize face(7, 23);
        int covered = 0;
        int lastBottom = -1;
        for (int i = 0; i < 50; ++i) {
            const QRect band = gradientBand(face, 1, i, 50);
            if (band.isEmpty())
                continue;
            QCOMPARE(band.top(), lastBottom + 1);
            lastBottom = band.bottom();
            covered += band.height();
        }
        QCOMPARE(covered, 23);
        QVERIFY(gradientBand(QSize(), 1, 0, 50).isNull());
    }

    void borderOuterAndAlignment()
    {
        OrbLabel l;
        l.resize(60, 20);
        l.setDrawOuter(true);
        l.setOuterColour(0x0000FF);
        l.setDrawBorder(true);
        l.setBorderColour(0x00FF00);
        const QImage img = l.image();
        QCOMPARE(img.pixelColor(0, 10), QColor(255, 0, 0));
        QCOMPARE(img.pixelColor(1, 10), QColor(0, 255, 0));

        QCOMPARE(alignBox(QSize(100, 20), QSize(30, 10), 0, 4).left(), 4);
        QCOMPARE(alignBox(QSize(100, 20), QSize(30, 10), 1, 4).right(), 95);
        QCOMPARE(alignBox(QSize(100, 20), QSize(30, 10), 2, 4).left(), 35);
    }

    void rotatedCaptionStandsUpright()
    {
        QCOMPARE(RotateRect(QSize(40, 10), 90).size(), QSize(10, 40));
        OrbLabel l(QStringLiteral("Vertical"));
        l.setAngle(90);
        QVERIFY(l.sizeHint().height() > l.sizeHint().width());
    }

    void clickInsideOnly()
    {
        OrbLabel l(QStringLiteral("x"));
        l.resize(40, 20);
        QSignalSpy spy(&l, &OrbLabel::Click);
        QTest::mouseClick(&l, Qt::LeftButton, {}, QPoint(5, 5));
        QTest::mouseClick(&l, Qt::RightButton, {}, QPoint(5, 5));
        QCOMPARE(spy.count(), 1);
    }
};

QTEST_MAIN(TestOrbLabel)
#include "tst_orblabel.moc"
