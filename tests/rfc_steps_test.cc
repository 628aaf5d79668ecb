// The remote steps against a scripted library: what is passed, what comes
// back into the document, and the once-per-process structure installs.
#include <gtest/gtest.h>

#include <cstring>
#include <memory>

#include "collect/logging.h"
#include "rfc/connection.h"
#include "rfc/failure.h"
#include "rfc/server_clock.h"
#include "rfc/system_info.h"
#include "tests/fake_file_system.h"
#include "tests/line_ends.h"
#include "tests/fake_rfc_library.h"

namespace tidewarden {
namespace {

class RfcStepsTest : public ::testing::Test {
 protected:
  void SetUp() override {
    FakeRfc::Reset();
    source_ = std::make_unique<FixedRfcLibrarySource>(FakeRfc::Table());
    session_ = std::make_unique<RfcSession>(*source_);
    context_ = std::make_unique<RfcContext>(RfcContext{fs_, console_, log_, options_, verbatim_,
                                                       document_, *session_});
    SetRfcEnvironment(*context_);
    parameters_.destination = "PRD";
    parameters_.client = "100";
    parameters_.user = "AB";
    parameters_.password = "secret";
    parameters_.language = "E";
    parameters_.mode = "R/3";
    parameters_.hostname = "sapprd01";
    parameters_.sysnr = "00";
  }
  void SetOptions(const std::string& verbatim) {
    verbatim_ = verbatim;
    options_.clear();
    for (char c : verbatim) options_ += (c >= 'a' && c <= 'z') ? static_cast<char>(c - 32) : c;
  }
  FakeRfc& rfc() { return FakeRfc::Get(); }

