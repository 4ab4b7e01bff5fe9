#include "resources/resources.h"

#include <QtGlobal>

// Q_INIT_RESOURCE declares its function at the enclosing namespace, so it must
// be used at global scope, outside every namespace (anonymous ones included).
static bool registerQuillonResources()
{
    Q_INIT_RESOURCE(quillon);
    return true;
}

namespace quillon {

void initResources()
{
    [[maybe_unused]] static const bool registered = registerQuillonResources();
}

} // namespace quillon
