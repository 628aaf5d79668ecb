#include "collect/logging_figures.h"

#include "base/text.h"

namespace tidewarden {
namespace {

bool IsAsciiAlnum(char c) {
  return (c >= '0' && c <= '9') || (c >= 'a' && c <= 'z') || (c >= 'A' && c <= 'Z');
}

std::int32_t Difference(std::int32_t now, std::int32_t before) {
  return static_cast<std::int32_t>(static_cast<std::uint32_t>(now) -
                                   static_cast<std::uint32_t>(before));
}

}  // namespace

std::string Unsigned(std::int32_t value) {
  return std::to_string(static_cast<std::uint32_t>(value));
}

std::string GroupThousands(std::string_view digits) {
  std::string text(digits);
  const std::size_t n = text.size();
  if (n <= 3) return text;
  if (n <= 6) return text.substr(0, n - 3) + "." + text.substr(n - 3);
  return text.substr(0, n - 6) + "." + text.substr(n - 6, 3) + "." + text.substr(n - 3);
}

std::int32_t ReadStateTotal(std::string_view state_line, std::string_view key) {
  const std::size_t at = state_line.find(key);
  if (at == std::string_view::npos) return 0;
  std::string taken;
  for (std::size_t i = at + key.size(); i < state_line.size() && taken.size() < 11; ++i) {
    if (!IsAsciiAlnum(state_line[i])) break;
    taken += state_line[i];
  }
  return LeadingDecimal(taken);
}

std::int32_t LogUsage(std::int32_t log_alloc, std::int32_t log_size) {
  if (log_size == 0) return 0;
  const std::int32_t product =
      static_cast<std::int32_t>(static_cast<std::uint32_t>(log_alloc) * 100u);
  // INT32_MIN / -1 does not fit either; it wraps like the product does.
  if (log_size == -1) return static_cast<std::int32_t>(0u - static_cast<std::uint32_t>(product));
  return product / log_size;
}

LoggingFigures ComputeLoggingFigures(const OraMainList& list, const ServerClock& clock,
                                     const std::optional<std::string>& state) {
  LoggingFigures figures;
  figures.log_usage = LogUsage(list.log_alloc, list.log_size);
  if (state) {
    const std::int32_t writes0 = ReadStateTotal(*state, "Writes=");
    const std::int32_t busy0 = ReadStateTotal(*state, "WaitBusy=");
    const std::int32_t rollbacks0 = ReadStateTotal(*state, "RollBacks=");
    if (state->size() >= 19 && state->compare(11, 8, clock.date) == 0) {  // the same day
      figures.log_writes = Difference(list.log_writes, writes0);
      figures.wait_busy = Difference(list.wait_busy, busy0);
      figures.rollbacks = Difference(list.rollbacks, rollbacks0);
      figures.rewrite = list.log_writes != writes0 || list.wait_busy != busy0 ||
                        list.rollbacks != rollbacks0;
    }
  }
  figures.state_line = std::string(kStateLinePrefix) + clock.date + " " + clock.time +
                       " Writes=" + Unsigned(list.log_writes) +
                       " WaitBusy=" + Unsigned(list.wait_busy) +
                       " RollBacks=" + Unsigned(list.rollbacks);
  return figures;
}

std::string RewrittenProfile(const ProfileLines& lines, const std::string& state_line,
                             const std::optional<std::string>& old_state_line,
                             std::string_view line_end) {
  std::string content;
  for (const std::string& line : lines.lines) {
    if (line.compare(0, 6, "# Olg ") == 0 || line.compare(0, 6, "# Olx ") == 0) continue;
    // A line ending in CR was read from CR CR LF: after a bare LF the next
    // reading would take its CR for part of the line end and lose it.
    const bool ends_in_cr = !line.empty() && line.back() == '\r' && line_end == "\n";
    content.append(line).append(ends_in_cr ? "\r\n" : line_end);
  }
  content.append(state_line).append(line_end);
  if (old_state_line) content.append("# Olx ").append(old_state_line->substr(6)).append(line_end);
  return content;
}

}  // namespace tidewarden
