#include "platform/KesRaster.h"

#include <algorithm>
#include <atomic>
#include <cmath>
#include <condition_variable>
#include <cstring>
#include <mutex>
#include <thread>

#if defined(__SSE2__)
#include <emmintrin.h>
#endif

#include "platform/KesRenderDevice.h"

namespace kest2d {
namespace platform {

namespace {

// ---- The worker pool: made once for the process, sleeping while idle ----

class Pool {
public:
    static Pool& Get() {
        static Pool* pool = new Pool();  // never destroyed: its threads sleep until the process ends
        return *pool;
    }
    // Participants: the calling thread plus the pool's threads.
    int Workers() const { return static_cast<int>(mThreads.size()) + 1; }

    // Runs fn(ctx, band) for every band 0 .. bands - 1 and returns when all are
    // done. The caller draws too, and whoever is free takes the next band, so
    // a worker the system has not woken yet holds nothing up.
    void Run(int bands, void (*fn)(void*, int), void* ctx) {
        if (bands <= 1 || Workers() <= 1) {
            for (int b = 0; b < bands; ++b) fn(ctx, b);
            return;
        }
        uint32_t generation;
        {
            std::lock_guard<std::mutex> lock(mMutex);
            mFn = fn;
            mCtx = ctx;
            mBands = bands;
            mFinished = 0;
            generation = ++mGeneration;
            mNext.store(static_cast<uint64_t>(generation) << 32, std::memory_order_release);
        }
        mWake.notify_all();
        Work(generation, fn, ctx, bands);
        std::unique_lock<std::mutex> lock(mMutex);
        mDone.wait(lock, [&] { return mFinished == mBands; });
    }

private:
    Pool() {
        const unsigned cores = std::thread::hardware_concurrency();
        const int threads = cores > 1 ? static_cast<int>(std::min(cores, 64u)) - 1 : 0;
        for (int i = 0; i < threads; ++i) mThreads.emplace_back([this] { Loop(); });
        for (std::thread& t : mThreads) t.detach();
    }

    // Takes bands of job `generation` until none is left.
    void Work(uint32_t generation, void (*fn)(void*, int), void* ctx, int bands) {
        int done = 0;
        for (;;) {
            uint64_t v = mNext.load(std::memory_order_acquire);
            if (static_cast<uint32_t>(v >> 32) != generation || static_cast<int>(v & 0xFFFFFFFFu) >= bands) break;
            if (!mNext.compare_exchange_weak(v, v + 1, std::memory_order_acq_rel)) continue;
            fn(ctx, static_cast<int>(v & 0xFFFFFFFFu));
            ++done;
        }
        if (done == 0) return;
        std::lock_guard<std::mutex> lock(mMutex);
        mFinished += done;
        if (mFinished == mBands) mDone.notify_all();
    }

    void Loop() {
        uint32_t seen = 0;
        std::unique_lock<std::mutex> lock(mMutex);
        for (;;) {
            mWake.wait(lock, [&] { return mGeneration != seen; });
            seen = mGeneration;
            void (*fn)(void*, int) = mFn;
            void* ctx = mCtx;
            const int bands = mBands;
            lock.unlock();
            Work(seen, fn, ctx, bands);
            lock.lock();
        }
    }

