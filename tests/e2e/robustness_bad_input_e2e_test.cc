// Bad input that needs the real disk or the real command line: folders where
// files are expected, binary garbage, very long lines and arguments, odd
// bytes kept by the real rewrite, and a probe installed without its RFC
// library. Rows of the table in docs/robustness.md (same names).
#include <gtest/gtest.h>

#include <filesystem>

#include "tests/e2e/probe_runner.h"
#include "tests/profile_text.h"

namespace tidewarden::e2e {
namespace {

namespace fs = std::filesystem;

std::string SensorProfile(const std::string& extra = "") {
  return ProfileText().Set("Password...:", std::string(kStoredSecret12Other)).Bytes() + extra;
}

const char kDescription[] =
    "[PRD]\nhost = sapprd01\nsysnr = 00\nclient = 100\nuser = MONITOR\npassword = Secret12\n"
    "LASTCOLLWRT = Tue Nov 18 09:05:00 2025\nRFCDBSYS = ORACLE\nLOGWRITES = 1843001\n"
    "WAIT_BUSY = 17\nROLLBACKS = 5118\nLOGSIZE = 900\nLOGALLOC = 27\n";

const char kFirstRun[] =
    "\n<Prtg>\n\n<Text>(PRD) Logging: LogWrites=0, WaitBusy=0, RollBacks=0, LogUsage=3% </Text>\n";

std::string ErrorDocument(const std::string& message) {
  return Text("<Prtg>\n<Error>1</Error>\n<Text>" + message + "</Text>\n</Prtg>\n");
}

std::string Garbage(std::size_t size) {
  std::string bytes;
  std::uint32_t x = 88172645u;
  for (std::size_t i = 0; i < size; ++i) {
    x ^= x << 13;
    x ^= x >> 17;
    x ^= x << 5;
    bytes += static_cast<char>(x & 0xFF);
  }
  return bytes;
}

class RobustnessBadInputE2eTest : public ::testing::Test {
 protected:
  void SetUp() override {
    if (!probe_.RfcLibraryAvailable()) GTEST_SKIP() << "no simulator drop-in beside the probe";
    dir_.Write("SapSim.txt", kDescription);
  }
  void Folder(const std::string& relative) {
    std::error_code error;
    fs::create_directories(dir_.host_path() / relative, error);
    ASSERT_FALSE(error) << relative;
  }
  // The profile as the probe on this platform writes it back.
  std::string Native(const std::string& lf_text) { return Text(lf_text); }

