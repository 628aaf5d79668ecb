// Runs the real probe as a child process, natively or under Wine, in a fresh
// temporary folder, for end-to-end tests that compare its standard output
// byte for byte and its exit code.
//
// The harness is set up by its environment (the probe reads only the
// variables a profile names, which a case sets with WithEnvironment):
//   TIDEWARDEN_E2E_BIN   folder holding tidewarden (or tidewarden.exe) and,
//                        when built, the RFC drop-in library. Required.
//   TIDEWARDEN_E2E_LIBRARY
//                        which simulator drop-in lies in that folder: unset,
//                        "" or "classic" the classic library's, "netweaver"
//                        the NetWeaver library's. The same cases run through
//                        either; a case for a declared difference between
//                        the two asks UsesNetWeaver().
//   TIDEWARDEN_E2E_WINE  unset, "" or "0": run natively. "1": run the .exe
//                        through "wine" from PATH; any other text: that
//                        command is the Wine loader.
//   WINEPREFIX           required under Wine: the prefix whose drive_c the
//                        tests may write to (never the user's ~/.wine).
//
// A case reads the same natively and under Wine:
//
//   TEST(StartUpE2eTest, NoArgument) {
//     WorkDir dir;
//     RunResult r = Probe().Run(dir, {});
//     EXPECT_EQ(r.out, Text("<Prtg>\n...</Prtg>\n")) << r.err;
//     EXPECT_EQ(r.exit_code, 2);
//   }
//
// Under Wine the work folder lies inside the prefix's drive C, so the probe's
// current drive is C: and a path such as "\Program Files\..." stays inside
// the prefix. Natively such root paths would reach the machine's own "/";
// tests that need them (or C:\PRTG_Path.Txt) skip natively:
//
//   if (!UnderWine()) GTEST_SKIP() << "needs the Windows drive layout";
#ifndef TIDEWARDEN_TESTS_E2E_PROBE_RUNNER_H_
#define TIDEWARDEN_TESTS_E2E_PROBE_RUNNER_H_

#include <chrono>
#include <cstdint>
#include <filesystem>
#include <string>
#include <string_view>
#include <utility>
#include <vector>

namespace tidewarden::e2e {

// True when the probe under test is a Windows build run through Wine.
bool UnderWine();

// The SAP library whose simulator drop-in lies beside the probe under test.
enum class ClassicRfcFunctions { kClassic, kNetWeaver };
ClassicRfcFunctions Library();
inline bool UsesNetWeaver() { return Library() == ClassicRfcFunctions::kNetWeaver; }

// `files` (sorted) with the trace file the simulated library leaves in the
// working directory: the classic one always writes "Dev_Rfc.Trc" (its
// simulated-library note at the first open); the NetWeaver one writes
// "dev_rfc.trc" only when the library itself reported an error, as SAP's
// writes only severe errors there.
std::vector<std::string> WithTraceFile(std::vector<std::string> files, bool library_error);

// Sets or clears the immutable flag of a folder (ext4 and others): then not
// even root can create a file in it. False where the file system or the
// account's rights do not allow it.
bool SetFolderImmutable(const std::filesystem::path& folder, bool immutable);

// The text as the probe's standard output carries it: unchanged natively,
// every "\n" as "\r\n" under Wine (standard output is a text stream there).
std::string Text(std::string_view lf_text);

// A fresh, empty temporary folder that is the probe's working directory, and
// everything a case needs to arrange and inspect files. Removed, with all
// files written through it (also those on drive C), when destroyed.
//
// `relative` paths may use "\" or "/"; missing parent folders are created.
// Failures to arrange files are test failures (ADD_FAILURE), not exceptions.
class WorkDir {
 public:
  WorkDir();
  ~WorkDir();
  WorkDir(const WorkDir&) = delete;
  WorkDir& operator=(const WorkDir&) = delete;

  // Writes `bytes` exactly (binary: "\n" stays "\n"; write "\r\n" yourself
  // for a file made on Windows).
  void Write(const std::string& relative, std::string_view bytes);

