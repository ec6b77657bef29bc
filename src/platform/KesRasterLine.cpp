// The rasteriser's lines: queued with the rows their visible part touches,
// and walked in each band only over the steps whose pixels lie in the band.
#include <algorithm>
#include <cmath>

#include "platform/KesRasterInternal.h"

namespace kest2d {
namespace platform {

using namespace raster;

namespace {

// Ends further out than this are first brought in along the line, so that
// the walk's products stay inside 64 bits.
const double kFar = 1 << 29;

// Steps k >= 0 (of a line with the given lengths) whose offset along the
// shorter axis has reached t.
int64_t FirstStepAt(const LineWalk& w, int64_t t) {
    if (t <= 0) return 0;
    if (w.minor == 0) return w.major;
    // Minor(k) >= t when 2 minor k + major >= 2 major t.
    const int64_t n = 2 * w.major * t - w.major, d = 2 * w.minor;
    return (n + d - 1) / d;
}

// The offsets o with start + s o in lo .. hi - 1, as [*oLo, *oHi).
void Offsets(int64_t start, int64_t s, int64_t lo, int64_t hi, int64_t* oLo, int64_t* oHi) {
    if (s > 0) {
        *oLo = lo - start;
        *oHi = hi - start;
    } else {
        *oLo = start - hi + 1;
        *oHi = start - lo + 1;
    }
}

}  // namespace

bool LineWalk::Start(const RasterVertex& a, const RasterVertex& b) {
    if (!std::isfinite(a.x) || !std::isfinite(a.y) || !std::isfinite(b.x) || !std::isfinite(b.y)) return false;
    double ax = std::floor(a.x + 0.5f), ay = std::floor(a.y + 0.5f);
    double bx = std::floor(b.x + 0.5f), by = std::floor(b.y + 0.5f);
    if (std::max({std::fabs(ax), std::fabs(ay), std::fabs(bx), std::fabs(by)}) > kFar) {
        // Only the part inside +-kFar (Liang-Barsky); its pixels near the
        // picture are the whole line's to within rounding.
        double t0 = 0, t1 = 1;
        const double dx = bx - ax, dy = by - ay;
        auto keep = [&](double p, double q) {  // the part where p t <= q
            if (p == 0) return q >= 0;
            const double r = q / p;
            if (p < 0)
                t0 = std::max(t0, r);
            else
                t1 = std::min(t1, r);
            return t0 <= t1;
        };
        if (!keep(-dx, ax + kFar) || !keep(dx, kFar - ax) || !keep(-dy, ay + kFar) || !keep(dy, kFar - ay))
            return false;
        const double nax = std::round(ax + t0 * dx), nay = std::round(ay + t0 * dy);
        bx = std::round(ax + t1 * dx);
        by = std::round(ay + t1 * dy);
        ax = nax;
        ay = nay;
    }
    x0 = static_cast<int64_t>(ax);
    y0 = static_cast<int64_t>(ay);
    const int64_t dx = static_cast<int64_t>(bx) - x0, dy = static_cast<int64_t>(by) - y0;
    sx = dx < 0 ? -1 : 1;
    sy = dy < 0 ? -1 : 1;
    xMajor = std::abs(dx) >= std::abs(dy);
    major = xMajor ? std::abs(dx) : std::abs(dy);
    minor = xMajor ? std::abs(dy) : std::abs(dx);
    return major > 0;
}

void LineWalk::Within(int width, int yLo, int yHi, int64_t* first, int64_t* end) const {
    int64_t xa, xb, ya, yb;
    Offsets(x0, sx, 0, width, &xa, &xb);
    Offsets(y0, sy, yLo, yHi, &ya, &yb);
    // Along the longer axis the offset is the step; along the shorter one
    // it grows with the step.
    const int64_t majorLo = xMajor ? xa : ya, majorHi = xMajor ? xb : yb;
    const int64_t minorLo = xMajor ? ya : xa, minorHi = xMajor ? yb : xb;
    *first = std::max({int64_t(0), majorLo, FirstStepAt(*this, minorLo)});
    *end = std::min({major, majorHi, FirstStepAt(*this, minorHi)});
}

void KesRaster::Line(const RasterState& state, const RasterVertex& a, const RasterVertex& b) {
    Impl* impl = mImpl;
    LineWalk walk;
    if (!impl->pixels || !walk.Start(a, b)) return;
    int64_t first, end;
    walk.Within(impl->width, 0, impl->height, &first, &end);
    if (first >= end) return;
    const int64_t ya = walk.Y(first, walk.Minor(first)), yb = walk.Y(end - 1, walk.Minor(end - 1));
    LineCmd l;
    l.state = impl->StateIndex(state);
    l.a = a;
    l.b = b;
    Command c;
    c.kind = Command::LINE;
    c.index = static_cast<int>(impl->lines.size());
    c.colour = 0;
    c.yFirst = static_cast<int>(std::min(ya, yb));
    c.yEnd = static_cast<int>(std::max(ya, yb)) + 1;
    impl->lines.push_back(l);
    impl->commands.push_back(c);
}

void KesRaster::Impl::DrawLine(const LineCmd& l, int y0, int y1) {
    LineWalk w;
    if (!w.Start(l.a, l.b)) return;
    int64_t first, end;
    w.Within(width, y0, y1, &first, &end);
    if (first >= end) return;
    const RasterState& st = states[static_cast<size_t>(l.state)];
    const BlendKind kind = KindOf(st);
    const uint32_t needed = AlphaNeeded(st);
    const uint32_t ca = l.a.colour, cb = l.b.colour;
    // The offset along the shorter axis, kept as Minor(k) with its remainder.
    int64_t m = w.Minor(first);
    int64_t rem = (2 * w.minor * first + w.major) % (2 * w.major);
    for (int64_t k = first; k < end; ++k) {
        // Colour along the line (both ends usually carry the same colour).
        uint32_t c = ca;
        if (ca != cb) {
            c = 0;
            for (int sh = 0; sh < 32; sh += 8) {
                const int64_t va = (ca >> sh) & 0xFF, vb = (cb >> sh) & 0xFF;
                c |= static_cast<uint32_t>(va + (vb - va) * k / w.major) << sh;
            }
        }
        if ((c >> 24) >= needed) {
            uint32_t* p = Row(static_cast<int>(w.Y(k, m))) + w.X(k, m);
            *p = BlendOne(kind, st, c, *p);
        }
        rem += 2 * w.minor;
        if (rem >= 2 * w.major) {
            rem -= 2 * w.major;
            ++m;
        }
    }
}

}  // namespace platform
}  // namespace kest2d
