// The simulated NetWeaver RFC library: the same described systems as the
// classic simulator, answered through SAP's NetWeaver client functions, with
// that library's result codes and error records. Safe to call from several
// threads: one mutex guards all state, and delays wait without it.
#ifndef TIDEWARDEN_SIM_NW_SIMULATOR_H_
#define TIDEWARDEN_SIM_NW_SIMULATOR_H_

#include <condition_variable>
#include <cstdint>
#include <map>
#include <mutex>
#include <optional>
#include <set>
#include <string>
#include <thread>
#include <vector>

#include "rfc/netweaver/sapnwrfc.h"
#include "sim/description.h"
#include "sim/interfaces.h"
#include "sim/sim_core.h"

// The library's functions as X(result, SAP's name, the simulator's method,
// parameters, arguments): the simulator's methods, the drop-in's exports
// under SAP's names (nw_exports.cc) and the static library's functions under
// names of its own (nw_functions.cc).
#define TIDEWARDEN_SIM_NW_FUNCTIONS(X)                                                         \
  X(const nwrfc::SAP_UC*, RfcGetVersion, GetVersion,                                           \
    (unsigned* major, unsigned* minor, unsigned* patch), (major, minor, patch))                \
  X(nwrfc::RFC_CONNECTION_HANDLE, RfcOpenConnection, OpenConnection,                           \
    (const nwrfc::RFC_CONNECTION_PARAMETER* parameters, unsigned count,                        \
     nwrfc::RFC_ERROR_INFO* error),                                                            \
    (parameters, count, error))                                                                \
  X(nwrfc::RFC_RC, RfcCloseConnection, CloseConnection,                                        \
    (nwrfc::RFC_CONNECTION_HANDLE handle, nwrfc::RFC_ERROR_INFO * error), (handle, error))     \
  X(nwrfc::RFC_FUNCTION_DESC_HANDLE, RfcGetFunctionDesc, GetFunctionDesc,                      \
    (nwrfc::RFC_CONNECTION_HANDLE handle, const nwrfc::SAP_UC* name,                           \
     nwrfc::RFC_ERROR_INFO* error),                                                            \
    (handle, name, error))                                                                     \
  X(nwrfc::RFC_FUNCTION_HANDLE, RfcCreateFunction, CreateFunction,                             \
    (nwrfc::RFC_FUNCTION_DESC_HANDLE description, nwrfc::RFC_ERROR_INFO * error),              \
    (description, error))                                                                      \
  X(nwrfc::RFC_RC, RfcDestroyFunction, DestroyFunction,                                        \
    (nwrfc::RFC_FUNCTION_HANDLE function, nwrfc::RFC_ERROR_INFO * error), (function, error))   \
  X(nwrfc::RFC_RC, RfcSetChars, SetChars,                                                      \
    (nwrfc::DATA_CONTAINER_HANDLE container, const nwrfc::SAP_UC* name,                        \
     const nwrfc::RFC_CHAR* value, unsigned length, nwrfc::RFC_ERROR_INFO* error),             \
    (container, name, value, length, error))                                                   \
  X(nwrfc::RFC_RC, RfcInvoke, Invoke,                                                          \
    (nwrfc::RFC_CONNECTION_HANDLE handle, nwrfc::RFC_FUNCTION_HANDLE function,                 \
     nwrfc::RFC_ERROR_INFO * error),                                                           \
    (handle, function, error))                                                                 \
  X(nwrfc::RFC_RC, RfcGetStructure, GetStructure,                                              \
    (nwrfc::DATA_CONTAINER_HANDLE container, const nwrfc::SAP_UC* name,                        \
     nwrfc::RFC_STRUCTURE_HANDLE* structure, nwrfc::RFC_ERROR_INFO* error),                    \
    (container, name, structure, error))                                                       \
  X(nwrfc::RFC_RC, RfcGetString, GetString,                                                    \
    (nwrfc::DATA_CONTAINER_HANDLE container, const nwrfc::SAP_UC* name, nwrfc::SAP_UC* buffer, \
     unsigned buffer_length, unsigned* string_length, nwrfc::RFC_ERROR_INFO* error),           \
    (container, name, buffer, buffer_length, string_length, error))                            \
  X(const nwrfc::SAP_UC*, RfcGetRcAsString, RcAsString, (nwrfc::RFC_RC rc), (rc))              \
  X(nwrfc::RFC_RC, RfcCancel, Cancel,                                                          \
    (nwrfc::RFC_CONNECTION_HANDLE handle, nwrfc::RFC_ERROR_INFO * error), (handle, error))

