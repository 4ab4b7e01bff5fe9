#include "imaging/ui/capture.h"

#include "base/apppaths.h"
#include "base/clock.h"
#include "base/errorlog.h"
#include "imaging/core/cjpeg.h"

#include <QCoreApplication>
#include <QGuiApplication>
#include <QPixmap>
#include <QScreen>
#include <QWidget>

#include <new>

namespace quillon {

namespace {

constexpr char kModule[] = "modCapture";
constexpr char kFilePrefix[] = "Screen_";
constexpr char kFileStamp[] = "yyyyMMdd_HHmmss";
constexpr char kFileSuffix[] = ".jpg";
constexpr char kStatusCapturing[] = "Capturing screen image...";
constexpr char kStatusSaving[] = "Saving image...";
constexpr char kStatusSaved[] = "Image saved as ";
constexpr char kStatusNotSaved[] = "Image could not be saved.";
constexpr int kOutOfMemory = 7;

// Reading the screen gives the frame too, but only X11 lets a client do that;
// elsewhere the grab is empty or the call is refused.
QImage grabFrameFromScreen(QWidget *top)
{
    if (QGuiApplication::platformName() != QLatin1String("xcb") || !top->isVisible() || top->isMinimized())
        return {};
    QScreen *screen = top->screen();
    if (!screen)
        return {};
    const QRect frame = top->frameGeometry();
    const QPoint origin = frame.topLeft() - screen->geometry().topLeft();
    return screen->grabWindow(0, origin.x(), origin.y(), frame.width(), frame.height()).toImage();
}

} // namespace

QImage CaptureForm(QWidget *window)
{
    if (!window)
        return {};
    QWidget *top = window->window();
    QImage image = grabFrameFromScreen(top);
    if (image.isNull())
        image = top->grab().toImage();
    if (image.isNull())
        return {};
    return image.convertToFormat(QImage::Format_RGB32);
}

QString CaptureFileName()
{
    return QLatin1String(kFilePrefix) + Clock::now().toString(QLatin1String(kFileStamp)) + QLatin1String(kFileSuffix);
}

QString SaveCapture(const QImage &picture, int quality, QString *savedPath)
{
    const QString name = CaptureFileName();
    if (picture.isNull())
        return QLatin1String(kStatusNotSaved);
    try {
        const QImage rgb = picture.convertToFormat(QImage::Format_RGB32);
        RgbImage pixels;
        pixels.pixels = rgb.constBits();
        pixels.width = rgb.width();
        pixels.height = rgb.height();
        pixels.bytesPerLine = rgb.bytesPerLine();
        pixels.layout = RgbImage::Layout::Xrgb32;

        cJpeg jpeg;
        jpeg.setQuality(quality);
        jpeg.SetSamplingFrequencies(2, 2, 1, 1, 1, 1);
        jpeg.SampleImage(pixels);
        const QString path = AppPaths::file(name);
        if (jpeg.SaveFile(path) == cJpeg::Saved) {
            if (savedPath)
                *savedPath = path;
            return QLatin1String(kStatusSaved) + path;
        }
    } catch (const JpegError &e) {
        LogError(true, QString::number(int(e.code())), e.description(), QLatin1String(kModule), QStringLiteral("SaveCapture"));
    } catch (const std::bad_alloc &) {
        LogError(true, QString::number(kOutOfMemory), QStringLiteral("Out of memory"), QLatin1String(kModule),
                 QStringLiteral("SaveCapture"));
    }
    return QLatin1String(kStatusNotSaved);
}

QString CaptureWindow(QWidget *window, int quality, const std::function<void(const QString &)> &showStatus,
                      QString *savedPath)
{
    const auto show = [&showStatus](const QString &text) {
        if (showStatus)
            showStatus(text);
    };
    show(QLatin1String(kStatusCapturing));
    const QImage picture = CaptureForm(window);
    QCoreApplication::processEvents();
    show(QLatin1String(kStatusSaving));
    const QString status = SaveCapture(picture, quality, savedPath);
    show(status);
    return status;
}

} // namespace quillon
