#pragma once

#include <QList>
#include <QRect>
#include <QtGlobal>

namespace quillon {

// Colours are 32-bit values with red in the low byte.
//
// The colour steps of a shaded face: from light to shade, or light to normal
// to shade when triColour. At least two steps; resolution is capped at 256
// because more steps than colour levels only cost time.
QList<quint32> gradientSteps(quint32 light, quint32 shade, quint32 normal, bool triColour, int resolution);

// GradientDirection: 0 left to right, 1 top to bottom, 2 right to left,
// 3 bottom to top; other values fall back to 1.
// The band of step i (of count) across a face of the given size.
QRect gradientBand(QSize face, int direction, int index, int count);

// The box a caption of the given size occupies once turned by angle degrees
// (counter-clockwise), centred on the origin.
QRect RotateRect(QSize text, double angleDegrees);

// Alignment: 0 left, 1 right, 2 centre (horizontally; always centred
// vertically). Where a box of the given size sits inside the face.
QRect alignBox(QSize face, QSize box, int alignment, int margin);

} // namespace quillon
