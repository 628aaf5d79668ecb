// The classic library's error callback: the only place where a fatal
// failure ends the process from inside, since it must not return into the
// library.
#ifndef TIDEWARDEN_RFC_CLASSIC_ERROR_HANDLER_H_
#define TIDEWARDEN_RFC_CLASSIC_ERROR_HANDLER_H_

#include "rfc/classic/saprfc.h"

namespace tidewarden {

class ClassicSapLibrary;

// The handler RfcEnvironment installs. The library passes only the
// operation text; the report goes through the library set below.
void SAP_API RfcErrorHandler(char* operation);

// The process-wide context of the handler (null: report to the standard
// output without a library).
void SetErrorHandlerLibrary(ClassicSapLibrary* library);

}  // namespace tidewarden

#endif  // TIDEWARDEN_RFC_CLASSIC_ERROR_HANDLER_H_
