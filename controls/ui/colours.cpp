#include "controls/ui/colours.h"

#include <QGuiApplication>
#include <QPalette>

namespace quillon {

QColor toQColor(quint32 colour)
{
    return QColor(int(colour & 0xFF), int((colour >> 8) & 0xFF), int((colour >> 16) & 0xFF));
}

quint32 fromQColor(const QColor &colour)
{
    return quint32(colour.red()) | (quint32(colour.green()) << 8) | (quint32(colour.blue()) << 16);
}

quint32 systemButtonFace()
{
    return fromQColor(QGuiApplication::palette().color(QPalette::Button));
}

} // namespace quillon
