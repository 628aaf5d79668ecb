// The Oracle logging figures: LogWrites, WaitBusy and RollBacks since the
// last change on the same server day, and LogUsage in per cent. The totals
// of the last change are kept as a state line in the sensor profile.
#ifndef TIDEWARDEN_COLLECT_LOGGING_H_
#define TIDEWARDEN_COLLECT_LOGGING_H_

#include <cstdint>
#include <optional>
#include <string>
#include <string_view>

#include "profiles/profile_lines.h"
#include "rfc/rfc_session.h"

namespace tidewarden {

inline constexpr const char* kStateLinePrefix = "# Olg Date=";

// What a collection reports to and where its state lives.
struct CollectionTarget {
  // Single-system run: the profile to keep the state line in.
  const ProfileLines* lines = nullptr;
  std::string profile_path;
  std::string destination;
  // Listing run: one channel named after the system, no state.
  bool listing_run = false;
  std::string item;
  std::string system_name;
  bool* processed = nullptr;  // set once the figure is delivered
};

// Creates DBORA_PER_INSTANCES, calls the main list, and on success sets the
// RFC status to "OK", rewrites the profile when the totals or the server day
// changed, and fills the document (a listing run prints its channel at
// once). A failed rewrite sets the status back to "ERR" with message 1016.
// Returns the main list's result code.
RFC_RC CollectLogging(RfcContext& context, const CollectionTarget& target);

// Removes every "." from a text longer than 3 characters.
std::string StripDots(std::string_view text);

// "1234567" -> "1.234.567"; at most two separators.
std::string GroupThousands(std::string_view digits);

// A TST04 field as a number: up to a zero byte, dots stripped, the leading
// decimal number, 32-bit wrap-around.
std::int32_t ConvertRecordField(std::string_view field);

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

#endif  // TIDEWARDEN_COLLECT_LOGGING_H_
