// The commands RunProfileTool hands its arguments to, once their use is
// checked. Each returns the tool's exit code.
#ifndef TIDEWARDEN_PROFILE_TOOL_COMMANDS_H_
#define TIDEWARDEN_PROFILE_TOOL_COMMANDS_H_

#include <cstdint>
#include <istream>
#include <ostream>
#include <string>

#include "platform/file_system.h"
#include "profile_tool/profile_tool.h"

namespace tidewarden {

int Scramble(std::istream& in, std::ostream& out, std::ostream& err, std::uint32_t seed);
int NewProfile(const std::string& destination, std::ostream& out, std::ostream& err);
int Check(const std::string& given, std::ostream& out, std::ostream& err, FileSystem& fs);

}  // namespace tidewarden

#endif  // TIDEWARDEN_PROFILE_TOOL_COMMANDS_H_
