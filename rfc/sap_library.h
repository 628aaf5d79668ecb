// The one seam between the probe and an SAP RFC library: log on, read the
// server clock, the system information and the Oracle main list, close.
// Every step returns a value or a failure; no step prints, writes a
// document or ends the process. Implemented over SAP's classic library
// (rfc/classic/) and over its NetWeaver library (rfc/netweaver/);
// rfc/library_choice.* picks one at run time.
#ifndef TIDEWARDEN_RFC_SAP_LIBRARY_H_
#define TIDEWARDEN_RFC_SAP_LIBRARY_H_

#include <cstddef>
#include <cstdint>
#include <memory>
#include <optional>
#include <string>
#include <variant>

#include "base/call_log.h"
#include "base/result.h"
#include "rfc/logon_request.h"

namespace tidewarden {

// The result codes of a function-module call, as the classic library
// numbers them; other values are other failures.
inline constexpr int kCallOk = 0;
inline constexpr int kCallFailure = 1;
inline constexpr int kCallException = 2;
inline constexpr int kCallSysException = 3;

// A function-module call that failed: the documents name the code, the
// exception and the library's last error text.
struct CallFailure {
  int code = kCallFailure;
  std::string exception;        // for kCallException and kCallSysException
  std::string last_error_text;  // " - <text>", " - Please Check Trace-File !", ...
};

// The library's error record, read when the failure happened.
struct ErrorRecord {
  std::string key;
  std::string status;
  std::string message;
  std::string internal_status;
};

// A failure that ends the run with the plain-text report and exit code 1.
struct FatalFailure {
  std::string operation;
  ErrorRecord record;
};

// The logon was refused (message 1011). What the library said, where it
// says it at the open (the classic library tells only its trace file).
struct LogonRefused {
  std::string key;      // the library's name for the kind, e.g. "RFC_LOGON_FAILURE"
  std::string message;  // its text, or why the probe refused before asking it
  // SAP itself refused the user's logon (user, password), as the library's
  // error code tells, never its text, which comes in the logon language.
  // Each such refusal counts towards SAP's lock of the user.
  bool by_sap = false;
};

// What a step on a connection fails with.
using SapFailure = std::variant<CallFailure, FatalFailure>;
template <typename T>
using SapResult = Result<T, SapFailure>;

// What a logon fails with.
using OpenFailure = std::variant<LogonRefused, FatalFailure>;

// The SAP host's date and time from the collector's last write.
struct ServerClock {
  std::string date;  // "yyyymmdd"
  std::string time;  // "hh:mm:ss"
};

// What the SAP system says about itself.
struct SystemInfo {
  std::string host;            // as reported, blanks kept
  std::string db_system_name;  // "ORACLE    ", ...
};

// The five figures of the Oracle main list (32-bit, as the records give them).
struct OraMainList {
  std::int32_t log_writes = 0;
  std::int32_t wait_busy = 0;
  std::int32_t rollbacks = 0;
  std::int32_t log_size = 0;
  std::int32_t log_alloc = 0;
  // A fatal failure that came after the figures were read (the classic
  // library's table delete). The caller delivers the figures first (prints
  // the listing channel, rewrites the profile) and then reports it.
  std::optional<FatalFailure> fatal_after_delivery;
};

// One open connection to one SAP system. Holds everything of that system;
// connections of one library do not share state.
class SapConnection {
 public:
  virtual ~SapConnection() = default;
  virtual SapResult<ServerClock> ReadServerClock() = 0;
  virtual SapResult<SystemInfo> ReadSystemInfo() = 0;
  virtual SapResult<OraMainList> ReadOraMainList() = 0;
  // Closes the connection; nothing is called after it.
  virtual void Close() = 0;
  // From another thread, while the owning thread may be inside a step: ends
  // the step in progress, and every later step fails without reaching the
  // system. Only for a library that allows parallel connections; after
  // Close it does nothing.
  virtual void Cancel() {}
};

class SapLibrary {
 public:
  virtual ~SapLibrary() = default;

  // Loads the library when first needed and prepares it for the calls that
  // follow; called before every logon. A library that cannot be loaded is
  // a fatal failure.
  virtual Result<void, FatalFailure> Prepare(const CallLogger& log) = 0;

  // Whether connections may be opened and used from several threads at
  // once, each by one thread, and cancelled from another. Known once
  // Prepare succeeded.
  virtual bool AllowsParallelConnections() { return false; }

  // The longest password, in characters, that the library passes to the
  // system. Known once Prepare succeeded.
  virtual std::size_t PasswordRoom() = 0;

  // Logs on. The connection writes its call lines to `log`.
  virtual Result<std::unique_ptr<SapConnection>, OpenFailure> Open(LogonRequest request,
                                                                   const CallLogger& log) = 0;

  // The library's last error text, as a failed call's message continues
  // (" - <text>", or a hint where to look).
  virtual std::string LastErrorText() = 0;

  // A run that succeeded leaves no error trail of the library behind.
  virtual Status DiscardErrorTrail() = 0;

  // Closes every connection: the fatal report's last library call.
  virtual void CloseAll() = 0;
};

}  // namespace tidewarden

#endif  // TIDEWARDEN_RFC_SAP_LIBRARY_H_
