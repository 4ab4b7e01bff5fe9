#pragma once

#include <QString>

namespace quillon {

// The program folder: where settings, logs and captures live. It is the
// executable's folder; when that folder cannot be written (an installed copy)
// the per-user data folder is used instead, so nothing is lost silently.
// Tests and tools point it elsewhere with setAppDir() or QUILLON_APPDIR.
class AppPaths final
{
public:
    // Always ends with "/".
    static QString appDir();
    static void setAppDir(const QString &dir);
    // True when appDir() fell back from the executable's folder.
    static bool usingFallback();
    // appDir() + name
    static QString file(const QString &name);
};

} // namespace quillon
