#include "app/ui/uimisc.h"

#include "base/misc.h"

#include <QComboBox>
#include <QGuiApplication>
#include <QScreen>
#include <QWidget>

namespace quillon {

namespace {

constexpr int DesignDpi = 96;

} // namespace

void SetComboByString(QComboBox *combo, const QString &text)
{
    if (!combo)
        return;
    for (int i = 0; i < combo->count(); ++i) {
        if (combo->itemText(i).compare(text, Qt::CaseInsensitive) == 0) {
            combo->setCurrentIndex(i);
            return;
        }
    }
}

int ScreenDpi(const QWidget *w)
{
    if (w)
        return w->logicalDpiX();
    const QScreen *screen = QGuiApplication::primaryScreen();
    return screen ? int(roundHalfEven(screen->logicalDotsPerInchX())) : DesignDpi;
}

QPixmap UpScalePic(const QPixmap &pic, int dpi)
{
    if (pic.isNull() || dpi <= 0 || dpi == DesignDpi)
        return pic;
    const double factor = double(dpi) / DesignDpi;
    const int width = int(qMax<qint64>(1, roundHalfEven(pic.width() * factor)));
    const int height = int(qMax<qint64>(1, roundHalfEven(pic.height() * factor)));
    return pic.scaled(width, height, Qt::IgnoreAspectRatio, Qt::SmoothTransformation);
}

QPixmap UpScalePic(const QPixmap &pic, const QWidget *w)
{
    return UpScalePic(pic, ScreenDpi(w));
}

} // namespace quillon
