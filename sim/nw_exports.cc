// The drop-in's exports: the NetWeaver library's twelve functions under
// SAP's names, with C linkage and the library's calling convention.
#include <cstdio>
#include <cstdlib>

#include "rfc/netweaver/sapnwrfc.h"
#include "sim/nw_simulator.h"

namespace {

using tidewarden::sim::TheNwSimulator;

// A function handle never destroyed is the caller's leak: it fails the run
// when the library goes away with the process. The unload is written to the
// call log, so a test sees whether static destructors ran.
struct LeakCheckAtUnload {
  ~LeakCheckAtUnload() {
    TheNwSimulator().NoteUnload();
    std::string leak = TheNwSimulator().LeakReport();
    if (leak.empty()) return;
    std::fprintf(stderr, "Tidewarden simulated NetWeaver RFC library: %s\n", leak.c_str());
    std::fflush(stderr);
    std::abort();
  }
} leak_check_at_unload;

}  // namespace

// At global scope, where the list's types are spelled from.
namespace nwrfc = tidewarden::nwrfc;

#define TIDEWARDEN_SIM_EXPORT(Result, name, method, parameters, arguments) \
  Result SAP_API name parameters { return TheNwSimulator().method arguments; }
extern "C" {
TIDEWARDEN_SIM_NW_FUNCTIONS(TIDEWARDEN_SIM_EXPORT)
}  // extern "C"