  FakeFileSystem fs_;
  RecordingConsole console_;
  LogSink log_{fs_};
  std::string mode_ = "EXEXML", options_, verbatim_;
  ResultDocument document_{{&mode_, &options_, &verbatim_}};
  std::unique_ptr<FixedRfcLibrarySource> source_;
  std::unique_ptr<RfcSession> session_;
  std::unique_ptr<RfcContext> context_;
  ConnectionParameters parameters_;
};

TEST_F(RfcStepsTest, OptionsRecordForR3WithPadding) {
  ASSERT_EQ(OpenRfcConnection(*context_, parameters_), 7u);
  ASSERT_EQ(rfc().opens.size(), 1u);
  const FakeRfc::OpenSeen& seen = rfc().opens[0];
  EXPECT_EQ(seen.destination, "PRD");
  EXPECT_EQ(seen.client, "100");
  EXPECT_EQ(seen.user, "AB          ");
  EXPECT_EQ(seen.password, "secret    ");
  EXPECT_EQ(seen.language, "E");
  EXPECT_EQ(seen.mode, RFC_MODE_R3ONLY);
  EXPECT_EQ(seen.hostname, "sapprd01");
  EXPECT_EQ(seen.sysnr, 0);
  EXPECT_EQ(seen.gwhost, std::nullopt);
  EXPECT_EQ(seen.gwservice, std::nullopt);
  EXPECT_EQ(console_.output, "");
}

TEST_F(RfcStepsTest, ModeChoosesTheConnectionRecord) {
  struct {
    const char* mode;
    int expected;
  } cases[] = {{"R/2", RFC_MODE_CPIC}, {"R/3", RFC_MODE_R3ONLY}, {"r/2", RFC_MODE_R3ONLY},
               {"R/2 ", RFC_MODE_R3ONLY}, {"", RFC_MODE_R3ONLY}};
  for (const auto& c : cases) {
    parameters_.mode = c.mode;
    parameters_.gwhost = "";
    parameters_.gwservice = "sapgw00";
    OpenRfcConnection(*context_, parameters_);
    const FakeRfc::OpenSeen& seen = rfc().opens.back();
    EXPECT_EQ(seen.mode, c.expected) << c.mode;
    EXPECT_EQ(seen.gwhost, std::nullopt);
    EXPECT_EQ(seen.gwservice, "sapgw00");
  }
}

TEST_F(RfcStepsTest, LongTextsAreNotCutAndSystemNumbersConvert) {
  parameters_.user = "ABCDEFGHIJKLMN";
  parameters_.password = "123456789012";
  parameters_.sysnr = "5a";
  parameters_.hostname = "";
  OpenRfcConnection(*context_, parameters_);
  EXPECT_EQ(rfc().opens.back().user, "ABCDEFGHIJKLMN");
  EXPECT_EQ(rfc().opens.back().password, "123456789012");
  EXPECT_EQ(rfc().opens.back().sysnr, 5);
  EXPECT_EQ(rfc().opens.back().hostname, std::nullopt);
  // An empty system number keeps the value of the open before.
  parameters_.sysnr = "";
  OpenRfcConnection(*context_, parameters_);
  EXPECT_EQ(rfc().opens.back().sysnr, 5);
}

TEST_F(RfcStepsTest, HostAndNumberOverridesFromTheOptions) {
  SetOptions("x,Host=sapprd02,No=03 #");
  OpenRfcConnection(*context_, parameters_);
  EXPECT_EQ(rfc().opens.back().hostname, "sapprd02");
  EXPECT_EQ(rfc().opens.back().sysnr, 3);
  SetOptions(",HOST=,NO=");
  parameters_.sysnr = "07";
  OpenRfcConnection(*context_, parameters_);
  // Empty overrides: no host, and the system number of the open before.
  EXPECT_EQ(rfc().opens.back().hostname, std::nullopt);
  EXPECT_EQ(rfc().opens.back().sysnr, 3);
}

TEST_F(RfcStepsTest, PerDestinationIniFileOpensByConnectString) {
  const char kIni[] = "DEST=PRD\r\nTYPE=A\r\nASHOST=sapprd01\r\nSYSNR=00\r\n\x1a\0x";
  const std::string ini(kIni, sizeof kIni - 1);  // the zero byte included
  fs_.Add("SapRfc.PRD", ini);
  parameters_.language = "E";
  ASSERT_EQ(OpenRfcConnection(*context_, parameters_), 7u);
  EXPECT_EQ(console_.output, "* SapRfc.Ini.......: PRD<\n");
  EXPECT_EQ(fs_.Content("SapRfc.ini"), ini);
  EXPECT_EQ(rfc().connect_strings,
            std::vector<std::string>{"CLIENT=100 USER=AB PASSWD=secret LANG=D DEST=PRD"});
  EXPECT_TRUE(rfc().opens.empty());
  // Same content again: the library's file is left alone.
  fs_.writes.clear();
  OpenRfcConnection(*context_, parameters_);
  EXPECT_TRUE(fs_.writes.empty());
}

TEST_F(RfcStepsTest, IniCopyAndLogonHappenUnderTheFolderLock) {
  fs_.Add("SapRfc.PRD", "DEST=PRD\n");
  std::vector<bool> locked;
  rfc().on_open_ex = [&] { locked.push_back(fs_.IsLocked(kLibraryIniLockFile)); };
  ASSERT_EQ(OpenRfcConnection(*context_, parameters_), 7u);
  EXPECT_FALSE(fs_.IsLocked(kLibraryIniLockFile)) << "released after the logon";
  // Held elsewhere past the wait (a logon hanging in another run): the run
  // logs on all the same, as it would have without the lock.
  std::unique_ptr<FileLock> other;
  ASSERT_TRUE(fs_.LockFile(kLibraryIniLockFile, 0, &other).ok());
  fs_.Add("SapRfc.PRD", "DEST=PRD\nTYPE=A\n");
  EXPECT_EQ(OpenRfcConnection(*context_, parameters_), 7u);
  EXPECT_EQ(fs_.Content("SapRfc.ini"), "DEST=PRD\nTYPE=A\n");
  // So does a folder where no lock file can be made.
  other.reset();
  fs_.Fail(FakeFileSystem::Op::kLock);
  EXPECT_EQ(OpenRfcConnection(*context_, parameters_), 7u);
  EXPECT_EQ(locked, (std::vector<bool>{true, true, false}));
  // Without a per-destination ini file there is nothing to guard.
  fs_.ClearFailures();
  fs_.locks.clear();
  fs_.RemoveFile("SapRfc.PRD");
  EXPECT_EQ(OpenRfcConnection(*context_, parameters_), 7u);
  EXPECT_TRUE(fs_.locks.empty());
}

TEST_F(RfcStepsTest, EmptyIniFileAndUncreatableLibraryIni) {
  fs_.Add("SapRfc.PRD", "");
  fs_.Add("SapRfc.ini", "old");
  EXPECT_EQ(OpenRfcConnection(*context_, parameters_), 7u);
  EXPECT_EQ(fs_.Content("SapRfc.ini"), "");
  fs_.Add("SapRfc.ini", "old");
  fs_.Fail(FakeFileSystem::Op::kCreateTemp);
  rfc().calls.clear();
  EXPECT_EQ(OpenRfcConnection(*context_, parameters_), 0u);
  EXPECT_TRUE(rfc().calls.empty());
  EXPECT_EQ(fs_.Content("SapRfc.ini"), "old");
}

TEST_F(RfcStepsTest, FailedCallsBecomeNumberedMessages) {
  struct {
    FakeRfc::Answer answer;
    const char* expected;
  } cases[] = {
      {{RFC_FAILURE, RFC_OK, ""}, "Error 1014: RFC-Failure raised !"},
      {{RFC_OK, RFC_EXCEPTION, "NO_DATA"}, "Error 1012: Exception.: NO_DATA"},
      {{RFC_OK, RFC_SYS_EXCEPTION, "SYSTEM_FAILURE"}, "Error 1013: Sys-Exception raised !"},
      {{RFC_OK, 7, ""}, "Error 1015: Other Failure raised !"},
  };
  for (const char* function : {"GET_CPU_ALL", "RFC_SYSTEM_INFO", "DB_ORA_MAIN_LIST"}) {
    for (const auto& c : cases) {
      rfc().answers.clear();
      rfc().answers[function] = c.answer;
      document_.Clear();
      session_->status = kRfcStatusError;
      std::string host = "unchanged";
      RFC_RC code = RFC_OK;
      if (std::string(function) == "GET_CPU_ALL") code = ReadServerClock(*context_);
      if (std::string(function) == "RFC_SYSTEM_INFO") code = ReadSystemInfo(*context_, &host);
      if (std::string(function) == "DB_ORA_MAIN_LIST") {
        CollectionTarget target;
        target.listing_run = true;
        target.item = "LogUsage";
        code = CollectLogging(*context_, target);
      }
      EXPECT_NE(code, RFC_OK);
      EXPECT_EQ(document_.text(), c.expected) << function;
      EXPECT_EQ(session_->status, kRfcStatusError);
      EXPECT_EQ(session_->server_date, "20000101");
      EXPECT_EQ(host, "unchanged");
    }
  }
}

TEST_F(RfcStepsTest, ClockAndSystemInformation) {
  rfc().lastcollwrt = "Mon Dec  7 10:05:00 2026";
  rfc().rfchost = "sapdb9";
  rfc().rfcdbsys = "ORACLE";
  EXPECT_EQ(ReadServerClock(*context_), RFC_OK);
  EXPECT_EQ(session_->server_date, "20261207");
  EXPECT_EQ(session_->server_time, "10:05:00");
  std::string host;
  EXPECT_EQ(ReadSystemInfo(*context_, &host), RFC_OK);
  EXPECT_EQ(host, "sapdb9  ");
  EXPECT_EQ(session_->db_system_name, "ORACLE    ");
  EXPECT_EQ(session_->status, kRfcStatusOk);
  EXPECT_EQ(rfc().exported_values,
            (std::vector<std::string>{"LOCAL_REMOTE=LOCAL ",
                                      "LOGICAL_DESTINATION=" + std::string(32, ' ')}));
}

TEST_F(RfcStepsTest, StructuresAreInstalledOncePerProcess) {
  for (int i = 0; i < 2; ++i) {
    ReadServerClock(*context_);
    std::string host;
    ReadSystemInfo(*context_, &host);
    CollectionTarget target;
    target.listing_run = true;
    target.item = "LogUsage";
    CollectLogging(*context_, target);
  }
  EXPECT_EQ(rfc().installed, (std::vector<std::string>{"CPU_ALL", "RFCSI", "TST04", "GST04"}));
  EXPECT_EQ(rfc().exported_values.back(), "ORA_RELEASE=       ");
  EXPECT_EQ(rfc().exported_values[rfc().exported_values.size() - 2], "ALL_INSTANCES= ");
}

TEST_F(RfcStepsTest, LogLinesFollowTheCalls) {
  SetOptions(",SYSLOG");
  log_.Open("PRD.P00.log");
  rfc().answers["DB_ORA_MAIN_LIST"].call = RFC_FAILURE;
  session_->handle = 1234;
  CollectionTarget target;
  target.listing_run = true;
  CollectLogging(*context_, target);
  ReadServerClock(*context_);
  EXPECT_EQ(fs_.Content("PRD.P00.log"),
            Native("1234 RfcCall called \n1234 RfcCall called \n1234 RfcReceive called \n"));
}

TEST(RfcFailureReportTest, ReportWithAndWithoutErrorInformation) {
  FakeRfc::Reset();
  RfcLibrary table = FakeRfc::Table();
  RecordingConsole console;
  WriteRfcFailureReport(console, &table, "RfcInstallStructure");
  EXPECT_EQ(console.output,
            "RFC error\noperation/code  : RfcInstallStructure\nkey             : \n"
            "status          : \nmessage         : \ninternal status : \n\n"
            "* Programm aborted...\n");
  EXPECT_EQ(FakeRfc::Get().closed, std::vector<RFC_HANDLE>{0});

  std::strcpy(FakeRfc::Get().last_error.key, "RFC_ERROR_COMMUNICATION");
  std::strcpy(FakeRfc::Get().last_error.message, "partner not reached");
  RecordingConsole second;
  WriteRfcFailureReport(second, &table, "RfcOpen");
  EXPECT_NE(second.output.find("key             : RFC_ERROR_COMMUNICATION\n"), std::string::npos);
  EXPECT_NE(second.output.find("message         : partner not reached\n"), std::string::npos);

  // A library that could not be loaded: no RfcLastError, no RfcClose.
  RecordingConsole third;
  WriteRfcFailureReport(third, nullptr, "load librfccm.so", "install it");
  EXPECT_EQ(third.output,
            "RFC error\noperation/code  : load librfccm.so\nkey             : \n"
            "status          : \nmessage         : install it\ninternal status : \n\n"
            "* Programm aborted...\n");
}

using RfcFatalTest = RfcStepsTest;

TEST_F(RfcFatalTest, TableAndStructureFailuresEndTheProcess) {
  GTEST_FLAG_SET(death_test_style, "threadsafe");
  rfc().fail_create = true;
  EXPECT_EXIT(ReadServerClock(*context_), ::testing::ExitedWithCode(1), "");
  rfc().fail_create = false;
  rfc().fail_install = true;
  std::string host;
  EXPECT_EXIT(ReadSystemInfo(*context_, &host), ::testing::ExitedWithCode(1), "");
  rfc().fail_install = false;
  rfc().fail_delete = true;
  EXPECT_EXIT(ReadServerClock(*context_), ::testing::ExitedWithCode(1), "");
  // The library's own error handler ends the process as well.
  EXPECT_EXIT(rfc().handler(const_cast<char*>("RfcCall")), ::testing::ExitedWithCode(1), "");
}

}  // namespace
}  // namespace tidewarden
