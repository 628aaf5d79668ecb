// The SAP seam over SAP's NetWeaver RFC library (sapnwrfc): logon by name
// and value parameters, function modules called through the library's
// metadata lookup, fields read by name. Its outcomes are mapped to the
// classic call result codes, so the numbered messages stay one set.
#ifndef TIDEWARDEN_RFC_NETWEAVER_NETWEAVER_LIBRARY_H_
#define TIDEWARDEN_RFC_NETWEAVER_NETWEAVER_LIBRARY_H_

#include <cstdint>
#include <map>
#include <memory>
#include <mutex>
#include <optional>
#include <string>
#include <string_view>

#include "platform/file_system.h"
#include "rfc/netweaver/sapnwrfc.h"
#include "rfc/sap_library.h"

namespace tidewarden {

// The classic call result code of a NetWeaver result: 0, 2 (an ABAP
// exception), 3 (an ABAP message or runtime failure), 1 (the connection
// failed, was closed, cancelled or timed out), or -1 for any other.
int ClassicCallCode(nwrfc::RFC_RC code);

// SAP's library appends to dev_rfc.log at every connect and to dev_rfc.trc
// at every severe error, without end; each is set aside past this size.
inline constexpr std::int64_t kMaxLibraryLogBytes = 1024 * 1024;

// The folder SAP's library writes those files to, "" for the working
// directory or ending in a separator: `env_trace_dir` (the environment's
// RFC_TRACE_DIR), else RFC_TRACE_DIR of the DEFAULT section of
// `sapnwrfc_ini` (the working directory's sapnwrfc.ini).
std::string LibraryLogFolder(const std::optional<std::string>& env_trace_dir,
                             std::string_view sapnwrfc_ini);

// Renames each of the two files in `folder` that is larger than
// kMaxLibraryLogBytes to its name + ".old", replacing an older one. Two
// runs at once set aside one file between them; nothing is lost.
void SetAsideLargeLibraryLogs(FileSystem& fs, const std::string& folder);

class NetWeaverSapLibrary : public SapLibrary {
 public:
  // `functions` must be complete; `fs` is where the trace file is removed
  // after a successful run. Without `set_aside_logs` (a setup check) the
  // library's large log files stay where they are.
  NetWeaverSapLibrary(const nwrfc::NwRfcFunctions& functions, FileSystem& fs,
                      bool set_aside_logs = true)
      : functions_(functions), fs_(fs), library_logs_checked_(!set_aside_logs) {}

  Result<void, FatalFailure> Prepare(const CallLogger& log) override;
  // Each connection is used by one thread; RfcCancel comes from another.
  bool AllowsParallelConnections() override { return true; }
  // SAP's longest password.
  std::size_t PasswordRoom() override { return 40; }
  Result<std::unique_ptr<SapConnection>, OpenFailure> Open(LogonRequest request,
                                                           const CallLogger& log) override;
  std::string LastErrorText() override;
  Status DiscardErrorTrail() override;
  void CloseAll() override;

  const nwrfc::NwRfcFunctions& functions() const { return functions_; }
  // Connections open now: the number the call log shows, since the
  // library's handles are addresses.
  int OpenCount();

  // The registry of handle values. Each value has at most one owner, the
  // connection that registered it last; the others have lost it (the
  // library closed their connection and handed the value out again). An
  // owner is named by the ticket Register gave it.
  std::uint64_t Register(nwrfc::RFC_CONNECTION_HANDLE handle);
  // Marks a library call on the handle as running, so that a cancel in the
  // meantime ends it; false when the owner lost the handle or was
  // cancelled (the call is not made).
  bool EnterCall(nwrfc::RFC_CONNECTION_HANDLE handle, std::uint64_t ticket);
  // The call returned `code`: after one of the codes on which the library
  // closes the connection itself, the handle is dead to its owner.
  void LeaveCall(nwrfc::RFC_CONNECTION_HANDLE handle, std::uint64_t ticket, nwrfc::RFC_RC code);
  // From another thread: a later call is not made, and a call in progress
  // is cancelled (true), which makes the handle dead to its owner.
  bool Cancel(nwrfc::RFC_CONNECTION_HANDLE handle, std::uint64_t ticket);
  // Takes the handle from its owner: true when the caller is to close it,
  // outside every lock (the close is a logoff across the network).
  bool Release(nwrfc::RFC_CONNECTION_HANDLE handle, std::uint64_t ticket);

  void RememberLastError(const std::string& text);
  // The fatal failure of `operation`, with the record as the library filled it.
  FatalFailure Fatal(std::string operation, nwrfc::RFC_RC code, const nwrfc::RFC_ERROR_INFO& info);

 private:
  struct Owner {
    std::uint64_t ticket = 0;
    bool in_call = false;
    bool canceled = false;
  };

  const nwrfc::NwRfcFunctions functions_;
  FileSystem& fs_;
  std::mutex mutex_;
  std::map<nwrfc::RFC_CONNECTION_HANDLE, Owner> owners_;
  std::uint64_t next_ticket_ = 1;
  std::string last_error_text_;
  bool library_logs_checked_ = false;
};

}  // namespace tidewarden

#endif  // TIDEWARDEN_RFC_NETWEAVER_NETWEAVER_LIBRARY_H_
