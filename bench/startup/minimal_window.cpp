#include <QApplication>
#include <QLabel>
#include <QTimer>

// Shows one small window and quits as soon as it is on screen.
int main(int argc, char **argv)
{
    QApplication app(argc, argv);
    QLabel window(QStringLiteral("Minimal window"));
    window.resize(820, 600);
    window.show();
    QTimer::singleShot(0, &app, &QApplication::quit);
    return QApplication::exec();
}
