// What the remote steps of a run share: the library table, the connection,
// the RFC status and what the SAP system told us.
#ifndef TIDEWARDEN_RFC_RFC_SESSION_H_
#define TIDEWARDEN_RFC_RFC_SESSION_H_

#include <string>

#include "output/log.h"
#include "output/result_document.h"
#include "platform/file_system.h"
#include "platform/system.h"
#include "rfc/rfc_library.h"

namespace tidewarden {

inline constexpr const char* kRfcStatusOk = "OK";
inline constexpr const char* kRfcStatusError = "ERR";
inline constexpr const char* kTraceFileName = "Dev_Rfc.Trc";

// The texts and records RfcOpen reads. The library may keep pointers into
// them, so they live as long as the session and are refilled by every open.
struct OpenRecords {
  std::string destination, client, user, password, language, mode, hostname, sysnr, gwhost,
      gwservice;
  RFC_OPTIONS options{};
  RFC_CONNOPT_R3 r3{};
  RFC_CONNOPT_CPIC cpic{};
  RFC_ERROR_INFO_EX error_info{};
  std::string connect_string;
};

struct RfcSession {
  explicit RfcSession(RfcLibrarySource& source) : source(source) {}

  RfcLibrarySource& source;
  const RfcLibrary* library = nullptr;  // set by SetRfcEnvironment
  std::string status = kRfcStatusError;
  RFC_HANDLE handle = 0;
  std::string server_date = "20000101";
  std::string server_time = "16:20:21";
  std::string db_system_name;
  // Structure descriptions are installed once per process.
  bool cpu_all_installed = false;
  bool rfcsi_installed = false;
  RFC_TYPEHANDLE cpu_all_type = 0;
  RFC_TYPEHANDLE rfcsi_type = 0;
  RFC_TYPEHANDLE tst04_type = 0;
  RFC_TYPEHANDLE gst04_type = 0;
  OpenRecords open;
};

// Everything a remote step reads or writes besides its own arguments.
struct RfcContext {
  FileSystem& fs;
  Console& console;
  LogSink& log;
  const std::string& option_string;           // upper-cased, for ",SYSLOG", ",HOST=", ",NO="
  const std::string& verbatim_option_string;  // the values of ",HOST=" and ",NO="
  ResultDocument& document;
  RfcSession& session;
};

}  // namespace tidewarden

#endif  // TIDEWARDEN_RFC_RFC_SESSION_H_
