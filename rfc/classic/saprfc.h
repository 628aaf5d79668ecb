/* The SAP classic RFC client library (LIBRFC32) as this probe uses it.
 *
 * Declared here from the library's published interface, since the SDK may
 * not be redistributed; docs/rfc-library.md says where each layout comes
 * from and what only the SDK can confirm (build with
 * -DTIDEWARDEN_SAP_SDK_INCLUDE=... to check it against the SDK header).
 * Records keep their fields in the library's order; the functions have C
 * linkage and the library's calling convention (stdcall on 32-bit Windows). */
#ifndef TIDEWARDEN_RFC_CLASSIC_SAPRFC_H_
#define TIDEWARDEN_RFC_CLASSIC_SAPRFC_H_

#include "rfc/sap_calling_convention.h"

#include <stddef.h>

#ifdef __cplusplus
extern "C" {
#endif

typedef unsigned int RFC_HANDLE; /* 0: no connection */
typedef unsigned int RFC_TYPEHANDLE;
typedef void* ITAB_H; /* NULL: no table */

typedef enum {
  RFC_OK = 0,
  RFC_FAILURE = 1,
  RFC_EXCEPTION = 2,
  RFC_SYS_EXCEPTION = 3
} RFC_RC_CODES;
typedef int RFC_RC; /* other values are possible and count as other failure */

/* Type codes of parameters and structure elements. */
enum {
  TYPC = 0,
  TYPDATE = 1,
  TYPP = 2,
  TYPTIME = 3,
  TYPX = 4,
  TYPTABH = 5,
  TYPNUM = 6,
  TYPFLOAT = 7,
  TYPINT = 8,
  TYPINT2 = 9,
  TYPINT1 = 10
};

/* Connection kinds of RFC_OPTIONS.mode. */
enum { RFC_MODE_R3ONLY = 0, RFC_MODE_CPIC = 1 };

typedef struct {
  char* destination;
  int mode;
  void* connopt; /* RFC_CONNOPT_R3* or RFC_CONNOPT_CPIC* */
  char* client;
  char* user;
  char* password;
  char* language;
  int trace;
} RFC_OPTIONS;

typedef struct {
  char* hostname;
  int sysnr;
  char* gateway_host;
  char* gateway_service;
} RFC_CONNOPT_R3;

typedef struct {
  char* gateway_host;
  char* gateway_service;
} RFC_CONNOPT_CPIC;

typedef void(DLL_CALL_BACK_FUNCTION* RFC_ERROR_HANDLER)(char* operation);
typedef void*(DLL_CALL_BACK_FUNCTION* RFC_ALLOCATE)(void* old_pointer, size_t size);

typedef struct {
  RFC_ERROR_HANDLER errorhandler;
  RFC_ALLOCATE allocate;
} RFC_ENV;

typedef struct {
  char key[33];
  char status[128];
  char message[256];
  char intstat[128];
} RFC_ERROR_INFO;

typedef struct {
  int group;
  char key[33];
  char message[513];
} RFC_ERROR_INFO_EX;

typedef struct {
  void* name;
  unsigned int nlen;
  RFC_TYPEHANDLE type;
  unsigned int leng;
  void* addr;
} RFC_PARAMETER;

typedef enum {
  RFC_ITMODE_BYREFERENCE = 0,
  RFC_ITMODE_BYVALUE = 1,
  RFC_ITMODE_KEEPALIVE = 2
} RFC_ITMODE;

typedef struct {
  void* name;
  unsigned int nlen;
  RFC_TYPEHANDLE type;
  unsigned int leng;
  ITAB_H ithandle;
  RFC_ITMODE itmode;
  int newitab;
} RFC_TABLE;

typedef struct {
  char* name;
  RFC_TYPEHANDLE type;
  unsigned int length;
  unsigned int decimals;
  unsigned int offset;
} RFC_TYPE_ELEMENT;

/* The library's functions, as types (for the function table) ... */
typedef void(SAP_API RfcEnvironmentFn)(RFC_ENV* environment);
typedef RFC_HANDLE(SAP_API RfcOpenFn)(RFC_OPTIONS* options);
typedef RFC_HANDLE(SAP_API RfcOpenExFn)(char* connect_param, RFC_ERROR_INFO_EX* error_info);
typedef void(SAP_API RfcCloseFn)(RFC_HANDLE handle);
typedef int(SAP_API RfcLastErrorFn)(RFC_ERROR_INFO* error_info);
typedef RFC_RC(SAP_API RfcInstallStructureFn)(char* name, RFC_TYPE_ELEMENT* elements,
                                              unsigned int entries, RFC_TYPEHANDLE* type_handle);
typedef RFC_RC(SAP_API RfcCallFn)(RFC_HANDLE handle, char* function, RFC_PARAMETER* parameters,
                                  RFC_TABLE* tables);
typedef RFC_RC(SAP_API RfcReceiveFn)(RFC_HANDLE handle, RFC_PARAMETER* parameters,
                                     RFC_TABLE* tables, char** exception);
typedef ITAB_H(SAP_API ItCreateFn)(char* name, unsigned int leng, unsigned int occu,
                                   unsigned int memo);
typedef int(SAP_API ItDeleteFn)(ITAB_H table);

/* ... and as declarations, which the simulated library defines. */
#ifndef TIDEWARDEN_SAPRFC_NO_PROTOTYPES
RfcEnvironmentFn RfcEnvironment;
RfcOpenFn RfcOpen;
RfcOpenExFn RfcOpenEx;
RfcCloseFn RfcClose;
RfcLastErrorFn RfcLastError;
RfcInstallStructureFn RfcInstallStructure;
RfcCallFn RfcCall;
RfcReceiveFn RfcReceive;
ItCreateFn ItCreate;
ItDeleteFn ItDelete;
#endif

#ifdef __cplusplus
}
#endif

#endif /* TIDEWARDEN_RFC_CLASSIC_SAPRFC_H_ */
