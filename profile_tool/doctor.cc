// tidewarden-profile doctor: the run's flow, the profile and its search,
// the state line and who may read the password; the library and measuring
// steps have files of their own.
#include "profile_tool/doctor.h"

#include <memory>
#include <optional>

#include "collect/measure_pool.h"
#include "driver/listing_pass.h"
#include "driver/run.h"
#include "driver/single_run.h"
#include "output/result_document.h"
#include "platform/paths.h"
#include "platform/setup_facts.h"
#include "profile_tool/doctor_steps.h"
#include "profile_tool/profile_tool.h"
#include "profiles/listing.h"
#include "profiles/password.h"
#include "profiles/profile_search.h"
#include "profiles/system_entry.h"

namespace tidewarden {
namespace {

constexpr const char* kHelp =
    "Usage: tidewarden-profile doctor PROFILE [OPTIONS] [--logon]\n"
    "\n"
    "Runs what the probe runs for \"tidewarden PROFILE [OPTIONS]\", step by step,\n"
    "and prints one line per step: \"<step> ok|warn|FAIL|skip: <finding>\", with\n"
    "\"  do: <hint>\" under every warn and FAIL. The steps: the account and\n"
    "working directory, the output mode and where the profile is found, the\n"
    "options, the profile, whether the state line can be kept and who can read\n"
    "the password, the RFC library, the logon, the three calls and the figures.\n"
    "For a GLOBAL or ITEM run the listing, then the probe's own pass: each\n"
    "listed system and the summary the probe prints. A logon SAP refused before\n"
    "shows as the step \"logon hold\"; while the probe holds it back, the doctor\n"
    "makes no logon either, unless --logon is given.\n"
    "\n"
    "It changes nothing the probe would not: it keeps no state line, never\n"
    "rewrites the profile and writes no call log and no logon record. Run it as\n"
    "the account of the monitor's probe service, in the sensor's working\n"
    "directory.\n"
    "\n"
    "Exit code 0 when no step failed, 2 when one did, 1 when the RFC library\n"
    "ended the run with its error report (as the probe's exit code 1).\n";

// The most any library takes (SAP's longest password).
constexpr std::size_t kMaxEnvironmentPassword = 40;

}  // namespace

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
  if (const Status named =
          ApplyNameRules(settings_.profile_name, &location_, &settings_.global_run);
      !named.ok()) {
    report_.Step("profile", Verdict::kFail, named.message(),
                 "the profile's name, with its folder, must fit the probe's room (63 characters "
                 "for the name, 259 for the path)");
    return false;
  }
  if (settings_.global_run) settings_.listing_run = true;
  const std::vector<std::string> markers =
      ChooseOutputMode(fs_, location_.directory, &settings_.output_mode);
  const bool sibling = !markers.empty();
  report_.Step("output mode", Verdict::kOk,
               settings_.output_mode +
                   (sibling ? " (marker files: " + Join(markers) + "; the last one wins)"
                            : " (no marker file in " + FolderName(location_.directory) + ")"));

  std::vector<ProfileTry> tried;
  const Status found = sibling ? OpenProfileInDirectory(fs_, &location_, &tried)
                               : SearchProfile(fs_, &location_, &tried);
  if (found.ok()) {
    report_.Step("profile", Verdict::kOk, "found " + location_.path);
  } else {
    ReportMissingProfile(found, tried, sibling);
  }
  for (const ProfileTry& folder : tried) report_.Detail("looked in " + FolderName(folder.folder));
  return found.ok();
}

