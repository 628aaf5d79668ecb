// Where the run's profile was found.
#ifndef TIDEWARDEN_PROFILES_PROFILE_LOCATION_H_
#define TIDEWARDEN_PROFILES_PROFILE_LOCATION_H_

#include <string>

namespace tidewarden {

struct ProfileLocation {
  std::string name;       // file name alone, at most 63 characters
  std::string directory;  // ends with a separator, or "" for the working directory
  std::string path;       // directory + name
  std::string content;    // the profile's bytes, read once when it was found
};

// Room for a profile directory or path: Windows' MAX_PATH less its zero.
inline constexpr std::size_t kMaxProfilePath = 259;
inline constexpr std::size_t kMaxProfileName = 63;

}  // namespace tidewarden

#endif  // TIDEWARDEN_PROFILES_PROFILE_LOCATION_H_
