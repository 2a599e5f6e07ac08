// The SDK's growable array of plain values.
#ifndef HOST_TAB_H
#define HOST_TAB_H

#ifdef MSH_REAL_SDK
// A build against the real SDK: its declarations of all that the branch below declares or
// includes (the same host/ headers, which forward in turn), nothing of ours.
#include <max.h>

#include "host/MaxHeap.h"
#else

#include "host/MaxHeap.h"
#include "host/Misuse.h"
#include <cstdlib>
#include <cstring>

/// A growable array of trivially copyable values (copied bytewise, as the SDK's Tab does).
/// Indexing outside the array is reported as host misuse instead of reading stray memory.
template <class T> class Tab : public MaxHeapOperators {
public:
    Tab() : items(NULL), count(0), capacity(0) {}
    Tab(const Tab& other) : items(NULL), count(0), capacity(0) { copyFrom(other); }
    ~Tab() { std::free(items); }
    Tab& operator=(const Tab& other) {
        if (this != &other)
            copyFrom(other);
        return *this;
    }

    int Count() const { return count; }
    /// Sets the number of items; new items are zero bytes.
    void SetCount(int n, BOOL resize = TRUE) {
        if (n < 0) {
            reportHostMisuse("Tab::SetCount with a negative count");
            return;
        }
        if (n > capacity || (resize && n != capacity))
            reserveExactly(n);
        if (n > count)
            std::memset(static_cast<void*>(items + count), 0, sizeof(T) * (size_t)(n - count));
        count = n;
    }
    void ZeroCount() { count = 0; }
    /// Appends num items from el; returns the index of the first one.
    int Append(int num, T* el, int allocExtra = 0) {
        if (num < 0 || allocExtra < 0) {
            reportHostMisuse("Tab::Append with a negative count");
            return count;
        }
        int at = count;
        if (count + num > capacity)
            reserveExactly(count + num + allocExtra);
        if (num > 0)
            std::memcpy(static_cast<void*>(items + count), el, sizeof(T) * (size_t)num);
        count += num;
        return at;
    }
    /// Inserts num items from el before index at; returns at.
    int Insert(int at, int num, T* el) {
        if (at < 0 || at > count || num < 0) {
            reportHostMisuse("Tab::Insert outside the array");
            return count;
        }
        if (count + num > capacity)
            reserveExactly(count + num);
        std::memmove(static_cast<void*>(items + at + num), items + at,
                     sizeof(T) * (size_t)(count - at));
        if (num > 0)
            std::memcpy(static_cast<void*>(items + at), el, sizeof(T) * (size_t)num);
        count += num;
        return at;
    }
    /// Removes num items from start; returns the new count.
    int Delete(int start, int num) {
        if (start < 0 || num < 0 || start + num > count) {
            reportHostMisuse("Tab::Delete outside the array");
            return count;
        }
        std::memmove(static_cast<void*>(items + start), items + start + num,
                     sizeof(T) * (size_t)(count - start - num));
        count -= num;
        return count;
    }
    /// Sets the capacity (never below the count); returns 1.
    int Resize(int num) {
        if (num < count)
            num = count;
        reserveExactly(num);
        return 1;
    }
    void Shrink() { reserveExactly(count); }
    void Init() {
        std::free(items);
        items = NULL;
        count = capacity = 0;
    }
    T* Addr(const INT_PTR i) const {
        if (i < 0 || i > count) {
            reportHostMisuse("Tab::Addr outside the array");
            return items;
        }
        return items + i;
    }
    T& operator[](const INT_PTR i) const {
        if (i < 0 || i >= count) {
            reportHostMisuse("Tab index outside the array");
            return fallback();
        }
        return items[i];
    }

private:
    T* items;
    int count;
    int capacity;

    void reserveExactly(int n) {
        if (n == capacity)
            return;
        if (n == 0) {
            std::free(items);
            items = NULL;
            capacity = 0;
            return;
        }
        T* grown = static_cast<T*>(std::realloc(static_cast<void*>(items), sizeof(T) * (size_t)n));
        if (grown == NULL) {
            reportHostMisuse("Tab could not allocate");
            return;
        }
        items = grown;
        capacity = n;
    }
    void copyFrom(const Tab& other) {
        count = 0;
        reserveExactly(other.count);
        if (other.count > 0)
            std::memcpy(static_cast<void*>(items), other.items, sizeof(T) * (size_t)other.count);
        count = other.count;
    }
    // Where a bad index lands when the misuse handler returns instead of aborting.
    static T& fallback() {
        static T spare;
        std::memset(static_cast<void*>(&spare), 0, sizeof(T));
        return spare;
    }
};

#endif // MSH_REAL_SDK

#endif
