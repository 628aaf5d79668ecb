// Crash consistency of the real probe against the simulated SAP system: the
// probe is killed (SIGKILL) before each of its system calls in turn and at
// random moments of its run while the totals change from run to run; after
// every kill the sensor profile is byte for byte the old or the new one and
// the next run succeeds. Then the rewrite is made to fail on the real disk
// (an immutable folder or profile, a file size limit, a full small file
// system): the profile stays as it was, nothing is left beside it, and the
// run reports 1016.
//
// Natively only (the kills stop the probe at its system calls through
// ptrace). The figures come from the environment, so CI runs a short
// version and scripts/stress the full one:
//   TIDEWARDEN_ROBUSTNESS_KILLS  kills in all (default 100); the first
//                                sweep stops at every system call.
#include <fcntl.h>
#include <gtest/gtest.h>
#include <linux/fs.h>
#include <signal.h>
#include <sys/ioctl.h>
#include <sys/mount.h>
#include <sys/ptrace.h>
#include <sys/resource.h>
#include <sys/wait.h>
#include <unistd.h>

#include <chrono>
#include <cstdlib>
#include <cstring>
#include <filesystem>
#include <fstream>
#include <random>
#include <thread>

#include "tests/e2e/probe_runner.h"
#include "tests/profile_text.h"

