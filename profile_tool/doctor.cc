// The doctor walks the probe's start-up, profile reading and measuring path
// through the very functions the probe calls, and reports each step.
#include "profile_tool/doctor.h"

#include <chrono>
#include <map>
#include <optional>

#include "base/call_log.h"
#include "base/text.h"
#include "collect/logon_preparation.h"
#include "collect/logon_guard.h"
#include "collect/measure.h"
#include "driver/failure_messages.h"
#include "driver/run.h"
#include "driver/run_settings.h"
#include "driver/run_state.h"
#include "output/result_document.h"
#include "platform/paths.h"
#include "platform/setup_facts.h"
#include "platform/shared_library.h"
#include "profiles/listing.h"
#include "profiles/profile_search.h"
#include "profiles/password.h"
#include "profiles/system_entry.h"
#include "rfc/library_choice.h"
#include "rfc/ini_entry.h"

namespace tidewarden {
namespace {

constexpr const char* kHelp =
    "Usage: tidewarden-profile doctor PROFILE [OPTIONS] [--logon]\n"
    "\n"
    "Runs what the probe runs for \"tidewarden PROFILE [OPTIONS]\", step by step,\n"
    "and prints one line per step: \"<step> ok|warn|FAIL|skip: <finding>\", with\n"
    "\"  do: <hint>\" under every warn and FAIL. The steps: the account and\n"
    "working directory, the output mode and where the profile is found, the\n"
    "profile, whether the state line can be kept and who can read the password,\n"
    "the RFC library, the logon, the three calls and the figures. For a GLOBAL\n"
    "or ITEM run the listing, then each listed system. A logon SAP refused before\n"
    "shows as the step \"logon hold\"; while the probe holds it back, the doctor\n"
    "makes no logon either, unless --logon is given.\n"
    "\n"
    "It changes nothing the probe would not: it keeps no state line, never\n"
    "rewrites the profile and writes no call log. Run it as the account of the\n"
    "monitor's probe service, in the sensor's working directory.\n"
    "\n"
    "Exit code 0 when no step failed, 2 when one did, 1 when the RFC library\n"
    "ended the run with its error report (as the probe's exit code 1).\n";

// Only a simulated library carries this text (its version and trace note).
constexpr std::string_view kSimulatedMark = "SIMULATED";
constexpr std::size_t kMaxLibraryRead = 128 * 1024 * 1024;

enum class Verdict { kOk, kWarn, kFail, kSkip };

class Report {
 public:
  explicit Report(Console& out) : out_(out) {}

  void Step(const std::string& step, Verdict verdict, const std::string& finding,
            const std::string& hint = "") {
    static constexpr const char* kWords[] = {"ok", "warn", "FAIL", "skip"};
    out_.Write(step + " " + kWords[static_cast<int>(verdict)] + ": " + finding + "\n");
    if (!hint.empty() && (verdict == Verdict::kWarn || verdict == Verdict::kFail)) {
      out_.Write("  do: " + hint + "\n");
    }
    if (verdict == Verdict::kFail) failed_ = true;
  }
  void Detail(const std::string& text) { out_.Write("    " + text + "\n"); }
  void Raw(std::string_view text) { out_.Write(text); }
  bool failed() const { return failed_; }

  // The step a library's error callback would end: named in its FAIL line.
  std::string current = "library";

 private:
  Console& out_;
  bool failed_ = false;
};

// What the libraries write to the console is only the classic library's
// fatal report, from its error callback, which then ends the process: the
// FAIL line of the step it ended has to come first.
class CallbackConsole : public Console {
 public:
  CallbackConsole(Console& out, Report& report) : out_(out), report_(report) {}
  void Write(std::string_view text) override {
    if (!announced_) {
      announced_ = true;
      report_.Step(report_.current, Verdict::kFail,
                   "the RFC library ended the run from its error callback; its report "
                   "follows, and the exit code is 1, as the probe's",
                   "see the report's key, status and message lines and Dev_Rfc.Trc in the "
                   "working directory");
    }
    out_.Write(text);
  }
  void Flush() override { out_.Flush(); }

 private:
  Console& out_;
  Report& report_;
  bool announced_ = false;
};

using SteadyClock = std::chrono::steady_clock;

const char* StepName(MeasureStep step) {
  switch (step) {
    case MeasureStep::kLogon:
      return "logon";
    case MeasureStep::kClock:
      return "server clock";
    case MeasureStep::kSystemInfo:
      return "system info";
    case MeasureStep::kMainList:
      return "main list";
  }
  return "";
}

const char* FunctionModule(MeasureStep step) {
  switch (step) {
    case MeasureStep::kClock:
      return "GET_CPU_ALL";
    case MeasureStep::kSystemInfo:
      return "RFC_SYSTEM_INFO";
    case MeasureStep::kMainList:
      return "DB_ORA_MAIN_LIST";
    case MeasureStep::kLogon:
      break;
  }
  return "";
}

// Times the steps of one measurement and names the one under way.
class StepTimer : public MeasureObserver {
 public:
  StepTimer(Report& report, std::string prefix) : report_(report), prefix_(std::move(prefix)) {}
  void StepBegins(MeasureStep step) override {
    const auto now = SteadyClock::now();
    if (!begun_.empty()) ended_.push_back(now);
    begun_.push_back(now);
    report_.current = prefix_ + StepName(step);
  }
  void Finish() { ended_.push_back(SteadyClock::now()); }
  bool Reached(MeasureStep step) const { return static_cast<std::size_t>(step) < begun_.size(); }
  std::string Took(MeasureStep step) const {
    const auto i = static_cast<std::size_t>(step);
    if (i >= ended_.size()) return "";
    const auto ms =
        std::chrono::duration_cast<std::chrono::milliseconds>(ended_[i] - begun_[i]).count();
    return " (" + std::to_string(ms) + " ms)";
  }

