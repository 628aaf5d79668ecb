// The classic library behind the seam, against a scripted library: what is
// passed, what comes back, and the once-per-process structure installs.
#include "rfc/classic/classic_library.h"

#include <gtest/gtest.h>

#include <cstring>
#include <memory>

#include "driver/documents.h"
#include "rfc/fatal_report.h"
#include "tests/fake_file_system.h"
#include "tests/fake_rfc_library.h"
#include "tests/line_ends.h"
#include "tests/logon_fixture.h"
#include "tests/status_text.h"

namespace tidewarden {
namespace {

using RfcStepsTest = LogonFixture;

TEST_F(RfcStepsTest, OptionsRecordForR3WithPadding) {
  ASSERT_EQ(Open(), 7u);
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
    Open();
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
  Open();
  EXPECT_EQ(rfc().opens.back().user, "ABCDEFGHIJKLMN");
  EXPECT_EQ(rfc().opens.back().password, "123456789012");
  EXPECT_EQ(rfc().opens.back().sysnr, 5);
  EXPECT_EQ(rfc().opens.back().hostname, std::nullopt);
  // An empty system number keeps the value of the open before.
  parameters_.sysnr = "";
  Open();
  EXPECT_EQ(rfc().opens.back().sysnr, 5);
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
      const CallFailure* failure = nullptr;
      SapResult<ServerClock> clock = ServerClock{};
      SapResult<SystemInfo> info = SystemInfo{};
      SapResult<OraMainList> list = OraMainList{};
      if (std::string(function) == "GET_CPU_ALL") {
        clock = connection().ReadServerClock();
        failure = FailureAs<CallFailure>(clock);
      }
      if (std::string(function) == "RFC_SYSTEM_INFO") {
        info = connection().ReadSystemInfo();
        failure = FailureAs<CallFailure>(info);
      }
      if (std::string(function) == "DB_ORA_MAIN_LIST") {
        list = connection().ReadOraMainList();
        failure = FailureAs<CallFailure>(list);
      }
      ASSERT_NE(failure, nullptr) << function;
      EXPECT_NE(failure->code, RFC_OK);
      EXPECT_EQ(CallFailureMessage(failure->code, failure->exception), c.expected) << function;
      // No trace file: the text says where to look.
      EXPECT_EQ(failure->last_error_text, " - Look for Trace-File");
    }
  }
}

TEST_F(RfcStepsTest, ClockAndSystemInformation) {
  rfc().lastcollwrt = "Mon Dec  7 10:05:00 2026";
  rfc().rfchost = "sapdb9";
  rfc().rfcdbsys = "ORACLE";
  auto clock = connection().ReadServerClock();
  ASSERT_TRUE(clock.ok());
  EXPECT_EQ(clock->date, "20261207");
  EXPECT_EQ(clock->time, "10:05:00");
  auto info = connection().ReadSystemInfo();
  ASSERT_TRUE(info.ok());
  EXPECT_EQ(info->host, "sapdb9  ");
  EXPECT_EQ(info->db_system_name, "ORACLE    ");
  EXPECT_EQ(rfc().exported_values,
            (std::vector<std::string>{"LOCAL_REMOTE=LOCAL ",
                                      "LOGICAL_DESTINATION=" + std::string(32, ' ')}));
}

TEST_F(RfcStepsTest, StructuresAreInstalledOncePerProcess) {
  for (int i = 0; i < 2; ++i) {
    static_cast<void>(connection().ReadServerClock());
    static_cast<void>(connection().ReadSystemInfo());
    static_cast<void>(connection().ReadOraMainList());
  }
  EXPECT_EQ(rfc().installed, (std::vector<std::string>{"CPU_ALL", "RFCSI", "TST04", "GST04"}));
  EXPECT_EQ(rfc().exported_values.back(), "ORA_RELEASE=       ");
  EXPECT_EQ(rfc().exported_values[rfc().exported_values.size() - 2], "ALL_INSTANCES= ");
}

TEST_F(RfcStepsTest, LogLinesFollowTheCalls) {
  SetOptions(",SYSLOG");
  log_.Open("PRD.P00.log");
  rfc().answers["DB_ORA_MAIN_LIST"].call = RFC_FAILURE;
  rfc().open_result = 1234;
  ASSERT_EQ(Open(), 1234u);
  fs_.Add("PRD.P00.log", "");
  static_cast<void>(connection().ReadOraMainList());
  static_cast<void>(connection().ReadServerClock());
  EXPECT_EQ(fs_.Content("PRD.P00.log"),
            Native("1234 RfcCall called \n1234 RfcCall called \n1234 RfcReceive called \n"));
}

using RfcFatalTest = RfcStepsTest;

// Table and structure failures come back as fatal failures with the
// operation; only the library's own error handler ends the process.
TEST_F(RfcFatalTest, TableAndStructureFailuresAreFatal) {
  GTEST_FLAG_SET(death_test_style, "threadsafe");
  auto operation = [](const auto& result) {
    const FatalFailure* fatal = FailureAs<FatalFailure>(result);
    return fatal != nullptr ? fatal->operation : std::string("(none)");
  };
  rfc().fail_create = true;
  EXPECT_EQ(operation(connection().ReadServerClock()), "ItCreate TF_CPU_ALL");
  rfc().fail_create = false;
  rfc().fail_install = true;
  EXPECT_EQ(operation(connection().ReadSystemInfo()), "RfcInstallStructure");
  rfc().fail_install = false;
  rfc().fail_delete = true;
  EXPECT_EQ(operation(connection().ReadServerClock()), "ItDelete TF_CPU_ALL");
  // After delivered figures the delete failure comes with them.
  auto list = connection().ReadOraMainList();
  ASSERT_TRUE(list.ok());
  ASSERT_TRUE(list->fatal_after_delivery);
  EXPECT_EQ(list->fatal_after_delivery->operation, "ItDelete DBORA_PER_INSTANCES");
  // The library's own error handler ends the process.
  EXPECT_EXIT(rfc().handler(const_cast<char*>("RfcCall")), ::testing::ExitedWithCode(1), "");
}

}  // namespace
}  // namespace tidewarden