namespace tidewarden::e2e {
namespace {

namespace fs = std::filesystem;

std::string SensorProfile() {
  return ProfileText()
      .Prepend("* Sensor PRD, written by hand")
      .Set("Password...:", std::string(kStoredSecret12Other))
      .Append("* a comment after the entry")
      .Bytes();
}

struct Totals {
  std::uint32_t writes, busy, rollbacks;
};

// The simulated system answers fixed totals and a fixed collector time, so
// that the new profile of each run is known to the byte.
std::string Description(const Totals& t) {
  return "[PRD]\nhost = sapprd01\nsysnr = 00\nclient = 100\nuser = MONITOR\n"
         "password = Secret12\nLASTCOLLWRT = Tue Nov 18 09:05:00 2025\nRFCDBSYS = ORACLE\n"
         "LOGWRITES = " +
         std::to_string(t.writes) + "\nWAIT_BUSY = " + std::to_string(t.busy) +
         "\nROLLBACKS = " + std::to_string(t.rollbacks) + "\nLOGSIZE = 900\nLOGALLOC = 27\n";
}

std::string StateLine(const Totals& t) {
  return "# Olg Date=20251118 09:05:00 Writes=" + std::to_string(t.writes) +
         " WaitBusy=" + std::to_string(t.busy) + " RollBacks=" + std::to_string(t.rollbacks);
}

// The profile after a run with `now` over a profile whose state was `before`
// (nullopt: none yet).
std::string ProfileAfter(const std::optional<Totals>& before, const Totals& now) {
  std::string text = SensorProfile() + StateLine(now) + "\n";
  if (before) text += "# Olx " + StateLine(*before).substr(6) + "\n";
  return text;
}

int EnvironmentFigure(const char* name, int fallback) {
  const char* value = std::getenv(name);
  return value != nullptr && std::atoi(value) > 0 ? std::atoi(value) : fallback;
}

// How a spawned probe is to end.
struct Spawn {
  long stop_at_syscall = 0;                 // > 0: killed on entering its n-th system call
  std::chrono::microseconds kill_after{0};  // > 0: killed after this time
  rlim_t file_size_limit = 0;               // > 0: RLIMIT_FSIZE of the probe
};

struct Ended {
  bool killed = false;  // by us, before it ended by itself
  int exit_code = -1;
  long syscalls = 0;  // counted while traced
  std::string out;
};

constexpr const char* kOutputFile = "probe.out";

// Runs the probe in `dir` with `args`. Standard output goes to a file, read
// and removed afterwards, so that a kill can never leave a pipe blocked.
Ended RunProbe(const Probe& probe, const WorkDir& dir, const std::vector<std::string>& args,
               const Spawn& spawn) {
  Ended ended;
  const fs::path out_path = dir.host_path() / kOutputFile;
  std::vector<std::string> argv = {probe.executable().string()};
  argv.insert(argv.end(), args.begin(), args.end());
  std::vector<char*> c_argv;
  for (std::string& arg : argv) c_argv.push_back(arg.data());
  c_argv.push_back(nullptr);
  const std::string work = dir.host_path().string();
  const bool traced = spawn.stop_at_syscall > 0;

  pid_t pid = ::fork();
  if (pid == 0) {
    int in = ::open("/dev/null", O_RDONLY);
    int out = ::open(out_path.c_str(), O_WRONLY | O_CREAT | O_TRUNC, 0600);
    if (in < 0 || out < 0 || ::dup2(in, 0) < 0 || ::dup2(out, 1) < 0 || ::dup2(out, 2) < 0 ||
        ::chdir(work.c_str()) != 0) {
      ::_exit(126);
    }
    if (spawn.file_size_limit > 0) {
      ::signal(SIGXFSZ, SIG_IGN);  // a write past the limit fails with EFBIG instead
      struct rlimit limit = {spawn.file_size_limit, spawn.file_size_limit};
      ::setrlimit(RLIMIT_FSIZE, &limit);
    }
    if (traced) {
      // A sanitizer build's leak check stops the process's threads through
      // ptrace at exit, which fails while we trace it.
      const char* asan = std::getenv("ASAN_OPTIONS");
      const std::string options = std::string(asan != nullptr ? asan : "") + ":detect_leaks=0";
      ::setenv("ASAN_OPTIONS", options.c_str(), 1);
      if (::ptrace(PTRACE_TRACEME, 0, nullptr, nullptr) != 0) ::_exit(125);
    }
    ::execv(c_argv[0], c_argv.data());
    ::_exit(127);
  }
  if (pid < 0) {
    ADD_FAILURE() << "fork: " << std::strerror(errno);
    return ended;
  }
  int status = 0;
  if (traced) {
    // The first stop is the exec; from there, one stop at each entry to
    // and each exit from a system call.
    ::waitpid(pid, &status, 0);
    if (WIFSTOPPED(status)) {
      ::ptrace(PTRACE_SETOPTIONS, pid, nullptr,
               reinterpret_cast<void*>(PTRACE_O_TRACESYSGOOD | PTRACE_O_EXITKILL));
      bool entering = true;
      for (;;) {
        if (::ptrace(PTRACE_SYSCALL, pid, nullptr, nullptr) != 0) break;
        if (::waitpid(pid, &status, 0) != pid || !WIFSTOPPED(status)) break;
        if (WSTOPSIG(status) != (SIGTRAP | 0x80)) continue;  // a signal, not a call
        if (entering && ++ended.syscalls == spawn.stop_at_syscall) {
          ::kill(pid, SIGKILL);
          ended.killed = true;
          ::waitpid(pid, &status, 0);
          break;
        }
        entering = !entering;
      }
    }
  } else if (spawn.kill_after.count() > 0) {
    const auto deadline = std::chrono::steady_clock::now() + spawn.kill_after;
    while (::waitpid(pid, &status, WNOHANG) == 0) {
      if (std::chrono::steady_clock::now() >= deadline) {
        ::kill(pid, SIGKILL);
        ended.killed = true;
        ::waitpid(pid, &status, 0);
        break;
      }
      std::this_thread::yield();
    }
  } else {
    ::waitpid(pid, &status, 0);
  }
  if (WIFEXITED(status)) {
    ended.exit_code = WEXITSTATUS(status);
    ended.killed = false;
  }
  std::ifstream in(out_path, std::ios::binary);
  ended.out.assign(std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>());
  std::error_code error;
  fs::remove(out_path, error);
  return ended;
}

const char kDocumentHead[] = "\n<Prtg>\n\n<Text>(PRD) Logging: LogWrites=";

std::vector<std::string> TempFiles(const WorkDir& dir) {
  std::vector<std::string> temps;
  for (const std::string& file : dir.Files()) {
    if (file.rfind("PRD.P00.", 0) == 0 && file.ends_with(".tmp")) temps.push_back(file);
  }
  return temps;
}

class RobustnessCrashTest : public ::testing::Test {
 protected:
  void SetUp() override {
    if (UnderWine()) GTEST_SKIP() << "the kills stop the native probe at its system calls";
    if (!probe_.RfcLibraryAvailable()) GTEST_SKIP() << "no simulator drop-in beside the probe";
  }
  Probe probe_;
};

TEST_F(RobustnessCrashTest, EveryKillLeavesTheOldOrTheNewProfile) {
  const int kills = EnvironmentFigure("TIDEWARDEN_ROBUSTNESS_KILLS", 100);
  WorkDir dir;
  dir.Write("PRD.P00", SensorProfile());
  std::optional<Totals> state;
  Totals totals{1843001, 17, 5118};
  auto next_totals = [&totals] {
    totals.writes += 1 + totals.writes % 7;
    totals.busy += totals.writes % 2;
    totals.rollbacks += 1;
  };
  std::mt19937 random(20251118);

  // A run to its end, traced: how many system calls one makes.
  next_totals();
  dir.Write("SapSim.txt", Description(totals));
  Ended calibration = RunProbe(probe_, dir, {"PRD"}, {.stop_at_syscall = 1L << 40});
  ASSERT_EQ(calibration.exit_code, 0) << calibration.out;
  ASSERT_EQ(dir.Read("PRD.P00"), ProfileAfter(state, totals));
  state = totals;
  const long syscalls = calibration.syscalls;
  ASSERT_GT(syscalls, 10);
  // The window of the random kills: about how long an untraced run takes.
  // It shrinks after a kill that came too late and grows after one that
  // hit, so it follows the machine's load.
  double window_us = 20000;

  // Only a kill that found the run still going counts; a random moment
  // after its end is tried again (up to as many times again).
  int killed = 0, old_kept = 0, new_kept = 0, ran_through = 0;
  for (long attempt = 0; killed < kills && attempt < 2L * kills + syscalls; ++attempt) {
    const std::string old_profile = dir.Read("PRD.P00");
    next_totals();
    dir.Write("SapSim.txt", Description(totals));
    const std::string new_profile = ProfileAfter(state, totals);
    // The first sweep stops before every system call, from the last one
    // back, so that even a short run covers the rewrite at the end; the
    // rest fall at random moments of the untraced run.
    Spawn spawn;
    if (attempt < syscalls) {
      spawn.stop_at_syscall = syscalls - attempt;
    } else {
      spawn.kill_after = std::chrono::microseconds(
          std::uniform_int_distribution<long>(1, static_cast<long>(window_us))(random));
    }
    Ended ended = RunProbe(probe_, dir, {"PRD"}, spawn);
    if (spawn.kill_after.count() > 0) {
      window_us = std::max(500.0, window_us * (ended.killed ? 1.05 : 0.85));
    }
    const std::string now = dir.Read("PRD.P00");
    if (ended.killed) {
      ++killed;
    } else {
      ++ran_through;
      ASSERT_EQ(ended.exit_code, 0) << ended.out;
    }
    if (now == old_profile) {
      if (ended.killed) ++old_kept;
    } else {
      ASSERT_EQ(now, new_profile) << "attempt " << attempt << (ended.killed ? " (killed)" : "");
      if (ended.killed) ++new_kept;
      state = totals;
    }

    // The next run succeeds, over whichever profile the kill left.
    next_totals();
    dir.Write("SapSim.txt", Description(totals));
    Ended next = RunProbe(probe_, dir, {"PRD"}, {});
    ASSERT_EQ(next.exit_code, 0) << "after attempt " << attempt << ": " << next.out;
    ASSERT_EQ(next.out.rfind(kDocumentHead, 0), 0u) << next.out;
    ASSERT_TRUE(next.out.ends_with("\n</Prtg>\n")) << next.out;
    ASSERT_EQ(dir.Read("PRD.P00"), ProfileAfter(state, totals)) << "after attempt " << attempt;
    state = totals;
  }
  std::cout << "[ figures  ] " << killed << " kills (" << std::min<long>(killed, syscalls)
            << " before each system call of " << syscalls << ", the rest at random moments); "
            << "old profile kept " << old_kept << ", new profile " << new_kept
            << "; every following run succeeded (" << ran_through
            << " runs ended before their random moment)\n";
  EXPECT_GE(killed, kills);

  // Killed runs may leave their temporary files; once stale, the next
  // rewrite takes them away, and nothing else is ever left.
  const std::vector<std::string> temps = TempFiles(dir);
  for (const std::string& file : dir.Files()) {
    EXPECT_TRUE(file == "PRD.P00" || file == "SapSim.txt" || file == "Dev_Rfc.Trc" ||
                (file.rfind("PRD.P00.", 0) == 0 && file.ends_with(".tmp")))
        << file;
  }
  for (const std::string& temp : temps) dir.SetAge(temp, std::chrono::hours(2));
  next_totals();
  dir.Write("SapSim.txt", Description(totals));
  Ended cleaning = RunProbe(probe_, dir, {"PRD"}, {});
  EXPECT_EQ(cleaning.exit_code, 0) << cleaning.out;
  EXPECT_EQ(TempFiles(dir), std::vector<std::string>{});
}

// ---------------------------------------------------------------------------
// The rewrite failing on the real disk.

// The immutable attribute (chattr +i): not even root may create, rename or
// remove in such a folder, or replace such a file.
bool SetImmutable(const fs::path& path, bool on) {
  int fd = ::open(path.c_str(), O_RDONLY | O_CLOEXEC);
  if (fd < 0) return false;
  int flags = 0;
  bool ok = ::ioctl(fd, FS_IOC_GETFLAGS, &flags) == 0;
  if (ok) {
    flags = on ? (flags | FS_IMMUTABLE_FL) : (flags & ~FS_IMMUTABLE_FL);
    ok = ::ioctl(fd, FS_IOC_SETFLAGS, &flags) == 0;
  }
  ::close(fd);
  return ok;
}

class RobustnessRealDiskFaultTest : public RobustnessCrashTest {
 protected:
  // The sensor lives in the folder "sensors" with the Vantrel marker (the
  // same XML as PRTG's), so only that folder needs to be made faulty.
  void Arrange(WorkDir& dir) {
    dir.Write("sensors/Vantrel.Mrk", "");
    dir.Write("sensors/PRD.P00", Profile());
    dir.Write("SapSim.txt", Description({1843001, 17, 5118}));
  }
  void ExpectUntouched(const WorkDir& dir, const Ended& ended, const char* fault) {
    EXPECT_EQ(ended.exit_code, 2) << fault << ": " << ended.out;
    EXPECT_EQ(ended.out.rfind("<Prtg>\n<Error>1</Error>\n<Text>Error 1016: ReWriting of Profile "
                              "sensors\\PRD.P00 failed !",
                              0),
              0u)
        << fault << ": " << ended.out;
    EXPECT_EQ(dir.Read("sensors/PRD.P00"), Profile()) << fault;
    std::vector<std::string> files;
    for (const std::string& file : dir.Files()) {
      if (file.rfind("sensors/", 0) == 0) files.push_back(file);
    }
    EXPECT_EQ(files, (std::vector<std::string>{"sensors/PRD.P00", "sensors/Vantrel.Mrk"})) << fault;
  }
  // Larger than the file size limit below, which leaves room for the
  // document on standard output (a file here).
  static std::string Profile() { return SensorProfile() + "* " + std::string(3000, '-') + "\n"; }
  const std::vector<std::string> args_ = {"sensors\\PRD"};
};

TEST_F(RobustnessRealDiskFaultTest, NoTemporaryFileCanBeCreated) {
  WorkDir dir;
  Arrange(dir);
  if (!SetImmutable(dir.host_path() / "sensors", true)) {
    GTEST_SKIP() << "this file system has no immutable attribute (or we are not root)";
  }
  Ended ended = RunProbe(probe_, dir, args_, {});
  SetImmutable(dir.host_path() / "sensors", false);
  ExpectUntouched(dir, ended, "immutable folder");
}

TEST_F(RobustnessRealDiskFaultTest, WritingStopsAtTheFileSizeLimit) {
  WorkDir dir;
  Arrange(dir);
  // Room for the document, not for the profile.
  Ended ended = RunProbe(probe_, dir, args_, {.file_size_limit = 1024});
  ExpectUntouched(dir, ended, "file size limit");
}

TEST_F(RobustnessRealDiskFaultTest, TheProfileCannotBeReplaced) {
  WorkDir dir;
  Arrange(dir);
  if (!SetImmutable(dir.host_path() / "sensors/PRD.P00", true)) {
    GTEST_SKIP() << "this file system has no immutable attribute (or we are not root)";
  }
  Ended ended = RunProbe(probe_, dir, args_, {});
  SetImmutable(dir.host_path() / "sensors/PRD.P00", false);
  ExpectUntouched(dir, ended, "immutable profile");
}

TEST_F(RobustnessRealDiskFaultTest, TheDiskIsFull) {
  WorkDir dir;
  dir.Write("SapSim.txt", Description({1843001, 17, 5118}));
  const fs::path sensors = dir.host_path() / "sensors";
  fs::create_directories(sensors);
  if (::mount("tidewarden-full", sensors.c_str(), "tmpfs", MS_NOSUID | MS_NODEV,
              "size=64k,mode=0755") != 0) {
    GTEST_SKIP() << "no small file system can be mounted here: " << std::strerror(errno);
  }
  Arrange(dir);
  // Fill what is left, a block at a time, until the disk refuses.
  {
    int fd = ::open((sensors / "filler").c_str(), O_WRONLY | O_CREAT, 0600);
    const std::string block(4096, 'f');
    while (fd >= 0 && ::write(fd, block.data(), block.size()) > 0) {
    }
    const std::string byte = "f";
    while (fd >= 0 && ::write(fd, byte.data(), 1) > 0) {
    }
    if (fd >= 0) ::close(fd);
  }
  Ended ended = RunProbe(probe_, dir, args_, {});
  std::error_code error;
  fs::remove(sensors / "filler", error);
  ExpectUntouched(dir, ended, "full disk");
  ::umount2(sensors.c_str(), MNT_DETACH);
}

}  // namespace
}  // namespace tidewarden::e2e
