#include "platform/library_imports.h"

#include <cctype>

namespace tidewarden {

std::string VisualCppRuntimeOf(std::string_view name) {
  std::string upper;
  for (char c : name) upper += static_cast<char>(std::toupper(static_cast<unsigned char>(c)));
  std::string_view rest = upper;
  for (std::string_view prefix : {"MSVCR", "MSVCP", "VCRUNTIME"}) {
    if (!rest.starts_with(prefix)) continue;
    rest.remove_prefix(prefix.size());
    const std::string_view digits = rest.substr(0, rest.find_first_not_of("0123456789"));
    const struct {
      std::string_view digits;
      const char* version;
    } versions[] = {{"71", "2003"},  {"80", "2005"},  {"90", "2008"},      {"100", "2010"},
                    {"110", "2012"}, {"120", "2013"}, {"140", "2015-2022"}};
    for (const auto& version : versions) {
      if (digits == version.digits) return std::string("Visual C++ ") + version.version;
    }
    return "Visual C++";
  }
  return "";
}

std::string DescribeUnloadableImports(const UnloadableImports& imports) {
  if (imports.names.empty()) return "";
  std::string text = "; of the DLLs it imports, these do not load: ";
  std::string runtimes;
  for (const std::string& name : imports.names) {
    text += (&name == &imports.names.front() ? "" : ", ") + name;
    const std::string runtime = VisualCppRuntimeOf(name);
    if (runtime.empty() || runtimes.find(runtime + " ") != std::string::npos) continue;
    runtimes += (runtimes.empty() ? "" : "; ") + std::string("the ") + runtime + " runtime (" +
                (imports.x64 ? "x64" : "x86") + ", for " + name + ") may be missing";
  }
  return runtimes.empty() ? text : text + " (" + runtimes + ")";
}

}  // namespace tidewarden
