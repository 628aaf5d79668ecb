// The ten functions of the classic RFC client library, with its C linkage
// and calling convention, answered by the simulated SAP system.
#include "rfc/classic/saprfc.h"
#include "sim/simulator.h"

using tidewarden::sim::TheSimulator;

extern "C" {

void SAP_API RfcEnvironment(RFC_ENV* environment) { TheSimulator().Environment(environment); }

RFC_HANDLE SAP_API RfcOpen(RFC_OPTIONS* options) { return TheSimulator().Open(options); }

RFC_HANDLE SAP_API RfcOpenEx(char* connect_param, RFC_ERROR_INFO_EX* error_info) {
  return TheSimulator().OpenEx(connect_param, error_info);
}

void SAP_API RfcClose(RFC_HANDLE handle) { TheSimulator().Close(handle); }

int SAP_API RfcLastError(RFC_ERROR_INFO* error_info) {
  return TheSimulator().LastError(error_info);
}

RFC_RC SAP_API RfcInstallStructure(char* name, RFC_TYPE_ELEMENT* elements, unsigned int entries,
                                   RFC_TYPEHANDLE* type_handle) {
  return TheSimulator().InstallStructure(name, elements, entries, type_handle);
}

RFC_RC SAP_API RfcCall(RFC_HANDLE handle, char* function, RFC_PARAMETER* parameters,
                       RFC_TABLE* tables) {
  return TheSimulator().Call(handle, function, parameters, tables);
}

RFC_RC SAP_API RfcReceive(RFC_HANDLE handle, RFC_PARAMETER* parameters, RFC_TABLE* tables,
                          char** exception) {
  return TheSimulator().Receive(handle, parameters, tables, exception);
}

ITAB_H SAP_API ItCreate(char* name, unsigned int leng, unsigned int occu, unsigned int memo) {
  return TheSimulator().Create(name, leng, occu, memo);
}

int SAP_API ItDelete(ITAB_H table) { return TheSimulator().Delete(table); }

}  // extern "C"
