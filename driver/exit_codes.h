// The exit codes the monitors read.
#ifndef TIDEWARDEN_DRIVER_EXIT_CODES_H_
#define TIDEWARDEN_DRIVER_EXIT_CODES_H_

namespace tidewarden {

inline constexpr int kExitSuccess = 0;  // document printed
inline constexpr int kExitFatal = 1;    // fatal library failure: plain-text report
inline constexpr int kExitFailure = 2;  // numbered failure: error document

}  // namespace tidewarden

#endif  // TIDEWARDEN_DRIVER_EXIT_CODES_H_
