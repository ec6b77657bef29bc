// A width and a height.
#pragma once

#include <type_traits>

#include "frame/types/Kest2dAssert.h"
#include "frame/types/Kest2dHeld.h"

namespace kest2d {

template <class T>
class CKesDimension2d {
public:
    CKesDimension2d() : Width(0), Height(0) {}
    CKesDimension2d(const T& width, const T& height) : Width(width), Height(height) {}
    CKesDimension2d(const CKesDimension2d<T>& other) = default;
    CKesDimension2d<T>& operator=(const CKesDimension2d<T>& other) = default;

    CKesDimension2d<T>& set(const T& width, const T& height) {
        Width = width;
        Height = height;
        return *this;
    }
    bool operator==(const CKesDimension2d<T>& o) const { return Width == o.Width && Height == o.Height; }
    bool operator!=(const CKesDimension2d<T>& o) const { return !(*this == o); }

    // An integer size divided by 0 is a programming error; the script
    // binding refuses it before it gets here.
    CKesDimension2d<T> operator/(const T& scale) const {
        if constexpr (std::is_floating_point<T>::value) {
            T inv = static_cast<T>(1) / scale;
            return CKesDimension2d<T>(Width * inv, Height * inv);
        } else {
            KES_ASSERT(scale != 0, "Kest2dDimension2d");
            return CKesDimension2d<T>(HeldAs<T>(KesWide<T>(Width) / scale), HeldAs<T>(KesWide<T>(Height) / scale));
        }
    }
    CKesDimension2d<T> operator*(const T& scale) const {
        return CKesDimension2d<T>(HeldAs<T>(KesWide<T>(Width) * scale), HeldAs<T>(KesWide<T>(Height) * scale));
    }
    T getArea() const { return HeldAs<T>(KesWide<T>(Width) * Height); }

    T Width;
    T Height;
};

typedef CKesDimension2d<int> CKesDimension2di;
typedef CKesDimension2d<double> CKesDimension2dd;

}  // namespace kest2d
