// Pictures turned by a quarter at whole texels: every picture row shows a
// texel column, so drawing one is a transposed copy. It goes in square tiles
// (8 x 8 with AVX2, 4 x 4 with SSE2, one texel without either): a tile reads
// a short run along each of its texel rows and writes a short run along each
// of its picture rows, so that both sides use whole stretches of memory.
#include <algorithm>

#include "platform/KesRasterInternal.h"

namespace kest2d {
namespace platform {

using namespace raster;

namespace {

// A group of N picture rows across columns 0 .. m - 1 (m >= N), in tiles of
// N x N: texel j of run k (N texels from first + k * step) goes to pixel k of
// row j, row j starting j * down bytes after out (down < 0 for rows upwards).
// When N does not divide m, the last tile overlaps the one before it and
// writes some of its pixels again, the same.
using Rows = void (*)(const uint32_t* first, ptrdiff_t step, uint32_t* out, ptrdiff_t down, int m);

inline uint32_t* RowOn(uint32_t* row, ptrdiff_t bytes) {
    return reinterpret_cast<uint32_t*>(reinterpret_cast<unsigned char*>(row) + bytes);
}

// The tiles are written out step by step in named values, so that they stay
// in registers at any optimisation: loops over arrays of runs stay there only
// where the compiler unrolls them, as -O3 does and -O2 does not.
#if defined(KES_RASTER_AVX2)
#define KES_AVX2_INLINE __attribute__((target("avx2"), always_inline)) inline

KES_AVX2_INLINE __m256i Load8(const uint32_t* p) { return _mm256_loadu_si256(reinterpret_cast<const __m256i*>(p)); }
KES_AVX2_INLINE void Store8(uint32_t* p, __m256i v) { _mm256_storeu_si256(reinterpret_cast<__m256i*>(p), v); }

__attribute__((target("avx2"))) void Rows8(const uint32_t* first, ptrdiff_t step, uint32_t* out, ptrdiff_t down,
                                           int m) {
    uint32_t* const o0 = out;
    uint32_t* const o1 = RowOn(out, down);
    uint32_t* const o2 = RowOn(out, 2 * down);
    uint32_t* const o3 = RowOn(out, 3 * down);
    uint32_t* const o4 = RowOn(out, 4 * down);
    uint32_t* const o5 = RowOn(out, 5 * down);
    uint32_t* const o6 = RowOn(out, 6 * down);
    uint32_t* const o7 = RowOn(out, 7 * down);
    for (int i = 0; i < m; i += 8) {
        const int at = std::min(i, m - 8);
        const uint32_t* const r0 = first + at * step;
        const uint32_t* const r4 = r0 + 4 * step;
        const __m256i c0 = Load8(r0), c1 = Load8(r0 + step), c2 = Load8(r0 + 2 * step), c3 = Load8(r0 + 3 * step);
        const __m256i c4 = Load8(r4), c5 = Load8(r4 + step), c6 = Load8(r4 + 2 * step), c7 = Load8(r4 + 3 * step);
        // Pairs of runs interleaved, then fours: s[j] holds texel j of runs
        // 0 .. 3 and texel j + 4 of the same runs, s[j + 4] those of runs 4 .. 7.
        const __m256i t0 = _mm256_unpacklo_epi32(c0, c1), t1 = _mm256_unpackhi_epi32(c0, c1);
        const __m256i t2 = _mm256_unpacklo_epi32(c2, c3), t3 = _mm256_unpackhi_epi32(c2, c3);
        const __m256i t4 = _mm256_unpacklo_epi32(c4, c5), t5 = _mm256_unpackhi_epi32(c4, c5);
        const __m256i t6 = _mm256_unpacklo_epi32(c6, c7), t7 = _mm256_unpackhi_epi32(c6, c7);
        const __m256i s0 = _mm256_unpacklo_epi64(t0, t2), s1 = _mm256_unpackhi_epi64(t0, t2);
        const __m256i s2 = _mm256_unpacklo_epi64(t1, t3), s3 = _mm256_unpackhi_epi64(t1, t3);
        const __m256i s4 = _mm256_unpacklo_epi64(t4, t6), s5 = _mm256_unpackhi_epi64(t4, t6);
        const __m256i s6 = _mm256_unpacklo_epi64(t5, t7), s7 = _mm256_unpackhi_epi64(t5, t7);
        Store8(o0 + at, _mm256_permute2x128_si256(s0, s4, 0x20));
        Store8(o1 + at, _mm256_permute2x128_si256(s1, s5, 0x20));
        Store8(o2 + at, _mm256_permute2x128_si256(s2, s6, 0x20));
        Store8(o3 + at, _mm256_permute2x128_si256(s3, s7, 0x20));
        Store8(o4 + at, _mm256_permute2x128_si256(s0, s4, 0x31));
        Store8(o5 + at, _mm256_permute2x128_si256(s1, s5, 0x31));
        Store8(o6 + at, _mm256_permute2x128_si256(s2, s6, 0x31));
        Store8(o7 + at, _mm256_permute2x128_si256(s3, s7, 0x31));
    }
}
#endif

#if defined(__SSE2__)
void Rows4(const uint32_t* first, ptrdiff_t step, uint32_t* out, ptrdiff_t down, int m) {
    uint32_t* const o0 = out;
    uint32_t* const o1 = RowOn(out, down);
    uint32_t* const o2 = RowOn(out, 2 * down);
    uint32_t* const o3 = RowOn(out, 3 * down);
    for (int i = 0; i < m; i += 4) {
        const int at = std::min(i, m - 4);
        const uint32_t* const r0 = first + at * step;
        const __m128i c0 = _mm_loadu_si128(reinterpret_cast<const __m128i*>(r0));
        const __m128i c1 = _mm_loadu_si128(reinterpret_cast<const __m128i*>(r0 + step));
        const __m128i c2 = _mm_loadu_si128(reinterpret_cast<const __m128i*>(r0 + 2 * step));
        const __m128i c3 = _mm_loadu_si128(reinterpret_cast<const __m128i*>(r0 + 3 * step));
        const __m128i a = _mm_unpacklo_epi32(c0, c1), b = _mm_unpacklo_epi32(c2, c3);
        const __m128i e = _mm_unpackhi_epi32(c0, c1), g = _mm_unpackhi_epi32(c2, c3);
        _mm_storeu_si128(reinterpret_cast<__m128i*>(o0 + at), _mm_unpacklo_epi64(a, b));
        _mm_storeu_si128(reinterpret_cast<__m128i*>(o1 + at), _mm_unpackhi_epi64(a, b));
        _mm_storeu_si128(reinterpret_cast<__m128i*>(o2 + at), _mm_unpacklo_epi64(e, g));
        _mm_storeu_si128(reinterpret_cast<__m128i*>(o3 + at), _mm_unpackhi_epi64(e, g));
    }
}
#endif

void Rows1(const uint32_t* first, ptrdiff_t step, uint32_t* out, ptrdiff_t, int m) {
    for (int i = 0; i < m; ++i) out[i] = first[i * step];
}

}  // namespace

void KesRaster::Impl::TurnedRect(const Tri& t, const RasterState& st, int ys, int ye, int xs, int xe) {
    const KesTexture* tex = st.texture;
    const uint32_t* texels = tex->Pixels();
    const ptrdiff_t tw = tex->Width();
    // Picture pixel (x, y) shows texel row v0 + dv (x - x0), column u0 + du (y - y0).
    const ptrdiff_t du = t.sx[1], dv = t.sy[0];
    const ptrdiff_t step = dv * tw;  // one picture column on: the next texel row
    const BlendKind kind = KindOf(st);
    // Opaque pixels go straight into the picture, others through the
    // blending of each row.
    const bool copy = t.opaque && (!st.blend || kind == BLEND_KIND_OVER);
    const int rows = ye - ys;
    uint32_t buffer[8][kChunk];
    // Bytes from one row written to the next: the picture's or the buffer's.
    const ptrdiff_t down = copy ? pitch : static_cast<ptrdiff_t>(sizeof buffer[0]);
    for (int x0 = xs; x0 < xe; x0 += kChunk) {
        const int m = std::min(kChunk, xe - x0);
        const int side = std::min(rows, m);
        int n = 1;
        Rows group = Rows1;
#if defined(KES_RASTER_AVX2)
        if (UseAvx2() && side >= 8) {
            n = 8;
            group = Rows8;
        }
#endif
#if defined(__SSE2__)
        if (n == 1 && side >= 4) {
            n = 4;
            group = Rows4;
        }
#endif
        const ptrdiff_t v0 = t.sy[0] * x0 + t.sy[2];
        for (int y = ys; y < ye;) {
            // Rows in groups of n; when n does not divide them, the last group
            // overlaps the one before it: the rows it does again get the same
            // texels, and each row is blended once.
            const int base = std::min(y, ye - n);
            const ptrdiff_t u0 = t.sx[1] * base + t.sx[2];
            // A run reads texel columns left to right: turned the other way
            // (du < 0), its texel j belongs to row n - 1 - j, so the group's
            // rows are written from its last upwards.
            const int r0 = du > 0 ? 0 : n - 1;
            uint32_t* const out = copy ? Row(base + r0) + x0 : buffer[r0];
            group(texels + v0 * tw + (du > 0 ? u0 : u0 - (n - 1)), step, out, du > 0 ? down : -down, m);
            if (!copy)
                for (int r = y - base; r < n; ++r) BlendSpan(kind, st, buffer[r], Row(base + r) + x0, m);
            y = base + n;
        }
    }
}

}  // namespace platform
}  // namespace kest2d
