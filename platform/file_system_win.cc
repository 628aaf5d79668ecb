// Windows file system.
//
// Profiles hold logon data, and several sensors (and virus scanners) may
// touch the same files at the same moment, so every open for reading shares
// read, write and delete access: a concurrent ReplaceFileW of another run
// must never fail because we are reading.

// First: windows.h macros rename some of the names below.
#include "platform/win32.h"

#include <atomic>
#include <memory>
#include <string>

#include "platform/file_system.h"
#include "platform/system.h"

namespace tidewarden {

const char kNativeLineEnd[] = "\r\n";
namespace {

// Wine's ReplaceFileW fails for a bare relative name, and a full path costs
// nothing, so replacement always works on absolute paths.
std::wstring AbsoluteWide(const std::string& path) {
  std::wstring relative = Wide(path);
  DWORD n = ::GetFullPathNameW(relative.c_str(), 0, nullptr, nullptr);
  if (n == 0) return relative;
  std::wstring full(n, L'\0');
  n = ::GetFullPathNameW(relative.c_str(), n, full.data(), nullptr);
  full.resize(n);
  return full;
}

Status WindowsError(const std::string& context, DWORD code) {
  char buffer[256] = {0};
  DWORD n = ::FormatMessageA(FORMAT_MESSAGE_FROM_SYSTEM | FORMAT_MESSAGE_IGNORE_INSERTS, nullptr,
                             code, 0, buffer, sizeof buffer, nullptr);
  std::string text(buffer, n);
  while (!text.empty() && (text.back() == '\n' || text.back() == '\r' || text.back() == ' ')) {
    text.pop_back();
  }
  if (text.empty()) text = "error " + std::to_string(code);
  return Status::Error(context + ": " + text);
}

constexpr DWORD kShareAll = FILE_SHARE_READ | FILE_SHARE_WRITE | FILE_SHARE_DELETE;

HANDLE OpenForReading(const std::string& path) {
  return ::CreateFileW(Wide(path).c_str(), GENERIC_READ, kShareAll, nullptr, OPEN_EXISTING,
                       FILE_ATTRIBUTE_NORMAL, nullptr);
}

class WindowsFileLock : public FileLock {
 public:
  explicit WindowsFileLock(HANDLE handle) : handle_(handle) {}
  ~WindowsFileLock() override {
    if (!locked) return;  // closing the handle is all there is to do
    OVERLAPPED whole{};
    ::UnlockFileEx(handle_.get(), 0, MAXDWORD, MAXDWORD, &whole);
  }
  HANDLE get() const { return handle_.get(); }
  bool locked = false;

 private:
  ScopedHandle handle_;
};

class WindowsWritableFile : public WritableFile {
 public:
  WindowsWritableFile(HANDLE handle, std::string path) : handle_(handle), path_(std::move(path)) {}
  Status Append(std::string_view data) override {
    while (!data.empty()) {
      DWORD chunk = data.size() > 1u << 30 ? 1u << 30 : static_cast<DWORD>(data.size());
      DWORD written = 0;
      if (!::WriteFile(handle_.get(), data.data(), chunk, &written, nullptr)) {
        return WindowsError(path_, ::GetLastError());
      }
      data.remove_prefix(written);
    }
    return Status::Ok();
  }
  Status Sync() override {
    if (!::FlushFileBuffers(handle_.get())) return WindowsError(path_, ::GetLastError());
    return Status::Ok();
  }
  Status Close() override {
    if (!handle_.Reset()) return WindowsError(path_, ::GetLastError());
    return Status::Ok();
  }

 private:
  ScopedHandle handle_;
  std::string path_;
};

bool IsSharingFailure(DWORD code) {
  return code == ERROR_SHARING_VIOLATION || code == ERROR_ACCESS_DENIED ||
         code == ERROR_LOCK_VIOLATION;
}

class WindowsFileSystem : public FileSystem {
 public:
  Status ReadFile(const std::string& path, std::string* content, std::size_t max_bytes) override {
    content->clear();
    ScopedHandle file(OpenForReading(path));
    if (!file.valid()) return WindowsError(path, ::GetLastError());
    char buffer[8192];
    for (;;) {
      DWORD n = 0;
      if (!::ReadFile(file.get(), buffer, sizeof buffer, &n, nullptr)) {
        return WindowsError(path, ::GetLastError());
      }
      if (n == 0) break;
      if (content->size() + n > max_bytes) {
        content->clear();
        return Status::Error(path + ": file too large");
      }
      content->append(buffer, n);
    }
    return Status::Ok();
  }

