// The single-system run: one SAP system from logon to printed document.
#include "collect/logging.h"
#include "driver/exit_codes.h"
#include "driver/run_state.h"
#include "rfc/connection.h"
#include "rfc/failure.h"
#include "rfc/server_clock.h"
#include "rfc/system_info.h"

namespace tidewarden {

std::string ParameterText(const std::string& verbatim_option_string) {
  std::string text = verbatim_option_string.substr(0, verbatim_option_string.find('#'));
  text = text.substr(0, text.find('@'));
  if (text == "(Parameters " || text == "(No ") text.clear();
  if (text.empty()) text = "(No Parameters)";
  return text;
}

namespace {

std::string Now(RunState& run) { return FormatTimeOfDay(run.platform.clock.LocalTimeOfDay()); }

// A remote step left the status at "ERR": its message, completed by the
// trace file's last error, becomes the error document.
int EndFailedStep(RunState& run) {
  ScanTraceFile(run.platform.fs, run.document);
  run.document.SetErrorDocumentFromAppended();
  run.Print();
  CloseRfcConnection(run.rfc);
  return kExitFailure;
}

}  // namespace

int RunSingleSystem(RunState& run) {
  RunSettings& settings = run.settings;
  ConnectionParameters& parameters = run.parameters;
  Console& console = run.platform.console;
  WriteLogLine(run.log, settings.option_string, 0, "program started", settings.program_path);
  SetRfcEnvironment(run.rfc);
  run.document.Clear();
  run.session.status = kRfcStatusError;

  if (settings.trace) {
    const std::string now = Now(run);
    console.Write(settings.banner_line + "\n");
    console.Write("* " + now + " " + run.location.name + ", " + parameters.display_host + ", " +
                  parameters.destination + ", " + parameters.sysnr + ", " + parameters.client +
                  " State=Processing\n");
    // CH= is read later from the whole option text, not from this cut copy.
    console.Write("* " + now + " " + std::string(kProgramName) + " - " +
                  ParameterText(settings.verbatim_option_string) + " State=Executing\n");
  }

  if (OpenRfcConnection(run.rfc, parameters) == 0) {
    return run.Fail("Error 1011: RFC-Open for " + parameters.destination + " failed !");
  }

  run.session.status = kRfcStatusError;
  ReadServerClock(run.rfc);
  if (run.session.status != kRfcStatusOk) return EndFailedStep(run);

  run.session.status = kRfcStatusError;
  ReadSystemInfo(run.rfc, &parameters.display_host);
  if (run.session.status != kRfcStatusOk) return EndFailedStep(run);

  if (!IsOracle(run.session.db_system_name)) {
    // A system that is not Oracle is no library failure: its trace file
    // holds nothing about it.
    int code = run.Fail(kDatabaseMismatchMessage);
    CloseRfcConnection(run.rfc);
    return code;
  }

  run.session.status = kRfcStatusError;
  CollectionTarget target;
  target.lines = &run.lines;
  target.profile_path = run.location.path;
  target.destination = parameters.destination;
  CollectLogging(run.rfc, target);
  CloseRfcConnection(run.rfc);

  if (run.session.status != kRfcStatusOk) return EndFailedStep(run);
  run.Print();
  run.platform.fs.RemoveFile(kTraceFileName);
  if (settings.trace) {
    console.Write("\n* " + Now(run) + " SAP " + std::string(kProgramName) + " now processed...\n");
  }
  return kExitSuccess;
}

}  // namespace tidewarden
