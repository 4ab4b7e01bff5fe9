// Prints where controls of the main window lie, in window coordinates, as laid
// out on the display this runs on: "NAME X Y" per argument. An argument
// "OrbTab1:N" names the strip's tab N. The packaging test clicks there with
// xdotool in an installed copy shown on the same display.

#include "app/ui/frmmain.h"
#include "base/dialogs.h"
#include "controls/ui/orbtab.h"

#include <QApplication>
#include <QFrame>
#include <QTextStream>

using namespace quillon;

int main(int argc, char **argv)
{
    QApplication app(argc, argv);
    ScriptedDialogs dialogs;
    frmMain w;
    w.show();
    w.Form_Load();
    QTextStream out(stdout);
    int rc = 0;
    for (int i = 1; i < argc; ++i) {
        const QString arg = QString::fromLocal8Bit(argv[i]);
        QPoint centre;
        if (arg.startsWith(QLatin1String("OrbTab1:"))) {
            QCoreApplication::processEvents();
            centre = w.ui.OrbTab1->mapTo(&w, w.ui.OrbTab1->tabRect(arg.mid(8).toInt()).center());
        } else if (auto *widget = w.findChild<QWidget *>(arg)) {
            // Controls of another tab are laid out once their page shows.
            for (QFrame *page : w.ui.fraTabs)
                page->setVisible(page->isAncestorOf(widget));
            QCoreApplication::processEvents();
            centre = widget->mapTo(&w, widget->rect().center());
        } else {
            QTextStream(stderr) << "no control " << arg << '\n';
            rc = 1;
            continue;
        }
        out << arg << ' ' << centre.x() << ' ' << centre.y() << '\n';
    }
    return rc;
}
