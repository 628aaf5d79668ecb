// The doctor's checks, shared by its files: the run's flow and the profile
// (doctor.cc), the library (library_check.cc) and the measuring steps
// (measuring_check.cc).
#ifndef TIDEWARDEN_PROFILE_TOOL_DOCTOR_STEPS_H_
#define TIDEWARDEN_PROFILE_TOOL_DOCTOR_STEPS_H_

#include <functional>
#include <map>
#include <memory>
#include <optional>
#include <string>
#include <vector>

#include "base/call_log.h"
#include "collect/measure.h"
#include "driver/pass_observer.h"
#include "driver/run_settings.h"
#include "driver/run_state.h"
#include "output/result_document.h"
#include "platform/file_system.h"
#include "platform/system.h"
#include "profile_tool/doctor.h"
#include "profile_tool/doctor_report.h"
#include "profiles/connection_parameters.h"
#include "profiles/listing.h"
#include "profiles/profile_lines.h"
#include "profiles/profile_location.h"
#include "profiles/profile_search.h"
#include "rfc/library_choice.h"

namespace tidewarden {

// Why no library loads, as far as the candidates' files tell.
struct LibraryProblems {
  std::string width;
  std::string imports;
  std::string companions;
};

// One measurement as its step lines need it.
struct MeasuredSystem {
  const DecidedSystem& decided;
  const std::string& prefix;
  const std::string& described;  // how the logon is made
  const StepTimer& timer;
  const SystemOutcome& outcome;
  MeasureStep failed_at;  // the last step begun
};

// Runs the probe's own passes and reports, step by step, what they decide.
class Doctor : private PassObserver {
 public:
  Doctor(const std::string& program_path, FileSystem& fs, Clock& clock, Console& console)
      : fs_(fs),
        clock_(clock),
        report_(console),
        callback_console_(console, report_),
        sap_(program_path, fs, callback_console_),
        call_log_(fs),
        program_path_(program_path) {
    sap_.LeaveLibraryLogsAlone();
  }

  int Run(const std::vector<std::string>& args);

 private:
  void Where();
  bool FindProfile();
  // Why the search found no profile: one there that cannot be read, or none.
  void ReportMissingProfile(const Status& found, const std::vector<ProfileTry>& tried,
                            bool sibling);
  bool CheckEntry();
  // What the entry step adds to the probe's message: why a profile reads as
  // no entry at all, or the field a 1003 is about. *hint gets what to do.
  std::string EntryFault(const std::string& message, std::string* hint);
  // The options step: what the probe cuts, ignores or drops of the option
  // text in force, the command line's or the sensor record's.
  void CheckOptions(bool from_record);
  void CheckStateLine();
  void CheckPassword(const std::string& step, const std::string& path);
  int RunSingleSystem();
  int RunListing();
  bool ReadListingStep(ListingValues* listing);
  // Runs a pass of the probe's as a run would, with this doctor as its
  // observer and nothing left behind.
  int RunPass(const std::function<int(RunState&)>& pass);
  // The listed system's profile step; whether it has steps to report.
  bool ReportListedProfile(const DecidedSystem& system);

  // What the pass tells (measuring_check.cc).
  bool MayLogOn(std::size_t position, const ConnectionParameters& parameters,
                const LogonParameters& logon) override;
  std::shared_ptr<MeasureObserver> StepsOf(std::size_t position, const std::string& entry) override;
  void SystemDecided(const DecidedSystem& system) override;
  void PassEnded(const PassEnding& ending) override { ending_ = ending; }

  // library_check.cc
  bool CheckLibrary();
  std::vector<std::string> CandidateLines(LibraryProblems* problems);
  void NoteRefusedCandidate(const RfcLibraryCandidate& candidate, const CandidateOutcome& outcome,
                            std::vector<std::string>* details, LibraryProblems* problems);
  void ReportNoLibrary(const LibraryProblems& problems, const std::vector<std::string>& details);
  void ReportChosenLibrary(std::vector<std::string> details);
  // Fails when the folder cannot be listed: then nothing is known missing.
  Status CompanionsOf(const std::string& folder, std::vector<std::string>* found,
                      std::vector<std::string>* missing);

  // measuring_check.cc
  Status SncProblem(const LogonParameters& logon, std::string* described, std::string* hint);
  // The SNC library the entry names (or, when it names none, the
  // environment's), as SAP's library would load it.
  Status SncLibraryProblem(std::string library, std::string* described, std::string* hint);
  Status PasswordProblem();
  std::string DescribeLogon(const LogonParameters& logon);
  // Why the doctor makes no logon for the system (ok when it makes one),
  // with the hint, and how the logon is made into *described.
  Status LogonProblem(const LogonParameters& logon, std::string* described, std::string* hint);
  // What the probe does with a system that failed here.
  std::string ProbeVerdict(const DecidedSystem& system) const;
  void ReportMeasurement(const MeasuredSystem& system);
  // ok, or warn for a call slower than kSlowCallMilliseconds.
  void ReportAnswered(const MeasuredSystem& system, MeasureStep step, const std::string& finding);
  void ReportOkUntil(const MeasuredSystem& system, MeasureStep last);
  void SkipAfter(const MeasuredSystem& system, MeasureStep step);
  void ReportFatal(const MeasuredSystem& system);
  void ReportRefusal(const MeasuredSystem& system);
  void ReportDeadline(const MeasuredSystem& system);
  void ReportCallFailure(const MeasuredSystem& system);
  void ReportMeasured(const MeasuredSystem& system);
  void ReportFigures(const DecidedSystem& system);
  void SkipFrom(const std::string& prefix, MeasureStep first, const std::string& why);
  // The logon guard's record for the logon's SAP user: whether the probe
  // would hold the logon back.
  void CheckLogonHold(const std::string& prefix, const LogonParameters& logon);

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
  bool force_logon_ = false;  // --logon: log on even while the guard holds the logon
  // False when the probe could not keep the state line: it then prints
  // Error 1016 instead of the figures.
  bool state_line_keepable_ = true;
  std::vector<std::string> dropped_arguments_;  // past the probe's two option arguments
  std::string uncut_options_;                   // the command line's option text, whole
  bool library_checked_ = false;
  bool library_ok_ = false;
  bool listing_ = false;
  // Of the pass under way, by the system's position; on the pass's thread.
  std::map<std::size_t, std::shared_ptr<StepTimer>> timers_;
  std::optional<PassEnding> ending_;
  StringConsole pass_output_;  // all the pass printed
  bool decided_any_ = false;
};

}  // namespace tidewarden

#endif  // TIDEWARDEN_PROFILE_TOOL_DOCTOR_STEPS_H_
