#pragma once

#include <QByteArray>
#include <QColor>
#include <QIcon>
#include <QPixmap>
#include <QString>

class QWidget;

namespace quillon {

// The embedded pictures: "PNG_LOGO" 385x25, "PNG_PING" 185x39, "PNG_SERVER"
// 32x32, "PNG_UP" and "PNG_DOWN" 16x16, all 8-bit RGBA.
//
// The named picture blended by its alpha over the background, as an opaque
// pixmap of the picture's size. A missing or damaged picture gives a null
// pixmap and an error-log record. On a high-density screen
// (devicePixelRatio > 1) the double-resolution copy is used where there is
// one; the pixmap's device-independent size stays the same.
QPixmap LoadResPNG(const QString &name, const QColor &background, qreal devicePixelRatio = 1.0);

// The raw bytes of an embedded picture (empty when there is none).
QByteArray resourcePNGBytes(const QString &name);

// True when the bytes start with the eight-byte PNG signature.
bool IsPNG(const QByteArray &bytes);

// The icon sets: "AAA" monitoring stopped, "AAB" connection up, "AAC"
// connection down; each in 16, 24, 32, 48 and 64 pixels. An unknown name
// gives a null icon.
QIcon iconSet(const QString &name);
QPixmap iconPixmap(const QString &name, int size);

// Makes the set the window's icon; with alsoOwner also the application's
// default icon, which task bars use for windows without their own.
void SetIcon(QWidget *window, const QString &iconSetName, bool alsoOwner = false);

} // namespace quillon
