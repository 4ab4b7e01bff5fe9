#pragma once

#include <QString>

namespace quillon {

// Runs the real main window against an in-process simulated router, fetches
// its information and saves app-stats.png, app-report.png and app-graphs.png
// into folder. Returns the process exit code.
int saveAppScreenshots(const QString &folder, const QString &profile);

} // namespace quillon
