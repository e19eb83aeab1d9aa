#pragma once
// A byte vector whose new elements are left uninitialised: a buffer that is
// about to be filled entirely (a file read into it, frames encoded into it)
// is written once instead of being zeroed first. On a sound of tens of
// megabytes the zeroing is a whole extra pass over memory.

#include <cstdint>
#include <memory>
#include <new>
#include <utility>
#include <vector>

// std::allocator, except that value-initialisation without arguments (what
// resize and the size constructor do) becomes default-initialisation: for
// bytes, nothing at all.
template <typename T>
struct DefaultInitAllocator : std::allocator<T> {
    template <typename U>
    struct rebind {
        using other = DefaultInitAllocator<U>;
    };
    DefaultInitAllocator() noexcept = default;
    template <typename U>
    DefaultInitAllocator(const DefaultInitAllocator<U>&) noexcept {}

    template <typename U>
    void construct(U* p) noexcept(noexcept(::new (static_cast<void*>(p)) U))
    {
        ::new (static_cast<void*>(p)) U;
    }
    template <typename U, typename... Args>
    void construct(U* p, Args&&... args)
    {
        ::new (static_cast<void*>(p)) U(std::forward<Args>(args)...);
    }
};

// Whoever grows one of these writes every new byte before it is read.
using ByteBuffer = std::vector<uint8_t, DefaultInitAllocator<uint8_t>>;
