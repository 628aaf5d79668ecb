// The SAP seam over SAP's classic RFC client library (librfc32/librfccm).
#ifndef TIDEWARDEN_RFC_CLASSIC_CLASSIC_LIBRARY_H_
#define TIDEWARDEN_RFC_CLASSIC_CLASSIC_LIBRARY_H_

#include <memory>
#include <string>

#include "platform/file_system.h"
#include "platform/system.h"
#include "rfc/classic/call_pattern.h"
#include "rfc/classic/classic_functions.h"
#include "rfc/sap_library.h"

namespace tidewarden {

// The structure descriptions the library knows by type handle. Installed
// once per process: the only state the connections share.
struct StructureTypes {
  InstalledStructure cpu_all, rfcsi, tst04, gst04;
};

class ClassicSapLibrary : public SapLibrary {
 public:
  // `fs` holds the library's trace file; `console` takes the fatal report
  // the library's error callback prints before it ends the process.
  ClassicSapLibrary(const ClassicRfcFunctions& table, FileSystem& fs, Console& console)
      : table_(table), fs_(fs), console_(console) {}
  ~ClassicSapLibrary() override;

  Result<void, FatalFailure> Prepare(const CallLogger& log) override;
  // The record the classic options take the password from holds 31
  // characters (the profile's Password field).
  std::size_t PasswordRoom() override { return 31; }
  Result<std::unique_ptr<SapConnection>, OpenFailure> Open(LogonRequest request,
                                                           const CallLogger& log) override;
  std::string LastErrorText() override;
  Status DiscardErrorTrail() override;
  void CloseAll() override;

  // The report of a failure the library signals through its error
  // callback; ends the process (the callback must not return).
  [[noreturn]] void ReportFromCallback(const char* operation);

  const ClassicRfcFunctions& table() const { return table_; }
  StructureTypes& types() { return types_; }
  FileSystem& fs() { return fs_; }

 private:
  const ClassicRfcFunctions table_;
  FileSystem& fs_;
  Console& console_;
  StructureTypes types_;
};

}  // namespace tidewarden

#endif  // TIDEWARDEN_RFC_CLASSIC_CLASSIC_LIBRARY_H_
