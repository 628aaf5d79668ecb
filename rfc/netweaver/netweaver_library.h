// The SAP seam over SAP's NetWeaver RFC library (sapnwrfc): logon by name
// and value parameters, function modules called through the library's
// metadata lookup, fields read by name. Its outcomes are mapped to the
// classic call result codes, so the numbered messages stay one set.
#ifndef TIDEWARDEN_RFC_NETWEAVER_NETWEAVER_LIBRARY_H_
#define TIDEWARDEN_RFC_NETWEAVER_NETWEAVER_LIBRARY_H_

#include <memory>
#include <mutex>
#include <set>
#include <string>

#include "platform/file_system.h"
#include "rfc/netweaver/sapnwrfc.h"
#include "rfc/sap_library.h"

namespace tidewarden {

// The classic call result code of a NetWeaver result: 0, 2 (an ABAP
// exception), 3 (an ABAP message or runtime failure), 1 (the connection
// failed, was closed, cancelled or timed out), or -1 for any other.
int ClassicCallCode(nwrfc::RFC_RC code);

class NetWeaverSapLibrary : public SapLibrary {
 public:
  // `functions` must be complete; `fs` is where the trace file is removed
  // after a successful run.
  NetWeaverSapLibrary(const nwrfc::NwRfcFunctions& functions, FileSystem& fs)
      : functions_(functions), fs_(fs) {}

  std::optional<FatalFailure> Prepare(const CallLogger& log) override;
  // Each connection is used by one thread; RfcCancel comes from another.
  bool AllowsParallelConnections() override { return true; }
  // SAP's longest password.
  std::size_t PasswordRoom() override { return 40; }
  std::variant<std::unique_ptr<SapConnection>, LogonRefused, FatalFailure> Open(
      LogonRequest request, const CallLogger& log) override;
  std::string LastErrorText() override;
  void DiscardErrorTrail() override;
  void CloseAll() override;

  const nwrfc::NwRfcFunctions& functions() const { return functions_; }
  // Connections open now: the number the call log shows, since the
  // library's handles are addresses.
  int OpenCount();
  // Closes `handle` unless CloseAll closed it already: a handle is closed
  // once, whichever thread comes first.
  void CloseConnection(nwrfc::RFC_CONNECTION_HANDLE handle);
  void RememberLastError(const std::string& text);
  // The fatal failure of `operation`, with the record as the library filled it.
  FatalFailure Fatal(std::string operation, nwrfc::RFC_RC code, const nwrfc::RFC_ERROR_INFO& info);

 private:
  const nwrfc::NwRfcFunctions functions_;
  FileSystem& fs_;
  std::mutex mutex_;
  std::set<nwrfc::RFC_CONNECTION_HANDLE> open_;
  std::string last_error_text_;
};

}  // namespace tidewarden

#endif  // TIDEWARDEN_RFC_NETWEAVER_NETWEAVER_LIBRARY_H_
