// The multi-system pass of a listing run: one channel per listed system,
// printed as soon as it is measured, then the summary.
#include "collect/logging.h"
#include "driver/exit_codes.h"
#include "driver/run_state.h"
#include "profiles/password.h"
#include "profiles/system_entry.h"
#include "rfc/connection.h"
#include "rfc/failure.h"
#include "rfc/server_clock.h"
#include "rfc/system_info.h"

namespace tidewarden {
namespace {

constexpr std::size_t kMaxEntry = 63;
constexpr std::size_t kMaxSystemName = 43;

std::string Now(RunState& run) { return FormatTimeOfDay(run.platform.clock.LocalTimeOfDay()); }

// A failed clock or system information step, or a database that is not
// Oracle, ends the whole pass: the systems after it would fail alike.
int EndPass(RunState& run, bool scan_trace) {
  if (scan_trace) {
    ScanTraceFile(run.platform.fs, run.document);
    run.document.SetErrorDocumentFromAppended();
  } else {
    run.document.SetErrorDocument(kDatabaseMismatchMessage);
  }
  run.Print();
  CloseRfcConnection(run.rfc);
  return kExitFailure;
}

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
  settings.option_string = UpperCase(settings.verbatim_option_string);

  if (settings.trace) console.Write(settings.banner_line + "\n");
  std::string display = settings.verbatim_option_string;
  for (char& c : display) {
    if (c == ':') c = ' ';
  }
  display = display.substr(0, display.find(" @"));
  if (settings.trace) {
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
    if (settings.trace) {
      system_line = "* " + Now(run) + " " + entry + ", " + parameters.display_host + ", " +
                    parameters.destination + ", " + parameters.sysnr + ", " + parameters.client;
    }
    SetRfcEnvironment(run.rfc);
    run.document.Clear();
    run.session.status = kRfcStatusError;

    if (!entry_fits || OpenRfcConnection(run.rfc, parameters) == 0) {
      sound = false;
    } else {
      run.session.status = kRfcStatusError;
      ReadServerClock(run.rfc);
      if (run.session.status != kRfcStatusOk) return EndPass(run, true);
      run.session.status = kRfcStatusError;
      ReadSystemInfo(run.rfc, &parameters.display_host);
      if (run.session.status != kRfcStatusOk) return EndPass(run, true);
      if (!IsOracle(run.session.db_system_name)) return EndPass(run, false);
      run.session.status = kRfcStatusError;
      CollectionTarget target;
      target.listing_run = true;
      target.item = settings.item;
      target.system_name = system_name;
      target.processed = &delivered;
      CollectLogging(run.rfc, target);
    }
    CloseRfcConnection(run.rfc);

    const bool ok = run.session.status == kRfcStatusOk;
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
    if (settings.trace) console.Write("\n" + system_line + " State=" + state + "\n");
  }

  run.document.OpenText();
  run.document.Append("(***) " + settings.item + ": NoSystems=" + std::to_string(no_systems) +
                      ", Processed=" + std::to_string(processed) +
                      ", Failed=" + std::to_string(failed));
  run.document.CloseText();
  run.document.EndDocument();
  console.Write(run.document.text() + "\n");
  CloseRfcConnection(run.rfc);
  if (settings.trace) {
    console.Write("\n* " + Now(run) + " SAP " + std::string(kProgramName) + " now processed...\n");
  }
  return kExitSuccess;
}

}  // namespace tidewarden
