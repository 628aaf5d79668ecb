/* The calling convention of functions a dynamically loaded library exports
 * for C callers, and of the callbacks it makes: stdcall on 32-bit Windows
 * (the system's own, WINAPI), the platform's default everywhere else. A
 * declaration that names it needs no test of the operating system. */
#ifndef TIDEWARDEN_PLATFORM_CALLING_CONVENTION_H_
#define TIDEWARDEN_PLATFORM_CALLING_CONVENTION_H_

#if defined(_WIN32) && !defined(_WIN64)
#define TIDEWARDEN_LIBRARY_CALL __stdcall
#else
#define TIDEWARDEN_LIBRARY_CALL
#endif

#endif /* TIDEWARDEN_PLATFORM_CALLING_CONVENTION_H_ */
