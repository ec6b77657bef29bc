// Three doubles with vector arithmetic (used by scripts).
#pragma once

#include <cmath>

namespace kest2d {

class CKesVector3 {
public:
    CKesVector3() : x(0), y(0), z(0) {}
    CKesVector3(double nx, double ny, double nz) : x(nx), y(ny), z(nz) {}
    CKesVector3(const CKesVector3& o) = default;
    CKesVector3& operator=(const CKesVector3& o) = default;

    // The zero vector stays zero instead of turning into NaNs.
    void normalize() {
        double len = std::sqrt(x * x + y * y + z * z);
        if (len == 0.0) return;
        double inv = 1.0 / len;
        x *= inv;
        y *= inv;
        z *= inv;
    }
    CKesVector3 operator*(const CKesVector3& o) const {
        return CKesVector3(y * o.z - o.y * z, -(x * o.z - o.x * z), o.y * x - y * o.x);
    }
    CKesVector3 operator*(const double& s) const { return CKesVector3(x * s, y * s, z * s); }
    CKesVector3 operator+(const CKesVector3& o) const { return CKesVector3(x + o.x, y + o.y, z + o.z); }
    CKesVector3 operator-(const CKesVector3& o) const { return CKesVector3(x - o.x, y - o.y, z - o.z); }
    CKesVector3 operator+(const double& s) const { return CKesVector3(x + s, y + s, z + s); }

    double x;
    double y;
    double z;
};

}  // namespace kest2d
