// Queueing one quad, and turning the quad of the latest image or rectangle
// (Rotate). A turned picture is turned whole and cut to its clip afterwards:
// the cut of the upright picture would be turned with it, and the picture's
// own edges are left to the device, which clips every triangle exactly.
#include <algorithm>
#include <cmath>

#include "frame/Kest2dBaseFrame.h"
#include "render/Kest2dBatch.h"

namespace kest2d {

namespace {

// A corner of the turned quad with what it carries, in doubles while it is cut.
struct Corner {
    double x, y, u, v;
    double c[4];  // blue, green, red, alpha
};

Corner FromVertex(double x, double y, const KESVertex& w) {
    Corner p{x, y, w.tx, w.ty, {}};
    for (int k = 0; k < 4; ++k) p.c[k] = (w.col >> (8 * k)) & 0xFF;
    return p;
}

KESVertex ToVertex(const Corner& p) {
    DWORD col = 0;
    for (int k = 0; k < 4; ++k) col |= static_cast<DWORD>(std::lround(p.c[k])) << (8 * k);
    return KESVertex{static_cast<float>(p.x), static_cast<float>(p.y), 0.0f, col, static_cast<float>(p.u),
                     static_cast<float>(p.v)};
}

// Keeps the part of the convex polygon p (n corners) where side(x, y) >= 0;
// side is linear. At most one corner is added per cut.
int CutPolygon(Corner* p, int n, double (*side)(const Corner&, double), double at) {
    Corner out[8];
    int m = 0;
    for (int i = 0; i < n; ++i) {
        const Corner& a = p[i];
        const Corner& b = p[(i + 1) % n];
        const double da = side(a, at), db = side(b, at);
        if (da >= 0) out[m++] = a;
        if ((da > 0 && db < 0) || (da < 0 && db > 0)) {
            const double f = da / (da - db);
            Corner c;
            c.x = a.x + (b.x - a.x) * f;
            c.y = a.y + (b.y - a.y) * f;
            c.u = a.u + (b.u - a.u) * f;
            c.v = a.v + (b.v - a.v) * f;
            for (int k = 0; k < 4; ++k) c.c[k] = a.c[k] + (b.c[k] - a.c[k]) * f;
            out[m++] = c;
        }
    }
    for (int i = 0; i < m; ++i) p[i] = out[i];
    return m;
}

}  // namespace

int CKesBaseFrame::QueueQuad(unsigned long texture, const std::shared_ptr<platform::KesTexture>& ref, int blendMode,
                             const KESVertex (&v)[4]) {
    const int at = BatchSlot(kKindQuads, texture, ref, blendMode);
    if (at < 0) return -1;
    for (int i = 0; i < 4; ++i) mVertexPtr[at + i] = v[i];
    return at / 4;
}

void CKesBaseFrame::KeepWholeQuad(unsigned long texture, int blendMode, int queued, const KESVertex (&whole)[4],
                                  const CKesRect<int>* clip) {
    TurnableQuad& q = mLastQuad;
    q.valid = true;
    q.first = queued < 0 ? mBatchCount : queued;
    q.count = queued < 0 ? 0 : 1;
    q.texture = texture;
    q.blendMode = blendMode;
    for (int i = 0; i < 4; ++i) q.whole[i] = whole[i];
    q.clipped = clip != nullptr;
    if (clip) q.clip = *clip;
}

void CKesBaseFrame::Rotate(int angle, CKesPosition2d<int> position, CKesDimension2d<int> size,
                           CKesPosition2d<int> hotSpot, float hScale, float vScale) {
    if (static_cast<float>(angle) == 0.0f) return;
    // Only what the previous drawing call queued is turned.
    if (!mVertexPtr || !mLastQuad.valid) return;
    const TurnableQuad last = mLastQuad;
    std::shared_ptr<platform::KesTexture> ref;
    if (last.texture) {
        ref = TextureForDrawing(last.texture);
        if (!ref) return;
    }
    if (vScale == 0.0f) vScale = hScale;
    // Sizes and hot spots anywhere in the range of int: the differences are
    // taken wide before they become floats.
    const float tx1 = static_cast<float>(-static_cast<long long>(hotSpot.X)) * hScale;
    const float ty1 = static_cast<float>(-static_cast<long long>(hotSpot.Y)) * vScale;
    const float tx2 = static_cast<float>(static_cast<long long>(size.Width) - hotSpot.X) * hScale;
    const float ty2 = static_cast<float>(static_cast<long long>(size.Height) - hotSpot.Y) * vScale;
    const float a = static_cast<float>(angle) * 0.0174532924f;
    const float c = std::cos(a), s = std::sin(a);
    const float px = static_cast<float>(position.X), py = static_cast<float>(position.Y);
    const float ox[4] = {tx1, tx1, tx2, tx2};
    const float oy[4] = {ty1, ty2, ty2, ty1};
    Corner poly[8];
    int n = 4;
    for (int i = 0; i < 4; ++i)
        poly[i] = FromVertex(ox[i] * c - oy[i] * s + px, ox[i] * s + oy[i] * c + py, last.whole[i]);

    // The clip's sides that lie inside the picture cut the turned quad.
    if (last.clipped) {
        const CKesDimension2d<int> screen = getScreenSize();
        const CKesRect<int>& r = last.clip;
        struct Side {
            bool cuts;
            double (*side)(const Corner&, double);
            double at;
        } sides[4] = {
            {r.UpperLeftCorner.X > 0, [](const Corner& p, double at) { return p.x - at; }, double(r.UpperLeftCorner.X)},
            {r.UpperLeftCorner.Y > 0, [](const Corner& p, double at) { return p.y - at; }, double(r.UpperLeftCorner.Y)},
            {r.LowerRightCorner.X < screen.Width, [](const Corner& p, double at) { return at - p.x; },
             double(r.LowerRightCorner.X)},
            {r.LowerRightCorner.Y < screen.Height, [](const Corner& p, double at) { return at - p.y; },
             double(r.LowerRightCorner.Y)},
        };
        for (const Side& side : sides)
            if (side.cuts && n > 0) n = CutPolygon(poly, n, side.side, side.at);
    }

    // The call's own quads give way to the turned one, a fan of quads when
    // the cut left more than four corners.
    mBatchCount -= last.count;
    const int quads = n >= 3 ? (n - 1) / 2 : 0;
    if (mBatchKind == kKindQuads && mBatchTexture == last.texture && mBlendMode == last.blendMode &&
        mBatchCount + quads > kQuadCapacity)
        Render_batch(false);
    int first = -1;
    for (int q = 0; q < quads; ++q) {
        const KESVertex v[4] = {ToVertex(poly[0]), ToVertex(poly[2 * q + 1]), ToVertex(poly[2 * q + 2]),
                                ToVertex(poly[std::min(2 * q + 3, n - 1)])};
        const int at = QueueQuad(last.texture, ref, last.blendMode, v);
        if (first < 0) first = at;
    }
    mLastQuad = last;
    mLastQuad.first = first < 0 ? mBatchCount : first;
    mLastQuad.count = quads;
}

}  // namespace kest2d
