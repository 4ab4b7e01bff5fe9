#include "imaging/ui/pngresources.h"

#include "base/errorlog.h"
#include "resources/resources.h"

#include <QApplication>
#include <QBuffer>
#include <QFile>
#include <QImage>
#include <QImageReader>
#include <QPainter>
#include <QWidget>

namespace quillon {

namespace {

const QString kModule = QStringLiteral("modIcons");
constexpr int kIconSizes[] = {16, 24, 32, 48, 64};

QString pngPath(const QString &name)
{
    return QStringLiteral(":/png/") + name;
}

QString iconPath(const QString &set, int size)
{
    return QStringLiteral(":/icons/%1/%2").arg(set).arg(size);
}

// Our pictures are PNG only: naming the format and turning off detection keeps
// Qt from loading every image-format plugin at start-up.
QImage decodePNG(const QByteArray &bytes)
{
    if (!IsPNG(bytes))
        return {};
    QBuffer buffer;
    buffer.setData(bytes);
    buffer.open(QIODevice::ReadOnly);
    QImageReader reader(&buffer, "png");
    reader.setAutoDetectImageFormat(false);
    return reader.read();
}

QPixmap blendOver(const QImage &picture, const QColor &background)
{
    QImage out(picture.size(), QImage::Format_RGB32);
    out.fill(QColor(background.red(), background.green(), background.blue()));
    QPainter p(&out);
    p.setCompositionMode(QPainter::CompositionMode_SourceOver);
    p.drawImage(0, 0, picture.convertToFormat(QImage::Format_ARGB32_Premultiplied));
    p.end();
    return QPixmap::fromImage(out);
}

} // namespace

bool IsPNG(const QByteArray &bytes)
{
    static const QByteArray signature("\x89PNG\r\n\x1a\n", 8);
    return bytes.startsWith(signature);
}

QByteArray resourcePNGBytes(const QString &name)
{
    initResources();
    if (name.isEmpty() || name.contains(QLatin1Char('/')))
        return {};
    QFile file(pngPath(name));
    if (!file.open(QIODevice::ReadOnly))
        return {};
    return file.readAll();
}

QPixmap LoadResPNG(const QString &name, const QColor &background, qreal devicePixelRatio)
{
    if (devicePixelRatio > 1.0 && !name.isEmpty()) {
        const QByteArray sharp = resourcePNGBytes(name + QStringLiteral("@2x"));
        const QImage picture = decodePNG(sharp);
        if (!picture.isNull()) {
            QPixmap out = blendOver(picture, background);
            out.setDevicePixelRatio(2.0);
            return out;
        }
    }
    const QByteArray bytes = resourcePNGBytes(name);
    if (bytes.isEmpty()) {
        LogError(true, QStringLiteral("53"), QStringLiteral("Resource not found: ") + name, kModule, QStringLiteral("LoadResPNG"));
        return {};
    }
    const QImage picture = decodePNG(bytes);
    if (picture.isNull()) {
        LogError(true, QStringLiteral("481"), QStringLiteral("Invalid picture: ") + name, kModule, QStringLiteral("LoadResPNG"));
        return {};
    }
    return blendOver(picture, background);
}

QIcon iconSet(const QString &name)
{
    initResources();
    QIcon icon;
    if (name.isEmpty() || name.contains(QLatin1Char('/')))
        return icon;
    // addPixmap rather than addFile: addFile consults the MIME database and
    // loads the icon-engine plugins, a large share of start-up time.
    for (int size : kIconSizes) {
        QFile file(iconPath(name, size));
        if (!file.open(QIODevice::ReadOnly))
            continue;
        const QImage picture = decodePNG(file.readAll());
        if (!picture.isNull())
            icon.addPixmap(QPixmap::fromImage(picture));
    }
    return icon;
}

QPixmap iconPixmap(const QString &name, int size)
{
    initResources();
    // On a plain-density screen the file of that size is the answer; decoding
    // only it saves decoding the whole set.
    if (qApp && qApp->devicePixelRatio() <= 1.0 && !name.isEmpty() && !name.contains(QLatin1Char('/'))) {
        QFile file(iconPath(name, size));
        if (file.open(QIODevice::ReadOnly)) {
            const QImage picture = decodePNG(file.readAll());
            if (picture.size() == QSize(size, size))
                return QPixmap::fromImage(picture);
        }
    }
    const QIcon icon = iconSet(name);
    if (icon.isNull())
        return {};
    return icon.pixmap(QSize(size, size));
}

void SetIcon(QWidget *window, const QString &iconSetName, bool alsoOwner)
{
    const QIcon icon = iconSet(iconSetName);
    if (icon.isNull()) {
        LogError(false, QStringLiteral("53"), QStringLiteral("Icon set not found: ") + iconSetName, kModule, QStringLiteral("SetIcon"));
        return;
    }
    if (window)
        window->window()->setWindowIcon(icon);
    if (alsoOwner)
        QApplication::setWindowIcon(icon);
}

} // namespace quillon
