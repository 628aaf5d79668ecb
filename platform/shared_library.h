// Loading a shared library at run time (the vendor's RFC library, whose
// names and companions rfc/ knows).
#ifndef TIDEWARDEN_PLATFORM_SHARED_LIBRARY_H_
#define TIDEWARDEN_PLATFORM_SHARED_LIBRARY_H_

#include <memory>
#include <string>
#include <vector>

namespace tidewarden {

class SharedLibrary {
 public:
  virtual ~SharedLibrary() = default;
  // The exported symbol by its plain name, or nullptr.
  virtual void* Symbol(const char* name) = 0;
  // The file the system loaded, which a bare name leaves open ("" when the
  // system cannot tell).
  virtual std::string LoadedPath() { return std::string(); }
};

// Loads `path` (a full path, or a bare name for the system's normal search).
// nullptr with *error set when it cannot be loaded.
std::unique_ptr<SharedLibrary> LoadSharedLibrary(const std::string& path, std::string* error);

// How this operating system's shared libraries are made and named: DLLs
// ("name.dll") on Windows, shared objects ("libname.so") elsewhere.
enum class SharedLibraryForm { kDll, kSharedObject };
SharedLibraryForm SystemSharedLibraryForm();

// Loads a library that needs companion libraries lying beside it, from its
// full `path`, so that those companions are found there: Windows searches the library's own
// folder for its dependencies; elsewhere the loader does not, so every file
// of that folder whose name begins with one of `companion_prefixes` is
// loaded first, by full path, in the order of the prefixes (the order in
// which they depend on one another). A companion that fails to load fails
// the whole load, and *error names it.
std::unique_ptr<SharedLibrary> LoadSharedLibraryWithCompanions(
    const std::string& path, const std::vector<std::string>& companion_prefixes,
    std::string* error);

// The folder of the running executable, with a trailing separator ("" when
// unknown).
std::string OwnExecutableDirectory();

// Turns a symbol address into a function pointer of type F.
template <typename F>
F* FunctionCast(void* symbol) {
  return reinterpret_cast<F*>(reinterpret_cast<void (*)()>(symbol));
}

}  // namespace tidewarden

#endif  // TIDEWARDEN_PLATFORM_SHARED_LIBRARY_H_
