#include "tools/screenshots/appshots.h"

#include "base/apppaths.h"
#include "base/dialogs.h"
#include "app/ui/frmmain.h"
#include "controls/ui/orbtab.h"
#include "graphs/ui/frmgraphs.h"
#include "tools/routersim/routersim.h"

#include <QCoreApplication>
#include <QEventLoop>
#include <QFile>
#include <QFrame>
#include <QPixmap>
#include <QTemporaryDir>
#include <QTextStream>
#include <QTimer>

namespace quillon {

namespace {

constexpr int kFetchTimeoutMs = 60000;

const QStringList &shownGraphs()
{
    static const QStringList names{QStringLiteral("Rx SNR for Bin 0 - Actual trained SNR"),
                                   QStringLiteral("SNR downstream power spectrum"),
                                   QStringLiteral("QLN downstream power spectrum")};
    return names;
}

bool waitForIdle(frmMain &window)
{
    QEventLoop loop;
    bool idle = false;
    QObject::connect(&window, &frmMain::becameIdle, &loop, [&] {
        idle = true;
        loop.quit();
    });
    QTimer::singleShot(kFetchTimeoutMs, &loop, &QEventLoop::quit);
    window.cmdGetRouterInfo_Click();
    if (!idle)
        loop.exec();
    return idle;
}

void showTab(frmMain &window, int tab)
{
    window.ui.OrbTab1->setSelected(tab);
    window.OrbTab1_TabClicked();
    QCoreApplication::processEvents();
}

bool save(QWidget &widget, const QString &path, QTextStream &err)
{
    QCoreApplication::processEvents();
    if (widget.grab().save(path))
        return true;
    err << "cannot write " << path << '\n';
    return false;
}

} // namespace

int saveAppScreenshots(const QString &folder, const QString &profile)
{
    QTextStream err(stderr);
    QTemporaryDir appDir;
    if (!appDir.isValid()) {
        err << "cannot create a scratch program folder\n";
        return 1;
    }
    AppPaths::setAppDir(appDir.path());

    sim::SimOptions options;
    options.profile = profile;
    options.marginDriftDb = 0;
    sim::RouterSim router(options);
    if (!router.start()) {
        err << "simulator: " << router.errorString() << '\n';
        return 1;
    }
    QFile ini(appDir.filePath(QStringLiteral("settings.ini")));
    if (!ini.open(QIODevice::WriteOnly)) {
        err << "cannot write " << ini.fileName() << '\n';
        return 1;
    }
    ini.write("[Options]\r\nRouter IP=127.0.0.1\r\nTelnet Port=" + QByteArray::number(router.port())
              + "\r\nRouter Username=root\r\nRouter Password=Gravo\r\nGraph points limit=0\r\n[Graphs]\r\n");
    for (int i = 0; i < shownGraphs().size(); ++i)
        ini.write("G" + QByteArray::number(i + 1) + "=" + shownGraphs().at(i).toLatin1() + "\r\n");
    ini.close();

    ScriptedDialogs dialogs; // nothing may wait for a click here
    frmMain window;
    window.setPingFunction([](const QString &address, qint32 &timeMs) {
        timeMs = 1;
        return address == QLatin1String("127.0.0.1");
    });
    window.Form_Load();
    window.show();
    if (!waitForIdle(window)) {
        err << "the router information was not fetched in time\n";
        return 1;
    }
    for (const auto &shown : dialogs.shown)
        err << "message: " << shown.text << '\n';

    showTab(window, 0);
    if (!save(window, folder + QStringLiteral("/app-stats.png"), err))
        return 1;
    showTab(window, 2);
    if (!save(window, folder + QStringLiteral("/app-report.png"), err))
        return 1;
    showTab(window, 0);

    window.cmdShowGraphs_Click();
    frmGraphs *graphs = window.graphsWindow(false);
    if (!graphs || !save(*graphs, folder + QStringLiteral("/app-graphs.png"), err))
        return 1;
    window.Form_QueryUnload(frmMain::UnloadMode::Program);
    return 0;
}

} // namespace quillon