    std::mutex mMutex;
    std::condition_variable mWake, mDone;
    std::vector<std::thread> mThreads;
    uint32_t mGeneration = 0;
    std::atomic<uint64_t> mNext{0};  // generation << 32 | next band
    void (*mFn)(void*, int) = nullptr;
    void* mCtx = nullptr;
    int mBands = 0, mFinished = 0;
};

std::atomic<int> gForcedWorkers{0};

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

BlendKind KindOf(const RasterState& s) {
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

// Writes n source pixels over dst with the state's blending and alpha test.
void BlendSpan(BlendKind kind, const RasterState& st, const uint32_t* __restrict src, uint32_t* __restrict dst,
               int n) {
    int i = 0;
    if (kind == BLEND_KIND_OVER) {
        // Alpha 0 leaves the pixel as it is, so the alpha test (reference 1 or
        // below) changes nothing here.
#if defined(__SSE2__)
        if (!st.alphaTest || st.alphaRef <= 1) {
            const __m128i zero = _mm_setzero_si128();
            const __m128i c255 = _mm_set1_epi16(255);
            const __m128i c128 = _mm_set1_epi16(128);
            const __m128i alphaLane = _mm_set_epi16(255, 0, 0, 0, 255, 0, 0, 0);
            auto half = [&](__m128i s, __m128i d) {
                __m128i a = _mm_shufflehi_epi16(_mm_shufflelo_epi16(s, 0xFF), 0xFF);
                s = _mm_or_si128(s, alphaLane);  // the picture's alpha: a + d.a (255 - a) / 255
                __m128i x = _mm_add_epi16(_mm_add_epi16(_mm_mullo_epi16(s, a), _mm_mullo_epi16(d, _mm_sub_epi16(c255, a))),
                                          c128);
                return _mm_srli_epi16(_mm_add_epi16(x, _mm_srli_epi16(x, 8)), 8);
            };
            for (; i + 4 <= n; i += 4) {
                const __m128i s = _mm_loadu_si128(reinterpret_cast<const __m128i*>(src + i));
                const __m128i d = _mm_loadu_si128(reinterpret_cast<const __m128i*>(dst + i));
                const __m128i lo = half(_mm_unpacklo_epi8(s, zero), _mm_unpacklo_epi8(d, zero));
                const __m128i hi = half(_mm_unpackhi_epi8(s, zero), _mm_unpackhi_epi8(d, zero));
                _mm_storeu_si128(reinterpret_cast<__m128i*>(dst + i), _mm_packus_epi16(lo, hi));
            }
        }
#endif
    }
    if (kind == BLEND_KIND_NONE && !st.alphaTest) {
        std::memcpy(dst, src, static_cast<size_t>(n) * 4);
        return;
    }
    const uint32_t ref = st.alphaTest ? static_cast<uint32_t>(std::max(0, st.alphaRef)) : 0;
    for (; i < n; ++i) {
        const uint32_t s = src[i];
        const uint32_t out = BlendOne(kind, st, s, dst[i]);
        dst[i] = (s >> 24) >= ref ? out : dst[i];
    }
}

// ---- Queued work ----

struct Tri {
    int state;
    int yFirst, yEnd, ySplit;
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
    bool rect;            // an upright rectangle: columns xs .. xe - 1 on every row
    int xs, xe;
};

struct LineCmd {
    int state;
    RasterVertex a, b;
};

struct Command {
    enum Kind { CLEAR, TRIANGLE, LINE } kind;
    int index;
    uint32_t colour;
};

const int kChunk = 256;

}  // namespace

struct KesRaster::Impl {
    uint32_t* pixels = nullptr;
    int width = 0, height = 0, pitch = 0;
    std::vector<RasterState> states;
    std::vector<Tri> tris;
    std::vector<LineCmd> lines;
    std::vector<Command> commands;
    int bands = 1;

    int StateIndex(const RasterState& s) {
        if (!states.empty()) {
            const RasterState& b = states.back();
            if (b.texture == s.texture && b.magLinear == s.magLinear && b.minLinear == s.minLinear &&
                b.addColour == s.addColour && b.blend == s.blend && b.srcBlend == s.srcBlend &&
                b.destBlend == s.destBlend && b.alphaTest == s.alphaTest && b.alphaRef == s.alphaRef)
                return static_cast<int>(states.size()) - 1;
        }
        states.push_back(s);
        return static_cast<int>(states.size()) - 1;
    }
    void Reset() {
        states.clear();
        tris.clear();
        lines.clear();
        commands.clear();
    }
    uint32_t* Row(int y) const { return reinterpret_cast<uint32_t*>(reinterpret_cast<unsigned char*>(pixels) + static_cast<size_t>(y) * pitch); }

