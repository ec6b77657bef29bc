// A point.
#pragma once

#include "frame/types/Kest2dDimension2d.h"
#include "frame/types/Kest2dHeld.h"

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
    // Integer results are held inside int (Kest2dHeld.h).
    CKesPosition2d<T> operator+(const CKesPosition2d<T>& o) const { return Of(W(X) + o.X, W(Y) + o.Y); }
    CKesPosition2d<T> operator-(const CKesPosition2d<T>& o) const { return Of(W(X) - o.X, W(Y) - o.Y); }
    CKesPosition2d<T> operator*(const CKesPosition2d<T>& o) const { return Of(W(X) * o.X, W(Y) * o.Y); }
    CKesPosition2d<T> operator+(const CKesDimension2d<T>& d) const { return Of(W(X) + d.Width, W(Y) + d.Height); }
    CKesPosition2d<T> operator-(const CKesDimension2d<T>& d) const { return Of(W(X) - d.Width, W(Y) - d.Height); }

    T X;
    T Y;

private:
    static KesWide<T> W(T v) { return v; }
    static CKesPosition2d<T> Of(KesWide<T> x, KesWide<T> y) { return CKesPosition2d<T>(HeldAs<T>(x), HeldAs<T>(y)); }
};

typedef CKesPosition2d<int> CKesPosition2di;
typedef CKesPosition2d<double> CKesPosition2dd;

}  // namespace kest2d
