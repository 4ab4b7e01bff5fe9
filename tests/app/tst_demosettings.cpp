// The settings file the demo run writes: every key the program keeps, each one
// usable, and a login the router simulator accepts.
#include "base/dialogs.h"
#include "base/inifile.h"
#include "base/settingstable.h"
#include "app/ui/frmmain.h"
#include "router/core/orbtelnet.h"
#include "stats/core/routerscripts.h"
#include "tests/support/testsupport.h"
#include "tools/routersim/routersim.h"

#include <QLineEdit>
#include <QProcess>
#include <QtTest>

using namespace quillon;

namespace {

bool writeDemoSettings(const QString &file, quint16 port)
{
    QProcess script;
    script.start(QStringLiteral("bash"), {test::sourcePath(QStringLiteral("scripts/demo-settings.sh")), file,
                                          QString::number(port)});
    return script.waitForFinished(10000) && script.exitStatus() == QProcess::NormalExit && script.exitCode() == 0;
}

} // namespace

class tst_demosettings final : public QObject
{
    Q_OBJECT

private slots:
    void demoLogsInToTheSimulator()
    {
        sim::RouterSim router;
        QVERIFY2(router.start(), qPrintable(router.errorString()));
        test::TempAppDir dir;
        const QString path = dir.file(QString::fromLatin1(SettingsFileName));
        QVERIFY(writeDemoSettings(path, router.port()));

        const QByteArray bytes = dir.read(QString::fromLatin1(SettingsFileName));
        QCOMPARE(bytes.count("\r\n"), bytes.count('\n'));
        const IniFile ini = IniFile::load(path);
        for (const SettingRow &row : settingsTable()) {
            QVERIFY2(ini.contains(row.section, row.key), qPrintable(row.section + '/' + row.key));
            QVERIFY2(isValidSetting(row, ini.value(row.section, row.key)), qPrintable(row.key));
        }
        QCOMPARE(QFile::permissions(path) & 0x7777,
                 QFile::ReadOwner | QFile::WriteOwner | QFile::ReadUser | QFile::WriteUser);

        ScriptedDialogs dialogs;
        frmMain w;
        w.Form_Load();
        QVERIFY(dialogs.shown.isEmpty()); // the router's address is known
        const RouterLogin login{w.ui.txtRouter->text(), w.ui.txtPort->text(), w.ui.txtUser->text(),
                                w.ui.txtPass->text()};
        QCOMPARE(MissingLoginMessage(login), QString());
        OrbTelnet engine;
        engine.setMode(1);
        test::ScriptRun run(engine);
        engine.RunScript(GetStatsScript(login));
        QVERIFY(run.ended());
        QVERIFY2(run.completed(), qPrintable(engine.GetConversation().join(QLatin1Char('\n'))));

        // A second run keeps what the user changed and follows the simulator's new port.
        w.ui.txtUser->setText(QStringLiteral("admin"));
        QVERIFY(w.Form_QueryUnload(frmMain::UnloadMode::Program));
        QVERIFY(writeDemoSettings(path, 2323));
        const IniFile again = IniFile::load(path);
        QCOMPARE(again.value(QStringLiteral("Options"), QStringLiteral("Telnet Port")), QStringLiteral("2323"));
        QCOMPARE(again.value(QStringLiteral("Options"), QStringLiteral("Router Username")), QStringLiteral("admin"));
    }
};

QTEST_MAIN(tst_demosettings)
#include "tst_demosettings.moc"
