// The simulated RFC library's per-process state and the work behind each of
// its C functions: connections, installed structures, internal tables, the
// last error, the trace file and the call log.
#ifndef TIDEWARDEN_SIM_SIMULATOR_H_
#define TIDEWARDEN_SIM_SIMULATOR_H_

#include <cstdint>
#include <map>
#include <optional>
#include <span>
#include <string>
#include <vector>

#include "rfc/classic/saprfc.h"
#include "sim/connect_string.h"
#include "sim/description.h"
#include "sim/interfaces.h"
#include "sim/sim_core.h"

namespace tidewarden::sim {

inline constexpr const char* kTraceFileName = "Dev_Rfc.Trc";

// Configured through the SimCore members (sim_control.h).
class Simulator : public SimCore {
 public:
  // The library's functions.
  void Environment(RFC_ENV* environment);
  RFC_HANDLE Open(RFC_OPTIONS* options);
  RFC_HANDLE OpenEx(char* connect_param, RFC_ERROR_INFO_EX* error_info);
  void Close(RFC_HANDLE handle);
  int LastError(RFC_ERROR_INFO* error_info);
  RFC_RC InstallStructure(char* name, RFC_TYPE_ELEMENT* elements, unsigned entries,
                          RFC_TYPEHANDLE* type_handle);
  RFC_RC Call(RFC_HANDLE handle, char* function, RFC_PARAMETER* parameters, RFC_TABLE* tables);
  RFC_RC Receive(RFC_HANDLE handle, RFC_PARAMETER* parameters, RFC_TABLE* tables, char** exception);
  ITAB_H Create(char* name, unsigned leng, unsigned occu, unsigned memo);
  int Delete(ITAB_H table);

  // Lines of the call log since the last reset (also when no file is named).
  const std::vector<std::string>& call_log() const { return logged(); }
  // Rows held by an internal table; -1 when it does not exist.
  long TableRows(ITAB_H table) const;
  int OpenConnections() const { return static_cast<int>(connections_.size()); }

 private:
  struct TableEntry {
    std::string name;
    unsigned nlen;
    RFC_TYPEHANDLE type;
    unsigned leng;
    ITAB_H ithandle;
    int itmode;
    int newitab;
    bool operator==(const TableEntry&) const = default;
  };
  struct Connection {
    const System* system = nullptr;
    const FunctionSpec* pending = nullptr;  // called, not yet received
    std::vector<TableEntry> pending_tables;
    bool broken = false;  // after a failure the partner has gone
  };
  struct Table {
    std::string name;
    unsigned leng = 0;
    std::vector<std::string> rows;
  };
  struct ErrorInfo {
    std::string key, status, message, intstat;
  };

  const System* CurrentSystem() const;
  const Fault* FaultFor(const System* system, const std::string& target,
                        const std::string& object) const;

  // Whether the description fails `target` for `object`; if so, the failure
  // (with `message` unless the fault has its own) and `result` are logged.
  bool ResourceFault(const char* target, const std::string& object, const std::string& operation,
                     const char* status, const std::string& message, const char* result);

  void WriteTrace(const std::vector<std::string>& lines);
  void WriteNote();
  std::string TraceStamp() const;  // "20251118 090500", local time
  void TraceError(const std::string& location, const std::string& message);

  // Records the error; with `fatal`, calls the error handler (or ends the
  // process when none is installed). Returns RFC_FAILURE when the handler
  // returned.
  RFC_RC Fail(const std::string& operation, const ErrorInfo& error, const std::string& location,
              bool fatal);
  // A contract violation by the caller: always fatal.
  RFC_RC Violation(const std::string& operation, const std::string& message);

  RFC_HANDLE FailOpen(const std::string& key, const std::string& message,
                      const std::string& location, RFC_ERROR_INFO_EX* error_info);
  // The SapRfc.ini entry of an RfcOpenEx destination, logged; "" or why
  // there is none.
  std::string ReadDestination(const std::string& dest, IniDestination* entry);
  RFC_HANDLE FinishOpen(const System* system, const std::string& client, const std::string& user,
                        const std::string& password, const std::string& language,
                        RFC_ERROR_INFO_EX* error_info);

  // Walks a parameter or table list; returns the first mismatch, "" when it
  // matches the function module's interface. Details go to *log.
  std::string CheckParameters(const FunctionSpec& function, const char* direction,
                              std::span<const ParameterSpec> expected, RFC_PARAMETER* list,
                              bool check_values, std::vector<std::string>* log);
  std::string CheckTables(const FunctionSpec& function, RFC_TABLE* list,
                          std::vector<TableEntry>* entries, std::vector<std::string>* log);
  std::string CheckType(const std::string& what, const ParameterSpec& spec,
                        RFC_TYPEHANDLE type) const;

  // The answer of a call that the description fails as it is sent, and
  // as it is received.
  RFC_RC CallFault(Connection& c, const FunctionSpec& spec, const Fault& fault);
  RFC_RC ReceiveFault(Connection& c, const FunctionSpec& spec, const Fault& fault,
                      char** exception);

  std::string BuildRecord(const System& system, const StructureSpec& structure) const;
  void WriteAnswers(const System& system, const FunctionSpec& function, RFC_PARAMETER* list,
                    const std::vector<TableEntry>& tables);

  RFC_ERROR_HANDLER handler_ = nullptr;
  bool note_written_ = false;
  bool errors_written_ = false;
  std::map<RFC_HANDLE, Connection> connections_;
  RFC_HANDLE last_opened_ = 0;
  std::map<std::uintptr_t, Table> tables_;
  std::map<std::string, RFC_TYPEHANDLE> structures_;
  std::optional<ErrorInfo> last_error_;
  std::string exception_;
};

// The process's one simulator (never destroyed: the library may be entered
// from an error handler while the process ends).
Simulator& TheSimulator();
// Replaces it by a fresh one, as at process start.
void ResetSimulator();

}  // namespace tidewarden::sim

#endif  // TIDEWARDEN_SIM_SIMULATOR_H_
