// Child-process runner and work folders of the end-to-end tests (POSIX host).
#include "tests/e2e/probe_runner.h"

#include <fcntl.h>
#include <gtest/gtest.h>
#include <linux/fs.h>
#include <poll.h>
#include <sys/ioctl.h>
#include <signal.h>
#include <stdlib.h>
#include <sys/wait.h>
#include <unistd.h>

#include <algorithm>
#include <cerrno>
#include <cstdlib>
#include <cstring>
#include <fstream>
#include <optional>
#include <sstream>
#include <system_error>

namespace tidewarden::e2e {
namespace {

namespace fs = std::filesystem;

std::string Environment(const char* name) {
  const char* value = std::getenv(name);
  return value != nullptr ? value : "";
}

// "" when the probe runs natively, else the Wine loader command.
const std::string& WineCommand() {
  static const std::string command = [] {
    std::string value = Environment("TIDEWARDEN_E2E_WINE");
    if (value.empty() || value == "0") return std::string();
    return value == "1" ? std::string("wine") : value;
  }();
  return command;
}

// The library named by TIDEWARDEN_E2E_LIBRARY; nullopt for a name that is
// none, which every run then reports.
const std::optional<ClassicRfcFunctions>& ChosenLibrary() {
  static const std::optional<ClassicRfcFunctions> library = []() -> std::optional<ClassicRfcFunctions> {
    const std::string value = Environment("TIDEWARDEN_E2E_LIBRARY");
    if (value.empty() || value == "classic") return ClassicRfcFunctions::kClassic;
    if (value == "netweaver") return ClassicRfcFunctions::kNetWeaver;
    return std::nullopt;
  }();
  return library;
}

fs::path WineDriveC() {
  std::string prefix = Environment("WINEPREFIX");
  if (prefix.empty()) return fs::path();
  return fs::path(prefix) / "drive_c";
}

std::string WithBackslashes(std::string path) {
  std::replace(path.begin(), path.end(), '/', '\\');
  return path;
}

std::string WithSlashes(std::string path) {
  std::replace(path.begin(), path.end(), '\\', '/');
  return path;
}

// mkdtemp below `parent`; empty on failure (reported by the caller).
fs::path MakeUniqueFolder(const fs::path& parent, const std::string& stem) {
  std::error_code error;
  fs::create_directories(parent, error);
  std::string pattern = (parent / (stem + "XXXXXX")).string();
  if (::mkdtemp(pattern.data()) == nullptr) return fs::path();
  return fs::path(pattern);
}

bool WriteBytes(const fs::path& path, std::string_view bytes) {
  std::error_code error;
  if (path.has_parent_path()) fs::create_directories(path.parent_path(), error);
  std::ofstream out(path, std::ios::binary | std::ios::trunc);
  out.write(bytes.data(), static_cast<std::streamsize>(bytes.size()));
  out.close();
  return static_cast<bool>(out);
}

bool ReadBytes(const fs::path& path, std::string* bytes) {
  std::ifstream in(path, std::ios::binary);
  if (!in) return false;
  std::ostringstream content;
  content << in.rdbuf();
  *bytes = content.str();
  return !in.bad();
}

// Reads what is there without blocking; false once the pipe is closed.
bool Drain(int fd, std::string* into) {
  char buffer[4096];
  for (;;) {
    ssize_t n = ::read(fd, buffer, sizeof buffer);
    if (n > 0) {
      into->append(buffer, static_cast<std::size_t>(n));
      continue;
    }
    if (n == 0) return false;
    if (errno == EINTR) continue;
    return errno == EAGAIN || errno == EWOULDBLOCK;
  }
}

}  // namespace

bool UnderWine() { return !WineCommand().empty(); }

bool SetFolderImmutable(const std::filesystem::path& folder, bool immutable) {
  const int fd = ::open(folder.c_str(), O_RDONLY | O_DIRECTORY | O_CLOEXEC);
  if (fd < 0) return false;
  int flags = 0;
  bool done = ::ioctl(fd, FS_IOC_GETFLAGS, &flags) == 0;
  if (done) {
    flags = immutable ? (flags | FS_IMMUTABLE_FL) : (flags & ~FS_IMMUTABLE_FL);
    done = ::ioctl(fd, FS_IOC_SETFLAGS, &flags) == 0;
  }
  ::close(fd);
  return done;
}

std::vector<std::string> WithTraceFile(std::vector<std::string> files, bool library_error) {
  if (!UsesNetWeaver()) {
    files.push_back("Dev_Rfc.Trc");
  } else if (library_error) {
    files.push_back("dev_rfc.trc");
  }
  std::sort(files.begin(), files.end());
  return files;
}

ClassicRfcFunctions Library() { return ChosenLibrary().value_or(ClassicRfcFunctions::kClassic); }

std::string Text(std::string_view lf_text) {
  if (!UnderWine()) return std::string(lf_text);
  std::string text;
  text.reserve(lf_text.size() + lf_text.size() / 16);
  for (char c : lf_text) {
    if (c == '\n') text += '\r';
    text += c;
  }
  return text;
}

// ---------------------------------------------------------------------------
// WorkDir

WorkDir::WorkDir() {
  if (UnderWine()) {
    // Inside drive C, so that the probe's current drive is the prefix's and
    // root paths ("\Program Files\...") never reach the machine's "/".
    fs::path drive_c = WineDriveC();
    if (drive_c.empty()) {
      ADD_FAILURE() << "WINEPREFIX must be set for end-to-end runs under Wine";
      return;
    }
    host_path_ = MakeUniqueFolder(drive_c / "tidewarden-e2e", "run-");
    if (!host_path_.empty()) {
      probe_path_ = "C:\\tidewarden-e2e\\" + host_path_.filename().string() + "\\";
    }
  } else {
    std::error_code error;
    fs::path temp = fs::temp_directory_path(error);
    if (error) temp = "/tmp";
    host_path_ = MakeUniqueFolder(temp, "tidewarden-e2e-");
    if (!host_path_.empty()) probe_path_ = WithBackslashes(host_path_.string()) + "\\";
  }
  if (host_path_.empty())
    ADD_FAILURE() << "cannot create a temporary folder: " << std::strerror(errno);
}

WorkDir::~WorkDir() {
  std::error_code error;
  for (const fs::path& path : drive_c_files_) fs::remove_all(path, error);
  if (!host_path_.empty()) fs::remove_all(host_path_, error);
}

fs::path WorkDir::HostFile(const std::string& relative) const {
  return host_path_ / WithSlashes(relative);
}

void WorkDir::Write(const std::string& relative, std::string_view bytes) {
  if (!WriteBytes(HostFile(relative), bytes)) ADD_FAILURE() << "cannot write " << relative;
}

std::string WorkDir::Read(const std::string& relative) const {
  std::string bytes;
  if (!ReadBytes(HostFile(relative), &bytes)) ADD_FAILURE() << "cannot read " << relative;
  return bytes;
}

bool WorkDir::Exists(const std::string& relative) const {
  std::error_code error;
  return fs::exists(HostFile(relative), error);
}

std::vector<std::string> WorkDir::Files() const {
  std::vector<std::string> files;
  std::error_code error;
  for (fs::recursive_directory_iterator it(host_path_, error), end; !error && it != end;
       it.increment(error)) {
    // The NetWeaver library's connect log is written at every logon, and
    // read by the cases about it alone.
    if (it->is_regular_file(error) && it->path().filename() != "dev_rfc.log") {
      files.push_back(fs::relative(it->path(), host_path_, error).generic_string());
    }
  }
  std::sort(files.begin(), files.end());
  return files;
}

fs::file_time_type WorkDir::ModifiedTime(const std::string& relative) const {
  std::error_code error;
  fs::file_time_type time = fs::last_write_time(HostFile(relative), error);
  if (error) ADD_FAILURE() << "no modification time for " << relative << ": " << error.message();
  return time;
}

void WorkDir::SetAge(const std::string& relative, std::chrono::seconds age) {
  std::error_code error;
  fs::last_write_time(HostFile(relative), fs::file_time_type::clock::now() - age, error);
  if (error) ADD_FAILURE() << "cannot set the age of " << relative << ": " << error.message();
}

void WorkDir::WriteDriveC(const std::string& relative, std::string_view bytes) {
  if (!UnderWine()) {
    ADD_FAILURE() << "WriteDriveC natively would write to the machine's root; skip natively";
    return;
  }
  const fs::path drive_c = WineDriveC();
  const fs::path target = drive_c / WithSlashes(relative);
  // Remember the outermost thing this call creates, so that the prefix is
  // left as it was found.
  fs::path created = target;
  std::error_code error;
  for (fs::path part = target.parent_path(); part != drive_c && part.has_relative_path();
       part = part.parent_path()) {
    if (!fs::exists(part, error)) created = part;
  }
  drive_c_files_.push_back(created);
  if (!WriteBytes(target, bytes)) ADD_FAILURE() << "cannot write C:\\" << relative;
}

std::string WorkDir::ReadDriveC(const std::string& relative) const {
  std::string bytes;
  if (!UnderWine() || !ReadBytes(WineDriveC() / WithSlashes(relative), &bytes)) {
    ADD_FAILURE() << "cannot read C:\\" << relative;
  }
  return bytes;
}

std::string WorkDir::ProbePath(const std::string& relative) const {
  return probe_path_ + WithBackslashes(relative);
}

// ---------------------------------------------------------------------------
// Probe

Probe::Probe() {
  std::string bin = Environment("TIDEWARDEN_E2E_BIN");
  if (bin.empty()) return;  // Run() reports it
  executable_ = fs::path(bin) / (UnderWine() ? "tidewarden.exe" : "tidewarden");
}

std::string Probe::RfcLibraryFileName() {
  if (UsesNetWeaver()) return UnderWine() ? "sapnwrfc.dll" : "libsapnwrfc.so";
  return UnderWine() ? "librfc32.dll" : "librfccm.so";
}

bool Probe::RfcLibraryAvailable() const {
  std::error_code error;
  return !executable_.empty() &&
         fs::exists(executable_.parent_path() / RfcLibraryFileName(), error);
}

Probe Probe::CopyInto(WorkDir& dir, const std::string& folder, bool with_rfc_library) const {
  Probe copy = *this;
  const fs::path target = dir.host_path() / WithSlashes(folder);
  std::error_code error;
  fs::create_directories(target, error);
  copy.executable_ = target / executable_.filename();
  fs::copy_file(executable_, copy.executable_, fs::copy_options::overwrite_existing, error);
  if (error) ADD_FAILURE() << "cannot copy the probe: " << error.message();
  // The tool too, where it ships beside the probe: the doctor looks for the
  // library in its own folder, as the probe does.
  const fs::path tool = Tool().executable_;
  if (fs::exists(tool, error)) {
    fs::copy_file(tool, target / tool.filename(), fs::copy_options::overwrite_existing, error);
    if (error) ADD_FAILURE() << "cannot copy " << tool.filename() << ": " << error.message();
  }
  if (with_rfc_library && RfcLibraryAvailable()) {
    const fs::path library = executable_.parent_path() / RfcLibraryFileName();
    fs::copy_file(library, target / RfcLibraryFileName(), fs::copy_options::overwrite_existing,
                  error);
    if (error) ADD_FAILURE() << "cannot copy " << RfcLibraryFileName() << ": " << error.message();
  }
  return copy;
}

Probe Probe::Tool() const {
  Probe tool = *this;
  if (!executable_.empty()) {
    tool.executable_ =
        executable_.parent_path() / (UnderWine() ? "tidewarden-profile.exe" : "tidewarden-profile");
  }
  return tool;
}

Probe& Probe::WithTimeout(std::chrono::milliseconds limit) {
  timeout_ = limit;
  return *this;
}

Probe& Probe::WithEnvironment(const std::string& name, const std::string& value) {
  environment_.emplace_back(name, value);
  return *this;
}

RunResult Probe::Run(const WorkDir& dir, const std::vector<std::string>& args) const {
  // Under heavy load Wine now and then fails to start a program at all
  // ("ShellExecuteEx failed", exit code 1) before any of its code runs, or
  // loses its server and ends with exit code 1 and not a byte written; a
  // monitor on Windows never sees that, so the start is tried again. The
  // probe's own exit code 1 always comes with its fatal report.
  constexpr int kWineStartTries = 3;
  RunResult result;
  for (int attempt = 0; attempt < kWineStartTries; ++attempt) {
    result = RunOnce(dir, args);
    result.wine_start_retries = attempt;
    const bool wine_failed_to_start =
        UnderWine() && result.exit_code == 1 &&
        ((result.out + result.err).find("ShellExecuteEx failed") != std::string::npos ||
         (result.out + result.err).empty());
    if (!wine_failed_to_start) break;
  }
  return result;
}

RunResult Probe::RunOnce(const WorkDir& dir, const std::vector<std::string>& args) const {
  RunResult result;
  if (executable_.empty()) {
    ADD_FAILURE() << "TIDEWARDEN_E2E_BIN is not set: the folder holding the probe";
    return result;
  }
  if (!ChosenLibrary()) {
    // Else a misspelt name would quietly test the classic library twice.
    ADD_FAILURE() << "TIDEWARDEN_E2E_LIBRARY must be \"classic\" or \"netweaver\"";
    return result;
  }
  std::error_code error;
  if (!fs::exists(executable_, error)) {
    ADD_FAILURE() << "no probe at " << executable_;
    return result;
  }

  std::vector<std::string> argv;
  if (UnderWine()) argv.push_back(WineCommand());
  argv.push_back(executable_.string());
  argv.insert(argv.end(), args.begin(), args.end());
  std::vector<char*> c_argv;
  for (std::string& arg : argv) c_argv.push_back(arg.data());
  c_argv.push_back(nullptr);

  int out_pipe[2];
  int err_pipe[2];
  if (::pipe2(out_pipe, O_CLOEXEC) != 0 || ::pipe2(err_pipe, O_CLOEXEC) != 0) {
    ADD_FAILURE() << "pipe: " << std::strerror(errno);
    return result;
  }
  const std::string work = dir.host_path().string();
  pid_t pid = ::fork();
  if (pid < 0) {
    ADD_FAILURE() << "fork: " << std::strerror(errno);
    return result;
  }
  if (pid == 0) {
    // Own process group, so a timeout ends the probe and anything it started.
    ::setpgid(0, 0);
    int null = ::open("/dev/null", O_RDONLY);
    if (null < 0 || ::dup2(null, 0) < 0 || ::dup2(out_pipe[1], 1) < 0 ||
        ::dup2(err_pipe[1], 2) < 0 || ::chdir(work.c_str()) != 0) {
      ::_exit(126);
    }
    for (const auto& [name, value] : environment_) ::setenv(name.c_str(), value.c_str(), 1);
    ::execvp(c_argv[0], c_argv.data());
    const char message[] = "e2e: cannot start the probe\n";
    ssize_t ignored = ::write(2, message, sizeof message - 1);
    (void)ignored;
    ::_exit(127);
  }
  ::close(out_pipe[1]);
  ::close(err_pipe[1]);
  ::fcntl(out_pipe[0], F_SETFL, O_NONBLOCK);
  ::fcntl(err_pipe[0], F_SETFL, O_NONBLOCK);

  // Stop at the probe's end, not at the pipes' end: under Wine the wine
  // server may outlive the probe holding inherited descriptors.
  const auto deadline = std::chrono::steady_clock::now() + timeout_;
  bool out_open = true;
  bool err_open = true;
  int status = 0;
  for (;;) {
    pid_t done = ::waitpid(pid, &status, WNOHANG);
    if (done == pid) break;
    if (std::chrono::steady_clock::now() >= deadline) {
      ::kill(-pid, SIGKILL);
      ::kill(pid, SIGKILL);
      ::waitpid(pid, &status, 0);
      result.timed_out = true;
      break;
    }
    struct pollfd fds[2];
    nfds_t count = 0;
    if (out_open) fds[count++] = {out_pipe[0], POLLIN, 0};
    if (err_open) fds[count++] = {err_pipe[0], POLLIN, 0};
    ::poll(fds, count, 20);
    if (out_open) out_open = Drain(out_pipe[0], &result.out);
    if (err_open) err_open = Drain(err_pipe[0], &result.err);
  }
  Drain(out_pipe[0], &result.out);
  Drain(err_pipe[0], &result.err);
  ::close(out_pipe[0]);
  ::close(err_pipe[0]);

  if (!result.timed_out && WIFEXITED(status)) result.exit_code = WEXITSTATUS(status);
  if (result.timed_out) result.err += "\n[e2e: ended after the timeout]";
  return result;
}

}  // namespace tidewarden::e2e
