// The classic RFC library's functions as one table. The probe fills it from
// the vendor library it loaded (rfc/library_choice.*); unit tests fill it
// from the simulated SAP system.
#ifndef TIDEWARDEN_RFC_CLASSIC_CLASSIC_FUNCTIONS_H_
#define TIDEWARDEN_RFC_CLASSIC_CLASSIC_FUNCTIONS_H_

#include "rfc/classic/saprfc.h"

namespace tidewarden {

struct ClassicRfcFunctions {
  RfcEnvironmentFn* RfcEnvironment = nullptr;
  RfcOpenFn* RfcOpen = nullptr;
  RfcOpenExFn* RfcOpenEx = nullptr;
  RfcCloseFn* RfcClose = nullptr;
  RfcLastErrorFn* RfcLastError = nullptr;
  RfcInstallStructureFn* RfcInstallStructure = nullptr;
  RfcCallFn* RfcCall = nullptr;
  RfcReceiveFn* RfcReceive = nullptr;
  ItCreateFn* ItCreate = nullptr;
  ItDeleteFn* ItDelete = nullptr;
};

}  // namespace tidewarden

#endif  // TIDEWARDEN_RFC_CLASSIC_CLASSIC_FUNCTIONS_H_
