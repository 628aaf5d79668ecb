// One measuring path: one SAP system from logon to figures, the same for
// the single-system run and each system of a listing pass. Nothing here
// prints a document or ends the run; the caller formats the outcome.
#ifndef TIDEWARDEN_COLLECT_MEASURE_H_
#define TIDEWARDEN_COLLECT_MEASURE_H_

#include <memory>
#include <mutex>
#include <optional>
#include <string>

#include "base/call_log.h"
#include "collect/logging_figures.h"
#include "collect/logon_guard.h"
#include "platform/file_system.h"
#include "platform/system.h"
#include "profiles/profile_lines.h"
#include "rfc/sap_library.h"

namespace tidewarden {

// The steps of one measurement, in their order.
enum class MeasureStep { kLogon, kClock, kSystemInfo, kMainList };

// Told as each step begins: a setup check times and reports the steps of
// the very path the probe takes.
class MeasureObserver {
 public:
  virtual ~MeasureObserver() = default;
  virtual void StepBegins(MeasureStep step) = 0;
  // The step begun last has returned; no step follows.
  virtual void StepsEnded() {}
};

struct MeasureInput {
  SapLibrary& sap;
  FileSystem& fs;
  Console& console;  // the "* SapRfc.Ini" line
  CallLogger log;
  LogonParameters logon;
  // Single-system run: the profile whose state line is kept. A listing
  // pass keeps no state (null).
  const ProfileLines* lines = nullptr;
  std::string profile_path;
  // False for a setup check: the figures are computed against the state
  // line as the run would, but the profile is never rewritten.
  bool keep_state = true;
  MeasureObserver* observer = nullptr;
  // Holds back a logon SAP refused before, and records this one's outcome.
  // Null: every logon is made and nothing recorded.
  LogonGuard* guard = nullptr;
};

// Where a measurement ended.
enum class MeasureEnd {
  kMeasured,          // figures (and the profile rewritten when due)
  kLogonRefused,      // message 1011
  kClockFailed,       // call failure of the clock
  kSystemInfoFailed,  // call failure of the system information
  kNotOracle,         // message 1018
  kMainListFailed,    // call failure of the main list
  kRewriteFailed,     // figures, but the profile could not be rewritten (1016)
  kFatal,             // fatal failure: report, exit code 1
  kDeadline,          // a listing pass's TIMEOUT passed first: the system failed
};

struct SystemOutcome {
  MeasureEnd end = MeasureEnd::kFatal;
  CallFailure call_failure;  // k*Failed
  LogonRefused refusal;      // kLogonRefused: what the library said, when it said it
  // kFatal; or after kMeasured / kRewriteFailed a fatal failure that came
  // after the figures, reported once they are delivered.
  std::optional<FatalFailure> fatal;
  ServerClock clock;
  std::optional<SystemInfo> info;  // once the system information was read
  LoggingFigures figures;          // kMeasured, kRewriteFailed
  Status rewrite;                  // kRewriteFailed: why the profile is as it was
  bool logged_on = false;          // the library opened the connection
  // kLogonRefused without a logon: the logon guard held it, and this is the
  // 1011 message's suffix saying why.
  std::string held;
};

// Logs on, reads the clock, the system information and the main list,
// computes the figures and, for a single-system run, rewrites the state
// line. The connection is closed when the outcome is returned, except after
// a fatal failure (the report closes every connection).
SystemOutcome MeasureSystem(MeasureInput& input);

// Lets another thread cancel a system whose remote steps run on a thread of
// their own. Shared by the two threads.
class MeasureControl {
 public:
  // The measuring thread, once its connection is open. False when the
  // system was cancelled during the logon: the thread closes it at once.
  bool Attach(SapConnection& connection);
  // The measuring thread, once its last call returned: the logoff that may
  // follow is not the pass's to wait for or cancel.
  void Detach();
  // Any thread: the step in progress ends, and no later step reaches the
  // system. A logon in progress cannot be ended; it is closed once done.
  void Cancel();
  // Attach not called: the logon has not returned a connection (cancelled
  // or not).
  bool NotYetOpened() const;
  bool Cancelled() const;
  // The pass gave up waiting for the logon: the thread says so in the call
  // log when the logon returns after all.
  void Abandon();
  bool Abandoned() const;

 private:
  mutable std::mutex mutex_;
  SapConnection* connection_ = nullptr;
  bool opened_ = false;
  bool cancelled_ = false;
  bool abandoned_ = false;
};

// What the remote steps of a listed system leave: the outcome, decided when
// the last call returned, and the connection still to be closed (none after
// a refused logon, nor after a fatal failure: the report closes it).
struct ListedMeasurement {
  SystemOutcome outcome;
  std::unique_ptr<SapConnection> logoff;
};

// The remote steps of a listing pass's system, by a prepared logon request:
// logon, the three calls, the figures (no state kept). `control` and
// `observer` may be null; a system cancelled before its logon fails
// without one.
ListedMeasurement MeasureListedSystem(SapLibrary& sap, LogonRequest request, const CallLogger& log,
                                      MeasureControl* control, MeasureObserver* observer = nullptr);

// A logon refused before the library saw it; `why`, when anything says why.
SystemOutcome RefusedLogon(std::string why = "");

// The outcome of a logon the guard held back: refused, and no logon made.
SystemOutcome HeldLogonOutcome(const GuardedLogon& guarded);

// Hands a logon's outcome to the guard that checked it.
void RememberLogonOutcome(LogonGuard& guard, const GuardedLogon& guarded,
                          const SystemOutcome& outcome, const CallLogger& log);

// Only Oracle systems are measured: the name begins with "ORA" (letter
// case counts).
bool IsOracle(const std::string& db_system_name);

}  // namespace tidewarden

#endif  // TIDEWARDEN_COLLECT_MEASURE_H_