namespace tidewarden::sim {

// Severe errors only, as SAP's library writes them even at trace level 0.
inline constexpr const char* kNwTraceFileName = "dev_rfc.trc";
// Written at every connect, in RFC_TRACE_DIR when set.
inline constexpr const char* kNwConnectLogName = "dev_rfc.log";
// What RfcGetVersion returns: a setup check recognises the simulated
// library by it.
inline constexpr const char16_t* kNwVersionText =
    u"Tidewarden SIMULATED NetWeaver RFC library (not SAP's): it serves only the systems listed "
    u"in SapSim.txt";

// Configured through the SimCore members (sim_control.h) before any thread
// calls in; its sleeper replaces the wait of a delay (not cancelable).
class NwSimulator : public SimCore {
 public:
  // The drop-in ends the process on a contract violation, so that a run
  // against it fails; tests in this process count them instead.
  bool abort_on_violation = true;

  // The library's functions.
#define TIDEWARDEN_SIM_DECLARE(Result, name, method, parameters, arguments) \
  Result method parameters;
  TIDEWARDEN_SIM_NW_FUNCTIONS(TIDEWARDEN_SIM_DECLARE)
#undef TIDEWARDEN_SIM_DECLARE

  // For tests and the check at unload.
  std::vector<std::string> CallLog() const;
  std::vector<std::string> Violations() const;
  int LiveFunctions() const;
  int WaitingCalls() const;  // calls inside a delay now
  // Writes the call-log line of the library's unload (its static
  // destructors ran: the process ended normally).
  void NoteUnload();
  // "" when every function handle was destroyed, else what was left.
  std::string LeakReport() const;

 private:
  struct Connection {
    const System* system = nullptr;
    std::thread::id opener;  // the one thread that may use it
    bool busy = false;       // a call runs on it (in a delay)
    bool canceled = false;   // freed when the call in progress returns
    bool closing = false;    // inside RfcCloseConnection (in its delay)
  };
  struct Function {
    const FunctionSpec* spec = nullptr;
    // "PARAMETER" or "PARAMETER.FIELD" to its text: initial values, then
    // what the caller set and the system answered.
    std::map<std::string, std::string> values;
    std::map<std::string, std::uint64_t> structures;  // by parameter name
  };
  struct Structure {
    std::uint64_t function = 0;
    const ParameterSpec* parameter = nullptr;
  };
  struct Failure {
    nwrfc::RFC_RC code;
    nwrfc::RFC_ERROR_GROUP group;
    std::string key;
    std::string message;
  };
  // How a call on a connection cancelled by RfcCancel fails.
  static inline const Failure kCanceled{nwrfc::RFC_CANCELED, nwrfc::COMMUNICATION_FAILURE,
                                        "RFC_CANCELED", "Connection was canceled."};
  // A failure of the library itself: its group is the code's, its key the
  // code's name.
  static Failure LibraryFailure(nwrfc::RFC_RC code, std::string message);
  // What a described fault of a call makes the library answer.
  static Failure FailureOf(const Fault& fault, const char* function);

  // A logon's parameters by upper-case name.
  using Parameters = std::map<std::string, std::string>;
  // Why a logon fails: the code, the message and where it failed.
  struct Refusal {
    nwrfc::RFC_RC code;
    std::string message;
    std::string location;
  };

