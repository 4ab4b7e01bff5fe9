// Builds the main window's controls, shows each tab in turn and saves it as
// <folder>/tab-<n>-<name>.png; with --app, pictures of the working program
// after a fetch from a simulated router instead. Run on the offscreen platform.

#include "app/ui/mainui.h"
#include "controls/ui/orbtab.h"
#include "tools/screenshots/appshots.h"

#include <QApplication>
#include <QDir>
#include <QFrame>
#include <QPixmap>
#include <QTextStream>
#include <QWidget>

using namespace quillon;

int main(int argc, char **argv)
{
    QApplication app(argc, argv);
    QTextStream err(stderr);
    if (argc < 2) {
        err << "usage: quillon-screenshots <folder> [suffix]\n"
               "       quillon-screenshots --app <folder> [adsl|adsl2plus]\n";
        return 2;
    }
    if (QString::fromLocal8Bit(argv[1]) == QLatin1String("--app")) {
        if (argc < 3) {
            err << "--app needs a folder\n";
            return 2;
        }
        const QString folder = QString::fromLocal8Bit(argv[2]);
        QDir().mkpath(folder);
        return saveAppScreenshots(folder, argc > 3 ? QString::fromLocal8Bit(argv[3]) : QStringLiteral("adsl2plus"));
    }
    const QString folder = QString::fromLocal8Bit(argv[1]);
    const QString suffix = argc > 2 ? QString::fromLocal8Bit(argv[2]) : QString();
    QDir().mkpath(folder);

    QWidget window;
    window.setWindowTitle(QStringLiteral("Quillon"));
    MainUi ui;
    ui.setupUi(&window);
    window.show();

    for (int tab = 0; tab < ui.OrbTab1->TabCount(); ++tab) {
        ui.OrbTab1->SelectTabManually(tab);
        for (int i = 0; i < int(ui.fraTabs.size()); ++i)
            ui.fraTabs[i]->setVisible(i == tab);
        QCoreApplication::processEvents();
        const QString name = ui.OrbTab1->caption(tab).toLower().replace(QLatin1Char(' '), QLatin1Char('-'));
        const QString path = QStringLiteral("%1/tab-%2-%3%4.png").arg(folder).arg(tab).arg(name, suffix);
        if (!window.grab().save(path)) {
            err << "cannot write " << path << '\n';
            return 1;
        }
    }
    return 0;
}
