#pragma once

#include <cstdlib>
#include <memory>
#include <new>
#include <type_traits>

// An array in fresh zeroed memory from the system: its pages are touched
// only as they are written, where filling a vector touches every one. For
// tables that learn as they are asked, their unknown as all zero bits.
template <class T> class ZeroedArray {
    static_assert(std::is_trivially_copyable_v<T>);

public:
    ZeroedArray() = default;
    explicit ZeroedArray(std::size_t n)
        : items_(static_cast<T *>(std::calloc(n ? n : 1, sizeof(T))))
    {
        if (!items_)
            throw std::bad_alloc();
    }
    T &operator[](std::size_t i) { return items_[i]; }
    const T &operator[](std::size_t i) const { return items_[i]; }
    explicit operator bool() const { return bool(items_); }

private:
    struct Free {
        void operator()(T *items) const { std::free(items); }
    };
    std::unique_ptr<T[], Free> items_;
};
