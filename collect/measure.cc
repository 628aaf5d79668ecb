#include "collect/measure.h"

#include "collect/logon.h"
#include "collect/profile_state.h"

namespace tidewarden {
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

}  // namespace

bool IsOracle(const std::string& db_system_name) {
  return db_system_name.compare(0, 3, "ORA") == 0;
}

SystemOutcome MeasureSystem(MeasureInput& input) {
  auto begins = [&input](MeasureStep step) {
    if (input.observer != nullptr) input.observer->StepBegins(step);
  };
  begins(MeasureStep::kLogon);
  std::optional<LogonRequest> request = PrepareLogon(input.fs, input.console, input.logon);
  if (!request) {
    SystemOutcome outcome = Ended(MeasureEnd::kLogonRefused);
    outcome.refusal.message = std::string(kLibraryIniFile) + " could not be written";
    return outcome;
  }
  auto opened = input.sap.Open(std::move(*request), input.log);
  if (auto* fatal = std::get_if<FatalFailure>(&opened)) return Fatal(std::move(*fatal));
  if (auto* refused = std::get_if<LogonRefused>(&opened)) {
    SystemOutcome outcome = Ended(MeasureEnd::kLogonRefused);
    outcome.refusal = std::move(*refused);
    return outcome;
  }
  SapConnection& connection = *std::get<std::unique_ptr<SapConnection>>(opened);

  SystemOutcome outcome;
  auto failed = [&connection, &outcome](MeasureEnd end, CallFailure failure) {
    outcome.end = end;
    outcome.call_failure = std::move(failure);
    connection.Close();
    return outcome;
  };

  begins(MeasureStep::kClock);
  auto clock = connection.ReadServerClock();
  if (auto* fatal = std::get_if<FatalFailure>(&clock)) return Fatal(std::move(*fatal));
  if (auto* failure = std::get_if<CallFailure>(&clock)) {
    return failed(MeasureEnd::kClockFailed, std::move(*failure));
  }
  outcome.clock = std::get<ServerClock>(clock);

  begins(MeasureStep::kSystemInfo);
  auto info = connection.ReadSystemInfo();
  if (auto* fatal = std::get_if<FatalFailure>(&info)) return Fatal(std::move(*fatal));
  if (auto* failure = std::get_if<CallFailure>(&info)) {
    return failed(MeasureEnd::kSystemInfoFailed, std::move(*failure));
  }
  outcome.info = std::get<SystemInfo>(info);
  if (!IsOracle(outcome.info->db_system_name)) {
    outcome.end = MeasureEnd::kNotOracle;
    connection.Close();
    return outcome;
  }

  begins(MeasureStep::kMainList);
  auto list = connection.ReadOraMainList();
  if (auto* fatal = std::get_if<FatalFailure>(&list)) return Fatal(std::move(*fatal));
  if (auto* failure = std::get_if<CallFailure>(&list)) {
    return failed(MeasureEnd::kMainListFailed, std::move(*failure));
  }
  OraMainList& figures = std::get<OraMainList>(list);
  outcome.end = MeasureEnd::kMeasured;
  outcome.fatal = std::move(figures.fatal_after_delivery);
  if (input.lines == nullptr) {
    // A listing pass keeps no state: only the usage is a real figure there,
    // the differences stay 0.
    outcome.figures = ComputeLoggingFigures(figures, outcome.clock, std::nullopt);
  } else {
    const std::optional<std::string> state = input.lines->FindLine(kStateLinePrefix);
    outcome.figures = ComputeLoggingFigures(figures, outcome.clock, state);
    if (outcome.figures.rewrite && input.keep_state &&
        !WriteStateLine(input.fs, input.profile_path, *input.lines, outcome.figures.state_line,
                        state)) {
      outcome.end = MeasureEnd::kRewriteFailed;
    }
  }
  if (!outcome.fatal) connection.Close();
  return outcome;
}

}  // namespace tidewarden
