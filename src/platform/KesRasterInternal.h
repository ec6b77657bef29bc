// What the rasteriser's files share: the queued commands, the flush's state
// (KesRaster::Impl), the pixel arithmetic of blending and the worker pool's
// entry. Private to src/platform/KesRaster*.cpp.
#pragma once

#include <algorithm>
#include <cstdint>
#include <vector>

#include "platform/KesRaster.h"
#include "platform/KesRenderDevice.h"

// The SSE2 paths are built where the compiler targets SSE2; the AVX2 paths
// on x86-64 with GCC or Clang, chosen at run time.
#if defined(__SSE2__)
#include <emmintrin.h>
#endif
#if defined(__x86_64__) && defined(__GNUC__)
#include <immintrin.h>
#define KES_RASTER_AVX2 1
#endif

namespace kest2d {
namespace platform {
namespace raster {

// ---- The worker pool (KesRasterPool.cpp) ----

// Participants: the calling thread plus the pool's threads (made on first use).
int PoolWorkers();
// Runs fn(ctx, band) for every band 0 .. bands - 1 on the pool and returns when
// all are done; the calling thread draws too.
void PoolRun(int bands, void (*fn)(void*, int), void* ctx);

// ---- Pixel arithmetic ----

inline uint32_t Div255(uint32_t x) { return (x + 128 + ((x + 128) >> 8)) >> 8; }  // exact for x <= 65025

inline uint32_t Factor(int f, uint32_t a) {
    switch (f) {
    case BLEND_ZERO: return 0;
    case BLEND_SRCALPHA: return a;
    case BLEND_INVSRCALPHA: return 255 - a;
    default: return 255;
    }
}

enum BlendKind { BLEND_KIND_NONE, BLEND_KIND_OVER, BLEND_KIND_ADD, BLEND_KIND_OTHER };

inline BlendKind KindOf(const RasterState& s) {
    if (!s.blend) return BLEND_KIND_NONE;
    if (s.srcBlend == BLEND_SRCALPHA && s.destBlend == BLEND_INVSRCALPHA) return BLEND_KIND_OVER;
    if (s.srcBlend == BLEND_SRCALPHA && s.destBlend == BLEND_ONE) return BLEND_KIND_ADD;
    return BLEND_KIND_OTHER;
}

// One pixel of any blend. Over keeps the picture's alpha as "source over
// destination"; additive keeps the destination's alpha.
inline uint32_t BlendOne(BlendKind kind, const RasterState& st, uint32_t s, uint32_t d) {
    const uint32_t a = s >> 24;
    switch (kind) {
    case BLEND_KIND_NONE: return s;
    case BLEND_KIND_OVER: {
        const uint32_t ia = 255 - a;
        uint32_t rb = (s & 0xFF00FFu) * a + (d & 0xFF00FFu) * ia + 0x800080u;
        rb = ((rb + ((rb >> 8) & 0xFF00FFu)) >> 8) & 0xFF00FFu;
        uint32_t ag = (((s >> 8) & 0xFFu) | 0xFF0000u) * a + ((d >> 8) & 0xFF00FFu) * ia + 0x800080u;
        ag = (ag + ((ag >> 8) & 0xFF00FFu)) & 0xFF00FF00u;
        return rb | ag;
    }
    case BLEND_KIND_ADD: {
        uint32_t rb = (s & 0xFF00FFu) * a + 0x800080u;
        rb = ((rb + ((rb >> 8) & 0xFF00FFu)) >> 8) & 0xFF00FFu;
        rb += d & 0xFF00FFu;
        rb = (rb | (((rb >> 8) & 0x10001u) * 0xFFu)) & 0xFF00FFu;
        uint32_t g = Div255(((s >> 8) & 0xFFu) * a) + ((d >> 8) & 0xFFu);
        g = std::min(g, 255u);
        return rb | (g << 8) | (d & 0xFF000000u);
    }
    default: {
        const uint32_t fs = Factor(st.srcBlend, a), fd = Factor(st.destBlend, a);
        uint32_t out = 0;
        for (int sh = 0; sh < 32; sh += 8) {
            const uint32_t v = (((s >> sh) & 0xFFu) * fs + ((d >> sh) & 0xFFu) * fd + 127) / 255;
            out |= std::min(v, 255u) << sh;
        }
        return out;
    }
    }
}

// The alpha a pixel needs to be written: the alpha test's reference when the
// test is on (it passes alpha >= reference), else any.
inline uint32_t AlphaNeeded(const RasterState& st) {
    return st.alphaTest ? static_cast<uint32_t>(std::max(0, st.alphaRef)) : 0;
}

// ---- Spans (KesRasterSpan.cpp) ----

// Whether the AVX2 paths run: the processor has AVX2 and tests have not
// turned the widest paths off (SetAvx2(false)).
bool UseAvx2();
void SetAvx2(bool on);
// Writes n source pixels over dst with the state's blending and alpha test.
void BlendSpan(BlendKind kind, const RasterState& st, const uint32_t* __restrict src, uint32_t* __restrict dst,
               int n);

// ---- Lines ----

// The pixels of a line between whole pixels, its last pixel left out (as 3D
// devices do, so that joined lines do not draw their shared corner twice):
// step k = 0 .. steps - 1 moves one pixel along the longer axis and lights,
// along the shorter one, the pixel nearest the line, halves rounded away from
// the start. Any step can be reached directly, so only the steps whose pixels
// lie in the picture are walked, however far the ends are.
struct LineWalk {
    int64_t x0, y0;        // the first pixel
    int64_t sx, sy;        // +1 or -1 along x and y
    int64_t major, minor;  // lengths along the longer and the shorter axis; steps = major
    bool xMajor;

