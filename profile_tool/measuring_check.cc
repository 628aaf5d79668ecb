// The doctor's measuring steps: the logon as the probe would make it, the
// three calls and the figures, each with its finding and, where it fails,
// what to do.
#include <map>
#include <optional>

#include "base/text.h"
#include "collect/logon_guard.h"
#include "collect/logon_preparation.h"
#include "driver/documents.h"
#include "output/result_document.h"
#include "platform/setup_facts.h"
#include "profile_tool/doctor_steps.h"
#include "profiles/password.h"
#include "rfc/ini_entry.h"

namespace tidewarden {
namespace {

std::string KeyedRefusalHint(const LogonRefused& refusal, const std::string& text,
                             const std::string& destination) {
  if (Contains(refusal.message, {"snc"})) {
    return "the system takes only SNC logons: turn SNC on in the SapRfc." + destination +
           " entry (docs/rfc-library.md, \"SNC\")";
  }
  if (refusal.key == "RFC_LOGON_FAILURE") return CredentialsHint();
  if (refusal.key == "RFC_COMMUNICATION_FAILURE") return ReachHint();
  return LogonHintByText(text);
}

std::string CallFailureHint(const CallFailure& failure, const std::string& function) {
  if (failure.code == kCallException) {
    return "the SAP system raised the exception " + failure.exception + " in " + function +
           ": see the text after \" - \" and the library's trace file; the RFC user needs "
           "the S_RFC authorization for " +
           function + " (docs/rfc-library.md)";
  }
  if (failure.code == kCallSysException) {
    return "a refused function module: give the RFC user the S_RFC authorization for " + function +
           " (and, over the NetWeaver library, the metadata groups listed in "
           "docs/rfc-library.md); SU53 after the run shows what SAP checked";
  }
  if (Contains(failure.last_error_text, {"password", "logon"})) {
    return "the classic library logs on at the first call: " +
           LogonHintByText(failure.last_error_text);
  }
  return "the connection failed during the call: check the network to the SAP host and "
         "the library's trace file";
}

}  // namespace

Status Doctor::PasswordProblem() {
  const std::string& variable = parameters_.password_variable;
  if (variable.empty()) return Status::Ok();
  if (parameters_.password.empty()) {
    return Status::Error("the environment variable " + variable +
                         " is not set or empty: the probe fails this system without a logon");
  }
  if (Status usable = CheckEnvironmentPassword(parameters_.password, sap_.PasswordRoom());
      !usable.ok()) {
    return Status::Error("the password from the environment variable " + variable +
                         " does not fit this library: " + usable.message() +
                         "; the probe prints Error 1004 without a logon");
  }
  return Status::Ok();
}

// The doctor checks what SAP's library would only find at the logon: a
// wrong SNC setup fails there with texts that rarely name the key.
Status Doctor::SncProblem(const LogonParameters& logon, std::string* described, std::string* hint) {
  std::string ini;
  std::optional<std::map<std::string, std::string>> entry;
  if (fs_.ReadFile("SapRfc." + logon.destination, &ini).ok()) {
    entry = FindIniEntry(ini, logon.destination);
  }
  auto value = [&entry](const char* key) {
    if (!entry) return std::string();
    auto it = entry->find(key);
    return it == entry->end() ? std::string() : it->second;
  };
  const std::string mode = value("SNC_MODE");
  if (mode != "1") {
    *described += "; SNC off" + (mode.empty() ? std::string() : " (SNC_MODE=" + mode + ")");
    return Status::Ok();
  }
  const std::string partner = value("SNC_PARTNERNAME");
  const std::string qop = value("SNC_QOP");
  const std::string sso = value("SNC_SSO");
  *described += "; SNC on: partner " + (partner.empty() ? std::string("(none)") : partner) +
                ", quality of protection " +
                (qop.empty() ? std::string("the library's default") : qop) +
                ", SNC_SSO=" + (sso.empty() ? std::string("0 (the probe's default)") : sso);
  *hint = "correct the SNC keys of the DEST=" + logon.destination + " entry in SapRfc." +
          logon.destination + " (docs/rfc-library.md, \"SNC\")";
  if (partner.empty()) return Status::Error("SNC_MODE=1 without SNC_PARTNERNAME");
  if (!qop.empty() && (qop.size() != 1 || std::string("12389").find(qop[0]) == std::string::npos)) {
    return Status::Error("SNC_QOP=" + qop + " is none of 1, 2, 3, 8, 9");
  }
  return SncLibraryProblem(value("SNC_LIB"), described, hint);
}

Status Doctor::SncLibraryProblem(std::string library, std::string* described, std::string* hint) {
  std::string named_by = "the entry's SNC_LIB";
  for (const char* variable : {ProgramWidth() == 64 ? "SNC_LIB_64" : "SNC_LIB", "SNC_LIB"}) {
    if (!library.empty()) break;
    library = ProcessEnvironment().Value(variable).value_or("");
    named_by = std::string("the environment variable ") + variable;
  }
  if (library.empty()) {
    *hint =
        "name SAP's SNC library (sapcrypto) with SNC_LIB in the entry, or with the "
        "environment variable SNC_LIB" +
        std::string(ProgramWidth() == 64 ? "_64" : "") + " of the probe's account";
    return Status::Error(
        "no SNC library is named (SNC_LIB in the entry, or the environment variables SNC_LIB "
        "and SNC_LIB_64)");
  }
  *described += ", library " + library;
  *hint = "install SAP's " + std::to_string(ProgramWidth()) +
          "-bit SNC library (sapcrypto) and name it with " + named_by;
  if (fs_.FileSize(library) < 0) {
    return Status::Error("the SNC library " + library + " (" + named_by + ") is not there");
  }
  const int width = LibraryFileWidth(library);
  if (width != ProgramWidth()) {
    return Status::Error("the SNC library " + library + " is " +
                         (width == 0 ? std::string("no library this system loads")
                                     : "a " + std::to_string(width) + "-bit library") +
                         "; this probe is " + std::to_string(ProgramWidth()) + "-bit");
  }
  return Status::Ok();
}

std::string Doctor::DescribeLogon(const LogonParameters& logon) {
  std::string ini;
  const std::string destination_ini = "SapRfc." + logon.destination;
  if (fs_.ReadFile(destination_ini, &ini).ok()) {
    std::string keys;
    if (auto entry = FindIniEntry(ini, logon.destination)) {
      for (const auto& [key, value] : *entry) keys += (keys.empty() ? "" : " ") + key;
    } else {
      keys = "none: the file has no entry DEST=" + logon.destination;
    }
    return "by destination " + logon.destination + " through " + destination_ini +
           " (copied over SapRfc.ini; the entry's keys: " + keys + "), client " + logon.client +
           ", user " + logon.user + ", password of " + Characters(logon.password.size());
  }
  const std::string common =
      "by parameters: host " + logon.hostname + ", system number " +
      (logon.sysnr.empty() ? "(kept) " + std::to_string(logon.sysnr_number) : logon.sysnr) +
      ", client " + logon.client + ", user " + logon.user + ", password of " +
      Characters(logon.password.size()) + ", language " + logon.language;
  // The NetWeaver library is passed no mode and no gateway: naming them
  // would send an admin after values that do not matter.
  const std::vector<CandidateOutcome>& outcomes = sap_.outcomes();
  if (!outcomes.empty() && outcomes.back().chosen &&
      outcomes.back().candidate.kind == RfcLibraryKind::kNetWeaver) {
    return common;
  }
  return common + ", mode " + logon.mode + ", gateway " + logon.gwhost + " " + logon.gwservice;
}

void Doctor::SkipFrom(const std::string& prefix, MeasureStep first, const std::string& why) {
  for (MeasureStep step : kMeasureSteps) {
    if (step >= first) report_.Step(prefix + StepName(step), Verdict::kSkip, why);
  }
  report_.Step(prefix + "figures", Verdict::kSkip, why);
}

Status Doctor::LogonProblem(const LogonParameters& logon, std::string* described,
                            std::string* hint) {
  *described = DescribeLogon(logon);
  if (Status snc = SncProblem(logon, described, hint); !snc.ok()) return snc;
  *hint = "see the password step above";
  return PasswordProblem();
}

bool Doctor::MayLogOn(std::size_t, const ConnectionParameters& parameters,
                      const LogonParameters& logon) {
  parameters_ = parameters;
  std::string described, hint;
  // No attempt that could count towards locking the SAP user.
  return LogonProblem(logon, &described, &hint).ok();
}

std::shared_ptr<MeasureObserver> Doctor::StepsOf(std::size_t position, const std::string& entry) {
  auto timer = std::make_shared<StepTimer>(report_, listing_ ? entry + " " : "");
  timers_[position] = timer;
  return timer;
}

void Doctor::SystemDecided(const DecidedSystem& system) {
  decided_any_ = true;
  if (listing_ && !ReportListedProfile(system)) return;
  if (!system.outcome) return;  // a pass tells every system it measured with its outcome
  const std::string prefix = listing_ ? system.entry + " " : "";
  parameters_ = system.parameters;
  std::string described, hint;
  const Status problem = LogonProblem(system.logon, &described, &hint);
  const SystemOutcome& outcome = *system.outcome;
  if (!problem.ok() && !outcome.logged_on && outcome.held.empty()) {
    report_.Step(prefix + StepName(MeasureStep::kLogon), Verdict::kFail,
                 described + ": " + problem.message() + "; " + ProbeVerdict(system), hint);
    SkipFrom(prefix, MeasureStep::kClock, "after the failed logon");
    return;
  }
  CheckLogonHold(prefix, system.logon);
  const auto timer = timers_.find(system.position);
  const StepTimer no_steps(report_, prefix);
  const StepTimer& steps = timer != timers_.end() ? *timer->second : no_steps;
  ReportMeasurement({system, prefix, described, steps, outcome, steps.Last()});
  ReportFigures(system);
}

std::string Doctor::ProbeVerdict(const DecidedSystem& system) const {
  if (!listing_) return "the probe prints " + system.message;
  if (system.fatal) return "the probe ends the pass with its \"RFC error\" report and exit code 1";
  if (!system.message.empty()) return "the probe ends the pass with " + system.message;
  return "the pass counts the system failed (State=" + system.state +
         ") and goes on; a listing prints no error document for it";
}

void Doctor::ReportFigures(const DecidedSystem& system) {
  const SystemOutcome& outcome = *system.outcome;
  const bool measured =
      outcome.end == MeasureEnd::kMeasured || outcome.end == MeasureEnd::kRewriteFailed;
  if (!measured || outcome.fatal) return;
  if (listing_) {
    if (system.printed.empty()) {
      report_.Step(system.entry + " figures", Verdict::kOk,
                   "measured; the probe prints no channel of it for the item " + settings_.item);
      return;
    }
    report_.Step(system.entry + " figures", Verdict::kOk,
                 "the probe prints this (State=" + system.state + "; no state kept):");
    report_.Raw(system.printed);
    return;
  }
  if (outcome.figures.rewrite && !state_line_keepable_) {
    // The doctor never rewrites the profile; the probe would, and fail.
    ResultDocument document;
    document.SetOptions({settings_.output_mode, settings_.options.channel});
    const std::string message = RewriteFailedMessage(location_.path, sap_.LastErrorText());
    document.SetErrorDocument(message);
    report_.Step("figures", Verdict::kFail,
                 "the state line is due on this run and cannot be kept (see the state line "
                 "step): the probe prints " +
                     message + " with exit code 2:",
                 "see the state line step");
    report_.Raw(document.text());
    return;
  }
  report_.Step("figures", Verdict::kOk,
               "the probe prints this document (the doctor keeps no state line):");
  report_.Raw(system.printed);
}

void Doctor::ReportMeasurement(const MeasuredSystem& system) {
  switch (system.outcome.end) {
    case MeasureEnd::kFatal:
      return ReportFatal(system);
    case MeasureEnd::kLogonRefused:
      return ReportRefusal(system);
    case MeasureEnd::kDeadline:
      return ReportDeadline(system);
    case MeasureEnd::kClockFailed:
    case MeasureEnd::kSystemInfoFailed:
    case MeasureEnd::kMainListFailed:
      return ReportCallFailure(system);
    case MeasureEnd::kNotOracle:
      ReportOkUntil(system, MeasureStep::kSystemInfo);
      report_.Step(system.prefix + StepName(system.failed_at), Verdict::kFail,
                   "RFC_SYSTEM_INFO answered" + system.timer.Took(MeasureStep::kSystemInfo) +
                       ": the database is \"" + TrimmedRight(system.outcome.info->db_system_name) +
                       "\", not Oracle; " + ProbeVerdict(system.decided),
                   "Tidewarden measures only SAP systems on Oracle: point the sensor at one");
      SkipAfter(system, MeasureStep::kSystemInfo);
      return;
    case MeasureEnd::kRewriteFailed:  // never: the doctor keeps no state
    case MeasureEnd::kMeasured:
      return ReportMeasured(system);
  }
}

void Doctor::ReportAnswered(const MeasuredSystem& system, MeasureStep step,
                            const std::string& finding) {
  const std::optional<std::int64_t> ms = system.timer.Milliseconds(step);
  if (ms && *ms > kSlowCallMilliseconds) {
    report_.Step(system.prefix + StepName(step), Verdict::kWarn,
                 finding + system.timer.Took(step) + ": slower than " +
                     std::to_string(kSlowCallMilliseconds / 1000) +
                     " s, a third of the monitor's default sensor timeout of 60 s",
                 "the monitor ends a sensor that runs past its timeout without a document: "
                 "look at the network to the SAP host and at the SAP system's load, or raise "
                 "the sensor's timeout");
    return;
  }
  report_.Step(system.prefix + StepName(step), Verdict::kOk, finding + system.timer.Took(step));
}

void Doctor::ReportOkUntil(const MeasuredSystem& system, MeasureStep last) {
  for (MeasureStep step : kMeasureSteps) {
    if (step >= last) break;
    const std::optional<SystemInfo>& info = system.outcome.info;
    const std::string finding =
        step == MeasureStep::kLogon
            ? system.described
            : std::string(FunctionModule(step)) + " answered" +
                  (step == MeasureStep::kSystemInfo && info
                       ? ": host " + TrimmedRight(info->host) + ", database " +
                             TrimmedRight(info->db_system_name)
                       : std::string());
    ReportAnswered(system, step, finding);
  }
}

void Doctor::SkipAfter(const MeasuredSystem& system, MeasureStep step) {
  SkipFrom(system.prefix, static_cast<MeasureStep>(static_cast<int>(step) + 1),
           "after the failed " + std::string(StepName(system.failed_at)));
}

void Doctor::ReportFatal(const MeasuredSystem& system) {
  ReportOkUntil(system, system.failed_at);
  const FatalFailure& fatal = *system.outcome.fatal;
  report_.Step(system.prefix + StepName(system.failed_at), Verdict::kFail,
               "the library failed fatally in " + fatal.operation + ": " + fatal.record.message +
                   " (key " + fatal.record.key + ", status " + fatal.record.status +
                   "); the probe prints its \"RFC error\" report "
                   "and ends with exit code 1",
               "see the key and message, and the library's trace file in the working "
               "directory");
  SkipAfter(system, system.failed_at);
}

void Doctor::ReportRefusal(const MeasuredSystem& system) {
  if (!system.outcome.held.empty()) {
    SkipFrom(system.prefix, MeasureStep::kLogon, "the logon is held (see logon hold)");
    return;
  }
  const LogonRefused& refusal = system.outcome.refusal;
  std::string text;
  std::string hint;
  if (!refusal.key.empty()) {
    text = refusal.key + ": " + refusal.message;
    hint = KeyedRefusalHint(refusal, text, system.decided.logon.destination);
  } else if (!refusal.message.empty()) {
    text = refusal.message;
    hint = "the probe refuses this logon before the library sees it: " + refusal.message;
  } else {
    text = sap_.LastErrorText();
    if (text.compare(0, 3, " - ") == 0) text.erase(0, 3);
    hint = LogonHintByText(text);
  }
  report_.Step(system.prefix + StepName(system.failed_at), Verdict::kFail,
               system.described + system.timer.Took(MeasureStep::kLogon) + ": refused: " + text +
                   "; " + ProbeVerdict(system.decided),
               hint);
  SkipAfter(system, MeasureStep::kLogon);
}

void Doctor::ReportDeadline(const MeasuredSystem& system) {
  ReportOkUntil(system, system.failed_at);
  const double timeout = settings_.options.timeout_seconds.value_or(0);
  std::string seconds = std::to_string(timeout);
  seconds.erase(seconds.find_last_not_of('0') + 1);
  if (!seconds.empty() && seconds.back() == '.') seconds.pop_back();
  report_.Step(system.prefix + StepName(system.failed_at), Verdict::kFail,
               "the TIMEOUT of " + seconds + " s passed during the " + StepName(system.failed_at) +
                   ": " + ProbeVerdict(system.decided),
               "the SAP system or the network to it answers too slowly: look at both, or "
               "raise TIMEOUT= in the listing record");
  SkipAfter(system, system.failed_at);
}

void Doctor::ReportCallFailure(const MeasuredSystem& system) {
  ReportOkUntil(system, system.failed_at);
  const CallFailure& failure = system.outcome.call_failure;
  const std::string function = FunctionModule(system.failed_at);
  report_.Step(system.prefix + StepName(system.failed_at), Verdict::kFail,
               function + " failed" + system.timer.Took(system.failed_at) + ": " +
                   (listing_ && system.decided.message.empty()
                        ? FailedStepMessage(failure) + "; " + ProbeVerdict(system.decided)
                        : ProbeVerdict(system.decided)),
               CallFailureHint(failure, function));
  SkipAfter(system, system.failed_at);
}

void Doctor::ReportMeasured(const MeasuredSystem& system) {
  ReportOkUntil(system, MeasureStep::kMainList);
  ReportAnswered(system, MeasureStep::kMainList, "DB_ORA_MAIN_LIST answered");
  if (!system.outcome.fatal) return;
  report_.Step(system.prefix + "figures", Verdict::kFail,
               "the library failed fatally after the figures, in " +
                   system.outcome.fatal->operation + ": " + system.outcome.fatal->record.message +
                   "; the probe prints its \"RFC error\" report and ends with exit code 1",
               "see the key and message, and the library's trace file");
}

void Doctor::CheckLogonHold(const std::string& prefix, const LogonParameters& logon) {
  // The request the probe would make, to name the SAP user as it does;
  // nothing is copied or locked for it.
  LogonRequest request;
  request.parameters = logon;
  request.by_destination = fs_.ReadFile("SapRfc." + logon.destination, &request.ini_content).ok();
  // Looked at without holding: a look that held would take the retry lock
  // the measurement itself needs.
  LogonGuard look(fs_, clock_, location_.directory, location_.path, /*holds=*/false,
                  /*records=*/false);
  const GuardedLogon found = look.Check(request, Logger());
  if (!found.record) return;
  const LogonRecord& record = *found.record;
  const bool same = PasswordFingerprint(record.salt, logon.password) == record.fingerprint;
  const bool held = same && HoldsLogon(record, clock_.UtcSeconds());
  const std::string step = prefix + "logon hold";
  std::string finding = "SAP refused user " + record.key.user + ", client " + record.key.client +
                        " (" + record.key.system + ") " + std::to_string(record.count) +
                        " times in a row, last at " + look.LocalTimeText(record.time) + " (" +
                        record.message + ")";
  if (!same) {
    report_.Step(step, Verdict::kOk,
                 finding + "; the profile's password is another one: the probe tries it at once");
    return;
  }
  if (!held) {
    report_.Step(step, Verdict::kWarn,
                 finding + "; the hold has run out: the next run logs on once with this password",
                 "if SAP refuses it again, correct the password with tidewarden-profile scramble");
    return;
  }
  finding += record.count >= kRefusalsHeldForGood
                 ? "; the probe makes no logon with this password until it changes"
                 : "; the probe makes no logon with this password for an hour after that";
  if (force_logon_) {
    report_.Step(step, Verdict::kWarn, finding + "; --logon: the doctor logs on once",
                 "the doctor records no outcome: a refusal now counts only towards SAP's lock "
                 "of the user, and the probe's next run tries the password again");
    return;
  }
  report_.Step(step, Verdict::kFail, finding + "; nor does the doctor",
               "correct the password with tidewarden-profile scramble");
  report_.Raw("  do: once the SAP user is unlocked and the password is right, run " +
              std::string("tidewarden-profile doctor ") + settings_.profile_name + " --logon\n");
}

}  // namespace tidewarden
