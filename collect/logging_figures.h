// The Oracle logging figures: LogWrites, WaitBusy and RollBacks since the
// last change on the same server day, and LogUsage in per cent, and the
// state line that keeps the totals of the last change in the sensor
// profile. Pure arithmetic on texts and numbers.
#ifndef TIDEWARDEN_COLLECT_LOGGING_FIGURES_H_
#define TIDEWARDEN_COLLECT_LOGGING_FIGURES_H_

#include <cstdint>
#include <optional>
#include <string>
#include <string_view>

#include "profiles/profile_lines.h"
#include "rfc/sap_library.h"

namespace tidewarden {

inline constexpr const char* kStateLinePrefix = "# Olg Date=";

// What one measurement reports.
struct LoggingFigures {
  std::int32_t log_writes = 0;  // differences since the state line
  std::int32_t wait_busy = 0;
  std::int32_t rollbacks = 0;
  std::int32_t log_usage = 0;  // per cent
  // Whether the state line must be written anew, and the line.
  bool rewrite = true;
  std::string state_line;
};

// The figures of `list` against the previous state line (none: a first
// run), on the server day of `clock`.
LoggingFigures ComputeLoggingFigures(const OraMainList& list, const ServerClock& clock,
                                     const std::optional<std::string>& old_state_line);

// A 32-bit figure as the documents print it: unsigned.
std::string Unsigned(std::int32_t value);

// "1234567" -> "1.234.567"; at most two separators.
std::string GroupThousands(std::string_view digits);

// A previous total of the state line: the letters and digits after the
// first `key` (at most 11), as a leading decimal number; 0 when absent.
std::int32_t ReadStateTotal(std::string_view state_line, std::string_view key);

// LOGALLOC * 100 / LOGSIZE in 32 bits; 0 for a log size of 0.
std::int32_t LogUsage(std::int32_t log_alloc, std::int32_t log_size);

// The profile's new content: every line but state and history lines, then
// the new state line, then the history line made of the old one.
std::string RewrittenProfile(const ProfileLines& lines, const std::string& state_line,
                             const std::optional<std::string>& old_state_line,
                             std::string_view line_end);

}  // namespace tidewarden

#endif  // TIDEWARDEN_COLLECT_LOGGING_FIGURES_H_
