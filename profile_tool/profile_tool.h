// tidewarden-profile: scrambles passwords, writes and checks sensor profiles.
#ifndef TIDEWARDEN_PROFILE_TOOL_PROFILE_TOOL_H_
#define TIDEWARDEN_PROFILE_TOOL_PROFILE_TOOL_H_

#include <cstdint>
#include <istream>
#include <ostream>
#include <string>
#include <vector>

#include "platform/file_system.h"
#include "profiles/connection_parameters.h"
#include "profiles/system_entry.h"

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

// The commands RunProfileTool hands its arguments to, once their use is
// checked. Each returns the tool's exit code.
int Scramble(std::istream& in, std::ostream& out, std::ostream& err, std::uint32_t seed);
int NewProfile(const std::string& destination, std::ostream& out, std::ostream& err);
int Check(const std::string& given, std::ostream& out, std::ostream& err, FileSystem& fs);

// The fields of a profile that still hold the placeholders "new" wrote
// ("<company>", "<RFC USER>", ...), each as `Label: "value"`, with the
// skeleton's client when it is left too; empty when no placeholder is left
// (a client 000 alone is a real client).
std::vector<std::string> PlaceholdersLeft(const ConnectionParameters& parameters);

// A field as check and the doctor show it: its label and its value in double
// quotes, the password by its length only.
std::string ShownField(const EntryField& field, const ConnectionParameters& parameters);

}  // namespace tidewarden

#endif  // TIDEWARDEN_PROFILE_TOOL_PROFILE_TOOL_H_
