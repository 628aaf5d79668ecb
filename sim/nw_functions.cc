// The simulated NetWeaver library's functions under the library's calling
// convention. Their names are the simulator's own: the static simulator
// library also holds the classic library's C functions, and the NetWeaver
// names leave only the drop-in (nw_exports.cc).
#include "sim/nw_simulator.h"

namespace tidewarden::sim {
namespace {

namespace nw = nwrfc;

const nw::SAP_UC* SAP_API SimGetVersion(unsigned* major, unsigned* minor, unsigned* patch) {
  return TheNwSimulator().GetVersion(major, minor, patch);
}

nw::RFC_CONNECTION_HANDLE SAP_API SimOpenConnection(const nw::RFC_CONNECTION_PARAMETER* parameters,
                                                    unsigned count, nw::RFC_ERROR_INFO* error) {
  return TheNwSimulator().OpenConnection(parameters, count, error);
}

nw::RFC_RC SAP_API SimCloseConnection(nw::RFC_CONNECTION_HANDLE handle, nw::RFC_ERROR_INFO* error) {
  return TheNwSimulator().CloseConnection(handle, error);
}

nw::RFC_FUNCTION_DESC_HANDLE SAP_API SimGetFunctionDesc(nw::RFC_CONNECTION_HANDLE handle,
                                                        const nw::SAP_UC* name,
                                                        nw::RFC_ERROR_INFO* error) {
  return TheNwSimulator().GetFunctionDesc(handle, name, error);
}

nw::RFC_FUNCTION_HANDLE SAP_API SimCreateFunction(nw::RFC_FUNCTION_DESC_HANDLE description,
                                                  nw::RFC_ERROR_INFO* error) {
  return TheNwSimulator().CreateFunction(description, error);
}

nw::RFC_RC SAP_API SimDestroyFunction(nw::RFC_FUNCTION_HANDLE function, nw::RFC_ERROR_INFO* error) {
  return TheNwSimulator().DestroyFunction(function, error);
}

nw::RFC_RC SAP_API SimSetChars(nw::DATA_CONTAINER_HANDLE container, const nw::SAP_UC* name,
                               const nw::RFC_CHAR* value, unsigned length,
                               nw::RFC_ERROR_INFO* error) {
  return TheNwSimulator().SetChars(container, name, value, length, error);
}

nw::RFC_RC SAP_API SimInvoke(nw::RFC_CONNECTION_HANDLE handle, nw::RFC_FUNCTION_HANDLE function,
                             nw::RFC_ERROR_INFO* error) {
  return TheNwSimulator().Invoke(handle, function, error);
}

nw::RFC_RC SAP_API SimGetStructure(nw::DATA_CONTAINER_HANDLE container, const nw::SAP_UC* name,
                                   nw::RFC_STRUCTURE_HANDLE* structure, nw::RFC_ERROR_INFO* error) {
  return TheNwSimulator().GetStructure(container, name, structure, error);
}

nw::RFC_RC SAP_API SimGetString(nw::DATA_CONTAINER_HANDLE container, const nw::SAP_UC* name,
                                nw::SAP_UC* buffer, unsigned buffer_length, unsigned* string_length,
                                nw::RFC_ERROR_INFO* error) {
  return TheNwSimulator().GetString(container, name, buffer, buffer_length, string_length, error);
}

const nw::SAP_UC* SAP_API SimGetRcAsString(nw::RFC_RC rc) { return NwSimulator::RcAsString(rc); }

nw::RFC_RC SAP_API SimCancel(nw::RFC_CONNECTION_HANDLE handle, nw::RFC_ERROR_INFO* error) {
  return TheNwSimulator().Cancel(handle, error);
}

}  // namespace

nwrfc::NwRfcFunctions SimulatedNwFunctions() {
  nwrfc::NwRfcFunctions table;
  table.RfcGetVersion = &SimGetVersion;
  table.RfcOpenConnection = &SimOpenConnection;
  table.RfcCloseConnection = &SimCloseConnection;
  table.RfcGetFunctionDesc = &SimGetFunctionDesc;
  table.RfcCreateFunction = &SimCreateFunction;
  table.RfcDestroyFunction = &SimDestroyFunction;
  table.RfcSetChars = &SimSetChars;
  table.RfcInvoke = &SimInvoke;
  table.RfcGetStructure = &SimGetStructure;
  table.RfcGetString = &SimGetString;
  table.RfcGetRcAsString = &SimGetRcAsString;
  table.RfcCancel = &SimCancel;
  return table;
}

}  // namespace tidewarden::sim
