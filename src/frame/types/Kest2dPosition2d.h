// A point.
#pragma once

#include "frame/types/Kest2dDimension2d.h"

namespace kest2d {

template <class T>
class CKesPosition2d {
public:
    CKesPosition2d() : X(0), Y(0) {}
    CKesPosition2d(T x, T y) : X(x), Y(y) {}
    CKesPosition2d(const CKesPosition2d<T>& other) = default;
    CKesPosition2d<T>& operator=(const CKesPosition2d<T>& other) = default;

    bool operator==(const CKesPosition2d<T>& o) const { return X == o.X && Y == o.Y; }
    bool operator!=(const CKesPosition2d<T>& o) const { return !(*this == o); }
    CKesPosition2d<T> operator+(const CKesPosition2d<T>& o) const { return CKesPosition2d<T>(X + o.X, Y + o.Y); }
    CKesPosition2d<T> operator-(const CKesPosition2d<T>& o) const { return CKesPosition2d<T>(X - o.X, Y - o.Y); }
    CKesPosition2d<T> operator*(const CKesPosition2d<T>& o) const { return CKesPosition2d<T>(X * o.X, Y * o.Y); }
    CKesPosition2d<T> operator+(const CKesDimension2d<T>& d) const {
        return CKesPosition2d<T>(X + d.Width, Y + d.Height);
    }
    CKesPosition2d<T> operator-(const CKesDimension2d<T>& d) const {
        return CKesPosition2d<T>(X - d.Width, Y - d.Height);
    }

    T X;
    T Y;
};

typedef CKesPosition2d<int> CKesPosition2di;
typedef CKesPosition2d<double> CKesPosition2dd;

}  // namespace kest2d
