// The sensor profile's lines, kept for the state-line lookup and the rewrite.
#ifndef TIDEWARDEN_PROFILES_PROFILE_LINES_H_
#define TIDEWARDEN_PROFILES_PROFILE_LINES_H_

#include <optional>
#include <string>
#include <string_view>
#include <vector>

namespace tidewarden {

// Every line of the file, whole and in order, without its line end: the
// rewrite gives back everything the admin wrote, however long.
struct ProfileLines {
  // The state line is looked for in the first kLookupLines lines only.
  static constexpr std::size_t kLookupLines = 200;

  std::vector<std::string> lines;

  // The first of the first 200 lines that begins with `prefix` (letter case
  // counts).
  std::optional<std::string> FindLine(std::string_view prefix) const {
    for (std::size_t i = 0; i < lines.size() && i < kLookupLines; ++i) {
      if (lines[i].compare(0, prefix.size(), prefix) == 0) return lines[i];
    }
    return std::nullopt;
  }
};

}  // namespace tidewarden

#endif  // TIDEWARDEN_PROFILES_PROFILE_LINES_H_
