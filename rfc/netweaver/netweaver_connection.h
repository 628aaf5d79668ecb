// One logon through SAP's NetWeaver RFC library: function modules called
// through the library's metadata lookup, their fields read by name, and the
// handle passed to the library only while the library's registry says this
// connection still owns it.
#ifndef TIDEWARDEN_RFC_NETWEAVER_NETWEAVER_CONNECTION_H_
#define TIDEWARDEN_RFC_NETWEAVER_NETWEAVER_CONNECTION_H_

#include <cstdint>
#include <optional>
#include <string>
#include <utility>
#include <vector>

#include "rfc/netweaver/netweaver_library.h"
#include "rfc/netweaver/sapnwrfc.h"
#include "rfc/sap_library.h"

namespace tidewarden {

class NetWeaverConnection;

// Reads fields of a called function by name, fitted to the classic widths.
class FieldReader {
 public:
  FieldReader(NetWeaverConnection& connection, nwrfc::RFC_FUNCTION_HANDLE handle)
      : connection_(connection), handle_(handle) {}

  // The text of `field`, of `structure` when one is named.
  Result<std::string, FatalFailure> Text(const char* structure, const char* field);

 private:
  NetWeaverConnection& connection_;
  nwrfc::RFC_FUNCTION_HANDLE handle_;
};

class NetWeaverConnection : public SapConnection {
 public:
  // `ticket` is what the library's Register gave `handle`.
  NetWeaverConnection(NetWeaverSapLibrary& library, nwrfc::RFC_CONNECTION_HANDLE handle,
                      std::uint64_t ticket, const CallLogger& log)
      : library_(library), f_(library.functions()), log_(log), handle_(handle), ticket_(ticket) {}

  SapResult<ServerClock> ReadServerClock() override;
  SapResult<SystemInfo> ReadSystemInfo() override;
  SapResult<OraMainList> ReadOraMainList() override;
  void Close() override;
  void Cancel() override;

  NetWeaverSapLibrary& library() { return library_; }

 private:
  // What one function-module call ended with, besides the fields it read.
  struct CallEnd;

  static CallFailure Canceled();

  using Exporting = std::vector<std::pair<const char*, std::string>>;
  template <typename Read>
  CallEnd Call(const char* function, const Exporting& exporting, Read read);
  CallFailure Failed(nwrfc::RFC_RC code, const nwrfc::RFC_ERROR_INFO& info);

  NetWeaverSapLibrary& library_;
  const nwrfc::NwRfcFunctions& f_;
  CallLogger log_;
  // The value stays here after the handle is dead to this connection; the
  // library's registry says whether it may still be passed to the library.
  const nwrfc::RFC_CONNECTION_HANDLE handle_;
  const std::uint64_t ticket_;
};

}  // namespace tidewarden

#endif  // TIDEWARDEN_RFC_NETWEAVER_NETWEAVER_CONNECTION_H_
