// A rectangle held as two corners; the int rectangle is the unit of all GUI
// geometry. Point tests count all four edges as inside.
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
        : UpperLeftCorner(pos), LowerRightCorner(pos.X + size.Width, pos.Y + size.Height) {}

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

    T getWidth() const { return LowerRightCorner.X - UpperLeftCorner.X; }
    T getHeight() const { return LowerRightCorner.Y - UpperLeftCorner.Y; }
    CKesDimension2d<T> getSize() const { return CKesDimension2d<T>(getWidth(), getHeight()); }
    T getArea() const { return getWidth() * getHeight(); }
    CKesPosition2d<T> getCenter() const {
        return CKesPosition2d<T>((UpperLeftCorner.X + LowerRightCorner.X) / 2,
                                 (UpperLeftCorner.Y + LowerRightCorner.Y) / 2);
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
        if (o.getWidth() < getWidth() || o.getHeight() < getHeight()) return false;
        T diff = o.LowerRightCorner.X - LowerRightCorner.X;
        if (diff < 0) {
            LowerRightCorner.X += diff;
            UpperLeftCorner.X += diff;
        }
        diff = o.LowerRightCorner.Y - LowerRightCorner.Y;
        if (diff < 0) {
            LowerRightCorner.Y += diff;
            UpperLeftCorner.Y += diff;
        }
        diff = UpperLeftCorner.X - o.UpperLeftCorner.X;
        if (diff < 0) {
            UpperLeftCorner.X -= diff;
            LowerRightCorner.X -= diff;
        }
        diff = UpperLeftCorner.Y - o.UpperLeftCorner.Y;
        if (diff < 0) {
            UpperLeftCorner.Y -= diff;
            LowerRightCorner.Y -= diff;
        }
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
};

typedef CKesRect<int> CKesRecti;
typedef CKesRect<double> CKesRectd;

}  // namespace kest2d