void Doctor::ReportMissingProfile(const Status& found, const std::vector<ProfileTry>& tried,
                                  bool sibling) {
  // A profile that is there but cannot be read is missing to the probe.
  for (const ProfileTry& folder : tried) {
    const std::string path = SystemPath(folder.folder + location_.name);
    if (folder.outcome.ok() || fs_.FileSize(folder.folder + location_.name) < 0) continue;
    report_.Step("profile", Verdict::kFail,
                 found.message() + ": " + path + " is there, but this account cannot read it (" +
                     folder.outcome.message() + ")",
                 "give the monitor's account read access to " + path +
                     " (and, so that the state line can be kept, write access to it and its "
                     "folder)");
    return;
  }
  report_.Step(
      "profile", Verdict::kFail, found.message(),
      sibling ? "put " + location_.name + " beside the marker file, into " +
                    FolderName(location_.directory)
              : "put " + location_.name + " into the sensor's working directory" +
                    (OnWindows() ? " or the monitor's Custom Sensors\\ExeXml folder" : "") + "; " +
                    SystemPath(kPrtgPathFile) + ", when it exists, names the only folder searched");
}

bool Doctor::CheckEntry() {
  if (const Status read = ReadSystemEntry(location_.content, location_.name, PasswordKeys(),
                                          ProcessEnvironment(), &parameters_, &lines_);
      !read.ok()) {
    std::string message = read.message();
    std::string hint =
        "correct the profile (docs/profiles.md, \"Sensor profile\"); "
        "tidewarden-profile new DEST prints a complete one";
    if (const std::string fault = EntryFault(message, &hint); !fault.empty()) {
      message += ": " + fault;
    } else if (message.find("Password") != std::string::npos) {
      hint = parameters_.password_variable.empty()
                 ? "store the password with tidewarden-profile scramble and paste it after "
                   "\"Password...: \""
                 : "the password comes from the environment variable " +
                       parameters_.password_variable + ": see the password step";
    } else if (message.find("Username") != std::string::npos) {
      hint = "add the line \"User.......: <rfc user>\"";
    }
    report_.Step("entry", Verdict::kFail, message, hint);
    return false;
  }
  if (const std::vector<std::string> left = PlaceholdersLeft(parameters_); !left.empty()) {
    // The probe would take it, and log on to a host named "<application
    // server>" as user "<RFC USER>".
    report_.Step("entry", Verdict::kFail,
                 location_.name + " is not filled in: " + Join(left) +
                     " as tidewarden-profile new wrote them; the probe takes them as they are "
                     "and its logon fails",
                 "fill in the real values (keep client 000 only if the RFC user is in client "
                 "000)");
  } else {
    report_.Step("entry", Verdict::kOk, location_.name + ": the probe accepts this profile");
  }
  for (const EntryField& field : EntryFields()) report_.Detail(ShownField(field, parameters_));
  return true;
}

std::string Doctor::EntryFault(const std::string& message, std::string* hint) {
  const std::string& content = location_.content;
  const std::string path = SystemPath(location_.path);
  // Byte order marks of UTF-16, or the zero bytes its ASCII letters bring.
  if (content.starts_with("\xFF\xFE") || content.starts_with("\xFE\xFF") ||
      (content.size() >= 2 && (content[0] == '\0' || content[1] == '\0'))) {
    *hint = "save " + path +
            " again as ANSI or UTF-8 text (in Notepad: Save As, Encoding ANSI or UTF-8)";
    return path + " is UTF-16 text (Notepad's \"Unicode\"): the probe reads single-byte "
           "text and finds none of its entry lines";
  }
  if (content.find_first_not_of(" \t\r\n\x1a\xEF\xBB\xBF") == std::string::npos) {
    *hint = "fill it in: tidewarden-profile new " +
            location_.name.substr(0, location_.name.find('.')) +
            " prints a complete profile to start from";
    return path + " is empty";
  }
  if (!message.starts_with("Error 1003")) return "";
  const std::optional<InvalidField> invalid =
      FindInvalidField(content, PasswordKeys(), ProcessEnvironment());
  if (!invalid) return "";
  const EntryField& field = *invalid->field;
  const std::string label(field.label);
  const std::string rule = std::to_string(field.minimum_length) + " to " +
                           std::to_string(field.width) + " characters";
  *hint = "correct the line \"" + label + " \": its value takes " + rule +
          (field.field == &ConnectionParameters::password && !parameters_.password_variable.empty()
               ? " (here from the environment variable " + parameters_.password_variable + ")"
               : std::string());
  return invalid->too_long ? label + " is longer than " + std::to_string(field.width) +
                                 " characters"
                           : label + " has " + Characters(invalid->length) + ", fewer than " +
                                 std::to_string(field.minimum_length);
}

