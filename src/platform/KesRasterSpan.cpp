// The rasteriser's pixels: one row of a triangle or rectangle (texel fetch:
// exact whole-texel steps, nearest or bilinear; vertex colour; blending and the
// alpha test, SSE2 where it pays and AVX2 for blending where the processor has
// it).
#include <algorithm>
#include <cmath>
#include <cstring>

#include "platform/KesRasterInternal.h"

namespace kest2d {
namespace platform {

using namespace raster;

namespace {

// The texel columns and weights along a filtered row depend only on where it
// starts, its step, the texture's width and its length, so the rows of an
// upright stretch share them. A set per chunk of the first four, per thread,
// kept between rows.
struct RowSteps {
    float sb = 0, sd = 0, sw = 0;
    int n = 0;
    int us[kChunk] = {};
    uint32_t ws[kChunk] = {};
    // For the AVX2 stretch: where each pixel's pair of columns starts (see
    // StretchAvx2) for columns lo .. lo + last - 1, and its weights packed.
    int lo = 0, last = -1;
    int ks[kChunk] = {};
    int wp[kChunk] = {};
};
thread_local RowSteps tRowSteps[4];

#if defined(KES_RASTER_AVX2)
// Source over destination for eight pixels, the same arithmetic as BlendOne.
__attribute__((target("avx2"))) __m256i OverHalf8(__m256i s, __m256i d) {
    const __m256i a = _mm256_shufflehi_epi16(_mm256_shufflelo_epi16(s, 0xFF), 0xFF);
    // The picture's alpha: a + d.a (255 - a) / 255.
    s = _mm256_or_si256(s, _mm256_set_epi16(255, 0, 0, 0, 255, 0, 0, 0, 255, 0, 0, 0, 255, 0, 0, 0));
    const __m256i x = _mm256_add_epi16(
        _mm256_add_epi16(_mm256_mullo_epi16(s, a), _mm256_mullo_epi16(d, _mm256_sub_epi16(_mm256_set1_epi16(255), a))),
        _mm256_set1_epi16(128));
    return _mm256_srli_epi16(_mm256_add_epi16(x, _mm256_srli_epi16(x, 8)), 8);
}

__attribute__((target("avx2"))) __m256i Over8(const uint32_t* src, const uint32_t* dst) {
    const __m256i zero = _mm256_setzero_si256();
    const __m256i s = _mm256_loadu_si256(reinterpret_cast<const __m256i*>(src));
    const __m256i d = _mm256_loadu_si256(reinterpret_cast<const __m256i*>(dst));
    const __m256i lo = OverHalf8(_mm256_unpacklo_epi8(s, zero), _mm256_unpacklo_epi8(d, zero));
    const __m256i hi = OverHalf8(_mm256_unpackhi_epi8(s, zero), _mm256_unpackhi_epi8(d, zero));
    return _mm256_packus_epi16(lo, hi);
}

// Source over destination for all n >= 8 pixels.
__attribute__((target("avx2"))) void OverSpanAvx2(const uint32_t* __restrict src, uint32_t* __restrict dst, int n) {
    // The last eight first, from the picture as it was: the loop may write
    // some of them again, with the same values.
    const __m256i tail = Over8(src + n - 8, dst + n - 8);
    for (int i = 0; i + 8 <= n; i += 8) _mm256_storeu_si256(reinterpret_cast<__m256i*>(dst + i), Over8(src + i, dst + i));
    _mm256_storeu_si256(reinterpret_cast<__m256i*>(dst + n - 8), tail);
}

// Pixels of a row filtered along it: the blended texel columns are `padded`,
// column lo - 1 + k at k, the first and last repeated on either side, so the
// two columns a pixel blends are next to each other. Four pixels at a time;
// returns how many were done.
__attribute__((target("avx2"))) __m256i StretchPair(const int16_t* padded, const int* ks, const int* wp, int i) {
    const __m256i interleave = _mm256_setr_epi8(0, 1, 8, 9, 2, 3, 10, 11, 4, 5, 12, 13, 6, 7, 14, 15, 0, 1, 8, 9, 2, 3, 10,
                                                11, 4, 5, 12, 13, 6, 7, 14, 15);
    const __m256i c =
        _mm256_inserti128_si256(_mm256_castsi128_si256(_mm_loadu_si128(reinterpret_cast<const __m128i*>(padded + 4 * ks[i]))),
                                _mm_loadu_si128(reinterpret_cast<const __m128i*>(padded + 4 * ks[i + 1])), 1);
    const __m256i w = _mm256_permutevar8x32_epi32(
        _mm256_castsi128_si256(_mm_loadl_epi64(reinterpret_cast<const __m128i*>(wp + i))), _mm256_setr_epi32(0, 0, 0, 0, 1, 1, 1, 1));
    return _mm256_srai_epi32(
        _mm256_add_epi32(_mm256_madd_epi16(_mm256_shuffle_epi8(c, interleave), w), _mm256_set1_epi32(16384)), 15);
}

// Pixels of a row filtered along it: the blended texel columns are `padded`,
// column lo - 1 + k at k, the first and last repeated on either side, so the
// two columns a pixel blends are next to each other, from ks[i] on; wp[i] is
// the pixel's pair of weights. Four pixels at a time; returns how many were
// done.
__attribute__((target("avx2"))) int StretchAvx2(const int16_t* padded, const int* ks, const int* wp, uint32_t* out, int n) {
    int i = 0;
    for (; i + 4 <= n; i += 4) {
        // Pixels 0 and 2 in the low half, 1 and 3 in the high half.
        const __m256i p = _mm256_packs_epi32(StretchPair(padded, ks, wp, i), StretchPair(padded, ks, wp, i + 2));
        const __m256i b = _mm256_packus_epi16(p, p);
        _mm_storeu_si128(reinterpret_cast<__m128i*>(out + i),
                         _mm_unpacklo_epi32(_mm256_castsi256_si128(b), _mm256_extracti128_si256(b, 1)));
    }
    return i;
}

bool HasAvx2() {
    __builtin_cpu_init();
    return __builtin_cpu_supports("avx2");
}

// Whether the AVX2 paths run; tests turn them off to check the SSE2 and
// plain paths give the same picture.
bool gAvx2 = HasAvx2();
#endif

}  // namespace

bool raster::UseAvx2() {
#if defined(KES_RASTER_AVX2)
    return gAvx2;
#else
    return false;
#endif
}

void raster::SetAvx2(bool on) {
#if defined(KES_RASTER_AVX2)
    gAvx2 = on && HasAvx2();
#else
    (void)on;
#endif
}

void raster::BlendSpan(BlendKind kind, const RasterState& st, const uint32_t* __restrict src,
                       uint32_t* __restrict dst, int n) {
    int i = 0;
    if (kind == BLEND_KIND_OVER) {
        // Alpha 0 leaves the pixel as it is, so the alpha test (reference 1 or
        // below) changes nothing here.
#if defined(KES_RASTER_AVX2)
        if (gAvx2 && n >= 8 && (!st.alphaTest || st.alphaRef <= 1)) {
            OverSpanAvx2(src, dst, n);
            return;
        }
#endif
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
    const uint32_t ref = AlphaNeeded(st);
    for (; i < n; ++i) {
        const uint32_t s = src[i];
        const uint32_t out = BlendOne(kind, st, s, dst[i]);
        dst[i] = (s >> 24) >= ref ? out : dst[i];
    }
}

namespace {

// The Gouraud colours of `n` pixels of a row from pixel centre (cx, cy)
// along the triangle's colour planes.
void ShadeSpan(const Tri& t, double cx, double cy, int n, uint32_t* out) {
    float base[4], step[4];
    for (int k = 0; k < 4; ++k) {
        base[k] = static_cast<float>(t.a[2 + k] * cx + t.b[2 + k] * cy + t.c[2 + k]) + 0.5f;
        step[k] = static_cast<float>(t.a[2 + k]);
    }
    for (int i = 0; i < n; ++i) {
        uint32_t pixel = 0;
        for (int k = 0; k < 4; ++k) {
            const float v = std::min(std::max(base[k] + step[k] * static_cast<float>(i), 0.0f), 255.0f);
            pixel |= static_cast<uint32_t>(v) << (8 * k);
        }
        out[i] = pixel;
    }
}

}  // namespace

void KesRaster::Impl::DrawSpan(const Tri& t, const RasterState& st, int y, int xs, int xe) {
    uint32_t* dst = Row(y);
    const BlendKind kind = KindOf(st);
    // Fully opaque pixels over anything, or with blending off, are the pixels themselves.
    const bool copy = t.opaque && (!st.blend || kind == BLEND_KIND_OVER);
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
                ShadeSpan(t, cx, cy, n, src);
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
                RowSteps& steps = tRowSteps[(x0 / kChunk) & 3];
                if (steps.n != n || steps.sb != sb || steps.sd != sd || steps.sw != sw) {
                    for (int i = 0; i < n; ++i) {
                        const float fs = std::min(std::max(sb + sd * static_cast<float>(i), -1.0f), sw);
                        const int qs = static_cast<int>((fs + 1.0f) * 256.0f + 0.5f) - 256;
                        steps.us[i] = qs >> 8;
                        steps.ws[i] = static_cast<uint32_t>(qs & 255);
                    }
                    steps.last = -1;
                    steps.sb = sb;
                    steps.sd = sd;
                    steps.sw = sw;
                    steps.n = n;
                }
                const int* us = steps.us;
                const uint32_t* ws = steps.ws;
                const int lo = std::min(std::max(std::min(us[0], us[n - 1]), uLo), uHi);
                const int hi = std::min(std::max(std::max(us[0], us[n - 1]) + 1, uLo), uHi);
                if (hi - lo < kChunk) {
                    // Per column the two rows blended, 15 bits a channel (blue, green, red, alpha).
                    alignas(16) int16_t padded[(kChunk + 4) * 4];
                    int16_t* cols = padded + 4;
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
                            _mm_storeu_si128(reinterpret_cast<__m128i*>(cols + (u - lo) * 4), _mm_packs_epi32(c0, c1));
                        }
                    }
#endif
                    for (; u <= hi; ++u)
                        for (int k = 0; k < 4; ++k) {
                            const uint64_t ca = ra[u] >> (8 * k) & 0xFFu, cb = rb[u] >> (8 * k) & 0xFFu;
                            cols[(u - lo) * 4 + k] = static_cast<int16_t>((ca * iwy + cb * wy) >> 1);
                        }
                    int i = 0;
#if defined(KES_RASTER_AVX2)
                    if (gAvx2) {
                        std::copy(cols, cols + 4, padded);
                        std::copy(cols + (hi - lo) * 4, cols + (hi - lo + 1) * 4, cols + (hi - lo + 1) * 4);
                        const int last = hi - lo + 1;
                        if (steps.lo != lo || steps.last != last) {
                            for (int k = 0; k < n; ++k) {
                                steps.ks[k] = std::min(std::max(us[k] - lo + 1, 0), last);
                                steps.wp[k] = static_cast<int>(ws[k] << 16 | (256 - ws[k]));
                            }
                            steps.lo = lo;
                            steps.last = last;
                        }
                        i = StretchAvx2(padded, steps.ks, steps.wp, src, n);
                    }
#endif
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
                ShadeSpan(t, cx, cy, n, col);
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

void KesRaster::Impl::DrawRect(const Tri& t, const RasterState& st, int ys, int ye, int xs, int xe) {
    const KesTexture* tex = st.texture;
    const int n = xe - xs;
    if (tex && t.exact && t.flat && t.colour == 0xFFFFFFFFu && !st.addColour) {
        // A picture at whole texels (straight or a quarter turn), white: each
        // row is a run of texels, when the whole rectangle samples inside the
        // picture's texels (the mapping is linear, so its corners tell).
        auto u = [&](int64_t x, int64_t y) { return t.sx[0] * x + t.sx[1] * y + t.sx[2]; };
        auto v = [&](int64_t x, int64_t y) { return t.sy[0] * x + t.sy[1] * y + t.sy[2]; };
        const int64_t us[4] = {u(xs, ys), u(xe - 1, ys), u(xs, ye - 1), u(xe - 1, ye - 1)};
        const int64_t vs[4] = {v(xs, ys), v(xe - 1, ys), v(xs, ye - 1), v(xe - 1, ye - 1)};
        if (*std::min_element(us, us + 4) >= t.texels[0] && *std::max_element(us, us + 4) <= t.texels[1] &&
            *std::min_element(vs, vs + 4) >= t.texels[2] && *std::max_element(vs, vs + 4) <= t.texels[3]) {
            if (t.stepX == 0) {
                TurnedRect(t, st, ys, ye, xs, xe);
                return;
            }
            const BlendKind kind = KindOf(st);
            const bool copy = t.opaque && (!st.blend || kind == BLEND_KIND_OVER);
            const uint32_t* texels = tex->Pixels();
            const int tw = tex->Width();
            // Not turned by a quarter: along a row, one texel forwards or
            // back; a row down, one texel row down or up.
            const ptrdiff_t stride = t.stepX;
            const ptrdiff_t down = static_cast<ptrdiff_t>(t.sy[1]) * tw + t.sx[1];
            const uint32_t* p = texels + static_cast<ptrdiff_t>(v(xs, ys)) * tw + u(xs, ys);
            unsigned char* row = reinterpret_cast<unsigned char*>(Row(ys) + xs);
            uint32_t buffer[kChunk];
            for (int y = ys; y < ye; ++y, p += down, row += pitch) {
                uint32_t* dst = reinterpret_cast<uint32_t*>(row);
                if (stride == 1) {
                    if (copy)
                        std::memcpy(dst, p, static_cast<size_t>(n) * 4);
                    else
                        BlendSpan(kind, st, p, dst, n);
                } else if (copy) {
                    for (int i = 0; i < n; ++i) dst[i] = p[i * stride];
                } else {
                    for (int x0 = 0; x0 < n; x0 += kChunk) {
                        const int m = std::min(kChunk, n - x0);
                        for (int i = 0; i < m; ++i) buffer[i] = p[(x0 + i) * stride];
                        BlendSpan(kind, st, buffer, dst + x0, m);
                    }
                }
            }
            return;
        }
    }
    for (int y = ys; y < ye; ++y) DrawSpan(t, st, y, xs, xe);
}

}  // namespace platform
}  // namespace kest2d
