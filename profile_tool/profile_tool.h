// tidewarden-profile: scrambles passwords, writes and checks sensor profiles.
#ifndef TIDEWARDEN_PROFILE_TOOL_PROFILE_TOOL_H_
#define TIDEWARDEN_PROFILE_TOOL_PROFILE_TOOL_H_

#include <cstdint>
#include <istream>
#include <ostream>
#include <string>
#include <vector>

#include "platform/file_system.h"

namespace tidewarden {

inline constexpr int kToolSuccess = 0;
inline constexpr int kToolFailure = 2;  // refused input, a rejected profile, bad usage

// The whole tool but main(): `args` are the arguments after the program name.
// Results go to `out`, messages about the tool's own use to `err`. `seed`
// varies the stored forms that "scramble" makes. Returns the exit code.
int RunProfileTool(const std::vector<std::string>& args, std::istream& in, std::ostream& out,
                   std::ostream& err, FileSystem& fs, std::uint32_t seed);

// The text "new DEST" prints: a sensor profile for `destination` with every
// entry line and a comment line on each field.
std::string ProfileSkeleton(const std::string& destination);

}  // namespace tidewarden

#endif  // TIDEWARDEN_PROFILE_TOOL_PROFILE_TOOL_H_
