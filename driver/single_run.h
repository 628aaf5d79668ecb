// The single-system run: one SAP system from logon to printed document.
#ifndef TIDEWARDEN_DRIVER_SINGLE_RUN_H_
#define TIDEWARDEN_DRIVER_SINGLE_RUN_H_

#include <string>

#include "driver/pass_observer.h"
#include "driver/run_state.h"

namespace tidewarden {

// Returns the exit code. `observer` (may be null) is told the system's
// steps and outcome.
int RunSingleSystem(RunState& run, PassObserver* observer = nullptr);

// The parameter text of the progress lines: the options up to the first
// "#", then up to the first "@"; "(No Parameters)" when nothing is left.
std::string ParameterText(const std::string& option_text);

}  // namespace tidewarden

#endif  // TIDEWARDEN_DRIVER_SINGLE_RUN_H_
