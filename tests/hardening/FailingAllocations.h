#pragma once
// Replaces the global operator new of this test program so that one chosen allocation throws
// std::bad_alloc (or returns null for the nothrow forms), as an exhausted heap would. Every
// allocation of the process passes through it: the plug-in logic, the host library, the C++
// library. Disarmed it is plain malloc and free.

namespace hardening {

/// Makes the `n`-th allocation from now fail, once; 0 disarms.
void failAllocation(long n);

/// True when the armed failure has happened.
bool allocationFailed();

/// Arms a failure for the lifetime of the object and disarms it at the end.
class FailingAllocation {
public:
    explicit FailingAllocation(long n) { failAllocation(n); }
    ~FailingAllocation() { failAllocation(0); }
    FailingAllocation(const FailingAllocation&) = delete;
    FailingAllocation& operator=(const FailingAllocation&) = delete;
};

} // namespace hardening
