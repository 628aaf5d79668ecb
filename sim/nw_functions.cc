// The simulated NetWeaver library's functions under the library's calling
// convention. Their names are the simulator's own: the static simulator
// library also holds the classic library's C functions, and the NetWeaver
// names leave only the drop-in (nw_exports.cc).
#include "sim/nw_simulator.h"
#include "sim/sim_control.h"

namespace tidewarden::sim {
namespace {

#define TIDEWARDEN_SIM_DEFINE(Result, name, method, parameters, arguments) \
  Result SAP_API Sim##method parameters { return TheNwSimulator().method arguments; }
TIDEWARDEN_SIM_NW_FUNCTIONS(TIDEWARDEN_SIM_DEFINE)
#undef TIDEWARDEN_SIM_DEFINE

}  // namespace

nwrfc::NwRfcFunctions SimulatedNwRfcFunctions() {
  nwrfc::NwRfcFunctions table;
#define TIDEWARDEN_SIM_ENTER(Result, name, method, parameters, arguments) table.name = &Sim##method;
  TIDEWARDEN_SIM_NW_FUNCTIONS(TIDEWARDEN_SIM_ENTER)
#undef TIDEWARDEN_SIM_ENTER
  return table;
}

}  // namespace tidewarden::sim