  WorkDir dir_;
  Probe probe_;
};

TEST_F(RobustnessBadInputE2eTest, FolderWhereTheProfileShouldBe) {
  Folder("PRD.P00");
  RunResult r = probe_.Run(dir_, {"PRD"});
  EXPECT_EQ(r.out, ErrorDocument("Error 1002: Profile PRD.P00 is missing...")) << r.err;
  EXPECT_EQ(r.exit_code, 2);
}

TEST_F(RobustnessBadInputE2eTest, FoldersWhereTheRunsOwnFilesShouldBe) {
  // A marker that is a folder marks nothing; the trace file, the log and the
  // per-destination ini as folders are passed over.
  dir_.Write("PRD.P00", SensorProfile());
  for (const char* folder : {"Pellard.Mrk", "Dev_Rfc.Trc", "PRD.P00.log", "SapRfc.PRD"}) {
    Folder(folder);
  }
  RunResult r = probe_.Run(dir_, {"PRD", ",SYSLOG"});
  EXPECT_EQ(r.out.rfind(Text(kFirstRun), 0), 0u) << r.out << r.err;
  EXPECT_EQ(r.exit_code, 0);
  EXPECT_TRUE(fs::is_directory(dir_.host_path() / "Dev_Rfc.Trc"));
}

TEST_F(RobustnessBadInputE2eTest, FolderWhereTheLibraryIniShouldBe) {
  dir_.Write("PRD.P00", SensorProfile());
  dir_.Write("SapRfc.PRD", "DEST=PRD\nTYPE=A\nASHOST=sapprd01\nSYSNR=00\n");
  dir_.Write("SapRfc.ini/keep", "");
  RunResult r = probe_.Run(dir_, {"PRD"});
  if (UnderWine()) {
    // Wine's ReplaceFileW (unlike Windows') moves even a folder aside as
    // "rf*.tmp" and puts the file in its place: the logon goes through.
    EXPECT_EQ(r.out.rfind(Text("* SapRfc.Ini.......: PRD<\n") + Text(kFirstRun), 0), 0u)
        << r.out << r.err;
    EXPECT_EQ(r.exit_code, 0);
    return;
  }
  EXPECT_EQ(r.out, Text("* SapRfc.Ini.......: PRD<\n") +
                       ErrorDocument("Error 1011: RFC-Open for PRD failed !"))
      << r.err;
  EXPECT_EQ(r.exit_code, 2);
  EXPECT_EQ(dir_.Read("PRD.P00"), SensorProfile());
}

TEST_F(RobustnessBadInputE2eTest, BinaryGarbageProfile) {
  const std::string garbage = Garbage(64 * 1024);
  dir_.Write("PRD.P00", garbage);
  RunResult r = probe_.Run(dir_, {"PRD"});
  EXPECT_EQ(r.out, ErrorDocument("Error 1006: Username in Profile PRD.P00 is missing...")) << r.err;
  EXPECT_EQ(r.exit_code, 2);
  EXPECT_EQ(dir_.Read("PRD.P00"), garbage);
}

TEST_F(RobustnessBadInputE2eTest, OddBytesSurviveTheRealRewrite) {
  // NUL bytes, a 100 kB line, a Ctrl-Z line and a byte-order mark: kept.
  const std::string odd = std::string("* nul \0 inside\n", 15) + "* " +
                          std::string(100 * 1024, 'x') + "\n\xEF\xBB\xBF* mark\n\x1a\n";
  dir_.Write("PRD.P00", SensorProfile(odd));
  RunResult r = probe_.Run(dir_, {"PRD"});
  EXPECT_EQ(r.out.rfind(Text(kFirstRun), 0), 0u) << r.out << r.err;
  EXPECT_EQ(r.exit_code, 0);
  const std::string before = Native(SensorProfile(odd));
  const std::string after = dir_.Read("PRD.P00");
  EXPECT_EQ(after.substr(0, before.size()), before);
  EXPECT_EQ(after.substr(before.size()),
            Native("# Olg Date=20251118 09:05:00 Writes=1843001 WaitBusy=17 RollBacks=5118\n"));
}

TEST_F(RobustnessBadInputE2eTest, ArgumentsOfTenThousandCharacters) {
  dir_.Write("PRD.P00", SensorProfile());
  RunResult r = probe_.Run(dir_, {std::string(10000, 'P')});
  EXPECT_EQ(r.out.rfind(Text("<Prtg>\n<Error>1</Error>\n<Text>Error 1002: Profile PPPP"), 0), 0u)
      << r.err;
  EXPECT_TRUE(r.out.ends_with(Text("PPP</Text>\n</Prtg>\n"))) << r.out.size();
  EXPECT_EQ(r.exit_code, 2);

  r = probe_.Run(dir_, {"PRD", std::string(10000, 'o') + " ITEM=LogUsage"});
  EXPECT_EQ(r.out.rfind(Text(kFirstRun), 0), 0u) << r.out << r.err;
  EXPECT_EQ(r.exit_code, 0);
}

TEST_F(RobustnessBadInputE2eTest, ProbeInstalledWithoutTheRfcLibrary) {
  Probe alone = probe_.CopyInto(dir_, "bin", /*with_rfc_library=*/false);
  dir_.Write("PRD.P00", SensorProfile());
  RunResult r = alone.Run(dir_, {"PRD"});
  EXPECT_EQ(r.out.rfind(Text("RFC error\n"), 0), 0u) << r.out << r.err;
  EXPECT_EQ(r.exit_code, 1);
  EXPECT_EQ(dir_.Read("PRD.P00"), SensorProfile());
}

}  // namespace
}  // namespace tidewarden::e2e
