// The scan of the library's trace file for the last error text.
#include "rfc/classic/trace_file.h"

#include <gtest/gtest.h>

#include <string>

namespace tidewarden {
namespace {

TEST(LastTraceErrorTextTest, TheLastErrorTextWins) {
  struct {
    const char* name;
    std::string content;
    std::string expected;
  } cases[] = {
      {"empty file", "", ""},
      {"error line", "x\nERROR       partner not reached\n", "partner not reached"},
      {"crlf", "ERROR       partner not reached\r\n", "partner not reached"},
      {"arrow line", "xxxxxxx======> Connect to SAP gateway failed\n",
       "Connect to SAP gateway failed"},
      {"header clears", "ERROR       first\n**** ERROR file opened\n", ""},
      {"header then text", "**** ERROR x\nERROR       second\n", "second"},
      {"arrow after error on one line", "ERROR  ======> arrow wins\n", "arrow wins"},
      {"short error line", "ERROR abc\n", ""},
      {"last of several", "ERROR       one\nxxxxxxx======> two\nnothing\n", "two"},
      {"no line end at the end", "ERROR       tail", "tail"},
      {"arrow with nothing after", "1234567======> \n", ""},
  };
  for (const auto& c : cases) EXPECT_EQ(LastTraceErrorText(c.content), c.expected) << c.name;
}

TEST(LastTraceErrorTextTest, LongLinesAreReadInPiecesOf99) {
  // The second piece of a long line is a line of its own.
  std::string line = "ERROR       " + std::string(87, 'a') + "ERROR       tail of the line\n";
  EXPECT_EQ(LastTraceErrorText(line), "tail of the line");
  std::string arrow(99, 'x');
  arrow += "1234567======> from the second piece\n";
  EXPECT_EQ(LastTraceErrorText(arrow), "from the second piece");
}

}  // namespace
}  // namespace tidewarden
