#include "base/dialogs.h"
#include "imaging/ui/pngresources.h"
#include "tests/support/testsupport.h"

#include <QWidget>
#include <QtEndian>
#include <QtTest>

using namespace quillon;

class TestPngResources : public QObject
{
    Q_OBJECT
private slots:
    void everyPictureIsAn8BitRgbaPngOfItsSize_data()
    {
        QTest::addColumn<QString>("name");
        QTest::addColumn<QSize>("size");
        QTest::newRow("logo") << QStringLiteral("PNG_LOGO") << QSize(385, 25);
        QTest::newRow("ping") << QStringLiteral("PNG_PING") << QSize(185, 39);
        QTest::newRow("server") << QStringLiteral("PNG_SERVER") << QSize(32, 32);
        QTest::newRow("up") << QStringLiteral("PNG_UP") << QSize(16, 16);
        QTest::newRow("down") << QStringLiteral("PNG_DOWN") << QSize(16, 16);
    }

    void everyPictureIsAn8BitRgbaPngOfItsSize()
    {
        QFETCH(QString, name);
        QFETCH(QSize, size);
        const QByteArray bytes = resourcePNGBytes(name);
        QVERIFY(IsPNG(bytes));
        // IHDR follows the signature: length, "IHDR", width, height, depth, colour type, ..., interlace.
        QVERIFY(bytes.size() > 33);
        QCOMPARE(bytes.mid(12, 4), QByteArray("IHDR"));
        QCOMPARE(int(qFromBigEndian<quint32>(bytes.constData() + 16)), size.width());
        QCOMPARE(int(qFromBigEndian<quint32>(bytes.constData() + 20)), size.height());
        QCOMPARE(int(bytes.at(24)), 8);
        QCOMPARE(int(bytes.at(25)), 6);
        QCOMPARE(int(bytes.at(28)), 0);
        const QPixmap pix = LoadResPNG(name, Qt::white);
        QCOMPARE(pix.size(), size);
        QVERIFY(!pix.hasAlphaChannel());
        // The high-density copy: twice the pixels, the same size on screen.
        const QPixmap sharp = LoadResPNG(name, Qt::white, 1.5);
        QCOMPARE(sharp.size(), size * 2);
        QCOMPARE(sharp.deviceIndependentSize().toSize(), size);
    }

    void blendsOverTheBackground()
    {
        // The logo's right end is transparent: it takes the box's colour.
        const QImage onRed = LoadResPNG(QStringLiteral("PNG_LOGO"), QColor(200, 10, 10)).toImage();
        QCOMPARE(onRed.pixelColor(384, 0), QColor(200, 10, 10));
        const QImage onBlue = LoadResPNG(QStringLiteral("PNG_LOGO"), QColor(10, 10, 200)).toImage();
        QCOMPARE(onBlue.pixelColor(384, 0), QColor(10, 10, 200));
        // An opaque pixel of the mark looks the same on both.
        QCOMPARE(onRed.pixelColor(12, 12), onBlue.pixelColor(12, 12));
    }

    void missingPictureIsEmptyAndLogged()
    {
        test::TempAppDir dir;
        ScriptedDialogs dialogs;
        QVERIFY(LoadResPNG(QStringLiteral("PNG_NOPE"), Qt::white).isNull());
        QVERIFY(LoadResPNG(QStringLiteral("../icons/AAA/16"), Qt::white).isNull());
        QVERIFY(LoadResPNG(QString(), Qt::white).isNull());
        QCOMPARE(dialogs.shown.size(), 3);
        QVERIFY(dir.read(QStringLiteral("ErrorLog.txt")).contains("LoadResPNG"));
    }

    void signature()
    {
        QVERIFY(IsPNG(QByteArray("\x89PNG\r\n\x1a\n", 8) + "rest"));
        QVERIFY(!IsPNG(QByteArray("\x89PNG\r\n\x1a", 7)));
        QVERIFY(!IsPNG(QByteArray("GIF89a..")));
        QVERIFY(!IsPNG({}));
    }

    void iconSetsAndWindowIcon()
    {
        for (const char *name : {"AAA", "AAB", "AAC"}) {
            const QIcon icon = iconSet(QLatin1String(name));
            QVERIFY2(!icon.isNull(), name);
            for (int size : {16, 32, 48})
                QVERIFY(icon.availableSizes().contains(QSize(size, size)));
            QCOMPARE(iconPixmap(QLatin1String(name), 32).size(), QSize(32, 32));
        }
        // The three states look different.
        QVERIFY(iconPixmap(QStringLiteral("AAB"), 16).toImage() != iconPixmap(QStringLiteral("AAC"), 16).toImage());

        test::TempAppDir dir;
        QWidget window;
        SetIcon(&window, QStringLiteral("AAB"));
        QCOMPARE(window.windowIcon().pixmap(16).toImage(), iconPixmap(QStringLiteral("AAB"), 16).toImage());
        SetIcon(&window, QStringLiteral("nothing"));
        QCOMPARE(window.windowIcon().pixmap(16).toImage(), iconPixmap(QStringLiteral("AAB"), 16).toImage());
        QVERIFY(iconSet(QStringLiteral("nothing")).isNull());
    }
};

QTEST_MAIN(TestPngResources)
#include "tst_pngresources.moc"
