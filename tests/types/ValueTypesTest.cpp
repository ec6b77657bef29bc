#include <gtest/gtest.h>

#include <cmath>

#include "frame/types/Kest2dColor.h"
#include "frame/types/Kest2dRect.h"
#include "frame/types/Kest2dVector.h"
#include "frame/types/Kest2dVector3.h"

using namespace kest2d;

TEST(Color, ComponentsKeepOnlyTheLowEightBits) {
    CKesColor c(255, 0x1FF, 0, 0);
    EXPECT_EQ(255u, c.getRed());
    EXPECT_EQ(255u, c.getAlpha());
    EXPECT_EQ(0xFFFF0000u, c.color);
    CKesColor d(0x11223344u);
    d.setBlue(0x1234);
    EXPECT_EQ(0x34u, d.getBlue());
    EXPECT_EQ(0x11u, d.getAlpha());
    EXPECT_EQ(0x22u, d.getRed());
    EXPECT_EQ(0x33u, d.getGreen());
    d.setAlpha(0x1AB);
    EXPECT_EQ(0xAB223334u, d.color);
}

TEST(Color, DefaultIsZeroAndSetPacks) {
    CKesColor c;
    EXPECT_EQ(0u, c.color);
    c.set(1, 2, 3, 4);
    EXPECT_EQ(0x01020304u, c.color);
    c.set(0xDEADBEEFu);
    EXPECT_EQ(0xDEADBEEFu, c.color);
}

TEST(Color, LuminanceAverageAndOrder) {
    EXPECT_EQ(0.0f, CKesColor(255, 0, 0, 0).getLuminance());
    for (unsigned v : {0u, 17u, 128u, 255u}) {
        float l = CKesColor(0, v, 255 - v, v).getLuminance();
        EXPECT_GE(l, 0.0f);
        EXPECT_LE(l, 255.0f);
    }
    EXPECT_FLOAT_EQ(0.3f * 10 + 0.59f * 20 + 0.11f * 30, CKesColor(0, 10, 20, 30).getLuminance());
    EXPECT_EQ(1u, CKesColor(0, 1, 1, 2).getAverage());
    EXPECT_TRUE(CKesColor(0, 255, 255, 255) < CKesColor(255, 0, 0, 0));
    EXPECT_TRUE(CKesColor(1, 2, 3, 4) == CKesColor(0x01020304u));
    EXPECT_TRUE(CKesColor(1, 2, 3, 4) != CKesColor(0x01020305u));
}

TEST(Rect, PointInsideCountsAllEdges) {
    CKesRect<int> r(0, 0, 10, 10);
    EXPECT_TRUE(r.isPointInside(CKesPosition2d<int>(10, 10)));
    EXPECT_TRUE(r.isPointInside(CKesPosition2d<int>(0, 0)));
    EXPECT_FALSE(r.isPointInside(CKesPosition2d<int>(11, 5)));
    EXPECT_FALSE(r.isPointInside(CKesPosition2d<int>(-1, 5)));
}

TEST(Rect, CollisionIsStrict) {
    CKesRect<int> r(0, 0, 10, 10);
    EXPECT_FALSE(r.isRectCollided(CKesRect<int>(10, 0, 20, 10)));
    EXPECT_TRUE(r.isRectCollided(CKesRect<int>(9, 0, 20, 10)));
}

TEST(Rect, ClipAgainstNeverInverts) {
    CKesRect<int> a(-5, -5, 5, 5);
    a.clipAgainst(CKesRect<int>(0, 0, 10, 10));
    EXPECT_EQ(CKesRect<int>(0, 0, 5, 5), a);
    CKesRect<int> b(20, 20, 30, 30);
    b.clipAgainst(CKesRect<int>(0, 0, 10, 10));
    EXPECT_EQ(CKesRect<int>(10, 10, 10, 10), b);
}

TEST(Rect, ConstrainMovesButNeverResizes) {
    CKesRect<int> a(8, 8, 14, 14);
    EXPECT_TRUE(a.constrainTo(CKesRect<int>(0, 0, 10, 10)));
    EXPECT_EQ(CKesRect<int>(4, 4, 10, 10), a);
    CKesRect<int> wide(0, 0, 20, 5);
    EXPECT_FALSE(wide.constrainTo(CKesRect<int>(0, 0, 10, 10)));
    EXPECT_EQ(CKesRect<int>(0, 0, 20, 5), wide);
    CKesRect<int> left(-3, -2, 2, 3);
    EXPECT_TRUE(left.constrainTo(CKesRect<int>(0, 0, 10, 10)));
    EXPECT_EQ(CKesRect<int>(0, 0, 5, 5), left);
}

