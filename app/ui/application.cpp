#include "app/ui/application.h"

#include "base/appinfo.h"
#include "base/apppaths.h"
#include "base/signalpipe.h"
#include "app/ui/frmmain.h"
#include "app/ui/widgetdialogs.h"

#include <QApplication>
#include <QDialog>
#include <QEvent>
#include <QTimer>

#include <cstdio>
#include <cstring>

namespace quillon {

namespace {

// Start-up benchmark: the program ends once its window has been drawn, not
// merely asked to show (offscreen, drawing waits for the event loop).
class QuitAfterFirstPaint final : public QObject
{
public:
    using QObject::QObject;

protected:
    bool eventFilter(QObject *watched, QEvent *event) override
    {
        if (event->type() == QEvent::Paint && !m_done) {
            m_done = true;
            QTimer::singleShot(0, qApp, &QCoreApplication::quit);
        }
        return QObject::eventFilter(watched, event);
    }

private:
    bool m_done = false;
};

const char kUsage[] =
    "Usage: quillon [--help] [--version] [Qt options such as -platform NAME]\n"
    "\n"
    "ADSL line statistics, monitoring and tone graphs for routers with a telnet shell.\n"
    "\n"
    "  -h, --help     Show this help and exit.\n"
    "  -v, --version  Show the version and exit.\n"
    "\n"
    "Settings, logs and records live in the program folder: the folder of the\n"
    "executable for a copy run where it was built, else ~/.local/share/quillon/.\n"
    "The environment variable QUILLON_APPDIR names another folder.\n";

// Answered before the application object exists, so they need no display.
// Returns the exit code, or -1 to go on and start the window.
int answerInformationOptions(int argc, char **argv)
{
    for (int i = 1; i < argc; ++i) {
        if (!std::strcmp(argv[i], "--version") || !std::strcmp(argv[i], "-v")) {
            std::printf("%s\n", qPrintable(appTitleWithVersion()));
            return 0;
        }
        if (!std::strcmp(argv[i], "--help") || !std::strcmp(argv[i], "-h")) {
            std::fputs(kUsage, stdout);
            return 0;
        }
    }
    return -1;
}

} // namespace

int runApplication(int argc, char **argv)
{
    if (const int rc = answerInformationOptions(argc, argv); rc >= 0)
        return rc;
    QApplication app(argc, argv);
    // The application object has taken the options it knows out of argv.
    if (argc > 1) {
        std::fprintf(stderr, "quillon: unknown option %s (see quillon --help)\n", argv[1]);
        return 2;
    }
    // Docks match a running window to its menu entry by these: the window
    // class on X11 is the application name (the entry's StartupWMClass), the
    // application id on Wayland the entry's file name.
    QApplication::setApplicationName(appTitle());
    QApplication::setDesktopFileName(QStringLiteral("quillon"));
    QApplication::setQuitOnLastWindowClosed(false);
    WidgetDialogs dialogs;
    Dialogs::setHandler(&dialogs);

    int rc = 0;
    {
        frmMain window;
        // SIGTERM and SIGINT end the program like the tray menu's Exit:
        // settings are saved and the windows close in order.
        SignalPipe exitSignals;
        QObject::connect(&exitSignals, &SignalPipe::received, &window, &frmMain::ExitProgram);
        // An exit can arrive while a message box waits for an answer (a signal
        // during the first-start prompt): close the boxes so their loops end.
        QObject::connect(&window, &frmMain::unloaded, &app, [] {
            for (QWidget *w : QApplication::topLevelWidgets()) {
                if (auto *dialog = qobject_cast<QDialog *>(w); dialog && dialog->isVisible())
                    dialog->reject();
            }
            QApplication::quit();
        });
        if (qEnvironmentVariableIsSet("QUILLON_EXIT_AFTER_SHOW"))
            window.installEventFilter(new QuitAfterFirstPaint(&window));
        window.show();
        window.Form_Load();
        // quit() does nothing before the event loop runs, so an exit taken
        // during start-up (inside a start-up message box) ends here.
        if (!window.isUnloaded())
            rc = QApplication::exec();
    }
    Dialogs::setHandler(nullptr);
    return rc;
}

} // namespace quillon