 private:
  Report& report_;
  std::string prefix_;
  std::vector<SteadyClock::time_point> begun_;
  std::vector<SteadyClock::time_point> ended_;
};

bool Contains(const std::string& text, std::initializer_list<const char*> words) {
  const std::string lower = LowerCase(text);
  for (const char* word : words) {
    if (lower.find(word) != std::string::npos) return true;
  }
  return false;
}

std::string FolderName(const std::string& folder) {
  return folder.empty() ? "the working directory (" + WorkingDirectory() + ")" : folder;
}

std::string Characters(std::size_t n) {
  return std::to_string(n) + (n == 1 ? " character" : " characters");
}

// The most any library takes (SAP's longest password).
constexpr std::size_t kMaxEnvironmentPassword = 40;

constexpr const char* kLockWarning =
    "; repeated refused logons can lock the SAP user, so test once before the sensor runs again";

std::string LogonHintByText(const std::string& text) {
  if (Contains(text, {"password", "logon", "user", "client"})) {
    return "check User, Password (store it again with tidewarden-profile scramble) and Client "
           "in the profile" +
           std::string(kLockWarning);
  }
  if (Contains(text, {"partner", "connect", "host", "timeout", "network", "route", "reach"})) {
    return "check Hostname and Sysnr (or the ,HOST= and ,NO= options), the SAP router and that "
           "the host is reachable from this machine";
  }
  return "check Hostname, Sysnr, Client, User and Password; the classic library may name the "
         "cause only at the first call" +
         std::string(kLockWarning);
}

class Doctor {
 public:
  Doctor(const std::string& program_path, FileSystem& fs, Clock& clock, Console& console)
      : fs_(fs),
        clock_(clock),
        report_(console),
        callback_console_(console, report_),
        sap_(program_path, fs, callback_console_),
        call_log_(fs),
        program_path_(program_path) {}

  int Run(const std::vector<std::string>& args);

 private:
  void Where();
  bool FindProfile();
  bool CheckEntry();
  void CheckStateLine();
  // `form` opens the finding: what the file holds of the password.
  void CheckReaders(const std::string& step, const std::string& path, const std::string& form = "");
  void CheckPassword(const std::string& step, const std::string& path);
  std::string SncProblem(const LogonParameters& logon, std::string* described, std::string* hint);
  std::string PasswordProblem();
  bool CheckLibrary();
  void CompanionsOf(const std::string& folder, std::vector<std::string>* found,
                    std::vector<std::string>* missing);
  std::string DescribeLogon(const LogonParameters& logon);
  // Returns how the pass goes on: false when the probe would end it here.
  bool Measure(const std::string& prefix, const ProfileLines* lines, bool listing,
               SystemOutcome* outcome);
  void SkipFrom(const std::string& prefix, MeasureStep first, const std::string& why);
  // The logon guard's record for the logon's SAP user: whether the probe
  // would hold the logon back.
  void CheckLogonHold(const std::string& prefix, const LogonParameters& logon);
  int RunSingleSystem();
  int RunListing();
  CallLogger Logger() { return CallLogger{&call_log_, false, ""}; }
  int ExitCode() const { return report_.failed() ? kDoctorFailed : kDoctorSound; }

