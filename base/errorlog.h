#pragma once

#include "base/safefile.h"

#include <QString>

namespace quillon {

inline constexpr char ErrorLogFileName[] = "ErrorLog.txt";

// Shows an unexpected error (when showBox) and appends one record to
// "ErrorLog.txt" in the program folder. Never throws; a log that cannot be
// written loses the record (the box has been shown already) and says why.
WriteResult LogError(bool showBox, const QString &errNumber, const QString &errDescription,
                     const QString &moduleName, const QString &procName);

// The record line as written to the log, without the line end.
QString errorRecord(const QString &errNumber, const QString &errDescription,
                    const QString &moduleName, const QString &procName);

// The text of the error box.
QString errorMessage(const QString &errNumber, const QString &errDescription,
                     const QString &moduleName, const QString &procName);

// Login name and host name, as recorded with each error.
QString userName();
QString computerName();

} // namespace quillon
