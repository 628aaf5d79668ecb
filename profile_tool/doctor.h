// tidewarden-profile doctor: the probe's own run, step by step, with a line
// per step saying what was found and, where something is wrong, what to do.
// It runs the probe's own passes but changes nothing the probe would not
// change: no state line, no profile rewrite, no call log, no logon record,
// no library log set aside; SapRfc.ini only as the probe writes it.
#ifndef TIDEWARDEN_PROFILE_TOOL_DOCTOR_H_
#define TIDEWARDEN_PROFILE_TOOL_DOCTOR_H_

#include <ostream>
#include <string>
#include <vector>

#include "platform/file_system.h"
#include "platform/system.h"

namespace tidewarden {

inline constexpr int kDoctorSound = 0;   // no step failed
inline constexpr int kDoctorFatal = 1;   // the classic library ended the run, as the probe's
inline constexpr int kDoctorFailed = 2;  // a step failed, or bad usage

// `args` are the arguments after "doctor": the probe's own (PROFILE and its
// options). `program_path` is the tool's path: the probe lies beside it, so
// the library search starts in the same folder. The step lines go to
// `console`, usage errors to `err`. Returns the exit code.
int RunDoctor(const std::vector<std::string>& args, const std::string& program_path, FileSystem& fs,
              Clock& clock, Console& console, std::ostream& err);

}  // namespace tidewarden

#endif  // TIDEWARDEN_PROFILE_TOOL_DOCTOR_H_