  bool CanOpenForReading(const std::string& path) override {
    if (path.empty()) return false;
    ScopedHandle file(OpenForReading(path));
    return file.valid();
  }

  Status WriteFile(const std::string& path, std::string_view content) override {
    return WriteWith(path, content, CREATE_ALWAYS, GENERIC_WRITE);
  }

  Status AppendToFile(const std::string& path, std::string_view content) override {
    return WriteWith(path, content, OPEN_ALWAYS, FILE_APPEND_DATA);
  }

  std::int64_t FileSize(const std::string& path) override {
    WIN32_FILE_ATTRIBUTE_DATA data;
    if (!::GetFileAttributesExW(Wide(path).c_str(), GetFileExInfoStandard, &data)) return -1;
    if (data.dwFileAttributes & FILE_ATTRIBUTE_DIRECTORY) return -1;
    return (static_cast<std::int64_t>(data.nFileSizeHigh) << 32) | data.nFileSizeLow;
  }

  Status RemoveFile(const std::string& path) override {
    if (!::DeleteFileW(Wide(path).c_str())) {
      DWORD code = ::GetLastError();
      if (code != ERROR_FILE_NOT_FOUND && code != ERROR_PATH_NOT_FOUND) {
        return WindowsError(path, code);
      }
    }
    return Status::Ok();
  }

  Status CreateTempFileBeside(const std::string& target, std::string* temp_path,
                              std::unique_ptr<WritableFile>* file) override {
    static std::atomic<unsigned> counter{0};
    for (int attempt = 0; attempt < 100; ++attempt) {
      std::string candidate = target + "." + std::to_string(::GetCurrentProcessId()) + "-" +
                              std::to_string(counter.fetch_add(1)) + ".tmp";
      // The new file takes the folder's inherited rights; ReplaceFileW then
      // gives the result the original's ACL.
      HANDLE handle = ::CreateFileW(Wide(candidate).c_str(), GENERIC_WRITE, 0, nullptr, CREATE_NEW,
                                    FILE_ATTRIBUTE_NORMAL, nullptr);
      if (handle == INVALID_HANDLE_VALUE) {
        DWORD code = ::GetLastError();
        if (code == ERROR_FILE_EXISTS || code == ERROR_ALREADY_EXISTS) continue;
        return WindowsError(candidate, code);
      }
      *temp_path = candidate;
      *file = std::make_unique<WindowsWritableFile>(handle, candidate);
      return Status::Ok();
    }
    return Status::Error(target + ": no free temporary file name");
  }

  // Why this is atomic, by the Windows documentation rather than by our
  // tests (Wine's ReplaceFileW is itself not atomic):
  //  - ReplaceFileW swaps the replacement into the place of the replaced
  //    file keeping the original's ACL, attributes and streams; a reader
  //    opens either file, never a gap. When it fails with
  //    ERROR_UNABLE_TO_REMOVE_REPLACED both files keep their names; with
  //    ERROR_UNABLE_TO_MOVE_REPLACEMENT (no backup name given) the replaced
  //    file is gone and the replacement keeps its name. Either way the new
  //    content still sits complete in the temporary file.
  //  - MoveFileExW(MOVEFILE_REPLACE_EXISTING | MOVEFILE_WRITE_THROUGH) is one
  //    rename within the folder (same volume), which NTFS performs atomically,
  //    and returns only once it is flushed. It serves when the target does
  //    not exist and after the failures above.
  //  - A sharing violation or access denial means another process holds the
  //    profile open without delete sharing (an editor, a virus scanner); that
  //    passes, so it is retried with a short bounded backoff.
  Status ReplaceFile(const std::string& from, const std::string& to) override {
    const std::wstring wide_from = AbsoluteWide(from);
    const std::wstring wide_to = AbsoluteWide(to);
    DWORD code = 0;
    DWORD delay_ms = 5;
    for (int attempt = 0; attempt < 8; ++attempt) {
      if (attempt > 0) {
        ::Sleep(delay_ms);
        delay_ms *= 2;  // 5 + 10 + ... + 640 ms: about 1.3 s in all
      }
      if (::ReplaceFileW(wide_to.c_str(), wide_from.c_str(), nullptr,
                         REPLACEFILE_IGNORE_MERGE_ERRORS, nullptr, nullptr)) {
        return Status::Ok();
      }
      code = ::GetLastError();
      if (IsSharingFailure(code)) continue;
      if (::MoveFileExW(wide_from.c_str(), wide_to.c_str(),
                        MOVEFILE_REPLACE_EXISTING | MOVEFILE_WRITE_THROUGH)) {
        return Status::Ok();
      }
      code = ::GetLastError();
      if (!IsSharingFailure(code)) break;
    }
    return WindowsError(to, code);
  }

