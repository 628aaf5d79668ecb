// POSIX file system. The probe's paths are Windows paths; this file is the
// one place that maps them (see docs/platform.md):
//   - "\" is a separator like "/";
//   - a drive letter "X:" is dropped, so every drive is the root "/";
//   - a path beginning with a separator starts at the root (the "current
//     drive's root" of Windows).
#include <dirent.h>
#include <fcntl.h>
#include <sys/file.h>
#include <sys/stat.h>
#include <unistd.h>

#include <atomic>
#include <cerrno>
#include <chrono>
#include <cstring>
#include <ctime>
#include <memory>
#include <thread>

#include "platform/file_system.h"
#include "platform/posix_path.h"
#include "platform/system.h"

namespace tidewarden {

const char kNativeLineEnd[] = "\n";

std::string ToPosixPath(std::string_view probe_path) {
  std::string path(probe_path);
  for (char& c : path) {
    if (c == '\\') c = '/';
  }
  if (path.size() >= 2 && path[1] == ':' &&
      ((path[0] >= 'A' && path[0] <= 'Z') || (path[0] >= 'a' && path[0] <= 'z'))) {
    path.erase(0, 2);
  }
  return path;
}

namespace {

Status PosixError(const std::string& context, int error_number) {
  return Status::Error(context + ": " + std::strerror(error_number));
}

class PosixWritableFile : public WritableFile {
 public:
  PosixWritableFile(int fd, std::string path) : fd_(fd), path_(std::move(path)) {}
  ~PosixWritableFile() override {
    if (fd_ >= 0) ::close(fd_);
  }
  Status Append(std::string_view data) override {
    while (!data.empty()) {
      ssize_t n = ::write(fd_, data.data(), data.size());
      if (n < 0) {
        if (errno == EINTR) continue;
        return PosixError(path_, errno);
      }
      data.remove_prefix(static_cast<std::size_t>(n));
    }
    return Status::Ok();
  }
  Status Sync() override {
    if (::fsync(fd_) != 0) return PosixError(path_, errno);
    return Status::Ok();
  }
  Status Close() override {
    int fd = fd_;
    fd_ = -1;
    if (fd >= 0 && ::close(fd) != 0) return PosixError(path_, errno);
    return Status::Ok();
  }

 private:
  int fd_;
  std::string path_;
};

std::string DirectoryOf(const std::string& posix_path) {
  std::size_t slash = posix_path.rfind('/');
  if (slash == std::string::npos) return ".";
  if (slash == 0) return "/";
  return posix_path.substr(0, slash);
}

class PosixFileLock : public FileLock {
 public:
  explicit PosixFileLock(int fd) : fd_(fd) {}
  ~PosixFileLock() override { ::close(fd_); }  // closing releases the lock
  PosixFileLock(const PosixFileLock&) = delete;
  PosixFileLock& operator=(const PosixFileLock&) = delete;

 private:
  int fd_;
};

class PosixFileSystem : public FileSystem {
 public:
  Status LockFile(const std::string& path, int wait_ms, std::unique_ptr<FileLock>* lock) override {
    lock->reset();
    const std::string native = ToPosixPath(path);
    int fd = ::open(native.c_str(), O_RDWR | O_CREAT | O_CLOEXEC, 0600);
    if (fd < 0) return PosixError(path, errno);
    // flock has no timeout of its own: poll, in steps short against a logon.
    constexpr int kStepMs = 5;
    for (int waited = 0;; waited += kStepMs) {
      if (::flock(fd, LOCK_EX | LOCK_NB) == 0) {
        *lock = std::make_unique<PosixFileLock>(fd);
        return Status::Ok();
      }
      if ((errno != EWOULDBLOCK && errno != EINTR) || waited >= wait_ms) {
        const int saved = errno;
        ::close(fd);
        return PosixError(path, saved);
      }
      std::this_thread::sleep_for(std::chrono::milliseconds(kStepMs));
    }
  }

  Status ReadFile(const std::string& path, std::string* content, std::size_t max_bytes) override {
    content->clear();
    const std::string native = ToPosixPath(path);
    if (native.empty()) return Status::Error(path + ": empty path");
    int fd = ::open(native.c_str(), O_RDONLY | O_CLOEXEC);
    if (fd < 0) return PosixError(path, errno);
    struct stat st;
    if (::fstat(fd, &st) != 0 || !S_ISREG(st.st_mode)) {
      ::close(fd);
      return Status::Error(path + ": not a regular file");
    }
    char buffer[8192];
    for (;;) {
      ssize_t n = ::read(fd, buffer, sizeof buffer);
      if (n < 0) {
        if (errno == EINTR) continue;
        int saved = errno;
        ::close(fd);
        return PosixError(path, saved);
      }
      if (n == 0) break;
      if (content->size() + static_cast<std::size_t>(n) > max_bytes) {
        ::close(fd);
        content->clear();
        return Status::Error(path + ": file too large");
      }
      content->append(buffer, static_cast<std::size_t>(n));
    }
    ::close(fd);
    return Status::Ok();
  }

