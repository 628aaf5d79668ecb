// Loading a shared library at run time (the vendor's RFC library).
#ifndef TIDEWARDEN_PLATFORM_SHARED_LIBRARY_H_
#define TIDEWARDEN_PLATFORM_SHARED_LIBRARY_H_

#include <memory>
#include <string>

namespace tidewarden {

class SharedLibrary {
 public:
  virtual ~SharedLibrary() = default;
  // The exported symbol by its plain name, or nullptr.
  virtual void* Symbol(const char* name) = 0;
};

// Loads `path` (a full path, or a bare name for the system's normal search).
// nullptr with *error set when it cannot be loaded.
std::unique_ptr<SharedLibrary> LoadSharedLibrary(const std::string& path, std::string* error);

// The file name of SAP's classic RFC client library on this operating
// system: "librfc32.dll" on Windows, "librfccm.so" elsewhere.
const char* ClassicRfcLibraryFileName();

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
