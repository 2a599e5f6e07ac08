// The Windows calls the plug-ins make. On Windows they are the real ones; elsewhere the host
// library provides them (message boxes go to the embedding program's handler).
#ifndef HOST_WINAPI_H
#define HOST_WINAPI_H

#ifdef MSH_REAL_SDK
// A build against the real SDK: its declarations of all that the branch below declares or
// includes (the same host/ headers, which forward in turn), nothing of ours.
#include <max.h>

#include "host/MaxTypes.h"
#else

#include "host/MaxTypes.h"

#ifndef _WIN32

#define MB_OK 0x00000000u
#define MB_OKCANCEL 0x00000001u
#define MB_ABORTRETRYIGNORE 0x00000002u
#define MB_YESNOCANCEL 0x00000003u
#define MB_YESNO 0x00000004u
#define MB_RETRYCANCEL 0x00000005u
#define MB_TYPEMASK 0x0000000Fu
#define MB_ICONHAND 0x00000010u
#define MB_ICONQUESTION 0x00000020u
#define MB_ICONEXCLAMATION 0x00000030u
#define MB_ICONASTERISK 0x00000040u
#define MB_ICONERROR MB_ICONHAND
#define MB_ICONWARNING MB_ICONEXCLAMATION
#define MB_ICONINFORMATION MB_ICONASTERISK

#define IDOK 1
#define IDCANCEL 2
#define IDABORT 3
#define IDRETRY 4
#define IDIGNORE 5
#define IDYES 6
#define IDNO 7

#define CP_ACP 0
#define MB_PRECOMPOSED 0x00000001
#define MB_ERR_INVALID_CHARS 0x00000008

#define DLL_PROCESS_DETACH 0
#define DLL_PROCESS_ATTACH 1
#define DLL_THREAD_ATTACH 2
#define DLL_THREAD_DETACH 3

extern "C" {
/// Shows a modal message box with 8-bit text (converted with the ANSI code page).
MAXHOST_API int MessageBoxA(HWND owner, LPCSTR text, LPCSTR caption, UINT type);
/// Shows a modal message box with wide text.
MAXHOST_API int MessageBoxW(HWND owner, LPCWSTR text, LPCWSTR caption, UINT type);
/// Loads string resource `id` of `module`: copies at most size-1 units plus NUL and returns
/// the length; 0 when missing. With size 0, stores a read-only pointer to the text in *buffer.
MAXHOST_API int LoadStringW(HINSTANCE module, UINT id, LPWSTR buffer, int size);
/// Converts 8-bit text to wide text. CP_ACP is Windows-1252, as on a Western install.
MAXHOST_API int MultiByteToWideChar(UINT codePage, DWORD flags, LPCSTR text, int textBytes,
                                    LPWSTR wide, int wideUnits);
/// Compares two wide strings, case-sensitively, by code unit.
MAXHOST_API int lstrcmpW(LPCWSTR a, LPCWSTR b);
/// Accepted and ignored: the in-memory host sends no thread notifications.
MAXHOST_API BOOL DisableThreadLibraryCalls(HMODULE module);
}

/// Registers the string table of a plug-in module (generated from its resource script), so
/// that LoadStringW finds the texts as Windows finds them in the module's resources.
MAXHOST_API void RegisterModuleStrings(HINSTANCE module, int count, const UINT* ids,
                                       const wchar_t* const* texts);

#endif

#endif // MSH_REAL_SDK

#endif
