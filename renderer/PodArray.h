// A growable array of plain values whose allocations report failure instead of throwing.
#pragma once

#include <stddef.h>
#include <stdint.h>
#include <stdlib.h>
#include <string.h>
#include <type_traits>

namespace vemo {

template <typename T> class PodArray {
    static_assert(std::is_trivially_copyable<T>::value, "PodArray holds plain values only");

public:
    PodArray() = default;
    PodArray(const PodArray&) = delete;
    PodArray& operator=(const PodArray&) = delete;
    PodArray(PodArray&& other) noexcept
        : items(other.items), count(other.count), capacity(other.capacity) {
        other.items = nullptr;
        other.count = other.capacity = 0;
    }
    ~PodArray() { free(items); }

    size_t Size() const { return count; }
    bool Empty() const { return count == 0; }
    T* Data() { return items; }
    const T* Data() const { return items; }
    T& operator[](size_t i) { return items[i]; }
    const T& operator[](size_t i) const { return items[i]; }
    T& Back() { return items[count - 1]; }

    // Makes room for at least n items; false when memory runs out.
    bool Reserve(size_t n) {
        if (n <= capacity) {
            return true;
        }
        size_t grown = capacity < 8 ? 8 : capacity + capacity / 2;
        if (grown < n) {
            grown = n;
        }
        if (grown > SIZE_MAX / sizeof(T)) {
            return false;
        }
        T* larger = static_cast<T*>(realloc(items, grown * sizeof(T)));
        if (larger == nullptr) {
            return false;
        }
        items = larger;
        capacity = grown;
        return true;
    }

    bool Push(const T& value) {
        if (!Reserve(count + 1)) {
            return false;
        }
        items[count++] = value;
        return true;
    }

    bool Append(const T* values, size_t n) {
        if (n == 0) {
            return true;
        }
        if (count > SIZE_MAX - n || !Reserve(count + n)) {
            return false;
        }
        memcpy(items + count, values, n * sizeof(T));
        count += n;
        return true;
    }

    // Changes the size; new items are zero. False when memory runs out.
    bool Resize(size_t n) {
        if (!Reserve(n)) {
            return false;
        }
        if (n > count) {
            memset(static_cast<void*>(items + count), 0, (n - count) * sizeof(T));
        }
        count = n;
        return true;
    }

    void Clear() { count = 0; }

    void Release() {
        free(items);
        items = nullptr;
        count = capacity = 0;
    }

    size_t BytesHeld() const { return capacity * sizeof(T); }

private:
    T* items = nullptr;
    size_t count = 0;
    size_t capacity = 0;
};

} // namespace vemo
