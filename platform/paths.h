// Splitting the probe's paths. Both "\" and "/" separate, so a path written
// for Windows and one written for the POSIX build split alike.
#ifndef TIDEWARDEN_PLATFORM_PATHS_H_
#define TIDEWARDEN_PLATFORM_PATHS_H_

#include <string>
#include <string_view>

namespace tidewarden {

// Everything up to and including the last separator ("" when there is none).
std::string DirectoryPart(std::string_view path);

// The text after the last separator.
std::string FileNamePart(std::string_view path);

}  // namespace tidewarden

#endif  // TIDEWARDEN_PLATFORM_PATHS_H_
