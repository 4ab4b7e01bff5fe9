#pragma once

#include <QColor>
#include <QtGlobal>

namespace quillon {

// Our colour values keep red in the low byte, as the settings and the chart
// data text do.
QColor toQColor(quint32 colour);
quint32 fromQColor(const QColor &colour);
// The desktop's button-face colour, the default background of drawn controls.
quint32 systemButtonFace();

} // namespace quillon
