#include "stats/core/routerscripts.h"

#include <QtTest>

using namespace quillon;

class TestRouterScripts : public QObject
{
    Q_OBJECT

private:
    static RouterLogin login() { return {QStringLiteral("192.168.1.1"), QStringLiteral("23"), QStringLiteral("root"), QStringLiteral("admin")}; }

private slots:
    void statsScriptLineByLine()
    {
        const QString script = GetStatsScript(login());
        QVERIFY(!script.endsWith(QLatin1String("\r\n")));
        const QStringList lines = script.split(QStringLiteral("\r\n"));
        const QStringList expected = {
            QStringLiteral("HOST 192.168.1.1 23"),
            QStringLiteral("WAIT \"login\""),
            QStringLiteral("SEND \"root\\n\""),
            QStringLiteral("WAIT \"password\""),
            QStringLiteral("SEND \"admin\\n\""),
            QStringLiteral("WAIT \"#\""),
            QStringLiteral("SEND \"cat /proc/avalanche/avsar_dsl_modulation_schemes \\\"no_where\\\"\\n\""),
            QStringLiteral("WAIT \"no_where\""),
            QStringLiteral("SEND \"cat /proc/avalanche/avsar_modem_stats \\\"no_where\\\"\\n\""),
            QStringLiteral("WAIT \"no_where\""),
        };
        QCOMPARE(lines, expected);

        RouterLogin quoted = login();
        quoted.password = QStringLiteral("pa\"ss");
        QCOMPARE(GetStatsScript(quoted).split(QStringLiteral("\r\n")).at(4), QStringLiteral("SEND \"pa\"ss\\n\""));
    }

    void versionAndRebootScripts()
    {
        const QStringList version = GetRouterVersionScript(login()).split(QStringLiteral("\r\n"));
        QCOMPARE(version.size(), 10);
        QCOMPARE(version.at(6), QStringLiteral("SEND \"cat /proc/avalanche/avsar_ver \\\"no_where\\\"\\n\""));
        QCOMPARE(version.at(8), QStringLiteral("SEND \"cat /proc/uptime \\\"no_where\\\"\\n\""));
        QCOMPARE(version.at(9), QStringLiteral("WAIT \"no_where\""));

        const QStringList reboot = RebootRouterScript(login()).split(QStringLiteral("\r\n"));
        QCOMPARE(reboot.size(), 8);
        QCOMPARE(reboot.at(6), QStringLiteral("DELAY 5"));
        QCOMPARE(reboot.at(7), QStringLiteral("SEND \"reboot\\n\""));
    }

    void aMissingLoginIsNamedBeforeAnyScript_data()
    {
        QTest::addColumn<QString>("user");
        QTest::addColumn<QString>("password");
        QTest::addColumn<bool>("missing");
        QTest::newRow("both") << "root" << "admin" << false;
        QTest::newRow("no user") << "" << "admin" << true;
        QTest::newRow("blank user") << " \t" << "admin" << true;
        QTest::newRow("no password") << "root" << "" << true;
        QTest::newRow("neither") << "" << "" << true;
    }

    void aMissingLoginIsNamedBeforeAnyScript()
    {
        QFETCH(QString, user);
        QFETCH(QString, password);
        QFETCH(bool, missing);
        RouterLogin l = login();
        l.user = user;
        l.password = password;
        QCOMPARE(MissingLoginMessage(l),
                 missing ? QStringLiteral("Please enter the router's user name and password on the Settings tab.") : QString());
    }
};

QTEST_GUILESS_MAIN(TestRouterScripts)
#include "tst_routerscripts.moc"
