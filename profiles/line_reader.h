// The line format every profile reader follows.
#ifndef TIDEWARDEN_PROFILES_LINE_READER_H_
#define TIDEWARDEN_PROFILES_LINE_READER_H_

#include <cstddef>
#include <optional>
#include <string>
#include <string_view>

namespace tidewarden {

// Line rooms of the readers: the longest line read whole, line end included.
inline constexpr std::size_t kPathFileLineRoom = 99;
inline constexpr std::size_t kListingLineRoom = 199;
inline constexpr std::size_t kSingleProfileLineRoom = 159;
inline constexpr std::size_t kPassProfileLineRoom = 199;

// Reads lines from a profile's bytes as the probe always has: up to the line
// end or the line room, whichever comes first (a longer line goes on as the
// next line); CR LF, LF, or a lone CR at the end of the file is removed;
// nothing else is trimmed. A room of 0 means no room limit (whole lines).
class LineReader {
 public:
  LineReader(std::string_view content, std::size_t room) : content_(content), room_(room) {
    // Editors on Windows may start a UTF-8 file with a byte order mark; it
    // would become part of the first label and hide that line's entry.
    if (content_.starts_with("\xEF\xBB\xBF")) position_ = 3;
  }
  // False at the end of the file.
  bool Next(std::string* line);

 private:
  std::string_view content_;
  std::size_t room_;
  std::size_t position_ = 0;
};

inline constexpr std::size_t kEntryLabelLength = 12;
inline constexpr std::size_t kEntryValueRoom = 60;

struct EntryLine {
  std::string label;  // 12 characters, e.g. "Client.....:"
  std::string value;  // from character 14, at most 60 characters, untrimmed
  bool cut = false;   // the line went on past those 60 characters
};

// Splits a line into label and value; nullopt for a line shorter than 12
// characters. Whether the label is known is the caller's question.
std::optional<EntryLine> SplitEntryLine(std::string_view line);

}  // namespace tidewarden

#endif  // TIDEWARDEN_PROFILES_LINE_READER_H_
