// Everything one run holds, owned in one place and handed on by reference.
#ifndef TIDEWARDEN_DRIVER_RUN_STATE_H_
#define TIDEWARDEN_DRIVER_RUN_STATE_H_

#include <memory>
#include <optional>
#include <string>

#include "base/call_log.h"
#include "collect/logon_guard.h"
#include "driver/run.h"
#include "driver/run_settings.h"
#include "output/result_document.h"
#include "profiles/connection_parameters.h"
#include "profiles/profile_lines.h"
#include "profiles/profile_location.h"
#include "rfc/sap_library.h"

namespace tidewarden {

struct RunState {
  explicit RunState(Platform& platform)
      : platform(platform), log(std::make_shared<CallLog>(platform.fs)) {}
  RunState(const RunState&) = delete;
  RunState& operator=(const RunState&) = delete;

  // Prints the document as it stands, nothing added.
  void Print() { platform.console.Write(document.text()); }
  // Ends a failed run: the error document with `message`, exit code 2.
  int Fail(const std::string& message);
  // Ends the run with the fatal report, exit code 1.
  int Abort(const FatalFailure& failure);
  // The call log as the options in force want it.
  CallLogger Logger();
  // The time of day as the progress lines show it.
  std::string Now() { return FormatTimeOfDay(platform.clock.LocalTimeOfDay()); }
  // The last progress line of a ",TRACE" run that printed its document.
  void PrintProcessedLine();

  Platform& platform;
  RunSettings settings;
  ResultDocument document;
  // Shared: a thread of a listing pass abandoned inside a logon may still
  // write to it after the run has returned.
  std::shared_ptr<CallLog> log;
  ProfileLocation location;
  // In a listing pass a field that a later system's profile leaves out
  // keeps the earlier system's value, and so does the system number of
  // the previous open.
  ConnectionParameters parameters;
  std::int32_t kept_sysnr = 0;
  ProfileLines lines;
  // A setup check (the doctor) runs the passes as they are but leaves
  // nothing behind a run would: no state line, no logon record; it never
  // opens the call log.
  bool setup_check = false;
  // False for a setup check told to log on while the logon guard holds it.
  bool hold_refused_logons = true;

  // The logon guard of the profile's folder, as these switches want it.
  LogonGuard Guard() {
    return LogonGuard(platform.fs, platform.clock, location.directory, location.path,
                      hold_refused_logons, !setup_check);
  }
};

// An "env:NAME" password whose variable was not set: the log names the
// variable, never a value.
void LogUnsetPasswordVariable(const CallLogger& log, const ConnectionParameters& parameters);

// Whether the library can take a password from the environment (printable
// ASCII within its room); why not is logged too. Ok for a stored password,
// which the scheme keeps within every room. REQUIRES: the library prepared.
Status CheckPasswordVariable(const CallLogger& log, SapLibrary& sap,
                             const ConnectionParameters& parameters);

}  // namespace tidewarden

#endif  // TIDEWARDEN_DRIVER_RUN_STATE_H_
