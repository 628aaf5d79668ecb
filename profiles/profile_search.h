// Which profile a run uses and where it is found.
#ifndef TIDEWARDEN_PROFILES_PROFILE_SEARCH_H_
#define TIDEWARDEN_PROFILES_PROFILE_SEARCH_H_

#include <string>
#include <vector>

#include "platform/file_system.h"
#include "profiles/profile_location.h"

namespace tidewarden {

inline constexpr const char* kPrtgPathFile = "C:\\PRTG_Path.Txt";
inline constexpr const char* kGlobalProfileName = "SAP Marrowin.Gbl";
inline constexpr const char* kItemProfileName = "Marrowin.Prf";

// `name` with ".P00" added unless it ends in an extension of three
// characters already, as the probe reads the name it is given.
std::string WithProfileExtension(const std::string& name);

// The name rules (extension, directory, global profile) applied to the
// profile name start-up hands over. Fills location->name and ->directory and
// sets *global_run when the name names the global profile. Fails with the
// 1002 message when the name or directory exceeds the room.
Status ApplyNameRules(const std::string& profile_name, ProfileLocation* location, bool* global_run);

// A folder the search looked into ("" the working directory) and why the
// profile could not be taken from there: the 1002 message names none of it.
struct ProfileTry {
  std::string folder;
  Status outcome;
};

// The "EXEXML" search (path file, then the fixed folders). On success fills
// directory, path and content; otherwise fails with
// "Error 1002: Profile " + name + " is missing...". `tried`, when given,
// receives every folder looked into, in order.
Status SearchProfile(FileSystem& fs, ProfileLocation* location,
                     std::vector<ProfileTry>* tried = nullptr);

// A sibling mode's profile: directory + name, read there, or a failure
// "Error 1002: Profile " + path + " is missing...".
Status OpenProfileInDirectory(FileSystem& fs, ProfileLocation* location,
                              std::vector<ProfileTry>* tried = nullptr);

}  // namespace tidewarden

#endif  // TIDEWARDEN_PROFILES_PROFILE_SEARCH_H_