  // The raw bytes of a file; "" and a test failure when it cannot be read.
  std::string Read(const std::string& relative) const;
  bool Exists(const std::string& relative) const;

  // Every file below the folder, relative with "/" separators, sorted (to
  // assert that nothing else was left behind, e.g. no temporary file), but
  // the NetWeaver library's "dev_rfc.log".
  std::vector<std::string> Files() const;

  // Last modification time, and setting it `age` into the past.
  std::filesystem::file_time_type ModifiedTime(const std::string& relative) const;
  void SetAge(const std::string& relative, std::chrono::seconds age);

  // Files at the root of drive C, e.g. WriteDriveC("PRTG_Path.Txt", ...).
  // Only under Wine (the prefix's drive_c); natively a test failure, since
  // drive C maps onto the machine's "/": such tests GTEST_SKIP natively.
  // Removed again when this WorkDir is destroyed.
  void WriteDriveC(const std::string& relative, std::string_view bytes);
  std::string ReadDriveC(const std::string& relative) const;

  // The path as the probe names it, with "\" separators: natively the host
  // path ("\tmp\tidewarden-e2e-1234-0\sub\PRD.P00", which the POSIX build
  // maps back), under Wine "C:\tidewarden-e2e\1234-0\sub\PRD.P00". An empty
  // `relative` gives the folder itself with a trailing "\".
  std::string ProbePath(const std::string& relative = "") const;

  // The folder on this machine (for the harness's own use).
  const std::filesystem::path& host_path() const { return host_path_; }

 private:
  std::filesystem::path HostFile(const std::string& relative) const;

  std::filesystem::path host_path_;
  std::string probe_path_;  // with trailing "\"
  std::vector<std::filesystem::path> drive_c_files_;
};

struct RunResult {
  std::string out;     // standard output, raw bytes
  std::string err;     // standard error, for failure messages only
  int exit_code = -1;  // -1 when ended by a signal or the timeout
  bool timed_out = false;
  int wine_start_retries = 0;  // starts Wine itself failed, before this run
};

// The probe under test.
class Probe {
 public:
  // The probe in TIDEWARDEN_E2E_BIN, where the RFC drop-in library (when
  // built) lies beside it, so the probe loads it from its own folder.
  Probe();

  // A copy of this probe in `dir` (in its sub-folder `folder`), optionally
  // with the RFC drop-in library beside it; returns the copy. A case that
  // needs the library checks RfcLibraryAvailable() first and skips.
  Probe CopyInto(WorkDir& dir, const std::string& folder = "bin",
                 bool with_rfc_library = true) const;

  // The drop-in library's file name for this build and Library()
  // (librfccm.so, librfc32.dll; libsapnwrfc.so, sapnwrfc.dll) and whether
  // it was built next to the probe.
  static std::string RfcLibraryFileName();
  bool RfcLibraryAvailable() const;

  // tidewarden-profile beside this probe (its copy, after CopyInto), run
  // the same way: Tool().Run(dir, {"doctor", "PRD"}).
  Probe Tool() const;

  // The run is ended (and reported as timed_out) after `limit`. Default 60 s:
  // the first Wine start of a run may take a while.
  Probe& WithTimeout(std::chrono::milliseconds limit);

  // The runs get `name` set to `value` in their environment (under Wine too).
  Probe& WithEnvironment(const std::string& name, const std::string& value);
  // Runs the probe with `args` (passed as given, without the program name)
  // in `dir`, standard input empty. Waits for the probe to end.
  RunResult Run(const WorkDir& dir, const std::vector<std::string>& args) const;

  const std::filesystem::path& executable() const { return executable_; }

 private:
  explicit Probe(std::filesystem::path executable) : executable_(std::move(executable)) {}
  RunResult RunOnce(const WorkDir& dir, const std::vector<std::string>& args) const;

  std::filesystem::path executable_;
  std::chrono::milliseconds timeout_{60000};
  std::vector<std::pair<std::string, std::string>> environment_;
};

}  // namespace tidewarden::e2e

#endif  // TIDEWARDEN_TESTS_E2E_PROBE_RUNNER_H_
