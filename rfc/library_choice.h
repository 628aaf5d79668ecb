// Which SAP RFC library a run talks through: the first of the candidates
// that loads, chosen when the run first needs a library, so that runs
// ending earlier never depend on one.
#ifndef TIDEWARDEN_RFC_LIBRARY_CHOICE_H_
#define TIDEWARDEN_RFC_LIBRARY_CHOICE_H_

#include <functional>
#include <memory>
#include <string>
#include <vector>

#include "platform/file_system.h"
#include "platform/shared_library.h"
#include "platform/system.h"
#include "rfc/classic/classic_functions.h"
#include "rfc/netweaver/sapnwrfc.h"
#include "rfc/sap_library.h"

namespace tidewarden {

enum class RfcLibraryKind { kClassic, kNetWeaver };

// One place a library is looked for, in the order tried.
struct RfcLibraryCandidate {
  RfcLibraryKind kind;
  std::string path;  // a full path, or a bare name for the system's search
};

// The probe's own folder first, the classic library before the NetWeaver
// one; then the system's search in the same order. `folder` may be "".
std::vector<RfcLibraryCandidate> RfcLibraryCandidates(const std::string& folder);

// The file names of SAP's libraries on this operating system: the classic
// "librfc32.dll" or "librfccm.so", the NetWeaver "sapnwrfc.dll" or
// "libsapnwrfc.so".
const char* ClassicRfcLibraryFileName();
const char* NetWeaverRfcLibraryFileName();

// The companion libraries the NetWeaver library needs beside it, by the
// beginning of their file names, in the order they depend on one another
// (the ICU libraries carry a version: icuuc50.dll for the 7.50 SDK, 34 for
// older ones).
const std::vector<std::string>& NetWeaverCompanionPrefixes();

// Fills the tables by the functions' plain names. Fail naming the first
// missing function ("lacks the function RfcOpen").
Status FillClassicFunctions(SharedLibrary& library, ClassicRfcFunctions* table);
Status FillNetWeaverFunctions(SharedLibrary& library, nwrfc::NwRfcFunctions* table);

// What became of one candidate when the library was chosen.
struct CandidateOutcome {
  RfcLibraryCandidate candidate;
  bool chosen = false;
  std::string error;        // why it cannot serve ("" when chosen)
  std::string loaded_path;  // the file the system loaded (chosen only; "" when unknown)
};

// Loads a candidate, or says why it cannot serve.
using CandidateLoader =
    std::function<Result<std::unique_ptr<SharedLibrary>>(const RfcLibraryCandidate&)>;

class ChosenSapLibrary : public SapLibrary {
 public:
  // `program_path` stands in for the executable's folder when the system
  // cannot tell it. `loader` loads a candidate (tests pass their own).
  ChosenSapLibrary(std::string program_path, FileSystem& fs, Console& console,
                   CandidateLoader loader = {});
  ~ChosenSapLibrary() override;

  Result<void, FatalFailure> Prepare(const CallLogger& log) override;
  bool AllowsParallelConnections() override;
  std::size_t PasswordRoom() override;
  Result<std::unique_ptr<SapConnection>, OpenFailure> Open(LogonRequest request,
                                                           const CallLogger& log) override;
  std::string LastErrorText() override;
  Status DiscardErrorTrail() override;
  void CloseAll() override;

  // A setup check's run: the NetWeaver library's large log files are not
  // set aside. REQUIRES: before the first Prepare.
  void LeaveLibraryLogsAlone() { set_aside_logs_ = false; }

  // Each candidate tried, in order, the chosen one last (empty before the
  // first Prepare). A setup check reports them.
  const std::vector<CandidateOutcome>& outcomes() const { return outcomes_; }
  // The NetWeaver library's version as it reports it ("7500.0.0 text"), ""
  // for the classic library, which reports none.
  const std::string& version() const { return version_; }
  // The folder searched first, the executable's (after the first Prepare).
  const std::string& folder() const { return folder_; }

 private:
  Result<void, FatalFailure> Choose(const CallLogger& log);
  // Makes the loaded candidate the library runs talk through, or says why
  // it cannot serve.
  Status Take(const RfcLibraryCandidate& candidate, std::unique_ptr<SharedLibrary> library,
              const CallLogger& log);

  std::string program_path_;
  FileSystem& fs_;
  Console& console_;
  CandidateLoader loader_;
  std::unique_ptr<SharedLibrary> shared_library_;
  std::unique_ptr<SapLibrary> chosen_;
  std::vector<CandidateOutcome> outcomes_;
  std::string version_;
  std::string folder_;
  bool set_aside_logs_ = true;
};

}  // namespace tidewarden

#endif  // TIDEWARDEN_RFC_LIBRARY_CHOICE_H_