    // False when the line lights nothing: an end not finite, or both on one pixel.
    bool Start(const RasterVertex& a, const RasterVertex& b);
    // The offset along the shorter axis after k steps.
    int64_t Minor(int64_t k) const { return (2 * minor * k + major) / (2 * major); }
    // The steps [*first, *end) whose pixels lie in columns 0 .. width - 1 and
    // rows yLo .. yHi - 1.
    void Within(int width, int yLo, int yHi, int64_t* first, int64_t* end) const;
    int64_t X(int64_t k, int64_t m) const { return x0 + sx * (xMajor ? k : m); }
    int64_t Y(int64_t k, int64_t m) const { return y0 + sy * (xMajor ? m : k); }
};

// ---- Queued work ----

struct Tri {
    int state;
    int ySplit;           // the first row below the middle vertex
    int64_t X[3], Y[3];  // sorted by Y, 1/256 pixel
    bool midLeft;
    // Attribute planes a x + b y + c over pixel centres: texel-space s and t
    // (texel centres at whole numbers), then colour b, g, r, a.
    double a[6], b[6], c[6];
    bool flat;            // one colour over the whole triangle
    uint32_t colour;      // that colour
    bool linear;          // bilinear sampling, else nearest
    bool exact;           // whole texels step by whole texels: no filtering needed
    int stepX, stepY;     // texels per pixel along a row, exact mapping
    int64_t sx[3], sy[3]; // exact mapping: texel column and row of pixel (x, y) as a x + b y + c
    int texels[4];        // columns and rows of the picture drawn (first, last, first, last): sampling stays inside
    bool opaque;          // every pixel comes out fully opaque: blending changes nothing
};

// A triangle or quad as it was asked for. It is set up by each band it may
// touch (the same arithmetic in every band), so the drawing thread only
// queues it.
struct Prim {
    int state;
    int corners;  // 3: the triangle v0, v1, v2; 4: the quad v0, v1, v2 and v2, v3, v0
    RasterVertex v[4];
};

struct LineCmd {
    int state;
    RasterVertex a, b;
};

struct Command {
    enum Kind { CLEAR, PRIM, LINE } kind;
    int index;
    uint32_t colour;
    int yFirst, yEnd;  // the rows it may touch: a band outside them skips it
};

const int kChunk = 256;

// Which pixels a state's texture had when it was drawn: the texture itself
// and how many times its pixels had been changed.
struct TextureStamp {
    uint64_t serial, version;
};

inline bool SameState(const RasterState& a, const RasterState& b) {
    return a.texture == b.texture && a.magLinear == b.magLinear && a.minLinear == b.minLinear &&
           a.addColour == b.addColour && a.blend == b.blend && a.srcBlend == b.srcBlend && a.destBlend == b.destBlend &&
           a.alphaTest == b.alphaTest && a.alphaRef == b.alphaRef;
}

}  // namespace raster

struct KesRaster::Impl {
    uint32_t* pixels = nullptr;
    int width = 0, height = 0, pitch = 0;
    std::vector<RasterState> states;
    std::vector<unsigned char> opaque;  // per state: its texture is fully opaque
    std::vector<raster::Prim> prims;
    std::vector<raster::LineCmd> lines;
    std::vector<raster::Command> commands;
    std::vector<raster::TextureStamp> stamps;  // per state, taken at the flush
    // The queue opens with something that writes every pixel (a clear, or the
    // whole-picture quad that replaced it): what it draws does not depend on
    // what the picture held before.
    bool wholePicture = false;
    int bands = 1;
    // The last queue drawn, kept while the picture still shows exactly what it
    // drew: the same queue again would draw the same pixels, so it is skipped.
    struct Drawn {
        std::vector<RasterState> states;
        std::vector<raster::TextureStamp> stamps;
        std::vector<raster::Prim> prims;
        std::vector<raster::LineCmd> lines;
        std::vector<raster::Command> commands;
        uint64_t way = 0;  // the test settings it was filled under
        bool valid = false;
    } drawn;
    uint64_t fills = 0;

