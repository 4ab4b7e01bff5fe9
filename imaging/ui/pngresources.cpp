#include "imaging/ui/pngresources.h"

#include "app/core/errorlog.h"
#include "resources/resources.h"

#include <QApplication>
#include <QFile>
#include <QImage>
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
        QImage picture;
        if (IsPNG(sharp) && picture.loadFromData(sharp, "PNG")) {
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
    QImage picture;
    if (!IsPNG(bytes) || !picture.loadFromData(bytes, "PNG")) {
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
    for (int size : kIconSizes) {
        const QString path = iconPath(name, size);
        if (QFile::exists(path))
            icon.addFile(path, QSize(size, size));
    }
    return icon;
}

QPixmap iconPixmap(const QString &name, int size)
{
    initResources();
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
