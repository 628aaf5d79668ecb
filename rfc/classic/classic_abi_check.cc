// Checks our declarations of the RFC library against the SAP SDK's own
// header, for anyone who holds the SDK: sizes and field offsets of every
// record and the type of every function. Built only with
// -DTIDEWARDEN_SAP_SDK_INCLUDE=<folder of saprfc.h>; it compiles or fails.
#include <saprfc.h>

#include <cstddef>
#include <type_traits>

// Our records under another name; the functions are checked below by the
// signatures our header gives them, spelled in the SDK's own types.
#define TIDEWARDEN_SAPRFC_NO_PROTOTYPES
namespace ours {
#include "rfc/classic/saprfc.h"
}  // namespace ours

#define SAME_SIZE(T) static_assert(sizeof(ours::T) == sizeof(::T), #T ": size differs")
#define SAME_FIELD(T, F) \
  static_assert(offsetof(ours::T, F) == offsetof(::T, F), #T "." #F ": offset differs")
#define SAME_FUNCTION(F, ...) \
  static_assert(std::is_same_v<decltype(::F), __VA_ARGS__>, #F ": type differs")

SAME_SIZE(RFC_OPTIONS);
SAME_FIELD(RFC_OPTIONS, destination);
SAME_FIELD(RFC_OPTIONS, mode);
SAME_FIELD(RFC_OPTIONS, connopt);
SAME_FIELD(RFC_OPTIONS, client);
SAME_FIELD(RFC_OPTIONS, user);
SAME_FIELD(RFC_OPTIONS, password);
SAME_FIELD(RFC_OPTIONS, language);
SAME_FIELD(RFC_OPTIONS, trace);
SAME_SIZE(RFC_CONNOPT_R3);
SAME_FIELD(RFC_CONNOPT_R3, hostname);
SAME_FIELD(RFC_CONNOPT_R3, sysnr);
SAME_FIELD(RFC_CONNOPT_R3, gateway_host);
SAME_FIELD(RFC_CONNOPT_R3, gateway_service);
SAME_SIZE(RFC_CONNOPT_CPIC);
SAME_FIELD(RFC_CONNOPT_CPIC, gateway_host);
SAME_FIELD(RFC_CONNOPT_CPIC, gateway_service);
SAME_SIZE(RFC_ENV);
SAME_FIELD(RFC_ENV, errorhandler);
SAME_FIELD(RFC_ENV, allocate);
SAME_SIZE(RFC_ERROR_INFO);
SAME_FIELD(RFC_ERROR_INFO, key);
SAME_FIELD(RFC_ERROR_INFO, status);
SAME_FIELD(RFC_ERROR_INFO, message);
SAME_FIELD(RFC_ERROR_INFO, intstat);
SAME_SIZE(RFC_ERROR_INFO_EX);
SAME_FIELD(RFC_ERROR_INFO_EX, group);
SAME_FIELD(RFC_ERROR_INFO_EX, key);
SAME_FIELD(RFC_ERROR_INFO_EX, message);
SAME_SIZE(RFC_PARAMETER);
SAME_FIELD(RFC_PARAMETER, name);
SAME_FIELD(RFC_PARAMETER, nlen);
SAME_FIELD(RFC_PARAMETER, type);
SAME_FIELD(RFC_PARAMETER, leng);
SAME_FIELD(RFC_PARAMETER, addr);
SAME_SIZE(RFC_TABLE);
SAME_FIELD(RFC_TABLE, name);
SAME_FIELD(RFC_TABLE, nlen);
SAME_FIELD(RFC_TABLE, type);
SAME_FIELD(RFC_TABLE, leng);
SAME_FIELD(RFC_TABLE, ithandle);
SAME_FIELD(RFC_TABLE, itmode);
SAME_FIELD(RFC_TABLE, newitab);
SAME_SIZE(RFC_TYPE_ELEMENT);
SAME_FIELD(RFC_TYPE_ELEMENT, name);
SAME_FIELD(RFC_TYPE_ELEMENT, type);
SAME_FIELD(RFC_TYPE_ELEMENT, length);
SAME_FIELD(RFC_TYPE_ELEMENT, decimals);
SAME_FIELD(RFC_TYPE_ELEMENT, offset);

#define SAME_CODE(C) static_assert(int{ours::C} == int{::C}, #C ": value differs")
SAME_CODE(RFC_OK);
SAME_CODE(RFC_FAILURE);
SAME_CODE(RFC_EXCEPTION);
SAME_CODE(RFC_SYS_EXCEPTION);
SAME_CODE(TYPC);
SAME_CODE(TYPDATE);
SAME_CODE(TYPTIME);
SAME_CODE(TYPINT);
SAME_CODE(TYPINT2);

SAME_FUNCTION(RfcEnvironment, void SAP_API(RFC_ENV*));
SAME_FUNCTION(RfcOpen, RFC_HANDLE SAP_API(RFC_OPTIONS*));
SAME_FUNCTION(RfcOpenEx, RFC_HANDLE SAP_API(char*, RFC_ERROR_INFO_EX*));
SAME_FUNCTION(RfcClose, void SAP_API(RFC_HANDLE));
SAME_FUNCTION(RfcLastError, int SAP_API(RFC_ERROR_INFO*));
SAME_FUNCTION(RfcInstallStructure,
              RFC_RC SAP_API(char*, RFC_TYPE_ELEMENT*, unsigned, RFC_TYPEHANDLE*));
SAME_FUNCTION(RfcCall, RFC_RC SAP_API(RFC_HANDLE, char*, RFC_PARAMETER*, RFC_TABLE*));
SAME_FUNCTION(RfcReceive, RFC_RC SAP_API(RFC_HANDLE, RFC_PARAMETER*, RFC_TABLE*, char**));
SAME_FUNCTION(ItCreate, ITAB_H SAP_API(char*, unsigned, unsigned, unsigned));
SAME_FUNCTION(ItDelete, int SAP_API(ITAB_H));
static_assert(std::is_same_v<decltype(RFC_ENV::errorhandler), void(DLL_CALL_BACK_FUNCTION*)(char*)>,
              "RFC_ERROR_HANDLER differs");
