// What the doctor prints: one line per step, "<step> ok|warn|FAIL|skip:
// <finding>", a "  do: <hint>" under every warn and FAIL, and the texts its
// findings and hints share.
#ifndef TIDEWARDEN_PROFILE_TOOL_DOCTOR_REPORT_H_
#define TIDEWARDEN_PROFILE_TOOL_DOCTOR_REPORT_H_

#include <chrono>
#include <cstddef>
#include <cstdint>
#include <initializer_list>
#include <mutex>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

#include "collect/measure.h"
#include "platform/system.h"

namespace tidewarden {

enum class Verdict { kOk, kWarn, kFail, kSkip };

class Report {
 public:
  explicit Report(Console& out) : out_(out) {}

  void Step(const std::string& step, Verdict verdict, const std::string& finding,
            const std::string& hint = "");
  void Detail(const std::string& text) { out_.Write("    " + text + "\n"); }
  void Raw(std::string_view text) { out_.Write(text); }
  bool failed() const { return failed_; }

  // The step a library's error callback would end: named in its FAIL line.
  // Set from the threads of a pass's pool too.
  void SetCurrent(std::string step);
  std::string Current() const;

 private:
  Console& out_;
  bool failed_ = false;
  mutable std::mutex mutex_;
  std::string current_ = "library";
};

// What the libraries write to the console is only the classic library's
// fatal report, from its error callback, which then ends the process: the
// FAIL line of the step it ended has to come first.
class CallbackConsole : public Console {
 public:
  CallbackConsole(Console& out, Report& report) : out_(out), report_(report) {}
  void Write(std::string_view text) override;
  void Flush() override { out_.Flush(); }

 private:
  Console& out_;
  Report& report_;
  bool announced_ = false;
};

// The four measuring steps in the order a run takes them.
inline constexpr MeasureStep kMeasureSteps[] = {MeasureStep::kLogon, MeasureStep::kClock,
                                                MeasureStep::kSystemInfo, MeasureStep::kMainList};

const char* StepName(MeasureStep step);
// The function module a call step runs; "" for the logon.
const char* FunctionModule(MeasureStep step);

// Times the steps of one measurement and names the one under way. Told
// from the thread that measures, asked from the pass's.
class StepTimer : public MeasureObserver {
 public:
  StepTimer(Report& report, std::string prefix) : report_(report), prefix_(std::move(prefix)) {}
  void StepBegins(MeasureStep step) override;
  void StepsEnded() override;
  // The last step begun (the logon before any).
  MeasureStep Last() const;
  // How long a step took; nullopt while it runs or before it began.
  std::optional<std::int64_t> Milliseconds(MeasureStep step) const;
  // " (N ms)" for a step that ended, "" otherwise.
  std::string Took(MeasureStep step) const;

 private:
  Report& report_;
  const std::string prefix_;
  mutable std::mutex mutex_;
  std::vector<std::chrono::steady_clock::time_point> begun_;
  std::vector<std::chrono::steady_clock::time_point> ended_;
};

// A call slower than this is a warning: a third of the monitor's default
// sensor timeout of 60 s, after which it ends the probe without a document.
inline constexpr std::int64_t kSlowCallMilliseconds = 20000;

// Whether `text` holds one of `words`, whatever its case.
bool Contains(const std::string& text, std::initializer_list<const char*> words);
// A folder as a finding names it, as this system spells it: "" is the
// working directory.
std::string FolderName(const std::string& folder);
std::string Characters(std::size_t n);
std::string Join(const std::vector<std::string>& items, const char* separator = ", ");

// The hints for a refused logon: the credentials, or the way to the host.
std::string CredentialsHint();
std::string ReachHint();
// The hint for a refusal only its text describes.
std::string LogonHintByText(const std::string& text);

}  // namespace tidewarden

#endif  // TIDEWARDEN_PROFILE_TOOL_DOCTOR_REPORT_H_
