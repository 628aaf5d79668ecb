// The drop-in's exports: the NetWeaver library's twelve functions under
// SAP's names, with C linkage and the library's calling convention.
#include <cstdio>
#include <cstdlib>

#include "rfc/netweaver/sapnwrfc.h"
#include "sim/nw_simulator.h"

namespace {

namespace nw = tidewarden::nwrfc;
using tidewarden::sim::NwSimulator;
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

extern "C" {

const nw::SAP_UC* SAP_API RfcGetVersion(unsigned* major, unsigned* minor, unsigned* patch) {
  return TheNwSimulator().GetVersion(major, minor, patch);
}

nw::RFC_CONNECTION_HANDLE SAP_API RfcOpenConnection(const nw::RFC_CONNECTION_PARAMETER* parameters,
                                                    unsigned count, nw::RFC_ERROR_INFO* error) {
  return TheNwSimulator().OpenConnection(parameters, count, error);
}

nw::RFC_RC SAP_API RfcCloseConnection(nw::RFC_CONNECTION_HANDLE handle, nw::RFC_ERROR_INFO* error) {
  return TheNwSimulator().CloseConnection(handle, error);
}

nw::RFC_FUNCTION_DESC_HANDLE SAP_API RfcGetFunctionDesc(nw::RFC_CONNECTION_HANDLE handle,
                                                        const nw::SAP_UC* name,
                                                        nw::RFC_ERROR_INFO* error) {
  return TheNwSimulator().GetFunctionDesc(handle, name, error);
}

nw::RFC_FUNCTION_HANDLE SAP_API RfcCreateFunction(nw::RFC_FUNCTION_DESC_HANDLE description,
                                                  nw::RFC_ERROR_INFO* error) {
  return TheNwSimulator().CreateFunction(description, error);
}

nw::RFC_RC SAP_API RfcDestroyFunction(nw::RFC_FUNCTION_HANDLE function, nw::RFC_ERROR_INFO* error) {
  return TheNwSimulator().DestroyFunction(function, error);
}

nw::RFC_RC SAP_API RfcSetChars(nw::DATA_CONTAINER_HANDLE container, const nw::SAP_UC* name,
                               const nw::RFC_CHAR* value, unsigned length,
                               nw::RFC_ERROR_INFO* error) {
  return TheNwSimulator().SetChars(container, name, value, length, error);
}

nw::RFC_RC SAP_API RfcInvoke(nw::RFC_CONNECTION_HANDLE handle, nw::RFC_FUNCTION_HANDLE function,
                             nw::RFC_ERROR_INFO* error) {
  return TheNwSimulator().Invoke(handle, function, error);
}

nw::RFC_RC SAP_API RfcGetStructure(nw::DATA_CONTAINER_HANDLE container, const nw::SAP_UC* name,
                                   nw::RFC_STRUCTURE_HANDLE* structure, nw::RFC_ERROR_INFO* error) {
  return TheNwSimulator().GetStructure(container, name, structure, error);
}

nw::RFC_RC SAP_API RfcGetString(nw::DATA_CONTAINER_HANDLE container, const nw::SAP_UC* name,
                                nw::SAP_UC* buffer, unsigned buffer_length, unsigned* string_length,
                                nw::RFC_ERROR_INFO* error) {
  return TheNwSimulator().GetString(container, name, buffer, buffer_length, string_length, error);
}

const nw::SAP_UC* SAP_API RfcGetRcAsString(nw::RFC_RC rc) { return NwSimulator::RcAsString(rc); }

nw::RFC_RC SAP_API RfcCancel(nw::RFC_CONNECTION_HANDLE handle, nw::RFC_ERROR_INFO* error) {
  return TheNwSimulator().Cancel(handle, error);
}

}  // extern "C"
