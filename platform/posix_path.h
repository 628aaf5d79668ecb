// How the POSIX build reads the probe's Windows paths; see docs/platform.md.
#ifndef TIDEWARDEN_PLATFORM_POSIX_PATH_H_
#define TIDEWARDEN_PLATFORM_POSIX_PATH_H_

#include <string>
#include <string_view>

namespace tidewarden {

// "C:\PRTG_Path.Txt" -> "/PRTG_Path.Txt", "\Program Files\x" -> "/Program Files/x",
// "sub\PRD.P00" -> "sub/PRD.P00".
std::string ToPosixPath(std::string_view probe_path);

}  // namespace tidewarden

#endif  // TIDEWARDEN_PLATFORM_POSIX_PATH_H_
