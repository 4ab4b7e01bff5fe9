#include "tests/support/testsupport.h"

#include <QProcess>
#include <QtTest>

using namespace quillon;

class tst_commandline final : public QObject
{
    Q_OBJECT

private slots:
    // Answered without a display: no platform plugin, no DISPLAY.
    void informationOptionsNeedNoDisplay_data()
    {
        QTest::addColumn<QStringList>("args");
        QTest::addColumn<QString>("out");
        const QString version = QStringLiteral("Quillon v%1.%2.%3\n")
                                    .arg(QUILLON_VERSION_MAJOR)
                                    .arg(QUILLON_VERSION_MINOR)
                                    .arg(QUILLON_VERSION_PATCH);
        QTest::newRow("--version") << QStringList{QStringLiteral("--version")} << version;
        QTest::newRow("-v after a Qt option")
            << QStringList{QStringLiteral("-platform"), QStringLiteral("xcb"), QStringLiteral("-v")} << version;
        QTest::newRow("--help") << QStringList{QStringLiteral("--help")} << QStringLiteral("Usage: quillon");
    }

    void informationOptionsNeedNoDisplay()
    {
        QFETCH(QStringList, args);
        QFETCH(QString, out);
        QProcess quillon;
        QProcessEnvironment env = QProcessEnvironment::systemEnvironment();
        for (const char *name : {"QT_QPA_PLATFORM", "DISPLAY", "WAYLAND_DISPLAY"})
            env.remove(QString::fromLatin1(name));
        env.insert(QStringLiteral("QUILLON_APPDIR"), QStringLiteral("/proc/quillon-never-used"));
        quillon.setProcessEnvironment(env);
        quillon.start(test::binPath(QStringLiteral("quillon")), args);
        QVERIFY(quillon.waitForFinished(10000));
        QCOMPARE(quillon.exitCode(), 0);
        QVERIFY2(QString::fromLocal8Bit(quillon.readAllStandardOutput()).startsWith(out), qPrintable(out));
        QCOMPARE(quillon.readAllStandardError(), QByteArray());
    }

    void unknownOptionIsAUsageError()
    {
        QProcess quillon;
        QProcessEnvironment env = QProcessEnvironment::systemEnvironment();
        env.insert(QStringLiteral("QT_QPA_PLATFORM"), QStringLiteral("offscreen"));
        env.insert(QStringLiteral("QUILLON_APPDIR"), QStringLiteral("/proc/quillon-never-used"));
        quillon.setProcessEnvironment(env);
        quillon.start(test::binPath(QStringLiteral("quillon")), {QStringLiteral("--monitor")});
        QVERIFY(quillon.waitForFinished(10000));
        QCOMPARE(quillon.exitCode(), 2);
        QVERIFY(quillon.readAllStandardError().contains("unknown option --monitor"));
    }
};

QTEST_GUILESS_MAIN(tst_commandline)
#include "tst_commandline.moc"
