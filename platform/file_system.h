// File access by path: the only door from the probe to the disk.
//
// Paths are the probe's own texts (backslash separators, drive letters as the
// monitor writes them). Each implementation maps them to the operating
// system's form; callers never hold an #ifdef.
#ifndef TIDEWARDEN_PLATFORM_FILE_SYSTEM_H_
#define TIDEWARDEN_PLATFORM_FILE_SYSTEM_H_

#include <cstdint>
#include <memory>
#include <string>
#include <string_view>
#include <vector>

#include "platform/status.h"

namespace tidewarden {

// A file being written. Closing without Sync() gives no durability promise.
class WritableFile {
 public:
  virtual ~WritableFile() = default;
  virtual Status Append(std::string_view data) = 0;
  // Flushes the data to the disk (fsync, FlushFileBuffers).
  virtual Status Sync() = 0;
  virtual Status Close() = 0;
};

struct DirectoryEntry {
  std::string name;          // file name alone
  std::int64_t age_seconds;  // now minus last modification
};

// An advisory lock between processes, held until destroyed.
class FileLock {
 public:
  virtual ~FileLock() = default;
};

class FileSystem {
 public:
  virtual ~FileSystem() = default;

  // Reads the whole file in binary: no byte (CR, Ctrl-Z) has a meaning here.
  // Fails when the path cannot be opened for reading, is a folder, or holds
  // more than max_bytes.
  virtual Status ReadFile(const std::string& path, std::string* content,
                          std::size_t max_bytes = kDefaultMaxRead) = 0;

  // True when the file can be opened for reading (opened and closed again).
  virtual bool CanOpenForReading(const std::string& path) = 0;

  // Creates or truncates the file and writes it in binary.
  virtual Status WriteFile(const std::string& path, std::string_view content) = 0;

  // Appends to the file, creating it when missing (log files).
  virtual Status AppendToFile(const std::string& path, std::string_view content) = 0;

  // Size in bytes, or -1 when the file does not exist.
  virtual std::int64_t FileSize(const std::string& path) = 0;

  // Removes a file. A missing file is no error.
  virtual Status RemoveFile(const std::string& path) = 0;

  // Creates a new file exclusively in the folder of `target`, named
  // target + "." + unique suffix + ".tmp", with the access rights of
  // `target` where it exists. Sets *temp_path.
  virtual Status CreateTempFileBeside(const std::string& target, std::string* temp_path,
                                      std::unique_ptr<WritableFile>* file) = 0;

  // Puts `from` in the place of `to` in one step: a reader sees either the
  // old or the new file, never a missing or partial one. Durable on return.
  virtual Status ReplaceFile(const std::string& from, const std::string& to) = 0;

  // Files (not folders) in `directory` ("" for the working directory).
  virtual Status ListDirectory(const std::string& directory,
                               std::vector<DirectoryEntry>* entries) = 0;

  // Takes an exclusive lock on `path` (created when missing, never removed),
  // waiting up to `wait_ms` while another process holds it. Only processes
  // that ask for the same lock are held back; the file itself stays readable.
  virtual Status LockFile(const std::string& path, int wait_ms,
                          std::unique_ptr<FileLock>* lock) = 0;

  static constexpr std::size_t kDefaultMaxRead = 16 * 1024 * 1024;
};

// The line end of text files this platform writes: CR LF on Windows, LF
// elsewhere. Written deliberately; files are never opened as text streams.
extern const char kNativeLineEnd[];

// The operating system's file system.
FileSystem& RealFileSystem();

}  // namespace tidewarden

#endif  // TIDEWARDEN_PLATFORM_FILE_SYSTEM_H_
