// Test control of the simulated SAP system.
#include "sim/sim_control.h"

#include "sim/nw_simulator.h"
#include "sim/simulator.h"

namespace tidewarden::sim {

void Reset() {
  ResetSimulator();
  ResetNwSimulator();
}

void SetWorkingDirectory(const std::string& directory) {
  TheSimulator().working_directory = directory;
  TheNwSimulator().working_directory = directory;
}

void SetClock(std::function<std::int64_t()> clock) {
  TheSimulator().clock = clock;
  TheNwSimulator().clock = std::move(clock);
}

void SetSleeper(std::function<void(double)> sleeper) {
  TheSimulator().sleeper = sleeper;
  TheNwSimulator().sleeper = std::move(sleeper);
}

std::vector<std::string> CallLog() { return TheSimulator().call_log(); }

long TableRows(ITAB_H table) { return TheSimulator().TableRows(table); }

int OpenConnections() { return TheSimulator().OpenConnections(); }

std::vector<std::string> NwCallLog() { return TheNwSimulator().CallLog(); }

std::vector<std::string> NwContractViolations() { return TheNwSimulator().Violations(); }

int NwLiveFunctions() { return TheNwSimulator().LiveFunctions(); }

int NwWaitingCalls() { return TheNwSimulator().WaitingCalls(); }

}  // namespace tidewarden::sim
