// What the classic and the NetWeaver simulated libraries share: where they
// find the description and write their files, the description read once,
// the call log, and the text helpers both speak with.
#ifndef TIDEWARDEN_SIM_SIM_CORE_H_
#define TIDEWARDEN_SIM_SIM_CORE_H_

#include <cstdint>
#include <cstdio>
#include <functional>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

#include "sim/description.h"

namespace tidewarden::sim {

class SimCore {
 public:
  SimCore() = default;
  ~SimCore();
  SimCore(const SimCore&) = delete;
  SimCore& operator=(const SimCore&) = delete;

  // Configuration (sim_control.h).
  std::string working_directory;        // "" = the process's own
  std::function<std::int64_t()> clock;  // Unix seconds; empty = the real clock
  std::function<void(double)> sleeper;  // seconds; empty = really sleep
  // Whether the call log is also kept in memory: only for tests in this
  // process. The drop-ins keep none, so a listing run over hundreds of
  // systems does not grow with them.
  bool keep_call_log = false;

 protected:
  std::int64_t Now() const;
  std::string PathOf(const std::string& name) const;
  // Waits `seconds` of a description's delay, or hands them to the sleeper.
  void Sleep(double seconds) const;

  // The description, read at the first call that needs it and kept for the
  // process; nullptr when it could not be read. A failed read is remembered
  // too, as the file is read once per process whatever it holds: every call
  // of a run then sees the same systems, even when the file appears or is
  // repaired while the run goes on, and a missing file is not looked for
  // again at each of hundreds of calls. Each problem in the file goes to the
  // call log, then to `also` (the library's own trace).
  const Description* EnsureDescription(
      const std::function<void(const std::string&)>& also = nullptr);
  // What EnsureDescription read, without reading.
  const Description* description() const { return description_ ? &*description_ : nullptr; }

  void Log(const std::string& line);
  // Why the system refuses this logon, or "" (LogonRefusal); *match says for
  // the call log whether the password alone matched, and a refusal logs it.
  std::string CheckLogon(const System& system, const std::string& client, const std::string& user,
                         const std::string& password, const std::string& language,
                         std::string* match);
  const std::vector<std::string>& logged() const { return call_log_; }

 private:
  std::optional<Description> description_;
  bool description_read_ = false;
  std::vector<std::string> call_log_;
  std::FILE* call_log_file_ = nullptr;
};

// ASCII letters to capitals; everything else as it is.
std::string Upper(std::string_view s);
// Without the spaces and tabs around it (and a line's carriage return).
std::string_view Trim(std::string_view s);
// Without trailing spaces.
std::string TrimRight(std::string s);
// A delay's seconds as the call log writes them: "0.5", "2".
std::string Seconds(double seconds);
// "[NAME]" of the system a call went to, for the call log.
std::string SystemLabel(const System* system);
// Where a logon failed: "SAP system [NAME] on host HOST".
std::string LogonLocation(const System& system);
// What a fault of the logon says, its own message or SAP's usual refusal.
std::string OpenFaultMessage(const Fault& fault, const System& system);
// Why a logon fails when there is no description to serve a system from.
std::string NoSystemServed();

// What a described system answers, whichever RFC library the caller talks
// through: its field values, its verdict on a logon, and the description
// file itself (answers.cc).
// The application server's host, or the gateway host of an R/2 system.
// Now in Unix seconds: `clock` when a test set one, else the real clock.
std::int64_t SimulatedNow(const std::function<std::int64_t()>& clock);

std::string HostOf(const System& s);

// The value of "<structure or function module>.<field or parameter>":
// the description's, or the healthy default. `type` is the field's type
// code (TYPC, TYPINT, ...).
Value AnswerValue(const System& system, const std::string& key, int type);

// Why the system refuses this logon, or "" when it accepts it. The client,
// user and password are compared without trailing blanks, the user without
// regard to letter case.
std::string LogonRefusal(const System& system, const std::string& client, const std::string& user,
                         const std::string& password, const std::string& language);
// Whether the password alone matches (for the call log, never the password).
bool PasswordMatches(const System& system, const std::string& password);

// The file's bytes; false when it cannot be read.
bool ReadWholeFile(const std::string& path, std::string* content);

// The description at `path`, its epoch default the file's modification
// time (or `now` when that is unknown); nothing when the file is unreadable.
std::optional<Description> LoadDescription(const std::string& path, std::int64_t now);

}  // namespace tidewarden::sim

#endif  // TIDEWARDEN_SIM_SIM_CORE_H_
