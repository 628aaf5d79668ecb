// The logon every library shares: the options' overrides, the per-destination
// ini file copied under the folder's lock.
#include "collect/logon_preparation.h"

#include <gtest/gtest.h>

#include <memory>
#include <string>
#include <vector>

#include "tests/logon_fixture.h"

namespace tidewarden {
namespace {

using LogonTest = LogonFixture;

TEST_F(LogonTest, HostAndNumberOverridesFromTheOptions) {
  SetOptions("x,Host=sapprd02,No=03 #");
  Open();
  EXPECT_EQ(rfc().opens.back().hostname, "sapprd02");
  EXPECT_EQ(rfc().opens.back().sysnr, 3);
  SetOptions(",HOST=,NO=");
  parameters_.sysnr = "07";
  Open();
  // Empty overrides: no host, and the system number of the open before.
  EXPECT_EQ(rfc().opens.back().hostname, std::nullopt);
  EXPECT_EQ(rfc().opens.back().sysnr, 3);
}

TEST_F(LogonTest, PerDestinationIniFileOpensByConnectString) {
  const char kIni[] = "DEST=PRD\r\nTYPE=A\r\nASHOST=sapprd01\r\nSYSNR=00\r\n\x1a\0x";
  const std::string ini(kIni, sizeof kIni - 1);  // the zero byte included
  fs_.Add("SapRfc.PRD", ini);
  parameters_.language = "E";
  ASSERT_EQ(Open(), 7u);
  EXPECT_EQ(console_.output, "* SapRfc.Ini.......: PRD<\n");
  EXPECT_EQ(fs_.Content("SapRfc.ini"), ini);
  EXPECT_EQ(rfc().connect_strings,
            std::vector<std::string>{"CLIENT=100 USER=AB PASSWD=secret LANG=D DEST=PRD"});
  EXPECT_TRUE(rfc().opens.empty());
  // Same content again: the library's file is left alone.
  fs_.writes.clear();
  Open();
  EXPECT_TRUE(fs_.writes.empty());
}

TEST_F(LogonTest, IniCopyAndLogonHappenUnderTheFolderLock) {
  fs_.Add("SapRfc.PRD", "DEST=PRD\n");
  std::vector<bool> locked;
  rfc().on_open_ex = [&] { locked.push_back(fs_.IsLocked(kLibraryIniLockFile)); };
  ASSERT_EQ(Open(), 7u);
  EXPECT_FALSE(fs_.IsLocked(kLibraryIniLockFile)) << "released after the logon";
  // Held elsewhere past the wait (a logon hanging in another run): the run
  // logs on all the same, as it would have without the lock.
  std::unique_ptr<FileLock> other;
  ASSERT_TRUE(fs_.LockFile(kLibraryIniLockFile, 0, &other).ok());
  fs_.Add("SapRfc.PRD", "DEST=PRD\nTYPE=A\n");
  EXPECT_EQ(Open(), 7u);
  EXPECT_EQ(fs_.Content("SapRfc.ini"), "DEST=PRD\nTYPE=A\n");
  // So does a folder where no lock file can be made.
  other.reset();
  fs_.Fail(FakeFileSystem::Op::kLock);
  EXPECT_EQ(Open(), 7u);
  EXPECT_EQ(locked, (std::vector<bool>{true, true, false}));
  // Without a per-destination ini file there is nothing to guard.
  fs_.ClearFailures();
  fs_.locks.clear();
  ASSERT_TRUE(fs_.RemoveFile("SapRfc.PRD").ok());
  EXPECT_EQ(Open(), 7u);
  EXPECT_TRUE(fs_.locks.empty());
}

TEST_F(LogonTest, EmptyIniFileAndUncreatableLibraryIni) {
  SetOptions(",SYSLOG");
  log_.Open("PRD.P00.log");
  fs_.Add("SapRfc.PRD", "");
  fs_.Add("SapRfc.ini", "old");
  EXPECT_EQ(Open(), 7u);
  EXPECT_EQ(fs_.Content("SapRfc.ini"), "");
  fs_.Add("SapRfc.ini", "old");
  fs_.Fail(FakeFileSystem::Op::kCreateTemp);
  rfc().calls.clear();
  EXPECT_EQ(Open(), 0u);
  EXPECT_TRUE(rfc().calls.empty());
  EXPECT_EQ(fs_.Content("SapRfc.ini"), "old");
  EXPECT_TRUE(fs_.Content("PRD.P00.log")
                  .ends_with("\n0 SapRfc.ini not written SapRfc.ini.fake-1.tmp: cannot create" +
                             std::string(kNativeLineEnd)))
      << fs_.Content("PRD.P00.log");
}

}  // namespace
}  // namespace tidewarden
