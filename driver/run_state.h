// Everything one run holds, owned in one place and handed on by reference.
#ifndef TIDEWARDEN_DRIVER_RUN_STATE_H_
#define TIDEWARDEN_DRIVER_RUN_STATE_H_

#include <string>

#include "driver/run.h"
#include "driver/run_settings.h"
#include "output/log.h"
#include "output/result_document.h"
#include "profiles/connection_parameters.h"
#include "profiles/profile_lines.h"
#include "profiles/profile_location.h"
#include "rfc/rfc_session.h"

namespace tidewarden {

struct RunState {
  explicit RunState(Platform& platform)
      : platform(platform),
        document({&settings.output_mode, &settings.option_string,
                  &settings.verbatim_option_string}),
        log(platform.fs),
        session(platform.rfc),
        rfc{platform.fs,  platform.console, log, settings.option_string,
            settings.verbatim_option_string, document, session} {}
  RunState(const RunState&) = delete;
  RunState& operator=(const RunState&) = delete;

  // Prints the document as it stands, nothing added.
  void Print() { platform.console.Write(document.text()); }
  // Ends a failed run: the error document with `message`, exit code 2.
  int Fail(const std::string& message);

  Platform& platform;
  RunSettings settings;
  ResultDocument document;
  LogSink log;
  ProfileLocation location;
  ConnectionParameters parameters;
  ProfileLines lines;
  RfcSession session;
  RfcContext rfc;
};

// The two roads after start-up. Each returns the exit code.
int RunSingleSystem(RunState& run);
int RunListingPass(RunState& run, std::string server_listing, char naming_mode);

// The parameter text of the progress lines: the options up to the first
// "#", then up to the first "@"; "(No Parameters)" when nothing is left.
std::string ParameterText(const std::string& verbatim_option_string);

}  // namespace tidewarden

#endif  // TIDEWARDEN_DRIVER_RUN_STATE_H_
