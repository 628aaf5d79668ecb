// The doctor's checks, shared by its files: the run's flow and the profile
// (doctor.cc), the library (library_check.cc) and the measuring steps
// (measuring_check.cc).
#ifndef TIDEWARDEN_PROFILE_TOOL_DOCTOR_STEPS_H_
#define TIDEWARDEN_PROFILE_TOOL_DOCTOR_STEPS_H_

#include <cstdint>
#include <optional>
#include <string>
#include <vector>

#include "base/call_log.h"
#include "collect/measure.h"
#include "driver/run_settings.h"
#include "output/result_document.h"
#include "platform/file_system.h"
#include "platform/system.h"
#include "profile_tool/doctor.h"
#include "profile_tool/doctor_report.h"
#include "profiles/connection_parameters.h"
#include "profiles/profile_lines.h"
#include "profiles/profile_location.h"
#include "rfc/library_choice.h"

namespace tidewarden {

// Why no library loads, as far as the candidates' files tell.
struct LibraryProblems {
  std::string width;
  std::string imports;
  std::string companions;
};

// A listing pass's summary.
struct PassCounts {
  std::uint32_t systems = 0;
  std::uint32_t processed = 0;
  std::uint32_t failed = 0;
};

// One measurement as its step lines need it.
struct MeasuredSystem {
  const std::string& prefix;
  const std::string& described;  // how the logon is made
  const LogonParameters& logon;
  const StepTimer& timer;
  const SystemOutcome& outcome;
  MeasureStep failed_at;  // the last step begun
};

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
  int RunSingleSystem();
  int RunListing();
  bool ReadListingStep(std::string* entries);
  // Returns how the pass goes on, as Measure.
  bool CheckListedSystem(const std::string& entry, bool library_ok, ResultDocument& document,
                         PassCounts* counts);
  // The listed system's profile step; whether the probe would take it.
  bool CheckListedProfile(const std::string& entry, const std::string& content);

  // library_check.cc
  bool CheckLibrary();
  std::vector<std::string> CandidateLines(LibraryProblems* problems);
  void NoteRefusedCandidate(const RfcLibraryCandidate& candidate, const CandidateOutcome& outcome,
                            std::vector<std::string>* details, LibraryProblems* problems);
  void ReportNoLibrary(const LibraryProblems& problems, const std::vector<std::string>& details);
  void ReportChosenLibrary(std::vector<std::string> details);
  // The companions in `folder`; fails when the folder cannot be listed.
  Status CompanionsOf(const std::string& folder, std::vector<std::string>* found,
                      std::vector<std::string>* missing);

  // measuring_check.cc
  std::string SncProblem(const LogonParameters& logon, std::string* described, std::string* hint);
  std::string PasswordProblem();
  std::string DescribeLogon(const LogonParameters& logon);
  // Returns how the pass goes on: false when the probe would end it here.
  bool Measure(const std::string& prefix, const ProfileLines* lines, bool listing,
               SystemOutcome* outcome);
  bool ReportMeasurement(const MeasuredSystem& system, bool listing);
  void ReportOkUntil(const MeasuredSystem& system, MeasureStep last);
  void SkipAfter(const MeasuredSystem& system, MeasureStep step);
  bool ReportFatal(const MeasuredSystem& system);
  bool ReportRefusal(const MeasuredSystem& system);
  bool ReportCallFailure(const MeasuredSystem& system, bool listing);
  bool ReportMeasured(const MeasuredSystem& system);
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
  std::int32_t kept_sysnr_ = 0;
  bool force_logon_ = false;  // --logon: log on even while the guard holds the logon
  bool library_checked_ = false;
  bool library_ok_ = false;
};

}  // namespace tidewarden

#endif  // TIDEWARDEN_PROFILE_TOOL_DOCTOR_STEPS_H_
