#include "platform/replace_file.h"

#include <memory>

#include "platform/paths.h"

namespace tidewarden {

Status ReplaceFileContents(FileSystem& fs, const std::string& path, std::string_view content) {
  return ReplaceFileContents(fs, path, content, path);
}

Status ReplaceFileContents(FileSystem& fs, const std::string& path, std::string_view content,
                           const std::string& rights_from) {
  std::string temp_path;
  std::unique_ptr<WritableFile> file;
  Status status = fs.CreateTempFileBeside(rights_from, &temp_path, &file);
  if (!status.ok()) return status;
  status = file->Append(content);
  if (status.ok()) status = file->Sync();
  Status closed = file->Close();
  if (status.ok()) status = closed;
  if (status.ok()) status = fs.ReplaceFile(temp_path, path);
  // The first failure is the one to report; a temporary file left behind is
  // removed by a later rewrite once stale.
  if (!status.ok()) static_cast<void>(fs.RemoveFile(temp_path));
  return status;
}

void RemoveStaleTempFiles(FileSystem& fs, const std::string& path) {
  const std::string directory = DirectoryPart(path);
  const std::string prefix = FileNamePart(path) + ".";
  const std::string suffix = ".tmp";
  std::vector<DirectoryEntry> entries;
  if (!fs.ListDirectory(directory, &entries).ok()) return;
  for (const DirectoryEntry& entry : entries) {
    const std::string& name = entry.name;
    if (name.size() <= prefix.size() + suffix.size()) continue;
    if (name.compare(0, prefix.size(), prefix) != 0) continue;
    if (name.compare(name.size() - suffix.size(), suffix.size(), suffix) != 0) continue;
    if (entry.age_seconds < kStaleTempFileSeconds) continue;
    // Cleanup only: a file that stays is tried again by the next rewrite.
    static_cast<void>(fs.RemoveFile(directory + name));
  }
}

}  // namespace tidewarden