  bool CanOpenForReading(const std::string& path) override {
    const std::string native = ToPosixPath(path);
    if (native.empty()) return false;
    int fd = ::open(native.c_str(), O_RDONLY | O_CLOEXEC);
    if (fd < 0) return false;
    struct stat st;
    bool regular = ::fstat(fd, &st) == 0 && S_ISREG(st.st_mode);
    ::close(fd);
    return regular;
  }

  Status WriteFile(const std::string& path, std::string_view content) override {
    return WriteWithFlags(path, content, O_WRONLY | O_CREAT | O_TRUNC);
  }

  Status AppendToFile(const std::string& path, std::string_view content) override {
    return WriteWithFlags(path, content, O_WRONLY | O_CREAT | O_APPEND);
  }

  std::int64_t FileSize(const std::string& path) override {
    struct stat st;
    // A folder is not a file: its size would let a log "folder" pass for a
    // small log that can be appended to.
    if (::stat(ToPosixPath(path).c_str(), &st) != 0 || !S_ISREG(st.st_mode)) return -1;
    return static_cast<std::int64_t>(st.st_size);
  }

  Status RemoveFile(const std::string& path) override {
    if (::unlink(ToPosixPath(path).c_str()) != 0 && errno != ENOENT) {
      return PosixError(path, errno);
    }
    return Status::Ok();
  }

  Status CreateTempFileBeside(const std::string& target, std::string* temp_path,
                              std::unique_ptr<WritableFile>* file) override {
    static std::atomic<unsigned> counter{0};
    const std::string native_target = ToPosixPath(target);
    mode_t mode = 0600;
    struct stat st;
    if (::stat(native_target.c_str(), &st) == 0) mode = st.st_mode & 07777;
    for (int attempt = 0; attempt < 100; ++attempt) {
      std::string suffix =
          "." + std::to_string(::getpid()) + "-" + std::to_string(counter.fetch_add(1)) + ".tmp";
      std::string candidate = native_target + suffix;
      int fd = ::open(candidate.c_str(), O_WRONLY | O_CREAT | O_EXCL | O_CLOEXEC, 0600);
      if (fd < 0) {
        if (errno == EEXIST) continue;
        return PosixError(target + suffix, errno);
      }
      // Created 0600 so no one reads the logon data meanwhile; then the
      // original's bits, whatever the umask says.
      if (::fchmod(fd, mode) != 0) {
        int saved = errno;
        ::close(fd);
        ::unlink(candidate.c_str());
        return PosixError(target + suffix, saved);
      }
      *temp_path = target + suffix;
      *file = std::make_unique<PosixWritableFile>(fd, *temp_path);
      return Status::Ok();
    }
    return Status::Error(target + ": no free temporary file name");
  }

  Status ReplaceFile(const std::string& from, const std::string& to) override {
    const std::string native_to = ToPosixPath(to);
    if (::rename(ToPosixPath(from).c_str(), native_to.c_str()) != 0) {
      return PosixError(to, errno);
    }
    // The rename is durable only once the folder is on disk.
    int dir = ::open(DirectoryOf(native_to).c_str(), O_RDONLY | O_DIRECTORY | O_CLOEXEC);
    if (dir >= 0) {
      ::fsync(dir);
      ::close(dir);
    }
    return Status::Ok();
  }

  Status ListDirectory(const std::string& directory,
                       std::vector<DirectoryEntry>* entries) override {
    entries->clear();
    std::string native = directory.empty() ? "." : ToPosixPath(directory);
    DIR* dir = ::opendir(native.c_str());
    if (dir == nullptr) return PosixError(directory, errno);
    const std::time_t now = std::time(nullptr);
    while (struct dirent* entry = ::readdir(dir)) {
      std::string name = entry->d_name;
      std::string full = native + (native.back() == '/' ? "" : "/") + name;
      struct stat st;
      if (::lstat(full.c_str(), &st) != 0 || !S_ISREG(st.st_mode)) continue;
      entries->push_back({name, static_cast<std::int64_t>(now - st.st_mtime)});
    }
    ::closedir(dir);
    return Status::Ok();
  }

 private:
  Status WriteWithFlags(const std::string& path, std::string_view content, int flags) {
    int fd = ::open(ToPosixPath(path).c_str(), flags | O_CLOEXEC, 0644);
    if (fd < 0) return PosixError(path, errno);
    PosixWritableFile file(fd, path);
    Status status = file.Append(content);
    Status closed = file.Close();
    return status.ok() ? closed : status;
  }
};

}  // namespace

FileSystem& RealFileSystem() { return NeverDestroyed<PosixFileSystem>(); }

}  // namespace tidewarden
