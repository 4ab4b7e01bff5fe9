#include "base/clock.h"
#include "base/dialogs.h"
#include "imaging/ui/capture.h"
#include "tests/support/testsupport.h"

#include <QDir>
#include <QImage>
#include <QWidget>
#include <QtTest>

using namespace quillon;
using namespace quillon::test;

class TestCapture : public QObject
{
    Q_OBJECT
private slots:
    void capturesWindowToNamedFile()
    {
        TempAppDir dir;
        ScopedClock clock(QDateTime(QDate(2008, 10, 28), QTime(14, 30, 5)));
        QWidget window;
        window.resize(120, 80);
        window.setAutoFillBackground(true);
        QPalette palette = window.palette();
        palette.setColor(QPalette::Window, QColor(40, 160, 90));
        window.setPalette(palette);
        window.show();
        QVERIFY(QTest::qWaitForWindowExposed(&window));

        QStringList statuses;
        QString saved;
        const QString status = CaptureWindow(&window, 75, [&statuses](const QString &s) { statuses << s; }, &saved);
        QCOMPARE(status, QStringLiteral("Image saved as ") + dir.file(QStringLiteral("Screen_20081028_143005.jpg")));
        QCOMPARE(statuses, (QStringList{QStringLiteral("Capturing screen image..."), QStringLiteral("Saving image..."), status}));
        QCOMPARE(saved, dir.file(QStringLiteral("Screen_20081028_143005.jpg")));

        const QByteArray first = dir.read(QStringLiteral("Screen_20081028_143005.jpg"));
        const QImage decoded = QImage::fromData(first, "JPEG");
        QVERIFY(decoded.width() >= 120 && decoded.height() >= 80);
        const QColor centre = decoded.pixelColor(decoded.width() / 2, decoded.height() / 2);
        QVERIFY(std::abs(centre.red() - 40) <= 3 && std::abs(centre.green() - 160) <= 3 && std::abs(centre.blue() - 90) <= 3);

        // Same second: same name, nothing written over.
        palette.setColor(QPalette::Window, Qt::red);
        window.setPalette(palette);
        QCOMPARE(CaptureWindow(&window, 75), QStringLiteral("Image could not be saved."));
        QCOMPARE(dir.read(QStringLiteral("Screen_20081028_143005.jpg")), first);

        clock.advanceSecs(1);
        QCOMPARE(CaptureWindow(&window, 0), QStringLiteral("Image saved as ") + dir.file(QStringLiteral("Screen_20081028_143006.jpg")));
        QCOMPARE(QDir(dir.path()).entryList(QDir::Files | QDir::Hidden).size(), 2);
    }

    void nothingToSave()
    {
        TempAppDir dir;
        ScriptedDialogs dialogs;
        QCOMPARE(SaveCapture(QImage(), 75), QStringLiteral("Image could not be saved."));
        QCOMPARE(CaptureWindow(nullptr, 75), QStringLiteral("Image could not be saved."));
        QVERIFY(QDir(dir.path()).entryList(QDir::Files | QDir::Hidden).isEmpty());
        QVERIFY(dialogs.shown.isEmpty());
    }
};

QTEST_MAIN(TestCapture)
#include "tst_capture.moc"
