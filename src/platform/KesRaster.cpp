// The rasteriser's public side and geometry: the queue (triangles and quads
// are queued as asked for, with the rows they may touch), and in the bands
// their setup (attribute planes, the exact whole-texel mapping, upright
// rectangles, guard-box clipping) and the walking of each triangle's edges.
#include "platform/KesRaster.h"

#include <algorithm>
#include <atomic>
#include <cmath>
#include <cstring>

#include "platform/KesRasterInternal.h"

namespace kest2d {
namespace platform {

using namespace raster;

namespace {

std::atomic<int> gForcedWorkers{0};
// Bumped whenever a test changes how the picture is filled (workers, vector
// paths): a frame filled another way counts as changed, so that the next one
// is filled again even when it is the same.
std::atomic<uint64_t> gFillWay{0};

struct Edge {
    int64_t q, r, d, qs, rs;
    void Start(int64_t xa, int64_t ya, int64_t xb, int64_t yb, int row) {
        // Pixel x lies right of the edge on this row when x*d >= num (left
        // edges) and left of it when x*d < num (right edges): both ends are
        // ceil(num / d), which is the top-left rule.
        const int64_t den = yb - ya;
        d = 256 * den;
        const int64_t yc = static_cast<int64_t>(row) * 256 + 128;
        const int64_t num = (yc - ya) * (xb - xa) + (xa - 128) * den;
        q = FloorDiv(num, d);
        r = num - q * d;
        const int64_t step = 256 * (xb - xa);
        qs = FloorDiv(step, d);
        rs = step - qs * d;
    }
    int64_t Ceil() const { return q + (r != 0 ? 1 : 0); }
    void Next() {
        q += qs;
        r += rs;
        if (r >= d) {
            r -= d;
            ++q;
        }
    }
    static int64_t FloorDiv(int64_t a, int64_t b) {
        int64_t q = a / b;
        if ((a % b != 0) && ((a < 0) != (b < 0))) --q;
        return q;
    }
};

inline int64_t CeilRow(int64_t y) { return Edge::FloorDiv(y - 128 + 255, 256); }

// Plane a x + b y + c through three values at three points.
void Plane(const double (&x)[3], const double (&y)[3], double f0, double f1, double f2, double det, double* a,
           double* b, double* c) {
    *a = ((f1 - f0) * (y[2] - y[0]) - (f2 - f0) * (y[1] - y[0])) / det;
    *b = ((f2 - f0) * (x[1] - x[0]) - (f1 - f0) * (x[2] - x[0])) / det;
    *c = f0 - *a * x[0] - *b * y[0];
}

bool Near(double v, double target) { return std::fabs(v - target) < 1e-6; }
bool NearWhole(double v) { return std::fabs(v - std::nearbyint(v)) < 1e-4; }

// The planes and sampling of the triangle va, vb, vc; false when it has no area.
// texOpaque: the state's texture is fully opaque.
bool Setup(const RasterState& state, bool texOpaque, const RasterVertex& va, const RasterVertex& vb,
           const RasterVertex& vc, Tri& t, double (&x)[3], double (&y)[3]) {
    const RasterVertex* v[3] = {&va, &vb, &vc};
    for (int i = 0; i < 3; ++i) {
        if (!std::isfinite(v[i]->x) || !std::isfinite(v[i]->y)) return false;
        x[i] = v[i]->x;
        y[i] = v[i]->y;
    }
    const double det = (x[1] - x[0]) * (y[2] - y[0]) - (x[2] - x[0]) * (y[1] - y[0]);
    if (det == 0.0 || !std::isfinite(det)) return false;
    t = Tri{};
    const KesTexture* tex = state.texture;
    if (tex && (tex->Width() <= 0 || tex->Height() <= 0)) return false;
    const double tw = tex ? tex->Width() : 1, th = tex ? tex->Height() : 1;
    // Texel space: texel i covers i - 0.5 .. i + 0.5.
    Plane(x, y, v[0]->u * tw - 0.5, v[1]->u * tw - 0.5, v[2]->u * tw - 0.5, det, &t.a[0], &t.b[0], &t.c[0]);
    Plane(x, y, v[0]->v * th - 0.5, v[1]->v * th - 0.5, v[2]->v * th - 0.5, det, &t.a[1], &t.b[1], &t.c[1]);
    // Magnified or minified: the longer of a pixel's two sides in texels.
    const double footprint = std::sqrt(std::max(t.a[0] * t.a[0] + t.a[1] * t.a[1], t.b[0] * t.b[0] + t.b[1] * t.b[1]));
    t.linear = footprint > 1.0 + 1e-9 ? state.minLinear : state.magLinear;
    // The texels the triangle's coordinates span: a picture cut from a
    // larger sheet is filtered without its neighbours.
    for (int axis = 0; axis < 2; ++axis) {
        const double size = axis ? th : tw;
        double lo = 1e300, hi = -1e300;
        for (int i = 0; i < 3; ++i) {
            const double c = (axis ? v[i]->v : v[i]->u) * size;
            lo = std::min(lo, c);
            hi = std::max(hi, c);
        }
        const double first = std::min(std::max(std::floor(lo + 1e-4), 0.0), size - 1);
        const double last = std::min(std::max(std::ceil(hi - 1e-4) - 1, first), size - 1);
        t.texels[2 * axis] = static_cast<int>(first);
        t.texels[2 * axis + 1] = static_cast<int>(last);
    }
    t.flat = va.colour == vb.colour && vb.colour == vc.colour;
    t.colour = va.colour;
    t.opaque = t.flat && (t.colour >> 24) == 0xFF && (!tex || texOpaque);
    for (int k = 0; k < 4 && !t.flat; ++k)
        Plane(x, y, (va.colour >> (8 * k)) & 0xFF, (vb.colour >> (8 * k)) & 0xFF, (vc.colour >> (8 * k)) & 0xFF, det,
              &t.a[2 + k], &t.b[2 + k], &t.c[2 + k]);
    // A mapping that turns whole pixels into whole texels (straight or a
    // quarter turn, unscaled) needs no filtering: bilinear at texel centres,
    // and nearest anywhere away from texel edges, give the texel itself.
    if (tex) {
        const double as = t.a[0], bs = t.b[0], at = t.a[1], bt = t.b[1];
        const bool straight = (Near(std::fabs(as), 1) && Near(bs, 0) && Near(at, 0) && Near(std::fabs(bt), 1));
        const bool turned = (Near(as, 0) && Near(std::fabs(bs), 1) && Near(std::fabs(at), 1) && Near(bt, 0));
        if (straight || turned) {
            const double s0 = as * 0.5 + bs * 0.5 + t.c[0], t0 = at * 0.5 + bt * 0.5 + t.c[1];
            bool whole;
            if (t.linear) {
                whole = NearWhole(s0) && NearWhole(t0);
            } else {
                // Nearest picks floor(s + 0.5): fine unless s sits on a texel edge.
                whole = !NearWhole(s0 + 0.5) && !NearWhole(t0 + 0.5);
                if (whole) {
                    // Move the planes onto the texel the nearest rule picks.
                    t.c[0] += std::floor(s0 + 0.5) - s0;
                    t.c[1] += std::floor(t0 + 0.5) - t0;
                }
            }
            if (whole) {
                t.exact = true;
                t.stepX = static_cast<int>(std::lround(as));
                t.stepY = static_cast<int>(std::lround(at));
                t.sx[0] = t.stepX;
                t.sx[1] = std::lround(bs);
                t.sx[2] = std::llround(as * 0.5 + bs * 0.5 + t.c[0]);
                t.sy[0] = t.stepY;
                t.sy[1] = std::lround(bt);
                t.sy[2] = std::llround(at * 0.5 + bt * 0.5 + t.c[1]);
            }
        }
    }
    return true;
}

bool Finite(const RasterVertex& v) { return std::isfinite(v.x) && std::isfinite(v.y); }

// The quad a, b, c, d has sides along the picture's rows and columns.
bool Upright(const RasterVertex& a, const RasterVertex& b, const RasterVertex& c, const RasterVertex& d) {
    return (a.x == b.x && c.x == d.x && a.y == d.y && b.y == c.y) ||
           (a.y == b.y && c.y == d.y && a.x == d.x && b.x == c.x);
}

}  // namespace

// ---- Queue ----

void KesRaster::Impl::Queue(const RasterState& state, int corners, const RasterVertex* v) {
    // The rows it may touch, with a row to spare on either side for the
    // snapping and the clipping.
    float lo = v[0].y, hi = v[0].y;
    for (int i = 1; i < corners; ++i) {
        lo = std::min(lo, v[i].y);
        hi = std::max(hi, v[i].y);
    }
    const double first = std::min<double>(std::max<double>(std::floor(lo) - 1.0, 0.0), height);
    const double end = std::min<double>(std::max<double>(std::ceil(hi) + 2.0, 0.0), height);
    if (first >= end) return;
    Prim p;
    p.state = StateIndex(state);
    p.corners = corners;
    std::copy(v, v + corners, p.v);
    Command c;
    c.kind = Command::PRIM;
    c.index = static_cast<int>(prims.size());
    c.colour = 0;
    c.yFirst = static_cast<int>(first);
    c.yEnd = static_cast<int>(end);
    prims.push_back(p);
    commands.push_back(c);
}

// ---- In the bands ----

void KesRaster::Impl::DrawBand(int band) {
    const int y0 = static_cast<int>(static_cast<int64_t>(height) * band / bands);
    const int y1 = static_cast<int>(static_cast<int64_t>(height) * (band + 1) / bands);
    if (y0 >= y1) return;
    for (const Command& c : commands) {
        if (c.yEnd <= y0 || c.yFirst >= y1) continue;
        switch (c.kind) {
        case Command::CLEAR:
            for (int y = y0; y < y1; ++y) std::fill_n(Row(y), width, c.colour);
            break;
        case Command::PRIM: {
            const Prim& p = prims[static_cast<size_t>(c.index)];
            if (p.corners == 4)
                DrawQuad(p.state, p, y0, y1);
            else
                DrawTriangle(p.state, p.v[0], p.v[1], p.v[2], y0, y1);
            break;
        }
        case Command::LINE: DrawLine(lines[static_cast<size_t>(c.index)], y0, y1); break;
        }
    }
}

void KesRaster::Impl::DrawQuad(int state, const Prim& p, int y0, int y1) {
    const RasterVertex &a = p.v[0], &b = p.v[1], &c = p.v[2], &d = p.v[3];
    const RasterState& st = states[static_cast<size_t>(state)];
    // An upright rectangle whose fourth corner lies on the planes of the
    // first three is filled as one: the same pixels and values as its two
    // triangles, one span a row.
    const bool upright = Upright(a, b, c, d);
    Tri t;
    double x[3], y[3];
    if (upright && Setup(st, opaque[static_cast<size_t>(state)] != 0, a, b, c, t, x, y)) {
        const double dx = d.x + 0.0, dy = d.y + 0.0;
        const KesTexture* tex = st.texture;
        const double tw = tex ? tex->Width() : 1, th = tex ? tex->Height() : 1;
        bool planar = std::fabs(t.a[0] * dx + t.b[0] * dy + t.c[0] - (d.u * tw - 0.5)) < 1e-3 &&
                      std::fabs(t.a[1] * dx + t.b[1] * dy + t.c[1] - (d.v * th - 0.5)) < 1e-3;
        for (int k = 0; k < 4 && planar && !t.flat; ++k)
            planar = std::fabs(t.a[2 + k] * dx + t.b[2 + k] * dy + t.c[2 + k] - ((d.colour >> (8 * k)) & 0xFF)) < 1e-3;
        if (t.flat) planar = planar && d.colour == t.colour;
        const double lo = -(1 << 20), hi = 1 << 20;
        const double l = std::min(a.x, c.x), r = std::max(a.x, c.x), tp = std::min(a.y, c.y), bt = std::max(a.y, c.y);
        if (planar && l > lo && r < hi && tp > lo && bt < hi) {
            const int64_t xs = std::max<int64_t>(0, CeilRow(std::llround(l * 256.0)));
            const int64_t xe = std::min<int64_t>(width, CeilRow(std::llround(r * 256.0)));
            const int64_t ys = std::max<int64_t>(y0, CeilRow(std::llround(tp * 256.0)));
            const int64_t ye = std::min<int64_t>(y1, CeilRow(std::llround(bt * 256.0)));
            t.state = state;
            if (xs < xe && ys < ye)
                DrawRect(t, st, static_cast<int>(ys), static_cast<int>(ye), static_cast<int>(xs), static_cast<int>(xe));
            return;
        }
    }
    DrawTriangle(state, a, b, c, y0, y1);
    DrawTriangle(state, c, d, a, y0, y1);
}

void KesRaster::Impl::DrawTriangle(int state, const RasterVertex& va, const RasterVertex& vb, const RasterVertex& vc,
                                   int y0, int y1) {
    Tri t;
    double x[3], y[3];
    if (!Setup(states[static_cast<size_t>(state)], opaque[static_cast<size_t>(state)] != 0, va, vb, vc, t, x, y)) return;
    // Vertices far outside the picture are brought in by clipping the
    // triangle to a guard box; the attribute planes stay those of the whole.
    const double gx0 = -64, gy0 = -64, gx1 = width + 64.0, gy1 = height + 64.0;
    bool inside = true;
    for (int i = 0; i < 3; ++i)
        if (x[i] < gx0 || x[i] > gx1 || y[i] < gy0 || y[i] > gy1) inside = false;
    if (inside) {
        FillTriangle(state, x, y, t, y0, y1);
        return;
    }
    double px[9], py[9], qx[9], qy[9];
    int n = 3;
    for (int i = 0; i < 3; ++i) {
        px[i] = x[i];
        py[i] = y[i];
    }
    for (int side = 0; side < 4 && n > 0; ++side) {
        auto dist = [&](double X, double Y) {
            switch (side) {
            case 0: return X - gx0;
            case 1: return gx1 - X;
            case 2: return Y - gy0;
            default: return gy1 - Y;
            }
        };
        int m = 0;
        for (int i = 0; i < n; ++i) {
            const int j = (i + 1) % n;
            const double di = dist(px[i], py[i]), dj = dist(px[j], py[j]);
            if (di >= 0) {
                qx[m] = px[i];
                qy[m] = py[i];
                ++m;
            }
            if ((di >= 0) != (dj >= 0)) {
                const double f = di / (di - dj);
                qx[m] = px[i] + (px[j] - px[i]) * f;
                qy[m] = py[i] + (py[j] - py[i]) * f;
                ++m;
            }
        }
        n = m;
        std::copy(qx, qx + n, px);
        std::copy(qy, qy + n, py);
    }
    for (int i = 1; i + 1 < n; ++i) {
        const double fx[3] = {px[0], px[i], px[i + 1]}, fy[3] = {py[0], py[i], py[i + 1]};
        FillTriangle(state, fx, fy, t, y0, y1);
    }
}

void KesRaster::Impl::FillTriangle(int state, const double (&px)[3], const double (&py)[3], const Tri& planes, int y0,
                                   int y1) {
    Tri t = planes;
    t.state = state;
    int order[3] = {0, 1, 2};
    int64_t X[3], Y[3];
    for (int i = 0; i < 3; ++i) {
        X[i] = std::llround(px[i] * 256.0);
        Y[i] = std::llround(py[i] * 256.0);
    }
    std::sort(order, order + 3, [&](int l, int r) { return Y[l] < Y[r]; });
    for (int i = 0; i < 3; ++i) {
        t.X[i] = X[order[i]];
        t.Y[i] = Y[order[i]];
    }
    const int64_t lhs = (t.X[1] - t.X[0]) * (t.Y[2] - t.Y[0]), rhs = (t.Y[1] - t.Y[0]) * (t.X[2] - t.X[0]);
    if (lhs == rhs) return;  // no area
    t.midLeft = lhs < rhs;
    const int64_t first = std::max<int64_t>(0, CeilRow(t.Y[0])), end = std::min<int64_t>(height, CeilRow(t.Y[2]));
    if (first >= end) return;
    int64_t minX = std::min({t.X[0], t.X[1], t.X[2]}), maxX = std::max({t.X[0], t.X[1], t.X[2]});
    if (maxX < 0 || minX > static_cast<int64_t>(width) * 256) return;
    t.ySplit = static_cast<int>(std::min<int64_t>(std::max<int64_t>(CeilRow(t.Y[1]), first), end));
    const int ys = static_cast<int>(std::max<int64_t>(y0, first)), ye = static_cast<int>(std::min<int64_t>(y1, end));
    if (ys < ye) DrawTri(t, ys, ye);
}

void KesRaster::Impl::DrawTri(const Tri& t, int y0, int y1) {
    const RasterState& st = states[static_cast<size_t>(t.state)];
    Edge longEdge, shortEdge;
    longEdge.Start(t.X[0], t.Y[0], t.X[2], t.Y[2], y0);
    bool upper = y0 < t.ySplit;
    if (upper)
        shortEdge.Start(t.X[0], t.Y[0], t.X[1], t.Y[1], y0);
    else
        shortEdge.Start(t.X[1], t.Y[1], t.X[2], t.Y[2], y0);
    for (int y = y0; y < y1; ++y) {
        if (upper && y >= t.ySplit) {
            upper = false;
            shortEdge.Start(t.X[1], t.Y[1], t.X[2], t.Y[2], y);
        }
        const int64_t l = t.midLeft ? shortEdge.Ceil() : longEdge.Ceil();
        const int64_t r = t.midLeft ? longEdge.Ceil() : shortEdge.Ceil();
        const int xs = static_cast<int>(std::max<int64_t>(l, 0)), xe = static_cast<int>(std::min<int64_t>(r, width));
        if (xs < xe) DrawSpan(t, st, y, xs, xe);
        longEdge.Next();
        shortEdge.Next();
    }
}

// ---- Public side ----

KesRaster::KesRaster() : mImpl(new Impl()) {}

KesRaster::~KesRaster() { delete mImpl; }

void KesRaster::SetTarget(uint32_t* pixels, int width, int height, int pitch) {
    mImpl->Reset();
    mImpl->drawn.valid = false;
    mImpl->pixels = pixels;
    mImpl->width = pixels ? width : 0;
    mImpl->height = pixels ? height : 0;
    mImpl->pitch = pitch;
}

void KesRaster::SetWorkersForTest(int workers) {
    gForcedWorkers.store(std::max(0, workers));
    ++gFillWay;
}

void KesRaster::SetWidePathsForTest(bool on) {
    SetAvx2(on);
    ++gFillWay;
}

void KesRaster::Clear(uint32_t colour) {
    // Everything before a clear is hidden by it.
    mImpl->Reset();
    Command c;
    c.kind = Command::CLEAR;
    c.index = 0;
    c.colour = colour;
    c.yFirst = 0;
    c.yEnd = mImpl->height;
    mImpl->commands.push_back(c);
    mImpl->wholePicture = true;
}

void KesRaster::Triangle(const RasterState& state, const RasterVertex& a, const RasterVertex& b,
                         const RasterVertex& c) {
    if (!mImpl->pixels || !Finite(a) || !Finite(b) || !Finite(c)) return;
    const RasterVertex v[3] = {a, b, c};
    mImpl->Queue(state, 3, v);
}

void KesRaster::Quad(const RasterState& state, const RasterVertex& a, const RasterVertex& b, const RasterVertex& c,
                     const RasterVertex& d) {
    if (!mImpl->pixels) return;
    if (!Finite(a) || !Finite(b) || !Finite(c) || !Finite(d)) {
        // Whichever of its triangles is whole still draws.
        Triangle(state, a, b, c);
        Triangle(state, c, d, a);
        return;
    }
    const RasterVertex v[4] = {a, b, c, d};
    Impl* impl = mImpl;
    impl->Queue(state, 4, v);
    // A clear followed at once by an opaque upright quad over the whole
    // picture is never seen: every pixel is written again.
    if (impl->commands.size() == 2 && impl->commands[0].kind == Command::CLEAR &&
        impl->commands[1].kind == Command::PRIM) {
        const bool upright = Upright(a, b, c, d);
        const bool covers = std::min(a.x, c.x) <= 0 && std::max(a.x, c.x) >= impl->width && std::min(a.y, c.y) <= 0 &&
                            std::max(a.y, c.y) >= impl->height;
        const bool flatOpaque = a.colour == b.colour && b.colour == c.colour && c.colour == d.colour &&
                                (a.colour >> 24) == 0xFF &&
                                (!state.texture || impl->opaque[static_cast<size_t>(impl->prims.back().state)] != 0);
        const bool writes = (!state.blend || (flatOpaque && KindOf(state) == BLEND_KIND_OVER)) &&
                            (!state.alphaTest || (flatOpaque && state.alphaRef <= 255));
        const bool sampled = !state.texture || (state.texture->Width() > 0 && state.texture->Height() > 0);
        if (upright && covers && writes && sampled) impl->commands.erase(impl->commands.begin());
    }
}

namespace {

// Plain records without padding compared byte for byte: a vertex that differs
// in any bit counts as changed.
template <typename T>
bool SameRecords(const std::vector<T>& a, const std::vector<T>& b) {
    return a.size() == b.size() && (a.empty() || std::memcmp(a.data(), b.data(), a.size() * sizeof(T)) == 0);
}
static_assert(sizeof(Prim) == 2 * sizeof(int) + 4 * sizeof(RasterVertex), "Prim has padding");
static_assert(sizeof(LineCmd) == sizeof(int) + 2 * sizeof(RasterVertex), "LineCmd has padding");
static_assert(sizeof(Command) == 5 * sizeof(int), "Command has padding");
static_assert(sizeof(RasterVertex) == 5 * 4, "RasterVertex has padding");

}  // namespace

bool KesRaster::Impl::SameAsDrawn() {
    if (!drawn.valid || drawn.way != gFillWay.load() || states.size() != drawn.states.size() ||
        !SameRecords(commands, drawn.commands) || !SameRecords(prims, drawn.prims) || !SameRecords(lines, drawn.lines))
        return false;
    for (size_t i = 0; i < states.size(); ++i)
        if (!SameState(states[i], drawn.states[i]) || stamps[i].serial != drawn.stamps[i].serial ||
            stamps[i].version != drawn.stamps[i].version)
            return false;
    return true;
}

void KesRaster::Flush() {
    Impl* impl = mImpl;
    if (impl->commands.empty()) return;
    if (impl->pixels && impl->height > 0) {
        impl->stamps.clear();
        for (const RasterState& s : impl->states)
            impl->stamps.push_back(s.texture ? TextureStamp{s.texture->Serial(), s.texture->Version()}
                                             : TextureStamp{0, 0});
        if (!impl->wholePicture || !impl->SameAsDrawn()) {
            const int forced = gForcedWorkers.load();
            impl->bands = std::max(1, std::min(forced > 0 ? forced : PoolWorkers(), impl->height));
            PoolRun(impl->bands, [](void* ctx, int band) { static_cast<Impl*>(ctx)->DrawBand(band); }, impl);
            ++impl->fills;
            // Kept for the next flush; the buffers swapped out keep their
            // capacity for the next queue.
            Impl::Drawn& d = impl->drawn;
            d.states.swap(impl->states);
            d.stamps.swap(impl->stamps);
            d.prims.swap(impl->prims);
            d.lines.swap(impl->lines);
            d.commands.swap(impl->commands);
            d.valid = impl->wholePicture;
            d.way = gFillWay.load();
        }
    }
    impl->Reset();
}

uint64_t KesRaster::Fills() const { return mImpl->fills; }

}  // namespace platform
}  // namespace kest2d
