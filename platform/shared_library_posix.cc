#include <dlfcn.h>
#include <limits.h>
#include <unistd.h>

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

 private:
  void* handle_;
};

}  // namespace

std::unique_ptr<SharedLibrary> LoadSharedLibrary(const std::string& path, std::string* error) {
  const std::string native = path.find_first_of("\\/") == std::string::npos ? path : ToPosixPath(path);
  void* handle = ::dlopen(native.c_str(), RTLD_NOW | RTLD_LOCAL);
  if (handle == nullptr) {
    const char* message = ::dlerror();
    *error = message != nullptr ? message : "cannot load " + path;
    return nullptr;
  }
  return std::make_unique<PosixSharedLibrary>(handle);
}

const char* ClassicRfcLibraryFileName() { return "librfccm.so"; }

std::string OwnExecutableDirectory() {
  char buffer[PATH_MAX];
  ssize_t n = ::readlink("/proc/self/exe", buffer, sizeof buffer - 1);
  if (n <= 0) return std::string();
  return DirectoryPart(std::string(buffer, static_cast<std::size_t>(n)));
}

}  // namespace tidewarden
