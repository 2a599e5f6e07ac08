// Basic types of the host SDK: Windows scalar and handle types, MCHAR strings, time values.
#ifndef HOST_MAXTYPES_H
#define HOST_MAXTYPES_H

#ifdef MSH_REAL_SDK
// A build against the real SDK: its declarations of all that the branch below declares or
// includes (the same host/ headers, which forward in turn), nothing of ours.
#include <max.h>
#else

#include <cstddef>

#ifdef _WIN32
#ifndef NOMINMAX
#define NOMINMAX
#endif
#include <windows.h>
#else
#include <stdint.h>

typedef int BOOL;
#ifndef TRUE
#define TRUE 1
#endif
#ifndef FALSE
#define FALSE 0
#endif
// Fixed 32-bit widths as on Windows; the file formats never depend on these.
typedef unsigned int DWORD;
typedef unsigned int UINT;
typedef unsigned int ULONG;
typedef int LONG;
typedef unsigned short WORD;
typedef unsigned short USHORT;
typedef unsigned char BYTE;
typedef intptr_t INT_PTR;
typedef uintptr_t UINT_PTR;
typedef uintptr_t DWORD_PTR;
typedef void* LPVOID;
typedef char CHAR;
typedef wchar_t WCHAR;
typedef const char* LPCSTR;
typedef char* LPSTR;
typedef const wchar_t* LPCWSTR;
typedef wchar_t* LPWSTR;

// Distinct handle types, as with Windows' STRICT, so a window is never passed as a module.
struct HWND__ {
    int unused;
};
typedef HWND__* HWND;
struct HINSTANCE__ {
    int unused;
};
typedef HINSTANCE__* HINSTANCE;
typedef HINSTANCE HMODULE;

#define WINAPI
#define APIENTRY
#define CALLBACK
#endif

// Marks what the host library exports to the plug-ins.
#ifdef _WIN32
#ifdef MAXHOST_BUILD
#define MAXHOST_API __declspec(dllexport)
#else
#define MAXHOST_API __declspec(dllimport)
#endif
#else
#define MAXHOST_API __attribute__((visibility("default")))
#endif

// Unicode host: MCHAR is always wchar_t (16 bits on Windows, 32 bits elsewhere).
typedef wchar_t MCHAR;
typedef const MCHAR* LPCMSTR;
#define MCHAR_IS_WCHAR
#define _M_TEXT(x) L##x
#define _M(x) _M_TEXT(x)

typedef unsigned long ulong;
typedef unsigned short MtlID;

/// Time in ticks; only time 0 has content in the in-memory host.
typedef int TimeValue;
#define TIME_TICKSPERSEC 4800
#define TIME_NegInfinity ((TimeValue)(-2147483647 - 1))
#define TIME_PosInfinity ((TimeValue)2147483647)

/// A validity interval of animated values (accepted and left open by the in-memory host).
class Interval {
public:
    Interval() : start(TIME_NegInfinity), end(TIME_PosInfinity) {}
    Interval(TimeValue s, TimeValue e) : start(s), end(e) {}
    TimeValue Start() const { return start; }
    TimeValue End() const { return end; }
    void Set(TimeValue s, TimeValue e) {
        start = s;
        end = e;
    }

private:
    TimeValue start;
    TimeValue end;
};
#define FOREVER Interval(TIME_NegInfinity, TIME_PosInfinity)
#define NEVER Interval(TIME_NegInfinity, TIME_NegInfinity)

#endif // MSH_REAL_SDK

#endif
