// Checks our declarations of the NetWeaver RFC library against the SAP SDK's
// own header, for anyone who holds the SDK: the records' sizes and field
// offsets, every code's value and every function's type. Built only with
// -DTIDEWARDEN_SAP_NWRFC_SDK_INCLUDE=<folder of sapnwrfc.h>; it compiles or
// fails.
#include <sapnwrfc.h>

#include <cstddef>
#include <type_traits>

#include "rfc/netweaver/sapnwrfc.h"

namespace ours = tidewarden::nwrfc;

static_assert(sizeof(ours::SAP_UC) == sizeof(::SAP_UC), "SAP_UC: width differs");

#define SAME_SIZE(T) static_assert(sizeof(ours::T) == sizeof(::T), #T ": size differs")
#define SAME_FIELD(T, F) \
  static_assert(offsetof(ours::T, F) == offsetof(::T, F), #T "." #F ": offset differs")
SAME_SIZE(RFC_ERROR_INFO);
SAME_FIELD(RFC_ERROR_INFO, code);
SAME_FIELD(RFC_ERROR_INFO, group);
SAME_FIELD(RFC_ERROR_INFO, key);
SAME_FIELD(RFC_ERROR_INFO, message);
SAME_FIELD(RFC_ERROR_INFO, abapMsgClass);
SAME_FIELD(RFC_ERROR_INFO, abapMsgType);
SAME_FIELD(RFC_ERROR_INFO, abapMsgNumber);
SAME_FIELD(RFC_ERROR_INFO, abapMsgV1);
SAME_FIELD(RFC_ERROR_INFO, abapMsgV2);
SAME_FIELD(RFC_ERROR_INFO, abapMsgV3);
SAME_FIELD(RFC_ERROR_INFO, abapMsgV4);
SAME_SIZE(RFC_CONNECTION_PARAMETER);
SAME_FIELD(RFC_CONNECTION_PARAMETER, name);
SAME_FIELD(RFC_CONNECTION_PARAMETER, value);
static_assert(sizeof(ours::RFC_RC) == sizeof(::RFC_RC), "RFC_RC: size differs");
static_assert(sizeof(ours::RFC_ERROR_GROUP) == sizeof(::RFC_ERROR_GROUP),
              "RFC_ERROR_GROUP: size differs");

// Codes 27 and up depend on the SDK's release; an older header lacks them
// and fails here, which says which release the customer holds.
#define SAME_CODE(C) static_assert(int{ours::C} == int{::C}, #C ": value differs")
SAME_CODE(RFC_OK);
SAME_CODE(RFC_COMMUNICATION_FAILURE);
SAME_CODE(RFC_LOGON_FAILURE);
SAME_CODE(RFC_ABAP_RUNTIME_FAILURE);
SAME_CODE(RFC_ABAP_MESSAGE);
SAME_CODE(RFC_ABAP_EXCEPTION);
SAME_CODE(RFC_CLOSED);
SAME_CODE(RFC_CANCELED);
SAME_CODE(RFC_TIMEOUT);
SAME_CODE(RFC_MEMORY_INSUFFICIENT);
SAME_CODE(RFC_VERSION_MISMATCH);
SAME_CODE(RFC_INVALID_PROTOCOL);
SAME_CODE(RFC_SERIALIZATION_FAILURE);
SAME_CODE(RFC_INVALID_HANDLE);
SAME_CODE(RFC_RETRY);
SAME_CODE(RFC_EXTERNAL_FAILURE);
SAME_CODE(RFC_EXECUTED);
SAME_CODE(RFC_NOT_FOUND);
SAME_CODE(RFC_NOT_SUPPORTED);
SAME_CODE(RFC_ILLEGAL_STATE);
SAME_CODE(RFC_INVALID_PARAMETER);
SAME_CODE(RFC_CODEPAGE_CONVERSION_FAILURE);
SAME_CODE(RFC_CONVERSION_FAILURE);
SAME_CODE(RFC_BUFFER_TOO_SMALL);
SAME_CODE(RFC_TABLE_MOVE_BOF);
SAME_CODE(RFC_TABLE_MOVE_EOF);
SAME_CODE(RFC_START_SAPGUI_FAILURE);
SAME_CODE(RFC_ABAP_CLASS_EXCEPTION);
SAME_CODE(RFC_UNKNOWN_ERROR);
SAME_CODE(RFC_AUTHORIZATION_FAILURE);
SAME_CODE(RFC_AUTHENTICATION_FAILURE);
SAME_CODE(RFC_CRYPTOLIB_FAILURE);
SAME_CODE(RFC_IO_FAILURE);
SAME_CODE(RFC_LOCKING_FAILURE);
SAME_CODE(OK);
SAME_CODE(ABAP_APPLICATION_FAILURE);
SAME_CODE(ABAP_RUNTIME_FAILURE);
SAME_CODE(LOGON_FAILURE);
SAME_CODE(COMMUNICATION_FAILURE);
SAME_CODE(EXTERNAL_RUNTIME_FAILURE);
SAME_CODE(EXTERNAL_APPLICATION_FAILURE);
SAME_CODE(EXTERNAL_AUTHORIZATION_FAILURE);

// Each SDK function's type, spelled in our types, must be ours: the SDK's
// types map one to one onto ours (SAP_UC is wchar_t in the SDK on Windows).
template <typename T>
struct Ours {
  using type = T;
};
template <typename T>
struct Ours<T*> {
  using type = typename Ours<T>::type*;
};
template <typename T>
struct Ours<const T> {
  using type = const typename Ours<T>::type;
};
#define OURS(T)           \
  template <>             \
  struct Ours<::T> {      \
    using type = ours::T; \
  }
OURS(SAP_UC);
OURS(RFC_RC);
OURS(RFC_ERROR_INFO);
OURS(RFC_CONNECTION_PARAMETER);
OURS(RFC_CONNECTION_HANDLE);
OURS(RFC_FUNCTION_DESC_HANDLE);
OURS(DATA_CONTAINER_HANDLE);

template <typename F>
struct Translated;
template <typename R, typename... A>
struct Translated<R SAP_API(A...)> {
  using type = typename Ours<R>::type SAP_API(typename Ours<A>::type...);
};

// A function of another calling convention matches no specialisation and
// fails as an incomplete type.
#define SAME_FUNCTION(F) \
  static_assert(std::is_same_v<Translated<decltype(::F)>::type, ours::F##Fn>, #F ": type differs")
SAME_FUNCTION(RfcGetVersion);
SAME_FUNCTION(RfcOpenConnection);
SAME_FUNCTION(RfcCloseConnection);
SAME_FUNCTION(RfcGetFunctionDesc);
SAME_FUNCTION(RfcCreateFunction);
SAME_FUNCTION(RfcDestroyFunction);
SAME_FUNCTION(RfcSetChars);
SAME_FUNCTION(RfcInvoke);
SAME_FUNCTION(RfcGetStructure);
SAME_FUNCTION(RfcGetString);
SAME_FUNCTION(RfcGetRcAsString);
SAME_FUNCTION(RfcCancel);
