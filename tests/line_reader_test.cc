// Line reading and entry splitting of the profiles.
#include "profiles/line_reader.h"

#include <gtest/gtest.h>

#include <vector>

namespace tidewarden {
namespace {

std::vector<std::string> ReadAll(std::string_view content, std::size_t room) {
  LineReader reader(content, room);
  std::vector<std::string> lines;
  std::string line;
  while (reader.Next(&line)) lines.push_back(line);
  EXPECT_FALSE(reader.Next(&line)) << "the end of the file stays the end";
  return lines;
}

TEST(LineReaderTest, LineEndsAndRooms) {
  const std::string x198(198, 'x');
  const std::string x199(199, 'x');
  const std::string x250(250, 'x');
  struct {
    const char* name;
    std::string content;
    std::size_t room;
    std::vector<std::string> lines;
  } cases[] = {
      {"empty file", "", 0, {}},
      {"LF", "a\nb\n", 0, {"a", "b"}},
      {"CR LF", "a\r\nb\r\n", 0, {"a", "b"}},
      {"last line without break", "a\nb", 0, {"a", "b"}},
      {"lone CR at the end of the file", "a\nb\r", 0, {"a", "b"}},
      {"lone CR inside a line stays", "a\rb\n", 0, {"a\rb"}},
      {"only a line break", "\n", 0, {""}},
      {"blank lines and blanks kept", " a \n\n\tb\n", 0, {" a ", "", "\tb"}},
      {"Ctrl-Z and NUL are plain bytes",
       std::string("a\x1a"
                   "b\0c\nd",
                   7),
       0,
       {std::string("a\x1a"
                    "b\0c",
                    5),
        "d"}},
      {"250 characters in room 199", x250 + "\n", 199, {x199, std::string(51, 'x')}},
      {"250 characters without line end", x250, 199, {x199, std::string(51, 'x')}},
      {"CR LF counts as one character of the room", x198 + "\r\nz", 199, {x198, "z"}},
      {"a full room leaves the line end as a line", x199 + "\r\nz", 199, {x199, "", "z"}},
      {"room 0 keeps every line whole",
       std::string(5000, 'y') + "\r\n",
       0,
       {std::string(5000, 'y')}},
      {"room 99", std::string(150, 'p') + "\n", 99, {std::string(99, 'p'), std::string(51, 'p')}},
      {"byte order mark at the start is no text", "\xEF\xBB\xBF" "Destination: PRD\n", 0,
       {"Destination: PRD"}},
      {"byte order mark elsewhere is text", "a\n\xEF\xBB\xBF" "b\n", 0, {"a", "\xEF\xBB\xBF" "b"}},
      {"a lone byte order mark is an empty file", "\xEF\xBB\xBF", 0, {}},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.name);
    EXPECT_EQ(ReadAll(c.content, c.room), c.lines);
  }
}

TEST(SplitEntryLineTest, LabelSeparatorAndValue) {
  struct {
    std::string line;
    bool entry;
    std::string label;
    std::string value;
  } cases[] = {
      {"Client.....: 100", true, "Client.....:", "100"},
      {"Client.....:100", true, "Client.....:", "00"},  // character 13 is never read
      {"User.......:", true, "User.......:", ""},
      {"User.......: ", true, "User.......:", ""},
      {"Mode.......: R/3  ", true, "Mode.......:", "R/3  "},
      {"Hostname...: " + std::string(70, 'h'), true, "Hostname...:", std::string(60, 'h')},
      {"User......:", false, "", ""},
      {"", false, "", ""},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.line);
    std::optional<EntryLine> entry = SplitEntryLine(c.line);
    ASSERT_EQ(entry.has_value(), c.entry);
    if (!entry) continue;
    EXPECT_EQ(entry->label, c.label);
    EXPECT_EQ(entry->value, c.value);
  }
}

}  // namespace
}  // namespace tidewarden
