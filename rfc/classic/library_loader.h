// Fills the function table from the vendor's RFC library, loaded when the
// run first needs it, so that runs ending earlier never depend on it.
#ifndef TIDEWARDEN_RFC_CLASSIC_LIBRARY_LOADER_H_
#define TIDEWARDEN_RFC_CLASSIC_LIBRARY_LOADER_H_

#include <memory>
#include <string>

#include "platform/shared_library.h"
#include "rfc/classic/rfc_library.h"

namespace tidewarden {


class VendorRfcLibrarySource : public RfcLibrarySource {
 public:
  // `program_path` is unused when the executable's folder can be asked of
  // the system; it is the fallback.
  explicit VendorRfcLibrarySource(std::string program_path)
      : program_path_(std::move(program_path)) {}
  const RfcLibrary* Get(std::string* failure_operation, std::string* failure_message,
                        RfcLibrary* partial) override;

 private:
  std::string program_path_;
  std::unique_ptr<SharedLibrary> library_;
  RfcLibrary table_;
  bool loaded_ = false;
};

// Fills `table` from `library` by the functions' plain names. Returns the
// name of the first missing function, or "" when all are there.
std::string FillRfcLibrary(SharedLibrary& library, RfcLibrary* table);

}  // namespace tidewarden

#endif  // TIDEWARDEN_RFC_CLASSIC_LIBRARY_LOADER_H_
