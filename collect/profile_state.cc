#include "collect/profile_state.h"

#include "collect/logging_figures.h"
#include "platform/replace_file.h"

namespace tidewarden {

Status WriteStateLine(FileSystem& fs, const std::string& path, const ProfileLines& lines,
                      const std::string& state_line,
                      const std::optional<std::string>& old_state_line) {
  RemoveStaleTempFiles(fs, path);
  return ReplaceFileContents(fs, path,
                             RewrittenProfile(lines, state_line, old_state_line, kNativeLineEnd));
}

}  // namespace tidewarden
