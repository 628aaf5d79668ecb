// Loading a shared library at run time (the vendor's RFC library).
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

// The file name of SAP's classic RFC client library on this operating
// system: "librfc32.dll" on Windows, "librfccm.so" elsewhere.
const char* ClassicRfcLibraryFileName();

// Loads a library that needs companion libraries lying beside it (SAP's
// NetWeaver library: ICU and libsapucum), from its full `path`, so that
// those companions are found there: Windows searches the library's own
// folder for its dependencies; elsewhere the loader does not, so every file
// of that folder whose name begins with one of `companion_prefixes` is
// loaded first, by full path, in the order of the prefixes (the order in
// which they depend on one another). A companion that fails to load fails
// the whole load, and *error names it.
std::unique_ptr<SharedLibrary> LoadSharedLibraryWithCompanions(
    const std::string& path, const std::vector<std::string>& companion_prefixes,
    std::string* error);

// The companion libraries SAP's NetWeaver RFC library needs in its folder
// on this operating system, by the beginning of their file names, in the
// order they depend on one another (the ICU libraries carry a version).
const std::vector<std::string>& NetWeaverCompanionFilePrefixes();

// The file name of SAP's NetWeaver RFC library on this operating system:
// "sapnwrfc.dll" on Windows, "libsapnwrfc.so" elsewhere.
const char* NetWeaverRfcLibraryFileName();

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
