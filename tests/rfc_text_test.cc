// Conversions of what the SAP system and its library hand back.
#include <gtest/gtest.h>

#include "collect/measure.h"
#include "driver/failure_messages.h"
#include "rfc/classic/records.h"
#include "rfc/classic/saprfc.h"
#include "rfc/classic/trace_file.h"

namespace tidewarden {
namespace {

TEST(ConvertCollectorTimestampTest, DatesAndTimes) {
  struct {
    const char* stamp;
    const char* date;
    const char* time;
  } cases[] = {
      {"Tue Nov 18 09:05:00 2025", "20251118", "09:05:00"},
      {"Mon Dec  7 23:59:59 2026", "20261207", "23:59:59"},
      {"Sat Jan  1 00:00:00 2000", "20000101", "00:00:00"},
      {"Fri Dez 24 10:00:00 2021", "2021ez24", "10:00:00"},  // no English month name
      {"Fri Dec 31 10:00:00 1999", "20991231", "10:00:00"},
      {"                        ", "20    0 ", "        "},
      {"Tue Nov 18 09:05:00 2025X", "20251118", "09:05:00"},
      {"", "20    0 ", "        "},  // shorter than a timestamp: read as blanks
      {"Wed Feb 29 12:00:00 2028", "20280229", "12:00:00"},
  };
  for (const auto& c : cases) {
    std::string date, time;
    ConvertCollectorTimestamp(c.stamp, &date, &time);
    EXPECT_EQ(date, c.date) << c.stamp;
    EXPECT_EQ(time, c.time) << c.stamp;
  }
}

TEST(IsOracleTest, FirstThreeCharactersWithLetterCase) {
  EXPECT_TRUE(IsOracle("ORACLE    "));
  EXPECT_TRUE(IsOracle("ORA"));
  for (const char* name : {"DB6", "ADABAS D", "MSSQL", "ora", "          ", "", "OR"}) {
    EXPECT_FALSE(IsOracle(name)) << name;
  }
}

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

TEST(CallFailureMessageTest, MessagePerCode) {
  struct {
    RFC_RC code;
    const char* exception;
    const char* expected;
  } cases[] = {
      {RFC_OK, "", ""},
      {RFC_FAILURE, "", "Error 1014: RFC-Failure raised !"},
      {RFC_EXCEPTION, "NO_DATA", "Error 1012: Exception.: NO_DATA"},
      {RFC_EXCEPTION, "", "Error 1012: Exception.: "},
      {RFC_SYS_EXCEPTION, "X", "Error 1013: Sys-Exception raised !"},
      {7, "", "Error 1015: Other Failure raised !"},
      {-1, "", "Error 1015: Other Failure raised !"},
  };
  for (const auto& c : cases) {
    EXPECT_EQ(CallFailureMessage(c.code, c.exception), c.expected) << c.code;
  }
}

}  // namespace
}  // namespace tidewarden
