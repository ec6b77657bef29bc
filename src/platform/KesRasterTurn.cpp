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
// N x N: texel j of run k (N texels from first + k * step) goes to out[j][k].
// When N does not divide m, the last tile overlaps the one before it and
// writes some of its pixels again, the same.
using Rows = void (*)(const uint32_t* first, ptrdiff_t step, uint32_t* const* out, int m);

#if defined(KES_RASTER_AVX2)
__attribute__((target("avx2"))) void Rows8(const uint32_t* first, ptrdiff_t step, uint32_t* const* out, int m) {
    for (int i = 0; i < m; i += 8) {
        const int at = std::min(i, m - 8);
        const uint32_t* run = first + at * step;
        __m256i c[8], t[8], s[8];
        for (int k = 0; k < 8; ++k) c[k] = _mm256_loadu_si256(reinterpret_cast<const __m256i*>(run + k * step));
        // Pairs of runs interleaved, then fours: s[j] holds texel j of runs
        // 0 .. 3 and texel j + 4 of the same runs, s[j + 4] those of runs 4 .. 7.
        for (int k = 0; k < 8; k += 2) {
            t[k] = _mm256_unpacklo_epi32(c[k], c[k + 1]);
            t[k + 1] = _mm256_unpackhi_epi32(c[k], c[k + 1]);
        }
        for (int k = 0; k < 8; k += 4) {
            s[k] = _mm256_unpacklo_epi64(t[k], t[k + 2]);
            s[k + 1] = _mm256_unpackhi_epi64(t[k], t[k + 2]);
            s[k + 2] = _mm256_unpacklo_epi64(t[k + 1], t[k + 3]);
            s[k + 3] = _mm256_unpackhi_epi64(t[k + 1], t[k + 3]);
        }
        for (int j = 0; j < 4; ++j) {
            _mm256_storeu_si256(reinterpret_cast<__m256i*>(out[j] + at), _mm256_permute2x128_si256(s[j], s[j + 4], 0x20));
            _mm256_storeu_si256(reinterpret_cast<__m256i*>(out[j + 4] + at),
                                _mm256_permute2x128_si256(s[j], s[j + 4], 0x31));
        }
    }
}
#endif

#if defined(__SSE2__)
void Rows4(const uint32_t* first, ptrdiff_t step, uint32_t* const* out, int m) {
    for (int i = 0; i < m; i += 4) {
        const int at = std::min(i, m - 4);
        const uint32_t* run = first + at * step;
        __m128i c[4];
        for (int k = 0; k < 4; ++k) c[k] = _mm_loadu_si128(reinterpret_cast<const __m128i*>(run + k * step));
        const __m128i a = _mm_unpacklo_epi32(c[0], c[1]), b = _mm_unpacklo_epi32(c[2], c[3]);
        const __m128i e = _mm_unpackhi_epi32(c[0], c[1]), g = _mm_unpackhi_epi32(c[2], c[3]);
        _mm_storeu_si128(reinterpret_cast<__m128i*>(out[0] + at), _mm_unpacklo_epi64(a, b));
        _mm_storeu_si128(reinterpret_cast<__m128i*>(out[1] + at), _mm_unpackhi_epi64(a, b));
        _mm_storeu_si128(reinterpret_cast<__m128i*>(out[2] + at), _mm_unpacklo_epi64(e, g));
        _mm_storeu_si128(reinterpret_cast<__m128i*>(out[3] + at), _mm_unpackhi_epi64(e, g));
    }
}
#endif

void Rows1(const uint32_t* first, ptrdiff_t step, uint32_t* const* out, int m) {
    for (int i = 0; i < m; ++i) out[0][i] = first[i * step];
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
            // (du < 0), its texel j belongs to row n - 1 - j.
            uint32_t* out[8];
            for (int j = 0; j < n; ++j) {
                const int r = du > 0 ? j : n - 1 - j;
                out[j] = copy ? Row(base + r) + x0 : buffer[r];
            }
            group(texels + v0 * tw + (du > 0 ? u0 : u0 - (n - 1)), step, out, m);
            if (!copy)
                for (int r = y - base; r < n; ++r) BlendSpan(kind, st, buffer[r], Row(base + r) + x0, m);
            y = base + n;
        }
    }
}

}  // namespace platform
}  // namespace kest2d
