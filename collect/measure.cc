#include "collect/measure.h"

#include <utility>

#include "collect/logon_preparation.h"
#include "platform/replace_file.h"

namespace tidewarden {

bool IsOracle(const std::string& db_system_name) {
  return db_system_name.compare(0, 3, "ORA") == 0;
}

namespace {

SystemOutcome Ended(MeasureEnd end) {
  SystemOutcome outcome;
  outcome.end = end;
  return outcome;
}

SystemOutcome Fatal(FatalFailure failure) {
  SystemOutcome outcome = Ended(MeasureEnd::kFatal);
  outcome.fatal = std::move(failure);
  return outcome;
}

// Calls `end` whatever road the steps end on.
template <typename End>
class AtEnd {
 public:
  explicit AtEnd(End end) : end_(std::move(end)) {}
  ~AtEnd() { end_(); }
  AtEnd(const AtEnd&) = delete;
  AtEnd& operator=(const AtEnd&) = delete;

 private:
  End end_;
};

// The steps after the logon. With `lines`, the figures are taken against
// its state line, which is rewritten when due and `keep_state` allows.
// Without `log_off` the connection is left open for the caller to close.
SystemOutcome MeasureOpened(SapConnection& connection, const ProfileLines* lines, FileSystem* fs,
                            const std::string& profile_path, bool keep_state,
                            MeasureObserver* observer, bool log_off = true) {
  auto begins = [observer](MeasureStep step) {
    if (observer != nullptr) observer->StepBegins(step);
  };
  SystemOutcome outcome;
  auto close = [&connection, log_off] {
    if (log_off) connection.Close();
  };
  auto failed = [&close, &outcome](MeasureEnd end, CallFailure failure) {
    outcome.end = end;
    outcome.call_failure = std::move(failure);
    close();
    return outcome;
  };
  // A fatal failure ends the run; a failed call ends this system at `end`.
  auto step_failed = [&failed](MeasureEnd end, SapFailure failure) {
    if (auto* fatal = std::get_if<FatalFailure>(&failure)) return Fatal(std::move(*fatal));
    return failed(end, std::get<CallFailure>(std::move(failure)));
  };

  begins(MeasureStep::kClock);
  auto clock = connection.ReadServerClock();
  if (!clock.ok()) return step_failed(MeasureEnd::kClockFailed, std::move(clock).error());
  outcome.clock = *clock;

  begins(MeasureStep::kSystemInfo);
  auto info = connection.ReadSystemInfo();
  if (!info.ok()) return step_failed(MeasureEnd::kSystemInfoFailed, std::move(info).error());
  outcome.info = *info;
  if (!IsOracle(outcome.info->db_system_name)) {
    outcome.end = MeasureEnd::kNotOracle;
    close();
    return outcome;
  }

  begins(MeasureStep::kMainList);
  auto list = connection.ReadOraMainList();
  if (!list.ok()) return step_failed(MeasureEnd::kMainListFailed, std::move(list).error());
  OraMainList& figures = *list;
  outcome.end = MeasureEnd::kMeasured;
  outcome.fatal = std::move(figures.fatal_after_delivery);
  if (lines == nullptr) {
    // A listing pass keeps no state: only the usage is a real figure there,
    // the differences stay 0.
    outcome.figures = ComputeLoggingFigures(figures, outcome.clock, std::nullopt);
  } else {
    const std::optional<std::string> state = lines->FindLine(kStateLinePrefix);
    outcome.figures = ComputeLoggingFigures(figures, outcome.clock, state);
    if (outcome.figures.rewrite && keep_state) {
      // In one step, after removing the temporary files killed runs left: a
      // profile that could not be written is as it was.
      RemoveStaleTempFiles(*fs, profile_path);
      outcome.rewrite = ReplaceFileContents(
          *fs, profile_path,
          RewrittenProfile(*lines, outcome.figures.state_line, state, kNativeLineEnd));
      if (!outcome.rewrite.ok()) outcome.end = MeasureEnd::kRewriteFailed;
    }
  }
  if (!outcome.fatal) close();
  return outcome;
}

// The connection, or where the system ended without one.
Result<std::unique_ptr<SapConnection>, SystemOutcome> Open(SapLibrary& sap, LogonRequest request,
                                                           const CallLogger& log) {
  auto opened = sap.Open(std::move(request), log);
  if (opened.ok()) return std::move(opened).value();
  OpenFailure& failure = opened.error();
  if (auto* fatal = std::get_if<FatalFailure>(&failure)) return Fatal(std::move(*fatal));
  SystemOutcome outcome = Ended(MeasureEnd::kLogonRefused);
  outcome.refusal = std::get<LogonRefused>(std::move(failure));
  return outcome;
}

}  // namespace

SystemOutcome MeasureSystem(MeasureInput& input) {
  const AtEnd steps_end([observer = input.observer] {
    if (observer != nullptr) observer->StepsEnded();
  });
  if (input.observer != nullptr) input.observer->StepBegins(MeasureStep::kLogon);
  Result<LogonRequest> request = PrepareLogon(input.fs, input.console, input.log, input.logon);
  if (!request.ok()) return RefusedLogon(std::move(request).error());
  // A logon SAP refused before is not repeated at once.
  std::optional<GuardedLogon> guarded;
  if (input.guard != nullptr) {
    guarded = input.guard->Check(*request, input.log);
    if (!guarded->held.empty()) return HeldLogonOutcome(*guarded);
  }
  auto opened = Open(input.sap, std::move(*request), input.log);
  SystemOutcome outcome;
  if (!opened.ok()) {
    outcome = std::move(opened).error();
  } else {
    outcome = MeasureOpened(**opened, input.lines, &input.fs, input.profile_path, input.keep_state,
                            input.observer);
    outcome.logged_on = true;
    // The document keeps its 1016 text; the disk's reason goes to the log.
    if (outcome.end == MeasureEnd::kRewriteFailed) {
      input.log.Write(0, "profile not rewritten", outcome.rewrite.message());
    }
  }
  if (guarded) RememberLogonOutcome(*input.guard, *guarded, outcome, input.log);
  return outcome;
}

SystemOutcome RefusedLogon(std::string why) {
  SystemOutcome outcome = Ended(MeasureEnd::kLogonRefused);
  outcome.refusal.message = std::move(why);
  return outcome;
}

SystemOutcome HeldLogonOutcome(const GuardedLogon& guarded) {
  SystemOutcome outcome = RefusedLogon("logon not repeated");
  outcome.held = guarded.held;
  return outcome;
}

void RememberLogonOutcome(LogonGuard& guard, const GuardedLogon& guarded,
                          const SystemOutcome& outcome, const CallLogger& log) {
  guard.Remember(guarded, outcome.end == MeasureEnd::kLogonRefused ? &outcome.refusal : nullptr,
                 outcome.logged_on, log);
}

ListedMeasurement MeasureListedSystem(SapLibrary& sap, LogonRequest request, const CallLogger& log,
                                      MeasureControl* control, MeasureObserver* observer) {
  ListedMeasurement measured;
  const AtEnd steps_end([observer] {
    if (observer != nullptr) observer->StepsEnded();
  });
  if (observer != nullptr) observer->StepBegins(MeasureStep::kLogon);
  // A wrong password tried for a system already given up would still count
  // towards locking its user.
  if (control != nullptr && control->Cancelled()) {
    log.Write(0, "RfcOpenConnection not called", "the system was cancelled before its logon");
    measured.outcome = Ended(MeasureEnd::kDeadline);
    return measured;
  }
  auto opened = Open(sap, std::move(request), log);
  if (control != nullptr && control->Abandoned()) {
    log.Write(0, "abandoned logon returned", "the connection, if any, is closed at once");
  }
  if (!opened.ok()) {
    measured.outcome = std::move(opened).error();
    return measured;
  }
  std::unique_ptr<SapConnection>& connection = *opened;
  if (control != nullptr && !control->Attach(*connection)) {
    measured.outcome = Ended(MeasureEnd::kDeadline);
  } else {
    // No later cancel may reach the connection. The logoff stays the
    // caller's, and after a fatal failure the connection stays open for the
    // report.
    const AtEnd detach([control] {
      if (control != nullptr) control->Detach();
    });
    measured.outcome = MeasureOpened(*connection, nullptr, nullptr, "", false, observer, false);
  }
  measured.outcome.logged_on = true;
  // After a fatal failure the connection stays open for the report.
  if (measured.outcome.end != MeasureEnd::kFatal && !measured.outcome.fatal) {
    measured.logoff = std::move(connection);
  }
  return measured;
}

bool MeasureControl::Attach(SapConnection& connection) {
  std::lock_guard<std::mutex> lock(mutex_);
  opened_ = true;
  if (cancelled_) return false;
  connection_ = &connection;
  return true;
}

void MeasureControl::Detach() {
  std::lock_guard<std::mutex> lock(mutex_);
  connection_ = nullptr;
}

void MeasureControl::Cancel() {
  std::lock_guard<std::mutex> lock(mutex_);
  cancelled_ = true;
  // Under this lock the connection cannot be let go of meanwhile; its own
  // lock keeps the cancel away from its close.
  if (connection_ != nullptr) connection_->Cancel();
}

bool MeasureControl::NotYetOpened() const {
  std::lock_guard<std::mutex> lock(mutex_);
  return !opened_;
}

bool MeasureControl::Cancelled() const {
  std::lock_guard<std::mutex> lock(mutex_);
  return cancelled_;
}

void MeasureControl::Abandon() {
  std::lock_guard<std::mutex> lock(mutex_);
  abandoned_ = true;
}

bool MeasureControl::Abandoned() const {
  std::lock_guard<std::mutex> lock(mutex_);
  return abandoned_;
}

}  // namespace tidewarden