  Status ListDirectory(const std::string& directory,
                       std::vector<DirectoryEntry>* entries) override {
    entries->clear();
    std::string pattern = directory.empty() ? std::string("*") : directory + "*";
    if (!directory.empty() && directory.back() != '\\' && directory.back() != '/') {
      pattern = directory + "\\*";
    }
    WIN32_FIND_DATAW data;
    HANDLE find = ::FindFirstFileW(Wide(pattern).c_str(), &data);
    if (find == INVALID_HANDLE_VALUE) return WindowsError(directory, ::GetLastError());
    FILETIME now_ft;
    ::GetSystemTimeAsFileTime(&now_ft);
    const ULONGLONG now =
        (static_cast<ULONGLONG>(now_ft.dwHighDateTime) << 32) | now_ft.dwLowDateTime;
    do {
      if (data.dwFileAttributes & FILE_ATTRIBUTE_DIRECTORY) continue;
      int n = ::WideCharToMultiByte(CP_ACP, 0, data.cFileName, -1, nullptr, 0, nullptr, nullptr);
      std::string name(static_cast<std::size_t>(n > 0 ? n - 1 : 0), '\0');
      if (n > 1) {
        ::WideCharToMultiByte(CP_ACP, 0, data.cFileName, -1, name.data(), n, nullptr, nullptr);
      }
      const ULONGLONG written =
          (static_cast<ULONGLONG>(data.ftLastWriteTime.dwHighDateTime) << 32) |
          data.ftLastWriteTime.dwLowDateTime;
      std::int64_t age =
          now > written ? static_cast<std::int64_t>((now - written) / 10000000ULL) : 0;
      entries->push_back({name, age});
    } while (::FindNextFileW(find, &data));
    ::FindClose(find);
    return Status::Ok();
  }

 private:
  Status LockFile(const std::string& path, int wait_ms, std::unique_ptr<FileLock>* lock) override {
    lock->reset();
    HANDLE handle = ::CreateFileW(Wide(path).c_str(), GENERIC_READ | GENERIC_WRITE, kShareAll,
                                  nullptr, OPEN_ALWAYS, FILE_ATTRIBUTE_NORMAL, nullptr);
    if (handle == INVALID_HANDLE_VALUE) return WindowsError(path, ::GetLastError());
    auto held = std::make_unique<WindowsFileLock>(handle);
    // LockFileEx waits without a timeout of its own: poll, in steps short
    // against a logon. The lock goes with the handle when the process ends.
    constexpr int kStepMs = 5;
    for (int waited = 0;; waited += kStepMs) {
      OVERLAPPED whole{};
      if (::LockFileEx(held->get(), LOCKFILE_EXCLUSIVE_LOCK | LOCKFILE_FAIL_IMMEDIATELY, 0,
                       MAXDWORD, MAXDWORD, &whole)) {
        held->locked = true;
        *lock = std::move(held);
        return Status::Ok();
      }
      const DWORD code = ::GetLastError();
      if (code != ERROR_LOCK_VIOLATION || waited >= wait_ms) return WindowsError(path, code);
      ::Sleep(kStepMs);
    }
  }

  Status WriteWith(const std::string& path, std::string_view content, DWORD disposition,
                   DWORD access) {
    HANDLE handle = ::CreateFileW(Wide(path).c_str(), access, FILE_SHARE_READ, nullptr, disposition,
                                  FILE_ATTRIBUTE_NORMAL, nullptr);
    if (handle == INVALID_HANDLE_VALUE) return WindowsError(path, ::GetLastError());
    WindowsWritableFile file(handle, path);
    Status status = file.Append(content);
    Status closed = file.Close();
    return status.ok() ? closed : status;
  }
};

}  // namespace

FileSystem& RealFileSystem() { return NeverDestroyed<WindowsFileSystem>(); }

}  // namespace tidewarden
