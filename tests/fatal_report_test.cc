// The plain-text report of a fatal failure.
#include "rfc/fatal_report.h"

#include <gtest/gtest.h>

#include <cstring>

#include "rfc/classic/call_pattern.h"
#include "tests/fake_file_system.h"
#include "tests/fake_rfc_library.h"
#include "tests/fake_system.h"

namespace tidewarden {
namespace {

TEST(FatalReportTest, ReportWithAndWithoutErrorInformation) {
  FakeRfc::Reset();
  ClassicRfcFunctions table = FakeRfc::Table();
  FakeFileSystem fs;
  StringConsole console;
  FakeSapLibrary sap(fs, console);
  ASSERT_TRUE(sap.sap.Prepare(CallLogger{}).ok());
  WriteFatalReport(console, FatalNow(&table, "RfcInstallStructure"), &sap.sap);
  EXPECT_EQ(console.output,
            "RFC error\noperation/code  : RfcInstallStructure\nkey             : \n"
            "status          : \nmessage         : \ninternal status : \n\n"
            "* Programm aborted...\n");
  EXPECT_EQ(FakeRfc::Get().closed, std::vector<RFC_HANDLE>{0});

  std::strcpy(FakeRfc::Get().last_error.key, "RFC_ERROR_COMMUNICATION");
  std::strcpy(FakeRfc::Get().last_error.message, "partner not reached");
  StringConsole second;
  WriteFatalReport(second, FatalNow(&table, "RfcOpen"), &sap.sap);
  EXPECT_NE(second.output.find("key             : RFC_ERROR_COMMUNICATION\n"), std::string::npos);
  EXPECT_NE(second.output.find("message         : partner not reached\n"), std::string::npos);

  // A library that could not be loaded: no RfcLastError, no RfcClose.
  StringConsole third;
  FatalFailure unloaded = FatalNow(nullptr, "load librfccm.so");
  unloaded.record.message = "install it";
  WriteFatalReport(third, unloaded, nullptr);
  EXPECT_EQ(third.output,
            "RFC error\noperation/code  : load librfccm.so\nkey             : \n"
            "status          : \nmessage         : install it\ninternal status : \n\n"
            "* Programm aborted...\n");
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
    StringConsole console;
    PrintLabelLine(console, c.label, c.indent, c.width, c.text);
    EXPECT_EQ(console.output, c.expected);
  }
}

}  // namespace
}  // namespace tidewarden
