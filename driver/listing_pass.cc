// The multi-system pass of a listing run: one channel per listed system,
// printed in listing order as soon as it and every system before it are
// measured, then the summary. With "PARALLEL=" or "TIMEOUT=" and a library
// that allows it, the remote steps run on threads of their own; everything
// a system hands on to the next stays on this thread, in listing order.
#include "driver/listing_pass.h"

#include <algorithm>
#include <chrono>
#include <deque>
#include <memory>

#include "collect/logon_guard.h"
#include "collect/logon_preparation.h"
#include "collect/measure.h"
#include "collect/measure_pool.h"
#include "driver/documents.h"
#include "driver/exit_codes.h"
#include "driver/run_state.h"
#include "profiles/password.h"
#include "profiles/system_entry.h"

namespace tidewarden {
namespace {

constexpr std::size_t kMaxEntry = 63;
constexpr std::size_t kMaxSystemName = 43;
// How long a finished pass waits for logoffs still running.
constexpr std::chrono::milliseconds kLogoffGrace(500);

std::string SystemName(ChannelNaming naming, const std::string& entry,
                       const ConnectionParameters& parameters) {
  std::string name;
  switch (naming) {
    case ChannelNaming::kAlias:
      name = entry.size() > 4 ? entry.substr(0, entry.size() - 4) : "";
      break;
    case ChannelNaming::kHost: name = parameters.hostname; break;
    case ChannelNaming::kSid: name = parameters.destination; break;
    case ChannelNaming::kProfile: name = entry; break;
  }
  if (name.size() > kMaxSystemName) name.resize(kMaxSystemName);
  return name;
}

// One listed system, from its profile to its printed lines.
struct ListedSystem : DecidedSystem {
  // Its password from the environment is missing or unusable: it fails
  // without a logon.
  bool logon_withheld = false;
  std::string system_name;
  // The display host its profile's Hostname line gave; without one the
  // system shows the host the systems before it left.
  std::optional<std::string> display_host;
  std::string start_time;
  std::string held_lines;  // the "* SapRfc.Ini" line
  std::optional<std::size_t> ticket;
  // On a thread of the pool: what the logon guard found, until the outcome.
  std::optional<GuardedLogon> guarded;
  std::shared_ptr<MeasureObserver> steps;  // for the observer
};

// What ends a pass early: the error document's message, or a fatal failure.
struct PassEnd {
  std::string message;
  std::optional<FatalFailure> fatal;
};

class ListingPass {
 public:
  ListingPass(RunState& run, ChannelNaming naming, PassObserver* observer)
      : run_(run), naming_(naming), observer_(observer), guard_(run.Guard()) {}

  int Run(std::string server_listing);

 private:
  const RunOptions& options() const { return run_.settings.options; }
  // Reads the next system's profile and readies its logon, in listing order.
  std::optional<PassEnd> Prepare(ListedSystem& system, const std::string& content);
  // Starts the system's remote steps, at once or on a thread of the pool.
  std::optional<PassEnd> Measure(ListedSystem& system);
  // Prints the systems at the head that are decided. With `all`, waits for
  // every system.
  std::optional<PassEnd> PrintDecided(bool all);
  std::optional<PassEnd> Print(ListedSystem& system);
  std::optional<PassEnd> PrintTo(ListedSystem& system, Console& console);
  // The channel of a measured system, or what ends the pass at it.
  std::optional<PassEnd> PrintOutcome(const SystemOutcome& outcome, const std::string& system_name,
                                      Console& console, bool* delivered);
  void Tell(const ListedSystem& system, const std::optional<PassEnd>& end,
            const std::string& printed);
  void ChooseMode();
  // The progress lines and the document's head, before any system.
  void PrintHead();
  // The next listed system: read, readied, started and printed when due.
  std::optional<PassEnd> Take(ListedSystem system);
  void PrintSummary();
  int End(const PassEnd& end);

