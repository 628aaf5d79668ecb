#include <dirent.h>
#include <dlfcn.h>
#include <limits.h>
#include <link.h>
#include <unistd.h>

#include <algorithm>

#include "platform/paths.h"
#include "platform/posix_path.h"
#include "platform/shared_library.h"

namespace tidewarden {
namespace {

class PosixSharedLibrary : public SharedLibrary {
 public:
  explicit PosixSharedLibrary(void* handle) : handle_(handle) {}
  // The library stays loaded: its code may still be on the stack of an
  // error handler when the process ends.
  ~PosixSharedLibrary() override = default;
  void* Symbol(const char* name) override { return ::dlsym(handle_, name); }
  std::string LoadedPath() override {
    link_map* map = nullptr;
    if (::dlinfo(handle_, RTLD_DI_LINKMAP, &map) != 0 || map == nullptr || map->l_name == nullptr) {
      return std::string();
    }
    return map->l_name;
  }

 private:
  void* handle_;
};

}  // namespace

std::unique_ptr<SharedLibrary> LoadSharedLibrary(const std::string& path, std::string* error) {
  const std::string native =
      path.find_first_of("\\/") == std::string::npos ? path : ToPosixPath(path);
  void* handle = ::dlopen(native.c_str(), RTLD_NOW | RTLD_LOCAL);
  if (handle == nullptr) {
    const char* message = ::dlerror();
    *error = message != nullptr ? message : "cannot load " + path;
    return nullptr;
  }
  return std::make_unique<PosixSharedLibrary>(handle);
}

SharedLibraryForm SystemSharedLibraryForm() { return SharedLibraryForm::kSharedObject; }

std::unique_ptr<SharedLibrary> LoadSharedLibraryWithCompanions(
    const std::string& path, const std::vector<std::string>& companion_prefixes,
    std::string* error) {
  const std::string native = ToPosixPath(path);
  const std::string folder = DirectoryPart(native).empty() ? "./" : DirectoryPart(native);
  std::vector<std::string> names;
  if (DIR* dir = ::opendir(folder.c_str())) {
    while (const dirent* entry = ::readdir(dir)) names.emplace_back(entry->d_name);
    ::closedir(dir);
  }
  std::sort(names.begin(), names.end());
  for (const std::string& prefix : companion_prefixes) {
    for (const std::string& name : names) {
      if (name.compare(0, prefix.size(), prefix) != 0) continue;
      // Global, so that the library's own references to them resolve.
      if (::dlopen((folder + name).c_str(), RTLD_NOW | RTLD_GLOBAL) == nullptr) {
        const char* message = ::dlerror();
        *error = "companion " + name + ": " + (message != nullptr ? message : "cannot load");
        return nullptr;
      }
    }
  }
  return LoadSharedLibrary(native, error);
}

std::string OwnExecutableDirectory() {
  char buffer[PATH_MAX];
  ssize_t n = ::readlink("/proc/self/exe", buffer, sizeof buffer - 1);
  if (n <= 0) return std::string();
  return DirectoryPart(std::string(buffer, static_cast<std::size_t>(n)));
}

}  // namespace tidewarden
