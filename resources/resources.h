#pragma once

namespace quillon {

// Registers the embedded pictures and icons. Resources linked from a static
// library are not registered by themselves; every loader calls this first.
// Cheap after the first call.
void initResources();

} // namespace quillon
