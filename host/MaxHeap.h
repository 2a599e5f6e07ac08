// The host heap: classes handed to or created by the host allocate through these operators.
#ifndef HOST_MAXHEAP_H
#define HOST_MAXHEAP_H

#ifdef MSH_REAL_SDK
// A build against the real SDK: its declarations of all that the branch below declares or
// includes (the same host/ headers, which forward in turn), nothing of ours.
#include <max.h>

#include "host/MaxTypes.h"
#else

#include "host/MaxTypes.h"
#include <new>

/// Base of every SDK class whose objects may be created in one module and deleted in another.
class MAXHOST_API MaxHeapOperators {
public:
    static void* operator new(size_t size);
    static void* operator new(size_t size, const std::nothrow_t&);
    static void* operator new(size_t size, const char* filename, int line);
    static void* operator new(size_t, void* placement) { return placement; }
    static void* operator new[](size_t size);
    static void* operator new[](size_t size, const std::nothrow_t&);
    static void operator delete(void* ptr);
    static void operator delete(void* ptr, const std::nothrow_t&);
    static void operator delete(void* ptr, const char* filename, int line);
    static void operator delete(void*, void*) {}
    static void operator delete[](void* ptr);
    static void operator delete[](void* ptr, const std::nothrow_t&);
};

#endif // MSH_REAL_SDK

#endif
