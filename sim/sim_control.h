// Control of the simulated SAP system for tests in the same process: where
// it finds its description and writes its files, its clock, and a reset of
// everything a process would have built up. The settings apply to both
// simulated libraries, the classic and the NetWeaver one.
#ifndef TIDEWARDEN_SIM_SIM_CONTROL_H_
#define TIDEWARDEN_SIM_SIM_CONTROL_H_

#include <cstdint>
#include <functional>
#include <string>
#include <vector>

#include "rfc/classic/saprfc.h"
#include "rfc/netweaver/sapnwrfc.h"

namespace tidewarden::sim {

// Forgets all per-process state, as at process start: the error handler,
// installed structures, open connections, internal tables, the last error,
// the cached description, the call log, the "simulated library" note, and
// every setting below. From the first Reset on, the call log is also kept
// in memory for CallLog().
void Reset();

// The folder in which the library reads "SapSim.txt" and "SapRfc.ini" and
// writes "Dev_Rfc.Trc" and a relative call log. "" (the default): the
// process's working directory, as the drop-in library always uses.
void SetWorkingDirectory(const std::string& directory);

// The clock of every simulated host, in Unix seconds (UTC). An empty
// function restores the real clock.
void SetClock(std::function<std::int64_t()> clock);

// What the library does instead of sleeping for a delay (seconds). An empty
// function restores real sleeping.
void SetSleeper(std::function<void(double)> sleeper);

// Lines of the call log since the last Reset, whether or not the
// description names a call log file. Empty without a Reset.
std::vector<std::string> CallLog();

// Rows an internal table holds, or -1 when no such table exists.
long TableRows(ITAB_H table);

// Connections open at the moment.
int OpenConnections();

// The simulated NetWeaver library. After a Reset it does not end the
// process on a contract violation but counts it and answers the call with
// RFC_INVALID_HANDLE or RFC_INVALID_PARAMETER.
nwrfc::NwRfcFunctions SimulatedNwRfcFunctions();
// Its call log since the last Reset.
std::vector<std::string> NwCallLog();
// Its contract violations since the last Reset, one message each.
std::vector<std::string> NwContractViolations();
// Function handles created and not destroyed yet.
int NwLiveFunctions();
// Calls waiting in a delay now (a test cancels them once they wait).
int NwWaitingCalls();

}  // namespace tidewarden::sim

#endif  // TIDEWARDEN_SIM_SIM_CONTROL_H_
