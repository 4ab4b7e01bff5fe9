#include "app/ui/application.h"

#include "app/core/appinfo.h"
#include "app/ui/widgetdialogs.h"

#include <QApplication>
#include <QLabel>

namespace quillon {

int runApplication(int argc, char **argv)
{
    QApplication app(argc, argv);
    QApplication::setApplicationName(appTitle());
    WidgetDialogs dialogs;
    Dialogs::setHandler(&dialogs);

    QLabel window(appTitleWithVersion());
    window.show();
    const int rc = QApplication::exec();
    Dialogs::setHandler(nullptr);
    return rc;
}

} // namespace quillon
