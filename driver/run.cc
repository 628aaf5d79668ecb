#include "driver/run.h"

#include "driver/exit_codes.h"
#include "driver/run_settings.h"
#include "output/result_document.h"

namespace tidewarden {

int Run(Platform& platform, const std::vector<std::string>& args) {
  RunSettings settings;
  ReadCommandLine(args, platform.clock.LocalTimeOfDay(), &settings);
  ResultDocument document({&settings.output_mode, &settings.option_string,
                           &settings.verbatim_option_string});
  if (args.size() < 2) {
    document.SetErrorDocument("Error 1001: Parameter for Profile-Name is missing !");
    platform.console.Write(document.text());
    return kExitFailure;
  }
  document.SetErrorDocument("Error 1002: Profile " + settings.profile_name + " is missing...");
  platform.console.Write(document.text());
  return kExitFailure;
}

}  // namespace tidewarden
