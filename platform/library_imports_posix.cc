// The loader's message (dlerror) names a missing library itself.
#include "platform/library_imports.h"

namespace tidewarden {

UnloadableImports ImportsThatDoNotLoad(const std::string&) { return {}; }

}  // namespace tidewarden
