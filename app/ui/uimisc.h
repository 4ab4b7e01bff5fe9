#pragma once

#include <QPixmap>
#include <QString>

class QComboBox;
class QWidget;

namespace quillon {

// Selects the first entry equal to text ignoring case; with none the
// selection is left alone.
void SetComboByString(QComboBox *combo, const QString &text);

// The display's logical pixels per inch (horizontal) for the widget.
int ScreenDpi(const QWidget *w);

// The picture enlarged by dpi / 96 when dpi differs from 96, smoothly.
QPixmap UpScalePic(const QPixmap &pic, int dpi);
QPixmap UpScalePic(const QPixmap &pic, const QWidget *w);

} // namespace quillon
