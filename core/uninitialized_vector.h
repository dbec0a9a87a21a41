#pragma once

#include <memory>
#include <type_traits>
#include <utility>
#include <vector>

namespace tolven {

// An allocator that leaves elements of trivial types uninitialised when a
// vector grows by resize(): the large per-row arrays of a run are written in
// full right after they are sized, so zeroing them first would only cost a
// second pass over a hundred megabytes. Values given explicitly (resize(n, v),
// push_back) are stored as usual.
template <typename T, typename Base = std::allocator<T>>
class DefaultInitAllocator : public Base {
    using Traits = std::allocator_traits<Base>;

public:
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
