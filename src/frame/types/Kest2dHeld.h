// Integer geometry is computed wide and held inside int: a width, a sum or a
// product that would leave int stops at its ends instead of overflowing.
// Floating-point geometry is computed as it stands.
#pragma once

#include <climits>
#include <type_traits>

namespace kest2d {

// The type that a computation on T is made in.
template <class T>
using KesWide = std::conditional_t<std::is_integral_v<T>, long long, T>;

// An int from a wide value, held at INT_MIN and INT_MAX.
inline int Held(long long value) {
    return value > INT_MAX ? INT_MAX : value < INT_MIN ? INT_MIN : static_cast<int>(value);
}

// A wide value back in T: held for int, unchanged otherwise.
template <class T>
T HeldAs(KesWide<T> value) {
    if constexpr (std::is_integral_v<T>) {
        static_assert(std::is_same_v<T, int>, "integer geometry is int");
        return Held(value);
    } else {
        return value;
    }
}

}  // namespace kest2d
