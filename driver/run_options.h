// The run's options, read once from each text that carries them, so that
// nothing below the driver ever searches an option text.
#ifndef TIDEWARDEN_DRIVER_RUN_OPTIONS_H_
#define TIDEWARDEN_DRIVER_RUN_OPTIONS_H_

#include <cstdint>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

#include "collect/logon_preparation.h"

namespace tidewarden {

// Room of the command line's option text; a record's has the same.
inline constexpr std::size_t kMaxOptionText = 127;

struct RunOptions {
  // From the command line alone, whatever text a listing pass reads.
  bool trace = false;               // any of "#", "@", "$", "%"
  std::optional<std::string> item;  // "ITEM=" makes a listing run; at most 90 characters
  std::string sensor_key;           // the first word, upper-cased: a GLOBAL run's key

  // From the option text in force: the command line's, and in a listing
  // pass the rebuilt text (in a GLOBAL run the sensor record's).
  std::string text;     // letter case kept, at most 127 characters: the progress lines show it
  bool syslog = false;  // ",SYSLOG"
  std::optional<std::int32_t> channel;  // "CH=": present at all, the line form drops its text
  HostOverrides host;                   // ",HOST=" and ",NO="
  // "PARALLEL=n" (1 to 32) and "TIMEOUT=s" (0.1 to 3600 seconds) of a
  // listing pass; a value out of range or of another form counts as absent.
  int parallel = 1;
  std::optional<double> timeout_seconds;
  // Why a given PARALLEL or TIMEOUT value was ignored, for the call log.
  std::vector<std::string> ignored_options;
};

inline constexpr int kMaxParallel = 32;

// Every option of the command line's option text (already cut to its room).
RunOptions ReadCommandLineOptions(std::string_view text);

// Replaces the options that come from the option text in force by those of
// `text`; the command line's own (trace, item, key) stay.
void ReadOptionText(std::string_view text, RunOptions* options);

}  // namespace tidewarden

#endif  // TIDEWARDEN_DRIVER_RUN_OPTIONS_H_
