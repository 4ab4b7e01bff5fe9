#include "base/appinfo.h"

namespace quillon {

QString appTitle()
{
    return QStringLiteral("Quillon");
}

QString appTitleWithVersion()
{
    return QStringLiteral("%1 v%2.%3.%4")
        .arg(appTitle())
        .arg(QUILLON_VERSION_MAJOR)
        .arg(QUILLON_VERSION_MINOR)
        .arg(QUILLON_VERSION_PATCH);
}

} // namespace quillon
