/* The calling convention of the SAP RFC libraries' exported functions and
 * of the callbacks they make: stdcall on 32-bit Windows, the platform's
 * default everywhere else. Both libraries' declarations take it from here,
 * so that no other folder tests the operating system. An SDK header read
 * first (the ABI check) may have defined the macros already. */
#ifndef TIDEWARDEN_PLATFORM_CALLING_CONVENTION_H_
#define TIDEWARDEN_PLATFORM_CALLING_CONVENTION_H_

#ifndef SAP_API
#if defined(_WIN32) && !defined(_WIN64)
#define SAP_API __stdcall
#else
#define SAP_API
#endif
#endif
#ifndef DLL_CALL_BACK_FUNCTION
#if defined(_WIN32) && !defined(_WIN64)
#define DLL_CALL_BACK_FUNCTION __stdcall
#else
#define DLL_CALL_BACK_FUNCTION
#endif
#endif

#endif /* TIDEWARDEN_PLATFORM_CALLING_CONVENTION_H_ */
