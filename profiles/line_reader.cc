// Line reading of the profiles: fgets-sized pieces over bytes read in binary.
#include "profiles/line_reader.h"

namespace tidewarden {

bool LineReader::Next(std::string* line) {
  line->clear();
  if (position_ >= content_.size()) return false;
  // The line end counts as one character of the room, as it did when the
  // profiles were read through a Windows text stream (CR LF became one "\n").
  std::size_t taken = 0;
  while (position_ < content_.size()) {
    if (room_ != 0 && taken >= room_) return true;  // the rest is the next line
    const char c = content_[position_];
    if (c == '\n') {
      ++position_;
      return true;
    }
    if (c == '\r') {
      const bool last = position_ + 1 == content_.size();
      if (last || content_[position_ + 1] == '\n') {
        position_ += last ? 1 : 2;
        return true;
      }
    }
    line->push_back(c);
    ++position_;
    ++taken;
  }
  return true;
}

std::optional<EntryLine> SplitEntryLine(std::string_view line) {
  if (line.size() < kEntryLabelLength) return std::nullopt;
  EntryLine entry;
  entry.label = std::string(line.substr(0, kEntryLabelLength));
  // Character 13 separates label and value and is never looked at.
  if (line.size() > kEntryLabelLength + 1) {
    entry.value = std::string(line.substr(kEntryLabelLength + 1, kEntryValueRoom));
    entry.cut = line.size() > kEntryLabelLength + 1 + kEntryValueRoom;
  }
  return entry;
}

}  // namespace tidewarden
