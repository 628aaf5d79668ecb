// Keeping the state line in the sensor profile: the rewrite on disk.
#ifndef TIDEWARDEN_COLLECT_PROFILE_STATE_H_
#define TIDEWARDEN_COLLECT_PROFILE_STATE_H_

#include <optional>
#include <string>

#include "platform/file_system.h"
#include "profiles/profile_lines.h"

namespace tidewarden {

// Replaces the profile at `path` by `lines` with the new state line and the
// history line of `old_state_line`, in one step, after removing temporary
// files that killed runs left. When it could not be written the profile is
// as it was, and the failure says why.
Status WriteStateLine(FileSystem& fs, const std::string& path, const ProfileLines& lines,
                      const std::string& state_line,
                      const std::optional<std::string>& old_state_line);

}  // namespace tidewarden

#endif  // TIDEWARDEN_COLLECT_PROFILE_STATE_H_
