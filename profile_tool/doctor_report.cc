// The doctor's step lines and the texts its findings share.
#include "profile_tool/doctor_report.h"

#include "base/text.h"
#include "platform/setup_facts.h"

namespace tidewarden {
namespace {

constexpr const char* kLockWarning =
    "; repeated refused logons can lock the SAP user, so test once before the sensor runs again";

}  // namespace

void Report::Step(const std::string& step, Verdict verdict, const std::string& finding,
                  const std::string& hint) {
  static constexpr const char* kWords[] = {"ok", "warn", "FAIL", "skip"};
  out_.Write(step + " " + kWords[static_cast<int>(verdict)] + ": " + finding + "\n");
  if (!hint.empty() && (verdict == Verdict::kWarn || verdict == Verdict::kFail)) {
    out_.Write("  do: " + hint + "\n");
  }
  if (verdict == Verdict::kFail) failed_ = true;
}

void Report::SetCurrent(std::string step) {
  std::lock_guard<std::mutex> lock(mutex_);
  current_ = std::move(step);
}

std::string Report::Current() const {
  std::lock_guard<std::mutex> lock(mutex_);
  return current_;
}

void CallbackConsole::Write(std::string_view text) {
  if (!announced_) {
    announced_ = true;
    report_.Step(report_.Current(), Verdict::kFail,
                 "the RFC library ended the run from its error callback; its report "
                 "follows, and the exit code is 1, as the probe's",
                 "see the report's key, status and message lines and Dev_Rfc.Trc in the "
                 "working directory");
  }
  out_.Write(text);
}

// By MeasureStep, in its order: the step's name and the function module it
// runs ("" for the logon).
constexpr const char* kStepNames[][2] = {{"logon", ""},
                                         {"server clock", "GET_CPU_ALL"},
                                         {"system info", "RFC_SYSTEM_INFO"},
                                         {"main list", "DB_ORA_MAIN_LIST"}};

const char* StepName(MeasureStep step) { return kStepNames[static_cast<int>(step)][0]; }

const char* FunctionModule(MeasureStep step) { return kStepNames[static_cast<int>(step)][1]; }

void StepTimer::StepBegins(MeasureStep step) {
  const auto now = std::chrono::steady_clock::now();
  {
    std::lock_guard<std::mutex> lock(mutex_);
    if (!begun_.empty()) ended_.push_back(now);
    begun_.push_back(now);
  }
  report_.SetCurrent(prefix_ + StepName(step));
}

void StepTimer::StepsEnded() {
  std::lock_guard<std::mutex> lock(mutex_);
  if (ended_.size() < begun_.size()) ended_.push_back(std::chrono::steady_clock::now());
}

MeasureStep StepTimer::Last() const {
  std::lock_guard<std::mutex> lock(mutex_);
  return begun_.empty() ? MeasureStep::kLogon : static_cast<MeasureStep>(begun_.size() - 1);
}

std::optional<std::int64_t> StepTimer::Milliseconds(MeasureStep step) const {
  std::lock_guard<std::mutex> lock(mutex_);
  const auto i = static_cast<std::size_t>(step);
  if (i >= ended_.size()) return std::nullopt;
  return std::chrono::duration_cast<std::chrono::milliseconds>(ended_[i] - begun_[i]).count();
}

std::string StepTimer::Took(MeasureStep step) const {
  const std::optional<std::int64_t> ms = Milliseconds(step);
  return ms ? " (" + std::to_string(*ms) + " ms)" : "";
}

bool Contains(const std::string& text, std::initializer_list<const char*> words) {
  const std::string lower = LowerCase(text);
  for (const char* word : words) {
    if (lower.find(word) != std::string::npos) return true;
  }
  return false;
}

std::string FolderName(const std::string& folder) {
  // The folder the system opens, which on POSIX is not the probe's spelling.
  return folder.empty() ? "the working directory (" + WorkingDirectory() + ")"
                        : SystemPath(folder);
}

std::string Characters(std::size_t n) {
  return std::to_string(n) + (n == 1 ? " character" : " characters");
}

std::string Join(const std::vector<std::string>& items, const char* separator) {
  std::string text;
  for (const std::string& item : items) text += (text.empty() ? "" : separator) + item;
  return text;
}

std::string CredentialsHint() {
  return "check User, Password (store it again with tidewarden-profile scramble) and Client "
         "in the profile" +
         std::string(kLockWarning);
}

std::string ReachHint() {
  return "check Hostname and Sysnr (or the ,HOST= and ,NO= options), the SAP router and that "
         "the host is reachable from this machine";
}

std::string LogonHintByText(const std::string& text) {
  if (Contains(text, {"password", "logon", "user", "client"})) return CredentialsHint();
  if (Contains(text, {"partner", "connect", "host", "timeout", "network", "route", "reach"})) {
    return ReachHint();
  }
  return "check Hostname, Sysnr, Client, User and Password; the classic library may name the "
         "cause only at the first call" +
         std::string(kLockWarning);
}

}  // namespace tidewarden
