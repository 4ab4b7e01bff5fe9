#include "app/ui/uimisc.h"

#include <QComboBox>
#include <QtTest>

using namespace quillon;

class TestUiMisc : public QObject
{
    Q_OBJECT
private slots:
    void selectsComboEntryIgnoringCase()
    {
        QComboBox combo;
        combo.addItems({QStringLiteral("Current session"), QStringLiteral("Today"), QStringLiteral("today")});
        SetComboByString(&combo, QStringLiteral("TODAY"));
        QCOMPARE(combo.currentIndex(), 1);
        SetComboByString(&combo, QStringLiteral("Never"));
        QCOMPARE(combo.currentIndex(), 1);
        SetComboByString(&combo, QString());
        QCOMPARE(combo.currentIndex(), 1);
        SetComboByString(nullptr, QStringLiteral("Today"));
    }

    void scalesPicturesByDpi()
    {
        QWidget w;
        QVERIFY(ScreenDpi(&w) > 0);
        QVERIFY(ScreenDpi(nullptr) > 0);

        QPixmap pic(20, 10);
        pic.fill(Qt::red);
        QCOMPARE(UpScalePic(pic, 96).size(), QSize(20, 10));
        QCOMPARE(UpScalePic(pic, 144).size(), QSize(30, 15));
        QCOMPARE(UpScalePic(pic, 120).size(), QSize(25, 12)); // 12.5 rounds to even
        QCOMPARE(UpScalePic(pic, 0).size(), QSize(20, 10));
        QVERIFY(UpScalePic(QPixmap(), 144).isNull());
        const QSize expected = UpScalePic(pic, ScreenDpi(&w)).size();
        QCOMPARE(UpScalePic(pic, &w).size(), expected);
        QCOMPARE(UpScalePic(pic, 144).toImage().pixelColor(15, 7), QColor(Qt::red));
    }
};

QTEST_MAIN(TestUiMisc)
#include "tst_uimisc.moc"