  RunState& run_;
  const ChannelNaming naming_;
  PassObserver* const observer_;
  LogonGuard guard_;
  bool mode_chosen_ = false;
  std::unique_ptr<MeasurePool> pool_;
  std::deque<ListedSystem> waiting_;
  std::string carried_display_host_;
  std::uint32_t no_systems_ = 0, processed_ = 0, failed_ = 0;
};

void ListingPass::ChooseMode() {
  if (mode_chosen_) return;
  mode_chosen_ = true;
  const CallLogger log = run_.Logger();
  const bool asked = options().parallel > 1 || options().timeout_seconds;
  if (!asked) return;
  if (!run_.platform.sap.AllowsParallelConnections()) {
    log.Write(0, "PARALLEL and TIMEOUT ignored",
              "this RFC library allows one connection at a time: the pass stays sequential");
    return;
  }
  pool_ = std::make_unique<MeasurePool>(run_.platform.sap, run_.log, options().parallel,
                                        options().timeout_seconds);
}

std::optional<PassEnd> ListingPass::Prepare(ListedSystem& system, const std::string& content) {
  ConnectionParameters& parameters = run_.parameters;
  // An entry too long for any profile name cannot be measured; it is
  // counted as failed so the summary shows it.
  const std::string carried = parameters.display_host;
  const Status read =
      system.entry_fits
          ? ReadSystemEntryForPass(content, system.entry, PasswordKeys(), run_.platform.environment,
                                   &parameters, &system.given)
          : Status::Ok();
  system.sound = system.entry_fits && read.ok();
  if (system.given[kHostnameEntry]) system.display_host = parameters.display_host;
  system.parameters = parameters;
  parameters.display_host = carried;
  system.system_name = SystemName(naming_, system.entry, parameters);
  if (options().trace) system.start_time = run_.Now();
  if (auto prepared = run_.platform.sap.Prepare(run_.Logger()); !prepared.ok()) {
    return PassEnd{"", std::move(prepared).error()};
  }
  ChooseMode();
  if (system.entry_fits) {
    system.logon = MakeLogonParameters(parameters, options().host, &run_.kept_sysnr);
    CallLogger log = run_.Logger();
    log.entry = system.entry;
    // The pass prints no message for it: the log says why it fails.
    if (!read.ok()) log.Write(0, "profile check failed", read.message());
    LogUnsetPasswordVariable(log, parameters);
    system.logon_withheld = !parameters.password_variable.empty() &&
                            (parameters.password.empty() ||
                             !CheckPasswordVariable(log, run_.platform.sap, parameters).ok());
  }
  return std::nullopt;
}

std::optional<PassEnd> ListingPass::Measure(ListedSystem& system) {
  if (!system.entry_fits) return std::nullopt;
  if (system.logon_withheld) {
    // Never another system's password, and no attempt that counts towards
    // locking the user.
    system.outcome = RefusedLogon();
    return std::nullopt;
  }
  if (observer_ != nullptr) {
    if (!observer_->MayLogOn(system.position, system.parameters, system.logon)) {
      system.outcome = RefusedLogon();
      return std::nullopt;
    }
    system.steps = observer_->StepsOf(system.position, system.entry);
  }
  if (pool_ == nullptr) {
    // Printed at once: nothing before it is still waiting.
    MeasureInput input{run_.platform.sap,  run_.platform.fs, run_.platform.console,
                       run_.Logger(),      system.logon,
                       /*lines=*/nullptr,
                       /*profile_path=*/""};
    input.guard = &guard_;
    input.observer = system.steps.get();
    system.outcome = MeasureSystem(input);
    return std::nullopt;
  }
  StringConsole held;
  while (!pool_->HasFreeSlot()) {
    pool_->WaitForChange();
    if (auto end = PrintDecided(false)) return end;
  }
  CallLogger log = run_.Logger();
  log.entry = system.entry;
  Result<LogonRequest> request = PrepareLogon(run_.platform.fs, held, log, system.logon);
  system.held_lines = held.Take();
  if (!request.ok()) {
    system.outcome = RefusedLogon(std::move(request).error());
    return std::nullopt;
  }
  // The logon guard's file work stays on this thread, in listing order.
  system.guarded = guard_.Check(*request, log);
  if (!system.guarded->held.empty()) {
    system.outcome = HeldLogonOutcome(*system.guarded);
    return std::nullopt;
  }
  // Its remote work begins now: the progress line shows this time.
  if (options().trace) system.start_time = run_.Now();
  system.ticket = pool_->Start(std::move(*request), std::move(log), system.steps);
  return std::nullopt;
}

std::optional<PassEnd> ListingPass::PrintDecided(bool all) {
  while (!waiting_.empty()) {
    ListedSystem& system = waiting_.front();
    if (system.passed_over) {
      Tell(system, std::nullopt, "");
      waiting_.pop_front();
      continue;
    }
    // Not started yet: it waits for a free slot.
    if (system.entry_fits && !system.outcome && !system.ticket) return std::nullopt;
    if (system.ticket) {
      while (!pool_->Decided(*system.ticket)) {
        if (!all) return std::nullopt;
        pool_->WaitForChange();
      }
      system.outcome = pool_->TakeOutcome(*system.ticket);
      if (system.guarded) {
        CallLogger log = run_.Logger();
        log.entry = system.entry;
        RememberLogonOutcome(guard_, *system.guarded, *system.outcome, log);
      }
    }
    if (auto end = Print(system)) return end;
    waiting_.pop_front();
  }
  return std::nullopt;
}

std::optional<PassEnd> ListingPass::Print(ListedSystem& system) {
  if (observer_ == nullptr) return PrintTo(system, run_.platform.console);
  StringConsole printed;
  std::optional<PassEnd> end = PrintTo(system, printed);
  run_.platform.console.Write(printed.output);
  Tell(system, end, printed.output);
  return end;
}

void ListingPass::Tell(const ListedSystem& system, const std::optional<PassEnd>& end,
                       const std::string& printed) {
  if (observer_ == nullptr) return;
  DecidedSystem decided = system;
  if (end) {
    decided.message = end->message;
    decided.fatal = end->fatal.has_value();
  }
  decided.printed = printed;
  observer_->SystemDecided(decided);
}

std::optional<PassEnd> ListingPass::PrintTo(ListedSystem& system, Console& console) {
  console.Write(system.held_lines);
  run_.document.Clear();
  const std::string display_host = system.display_host.value_or(carried_display_host_);
  carried_display_host_ = display_host;
  bool delivered = false;
  if (system.entry_fits) {
    if (auto end = PrintOutcome(*system.outcome, system.system_name, console, &delivered)) {
      return end;
    }
  }
  const bool processed = system.sound && delivered;
  system.state = processed ? "Processed" : "Rfc Failure";
  ++(processed ? processed_ : failed_);
  if (options().trace) {
    console.Write("\n* " + system.start_time + " " + system.entry + ", " + display_host + ", " +
                  system.parameters.destination + ", " + system.parameters.sysnr + ", " +
                  system.parameters.client + " State=" + system.state + "\n");
    if (system.outcome && !system.outcome->held.empty()) {
      console.Write("* " + system.start_time + " " + system.entry + system.outcome->held + "\n");
    }
  }
  return std::nullopt;
}

std::optional<PassEnd> ListingPass::PrintOutcome(const SystemOutcome& outcome,
                                                 const std::string& system_name, Console& console,
                                                 bool* delivered) {
  if (outcome.info) carried_display_host_ = outcome.info->host;
  switch (outcome.end) {
    case MeasureEnd::kFatal:
      return PassEnd{"", *outcome.fatal};
    case MeasureEnd::kLogonRefused:
    case MeasureEnd::kDeadline:
      return std::nullopt;
    // A failed clock or system information step, or a database that is
    // not Oracle, ends the whole pass: the systems after it would fail
    // alike.
    case MeasureEnd::kClockFailed:
    case MeasureEnd::kSystemInfoFailed:
      return PassEnd{FailedStepMessage(outcome.call_failure), std::nullopt};
    case MeasureEnd::kNotOracle:
      return PassEnd{kDatabaseMismatchMessage, std::nullopt};
    // A failed main list fails this system only; its message stays in
    // the document until the next system starts.
    case MeasureEnd::kMainListFailed:
      run_.document.Append(
          CallFailureMessage(outcome.call_failure.code, outcome.call_failure.exception));
      return std::nullopt;
    case MeasureEnd::kRewriteFailed:  // no profile is rewritten in a pass
    case MeasureEnd::kMeasured:
      *delivered = true;
      PrintListingChannel(console, run_.document, run_.settings.item, system_name, outcome.figures);
      if (outcome.fatal) return PassEnd{"", *outcome.fatal};
      return std::nullopt;
  }
  return std::nullopt;
}

int ListingPass::End(const PassEnd& end) {
  // Later systems are discarded; the report closes only connections whose
  // threads have ended.
  if (pool_ != nullptr) pool_->CancelAll();
  const int code = end.fatal ? run_.Abort(*end.fatal) : run_.Fail(end.message);
  if (observer_ != nullptr) observer_->PassEnded({"", end.message, end.fatal.has_value()});
  return code;
}

void ListingPass::PrintHead() {
  Console& console = run_.platform.console;
  if (options().trace) {
    std::string display = options().text;
    std::replace(display.begin(), display.end(), ':', ' ');
    display = display.substr(0, display.find(" @"));
    console.Write(run_.settings.banner_line + "\n");
    console.Write("* " + run_.settings.start_time + " " + display + " State=Executing\n");
  }
  run_.document.BeginDocument();
  console.Write(run_.document.text() + "\n");
  run_.document.Clear();
  for (const std::string& ignored : options().ignored_options) run_.Logger().Write(0, ignored);
}

std::optional<PassEnd> ListingPass::Take(ListedSystem system) {
  // An empty entry names no file; one that cannot be read is passed over as
  // if it were not there, and the log says why.
  system.passed_over = system.entry.empty();
  std::string content;
  if (!system.passed_over && system.entry_fits) {
    const Status read = run_.platform.fs.ReadFile(run_.location.directory + system.entry, &content);
    if (!read.ok()) {
      CallLogger log = run_.Logger();
      log.entry = system.entry;
      log.Write(0, "profile passed over", read.message());
      system.passed_over = true;
    }
  }
  if (system.passed_over) {
    waiting_.push_back(std::move(system));
    return std::nullopt;
  }
  if (auto end = Prepare(system, content)) {
    // Our own fatal failure: what the systems before it print comes first.
    if (auto earlier = PrintDecided(true)) return earlier;
    return end;
  }
  waiting_.push_back(std::move(system));
  if (auto end = Measure(waiting_.back())) return end;
  return PrintDecided(pool_ == nullptr);
}

int ListingPass::Run(std::string server_listing) {
  PrintHead();
  carried_display_host_ = run_.parameters.display_host;
  while (!server_listing.empty()) {
    const std::size_t hash = server_listing.find('#');
    ListedSystem system;
    system.position = ++no_systems_;
    system.entry = server_listing.substr(0, hash);
    system.entry_fits = system.entry.size() <= kMaxEntry;
    system.sound = false;  // until its profile is read
    server_listing.erase(0, hash == std::string::npos ? std::string::npos : hash + 1);
    if (auto end = Take(std::move(system))) return End(*end);
  }
  if (auto end = PrintDecided(true)) return End(*end);
  if (pool_ != nullptr) pool_->CancelAll();
  PrintSummary();
  if (pool_ != nullptr) {
    // The monitor has the document; a normal logoff ends within the grace,
    // a hanging one is left behind.
    run_.platform.console.Flush();
    pool_->AwaitLogoffs(kLogoffGrace);
  }
  return kExitSuccess;
}

void ListingPass::PrintSummary() {
  const std::string summary =
      "(***) " + run_.settings.item + ": NoSystems=" + std::to_string(no_systems_) +
      ", Processed=" + std::to_string(processed_) + ", Failed=" + std::to_string(failed_);
  run_.document.OpenText();
  run_.document.Append(summary);
  run_.document.CloseText();
  run_.document.EndDocument();
  run_.platform.console.Write(run_.document.text() + "\n");
  if (observer_ != nullptr) observer_->PassEnded({summary, "", false});
  run_.PrintProcessedLine();
}

}  // namespace

int RunListingPass(RunState& run, std::string server_listing, ChannelNaming naming,
                   PassObserver* observer) {
  return ListingPass(run, naming, observer).Run(std::move(server_listing));
}

}  // namespace tidewarden