  FileSystem& fs_;
  Clock& clock_;
  Report report_;
  CallbackConsole callback_console_;
  ChosenSapLibrary sap_;
  CallLog call_log_;  // never opened: the doctor writes no call log
  std::string program_path_;
  RunSettings settings_;
  ProfileLocation location_;
  ConnectionParameters parameters_;
  ProfileLines lines_;
  std::int32_t kept_sysnr_ = 0;
  bool force_logon_ = false;  // --logon: log on even while the guard holds the logon
  bool library_checked_ = false;
  bool library_ok_ = false;
};

void Doctor::Where() {
  const std::string account = AccountName();
  report_.Step("account", Verdict::kOk,
               (account.empty() ? std::string("an account the system does not name") : account) +
                   ", working directory " + WorkingDirectory() +
                   "; the monitor runs the probe under its probe service's account (on Windows "
                   "the local system account by default) and working directory, which may "
                   "differ: run the doctor as that account there");
}

bool Doctor::FindProfile() {
  bool global_run = false;
  if (auto error = ApplyNameRules(settings_.profile_name, &location_, &global_run)) {
    report_.Step("profile", Verdict::kFail, *error,
                 "the profile's name, with its folder, must fit the probe's room (63 characters "
                 "for the name, 259 for the path)");
    return false;
  }
  settings_.global_run = global_run;
  if (global_run) settings_.listing_run = true;
  settings_.output_mode = std::string(kModeExeXml);
  const bool sibling = ChooseOutputMode(fs_, location_.directory, &settings_.output_mode);
  std::string markers;
  for (const ModeMarker& marker : kModeMarkers) {
    if (fs_.CanOpenForReading(location_.directory + marker.file_name)) {
      markers += (markers.empty() ? "" : ", ") + location_.directory + marker.file_name;
    }
  }
  report_.Step("output mode", Verdict::kOk,
               settings_.output_mode +
                   (sibling ? " (marker files: " + markers + "; the last one wins)"
                            : " (no marker file in " + FolderName(location_.directory) + ")"));

  std::vector<std::string> tried;
  const auto not_found = sibling ? OpenProfileInDirectory(fs_, &location_, &tried)
                                 : SearchProfile(fs_, &location_, &tried);
  if (not_found) {
    report_.Step("profile", Verdict::kFail, *not_found,
                 sibling ? "put " + location_.name + " beside the marker file, into " +
                               FolderName(location_.directory)
                         : "put " + location_.name +
                               " into the sensor's working directory or the monitor's "
                               "Custom Sensors\\ExeXml folder; C:\\PRTG_Path.Txt, when it "
                               "exists, names the only folder searched");
  } else {
    report_.Step("profile", Verdict::kOk, "found " + location_.path);
  }
  for (const std::string& folder : tried) report_.Detail("looked in " + FolderName(folder));
  return !not_found;
}

bool Doctor::CheckEntry() {
  if (auto message = ReadSystemEntry(location_.content, location_.name, PasswordKeys(),
                                     ProcessEnvironment(), &parameters_, &lines_)) {
    std::string hint =
        "correct the profile (docs/profiles.md, \"Sensor profile\"); "
        "tidewarden-profile new DEST prints a complete one";
    if (message->find("Password") != std::string::npos && !parameters_.password_variable.empty()) {
      hint = "the password comes from the environment variable " + parameters_.password_variable +
             ": see the password step";
    } else if (message->find("Password") != std::string::npos) {
      hint =
          "store the password with tidewarden-profile scramble and paste it after "
          "\"Password...: \"";
    } else if (message->find("Username") != std::string::npos) {
      hint = "add the line \"User.......: <rfc user>\"";
    }
    report_.Step("entry", Verdict::kFail, *message, hint);
    return false;
  }
  report_.Step("entry", Verdict::kOk, location_.name + ": the probe accepts this profile");
  for (const EntryField& field : EntryFields()) {
    const std::string& value = parameters_.*field.field;
    report_.Detail(std::string(field.label) + " " +
                   (field.field == &ConnectionParameters::password ? Characters(value.size())
                                                                   : "\"" + value + "\""));
  }
  return true;
}

void Doctor::CheckStateLine() {
  std::string temp_path;
  std::unique_ptr<WritableFile> file;
  Status status = fs_.CreateTempFileBeside(location_.path, &temp_path, &file);
  if (status.ok()) {
    status = file->Append("tidewarden doctor\n");
    if (status.ok()) status = file->Sync();
    const Status closed = file->Close();
    if (status.ok()) status = closed;
    const Status removed = fs_.RemoveFile(temp_path);
    if (status.ok()) status = removed;
  }
  const std::string folder = FolderName(location_.directory);
  if (!status.ok()) {
    report_.Step("state line", Verdict::kWarn,
                 "no file can be written beside the profile (" + status.message() +
                     "): the state line can never be kept, so every run reports its first "
                     "figures (Error 1016 once they are due)",
                 "give the monitor's probe service account write access to " + folder);
    return;
  }
  const std::string why_not = WhyNotReplaceable(location_.path);
  if (!why_not.empty()) {
    report_.Step("state line", Verdict::kWarn,
                 location_.path + " cannot be replaced: " + why_not +
                     "; the probe fails with Error 1016 when the state line is due",
                 "clear the read-only mark and give the monitor's probe service account "
                 "modify rights to " +
                     location_.path + " and write access to " + folder);
    return;
  }
  report_.Step("state line", Verdict::kOk,
               "a file can be created, flushed and removed in " + folder + ", and " +
                   location_.path + " can be replaced");
}

void Doctor::CheckReaders(const std::string& step, const std::string& path,
                          const std::string& form) {
  std::string narrow;
  const std::string who = OthersWhoMayRead(path, &narrow);
  if (who.empty()) {
    report_.Step(step, Verdict::kOk,
                 form + "only its owner and the system's administrators may read " + path);
    return;
  }
  report_.Step(step, Verdict::kWarn,
               form + path + " may be read by " + who +
                   ": the stored password is scrambled, not encrypted, and anyone who can read "
                   "the profile and run the probe can recover it",
               "narrow it to the monitor's account: " + narrow);
}

void Doctor::CheckPassword(const std::string& step, const std::string& path) {
  const std::string& variable = parameters_.password_variable;
  if (variable.empty()) {
    CheckReaders(step, path, "stored in the profile, scrambled; ");
    return;
  }
  // The profile holds no secret then: who reads it does not matter.
  const std::string finding = "taken from the environment variable " + variable +
                              " (Password...: " + std::string(kPasswordVariablePrefix) + variable +
                              "), which ";
  const std::string reminder =
      "PRTG sets it only for the sensor's own process, with the sensor's setting \"Set "
      "placeholders as environment values\" (docs/install.md)";
  const std::optional<std::string> value = ProcessEnvironment().Value(variable);
  if (!value || value->empty()) {
    report_.Step(step, Verdict::kWarn,
                 finding + (value ? "is empty" : "is not set") +
                     " in the doctor's own environment: there the probe prints Error 1007",
                 reminder + "; to test the logon here, set " + variable +
                     " in this shell to the SAP password");
    return;
  }
  if (auto fault = EnvironmentPasswordFault(*value, kMaxEnvironmentPassword)) {
    report_.Step(step, Verdict::kFail,
                 finding + "is set in the doctor's own environment but cannot be used: " + *fault +
                     "; the probe prints Error 1004",
                 "SAP passwords are printable ASCII of at most 40 characters (31 over the "
                 "classic library)");
    return;
  }
  report_.Step(step, Verdict::kOk,
               finding + "is set in the doctor's own environment (" + Characters(value->size()) +
                   "); " + reminder);
}

std::string Doctor::PasswordProblem() {
  const std::string& variable = parameters_.password_variable;
  if (variable.empty()) return "";
  if (parameters_.password.empty()) {
    return "the environment variable " + variable +
           " is not set or empty: the probe fails this system without a logon";
  }
  if (auto fault = EnvironmentPasswordFault(parameters_.password, sap_.PasswordRoom())) {
    return "the password from the environment variable " + variable +
           " does not fit this library: " + *fault +
           "; the probe prints Error 1004 without a logon";
  }
  return "";
}

// The doctor checks what SAP's library would only find at the logon: a
// wrong SNC setup fails there with texts that rarely name the key.
std::string Doctor::SncProblem(const LogonParameters& logon, std::string* described,
                               std::string* hint) {
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
    return "";
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
  if (partner.empty()) return "SNC_MODE=1 without SNC_PARTNERNAME";
  if (!qop.empty() && (qop.size() != 1 || std::string("12389").find(qop[0]) == std::string::npos)) {
    return "SNC_QOP=" + qop + " is none of 1, 2, 3, 8, 9";
  }
  std::string library = value("SNC_LIB");
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
    return "no SNC library is named (SNC_LIB in the entry, or the environment variables SNC_LIB "
           "and SNC_LIB_64)";
  }
  *described += ", library " + library;
  *hint = "install SAP's " + std::to_string(ProgramWidth()) +
          "-bit SNC library (sapcrypto) and name it with " + named_by;
  if (fs_.FileSize(library) < 0) {
    return "the SNC library " + library + " (" + named_by + ") is not there";
  }
  const int width = LibraryFileWidth(library);
  if (width != ProgramWidth()) {
    return "the SNC library " + library + " is " +
           (width == 0 ? std::string("no library this system loads")
                       : "a " + std::to_string(width) + "-bit library") +
           "; this probe is " + std::to_string(ProgramWidth()) + "-bit";
  }
  return "";
}

void Doctor::CompanionsOf(const std::string& folder, std::vector<std::string>* found,
                          std::vector<std::string>* missing) {
  std::vector<DirectoryEntry> entries;
  static_cast<void>(fs_.ListDirectory(folder, &entries));
  for (const std::string& prefix : NetWeaverCompanionPrefixes()) {
    std::string name;
    for (const DirectoryEntry& entry : entries) {
      if (LowerCase(entry.name).compare(0, prefix.size(), prefix) == 0) name = entry.name;
    }
    if (name.empty()) {
      missing->push_back(prefix + "*");
    } else {
      found->push_back(name);
    }
  }
}

std::string Join(const std::vector<std::string>& items) {
  std::string text;
  for (const std::string& item : items) text += (text.empty() ? "" : ", ") + item;
  return text;
}

bool Doctor::CheckLibrary() {
  if (library_checked_) return library_ok_;
  library_checked_ = true;
  report_.current = "library";
  const std::optional<FatalFailure> fatal = sap_.Prepare(Logger());
  const std::vector<CandidateOutcome>& outcomes = sap_.outcomes();
  std::string folder = OwnExecutableDirectory();
  if (folder.empty()) folder = DirectoryPart(program_path_);
  const std::vector<RfcLibraryCandidate> candidates = RfcLibraryCandidates(folder);

  std::string width_problem;
  std::string import_problem;
  std::string companion_problem;
  std::vector<std::string> details;
  for (std::size_t i = 0; i < candidates.size(); ++i) {
    const RfcLibraryCandidate& candidate = candidates[i];
    const bool own_folder = candidate.path.find_first_of("\\/") != std::string::npos;
    if (i >= outcomes.size()) {
      details.push_back(candidate.path + ": not tried (an earlier one serves)");
      continue;
    }
    const CandidateOutcome& outcome = outcomes[i];
    if (outcome.chosen) {
      details.push_back(candidate.path + ": loaded" +
                        (outcome.loaded_path.empty() || outcome.loaded_path == candidate.path
                             ? std::string()
                             : " from " + outcome.loaded_path));
      continue;
    }
    if (own_folder && fs_.FileSize(candidate.path) < 0) {
      details.push_back(candidate.path + ": not found");
      continue;
    }
    details.push_back(candidate.path + ": " +
                      (own_folder ? "" : "by the system's search: ") + outcome.error);
    // The DLLs a present library lacks, as the load named them.
    if (const std::size_t lacks = outcome.error.find("; of the DLLs it imports");
        own_folder && lacks != std::string::npos && import_problem.empty()) {
      import_problem = candidate.path + " does not load" + outcome.error.substr(lacks);
    }
    const int width = own_folder ? LibraryFileWidth(candidate.path) : 0;
    if (width != 0 && width != ProgramWidth() && width_problem.empty()) {
      width_problem = candidate.path + " is a " + std::to_string(width) +
                      "-bit library; this probe is " + std::to_string(ProgramWidth()) +
                      "-bit: use the " + std::to_string(width) + "-bit package or a " +
                      std::to_string(ProgramWidth()) + "-bit library";
    }
    if (own_folder && candidate.kind == RfcLibraryKind::kNetWeaver && width == ProgramWidth()) {
      std::vector<std::string> found, missing;
      CompanionsOf(DirectoryPart(candidate.path), &found, &missing);
      if (!missing.empty()) {
        companion_problem =
            candidate.path + " lacks its companions " + Join(missing) + " in its folder";
      }
    } else if (own_folder && candidate.kind == RfcLibraryKind::kNetWeaver && width == 0) {
      std::vector<std::string> found, missing;
      CompanionsOf(DirectoryPart(candidate.path), &found, &missing);
      companion_problem = candidate.path + " is no library this system loads" +
                          (missing.empty() ? std::string()
                                           : ", and its companions " + Join(missing) +
                                                 " are missing in its folder");
    }
  }

  if (fatal) {
    std::string hint = "install SAP's NetWeaver RFC library " +
                       std::string(NetWeaverRfcLibraryFileName()) +
                       " with all its companion libraries, or the classic " +
                       ClassicRfcLibraryFileName() + ", of this probe's width (" +
                       std::to_string(ProgramWidth()) + "-bit), into " + FolderName(folder);
    std::string finding = "no SAP RFC library loads";
    if (!width_problem.empty()) {
      finding += ": " + width_problem;
    } else if (!import_problem.empty()) {
      finding += ": " + import_problem;
    } else if (!companion_problem.empty()) {
      finding += ": " + companion_problem;
    }
    report_.Step("library", Verdict::kFail, finding, hint);
    for (const std::string& detail : details) report_.Detail(detail);
    return library_ok_ = false;
  }

  const CandidateOutcome& chosen = outcomes.back();
  const std::string path = chosen.loaded_path.empty() ? chosen.candidate.path : chosen.loaded_path;
  const bool netweaver = chosen.candidate.kind == RfcLibraryKind::kNetWeaver;
  const int width = LibraryFileWidth(path);
  std::string content;
  const bool simulated = fs_.ReadFile(path, &content, kMaxLibraryRead).ok() &&
                         content.find(kSimulatedMark) != std::string::npos;
  std::string finding =
      std::string(netweaver ? "the NetWeaver RFC library " : "the classic RFC library ") + path +
      ", " + (width != 0 ? std::to_string(width) + "-bit" : std::string("width unknown")) + ", " +
      (netweaver ? "version " + sap_.version()
                 : std::string("no version (the classic library reports none)"));
  if (simulated) {
    report_.Step("library", Verdict::kWarn, "simulated library: " + finding,
                 "it serves only the systems of SapSim.txt; install SAP's library to measure "
                 "real systems");
    for (const std::string& detail : details) report_.Detail(detail);
    return library_ok_ = true;
  }
  if (netweaver) {
    std::vector<std::string> found, missing;
    CompanionsOf(DirectoryPart(path), &found, &missing);
    if (!found.empty()) details.push_back("companions found: " + Join(found));
    if (!missing.empty()) {
      report_.Step("library", Verdict::kWarn,
                   finding + "; companions missing beside it: " + Join(missing) +
                       " (on Windows a missing ICU library may only fail at the first use)",
                   "copy every library of the NetWeaver RFC SDK's lib folder beside " + path);
      for (const std::string& detail : details) report_.Detail(detail);
      return library_ok_ = true;
    }
  }
  report_.Step("library", Verdict::kOk, finding);
  for (const std::string& detail : details) report_.Detail(detail);
  return library_ok_ = true;
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
  return "by parameters: host " + logon.hostname + ", system number " +
         (logon.sysnr.empty() ? "(kept) " + std::to_string(logon.sysnr_number) : logon.sysnr) +
         ", client " + logon.client + ", user " + logon.user + ", password of " +
         Characters(logon.password.size()) + ", language " + logon.language + ", mode " +
         logon.mode + ", gateway " + logon.gwhost + " " + logon.gwservice;
}

void Doctor::SkipFrom(const std::string& prefix, MeasureStep first, const std::string& why) {
  for (MeasureStep step : {MeasureStep::kLogon, MeasureStep::kClock, MeasureStep::kSystemInfo,
                           MeasureStep::kMainList}) {
    if (step >= first) report_.Step(prefix + StepName(step), Verdict::kSkip, why);
  }
  report_.Step(prefix + "figures", Verdict::kSkip, why);
}

bool Doctor::Measure(const std::string& prefix, const ProfileLines* lines, bool listing,
                     SystemOutcome* result) {
  const LogonParameters logon =
      MakeLogonParameters(parameters_, settings_.options.host, &kept_sysnr_);
  std::string described = DescribeLogon(logon);
  std::string hint;
  std::string problem = SncProblem(logon, &described, &hint);
  if (problem.empty()) {
    problem = PasswordProblem();
    hint = "see the password step above";
  }
  if (!problem.empty()) {
    // No attempt that could count towards locking the SAP user.
    report_.Step(prefix + StepName(MeasureStep::kLogon), Verdict::kFail, described + ": " + problem,
                 hint);
    SkipFrom(prefix, MeasureStep::kClock, "after the failed logon");
    result->end = MeasureEnd::kLogonRefused;
    return true;
  }
  CheckLogonHold(prefix, logon);
  LogonGuard guard(fs_, clock_, location_.directory, location_.path, !force_logon_);
  StepTimer timer(report_, prefix);
  StringConsole ini_line;
  MeasureInput input{sap_,
                     fs_,
                     ini_line,
                     Logger(),
                     logon,
                     lines,
                     location_.path,
                     /*keep_state=*/false,
                     &timer};
  input.guard = &guard;
  SystemOutcome outcome = MeasureSystem(input);
  timer.Finish();
  *result = outcome;

  MeasureStep failed_at = MeasureStep::kLogon;
  for (MeasureStep step : {MeasureStep::kLogon, MeasureStep::kClock, MeasureStep::kSystemInfo,
                           MeasureStep::kMainList}) {
    if (timer.Reached(step)) failed_at = step;
  }
  auto ok_until = [&](MeasureStep last) {
    for (MeasureStep step : {MeasureStep::kLogon, MeasureStep::kClock, MeasureStep::kSystemInfo,
                             MeasureStep::kMainList}) {
      if (step >= last) break;
      const std::string finding =
          step == MeasureStep::kLogon
              ? described
              : std::string(FunctionModule(step)) + " answered" +
                    (step == MeasureStep::kSystemInfo && outcome.info
                         ? ": host " + TrimmedRight(outcome.info->host) + ", database " +
                               TrimmedRight(outcome.info->db_system_name)
                         : std::string());
      report_.Step(prefix + StepName(step), Verdict::kOk, finding + timer.Took(step));
    }
  };
  const std::string step_name = prefix + StepName(failed_at);
  const std::string skip_why = "after the failed " + std::string(StepName(failed_at));
  auto skip_after = [&](MeasureStep step) {
    bool after = false;
    for (MeasureStep later :
         {MeasureStep::kClock, MeasureStep::kSystemInfo, MeasureStep::kMainList}) {
      if (after || later > step) {
        after = true;
        report_.Step(prefix + StepName(later), Verdict::kSkip, skip_why);
      }
    }
    report_.Step(prefix + "figures", Verdict::kSkip, skip_why);
  };

  switch (outcome.end) {
    case MeasureEnd::kFatal: {
      ok_until(failed_at);
      const FatalFailure& fatal = *outcome.fatal;
      report_.Step(step_name, Verdict::kFail,
                   "the library failed fatally in " + fatal.operation + ": " +
                       fatal.record.message + " (key " + fatal.record.key + ", status " +
                       fatal.record.status +
                       "); the probe prints its \"RFC error\" report "
                       "and ends with exit code 1",
                   "see the key and message, and the library's trace file in the working "
                   "directory");
      skip_after(failed_at);
      sap_.CloseAll();
      return false;
    }
    case MeasureEnd::kLogonRefused: {
      if (!outcome.held.empty()) {
        SkipFrom(prefix, MeasureStep::kLogon, "the logon is held (see logon hold)");
        return true;
      }
      const LogonRefused& refusal = outcome.refusal;
      std::string text;
      std::string hint;
      if (!refusal.key.empty()) {
        text = refusal.key + ": " + refusal.message;
        if (Contains(refusal.message, {"snc"})) {
          hint = "the system takes only SNC logons: turn SNC on in the SapRfc." +
                 logon.destination + " entry (docs/rfc-library.md, \"SNC\")";
        } else if (refusal.key == "RFC_LOGON_FAILURE") {
          hint =
              "check User, Password (store it again with tidewarden-profile scramble) and "
              "Client in the profile" +
              std::string(kLockWarning);
        } else if (refusal.key == "RFC_COMMUNICATION_FAILURE") {
          hint =
              "check Hostname and Sysnr (or the ,HOST= and ,NO= options), the SAP router "
              "and that the host is reachable from this machine";
        } else {
          hint = LogonHintByText(text);
        }
      } else if (!refusal.message.empty()) {
        text = refusal.message;
        hint = "the probe refuses this logon before the library sees it: " + refusal.message;
      } else {
        text = sap_.LastErrorText();
        if (text.compare(0, 3, " - ") == 0) text.erase(0, 3);
        hint = LogonHintByText(text);
      }
      report_.Step(step_name, Verdict::kFail,
                   described + timer.Took(MeasureStep::kLogon) + ": refused: " + text +
                       "; the probe prints Error 1011: RFC-Open for " + logon.destination +
                       " failed !",
                   hint);
      skip_after(MeasureStep::kLogon);
      return true;  // a pass goes on with its next system
    }
    case MeasureEnd::kClockFailed:
    case MeasureEnd::kSystemInfoFailed:
    case MeasureEnd::kMainListFailed: {
      ok_until(failed_at);
      const CallFailure& failure = outcome.call_failure;
      const std::string function = FunctionModule(failed_at);
      std::string hint;
      if (failure.code == kCallException) {
        hint = "the SAP system raised the exception " + failure.exception + " in " + function +
               ": see the text after \" - \" and the library's trace file; the RFC user needs "
               "the S_RFC authorization for " +
               function + " (docs/rfc-library.md)";
      } else if (failure.code == kCallSysException) {
        hint = "a refused function module: give the RFC user the S_RFC authorization for " +
               function +
               " (and, over the NetWeaver library, the metadata groups listed in "
               "docs/rfc-library.md); SU53 after the run shows what SAP checked";
      } else if (Contains(failure.last_error_text, {"password", "logon"})) {
        hint = "the classic library logs on at the first call: " +
               LogonHintByText(failure.last_error_text);
      } else {
        hint =
            "the connection failed during the call: check the network to the SAP host and "
            "the library's trace file";
      }
      report_.Step(step_name, Verdict::kFail,
                   function + " failed" + timer.Took(failed_at) + ": the probe prints " +
                       FailedStepMessage(failure),
                   hint);
      skip_after(failed_at);
      // A pass goes on only after a failed main list.
      return outcome.end == MeasureEnd::kMainListFailed || !listing;
    }
    case MeasureEnd::kNotOracle: {
      ok_until(MeasureStep::kSystemInfo);
      report_.Step(step_name, Verdict::kFail,
                   "RFC_SYSTEM_INFO answered" + timer.Took(MeasureStep::kSystemInfo) +
                       ": the database is \"" + TrimmedRight(outcome.info->db_system_name) +
                       "\", not Oracle; the probe prints " + kDatabaseMismatchMessage,
                   "Tidewarden measures only SAP systems on Oracle: point the sensor at one");
      skip_after(MeasureStep::kSystemInfo);
      return false;
    }
    case MeasureEnd::kRewriteFailed:  // never: the doctor keeps no state
    case MeasureEnd::kDeadline:       // never: the doctor sets no deadline
    case MeasureEnd::kMeasured:
      ok_until(MeasureStep::kMainList);
      report_.Step(prefix + StepName(MeasureStep::kMainList), Verdict::kOk,
                   "DB_ORA_MAIN_LIST answered" + timer.Took(MeasureStep::kMainList));
      if (outcome.fatal) {
        report_.Step(prefix + "figures", Verdict::kFail,
                     "the library failed fatally after the figures, in " +
                         outcome.fatal->operation + ": " + outcome.fatal->record.message,
                     "see the key and message, and the library's trace file");
        sap_.CloseAll();
        return false;
      }
      return true;
  }
  return true;
}

void Doctor::CheckLogonHold(const std::string& prefix, const LogonParameters& logon) {
  // The request the probe would make, to name the SAP user as it does;
  // nothing is copied or locked for it.
  LogonRequest request;
  request.parameters = logon;
  request.by_destination = fs_.ReadFile("SapRfc." + logon.destination, &request.ini_content).ok();
  // Looked at without holding: a look that held would take the retry lock
  // the measurement itself needs.
  LogonGuard look(fs_, clock_, location_.directory, location_.path, /*holds=*/false);
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
                 "a refusal now counts like any other");
    return;
  }
  report_.Step(step, Verdict::kFail, finding + "; nor does the doctor",
               "correct the password with tidewarden-profile scramble");
  report_.Raw("  do: once the SAP user is unlocked and the password is right, run " +
              std::string("tidewarden-profile doctor ") + settings_.profile_name + " --logon\n");
  return;
}

