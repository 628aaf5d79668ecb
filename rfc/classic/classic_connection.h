// One connection of the classic library, with the records RfcOpen read.
#ifndef TIDEWARDEN_RFC_CLASSIC_CLASSIC_CONNECTION_H_
#define TIDEWARDEN_RFC_CLASSIC_CLASSIC_CONNECTION_H_

#include <string>

#include "base/call_log.h"
#include "base/logon_fields.h"
#include "rfc/classic/classic_library.h"
#include "rfc/sap_library.h"

namespace tidewarden {

// The texts and records RfcOpen reads. The library may keep pointers into
// them, so they live as long as the connection.
// The fields RfcOpen reads, padded as the library expects.
struct OpenRecords : LogonFields {
  RFC_OPTIONS options{};
  RFC_CONNOPT_R3 r3{};
  RFC_CONNOPT_CPIC cpic{};
  RFC_ERROR_INFO_EX error_info{};
  std::string connect_string;
};

class ClassicConnection : public SapConnection {
 public:
  ClassicConnection(ClassicSapLibrary& library, const CallLogger& log)
      : library_(library), table_(library.table()), log_(log) {}

  SapResult<ServerClock> ReadServerClock() override;
  SapResult<SystemInfo> ReadSystemInfo() override;
  SapResult<OraMainList> ReadOraMainList() override;
  void Close() override;

  OpenRecords& records() { return records_; }
  void set_handle(RFC_HANDLE handle) { handle_ = handle; }

 private:
  // A failed call's code and exception, with the library's last error text.
  CallFailure Failed(RFC_RC code, std::string exception);

  ClassicSapLibrary& library_;
  const ClassicRfcFunctions& table_;
  CallLogger log_;
  RFC_HANDLE handle_ = 0;
  OpenRecords records_;
};

}  // namespace tidewarden

#endif  // TIDEWARDEN_RFC_CLASSIC_CLASSIC_CONNECTION_H_
