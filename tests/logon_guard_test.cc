#include "collect/logon_guard.h"

#include <gtest/gtest.h>

#include <string>

#include "tests/fake_file_system.h"
#include "tests/fake_system.h"

namespace tidewarden {
namespace {

const char* const kLine =
    "1765270800\t2\tASHOST=SAPBAD01 SYSNR=30\t100\tMONITOR\t0a1b\tc2d3\tName or password is "
    "incorrect (repeat logon)";

TEST(LogonGuardTest, RecordFileRoundTripsAndRejectsDamage) {
  const auto records = ParseLogonRecords(std::string("# note\r\n") + kLine + "\r\n");
  ASSERT_TRUE(records);
  ASSERT_EQ(records->size(), 1u);
  const LogonRecord& r = records->front();
  EXPECT_EQ(r.key, (LogonKey{"ASHOST=SAPBAD01 SYSNR=30", "100", "MONITOR"}));
  EXPECT_EQ(r.time, 1765270800);
  EXPECT_EQ(r.count, 2);
  EXPECT_EQ(ParseLogonRecords(FormatLogonRecords(*records))->front().message, r.message);
  for (const char* damaged : {"1765270800\t2\tASHOST=X\t100\tMONITOR\t0a1b\tc2d3",
                              "17652708x0\t2\tS\t100\tU\t0a1b\tc2d3\tm",
                              "1765270800\t0\tS\t100\tU\t0a1b\tc2d3\tm",
                              "1765270800\t1\tS\t100\tU\tSecret12\tc2d3\tm", "\x01\x02garbage"}) {
    EXPECT_FALSE(ParseLogonRecords(damaged)) << damaged;
  }
}

TEST(LogonGuardTest, HoldsAnHourTwiceThenUntilThePasswordChanges) {
  struct Row {
    int count;
    std::int64_t age;  // seconds since the refusal; negative: in the future
    bool held;
  };
  for (const Row& row : {Row{1, 0, true}, Row{1, 3599, true}, Row{1, 3600, false},
                         Row{2, 3599, true}, Row{2, 7200, false}, Row{3, 86400 * 30, true},
                         Row{1, -86400, true}, Row{2, -86400, true}}) {
    LogonRecord record;
    record.count = row.count;
    record.time = 1765270800 - row.age;
    EXPECT_EQ(HoldsLogon(record, 1765270800), row.held) << row.count << " " << row.age;
  }
}

TEST(LogonGuardTest, KeysTheSystemAsTheLogonNamesIt) {
  LogonRequest request;
  request.parameters.hostname = "sapbad01";
  request.parameters.sysnr_number = 3;
  request.parameters.client = "100";
  request.parameters.user = "monitor";
  EXPECT_EQ(MakeLogonKey(request), (LogonKey{"ASHOST=SAPBAD01 SYSNR=03", "100", "MONITOR"}));
  request.by_destination = true;
  request.parameters.destination = "BAD";
  request.ini_content =
      "DEST=BAD\nTYPE=B\nMSHOST=sapms\nR3NAME=BAD\nGROUP=PUBLIC\nSAPROUTER=/H/gw/S/3299\n";
  EXPECT_EQ(MakeLogonKey(request).system,
            "SAPROUTER=/H/GW/S/3299 MSHOST=SAPMS R3NAME=BAD GROUP=PUBLIC");
}

TEST(LogonGuardTest, MessageAndSuffix) {
  EXPECT_EQ(RefusalMessageLine("first\tline\r\nsecond"), "first line");
  EXPECT_EQ(RefusalMessageLine(std::string(250, 'x')).size(), 200u);
  LogonRecord record = *ParseLogonRecords(kLine)->begin();
  EXPECT_EQ(HeldLogonText(record, {2026, 1, 5}, {7, 4, 9}),
            " - logon not repeated: refused 2 times, last at 2026-01-05 07:04:09 (Name or "
            "password is incorrect (repeat logon))");
}

// The doctor's guard holds a logon as the probe's does, but only looks: no
// write for a refusal dated in the future, no retry lock once the hold ran
// out, no record of the outcome.
TEST(LogonGuardTest, GuardThatOnlyLooksWritesNothing) {
  FakeFileSystem fs;
  FixedClock clock;
  LogonRequest request;
  request.parameters.hostname = "sapbad01";
  request.parameters.client = "100";
  request.parameters.user = "MONITOR";
  request.parameters.password = "Secret12";
  LogonRecord record = *ParseLogonRecords(kLine)->begin();
  record.key = MakeLogonKey(request);
  record.count = 1;
  record.fingerprint = PasswordFingerprint(record.salt, "Secret12");
  for (std::int64_t age : {-86400, 3600}) {
    record.time = clock.utc_seconds - age;
    fs.Add(kLogonRecordFile, FormatLogonRecords({record}));
    LogonGuard guard(fs, clock, "", "PRD.P00", /*holds=*/true, /*records=*/false);
    const GuardedLogon guarded = guard.Check(request, CallLogger{});
    EXPECT_EQ(guarded.held.empty(), age > 0) << age;
    const LogonRefused refused{"", "refused", /*by_sap=*/true};
    guard.Remember(guarded, &refused, false, CallLogger{});
  }
  EXPECT_TRUE(fs.writes.empty() && fs.locks.empty() && fs.removed.empty());
}

}  // namespace
}  // namespace tidewarden
