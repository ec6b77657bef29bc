// A width and a height.
#pragma once

#include <type_traits>

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

    CKesDimension2d<T> operator/(const T& scale) const {
        if constexpr (std::is_floating_point<T>::value) {
            T inv = static_cast<T>(1) / scale;
            return CKesDimension2d<T>(Width * inv, Height * inv);
        } else {
            return CKesDimension2d<T>(Width / scale, Height / scale);
        }
    }
    CKesDimension2d<T> operator*(const T& scale) const { return CKesDimension2d<T>(Width * scale, Height * scale); }
    T getArea() const { return Width * Height; }

    T Width;
    T Height;
};

typedef CKesDimension2d<int> CKesDimension2di;
typedef CKesDimension2d<double> CKesDimension2dd;

}  // namespace kest2d