    void AddTriangle(int state, const double (&px)[3], const double (&py)[3], const Tri& planes);
    void DrawBand(int band);
    void DrawTri(const Tri& t, int y0, int y1);
    void DrawSpan(const Tri& t, const RasterState& st, int y, int xs, int xe);
    void DrawLine(const LineCmd& l, int y0, int y1);
};

namespace {

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

}  // namespace

void KesRaster::Impl::AddTriangle(int state, const double (&px)[3], const double (&py)[3], const Tri& planes) {
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
    const int64_t y0 = std::max<int64_t>(0, CeilRow(t.Y[0])), y1 = std::min<int64_t>(height, CeilRow(t.Y[2]));
    if (y0 >= y1) return;
    int64_t minX = std::min({t.X[0], t.X[1], t.X[2]}), maxX = std::max({t.X[0], t.X[1], t.X[2]});
    if (maxX < 0 || minX > static_cast<int64_t>(width) * 256) return;
    t.yFirst = static_cast<int>(y0);
    t.yEnd = static_cast<int>(y1);
    t.ySplit = static_cast<int>(std::min<int64_t>(std::max<int64_t>(CeilRow(t.Y[1]), y0), y1));
    Command c;
    c.kind = Command::TRIANGLE;
    c.index = static_cast<int>(tris.size());
    c.colour = 0;
    tris.push_back(t);
    commands.push_back(c);
}

void KesRaster::Impl::DrawBand(int band) {
    const int y0 = static_cast<int>(static_cast<int64_t>(height) * band / bands);
    const int y1 = static_cast<int>(static_cast<int64_t>(height) * (band + 1) / bands);
    if (y0 >= y1) return;
    for (const Command& c : commands) {
        switch (c.kind) {
        case Command::CLEAR:
            for (int y = y0; y < y1; ++y) std::fill_n(Row(y), width, c.colour);
            break;
        case Command::TRIANGLE: {
            const Tri& t = tris[static_cast<size_t>(c.index)];
            if (t.yEnd <= y0 || t.yFirst >= y1) break;
            if (t.rect) {
                const RasterState& st = states[static_cast<size_t>(t.state)];
                for (int y = std::max(y0, t.yFirst), e = std::min(y1, t.yEnd); y < e; ++y) DrawSpan(t, st, y, t.xs, t.xe);
            } else {
                DrawTri(t, std::max(y0, t.yFirst), std::min(y1, t.yEnd));
            }
            break;
        }
        case Command::LINE: DrawLine(lines[static_cast<size_t>(c.index)], y0, y1); break;
        }
    }
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

void KesRaster::Impl::DrawSpan(const Tri& t, const RasterState& st, int y, int xs, int xe) {
    uint32_t* dst = Row(y);
    // Fully opaque pixels over anything, or with blending off, are the pixels themselves.
    const bool copy = t.opaque && (!st.blend || KindOf(st) == BLEND_KIND_OVER);
    const BlendKind kind = KindOf(st);
    const KesTexture* tex = st.texture;
    const int tw = tex ? tex->Width() : 0, th = tex ? tex->Height() : 0;
    const uint32_t* texels = tex ? tex->Pixels() : nullptr;
    const int uLo = t.texels[0], uHi = t.texels[1], vLo = t.texels[2], vHi = t.texels[3];
    const double cy = y + 0.5;
    uint32_t src[kChunk];
    uint32_t col[kChunk];
    const bool modulateWhite = t.flat && t.colour == 0xFFFFFFFFu && !st.addColour;
    for (int x0 = xs; x0 < xe; x0 += kChunk) {
        const int n = std::min(kChunk, xe - x0);
        const double cx = x0 + 0.5;
        const uint32_t* in = src;
        // Texels.
        if (!tex) {
            // No texture: the vertex colour itself (white plus colour is white).
            if (t.flat) {
                std::fill_n(src, n, st.addColour ? (t.colour | 0xFFFFFFu) : t.colour);
            } else {
                float base[4], step[4];
                for (int k = 0; k < 4; ++k) {
                    base[k] = static_cast<float>(t.a[2 + k] * cx + t.b[2 + k] * cy + t.c[2 + k]) + 0.5f;
                    step[k] = static_cast<float>(t.a[2 + k]);
                }
                for (int i = 0; i < n; ++i) {
                    uint32_t out = 0;
                    for (int k = 0; k < 4; ++k) {
                        const float v = std::min(std::max(base[k] + step[k] * static_cast<float>(i), 0.0f), 255.0f);
                        out |= static_cast<uint32_t>(v) << (8 * k);
                    }
                    src[i] = out;
                }
                if (st.addColour)
                    for (int i = 0; i < n; ++i) src[i] |= 0xFFFFFFu;
            }
            if (copy)
                std::memcpy(dst + x0, src, static_cast<size_t>(n) * 4);
            else
                BlendSpan(kind, st, src, dst + x0, n);
            continue;
        }
        if (t.exact) {
            // Texel centres land on pixel centres: step through whole texels.
            const int ix = static_cast<int>(t.sx[0] * x0 + t.sx[1] * y + t.sx[2]);
            const int iy = static_cast<int>(t.sy[0] * x0 + t.sy[1] * y + t.sy[2]);
            const int ex = ix + t.stepX * (n - 1), ey = iy + t.stepY * (n - 1);
            const bool inside = ix >= uLo && ix <= uHi && iy >= vLo && iy <= vHi && ex >= uLo && ex <= uHi && ey >= vLo &&
                                ey <= vHi;
            if (inside) {
                const uint32_t* p = texels + static_cast<size_t>(iy) * tw + ix;
                const ptrdiff_t stride = t.stepX + static_cast<ptrdiff_t>(t.stepY) * tw;
                if (stride == 1 && modulateWhite) {
                    in = p;
                } else {
                    for (int i = 0; i < n; ++i) src[i] = p[i * stride];
                }
            } else {
                for (int i = 0; i < n; ++i) {
                    const int u = std::min(std::max(ix + t.stepX * i, uLo), uHi);
                    const int v = std::min(std::max(iy + t.stepY * i, vLo), vHi);
                    src[i] = texels[static_cast<size_t>(v) * tw + u];
                }
            }
        } else if (!t.linear) {
            const double s0 = t.a[0] * cx + t.b[0] * cy + t.c[0];
            const double t0 = t.a[1] * cx + t.b[1] * cy + t.c[1];
            const float sb = static_cast<float>(s0) + 0.5f, tb = static_cast<float>(t0) + 0.5f;
            const float sd = static_cast<float>(t.a[0]), td = static_cast<float>(t.a[1]);
            for (int i = 0; i < n; ++i) {
                const float fs = std::min(std::max(sb + sd * static_cast<float>(i), static_cast<float>(uLo)), uHi + 0.5f);
                const float ft = std::min(std::max(tb + td * static_cast<float>(i), static_cast<float>(vLo)), vHi + 0.5f);
                src[i] = texels[static_cast<size_t>(static_cast<int>(ft)) * tw + static_cast<int>(fs)];
            }
        } else {
            const double s0 = t.a[0] * cx + t.b[0] * cy + t.c[0];
            const double t0 = t.a[1] * cx + t.b[1] * cy + t.c[1];
            const float sb = static_cast<float>(s0), tb = static_cast<float>(t0);
            const float sd = static_cast<float>(t.a[0]), td = static_cast<float>(t.a[1]);
            const float sw = static_cast<float>(tw), shh = static_cast<float>(th);
            bool sampled = false;
            if (t.a[1] == 0.0) {
                // Texel rows lie along the pixel row: blend the two texel rows
                // once per texel column, then along the row.
                const float ft = std::min(std::max(tb, -1.0f), shh);
                const int qt = static_cast<int>((ft + 1.0f) * 256.0f + 0.5f) - 256;
                const uint64_t wy = static_cast<uint64_t>(qt & 255), iwy = 256 - wy;
                const int v0 = qt >> 8;
                const uint32_t* ra = texels + static_cast<size_t>(std::min(std::max(v0, vLo), vHi)) * tw;
                const uint32_t* rb = texels + static_cast<size_t>(std::min(std::max(v0 + 1, vLo), vHi)) * tw;
                int us[kChunk];
                uint32_t ws[kChunk];
                for (int i = 0; i < n; ++i) {
                    const float fs = std::min(std::max(sb + sd * static_cast<float>(i), -1.0f), sw);
                    const int qs = static_cast<int>((fs + 1.0f) * 256.0f + 0.5f) - 256;
                    us[i] = qs >> 8;
                    ws[i] = static_cast<uint32_t>(qs & 255);
                }
                const int lo = std::min(std::max(std::min(us[0], us[n - 1]), uLo), uHi);
                const int hi = std::min(std::max(std::max(us[0], us[n - 1]) + 1, uLo), uHi);
                if (hi - lo < kChunk) {
                    // Per column the two rows blended, 15 bits a channel (blue, green, red, alpha).
                    alignas(16) int16_t cols[(kChunk + 2) * 4];
                    int u = lo;
#if defined(__SSE2__)
                    {
                        const __m128i zero = _mm_setzero_si128();
                        const __m128i w = _mm_set1_epi32(static_cast<int>(wy << 16 | iwy));
                        for (; u + 2 <= hi + 1; u += 2) {
                            const __m128i a = _mm_unpacklo_epi8(_mm_loadl_epi64(reinterpret_cast<const __m128i*>(ra + u)), zero);
                            const __m128i b = _mm_unpacklo_epi8(_mm_loadl_epi64(reinterpret_cast<const __m128i*>(rb + u)), zero);
                            const __m128i c0 = _mm_srli_epi32(_mm_madd_epi16(_mm_unpacklo_epi16(a, b), w), 1);
                            const __m128i c1 = _mm_srli_epi32(_mm_madd_epi16(_mm_unpackhi_epi16(a, b), w), 1);
                            _mm_store_si128(reinterpret_cast<__m128i*>(cols + (u - lo) * 4), _mm_packs_epi32(c0, c1));
                        }
                    }
#endif
                    for (; u <= hi; ++u)
                        for (int k = 0; k < 4; ++k) {
                            const uint64_t ca = ra[u] >> (8 * k) & 0xFFu, cb = rb[u] >> (8 * k) & 0xFFu;
                            cols[(u - lo) * 4 + k] = static_cast<int16_t>((ca * iwy + cb * wy) >> 1);
                        }
                    int i = 0;
#if defined(__SSE2__)
                    const __m128i half = _mm_set1_epi32(16384);
                    auto pixel = [&](int k) {
                        const int ua = std::min(std::max(us[k], lo), hi) - lo;
                        const int ub = std::min(std::max(us[k] + 1, lo), hi) - lo;
                        const __m128i pair = _mm_unpacklo_epi16(_mm_loadl_epi64(reinterpret_cast<const __m128i*>(cols + 4 * ua)),
                                                                _mm_loadl_epi64(reinterpret_cast<const __m128i*>(cols + 4 * ub)));
                        const __m128i w = _mm_set1_epi32(static_cast<int>(ws[k] << 16 | (256 - ws[k])));
                        return _mm_srai_epi32(_mm_add_epi32(_mm_madd_epi16(pair, w), half), 15);
                    };
                    for (; i + 2 <= n; i += 2) {
                        const __m128i r = _mm_packs_epi32(pixel(i), pixel(i + 1));
                        _mm_storel_epi64(reinterpret_cast<__m128i*>(src + i), _mm_packus_epi16(r, r));
                    }
#endif
                    for (; i < n; ++i) {
                        const int ua = std::min(std::max(us[i], lo), hi) - lo;
                        const int ub = std::min(std::max(us[i] + 1, lo), hi) - lo;
                        const int wx = static_cast<int>(ws[i]), iwx = 256 - wx;
                        uint32_t out = 0;
                        for (int k = 0; k < 4; ++k)
                            out |= static_cast<uint32_t>((cols[ua * 4 + k] * iwx + cols[ub * 4 + k] * wx + 16384) >> 15) << (8 * k);
                        src[i] = out;
                    }
                    sampled = true;
                }
            }
            for (int i = 0; i < n && !sampled; ++i) {
                // 8 fraction bits; the +1 keeps the truncation a floor.
                const float fs = std::min(std::max(sb + sd * static_cast<float>(i), -1.0f), sw);
                const float ft = std::min(std::max(tb + td * static_cast<float>(i), -1.0f), shh);
                const int qs = static_cast<int>((fs + 1.0f) * 256.0f + 0.5f) - 256;
                const int qt = static_cast<int>((ft + 1.0f) * 256.0f + 0.5f) - 256;
                const int u0 = qs >> 8, v0 = qt >> 8;
                const uint32_t wx = static_cast<uint32_t>(qs & 255), wy = static_cast<uint32_t>(qt & 255);
                const int ua = std::min(std::max(u0, uLo), uHi), ub = std::min(std::max(u0 + 1, uLo), uHi);
                const int va = std::min(std::max(v0, vLo), vHi), vb = std::min(std::max(v0 + 1, vLo), vHi);
                const uint32_t* ra = texels + static_cast<size_t>(va) * tw;
                const uint32_t* rb = texels + static_cast<size_t>(vb) * tw;
                const uint32_t c00 = ra[ua], c10 = ra[ub], c01 = rb[ua], c11 = rb[ub];
                uint32_t out = 0;
                for (int sh = 0; sh < 32; sh += 8) {
                    const uint32_t top = ((c00 >> sh) & 0xFFu) * (256 - wx) + ((c10 >> sh) & 0xFFu) * wx;
                    const uint32_t bot = ((c01 >> sh) & 0xFFu) * (256 - wx) + ((c11 >> sh) & 0xFFu) * wx;
                    out |= ((top * (256 - wy) + bot * wy + 32768) >> 16) << sh;
                }
                src[i] = out;
            }
        }
        // Texel and vertex colour.
        if (!modulateWhite) {
            if (t.flat) {
                std::fill_n(col, n, t.colour);
            } else {
                float base[4], step[4];
                for (int k = 0; k < 4; ++k) {
                    base[k] = static_cast<float>(t.a[2 + k] * cx + t.b[2 + k] * cy + t.c[2 + k]) + 0.5f;
                    step[k] = static_cast<float>(t.a[2 + k]);
                }
                for (int i = 0; i < n; ++i) {
                    uint32_t out = 0;
                    for (int k = 0; k < 4; ++k) {
                        const float v = std::min(std::max(base[k] + step[k] * static_cast<float>(i), 0.0f), 255.0f);
                        out |= static_cast<uint32_t>(v) << (8 * k);
                    }
                    col[i] = out;
                }
            }
            if (st.addColour) {
                for (int i = 0; i < n; ++i) {
                    const uint32_t s = src[i], c = col[i];
                    uint32_t rb = (s & 0xFF00FFu) + (c & 0xFF00FFu);
                    rb = (rb | (((rb >> 8) & 0x10001u) * 0xFFu)) & 0xFF00FFu;
                    const uint32_t g = std::min(((s >> 8) & 0xFFu) + ((c >> 8) & 0xFFu), 255u);
                    src[i] = rb | (g << 8) | (Div255((s >> 24) * (c >> 24)) << 24);
                }
            } else {
                for (int i = 0; i < n; ++i) {
                    const uint32_t s = src[i], c = col[i];
                    src[i] = Div255((s & 0xFFu) * (c & 0xFFu)) | Div255(((s >> 8) & 0xFFu) * ((c >> 8) & 0xFFu)) << 8 |
                             Div255(((s >> 16) & 0xFFu) * ((c >> 16) & 0xFFu)) << 16 |
                             Div255((s >> 24) * (c >> 24)) << 24;
                }
            }
        }
        if (copy)
            std::memcpy(dst + x0, in, static_cast<size_t>(n) * 4);
        else
            BlendSpan(kind, st, in, dst + x0, n);
    }
}

void KesRaster::Impl::DrawLine(const LineCmd& l, int y0, int y1) {
    const RasterState& st = states[static_cast<size_t>(l.state)];
    const BlendKind kind = KindOf(st);
    // Whole pixels; the last pixel of a line is left out, as 3D devices do,
    // so that joined lines do not draw their shared corner twice.
    int x = static_cast<int>(std::floor(l.a.x + 0.5f)), y = static_cast<int>(std::floor(l.a.y + 0.5f));
    const int x1 = static_cast<int>(std::floor(l.b.x + 0.5f)), yb = static_cast<int>(std::floor(l.b.y + 0.5f));
    if (std::max(y, yb) < y0 || std::min(y, yb) >= y1) return;
    const int dx = std::abs(x1 - x), dy = -std::abs(yb - y);
    const int sx = x < x1 ? 1 : -1, sy = y < yb ? 1 : -1;
    const int steps = std::max(dx, -dy);
    int err = dx + dy;
    const uint32_t ca = l.a.colour, cb = l.b.colour;
    for (int k = 0; k < steps; ++k) {
        if (y >= y0 && y < y1 && x >= 0 && x < width) {
            // Colour along the line (both ends usually carry the same colour).
            uint32_t c = ca;
            if (ca != cb) {
                c = 0;
                for (int sh = 0; sh < 32; sh += 8) {
                    const int va = (ca >> sh) & 0xFF, vb = (cb >> sh) & 0xFF;
                    c |= static_cast<uint32_t>(va + (vb - va) * k / steps) << sh;
                }
            }
            if ((c >> 24) > 0) {
                uint32_t* p = Row(y) + x;
                *p = BlendOne(kind, st, c, *p);
            }
        }
        const int e2 = 2 * err;
        if (e2 >= dy) {
            err += dy;
            x += sx;
        }
        if (e2 <= dx) {
            err += dx;
            y += sy;
        }
    }
}

// ---- Public side ----

KesRaster::KesRaster() : mImpl(new Impl()) {}

KesRaster::~KesRaster() { delete mImpl; }

void KesRaster::SetTarget(uint32_t* pixels, int width, int height, int pitch) {
    mImpl->Reset();
    mImpl->pixels = pixels;
    mImpl->width = pixels ? width : 0;
    mImpl->height = pixels ? height : 0;
    mImpl->pitch = pitch;
}

void KesRaster::SetWorkersForTest(int workers) { gForcedWorkers.store(std::max(0, workers)); }

void KesRaster::Clear(uint32_t colour) {
    // Everything before a clear is hidden by it.
    mImpl->Reset();
    Command c;
    c.kind = Command::CLEAR;
    c.index = 0;
    c.colour = colour;
    mImpl->commands.push_back(c);
}

void KesRaster::Line(const RasterState& state, const RasterVertex& a, const RasterVertex& b) {
    if (!std::isfinite(a.x) || !std::isfinite(a.y) || !std::isfinite(b.x) || !std::isfinite(b.y)) return;
    // Lines far outside the picture would walk for ever: they are dropped.
    const float limit = 1 << 20;
    if (std::fabs(a.x) > limit || std::fabs(a.y) > limit || std::fabs(b.x) > limit || std::fabs(b.y) > limit) return;
    LineCmd l;
    l.state = mImpl->StateIndex(state);
    l.a = a;
    l.b = b;
    Command c;
    c.kind = Command::LINE;
    c.index = static_cast<int>(mImpl->lines.size());
    c.colour = 0;
    mImpl->lines.push_back(l);
    mImpl->commands.push_back(c);
}

namespace {

// Plane a x + b y + c through three values at three points.
void Plane(const double (&x)[3], const double (&y)[3], double f0, double f1, double f2, double det, double* a,
           double* b, double* c) {
    *a = ((f1 - f0) * (y[2] - y[0]) - (f2 - f0) * (y[1] - y[0])) / det;
    *b = ((f2 - f0) * (x[1] - x[0]) - (f1 - f0) * (x[2] - x[0])) / det;
    *c = f0 - *a * x[0] - *b * y[0];
}

bool Near(double v, double target) { return std::fabs(v - target) < 1e-6; }
bool NearWhole(double v) { return std::fabs(v - std::nearbyint(v)) < 1e-4; }

}  // namespace

namespace {

// The planes and sampling of the triangle va, vb, vc; false when it has no area.
bool Setup(const RasterState& state, const RasterVertex& va, const RasterVertex& vb, const RasterVertex& vc, Tri& t,
           double (&x)[3], double (&y)[3]) {
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
    t.opaque = t.flat && (t.colour >> 24) == 0xFF && (!tex || tex->Opaque());
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

}  // namespace

void KesRaster::Triangle(const RasterState& state, const RasterVertex& va, const RasterVertex& vb,
                         const RasterVertex& vc) {
    if (!mImpl->pixels) return;
    Tri t;
    double x[3], y[3];
    if (!Setup(state, va, vb, vc, t, x, y)) return;
    const int state_ = mImpl->StateIndex(state);
    // Vertices far outside the picture are brought in by clipping the
    // triangle to a guard box; the attribute planes stay those of the whole.
    const double gx0 = -64, gy0 = -64, gx1 = mImpl->width + 64.0, gy1 = mImpl->height + 64.0;
    bool inside = true;
    for (int i = 0; i < 3; ++i)
        if (x[i] < gx0 || x[i] > gx1 || y[i] < gy0 || y[i] > gy1) inside = false;
    if (inside) {
        mImpl->AddTriangle(state_, x, y, t);
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
        mImpl->AddTriangle(state_, fx, fy, t);
    }
}

void KesRaster::Quad(const RasterState& state, const RasterVertex& a, const RasterVertex& b, const RasterVertex& c,
                     const RasterVertex& d) {
    if (!mImpl->pixels) return;
    // An upright rectangle whose fourth corner lies on the planes of the
    // first three is filled as one: the same pixels and values as its two
    // triangles, one span a row.
    const bool upright = (a.x == b.x && c.x == d.x && a.y == d.y && b.y == c.y) ||
                         (a.y == b.y && c.y == d.y && a.x == d.x && b.x == c.x);
    Tri t;
    double x[3], y[3];
    if (upright && Setup(state, a, b, c, t, x, y)) {
        const double dx = d.x + 0.0, dy = d.y + 0.0;
        const KesTexture* tex = state.texture;
        const double tw = tex ? tex->Width() : 1, th = tex ? tex->Height() : 1;
        bool planar = std::fabs(t.a[0] * dx + t.b[0] * dy + t.c[0] - (d.u * tw - 0.5)) < 1e-3 &&
                      std::fabs(t.a[1] * dx + t.b[1] * dy + t.c[1] - (d.v * th - 0.5)) < 1e-3;
        for (int k = 0; k < 4 && planar && !t.flat; ++k)
            planar = std::fabs(t.a[2 + k] * dx + t.b[2 + k] * dy + t.c[2 + k] - ((d.colour >> (8 * k)) & 0xFF)) < 1e-3;
        if (t.flat) planar = planar && d.colour == t.colour;
        const double lo = -(1 << 20), hi = 1 << 20;
        const double l = std::min(a.x, c.x), r = std::max(a.x, c.x), tp = std::min(a.y, c.y), bt = std::max(a.y, c.y);
        if (planar && l > lo && r < hi && tp > lo && bt < hi) {
            const int64_t x0 = std::max<int64_t>(0, CeilRow(std::llround(l * 256.0)));
            const int64_t x1 = std::min<int64_t>(mImpl->width, CeilRow(std::llround(r * 256.0)));
            const int64_t y0 = std::max<int64_t>(0, CeilRow(std::llround(tp * 256.0)));
            const int64_t y1 = std::min<int64_t>(mImpl->height, CeilRow(std::llround(bt * 256.0)));
            if (x0 >= x1 || y0 >= y1) return;
            t.state = mImpl->StateIndex(state);
            t.rect = true;
            t.xs = static_cast<int>(x0);
            t.xe = static_cast<int>(x1);
            t.yFirst = static_cast<int>(y0);
            t.yEnd = static_cast<int>(y1);
            Command cmd;
            cmd.kind = Command::TRIANGLE;
            cmd.index = static_cast<int>(mImpl->tris.size());
            cmd.colour = 0;
            mImpl->tris.push_back(t);
            mImpl->commands.push_back(cmd);
            return;
        }
    }
    Triangle(state, a, b, c);
    Triangle(state, c, d, a);
}

void KesRaster::Flush() {
    Impl* impl = mImpl;
    if (impl->commands.empty()) return;
    if (impl->pixels && impl->height > 0) {
        Pool& pool = Pool::Get();
        const int forced = gForcedWorkers.load();
        impl->bands = std::max(1, std::min(forced > 0 ? forced : pool.Workers(), impl->height));
        pool.Run(impl->bands, [](void* ctx, int band) { static_cast<Impl*>(ctx)->DrawBand(band); }, impl);
    }
    impl->Reset();
}

}  // namespace platform
}  // namespace kest2d
