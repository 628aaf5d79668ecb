#include "driver/run_settings.h"

#include <cstdio>

namespace tidewarden {

std::string FormatTimeOfDay(const TimeOfDay& time) {
  char buffer[16];
  std::snprintf(buffer, sizeof buffer, "%02d:%02d:%02d", time.hour % 100, time.minute % 100,
                time.second % 100);
  return buffer;
}

void ReadCommandLine(const std::vector<std::string>& args, const TimeOfDay& now,
                     RunSettings* settings) {
  settings->start_time = FormatTimeOfDay(now);
  settings->banner_line = "* " + settings->start_time + " SAP " + std::string(kProgramName) + " " +
                          std::string(kProgramVersion);
  if (!args.empty()) settings->program_path = args[0];
  if (args.size() < 2) return;
  settings->profile_name = args[1];

  std::string options;
  if (args.size() >= 3) {
    settings->second_argument = args[2];
    options = args[2];
  }
  if (args.size() >= 4) options += " " + args[3];
  // The settings have room for 127 characters; the options are keywords
  // found anywhere, so the rest is cut rather than the run refused.
  if (options.size() > kMaxOptionText) options.resize(kMaxOptionText);
  settings->options = ReadCommandLineOptions(options);
  if (settings->options.item) {
    settings->item = *settings->options.item;
    settings->listing_run = true;
    settings->profile_name = "Marrowin.Prf";
  }
}

}  // namespace tidewarden
