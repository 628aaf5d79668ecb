// Replacing a file's whole content so that no crash, kill, full disk or
// concurrent run can leave it empty or half-written.
#ifndef TIDEWARDEN_PLATFORM_REPLACE_FILE_H_
#define TIDEWARDEN_PLATFORM_REPLACE_FILE_H_

#include <string>
#include <string_view>

#include "platform/file_system.h"

namespace tidewarden {

// Writes `content` to a new temporary file beside `path`, flushes it to disk
// and puts it in the place of `path` in one step. On failure `path` is
// untouched and the temporary file is removed.
Status ReplaceFileContents(FileSystem& fs, const std::string& path, std::string_view content);

// The same, with the access rights of `rights_from`, a file in the folder of
// `path` (the temporary file is made beside it and carries its name).
Status ReplaceFileContents(FileSystem& fs, const std::string& path, std::string_view content,
                           const std::string& rights_from);

// Removes temporary files of `path` left by killed runs. Only files older than
// an hour: a younger one may belong to a run that is still writing it.
void RemoveStaleTempFiles(FileSystem& fs, const std::string& path);

constexpr long long kStaleTempFileSeconds = 3600;

}  // namespace tidewarden

#endif  // TIDEWARDEN_PLATFORM_REPLACE_FILE_H_
