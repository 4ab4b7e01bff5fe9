#pragma once

#include <QImage>
#include <QString>

#include <functional>

class QWidget;

namespace quillon {

// The top-level window of `window` as shown: frame included where the
// platform lets us read the screen (X11), else the window's own contents.
// Null when there is no window.
QImage CaptureForm(QWidget *window);

// "Screen_yyyymmdd_hhnnss.jpg" for the clock's current time.
QString CaptureFileName();

// Encodes the picture at the quality (1..100; anything else means 75) with
// 4:2:0 sampling into the program folder, never over an existing file.
// Returns the status text; on success *savedPath (if given) gets the full path.
// Encoder errors are logged through LogError.
QString SaveCapture(const QImage &picture, int quality, QString *savedPath = nullptr);

// The capture command: shows "Capturing screen image...", grabs the window,
// lets pending events run, shows "Saving image...", saves, shows and returns
// the final status.
QString CaptureWindow(QWidget *window, int quality,
                      const std::function<void(const QString &)> &showStatus = {},
                      QString *savedPath = nullptr);

} // namespace quillon