void Doctor::CheckOptions(bool from_record) {
  const std::string source = from_record ? "the sensor record" : "the command line";
  const RunOptions& options = settings_.options;
  std::vector<std::string> problems;
  if (!from_record && uncut_options_.size() > kMaxOptionText) {
    problems.push_back("the text past its " + std::to_string(kMaxOptionText) +
                       " characters is cut: \"" + uncut_options_.substr(kMaxOptionText) +
                       "\" is not read");
  } else if (from_record && options.text.size() >= kMaxRecordOptionText) {
    problems.push_back("the text fills the " + std::to_string(kMaxRecordOptionText) +
                       " characters the probe reads: whatever follows them before \",Sensor=\" "
                       "is not read");
  }
  if (!dropped_arguments_.empty()) {
    problems.push_back("the arguments after the second option argument are not read: " +
                       Join(dropped_arguments_));
  }
  const bool asked = options.parallel > 1 || options.timeout_seconds;
  if (!settings_.listing_run) {
    if (asked || !options.ignored_options.empty()) {
      problems.push_back(
          "PARALLEL= and TIMEOUT= serve a listing pass only: this run measures its one system "
          "without them");
    }
  } else {
    for (const std::string& ignored : options.ignored_options) {
      problems.push_back(ignored + (ignored.starts_with("PARALLEL=")
                                        ? ", so the pass measures one system at a time"
                                        : ", so no call is cut short"));
    }
    // Whether the library takes them shows only once it is loaded.
    if (asked && CheckLibrary() && !sap_.AllowsParallelConnections()) {
      problems.push_back(
          "PARALLEL and TIMEOUT ignored: this RFC library allows one connection at a time, so "
          "the pass measures one system after the other, without a timeout");
    }
  }
  const std::string text = options.text.empty() ? "no options" : "\"" + options.text + "\"";
  if (problems.empty()) {
    report_.Step("options", Verdict::kOk, text + " from " + source);
    return;
  }
  report_.Step("options", Verdict::kWarn, text + " from " + source + ": " + Join(problems, "; "),
               "correct the options if the probe should do otherwise (docs/listing.md, "
               "\"Parallel passes and a deadline per system\")");
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
  // A run without a state line behind it always rewrites the profile, so a
  // rewrite that cannot succeed fails every run, the first one too.
  const std::string fails = "; the probe prints Error 1016: ReWriting of Profile " +
                            location_.path +
                            " failed ! on this run once it has its figures, and on every run "
                            "after it";
  if (!status.ok()) {
    state_line_keepable_ = false;
    report_.Step("state line", Verdict::kFail,
                 "no file can be written beside the profile (" + status.message() + ")" + fails,
                 "give the monitor's probe service account write access to " + folder);
    return;
  }
  const std::string why_not = WhyNotReplaceable(location_.path);
  if (!why_not.empty()) {
    state_line_keepable_ = false;
    report_.Step("state line", Verdict::kFail,
                 location_.path + " cannot be replaced: " + why_not + fails,
                 "clear the read-only mark and give the monitor's probe service account "
                 "modify rights to " +
                     location_.path + " and write access to " + folder);
    return;
  }
  report_.Step("state line", Verdict::kOk,
               "a file can be created, flushed and removed in " + folder + ", and " +
                   location_.path + " can be replaced");
}

