// tidewarden-profile doctor: the run's flow, the profile and its search,
// the state line and who may read the password; the library and measuring
// steps have files of their own.
#include "profile_tool/doctor.h"

#include <memory>
#include <optional>

#include "driver/documents.h"
#include "driver/run.h"
#include "output/result_document.h"
#include "platform/paths.h"
#include "platform/setup_facts.h"
#include "profile_tool/doctor_steps.h"
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
  bool global_run = false;
  if (Status error = ApplyNameRules(settings_.profile_name, &location_, &global_run); !error.ok()) {
    report_.Step("profile", Verdict::kFail, error.message(),
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
  const Status found = sibling ? OpenProfileInDirectory(fs_, &location_, &tried)
                               : SearchProfile(fs_, &location_, &tried);
  if (!found.ok()) {
    report_.Step("profile", Verdict::kFail, found.message(),
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
  return found.ok();
}

bool Doctor::CheckEntry() {
  if (Status read = ReadSystemEntry(location_.content, location_.name, PasswordKeys(),
                                    ProcessEnvironment(), &parameters_, &lines_);
      !read.ok()) {
    const std::string& message = read.message();
    std::string hint =
        "correct the profile (docs/profiles.md, \"Sensor profile\"); "
        "tidewarden-profile new DEST prints a complete one";
    if (message.find("Password") != std::string::npos && !parameters_.password_variable.empty()) {
      hint = "the password comes from the environment variable " + parameters_.password_variable +
             ": see the password step";
    } else if (message.find("Password") != std::string::npos) {
      hint =
          "store the password with tidewarden-profile scramble and paste it after "
          "\"Password...: \"";
    } else if (message.find("Username") != std::string::npos) {
      hint = "add the line \"User.......: <rfc user>\"";
    }
    report_.Step("entry", Verdict::kFail, message, hint);
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
  if (Status usable = CheckEnvironmentPassword(*value, kMaxEnvironmentPassword); !usable.ok()) {
    report_.Step(step, Verdict::kFail,
                 finding + "is set in the doctor's own environment but cannot be used: " +
                     usable.message() + "; the probe prints Error 1004",
                 "SAP passwords are printable ASCII of at most 40 characters (31 over the "
                 "classic library)");
    return;
  }
  report_.Step(step, Verdict::kOk,
               finding + "is set in the doctor's own environment (" + Characters(value->size()) +
                   "); " + reminder);
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
    // The figures are the report; a trail left behind changes none of it.
    static_cast<void>(sap_.DiscardErrorTrail());
  }
  return ExitCode();
}

int Doctor::RunListing() {
  std::string entries;
  if (!ReadListingStep(&entries)) return ExitCode();
  report_.Step("state line", Verdict::kSkip, "a listing pass keeps no state");
  CheckReaders("password", location_.path);
  const bool library_ok = CheckLibrary();

  PassCounts counts;
  bool pass_ended = false;
  ResultDocument document;
  document.SetOptions({settings_.output_mode, settings_.options.channel});
  while (!entries.empty()) {
    const std::size_t hash = entries.find('#');
    const std::string entry = entries.substr(0, hash);
    entries.erase(0, hash == std::string::npos ? std::string::npos : hash + 1);
    if (entry.empty()) continue;
    ++counts.systems;
    if (pass_ended) {
      report_.Step(entry + " profile", Verdict::kSkip, "the probe's pass ended before it");
      continue;
    }
    if (!CheckListedSystem(entry, library_ok, document, &counts)) pass_ended = true;
  }
  if (pass_ended) {
    report_.Step("summary", Verdict::kSkip, "the probe's pass ends at the failure above");
  } else {
    report_.Step("summary", Verdict::kOk,
                 "(***) " + settings_.item + ": NoSystems=" + std::to_string(counts.systems) +
                     ", Processed=" + std::to_string(counts.processed) +
                     ", Failed=" + std::to_string(counts.failed));
  }
  return ExitCode();
}

bool Doctor::ReadListingStep(std::string* entries) {
  ListingValues listing;
  listing.item = settings_.item;
  if (Status error = ReadListing(fs_, location_, settings_.global_run, settings_.options.sensor_key,
                                 settings_.second_argument, &listing);
      !error.ok()) {
    report_.Step("listing", Verdict::kFail, error.message(),
                 "correct the listing lines of " + location_.path +
                     " (docs/profiles.md, \"Listing profiles\")");
    return false;
  }
  settings_.item = listing.item;
  if (listing.record_options) ReadOptionText(*listing.record_options, &settings_.options);
  *entries = listing.server_listing;
  report_.Step("listing", Verdict::kOk,
               std::string(settings_.global_run ? "GLOBAL key " + settings_.options.sensor_key
                                                : std::string("ITEM run")) +
                   ": item " + settings_.item + ", systems " + *entries +
                   (listing.record_options ? ", options \"" + settings_.options.text + "\""
                                           : std::string()));
  return true;
}

bool Doctor::CheckListedSystem(const std::string& entry, bool library_ok, ResultDocument& document,
                               PassCounts* counts) {
  const std::string prefix = entry + " ";
  std::string content;
  if (!fs_.ReadFile(location_.directory + entry, &content).ok()) {
    report_.Step(prefix + "profile", Verdict::kFail,
                 "not found in " + FolderName(location_.directory) +
                     ": the probe passes over it without a channel",
                 "put " + entry + " beside " + location_.name + " or take it off the listing");
    return true;
  }
  const bool sound = CheckListedProfile(entry, content);
  CheckPassword(prefix + "password", location_.directory + entry);
  if (!library_ok) {
    SkipFrom(prefix, MeasureStep::kLogon, "no RFC library loads");
    ++counts->failed;
    return true;
  }
  SystemOutcome outcome;
  const bool go_on = Measure(prefix, nullptr, /*listing=*/true, &outcome);
  const bool measured =
      outcome.end == MeasureEnd::kMeasured || outcome.end == MeasureEnd::kRewriteFailed;
  if (measured && !outcome.fatal) {
    StringConsole channel;
    PrintListingChannel(channel, document, settings_.item, entry, outcome.figures);
    report_.Step(prefix + "figures", Verdict::kOk,
                 "the probe would print this channel (no state kept):");
    report_.Raw(channel.Take());
  }
  ++(measured && sound ? counts->processed : counts->failed);
  return go_on;
}

bool Doctor::CheckListedProfile(const std::string& entry, const std::string& content) {
  // A field the system's profile lacks keeps the value of the system before.
  std::vector<std::string> taken_over;
  for (const EntryField& field : EntryFields()) {
    const std::string label(field.label);
    if (content.compare(0, label.size(), label) != 0 &&
        content.find("\n" + label) == std::string::npos) {
      taken_over.push_back(label);
    }
  }
  const bool sound =
      ReadSystemEntryForPass(content, entry, PasswordKeys(), ProcessEnvironment(), &parameters_)
          .ok();
  const std::string fields = "destination " + parameters_.destination + ", host " +
                             parameters_.hostname + ", client " + parameters_.client + ", user " +
                             parameters_.user;
  const std::string kept =
      taken_over.empty() ? "" : "; taken over from the system before: " + Join(taken_over);
  if (sound) {
    report_.Step(entry + " profile", Verdict::kOk, fields + kept);
  } else {
    report_.Step(entry + " profile", Verdict::kFail,
                 fields + kept + ": the probe counts this system failed",
                 "run tidewarden-profile check on " + entry + " and correct what it names");
  }
  return sound;
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