int Doctor::RunSingleSystem() {
  const bool entry_ok = CheckEntry();
  CheckStateLine();
  CheckPassword("password", location_.path);
  const bool library_ok = CheckLibrary();
  if (!entry_ok || !library_ok) {
    SkipFrom("", MeasureStep::kLogon,
             !entry_ok ? "the probe refuses the profile" : "no RFC library loads");
    return ExitCode();
  }
  SystemOutcome outcome;
  Measure("", &lines_, /*listing=*/false, &outcome);
  if (!report_.failed() &&
      (outcome.end == MeasureEnd::kMeasured || outcome.end == MeasureEnd::kRewriteFailed)) {
    ResultDocument document;
    document.SetOptions({settings_.output_mode, settings_.options.channel});
    SetLoggingDocument(document, parameters_.destination, outcome.figures);
    report_.Step("figures", Verdict::kOk,
                 "the probe would print this document (no state line kept):");
    report_.Raw(document.text());
    sap_.DiscardErrorTrail();
  }
  return ExitCode();
}

int Doctor::RunListing() {
  ListingValues listing;
  listing.item = settings_.item;
  if (auto error = ReadListing(fs_, location_, settings_.global_run, settings_.options.sensor_key,
                               settings_.second_argument, &listing)) {
    report_.Step("listing", Verdict::kFail, *error,
                 "correct the listing lines of " + location_.path +
                     " (docs/profiles.md, \"Listing profiles\")");
    return ExitCode();
  }
  settings_.item = listing.item;
  if (listing.record_options) ReadOptionText(*listing.record_options, &settings_.options);
  std::string entries = listing.server_listing;
  report_.Step("listing", Verdict::kOk,
               std::string(settings_.global_run ? "GLOBAL key " + settings_.options.sensor_key
                                                : std::string("ITEM run")) +
                   ": item " + settings_.item + ", systems " + entries +
                   (listing.record_options ? ", options \"" + settings_.options.text + "\""
                                           : std::string()));
  report_.Step("state line", Verdict::kSkip, "a listing pass keeps no state");
  CheckReaders("password", location_.path);
  const bool library_ok = CheckLibrary();

  std::uint32_t systems = 0, processed = 0, failed = 0;
  bool pass_ended = false;
  ResultDocument document;
  document.SetOptions({settings_.output_mode, settings_.options.channel});
  StringConsole channel;
  while (!entries.empty()) {
    const std::size_t hash = entries.find('#');
    const std::string entry = entries.substr(0, hash);
    entries.erase(0, hash == std::string::npos ? std::string::npos : hash + 1);
    if (entry.empty()) continue;
    ++systems;
    const std::string prefix = entry + " ";
    if (pass_ended) {
      report_.Step(prefix + "profile", Verdict::kSkip, "the probe's pass ended before it");
      continue;
    }
    std::string content;
    if (!fs_.ReadFile(location_.directory + entry, &content).ok()) {
      report_.Step(prefix + "profile", Verdict::kFail,
                   "not found in " + FolderName(location_.directory) +
                       ": the probe passes over it without a channel",
                   "put " + entry + " beside " + location_.name + " or take it off the listing");
      continue;
    }
    std::vector<std::string> taken_over;
    for (const EntryField& field : EntryFields()) {
      const std::string label(field.label);
      if (content.compare(0, label.size(), label) != 0 &&
          content.find("\n" + label) == std::string::npos) {
        taken_over.push_back(label);
      }
    }
    const bool sound =
        ReadSystemEntryForPass(content, PasswordKeys(), ProcessEnvironment(), &parameters_);
    const std::string fields = "destination " + parameters_.destination + ", host " +
                               parameters_.hostname + ", client " + parameters_.client + ", user " +
                               parameters_.user;
    const std::string kept =
        taken_over.empty() ? "" : "; taken over from the system before: " + Join(taken_over);
    if (sound) {
      report_.Step(prefix + "profile", Verdict::kOk, fields + kept);
    } else {
      report_.Step(prefix + "profile", Verdict::kFail,
                   fields + kept + ": the probe counts this system failed",
                   "run tidewarden-profile check on " + entry + " and correct what it names");
    }
    CheckPassword(prefix + "password", location_.directory + entry);
    if (!library_ok) {
      SkipFrom(prefix, MeasureStep::kLogon, "no RFC library loads");
      ++failed;
      continue;
    }
    SystemOutcome outcome;
    const bool go_on = Measure(prefix, nullptr, /*listing=*/true, &outcome);
    const bool measured =
        outcome.end == MeasureEnd::kMeasured || outcome.end == MeasureEnd::kRewriteFailed;
    if (measured && !outcome.fatal) {
      PrintListingChannel(channel, document, settings_.item, entry, outcome.figures);
      report_.Step(prefix + "figures", Verdict::kOk,
                   "the probe would print this channel (no state kept):");
      report_.Raw(channel.Take());
    }
    if (measured && sound) {
      ++processed;
    } else {
      ++failed;
    }
    if (!go_on) pass_ended = true;
  }
  if (pass_ended) {
    report_.Step("summary", Verdict::kSkip, "the probe's pass ends at the failure above");
  } else {
    report_.Step("summary", Verdict::kOk,
                 "(***) " + settings_.item + ": NoSystems=" + std::to_string(systems) +
                     ", Processed=" + std::to_string(processed) +
                     ", Failed=" + std::to_string(failed));
  }
  return ExitCode();
}

int Doctor::Run(const std::vector<std::string>& args) {
  std::vector<std::string> probe_args = {program_path_};
  for (const std::string& arg : args) {
    if (arg == "--logon") {
      force_logon_ = true;
    } else {
      probe_args.push_back(arg);
    }
  }
  ReadCommandLine(probe_args, clock_.LocalTimeOfDay(), &settings_);
  Where();
  if (!FindProfile()) {
    report_.Step("entry", Verdict::kSkip, "no profile");
    return ExitCode();
  }
  if (settings_.listing_run) return RunListing();
  return RunSingleSystem();
}

}  // namespace

int RunDoctor(const std::vector<std::string>& args, const std::string& program_path, FileSystem& fs,
              Clock& clock, Console& console, std::ostream& err) {
  if (args.size() == 1 && (args[0] == "--help" || args[0] == "-h")) {
    console.Write(kHelp);
    return kDoctorSound;
  }
  if (args.empty()) {
    err << "tidewarden-profile: doctor takes the probe's arguments: the profile and its "
           "options.\n\n"
        << kHelp;
    return kDoctorFailed;
  }
  Doctor doctor(program_path, fs, clock, console);
  return doctor.Run(args);
}

}  // namespace tidewarden
