#pragma once

#include <QString>

namespace quillon {

// The program's name as shown in captions, message boxes and records.
QString appTitle();
// "Quillon v1.0.0": the title with the major, minor and revision numbers.
QString appTitleWithVersion();

} // namespace quillon