void Doctor::CheckPassword(const std::string& step, const std::string& path) {
  const std::string& variable = parameters_.password_variable;
  if (variable.empty()) {
    const std::string stored = "stored in the profile, scrambled; ";
    std::string narrow;
    if (const std::string who = OthersWhoMayRead(path, &narrow); !who.empty()) {
      report_.Step(step, Verdict::kWarn,
                   stored + path + " may be read by " + who +
                       ": the stored password is scrambled, not encrypted, and anyone who can "
                       "read the profile and run the probe can recover it",
                   "narrow it to the monitor's account: " + narrow);
    } else {
      report_.Step(step, Verdict::kOk,
                   stored + "only its owner and the system's administrators may read " + path);
    }
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
  if (const Status usable = CheckEnvironmentPassword(*value, kMaxEnvironmentPassword);
      !usable.ok()) {
    report_.Step(step, Verdict::kFail,
                 finding + "is set in the doctor's own environment but cannot be used: " +
                     usable.message() +
                     "; the probe prints Error 1004",
                 "SAP passwords are printable ASCII of at most 40 characters (31 over the "
                 "classic library)");
    return;
  }
  report_.Step(step, Verdict::kOk,
               finding + "is set in the doctor's own environment (" + Characters(value->size()) +
                   "); " + reminder);
}

int Doctor::RunPass(const std::function<int(RunState&)>& pass) {
  // What the pass prints reaches the report beside the steps it belongs to.
  pass_output_.Take();
  Platform platform{fs_, clock_, pass_output_, sap_, ProcessEnvironment()};
  RunState run(platform);
  run.settings = settings_;
  run.location = location_;
  run.parameters = parameters_;
  run.lines = lines_;
  run.setup_check = true;
  run.hold_refused_logons = !force_logon_;
  run.document.SetOptions({settings_.output_mode, settings_.options.channel});
  return pass(run);
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
  RunPass([this](RunState& run) { return tidewarden::RunSingleSystem(run, this); });
  // The probe ended before the logon; the step above that failed says why.
  if (!decided_any_) SkipFrom("", MeasureStep::kLogon, "the probe ends before the logon");
  return ExitCode();
}

int Doctor::RunListing() {
  ListingValues listing;
  if (!ReadListingStep(&listing)) return ExitCode();
  report_.Step("state line", Verdict::kSkip, "a listing pass keeps no state");
  report_.Step("password", Verdict::kSkip,
               location_.name +
                   " holds no password: each listed system's profile has its own "
                   "password step");
  CheckLibrary();
  listing_ = true;
  RunPass([this, &listing](RunState& run) {
    return RunListingPass(run, listing.server_listing, listing.naming, this);
  });
  if (!ending_) {
    report_.Step("summary", Verdict::kSkip, "the probe's pass ended without a document");
    return ExitCode();
  }
  if (ending_->summary.empty()) {
    report_.Step("summary", Verdict::kSkip,
                 "the probe's pass ends at the failure above" +
                     std::string(ending_->fatal ? ", with its \"RFC error\" report and exit code 1:"
                                                : ", with exit code 2; it prints:"));
  } else {
    report_.Step("summary", Verdict::kOk, ending_->summary + "; the probe prints:");
  }
  report_.Raw(pass_output_.Take());
  return ExitCode();
}

bool Doctor::ReadListingStep(ListingValues* listing) {
  listing->item = settings_.item;
  if (const Status read = ReadListing(fs_, location_, settings_.global_run,
                                      settings_.options.sensor_key, settings_.second_argument,
                                      listing);
      !read.ok()) {
    const std::string& error = read.message();
    std::string hint = "correct the listing lines of " + location_.path +
                       " (docs/profiles.md, \"Listing profiles\")";
    if (error.starts_with("Error 1030")) {
      const std::string& key = settings_.options.sensor_key;
      const std::string padded = GlobalSensorKey(key);
      hint = key.empty()
                 ? "name the sensor's key after GLOBAL, as the sensor's parameters do: "
                   "GLOBAL USAGE"
                 : location_.path + " has no sensor record for the key " + key +
                       ": add the lines \"# GSNX: " + padded +
                       ": Item=<item>,Sensor=\"SAP Tidewarden\"\" and \"# GSNG: " + padded +
                       ": PRD.P00#\" with the systems to measure (docs/listing.md)";
    }
    report_.Step("listing", Verdict::kFail, error, hint);
    return false;
  }
  settings_.item = listing->item;
  if (listing->record_options) ReadOptionText(*listing->record_options, &settings_.options);
  report_.Step("listing", Verdict::kOk,
               std::string(settings_.global_run ? "GLOBAL key " + settings_.options.sensor_key
                                                : std::string("ITEM run")) +
                   ": item " + settings_.item + ", systems " + listing->server_listing +
                   (listing->record_options ? ", options \"" + settings_.options.text + "\""
                                            : std::string()));
  CheckOptions(listing->record_options.has_value());
  return true;
}

bool Doctor::ReportListedProfile(const DecidedSystem& system) {
  const std::string prefix = system.entry + " ";
  if (system.passed_over && system.entry.empty()) {
    report_.Step("entry " + std::to_string(system.position), Verdict::kWarn,
                 "empty: it names no file; the probe counts it in NoSystems only",
                 "take the empty entry (\"##\") off the listing");
    return false;
  }
  if (system.passed_over) {
    report_.Step(
        prefix + "profile", Verdict::kFail,
        "not found in " + FolderName(location_.directory) +
            ": the probe passes over it without a channel, counted in NoSystems only",
        "put " + system.entry + " beside " + location_.name + " or take it off the listing");
    return false;
  }
  if (!system.entry_fits) {
    report_.Step(prefix + "profile", Verdict::kFail,
                 "the entry has " + Characters(system.entry.size()) +
                     ", more than a profile's name may have: the probe counts the system failed "
                     "(State=" +
                     system.state + ") without reading it",
                 "give the profile a name of at most 63 characters and list it so");
    return false;
  }
  std::vector<std::string> taken_over;
  for (std::size_t i = 0; i < EntryFields().size(); ++i) {
    if (!system.given[i]) taken_over.emplace_back(EntryFields()[i].label);
  }
  const ConnectionParameters& taken = system.parameters;
  const std::string fields = "destination " + taken.destination + ", host " + taken.hostname +
                             ", client " + taken.client + ", user " + taken.user;
  const std::string kept =
      taken_over.empty() ? "" : "; taken over from the system before: " + Join(taken_over);
  if (system.sound) {
    report_.Step(prefix + "profile", Verdict::kOk, fields + kept);
  } else {
    report_.Step(
        prefix + "profile", Verdict::kFail,
        fields + kept + ": the probe counts this system failed (State=" + system.state + ")",
        "run tidewarden-profile check on " + system.entry + " and correct what it names");
  }
  parameters_ = system.parameters;
  CheckPassword(prefix + "password", location_.directory + system.entry);
  return true;
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
  // The probe reads the program, the profile and two option arguments.
  if (probe_args.size() > 2) uncut_options_ = probe_args[2];
  if (probe_args.size() > 3) uncut_options_ += " " + probe_args[3];
  for (std::size_t i = 4; i < probe_args.size(); ++i) {
    dropped_arguments_.push_back("\"" + probe_args[i] + "\"");
  }
  Where();
  if (!FindProfile()) {
    report_.Step("entry", Verdict::kSkip, "no profile");
    return ExitCode();
  }
  if (settings_.listing_run) return RunListing();
  CheckOptions(/*from_record=*/false);
  return RunSingleSystem();
}

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
  // A thread of a pass's pool left inside a logon may still use the
  // doctor's library: it is then never destroyed, and main ends the
  // process without waiting (as the probe's main does).
  auto doctor = std::make_unique<Doctor>(program_path, fs, clock, console);
  const int code = doctor->Run(args);
  if (MeasurePool::AnyThreadAbandoned()) static_cast<void>(doctor.release());
  return code;
}

}  // namespace tidewarden
