// A recording in-memory file system with injectable failures, for tests that
// must never touch the real disk. Paths are kept as the probe writes them
// ("C:\PRTG_Path.Txt", "PRD.P00"); no mapping, no case folding.
#ifndef TIDEWARDEN_TESTS_FAKE_FILE_SYSTEM_H_
#define TIDEWARDEN_TESTS_FAKE_FILE_SYSTEM_H_

#include <cstdint>
#include <map>
#include <set>
#include <string>
#include <vector>

#include "platform/file_system.h"

namespace tidewarden {

class FakeFileSystem : public FileSystem {
 public:
  // Operations that can be made to fail, by path (or any path with "*").
  enum class Op { kRead, kWrite, kAppend, kCreateTemp, kTempAppend, kTempSync, kTempClose,
                  kReplace, kRemove, kList, kLock };

  void Add(const std::string& path, std::string content, std::int64_t age_seconds = 0) {
    files_[path] = {std::move(content), age_seconds};
  }
  // Folders exist when added, or when a file or folder below them was.
  // Drive roots and the current folder ("") always exist.
  void AddDirectory(const std::string& path);
  bool Exists(const std::string& path) const { return files_.count(path) != 0; }
  const std::string& Content(const std::string& path) const { return files_.at(path).content; }
  std::vector<std::string> Paths() const;
  void Fail(Op op, const std::string& path = "*") { failures_.insert({op, path}); }
  void ClearFailures() { failures_.clear(); }

  // What happened, for assertions.
  std::vector<std::string> reads;     // every ReadFile and CanOpenForReading
  std::vector<std::string> writes;    // WriteFile, AppendToFile and replaced targets
  std::vector<std::string> removed;
  std::vector<std::string> locks;     // every LockFile taken

  // Whether a lock on `path` is held at the moment.
  bool IsLocked(const std::string& path) const { return locked_.count(path) != 0; }

  Status ReadFile(const std::string& path, std::string* content, std::size_t max_bytes) override;
  bool CanOpenForReading(const std::string& path) override;
  Status WriteFile(const std::string& path, std::string_view content) override;
  Status AppendToFile(const std::string& path, std::string_view content) override;
  std::int64_t FileSize(const std::string& path) override;
  Status RemoveFile(const std::string& path) override;
  Status CreateTempFileBeside(const std::string& target, std::string* temp_path,
                              std::unique_ptr<WritableFile>* file) override;
  Status ReplaceFile(const std::string& from, const std::string& to) override;
  Status ListDirectory(const std::string& directory,
                       std::vector<DirectoryEntry>* entries) override;
  // Never waits: a lock already held fails at once, as after any wait.
  Status LockFile(const std::string& path, int wait_ms, std::unique_ptr<FileLock>* lock) override;

  bool IsDirectory(const std::string& path) const;
  bool FolderExists(const std::string& folder) const;

  bool ShouldFail(Op op, const std::string& path) const {
    return failures_.count({op, path}) != 0 || failures_.count({op, "*"}) != 0;
  }

 private:
  friend class FakeWritableFile;
  struct File {
    std::string content;
    std::int64_t age_seconds = 0;
  };
  std::map<std::string, File> files_;
  std::set<std::string> directories_;
  std::set<std::string> locked_;
  std::set<std::pair<Op, std::string>> failures_;
  unsigned temp_counter_ = 0;
};

}  // namespace tidewarden

#endif  // TIDEWARDEN_TESTS_FAKE_FILE_SYSTEM_H_
