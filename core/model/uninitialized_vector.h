#pragma once

#include <cstddef>
#include <cstdlib>
#include <memory>
#include <new>
#include <type_traits>
#include <utility>
#include <vector>

#ifdef __linux__
#include <sys/mman.h>
#endif

namespace tolven {

// An allocator that leaves elements of trivial types uninitialised when a
// vector grows by resize(): the large per-row arrays of a run are written in
// full right after they are sized, so zeroing them first would only cost a
// second pass over a hundred megabytes. Values given explicitly (resize(n, v),
// push_back) are stored as usual.
//
// Blocks of several megabytes are aligned to 2 MiB and, on Linux, offered to
// the kernel for transparent huge pages: a run of a million lines touches
// about a hundred megabytes once, and one fault per 2 MiB instead of one per
// 4 KiB saves a tenth of its time.
template <typename T, typename Base = std::allocator<T>>
class DefaultInitAllocator : public Base {
    using Traits = std::allocator_traits<Base>;
    static constexpr std::size_t HUGE_PAGE = std::size_t{2} << 20;

public:
    using value_type = T;

    T* allocate(std::size_t n) {
        const std::size_t bytes = n * sizeof(T);
        if (bytes < 2 * HUGE_PAGE || alignof(T) > HUGE_PAGE) return Base::allocate(n);
        const std::size_t rounded = (bytes + HUGE_PAGE - 1) / HUGE_PAGE * HUGE_PAGE;
        void* block = std::aligned_alloc(HUGE_PAGE, rounded);
        if (block == nullptr) throw std::bad_alloc();
#ifdef __linux__
        ::madvise(block, rounded, MADV_HUGEPAGE);  // a hint; refusal changes nothing
#endif
        return static_cast<T*>(block);
    }

    void deallocate(T* block, std::size_t n) noexcept {
        if (n * sizeof(T) < 2 * HUGE_PAGE || alignof(T) > HUGE_PAGE) {
            Base::deallocate(block, n);
        } else {
            std::free(block);
        }
    }

    template <typename U>
    struct rebind {
        using other = DefaultInitAllocator<U, typename Traits::template rebind_alloc<U>>;
    };

    using Base::Base;
    DefaultInitAllocator() = default;
    template <typename U, typename B>
    DefaultInitAllocator(const DefaultInitAllocator<U, B>& other) noexcept : Base(other) {}

    template <typename U>
    void construct(U* place) noexcept(std::is_nothrow_default_constructible_v<U>) {
        ::new (static_cast<void*>(place)) U;
    }
    template <typename U, typename... Args>
    void construct(U* place, Args&&... args) {
        Traits::construct(static_cast<Base&>(*this), place, std::forward<Args>(args)...);
    }
};

// A vector whose resize() leaves new elements of trivial types uninitialised.
template <typename T>
using UninitializedVector = std::vector<T, DefaultInitAllocator<T>>;

}  // namespace tolven
