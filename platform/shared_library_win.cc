#include <windows.h>

#include "platform/paths.h"
#include "platform/shared_library.h"

namespace tidewarden {
namespace {

class WindowsSharedLibrary : public SharedLibrary {
 public:
  explicit WindowsSharedLibrary(HMODULE module) : module_(module) {}
  // The library stays loaded: its code may still be on the stack of an
  // error handler when the process ends.
  ~WindowsSharedLibrary() override = default;
  void* Symbol(const char* name) override {
    return reinterpret_cast<void*>(::GetProcAddress(module_, name));
  }
  std::string LoadedPath() override {
    char buffer[MAX_PATH + 1];
    const DWORD n = ::GetModuleFileNameA(module_, buffer, MAX_PATH);
    return n == 0 || n >= MAX_PATH ? std::string() : std::string(buffer, n);
  }

 private:
  HMODULE module_;
};

// "cannot load PATH (error 126: The specified module could not be found.)":
// the bare code leaves an admin to look it up. The text is the system's, in
// its language; without one the code stands alone.
std::string LoadError(const std::string& path, DWORD code) {
  std::string text = "cannot load " + path + " (error " + std::to_string(code);
  char buffer[512];
  DWORD n = ::FormatMessageA(
      FORMAT_MESSAGE_FROM_SYSTEM | FORMAT_MESSAGE_IGNORE_INSERTS | FORMAT_MESSAGE_MAX_WIDTH_MASK,
      nullptr, code, 0, buffer, sizeof buffer, nullptr);
  while (n > 0 && (buffer[n - 1] == ' ' || buffer[n - 1] == '\r' || buffer[n - 1] == '\n')) --n;
  std::string message(buffer, n);
  // Some texts name the file as an insert ("%1 is not a valid Win32 application.").
  const std::size_t insert = message.find("%1");
  if (insert != std::string::npos) message.replace(insert, 2, path);
  if (!message.empty()) text += ": " + message;
  return text + ")";
}

std::unique_ptr<SharedLibrary> Load(const std::string& path, DWORD flags, std::string* error) {
  // No error boxes on a monitor's service account.
  UINT old_mode = ::SetErrorMode(SEM_FAILCRITICALERRORS | SEM_NOOPENFILEERRORBOX);
  HMODULE module = ::LoadLibraryExA(path.c_str(), nullptr, flags);
  DWORD code = ::GetLastError();
  ::SetErrorMode(old_mode);
  if (module == nullptr) {
    *error = LoadError(path, code);
    return nullptr;
  }
  return std::make_unique<WindowsSharedLibrary>(module);
}

}  // namespace

std::unique_ptr<SharedLibrary> LoadSharedLibrary(const std::string& path, std::string* error) {
  return Load(path, 0, error);
}

SharedLibraryForm SystemSharedLibraryForm() { return SharedLibraryForm::kDll; }

std::unique_ptr<SharedLibrary> LoadSharedLibraryWithCompanions(const std::string& path,
                                                               const std::vector<std::string>&,
                                                               std::string* error) {
  // The altered search looks for the library's dependencies in its own
  // folder first, where the SDK's companions are installed.
  return Load(path, LOAD_WITH_ALTERED_SEARCH_PATH, error);
}

std::string OwnExecutableDirectory() {
  char buffer[MAX_PATH + 1];
  DWORD n = ::GetModuleFileNameA(nullptr, buffer, MAX_PATH);
  if (n == 0 || n >= MAX_PATH) return std::string();
  return DirectoryPart(std::string(buffer, n));
}

}  // namespace tidewarden
