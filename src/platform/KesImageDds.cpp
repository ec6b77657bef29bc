// The DirectDraw surface decoder: uncompressed RGB, RGBA and luminance
// formats and DXT1/3/5 blocks, top level only.
#include <cstring>
#include <vector>

#include "platform/KesImage.h"
#include "platform/KesImageBytes.h"

namespace kest2d {
namespace platform {

namespace {

using namespace imagebytes;

enum : uint32_t {
    DDPF_ALPHAPIXELS = 0x1,
    DDPF_ALPHA = 0x2,
    DDPF_FOURCC = 0x4,
    DDPF_RGB = 0x40,
    DDPF_LUMINANCE = 0x20000,
};

constexpr uint32_t FourCC(char a, char b, char c, char d) {
    return static_cast<uint32_t>(static_cast<unsigned char>(a)) |
           (static_cast<uint32_t>(static_cast<unsigned char>(b)) << 8) |
           (static_cast<uint32_t>(static_cast<unsigned char>(c)) << 16) |
           (static_cast<uint32_t>(static_cast<unsigned char>(d)) << 24);
}

// One channel of a bit-mask pixel format, scaled to 8 bits.
struct MaskChannel {
    uint32_t mask = 0;
    int shift = 0;
    uint32_t max = 0;
    explicit MaskChannel(uint32_t m) : mask(m) {
        if (!m) return;
        while (!((m >> shift) & 1u)) ++shift;
        max = m >> shift;
    }
    uint32_t Get(uint32_t pixel, uint32_t fallback) const {
        if (!mask) return fallback;
        uint64_t v = (pixel & mask) >> shift;
        return static_cast<uint32_t>((v * 255 + max / 2) / max);
    }
};

uint32_t Expand565(uint16_t c) {
    uint32_t r = (c >> 11) & 0x1F, g = (c >> 5) & 0x3F, b = c & 0x1F;
    r = (r << 3) | (r >> 2);
    g = (g << 2) | (g >> 4);
    b = (b << 3) | (b >> 2);
    return (r << 16) | (g << 8) | b;
}

uint32_t Mix(uint32_t a, uint32_t b, int wa, int wb, int div) {
    uint32_t out = 0;
    for (int s = 0; s < 24; s += 8) {
        uint32_t ca = (a >> s) & 0xFF, cb = (b >> s) & 0xFF;
        out |= ((ca * wa + cb * wb) / div) << s;
    }
    return out;
}

// The four RGB colours of a DXT colour block and whether colour 3 is transparent.
void BlockColours(const unsigned char* block, bool allowPunchThrough, uint32_t colours[4], bool* transparent3) {
    uint16_t c0 = ReadLe16(block), c1 = ReadLe16(block + 2);
    colours[0] = Expand565(c0);
    colours[1] = Expand565(c1);
    *transparent3 = false;
    if (c0 > c1 || !allowPunchThrough) {
        colours[2] = Mix(colours[0], colours[1], 2, 1, 3);
        colours[3] = Mix(colours[0], colours[1], 1, 2, 3);
    } else {
        colours[2] = Mix(colours[0], colours[1], 1, 1, 2);
        colours[3] = 0;
        *transparent3 = true;
    }
}

void DecodeDxtBlock(uint32_t fourcc, const unsigned char* block, uint32_t out[16]) {
    uint8_t alpha[16];
    const unsigned char* colourBlock = block;
    if (fourcc == FourCC('D', 'X', 'T', '3')) {
        for (int i = 0; i < 16; ++i) {
            uint8_t nibble = (block[i / 2] >> ((i & 1) * 4)) & 0xF;
            alpha[i] = static_cast<uint8_t>(nibble * 17);
        }
        colourBlock = block + 8;
    } else if (fourcc == FourCC('D', 'X', 'T', '5')) {
        uint8_t a[8];
        a[0] = block[0];
        a[1] = block[1];
        if (a[0] > a[1]) {
            for (int i = 1; i <= 6; ++i) a[i + 1] = static_cast<uint8_t>(((7 - i) * a[0] + i * a[1]) / 7);
        } else {
            for (int i = 1; i <= 4; ++i) a[i + 1] = static_cast<uint8_t>(((5 - i) * a[0] + i * a[1]) / 5);
            a[6] = 0;
            a[7] = 255;
        }
        uint64_t bits = 0;
        for (int i = 0; i < 6; ++i) bits |= static_cast<uint64_t>(block[2 + i]) << (8 * i);
        for (int i = 0; i < 16; ++i) alpha[i] = a[(bits >> (3 * i)) & 7];
        colourBlock = block + 8;
    } else {
        std::memset(alpha, 255, sizeof(alpha));
    }
    uint32_t colours[4];
    bool transparent3 = false;
    BlockColours(colourBlock, fourcc == FourCC('D', 'X', 'T', '1'), colours, &transparent3);
    uint32_t indices = ReadLe32(colourBlock + 4);
    for (int i = 0; i < 16; ++i) {
        uint32_t idx = (indices >> (2 * i)) & 3;
        uint32_t a = alpha[i];
        if (transparent3 && idx == 3) a = 0;
        out[i] = (a << 24) | colours[idx];
    }
}

}  // namespace

bool IsDdsData(const void* data, size_t size) {
    return data && size >= 4 && std::memcmp(data, "DDS ", 4) == 0;
}

bool DecodeDds(const void* data, size_t size, KesImage& out, std::string* error) {
    const unsigned char* p = static_cast<const unsigned char*>(data);
    if (!IsDdsData(data, size) || size < 128) {
        SetError(error, "truncated DDS header");
        return false;
    }
    if (ReadLe32(p + 4) != 124 || ReadLe32(p + 76) != 32) {
        SetError(error, "bad DDS header");
        return false;
    }
    const uint32_t height = ReadLe32(p + 12), width = ReadLe32(p + 16);
    if (width == 0 || height == 0 || width > static_cast<uint32_t>(kMaxImageSide) ||
        height > static_cast<uint32_t>(kMaxImageSide)) {
        SetError(error, "DDS size out of range");
        return false;
    }
    const uint32_t pfFlags = ReadLe32(p + 80), fourcc = ReadLe32(p + 84), bitCount = ReadLe32(p + 88);
    const unsigned char* body = p + 128;
    const size_t bodySize = size - 128;
    const int w = static_cast<int>(width), h = static_cast<int>(height);
    // Allocated only once the file is known to hold every pixel.
    std::vector<uint32_t> pixels;

    if (pfFlags & DDPF_FOURCC) {
        size_t blockSize;
        if (fourcc == FourCC('D', 'X', 'T', '1'))
            blockSize = 8;
        else if (fourcc == FourCC('D', 'X', 'T', '3') || fourcc == FourCC('D', 'X', 'T', '5'))
            blockSize = 16;
        else {
            SetError(error, "unsupported DDS compression");
            return false;
        }
        const size_t bw = (width + 3) / 4, bh = (height + 3) / 4;
        if (bodySize < bw * bh * blockSize) {
            SetError(error, "truncated DDS data");
            return false;
        }
        pixels.resize(static_cast<size_t>(w) * h);
        uint32_t block[16];
        for (size_t by = 0; by < bh; ++by) {
            for (size_t bx = 0; bx < bw; ++bx) {
                DecodeDxtBlock(fourcc, body + (by * bw + bx) * blockSize, block);
                for (int i = 0; i < 16; ++i) {
                    size_t x = bx * 4 + (i & 3), y = by * 4 + (i >> 2);
                    if (x < width && y < height) pixels[y * width + x] = block[i];
                }
            }
        }
    } else if (pfFlags & (DDPF_RGB | DDPF_LUMINANCE | DDPF_ALPHA)) {
        if (bitCount != 8 && bitCount != 16 && bitCount != 24 && bitCount != 32) {
            SetError(error, "unsupported DDS pixel size");
            return false;
        }
        const size_t bytes = bitCount / 8;
        const size_t pitch = bytes * width;
        if (bodySize / pitch < height) {
            SetError(error, "truncated DDS data");
            return false;
        }
        pixels.resize(static_cast<size_t>(w) * h);
        const bool hasAlpha = (pfFlags & (DDPF_ALPHAPIXELS | DDPF_ALPHA)) != 0;
        MaskChannel r(ReadLe32(p + 92)), g(ReadLe32(p + 96)), b(ReadLe32(p + 100)),
            a(hasAlpha ? ReadLe32(p + 104) : 0);
        const bool luminance = (pfFlags & DDPF_LUMINANCE) != 0;
        const bool alphaOnly = (pfFlags & DDPF_ALPHA) && !(pfFlags & (DDPF_RGB | DDPF_LUMINANCE));
        for (size_t y = 0; y < height; ++y) {
            const unsigned char* row = body + y * pitch;
            for (size_t x = 0; x < width; ++x) {
                const unsigned char* s = row + x * bytes;
                uint32_t v = 0;
                for (size_t k = 0; k < bytes; ++k) v |= static_cast<uint32_t>(s[k]) << (8 * k);
                uint32_t cr, cg, cb;
                if (alphaOnly) {
                    cr = cg = cb = 0;
                } else if (luminance) {
                    cr = cg = cb = r.Get(v, 0);
                } else {
                    cr = r.Get(v, 0);
                    cg = g.Get(v, 0);
                    cb = b.Get(v, 0);
                }
                uint32_t ca = a.Get(v, 255);
                pixels[y * width + x] = (ca << 24) | (cr << 16) | (cg << 8) | cb;
            }
        }
    } else {
        SetError(error, "unsupported DDS pixel format");
        return false;
    }
    out.width = w;
    out.height = h;
    out.pixels.swap(pixels);
    return true;
}

}  // namespace platform
}  // namespace kest2d