  const Description* EnsureDescription();
  // The steps of RfcOpenConnection: the parameters read and logged
  // (nullopt after a violation), their forms, the system they name and the
  // logon to it.
  std::optional<Parameters> ReadParameters(const nwrfc::RFC_CONNECTION_PARAMETER* parameters,
                                           unsigned count, nwrfc::RFC_ERROR_INFO* error);
  std::optional<Refusal> FormProblem(const Parameters& p, unsigned count,
                                     const Description* description);
  std::optional<Refusal> FindTarget(const Parameters& p, const Description& description,
                                    const System** system, std::string* target);
  std::optional<Refusal> LogOn(std::unique_lock<std::mutex>& lock, const System& system,
                               const Parameters& p, std::string* match);
  void WriteTrace(const std::string& location, const std::string& message);

  // Fills *error, writes the call log and, for a severe failure (of a
  // logon, lookup or call, not of a getter's buffer), the trace block;
  // returns the code.
  nwrfc::RFC_RC Fail(nwrfc::RFC_ERROR_INFO* error, const Failure& failure,
                     const std::string& location, bool severe = true);
  // A misuse by the caller: ends the process, or is counted and answered
  // with `code` (tests).
  nwrfc::RFC_RC Violation(nwrfc::RFC_ERROR_INFO* error, nwrfc::RFC_RC code,
                          const std::string& message);
  // The violation of a call without its error record.
  nwrfc::RFC_RC NullErrorRecord(const char* operation);
  static nwrfc::RFC_RC Succeed(nwrfc::RFC_ERROR_INFO* error);
  static void FillErrorRecord(nwrfc::RFC_ERROR_INFO* error, const Failure& failure);

  // The state behind a handle; nullptr (after a violation) when the handle
  // is not one of the kind or is no longer alive.
  Connection* UsableConnection(nwrfc::RFC_CONNECTION_HANDLE handle, const std::string& operation,
                               nwrfc::RFC_ERROR_INFO* error);
  Function* LiveFunction(nwrfc::DATA_CONTAINER_HANDLE handle, const std::string& operation,
                         nwrfc::RFC_ERROR_INFO* error);
  struct Field {
    std::string key;  // into Function::values
    int type = 0;
    unsigned length = 0;
    bool settable = false;
  };
  // The field `name` of a function or structure; nullopt after the call
  // was failed (no such field) or a violation was reported.
  std::optional<Field> FindField(nwrfc::DATA_CONTAINER_HANDLE container, const std::string& name,
                                 Function** function, const std::string& operation,
                                 nwrfc::RFC_ERROR_INFO* error);
  void WaitForDelay(std::unique_lock<std::mutex>& lock, Connection& connection, double seconds);
  // The library closes a connection itself: its handle value is free for
  // the next RfcOpenConnection at once, and dead to the thread that had it.
  void Free(std::uint64_t id);
  // The connection `id` if the calling thread may use it for `operation`;
  // else nullptr after a violation. `closing` allows the pass's own thread
  // to close a connection of another (the fatal report's close of all).
  Connection* Owned(std::uint64_t id, const std::string& operation, bool closing,
                    nwrfc::RFC_ERROR_INFO* error);
  void WriteConnectLog(const std::string& target);
  void Answer(const System& system, Function& function);

  mutable std::mutex mutex_;
  std::condition_variable cancel_;
  std::uint64_t next_id_ = 1;
  std::map<std::uint64_t, Connection> connections_;  // by handle value, lowest free first
  // Values the library freed, with the thread that had them then.
  std::map<std::uint64_t, std::thread::id> former_owner_;
  std::set<std::thread::id> openers_;  // threads that opened a connection
  std::map<std::uint64_t, Function> functions_;
  std::map<std::uint64_t, Structure> structures_;
  std::vector<bool> described_;  // by function module: looked up already
  int waiting_ = 0;
  std::vector<std::string> violations_;
};

// The process's one simulated NetWeaver library (never destroyed).
NwSimulator& TheNwSimulator();
// Replaces it by a fresh one for tests: call log kept, violations counted.
void ResetNwSimulator();

}  // namespace tidewarden::sim

#endif  // TIDEWARDEN_SIM_NW_SIMULATOR_H_
