// What a library file that is there but does not load lacks: the DLLs its
// import table names that do not load themselves. Windows only; elsewhere
// the loader's own message names a missing library already.
#ifndef TIDEWARDEN_PLATFORM_LIBRARY_IMPORTS_H_
#define TIDEWARDEN_PLATFORM_LIBRARY_IMPORTS_H_

#include <string>
#include <string_view>
#include <vector>

namespace tidewarden {

struct UnloadableImports {
  std::vector<std::string> names;  // as the import table spells them
  bool x64 = false;                // the library's width, for the runtime hint
};

// Tries each DLL the import table of the library at `path` names, as the
// loader would for that library (its own folder first), skipping the
// API-set names ("api-ms-*", "ext-ms-*"), and returns those that do not
// load. Empty when the file cannot be read or is no Windows library, and on
// other systems.
UnloadableImports ImportsThatDoNotLoad(const std::string& path);

// The Visual C++ runtime a DLL of `name` belongs to ("Visual C++ 2013" for
// MSVCR120.dll or MSVCP120.dll, "Visual C++ 2015-2022" for VCRUNTIME140.dll
// and MSVCP140.dll), or "" when it is none.
std::string VisualCppRuntimeOf(std::string_view name);

// The words a failed load's reason continues with: "; of the DLLs it
// imports, these do not load: A.dll, MSVCR120.dll (the Visual C++ 2013
// runtime, x64, may be missing)", or "" when nothing was found.
std::string DescribeUnloadableImports(const UnloadableImports& imports);

}  // namespace tidewarden

#endif  // TIDEWARDEN_PLATFORM_LIBRARY_IMPORTS_H_
