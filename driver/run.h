// One run of the probe, from the command line to the exit code.
#ifndef TIDEWARDEN_DRIVER_RUN_H_
#define TIDEWARDEN_DRIVER_RUN_H_

#include <string>
#include <vector>

#include "platform/file_system.h"
#include "platform/system.h"
#include "rfc/sap_library.h"

namespace tidewarden {

// What a run needs from the world. main() passes the real ones.
struct Platform {
  FileSystem& fs;
  Clock& clock;
  Console& console;
  SapLibrary& sap;
  // Where an "env:NAME" password is read from.
  EnvironmentVariables& environment = ProcessEnvironment();
};

// The marker files of the sibling output modes, probed in this order in the
// profile directory; the last one present wins.
struct ModeMarker {
  const char* mode;
  const char* file_name;
};
inline constexpr ModeMarker kModeMarkers[] = {
    {"Vantrel", "Vantrel.Mrk"},
    {"Draxholm", "Draxholm.Mrk"},
    {"Pellard", "Pellard.Mrk"},
    {"Corvane", "Corvane.Mrk"},
};

// The output mode the marker files in `directory` choose (the last one
// present wins; ExeXml without one) into *output_mode. Returns the paths of
// the markers there.
std::vector<std::string> ChooseOutputMode(FileSystem& fs, const std::string& directory,
                                          std::string* output_mode);

// Returns the exit code. `args` is the whole command line, program first.
// Only the library's error callback ends the process earlier.
int Run(Platform& platform, const std::vector<std::string>& args);

}  // namespace tidewarden

#endif  // TIDEWARDEN_DRIVER_RUN_H_
