#include <QApplication>
#include <QLabel>
#include <QTimer>

namespace {

// Ends the program once the window has been drawn, like Quillon's start-up
// benchmark mode.
class MinimalWindow final : public QLabel
{
public:
    using QLabel::QLabel;

protected:
    void paintEvent(QPaintEvent *event) override
    {
        QLabel::paintEvent(event);
        if (!m_painted) {
            m_painted = true;
            QTimer::singleShot(0, qApp, &QCoreApplication::quit);
        }
    }

private:
    bool m_painted = false;
};

} // namespace

// Shows one small window and quits as soon as it is on screen.
int main(int argc, char **argv)
{
    QApplication app(argc, argv);
    MinimalWindow window(QStringLiteral("Minimal window"));
    window.resize(820, 600);
    window.show();
    return QApplication::exec();
}
