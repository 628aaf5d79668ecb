// The multi-system pass of a listing run: one channel per listed system,
// printed as soon as it is measured, then the summary.
#include "collect/logon.h"
#include "collect/measure.h"
#include "driver/exit_codes.h"
#include "driver/failure_messages.h"
#include "driver/run_state.h"
#include "profiles/password.h"
#include "profiles/system_entry.h"

namespace tidewarden {
namespace {

constexpr std::size_t kMaxEntry = 63;
constexpr std::size_t kMaxSystemName = 43;

std::string Now(RunState& run) { return FormatTimeOfDay(run.platform.clock.LocalTimeOfDay()); }

}  // namespace

void PrintListingChannel(Console& console, ResultDocument& document, const std::string& item,
                         const std::string& system_name, const LoggingFigures& figures) {
  document.Clear();
  if (item == "LogWrites" || item == "WaitBusy" || item == "RollBacks") {
    document.AddChannel(system_name, "0", "");
  } else if (item == "LogUsage") {
    document.AddChannel(system_name, Unsigned(figures.log_usage), "PerCent");
  } else {
    return;
  }
  console.Write(document.text());
  document.Clear();
}

namespace {

std::string SystemName(char naming_mode, const std::string& entry,
                       const ConnectionParameters& parameters) {
  std::string name;
  switch (naming_mode) {
    case '2': name = entry.size() > 4 ? entry.substr(0, entry.size() - 4) : ""; break;
    case '3': name = parameters.hostname; break;
    case '4': name = parameters.destination; break;
    default: name = entry; break;
  }
  if (name.size() > kMaxSystemName) name.resize(kMaxSystemName);
  return name;
}

}  // namespace

int RunListingPass(RunState& run, std::string server_listing, char naming_mode) {
  RunSettings& settings = run.settings;
  Console& console = run.platform.console;
  ConnectionParameters& parameters = run.parameters;
  const RunOptions& options = settings.options;

  if (options.trace) console.Write(settings.banner_line + "\n");
  std::string display = options.text;
  for (char& c : display) {
    if (c == ':') c = ' ';
  }
  display = display.substr(0, display.find(" @"));
  if (options.trace) {
    console.Write("* " + settings.start_time + " " + display + " State=Executing\n");
  }
  run.document.BeginDocument();
  console.Write(run.document.text() + "\n");
  run.document.Clear();

  std::uint32_t no_systems = 0, processed = 0, failed = 0;
  while (!server_listing.empty()) {
    bool delivered = false;
    ++no_systems;
    const std::size_t hash = server_listing.find('#');
    std::string entry = server_listing.substr(0, hash);
    server_listing.erase(0, hash == std::string::npos ? std::string::npos : hash + 1);
    if (entry.empty()) continue;  // names no file

    const bool entry_fits = entry.size() <= kMaxEntry;
    std::string content;
    if (entry_fits &&
        !run.platform.fs.ReadFile(run.location.directory + entry, &content).ok()) {
      continue;  // passed over: the profile is not there
    }
    // An entry too long for any profile name cannot be measured; it is
    // counted as failed so the summary shows it.
    bool sound = entry_fits && ReadSystemEntryForPass(content, PasswordKeys(), &parameters);
    const std::string system_name = SystemName(naming_mode, entry, parameters);
    std::string system_line;
    if (options.trace) {
      system_line = "* " + Now(run) + " " + entry + ", " + parameters.display_host + ", " +
                    parameters.destination + ", " + parameters.sysnr + ", " + parameters.client;
    }
    const CallLogger log = run.Logger();
    if (auto fatal = run.platform.sap.Prepare(log)) return run.Abort(*fatal);
    run.document.Clear();

    bool ok = false;
    if (!entry_fits) {
      sound = false;
    } else {
      MeasureInput input{run.platform.sap,
                         run.platform.fs,
                         console,
                         log,
                         MakeLogonParameters(parameters, options.host, &run.kept_sysnr),
                         /*lines=*/nullptr,
                         /*profile_path=*/""};
      const SystemOutcome outcome = MeasureSystem(input);
      if (outcome.info) parameters.display_host = outcome.info->host;
      switch (outcome.end) {
        case MeasureEnd::kFatal:
          return run.Abort(*outcome.fatal);
        case MeasureEnd::kLogonRefused:
          sound = false;
          break;
        // A failed clock or system information step, or a database that is
        // not Oracle, ends the whole pass: the systems after it would fail
        // alike.
        case MeasureEnd::kClockFailed:
        case MeasureEnd::kSystemInfoFailed:
          return run.Fail(FailedStepMessage(outcome.call_failure));
        case MeasureEnd::kNotOracle:
          return run.Fail(kDatabaseMismatchMessage);
        // A failed main list fails this system only; its message stays in
        // the document until the next system starts.
        case MeasureEnd::kMainListFailed:
          run.document.Append(CallFailureMessage(outcome.call_failure.code,
                                                 outcome.call_failure.exception));
          break;
        case MeasureEnd::kRewriteFailed:  // no profile is rewritten in a pass
        case MeasureEnd::kMeasured:
          delivered = true;
          ok = true;
          PrintListingChannel(console, run.document, settings.item, system_name,
                              outcome.figures);
          if (outcome.fatal) return run.Abort(*outcome.fatal);
          break;
      }
    }

    const char* state = "Processed";
    if (!sound || !ok) {
      state = "Rfc Failure";
    } else if (!delivered) {
      state = "Not Found";
    }
    if (sound && ok && delivered) {
      ++processed;
    } else {
      ++failed;
    }
    if (options.trace) console.Write("\n" + system_line + " State=" + state + "\n");
  }

  run.document.OpenText();
  run.document.Append("(***) " + settings.item + ": NoSystems=" + std::to_string(no_systems) +
                      ", Processed=" + std::to_string(processed) +
                      ", Failed=" + std::to_string(failed));
  run.document.CloseText();
  run.document.EndDocument();
  console.Write(run.document.text() + "\n");
  if (options.trace) {
    console.Write("\n* " + Now(run) + " SAP " + std::string(kProgramName) + " now processed...\n");
  }
  return kExitSuccess;
}

}  // namespace tidewarden
