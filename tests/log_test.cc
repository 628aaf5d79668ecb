#include "output/log.h"

#include <gtest/gtest.h>

#include "tests/fake_file_system.h"
#include "tests/line_ends.h"

namespace tidewarden {
namespace {

TEST(WriteLogLineTest, WritesOnlyWithSyslogAndAnOpenStream) {
  struct {
    const char* options;
    bool open;
    const char* expected;
  } cases[] = {
      {",SYSLOG", true, "1234 RfcCall called \n"},
      {"X,SYSLOG,Y", true, "1234 RfcCall called \n"},
      {"SYSLOG", true, ""},
      {"", true, ""},
      {",SYSLOG", false, ""},
  };
  for (const auto& c : cases) {
    FakeFileSystem fs;
    LogSink log(fs);
    if (c.open) log.Open("PRD.P00.log");
    WriteLogLine(log, c.options, 1234, "RfcCall called", "");
    std::string written = fs.Exists("PRD.P00.log") ? fs.Content("PRD.P00.log") : "";
    EXPECT_EQ(written, Native(c.expected)) << c.options;
  }
}

TEST(WriteLogLineTest, AppendsWithNegativeNumbersAndFurtherText) {
  FakeFileSystem fs;
  fs.Add("a.log", "old\n");
  LogSink log(fs);
  log.Open("a.log");
  WriteLogLine(log, ",SYSLOG", 0, "program started", "C:\\t.exe");
  WriteLogLine(log, ",SYSLOG", -5, "x", "y");
  EXPECT_EQ(fs.Content("a.log"), "old\n" + Native("0 program started C:\\t.exe\n-5 x y\n"));
}

TEST(LogSinkTest, StartsAfreshPastTheSizeCap) {
  FakeFileSystem fs;
  fs.Add("a.log", std::string(LogSink::kMaxLogBytes + 1, 'x'));
  fs.Add("a.log.1", "older");
  LogSink log(fs);
  log.Open("a.log");
  WriteLogLine(log, ",SYSLOG", 1, "m", "");
  EXPECT_EQ(fs.Content("a.log"), Native("1 m \n"));
  EXPECT_EQ(fs.Content("a.log.1").size(), static_cast<std::size_t>(LogSink::kMaxLogBytes + 1));
}

TEST(LogSinkTest, AWriteFailureIsSilent) {
  FakeFileSystem fs;
  fs.Fail(FakeFileSystem::Op::kAppend);
  LogSink log(fs);
  log.Open("a.log");
  WriteLogLine(log, ",SYSLOG", 1, "m", "");
  EXPECT_FALSE(fs.Exists("a.log"));
}

TEST(PrintLabelLineTest, PadsIndentsAndNeverCuts) {
  struct {
    const char* label;
    int indent;
    int width;
    const char* text;
    const char* expected;
  } cases[] = {
      {"status", 0, 15, "OK", "status          : OK\n"},
      {"operation/code", 0, 15, "RfcOpen", "operation/code  : RfcOpen\n"},
      {"internal status", 0, 15, "", "internal status : \n"},
      {"a very long label indeed", 0, 15, "x", "a very long label indeed : x\n"},
      {"key", 3, 5, "v", "   key   : v\n"},
  };
  for (const auto& c : cases) {
    RecordingConsole console;
    PrintLabelLine(console, c.label, c.indent, c.width, c.text);
    EXPECT_EQ(console.output, c.expected);
  }
}

}  // namespace
}  // namespace tidewarden
