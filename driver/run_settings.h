// The run settings: what the command line asks of this run.
#ifndef TIDEWARDEN_DRIVER_RUN_SETTINGS_H_
#define TIDEWARDEN_DRIVER_RUN_SETTINGS_H_

#include <string>
#include <string_view>
#include <vector>

#include "driver/run_options.h"
#include "platform/system.h"

namespace tidewarden {

inline constexpr std::string_view kProgramName = "Tidewarden";
inline constexpr std::string_view kProgramVersion = "Vers 4.3 / 29.08.22";

struct RunSettings {
  std::string start_time;   // hh:mm:ss
  std::string banner_line;  // "* hh:mm:ss SAP Tidewarden Vers 4.3 / 29.08.22"
  std::string program_path; // first word of the command line
  std::string profile_name;      // after the ITEM and name rules
  std::string second_argument;   // as typed (GLOBAL key, 1030 message)
  // The options in force: a listing pass replaces those of its option text.
  RunOptions options;
  std::string item;  // at most 90 characters: "ITEM=", or a GLOBAL run's record "Item="
  bool listing_run = false;
  bool global_run = false;
  std::string output_mode = "EXEXML";
};

// "hh:mm:ss".
std::string FormatTimeOfDay(const TimeOfDay& time);

// Reads what the command line asks: the start time and banner, the options
// (the second and third arguments), and the item of an ITEM= run. The
// profile name is left for the name rules, which need the file system.
void ReadCommandLine(const std::vector<std::string>& args, const TimeOfDay& now,
                     RunSettings* settings);

}  // namespace tidewarden

#endif  // TIDEWARDEN_DRIVER_RUN_SETTINGS_H_