    int StateIndex(const RasterState& s) {
        if (!states.empty() && raster::SameState(states.back(), s)) return static_cast<int>(states.size()) - 1;
        states.push_back(s);
        opaque.push_back(s.texture && s.texture->Opaque());
        return static_cast<int>(states.size()) - 1;
    }
    void Reset() {
        states.clear();
        opaque.clear();
        prims.clear();
        lines.clear();
        commands.clear();
        wholePicture = false;
    }
    // Whether the queue is the one last drawn, with the same texels.
    bool SameAsDrawn();
    uint32_t* Row(int y) const { return reinterpret_cast<uint32_t*>(reinterpret_cast<unsigned char*>(pixels) + static_cast<size_t>(y) * pitch); }

    // KesRaster.cpp: the queue; in the bands, setup of triangles and quads
    // and edge walking, drawing only rows y0 .. y1 - 1.
    void Queue(const RasterState& state, int corners, const RasterVertex* v);
    void DrawBand(int band);
    void DrawQuad(int state, const raster::Prim& p, int y0, int y1);
    void DrawTriangle(int state, const RasterVertex& a, const RasterVertex& b, const RasterVertex& c, int y0, int y1);
    void FillTriangle(int state, const double (&px)[3], const double (&py)[3], const raster::Tri& planes, int y0,
                      int y1);
    void DrawTri(const raster::Tri& t, int y0, int y1);
    // KesRasterSpan.cpp: the pixels of a row of a triangle and of a rectangle.
    void DrawSpan(const raster::Tri& t, const RasterState& st, int y, int xs, int xe);
    // Rows ys .. ye - 1 of an upright rectangle, columns xs .. xe - 1.
    void DrawRect(const raster::Tri& t, const RasterState& st, int ys, int ye, int xs, int xe);
    // KesRasterTurn.cpp: of those, a picture at whole texels turned by a
    // quarter, every texel it shows inside the picture's texels.
    void TurnedRect(const raster::Tri& t, const RasterState& st, int ys, int ye, int xs, int xe);
    // KesRasterLine.cpp: a line's pixels in rows y0 .. y1 - 1.
    void DrawLine(const raster::LineCmd& l, int y0, int y1);
};

}  // namespace platform
}  // namespace kest2d
