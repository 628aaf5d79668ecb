#include "driver/run.h"

#include "driver/exit_codes.h"
#include "driver/listing_pass.h"
#include "driver/run_settings.h"
#include "driver/run_state.h"
#include "driver/single_run.h"
#include "output/result_document.h"
#include "profiles/listing.h"
#include "profiles/profile_search.h"
#include "profiles/password.h"
#include "profiles/system_entry.h"
#include "rfc/fatal_report.h"

namespace tidewarden {

int RunState::Fail(const std::string& message) {
  document.SetErrorDocument(message);
  Print();
  return kExitFailure;
}

int RunState::Abort(const FatalFailure& failure) {
  WriteFatalReport(platform.console, failure, &platform.sap);
  return kExitFatal;
}

CallLogger RunState::Logger() {
  // The options in force: a listing pass reads them anew from its record.
  return CallLogger{log.get(), settings.options.syslog, ""};
}

void RunState::PrintProcessedLine() {
  if (!settings.options.trace) return;
  platform.console.Write("\n* " + Now() + " SAP " + std::string(kProgramName) +
                         " now processed...\n");
}

// The sibling modes are chosen by marker files beside the profile.
std::vector<std::string> ChooseOutputMode(FileSystem& fs, const std::string& directory,
                                          std::string* output_mode) {
  *output_mode = std::string(kModeExeXml);
  std::vector<std::string> markers;
  for (const ModeMarker& marker : kModeMarkers) {
    if (fs.CanOpenForReading(directory + marker.file_name)) {
      *output_mode = marker.mode;
      markers.push_back(directory + marker.file_name);
    }
  }
  return markers;
}

void LogUnsetPasswordVariable(const CallLogger& log, const ConnectionParameters& parameters) {
  if (parameters.password_variable.empty() || !parameters.password.empty()) return;
  // The variable's name only: the monitor replaces its value anywhere in
  // what a sensor leaves.
  log.Write(0, "password refused",
            "environment variable " + parameters.password_variable + " is not set or empty");
}

Status CheckPasswordVariable(const CallLogger& log, SapLibrary& sap,
                             const ConnectionParameters& parameters) {
  if (parameters.password_variable.empty()) return Status::Ok();
  Status usable = CheckEnvironmentPassword(parameters.password, sap.PasswordRoom());
  if (!usable.ok()) {
    log.Write(0, "password refused",
              "environment variable " + parameters.password_variable + ": " + usable.message());
  }
  return usable;
}

int Run(Platform& platform, const std::vector<std::string>& args) {
  RunState run(platform);
  RunSettings& settings = run.settings;
  ReadCommandLine(args, platform.clock.LocalTimeOfDay(), &settings);
  if (args.size() < 2) return run.Fail("Error 1001: Parameter for Profile-Name is missing !");

  if (Status named = ApplyNameRules(settings.profile_name, &run.location, &settings.global_run);
      !named.ok()) {
    return run.Fail(named.message());
  }
  if (settings.global_run) settings.listing_run = true;
  const bool sibling =
      !ChooseOutputMode(platform.fs, run.location.directory, &settings.output_mode).empty();
  run.document.SetOptions({settings.output_mode, settings.options.channel});
  const Status found = sibling ? OpenProfileInDirectory(platform.fs, &run.location)
                               : SearchProfile(platform.fs, &run.location);
  if (!found.ok()) return run.Fail(found.message());

  // Nothing is written before the profile is found; from here the log may.
  if (settings.options.syslog) run.log->Open(CallLogPathForProfile(run.location.path));

  if (settings.listing_run) {
    ListingValues listing;
    listing.item = settings.item;
    if (Status read = ReadListing(platform.fs, run.location, settings.global_run,
                                  settings.options.sensor_key, settings.second_argument, &listing);
        !read.ok()) {
      return run.Fail(read.message());
    }
    settings.item = listing.item;
    // The pass reads its options from the record, the trace switch aside.
    if (listing.record_options) {
      ReadOptionText(*listing.record_options, &settings.options);
      run.document.SetOptions({settings.output_mode, settings.options.channel});
    }
    return RunListingPass(run, listing.server_listing, listing.naming);
  }

  if (Status read = ReadSystemEntry(run.location.content, run.location.name, PasswordKeys(),
                                    platform.environment, &run.parameters, &run.lines);
      !read.ok()) {
    LogUnsetPasswordVariable(run.Logger(), run.parameters);
    return run.Fail(read.message());
  }
  return RunSingleSystem(run);
}

}  // namespace tidewarden