TEST(Rect, CenterAreaRepairAndGrowth) {
    EXPECT_EQ(CKesPosition2d<int>(-1, -1), CKesRect<int>(-3, -3, 0, 0).getCenter());
    EXPECT_EQ(8, CKesRect<int>(0, 0, 4, 2).getArea());
    CKesRect<int> r(10, 10, 0, 0);
    EXPECT_FALSE(r.isValid());
    r.repair();
    EXPECT_EQ(CKesRect<int>(0, 0, 10, 10), r);
    EXPECT_TRUE(CKesRect<int>(3, 3, 3, 3).isValid());
    r.addInternalPoint(-2, 15);
    EXPECT_EQ(CKesRect<int>(-2, 0, 10, 15), r);
    CKesRect<int> moved = r + CKesPosition2d<int>(1, 2);
    EXPECT_EQ(CKesRect<int>(-1, 2, 11, 17), moved);
    EXPECT_EQ(r, moved - CKesPosition2d<int>(1, 2));
    CKesRect<int> sized(CKesPosition2d<int>(1, 1), CKesDimension2d<int>(4, 5));
    EXPECT_EQ(CKesRect<int>(1, 1, 5, 6), sized);
}

TEST(Dimension, ArithmeticOnBothInstances) {
    EXPECT_EQ(CKesDimension2d<int>(8, 12), CKesDimension2d<int>(4, 6) * 2);
    EXPECT_EQ(CKesDimension2d<int>(2, 3), CKesDimension2d<int>(5, 7) / 2);
    CKesDimension2d<double> d = CKesDimension2d<double>(1.0, 3.0) / 4.0;
    EXPECT_DOUBLE_EQ(0.25, d.Width);
    EXPECT_DOUBLE_EQ(0.75, d.Height);
    EXPECT_EQ(24, CKesDimension2d<int>(4, 6).getArea());
    CKesPosition2d<int> p(1, 2);
    EXPECT_EQ(CKesPosition2d<int>(5, 8), p + CKesDimension2d<int>(4, 6));
    EXPECT_EQ(CKesPosition2d<int>(3, 8), CKesPosition2d<int>(3, 4) * CKesPosition2d<int>(1, 2));
}

TEST(Vector, GrowsSortsAndClears) {
    CKesVector<int> v;
    EXPECT_TRUE(v.empty());
    EXPECT_EQ(0, v.size());
    for (int x : {5, -1, 3}) v.push_back(x);
    v.sort();
    EXPECT_EQ(-1, v[0]);
    EXPECT_EQ(5, v[2]);
    v.clear();
    EXPECT_EQ(0, v.size());
    CKesVector<char> c;
    c.push_back(static_cast<char>(0x80));
    c.push_back(1);
    c.sort();
    EXPECT_EQ(static_cast<char>(0x80), c[0]);  // chars compare as signed
}

TEST(VectorDeathTest, IndexIsCheckedInEveryBuild) {
    CKesVector<int> v;
    v.push_back(1);
    EXPECT_DEATH(v[1], "index < size\\(\\)");
    EXPECT_DEATH(v[-1], "index >= 0");
}

TEST(Vector3, CrossProductScaleAndNormalize) {
    CKesVector3 x(1, 0, 0), y(0, 1, 0);
    CKesVector3 z = x * y;
    EXPECT_DOUBLE_EQ(0, z.x);
    EXPECT_DOUBLE_EQ(0, z.y);
    EXPECT_DOUBLE_EQ(1, z.z);
    CKesVector3 v(3, 0, 4);
    v.normalize();
    EXPECT_DOUBLE_EQ(0.6, v.x);
    EXPECT_DOUBLE_EQ(0.8, v.z);
    CKesVector3 zero;
    zero.normalize();
    EXPECT_FALSE(std::isnan(zero.x));
    CKesVector3 s = CKesVector3(1, 2, 3) * 2.0 + 1.0;
    EXPECT_DOUBLE_EQ(3, s.x);
    EXPECT_DOUBLE_EQ(7, s.z);
    CKesVector3 d = CKesVector3(1, 2, 3) - CKesVector3(1, 1, 1);
    EXPECT_DOUBLE_EQ(2, d.z);
}
