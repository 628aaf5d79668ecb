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
  if (ShouldFail(Op::kWrite, path) || directories_.count(path) != 0) {
    return Status::Error(path + ": cannot write");
  }
  writes.push_back(path);
  files_[path] = {std::string(content), 0};
  return Status::Ok();
}

Status FakeFileSystem::AppendToFile(const std::string& path, std::string_view content) {
  if (ShouldFail(Op::kAppend, path)) return Status::Error(path + ": cannot append");
  writes.push_back(path);
  files_[path].content.append(content);
  return Status::Ok();
}

std::int64_t FakeFileSystem::FileSize(const std::string& path) {
  auto it = files_.find(path);
  return it == files_.end() ? -1 : static_cast<std::int64_t>(it->second.content.size());
}

Status FakeFileSystem::RemoveFile(const std::string& path) {
  if (ShouldFail(Op::kRemove, path)) return Status::Error(path + ": cannot remove");
  if (files_.erase(path) != 0) removed.push_back(path);
  return Status::Ok();
}

Status FakeFileSystem::CreateTempFileBeside(const std::string& target, std::string* temp_path,
                                            std::unique_ptr<WritableFile>* file) {
  std::string candidate = target + ".fake-" + std::to_string(temp_counter_++) + ".tmp";
  if (ShouldFail(Op::kCreateTemp, target) || ShouldFail(Op::kCreateTemp, candidate)) {
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
  if (ShouldFail(Op::kReplace, to)) return Status::Error(to + ": cannot replace");
  writes.push_back(to);
  files_[to] = it->second;
  files_.erase(from);
  return Status::Ok();
}

Status FakeFileSystem::ListDirectory(const std::string& directory,
                                     std::vector<DirectoryEntry>* entries) {
  entries->clear();
  if (ShouldFail(Op::kList, directory)) return Status::Error(directory + ": cannot list");
  for (const auto& [path, file] : files_) {
    if (DirectoryPart(path) == directory) {
      entries->push_back({FileNamePart(path), file.age_seconds});
    }
  }
  return Status::Ok();
}

}  // namespace tidewarden
