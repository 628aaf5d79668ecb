#include "base/call_log.h"

#include <gtest/gtest.h>

#include "tests/fake_file_system.h"
#include "tests/line_ends.h"

namespace tidewarden {
namespace {

// The logger of a run whose options in force hold ",SYSLOG" (which options
// do is run_options_test's concern).
CallLogger Logger(CallLog& log, bool syslog = true) { return CallLogger{&log, syslog, ""}; }

TEST(WriteLogLineTest, WritesOnlyWithSyslogAndAnOpenStream) {
  struct {
    bool syslog;
    bool open;
    const char* expected;
  } cases[] = {
      {true, true, "1234 RfcCall called \n"},
      {false, true, ""},
      {true, false, ""},
  };
  for (const auto& c : cases) {
    FakeFileSystem fs;
    CallLog log(fs);
    if (c.open) log.Open("PRD.P00.log");
    Logger(log, c.syslog).Write(1234, "RfcCall called", "");
    std::string written = fs.Exists("PRD.P00.log") ? fs.Content("PRD.P00.log") : "";
    EXPECT_EQ(written, Native(c.expected)) << c.syslog << c.open;
  }
}

TEST(WriteLogLineTest, AppendsWithNegativeNumbersAndFurtherText) {
  FakeFileSystem fs;
  fs.Add("a.log", "old\n");
  CallLog log(fs);
  log.Open("a.log");
  Logger(log).Write(0, "program started", "C:\\t.exe");
  Logger(log).Write(-5, "x", "y");
  EXPECT_EQ(fs.Content("a.log"), "old\n" + Native("0 program started C:\\t.exe\n-5 x y\n"));
}

TEST(CallLogTest, StartsAfreshPastTheSizeCap) {
  FakeFileSystem fs;
  fs.Add("a.log", std::string(CallLog::kMaxLogBytes + 1, 'x'));
  fs.Add("a.log.1", "older");
  CallLog log(fs);
  log.Open("a.log");
  Logger(log).Write(1, "m", "");
  EXPECT_EQ(fs.Content("a.log"), Native("1 m \n"));
  EXPECT_EQ(fs.Content("a.log.1").size(), static_cast<std::size_t>(CallLog::kMaxLogBytes + 1));
}

TEST(CallLogTest, AWriteFailureIsSilent) {
  FakeFileSystem fs;
  fs.Fail(FakeFileSystem::Op::kAppend);
  CallLog log(fs);
  log.Open("a.log");
  Logger(log).Write(1, "m", "");
  EXPECT_FALSE(fs.Exists("a.log"));
}

}  // namespace
}  // namespace tidewarden
