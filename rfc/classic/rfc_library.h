// The one seam between the probe and the RFC library: a table of the
// library's functions. The shipped probe fills it from the vendor library
// at run time; unit tests fill it from the simulated SAP system.
#ifndef TIDEWARDEN_RFC_CLASSIC_RFC_LIBRARY_H_
#define TIDEWARDEN_RFC_CLASSIC_RFC_LIBRARY_H_

#include <string>

#include "rfc/classic/saprfc.h"

namespace tidewarden {

struct RfcLibrary {
  RfcEnvironmentFn* RfcEnvironment = nullptr;
  RfcOpenFn* RfcOpen = nullptr;
  RfcOpenExFn* RfcOpenEx = nullptr;
  RfcCloseFn* RfcClose = nullptr;
  RfcLastErrorFn* RfcLastError = nullptr;
  RfcInstallStructureFn* RfcInstallStructure = nullptr;
  RfcCallFn* RfcCall = nullptr;
  RfcReceiveFn* RfcReceive = nullptr;
  ItCreateFn* ItCreate = nullptr;
  ItDeleteFn* ItDelete = nullptr;
};

// Where the run gets its table from, when it first needs the library.
class RfcLibrarySource {
 public:
  virtual ~RfcLibrarySource() = default;
  // The filled table, or nullptr with *failure_operation naming the library
  // or the missing function and *failure_message saying what to install.
  // A partly filled table may be left in *partial for the fatal report.
  virtual const RfcLibrary* Get(std::string* failure_operation, std::string* failure_message,
                                RfcLibrary* partial) = 0;
};

// A source that hands out a table it was given (unit tests, simulator).
class FixedRfcLibrarySource : public RfcLibrarySource {
 public:
  explicit FixedRfcLibrarySource(const RfcLibrary& library) : library_(library) {}
  const RfcLibrary* Get(std::string*, std::string*, RfcLibrary*) override { return &library_; }

 private:
  RfcLibrary library_;
};

}  // namespace tidewarden

#endif  // TIDEWARDEN_RFC_CLASSIC_RFC_LIBRARY_H_
