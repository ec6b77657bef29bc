// A rectangle held as two corners; the int rectangle is the unit of all GUI
// geometry. Point tests count all four edges as inside. Integer widths,
// heights, areas and moves are computed wide and held inside int
// (Kest2dHeld.h).
#pragma once

#include "frame/types/Kest2dDimension2d.h"
#include "frame/types/Kest2dPosition2d.h"

namespace kest2d {

template <class T>
class CKesRect {
public:
    CKesRect() : UpperLeftCorner(0, 0), LowerRightCorner(0, 0) {}
    CKesRect(T left, T top, T right, T bottom) : UpperLeftCorner(left, top), LowerRightCorner(right, bottom) {}
    CKesRect(const CKesPosition2d<T>& upperLeft, const CKesPosition2d<T>& lowerRight)
        : UpperLeftCorner(upperLeft), LowerRightCorner(lowerRight) {}
    CKesRect(const CKesPosition2d<T>& pos, const CKesDimension2d<T>& size)
        : UpperLeftCorner(pos), LowerRightCorner(pos + size) {}

    CKesRect<T> operator+(const CKesPosition2d<T>& p) const {
        return CKesRect<T>(UpperLeftCorner + p, LowerRightCorner + p);
    }
    CKesRect<T> operator-(const CKesPosition2d<T>& p) const {
        return CKesRect<T>(UpperLeftCorner - p, LowerRightCorner - p);
    }
    bool operator==(const CKesRect<T>& o) const {
        return UpperLeftCorner == o.UpperLeftCorner && LowerRightCorner == o.LowerRightCorner;
    }
    bool operator!=(const CKesRect<T>& o) const { return !(*this == o); }

    T getWidth() const { return HeldAs<T>(WideWidth()); }
    T getHeight() const { return HeldAs<T>(WideHeight()); }
    CKesDimension2d<T> getSize() const { return CKesDimension2d<T>(getWidth(), getHeight()); }
    T getArea() const { return HeldAs<T>(KesWide<T>(getWidth()) * getHeight()); }
    // The halves of wide sums always lie inside int; they truncate toward zero.
    CKesPosition2d<T> getCenter() const {
        return CKesPosition2d<T>(static_cast<T>((KesWide<T>(UpperLeftCorner.X) + LowerRightCorner.X) / 2),
                                 static_cast<T>((KesWide<T>(UpperLeftCorner.Y) + LowerRightCorner.Y) / 2));
    }

    bool isPointInside(const CKesPosition2d<T>& p) const {
        return UpperLeftCorner.X <= p.X && UpperLeftCorner.Y <= p.Y && LowerRightCorner.X >= p.X &&
               LowerRightCorner.Y >= p.Y;
    }
    bool isRectCollided(const CKesRect<T>& o) const {
        return LowerRightCorner.Y > o.UpperLeftCorner.Y && UpperLeftCorner.Y < o.LowerRightCorner.Y &&
               LowerRightCorner.X > o.UpperLeftCorner.X && UpperLeftCorner.X < o.LowerRightCorner.X;
    }

    void clipAgainst(const CKesRect<T>& o) {
        if (o.LowerRightCorner.X < LowerRightCorner.X) LowerRightCorner.X = o.LowerRightCorner.X;
        if (o.LowerRightCorner.Y < LowerRightCorner.Y) LowerRightCorner.Y = o.LowerRightCorner.Y;
        if (o.UpperLeftCorner.X > UpperLeftCorner.X) UpperLeftCorner.X = o.UpperLeftCorner.X;
        if (o.UpperLeftCorner.Y > UpperLeftCorner.Y) UpperLeftCorner.Y = o.UpperLeftCorner.Y;
        if (UpperLeftCorner.Y > LowerRightCorner.Y) UpperLeftCorner.Y = LowerRightCorner.Y;
        if (UpperLeftCorner.X > LowerRightCorner.X) UpperLeftCorner.X = LowerRightCorner.X;
    }

    bool constrainTo(const CKesRect<T>& o) {
        if (o.WideWidth() < WideWidth() || o.WideHeight() < WideHeight()) return false;
        // Each step moves the rectangle, whole, towards the inside of o; once
        // it fits, both corners lie between o's corners.
        KesWide<T> left = UpperLeftCorner.X, top = UpperLeftCorner.Y;
        KesWide<T> right = LowerRightCorner.X, bottom = LowerRightCorner.Y;
        KesWide<T> diff = KesWide<T>(o.LowerRightCorner.X) - right;
        if (diff < 0) {
            right += diff;
            left += diff;
        }
        diff = KesWide<T>(o.LowerRightCorner.Y) - bottom;
        if (diff < 0) {
            bottom += diff;
            top += diff;
        }
        diff = left - o.UpperLeftCorner.X;
        if (diff < 0) {
            left -= diff;
            right -= diff;
        }
        diff = top - o.UpperLeftCorner.Y;
        if (diff < 0) {
            top -= diff;
            bottom -= diff;
        }
        UpperLeftCorner = CKesPosition2d<T>(HeldAs<T>(left), HeldAs<T>(top));
        LowerRightCorner = CKesPosition2d<T>(HeldAs<T>(right), HeldAs<T>(bottom));
        return true;
    }

    void repair() {
        if (LowerRightCorner.X < UpperLeftCorner.X) {
            T t = LowerRightCorner.X;
            LowerRightCorner.X = UpperLeftCorner.X;
            UpperLeftCorner.X = t;
        }
        if (LowerRightCorner.Y < UpperLeftCorner.Y) {
            T t = LowerRightCorner.Y;
            LowerRightCorner.Y = UpperLeftCorner.Y;
            UpperLeftCorner.Y = t;
        }
    }
    bool isValid() const { return LowerRightCorner.X >= UpperLeftCorner.X && LowerRightCorner.Y >= UpperLeftCorner.Y; }

    void addInternalPoint(const CKesPosition2d<T>& p) { addInternalPoint(p.X, p.Y); }
    void addInternalPoint(T x, T y) {
        if (x > LowerRightCorner.X) LowerRightCorner.X = x;
        if (y > LowerRightCorner.Y) LowerRightCorner.Y = y;
        if (x < UpperLeftCorner.X) UpperLeftCorner.X = x;
        if (y < UpperLeftCorner.Y) UpperLeftCorner.Y = y;
    }

    CKesPosition2d<T> UpperLeftCorner;
    CKesPosition2d<T> LowerRightCorner;

private:
    KesWide<T> WideWidth() const { return KesWide<T>(LowerRightCorner.X) - UpperLeftCorner.X; }
    KesWide<T> WideHeight() const { return KesWide<T>(LowerRightCorner.Y) - UpperLeftCorner.Y; }
};

typedef CKesRect<int> CKesRecti;
typedef CKesRect<double> CKesRectd;

}  // namespace kest2d
