#include "stats/core/routerscripts.h"

#include <QtTest>

using namespace quillon;

class TestRouterScripts : public QObject
{
    Q_OBJECT

private:
    static RouterLogin login() { return {QStringLiteral("192.168.1.1"), QStringLiteral("23"), QStringLiteral("root"), QStringLiteral("admin")}; }

private slots:
    // The scripts themselves run against the simulator elsewhere; here, what
    // a password can do to the script's quoting, and the reboot's pause.
    void quotedPasswordAndRebootPause()
    {
        RouterLogin quoted = login();
        quoted.password = QStringLiteral("pa\"ss");
        const QStringList lines = GetStatsScript(quoted).split(QStringLiteral("\r\n"));
        QCOMPARE(lines.size(), 10);
        QCOMPARE(lines.at(4), QStringLiteral("SEND \"pa\"ss\\n\""));
        QVERIFY(RebootRouterScript(login()).endsWith(QStringLiteral("\r\nDELAY 5\r\nSEND \"reboot\\n\"")));
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
