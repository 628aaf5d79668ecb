// SAP's NetWeaver RFC library (sapnwrfc) as this probe uses it: the few
// functions of a client that calls function modules by name, their records
// and codes. Declared here from the library's published interface, since
// the SDK may not be redistributed; build with
// -DTIDEWARDEN_SAP_NWRFC_SDK_INCLUDE=... to check it against the SDK header.
//
// Everything lives in tidewarden::nwrfc: the classic library's declarations
// (rfc/saprfc.h) are global C names, several of them spelled the same
// (RFC_RC, RFC_OK, RFC_ERROR_INFO) with other values and layouts.
#ifndef TIDEWARDEN_RFC_NETWEAVER_SAPNWRFC_H_
#define TIDEWARDEN_RFC_NETWEAVER_SAPNWRFC_H_

#include <cstddef>

#include "rfc/sap_calling_convention.h"

namespace tidewarden::nwrfc {

// One UTF-16 code unit. The SDK spells it wchar_t on Windows and char16_t
// elsewhere; the functions have C linkage, so only the width counts.
using SAP_UC = char16_t;
using RFC_CHAR = SAP_UC;
using RFC_NUM = SAP_UC;

// Result codes; 0 to 26 are the same in every release, the rest grew with
// the releases (a library may return codes this list does not know).
enum RFC_RC : int {
  RFC_OK = 0,
  RFC_COMMUNICATION_FAILURE = 1,
  RFC_LOGON_FAILURE = 2,
  RFC_ABAP_RUNTIME_FAILURE = 3,
  RFC_ABAP_MESSAGE = 4,
  RFC_ABAP_EXCEPTION = 5,
  RFC_CLOSED = 6,
  RFC_CANCELED = 7,
  RFC_TIMEOUT = 8,
  RFC_MEMORY_INSUFFICIENT = 9,
  RFC_VERSION_MISMATCH = 10,
  RFC_INVALID_PROTOCOL = 11,
  RFC_SERIALIZATION_FAILURE = 12,
  RFC_INVALID_HANDLE = 13,
  RFC_RETRY = 14,
  RFC_EXTERNAL_FAILURE = 15,
  RFC_EXECUTED = 16,
  RFC_NOT_FOUND = 17,
  RFC_NOT_SUPPORTED = 18,
  RFC_ILLEGAL_STATE = 19,
  RFC_INVALID_PARAMETER = 20,
  RFC_CODEPAGE_CONVERSION_FAILURE = 21,
  RFC_CONVERSION_FAILURE = 22,
  RFC_BUFFER_TOO_SMALL = 23,
  RFC_TABLE_MOVE_BOF = 24,
  RFC_TABLE_MOVE_EOF = 25,
  RFC_START_SAPGUI_FAILURE = 26,
  RFC_ABAP_CLASS_EXCEPTION = 27,
  RFC_UNKNOWN_ERROR = 28,
  RFC_AUTHORIZATION_FAILURE = 29,
  RFC_AUTHENTICATION_FAILURE = 30,
  RFC_CRYPTOLIB_FAILURE = 31,
  RFC_IO_FAILURE = 32,
  RFC_LOCKING_FAILURE = 33,
};

enum RFC_ERROR_GROUP : int {
  OK = 0,
  ABAP_APPLICATION_FAILURE = 1,
  ABAP_RUNTIME_FAILURE = 2,
  LOGON_FAILURE = 3,
  COMMUNICATION_FAILURE = 4,
  EXTERNAL_RUNTIME_FAILURE = 5,
  EXTERNAL_APPLICATION_FAILURE = 6,
  EXTERNAL_AUTHORIZATION_FAILURE = 7,
  EXTERNAL_AUTHENTICATION_FAILURE = 8,
  CRYPTOLIB_FAILURE = 9,
  LOCKING_FAILURE = 10,
};

// Filled by every call that takes it; texts are zero-terminated within
// their arrays. There is no "last error" function: the caller's record is
// the only place the details go.
struct RFC_ERROR_INFO {
  RFC_RC code;
  RFC_ERROR_GROUP group;
  SAP_UC key[128];
  SAP_UC message[512];
  SAP_UC abapMsgClass[20 + 1];
  SAP_UC abapMsgType[1 + 1];
  RFC_NUM abapMsgNumber[3 + 1];
  SAP_UC abapMsgV1[50 + 1];
  SAP_UC abapMsgV2[50 + 1];
  SAP_UC abapMsgV3[50 + 1];
  SAP_UC abapMsgV4[50 + 1];
};
static_assert(sizeof(RFC_ERROR_INFO) == 1752,
              "RFC_ERROR_INFO: the library's record is 1,752 bytes");
static_assert(offsetof(RFC_ERROR_INFO, message) == 264);
static_assert(offsetof(RFC_ERROR_INFO, abapMsgClass) == 1288);
static_assert(offsetof(RFC_ERROR_INFO, abapMsgV4) == 1648);

// One logon parameter: name (letter case ignored) and value, both
// zero-terminated.
struct RFC_CONNECTION_PARAMETER {
  const SAP_UC* name;
  const SAP_UC* value;
};
static_assert(sizeof(RFC_CONNECTION_PARAMETER) == 2 * sizeof(void*),
              "RFC_CONNECTION_PARAMETER: the library's record is two pointers");

// Handles are addresses of records only the library looks into; the values
// may come again after a close.
struct RFC_CONNECTION_HANDLE_STRUCT {
  void* handle;
};
struct RFC_FUNCTION_DESC_HANDLE_STRUCT {
  void* handle;
};
struct RFC_DATA_CONTAINER {
  void* handle;
};
using RFC_CONNECTION_HANDLE = RFC_CONNECTION_HANDLE_STRUCT*;
// Descriptions from RfcGetFunctionDesc belong to the library's cache: the
// caller never destroys them.
using RFC_FUNCTION_DESC_HANDLE = RFC_FUNCTION_DESC_HANDLE_STRUCT*;
// A function's data container and the structures inside it are one type;
// RfcDestroyFunction frees the function and every structure handle got
// from it.
using DATA_CONTAINER_HANDLE = RFC_DATA_CONTAINER*;
using RFC_FUNCTION_HANDLE = DATA_CONTAINER_HANDLE;
using RFC_STRUCTURE_HANDLE = DATA_CONTAINER_HANDLE;

// The functions, as types for the table the probe fills by name. Every
// length is counted in SAP_UC, never in bytes.
typedef const SAP_UC*(SAP_API RfcGetVersionFn)(unsigned* majorVersion, unsigned* minorVersion,
                                               unsigned* patchLevel);
typedef RFC_CONNECTION_HANDLE(SAP_API RfcOpenConnectionFn)(
    const RFC_CONNECTION_PARAMETER* connectionParams, unsigned paramCount,
    RFC_ERROR_INFO* errorInfo);
typedef RFC_RC(SAP_API RfcCloseConnectionFn)(RFC_CONNECTION_HANDLE rfcHandle,
                                             RFC_ERROR_INFO* errorInfo);
typedef RFC_FUNCTION_DESC_HANDLE(SAP_API RfcGetFunctionDescFn)(RFC_CONNECTION_HANDLE rfcHandle,
                                                               const SAP_UC* funcName,
                                                               RFC_ERROR_INFO* errorInfo);
typedef RFC_FUNCTION_HANDLE(SAP_API RfcCreateFunctionFn)(RFC_FUNCTION_DESC_HANDLE funcDescHandle,
                                                         RFC_ERROR_INFO* errorInfo);
typedef RFC_RC(SAP_API RfcDestroyFunctionFn)(RFC_FUNCTION_HANDLE funcHandle,
                                             RFC_ERROR_INFO* errorInfo);
// valueLength: the characters to take from charValue, without a terminator.
typedef RFC_RC(SAP_API RfcSetCharsFn)(DATA_CONTAINER_HANDLE dataHandle, const SAP_UC* name,
                                      const RFC_CHAR* charValue, unsigned valueLength,
                                      RFC_ERROR_INFO* errorInfo);
typedef RFC_RC(SAP_API RfcInvokeFn)(RFC_CONNECTION_HANDLE rfcHandle, RFC_FUNCTION_HANDLE funcHandle,
                                    RFC_ERROR_INFO* errorInfo);
typedef RFC_RC(SAP_API RfcGetStructureFn)(DATA_CONTAINER_HANDLE dataHandle, const SAP_UC* name,
                                          RFC_STRUCTURE_HANDLE* structHandle,
                                          RFC_ERROR_INFO* errorInfo);
// bufferLength includes the terminator; *stringLength receives the value's
// length, also when RFC_BUFFER_TOO_SMALL asks for a buffer of at least
// *stringLength + 1.
typedef RFC_RC(SAP_API RfcGetStringFn)(DATA_CONTAINER_HANDLE dataHandle, const SAP_UC* name,
                                       SAP_UC* stringBuffer, unsigned bufferLength,
                                       unsigned* stringLength, RFC_ERROR_INFO* errorInfo);
typedef const SAP_UC*(SAP_API RfcGetRcAsStringFn)(RFC_RC rc);
// From another thread than the one blocked in a call on the connection.
typedef RFC_RC(SAP_API RfcCancelFn)(RFC_CONNECTION_HANDLE rfcHandle, RFC_ERROR_INFO* errorInfo);

// The library's functions the probe needs: filled by the loader from the
// shared library, or by the simulator in unit tests.
struct NwRfcFunctions {
  RfcGetVersionFn* RfcGetVersion = nullptr;
  RfcOpenConnectionFn* RfcOpenConnection = nullptr;
  RfcCloseConnectionFn* RfcCloseConnection = nullptr;
  RfcGetFunctionDescFn* RfcGetFunctionDesc = nullptr;
  RfcCreateFunctionFn* RfcCreateFunction = nullptr;
  RfcDestroyFunctionFn* RfcDestroyFunction = nullptr;
  RfcSetCharsFn* RfcSetChars = nullptr;
  RfcInvokeFn* RfcInvoke = nullptr;
  RfcGetStructureFn* RfcGetStructure = nullptr;
  RfcGetStringFn* RfcGetString = nullptr;
  RfcGetRcAsStringFn* RfcGetRcAsString = nullptr;
  RfcCancelFn* RfcCancel = nullptr;
};

}  // namespace tidewarden::nwrfc

#endif  // TIDEWARDEN_RFC_NETWEAVER_SAPNWRFC_H_
