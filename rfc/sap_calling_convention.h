/* The calling convention of the SAP RFC libraries' exported functions and of
 * the callbacks they make, as SAP's headers name it: the system's library
 * convention (stdcall on 32-bit Windows). Both libraries' declarations take
 * it from here. An SDK header read first (the ABI check) may have defined
 * the macros already. */
#ifndef TIDEWARDEN_RFC_SAP_CALLING_CONVENTION_H_
#define TIDEWARDEN_RFC_SAP_CALLING_CONVENTION_H_

#include "platform/calling_convention.h"

#ifndef SAP_API
#define SAP_API TIDEWARDEN_LIBRARY_CALL
#endif
#ifndef DLL_CALL_BACK_FUNCTION
#define DLL_CALL_BACK_FUNCTION TIDEWARDEN_LIBRARY_CALL
#endif

#endif /* TIDEWARDEN_RFC_SAP_CALLING_CONVENTION_H_ */
