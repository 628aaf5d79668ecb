#include "driver/single_run.h"

#include "collect/logon_preparation.h"
#include "collect/logon_guard.h"
#include "collect/measure.h"
#include "driver/documents.h"
#include "driver/exit_codes.h"
#include "driver/run_state.h"

namespace tidewarden {

std::string ParameterText(const std::string& option_text) {
  std::string text = option_text.substr(0, option_text.find('#'));
  text = text.substr(0, text.find('@'));
  if (text == "(Parameters " || text == "(No ") text.clear();
  if (text.empty()) text = "(No Parameters)";
  return text;
}

namespace {

// Prints what the outcome calls for, and tells `decided` what it printed.
int Deliver(RunState& run, const SystemOutcome& outcome, DecidedSystem* decided) {
  ConnectionParameters& parameters = run.parameters;
  Console& console = run.platform.console;
  auto fail = [&run, decided](std::string text) {
    decided->message = std::move(text);
    return run.Fail(decided->message);
  };
  auto abort = [&run, decided](const FatalFailure& fatal) {
    decided->fatal = true;
    return run.Abort(fatal);
  };
  if (outcome.info) parameters.display_host = outcome.info->host;
  switch (outcome.end) {
    case MeasureEnd::kFatal:
      return abort(*outcome.fatal);
    case MeasureEnd::kLogonRefused:
    case MeasureEnd::kDeadline:  // only a listing pass has a deadline
      if (run.settings.options.trace && !outcome.held.empty()) {
        console.Write("* " + run.Now() + " " + run.location.name + outcome.held + "\n");
      }
      return fail("Error 1011: RFC-Open for " + parameters.destination + " failed !" +
                  outcome.held);
    case MeasureEnd::kClockFailed:
    case MeasureEnd::kSystemInfoFailed:
    case MeasureEnd::kMainListFailed:
      return fail(FailedStepMessage(outcome.call_failure));
    case MeasureEnd::kNotOracle:
      // A system that is not Oracle is no library failure: its trace file
      // holds nothing about it.
      return fail(kDatabaseMismatchMessage);
    case MeasureEnd::kRewriteFailed:
      // After the profile rewrite: a fatal failure of the main list's
      // table comes first.
      if (outcome.fatal) return abort(*outcome.fatal);
      return fail(RewriteFailedMessage(run.location.path, run.platform.sap.LastErrorText()));
    case MeasureEnd::kMeasured:
      break;
  }
  if (outcome.fatal) return abort(*outcome.fatal);
  SetLoggingDocument(run.document, parameters.destination, outcome.figures);
  run.Print();
  // A trail left behind would lend its text to a later run's failure.
  const Status discarded = run.platform.sap.DiscardErrorTrail();
  if (!discarded.ok()) run.Logger().Write(0, "trace file not removed", discarded.message());
  run.PrintProcessedLine();
  return kExitSuccess;
}

// The progress lines a ",TRACE" run prints before its logon.
void PrintStartLines(RunState& run) {
  const ConnectionParameters& parameters = run.parameters;
  Console& console = run.platform.console;
  const std::string now = run.Now();
  console.Write(run.settings.banner_line + "\n");
  console.Write("* " + now + " " + run.location.name + ", " + parameters.display_host + ", " +
                parameters.destination + ", " + parameters.sysnr + ", " + parameters.client +
                " State=Processing\n");
  // CH= is read later from the whole option text, not from this cut copy.
  console.Write("* " + now + " " + std::string(kProgramName) + " - " +
                ParameterText(run.settings.options.text) + " State=Executing\n");
}

SystemOutcome Measure(RunState& run, const CallLogger& log, PassObserver* observer,
                      const DecidedSystem& decided) {
  MeasureInput input{run.platform.sap,
                     run.platform.fs,
                     run.platform.console,
                     log,
                     decided.logon,
                     &run.lines,
                     run.location.path,
                     /*keep_state=*/!run.setup_check};
  std::shared_ptr<MeasureObserver> steps;
  if (observer != nullptr) steps = observer->StepsOf(decided.position, decided.entry);
  input.observer = steps.get();
  LogonGuard guard = run.Guard();
  input.guard = &guard;
  if (observer != nullptr && !observer->MayLogOn(decided.position, run.parameters, decided.logon)) {
    return RefusedLogon();
  }
  return MeasureSystem(input);
}

}  // namespace

int RunSingleSystem(RunState& run, PassObserver* observer) {
  ConnectionParameters& parameters = run.parameters;
  const CallLogger log = run.Logger();
  log.Write(0, "program started", run.settings.program_path);
  if (auto prepared = run.platform.sap.Prepare(log); !prepared.ok()) {
    return run.Abort(prepared.error());
  }
  run.document.Clear();
  if (!CheckPasswordVariable(log, run.platform.sap, parameters).ok()) {
    return run.Fail("Error 1004: Invalid Password in Profile " + run.location.name + " found...");
  }
  if (run.settings.options.trace) PrintStartLines(run);

  DecidedSystem decided;
  decided.position = 1;
  decided.entry = run.location.name;
  decided.parameters = parameters;
  decided.logon = MakeLogonParameters(parameters, run.settings.options.host, &run.kept_sysnr);
  SystemOutcome outcome = Measure(run, log, observer, decided);
  const int code = Deliver(run, outcome, &decided);
  if (observer != nullptr) {
    if (code != kExitFatal) decided.printed = run.document.text();
    decided.outcome = std::move(outcome);
    observer->SystemDecided(decided);
  }
  return code;
}

}  // namespace tidewarden
