#pragma once

#include <QString>

namespace quillon {

// The program folder: where settings, logs and captures live. It is the
// executable's folder for a copy run from where it was built or unpacked. An
// installed copy (its data files under ../share/quillon beside the
// executable's folder), or one whose folder cannot be written, uses the
// per-user data folder instead, so nothing is lost silently and nothing is
// written among the system's programs, not even by root.
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

    // The folder of the data files an installed copy ships (vendor table and
    // the like), with "/"; empty when this copy has none.
    static QString dataDir();
    static void setDataDir(const QString &dir);
    // Where to read a shipped data file: the program folder's copy (the
    // user's own edit, or a copy run from its build folder) when there is
    // one, else the installed one. Neither: the program folder's path, which
    // the loader finds missing.
    static QString shippedFile(const QString &name);
};

} // namespace quillon
