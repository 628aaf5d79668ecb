#include "tests/fake_file_system.h"

#include "platform/paths.h"

namespace tidewarden {

class FakeWritableFile : public WritableFile {
 public:
  FakeWritableFile(FakeFileSystem* fs, std::string path) : fs_(fs), path_(std::move(path)) {}
  Status Append(std::string_view data) override {
    if (fs_->ShouldFail(FakeFileSystem::Op::kTempAppend, path_)) {
      return Status::Error(path_ + ": injected write failure");
    }
    fs_->files_[path_].content.append(data);
    return Status::Ok();
  }
  Status Sync() override {
    if (fs_->ShouldFail(FakeFileSystem::Op::kTempSync, path_)) {
      return Status::Error(path_ + ": injected sync failure");
    }
    return Status::Ok();
  }
  Status Close() override {
    if (fs_->ShouldFail(FakeFileSystem::Op::kTempClose, path_)) {
      return Status::Error(path_ + ": injected close failure");
    }
    return Status::Ok();
  }

 private:
  FakeFileSystem* fs_;
  std::string path_;
};

namespace {

bool IsSeparator(char c) { return c == '\\' || c == '/'; }

std::string WithoutTrailingSeparator(std::string path) {
  while (!path.empty() && IsSeparator(path.back())) path.pop_back();
  return path;
}

// "C:", "C:\", "\" and "/": there is always a root.
bool IsRoot(const std::string& folder) {
  return folder.empty() || (folder.size() == 2 && folder[1] == ':');
}

// Whether `path` lies somewhere below `folder` (given without separator).
bool IsBelow(const std::string& path, const std::string& folder) {
  return path.size() > folder.size() + 1 && path.compare(0, folder.size(), folder) == 0 &&
         IsSeparator(path[folder.size()]);
}

}  // namespace

void FakeFileSystem::AddDirectory(const std::string& path) {
  directories_.insert(WithoutTrailingSeparator(path));
}

bool FakeFileSystem::IsDirectory(const std::string& path) const {
  const std::string folder = WithoutTrailingSeparator(path);
  if (directories_.count(folder) != 0) return true;
  for (const auto& [file, content] : files_) {
    if (IsBelow(file, folder)) return true;
  }
  for (const std::string& directory : directories_) {
    if (IsBelow(directory, folder)) return true;
  }
  return false;
}

bool FakeFileSystem::FolderExists(const std::string& folder) const {
  if (folder.empty()) return true;  // the current folder
  const std::string bare = WithoutTrailingSeparator(folder);
  return IsRoot(bare) || IsDirectory(bare);
}

std::vector<std::string> FakeFileSystem::Paths() const {
  std::vector<std::string> paths;
  for (const auto& [path, file] : files_) paths.push_back(path);
  return paths;
}

Status FakeFileSystem::ReadFile(const std::string& path, std::string* content,
                                std::size_t max_bytes) {
  reads.push_back(path);
  content->clear();
  auto it = files_.find(path);
  if (it == files_.end() || ShouldFail(Op::kRead, path)) {
    return Status::Error(path + ": cannot open");
  }
  if (it->second.content.size() > max_bytes) return Status::Error(path + ": file too large");
  *content = it->second.content;
  return Status::Ok();
}

bool FakeFileSystem::CanOpenForReading(const std::string& path) {
  reads.push_back(path);
  return files_.count(path) != 0 && !ShouldFail(Op::kRead, path);
}

Status FakeFileSystem::WriteFile(const std::string& path, std::string_view content) {
  if (ShouldFail(Op::kWrite, path) || IsDirectory(path) || !FolderExists(DirectoryPart(path))) {
    return Status::Error(path + ": cannot write");
  }
  writes.push_back(path);
  files_[path] = {std::string(content), 0};
  return Status::Ok();
}

Status FakeFileSystem::AppendToFile(const std::string& path, std::string_view content) {
  if (ShouldFail(Op::kAppend, path) || IsDirectory(path) || !FolderExists(DirectoryPart(path))) {
    return Status::Error(path + ": cannot append");
  }
  writes.push_back(path);
  files_[path].content.append(content);
  return Status::Ok();
}

std::int64_t FakeFileSystem::FileSize(const std::string& path) {
  auto it = files_.find(path);
  return it == files_.end() ? -1 : static_cast<std::int64_t>(it->second.content.size());
}

Status FakeFileSystem::RemoveFile(const std::string& path) {
  if (ShouldFail(Op::kRemove, path) || IsDirectory(path)) {
    return Status::Error(path + ": cannot remove");
  }
  if (files_.erase(path) != 0) removed.push_back(path);
  return Status::Ok();
}

Status FakeFileSystem::CreateTempFileBeside(const std::string& target, std::string* temp_path,
                                            std::unique_ptr<WritableFile>* file) {
  std::string candidate = target + ".fake-" + std::to_string(temp_counter_++) + ".tmp";
  if (ShouldFail(Op::kCreateTemp, target) || ShouldFail(Op::kCreateTemp, candidate) ||
      !FolderExists(DirectoryPart(target))) {
    return Status::Error(candidate + ": cannot create");
  }
  files_[candidate] = {"", 0};
  *temp_path = candidate;
  *file = std::make_unique<FakeWritableFile>(this, candidate);
  return Status::Ok();
}

Status FakeFileSystem::ReplaceFile(const std::string& from, const std::string& to) {
  auto it = files_.find(from);
  if (it == files_.end()) return Status::Error(from + ": missing");
  if (ShouldFail(Op::kReplace, to) || IsDirectory(to)) {
    return Status::Error(to + ": cannot replace");
  }
  writes.push_back(to);
  files_[to] = it->second;
  files_.erase(from);
  return Status::Ok();
}

Status FakeFileSystem::ListDirectory(const std::string& directory,
                                     std::vector<DirectoryEntry>* entries) {
  entries->clear();
  if (ShouldFail(Op::kList, directory) || !FolderExists(directory)) {
    return Status::Error(directory + ": cannot list");
  }
  std::string folder = directory;
  if (!folder.empty() && !IsSeparator(folder.back())) folder += '\\';
  for (const auto& [path, file] : files_) {
    if (DirectoryPart(path) == folder) {
      entries->push_back({FileNamePart(path), file.age_seconds});
    }
  }
  return Status::Ok();
}

Status FakeFileSystem::LockFile(const std::string& path, int, std::unique_ptr<FileLock>* lock) {
  class FakeFileLock : public FileLock {
   public:
    FakeFileLock(std::set<std::string>* locked, std::string path)
        : locked_(locked), path_(std::move(path)) {}
    ~FakeFileLock() override { locked_->erase(path_); }

   private:
    std::set<std::string>* locked_;
    std::string path_;
  };
  lock->reset();
  if (ShouldFail(Op::kLock, path) || IsDirectory(path) || !FolderExists(DirectoryPart(path))) {
    return Status::Error(path + ": cannot lock");
  }
  if (locked_.count(path) != 0) return Status::Error(path + ": locked by another process");
  if (files_.count(path) == 0) files_[path] = {"", 0};
  locked_.insert(path);
  locks.push_back(path);
  *lock = std::make_unique<FakeFileLock>(&locked_, path);
  return Status::Ok();
}

}  // namespace tidewarden
