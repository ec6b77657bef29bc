#include "platform/KesImage.h"

#include <SDL.h>
#include <SDL_image.h>
#include <gif_lib.h>
#include <jpeglib.h>
#include <tiffio.h>

#include <algorithm>
#include <cctype>
#include <csetjmp>
#include <cstdio>
#include <cstring>
#include <mutex>

namespace kest2d {
namespace platform {

namespace {

void SetError(std::string* error, const std::string& text) {
    if (error) *error = text;
}

uint32_t ReadLe32(const unsigned char* p) {
    return static_cast<uint32_t>(p[0]) | (static_cast<uint32_t>(p[1]) << 8) | (static_cast<uint32_t>(p[2]) << 16) |
           (static_cast<uint32_t>(p[3]) << 24);
}

uint16_t ReadLe16(const unsigned char* p) { return static_cast<uint16_t>(p[0] | (p[1] << 8)); }

// ---- DDS ----

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

// ---- TGA ----

// TGA files carry no signature, and SDL_image fills a short file's missing
// pixels with whatever it has: check that the file holds every pixel first.
bool CompleteTga(const unsigned char* p, size_t size) {
    if (size < 18) return false;
    const unsigned idLength = p[0], colourMapType = p[1], type = p[2];
    const unsigned mapLength = ReadLe16(p + 5), mapBits = p[7];
    const size_t width = ReadLe16(p + 12), height = ReadLe16(p + 14);
    const unsigned bits = p[16];
    const bool rle = type == 9 || type == 10 || type == 11;
    if (!(type == 1 || type == 2 || type == 3 || rle) || colourMapType > 1) return false;
    if (width == 0 || height == 0 || bits == 0 || bits > 32) return false;
    size_t pos = 18 + idLength;
    if (colourMapType == 1) pos += static_cast<size_t>(mapLength) * ((mapBits + 7) / 8);
    const size_t bytes = (bits + 7) / 8;
    const size_t pixels = width * height;
    if (!rle) return pos <= size && (size - pos) / bytes >= pixels;
    size_t done = 0;
    while (done < pixels) {
        if (pos >= size) return false;
        const unsigned char packet = p[pos++];
        const size_t run = (packet & 0x7F) + 1u;
        pos += (packet & 0x80) ? bytes : run * bytes;
        if (pos > size) return false;
        done += run;
    }
    return true;
}

// ---- Sizes announced by headers ----

uint32_t ReadBe32(const unsigned char* p) {
    return (static_cast<uint32_t>(p[0]) << 24) | (static_cast<uint32_t>(p[1]) << 16) |
           (static_cast<uint32_t>(p[2]) << 8) | static_cast<uint32_t>(p[3]);
}

// Reads a decimal number of a PNM header, skipping blanks and comments.
bool PnmNumber(const unsigned char* p, size_t size, size_t& pos, uint64_t& value) {
    while (pos < size) {
        if (p[pos] == '#') {
            while (pos < size && p[pos] != '\n') ++pos;
        } else if (std::isspace(p[pos])) {
            ++pos;
        } else {
            break;
        }
    }
    if (pos >= size || !std::isdigit(p[pos])) return false;
    value = 0;
    while (pos < size && std::isdigit(p[pos]) && value < (1u << 30)) value = value * 10 + (p[pos++] - '0');
    return true;
}

// The picture size a PNG, BMP, JPEG or PNM header announces, so that a small
// file cannot make the decoder allocate gigabytes. False when the header
// gives no size we can read (the decoder then decides).
bool AnnouncedSize(const unsigned char* p, size_t size, uint64_t& w, uint64_t& h) {
    if (size >= 24 && std::memcmp(p, "\x89PNG", 4) == 0) {
        w = ReadBe32(p + 16);
        h = ReadBe32(p + 20);
        return true;
    }
    if (size >= 26 && p[0] == 'B' && p[1] == 'M') {
        const uint32_t header = ReadLe32(p + 14);
        if (header == 12) {
            w = ReadLe16(p + 18);
            h = ReadLe16(p + 20);
        } else {
            const int32_t sw = static_cast<int32_t>(ReadLe32(p + 18)), sh = static_cast<int32_t>(ReadLe32(p + 22));
            w = static_cast<uint64_t>(sw < 0 ? -static_cast<int64_t>(sw) : sw);
            h = static_cast<uint64_t>(sh < 0 ? -static_cast<int64_t>(sh) : sh);
        }
        return true;
    }
    if (size >= 4 && p[0] == 0xFF && p[1] == 0xD8) {
        size_t pos = 2;
        while (pos + 4 <= size) {
            if (p[pos] != 0xFF) {
                ++pos;  // stray bytes between markers, skipped as the decoder does
                continue;
            }
            const unsigned marker = p[pos + 1];
            if (marker == 0xFF) {
                ++pos;
                continue;
            }
            if (marker == 0xD8 || (marker >= 0xD0 && marker <= 0xD7) || marker == 0x01) {
                pos += 2;
                continue;
            }
            const size_t length = static_cast<size_t>(p[pos + 2] << 8 | p[pos + 3]);
            const bool frame = marker >= 0xC0 && marker <= 0xCF && marker != 0xC4 && marker != 0xC8 && marker != 0xCC;
            if (frame) {
                if (pos + 9 > size) return false;
                h = static_cast<uint64_t>(p[pos + 5] << 8 | p[pos + 6]);
                w = static_cast<uint64_t>(p[pos + 7] << 8 | p[pos + 8]);
                return true;
            }
            if (length < 2) return false;
            pos += 2 + length;
        }
        return false;
    }
    if (size >= 3 && p[0] == 'P' && p[1] >= '1' && p[1] <= '6') {
        size_t pos = 2;
        if (!PnmNumber(p, size, pos, w) || !PnmNumber(p, size, pos, h)) w = h = UINT64_MAX;  // unreadable: refused
        return true;
    }
    return false;
}

// ---- SDL2_image ----

void InitImageLibrary() {
    static std::once_flag once;
    std::call_once(once, [] { IMG_Init(IMG_INIT_JPG | IMG_INIT_PNG); });
}

bool SurfaceToImage(SDL_Surface* surface, KesImage& out, std::string* error) {
    if (surface->w <= 0 || surface->h <= 0 || surface->w > kMaxImageSide || surface->h > kMaxImageSide) {
        SetError(error, "image size out of range");
        return false;
    }
    SDL_Surface* argb = SDL_ConvertSurfaceFormat(surface, SDL_PIXELFORMAT_ARGB8888, 0);
    if (!argb) {
        SetError(error, SDL_GetError());
        return false;
    }
    out.width = argb->w;
    out.height = argb->h;
    out.pixels.resize(static_cast<size_t>(argb->w) * argb->h);
    SDL_LockSurface(argb);
    for (int y = 0; y < argb->h; ++y)
        std::memcpy(&out.pixels[static_cast<size_t>(y) * argb->w],
                    static_cast<const unsigned char*>(argb->pixels) + static_cast<size_t>(y) * argb->pitch,
                    static_cast<size_t>(argb->w) * 4);
    SDL_UnlockSurface(argb);
    SDL_FreeSurface(argb);
    return true;
}

// ---- JPEG writer ----

struct JpegError {
    jpeg_error_mgr mgr;
    std::jmp_buf jump;
    char text[JMSG_LENGTH_MAX];
};

void JpegErrorExit(j_common_ptr info) {
    JpegError* err = reinterpret_cast<JpegError*>(info->err);
    (*info->err->format_message)(info, err->text);
    std::longjmp(err->jump, 1);
}

bool SaveJpeg(const std::string& path, const uint32_t* pixels, int width, int height, int pitchPixels,
              std::string* error) {
    FILE* f = std::fopen(path.c_str(), "wb");
    if (!f) {
        SetError(error, "cannot open " + path);
        return false;
    }
    jpeg_compress_struct cinfo;
    JpegError err;
    std::memset(&cinfo, 0, sizeof(cinfo));
    cinfo.err = jpeg_std_error(&err.mgr);
    err.mgr.error_exit = JpegErrorExit;
    err.text[0] = 0;
    if (setjmp(err.jump)) {
        jpeg_destroy_compress(&cinfo);
        std::fclose(f);
        SetError(error, err.text);
        return false;
    }
    jpeg_create_compress(&cinfo);
    jpeg_stdio_dest(&cinfo, f);
    cinfo.image_width = static_cast<JDIMENSION>(width);
    cinfo.image_height = static_cast<JDIMENSION>(height);
    // 0xAARRGGBB in little-endian memory is B, G, R, A.
    cinfo.input_components = 4;
    cinfo.in_color_space = JCS_EXT_BGRX;
    jpeg_set_defaults(&cinfo);
    jpeg_set_quality(&cinfo, 90, TRUE);
    jpeg_start_compress(&cinfo, TRUE);
    while (cinfo.next_scanline < cinfo.image_height) {
        JSAMPROW row = reinterpret_cast<JSAMPROW>(
            const_cast<uint32_t*>(pixels + static_cast<size_t>(cinfo.next_scanline) * pitchPixels));
        jpeg_write_scanlines(&cinfo, &row, 1);
    }
    jpeg_finish_compress(&cinfo);
    jpeg_destroy_compress(&cinfo);
    bool ok = std::fclose(f) == 0;
    if (!ok) SetError(error, "cannot write " + path);
    return ok;
}

// Opaque 8-bit RGB of one pixel row (0xAARRGGBB in, R G B out).
void RgbRow(const uint32_t* row, int width, unsigned char* out) {
    for (int x = 0; x < width; ++x) {
        out[3 * x] = static_cast<unsigned char>(row[x] >> 16);
        out[3 * x + 1] = static_cast<unsigned char>(row[x] >> 8);
        out[3 * x + 2] = static_cast<unsigned char>(row[x]);
    }
}

std::string GifText(int code) {
    const char* text = GifErrorString(code);
    return text ? text : "GIF error " + std::to_string(code);
}

// GIF: one frame of up to 256 colours, chosen by giflib's own quantiser.
bool SaveGif(const std::string& path, const uint32_t* pixels, int width, int height, int pitchPixels,
             std::string* error) {
    if (width > 0xFFFF || height > 0xFFFF) {
        SetError(error, "picture too large for GIF");
        return false;
    }
    const size_t count = static_cast<size_t>(width) * height;
    std::vector<GifByteType> red(count), green(count), blue(count), indices(count);
    std::vector<unsigned char> rgb(static_cast<size_t>(width) * 3);
    for (int y = 0; y < height; ++y) {
        RgbRow(pixels + static_cast<size_t>(y) * pitchPixels, width, rgb.data());
        for (int x = 0; x < width; ++x) {
            const size_t i = static_cast<size_t>(y) * width + x;
            red[i] = rgb[3 * x];
            green[i] = rgb[3 * x + 1];
            blue[i] = rgb[3 * x + 2];
        }
    }
    GifColorType palette[256] = {};
    int colours = 256;
    if (GifQuantizeBuffer(static_cast<unsigned>(width), static_cast<unsigned>(height), &colours, red.data(),
                          green.data(), blue.data(), indices.data(), palette) != GIF_OK) {
        SetError(error, "cannot reduce the picture to 256 colours");
        return false;
    }
    // A colour table holds a power of two of entries.
    const int bits = GifBitSize(std::max(colours, 2));
    ColorMapObject* map = GifMakeMapObject(1 << bits, palette);
    if (!map) {
        SetError(error, "out of memory");
        return false;
    }
    int code = 0;
    GifFileType* gif = EGifOpenFileName(path.c_str(), false, &code);
    if (!gif) {
        GifFreeMapObject(map);
        SetError(error, "cannot open " + path + ": " + GifText(code));
        return false;
    }
    bool ok = EGifPutScreenDesc(gif, width, height, bits, 0, map) == GIF_OK &&
              EGifPutImageDesc(gif, 0, 0, width, height, false, nullptr) == GIF_OK;
    for (int y = 0; ok && y < height; ++y)
        ok = EGifPutLine(gif, indices.data() + static_cast<size_t>(y) * width, width) == GIF_OK;
    if (!ok) code = gif->Error;
    if (EGifCloseFile(gif, ok ? &code : nullptr) != GIF_OK) ok = false;
    GifFreeMapObject(map);
    if (!ok) SetError(error, "cannot write " + path + ": " + GifText(code));
    return ok;
}

// TIFF: 8-bit RGB strips, LZW compressed.
bool SaveTiff(const std::string& path, const uint32_t* pixels, int width, int height, int pitchPixels,
              std::string* error) {
    TIFF* tif = TIFFOpen(path.c_str(), "w");
    if (!tif) {
        SetError(error, "cannot open " + path);
        return false;
    }
    TIFFSetField(tif, TIFFTAG_IMAGEWIDTH, static_cast<uint32_t>(width));
    TIFFSetField(tif, TIFFTAG_IMAGELENGTH, static_cast<uint32_t>(height));
    TIFFSetField(tif, TIFFTAG_SAMPLESPERPIXEL, 3);
    TIFFSetField(tif, TIFFTAG_BITSPERSAMPLE, 8);
    TIFFSetField(tif, TIFFTAG_ORIENTATION, ORIENTATION_TOPLEFT);
    TIFFSetField(tif, TIFFTAG_PLANARCONFIG, PLANARCONFIG_CONTIG);
    TIFFSetField(tif, TIFFTAG_PHOTOMETRIC, PHOTOMETRIC_RGB);
    TIFFSetField(tif, TIFFTAG_COMPRESSION, COMPRESSION_LZW);
    TIFFSetField(tif, TIFFTAG_ROWSPERSTRIP, TIFFDefaultStripSize(tif, 0));
    std::vector<unsigned char> row(static_cast<size_t>(width) * 3);
    bool ok = true;
    for (int y = 0; ok && y < height; ++y) {
        RgbRow(pixels + static_cast<size_t>(y) * pitchPixels, width, row.data());
        ok = TIFFWriteScanline(tif, row.data(), static_cast<uint32_t>(y), 0) == 1;
    }
    if (ok) ok = TIFFFlush(tif) == 1;
    TIFFClose(tif);
    if (!ok) SetError(error, "cannot write " + path);
    return ok;
}

std::string LowerExtension(const std::string& path) {
    size_t slash = path.find_last_of("/\\");
    size_t dot = path.rfind('.');
    if (dot == std::string::npos || (slash != std::string::npos && dot < slash)) return "";
    std::string ext = path.substr(dot);
    std::transform(ext.begin(), ext.end(), ext.begin(), [](unsigned char c) { return static_cast<char>(std::tolower(c)); });
    return ext;
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
    std::vector<uint32_t> pixels(static_cast<size_t>(w) * h);

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

bool DecodeImage(const void* data, size_t size, KesImage& out, std::string* error) {
    if (!data || size == 0) {
        SetError(error, "no data");
        return false;
    }
    if (size > static_cast<size_t>(INT32_MAX)) {
        SetError(error, "too large");
        return false;
    }
    if (IsDdsData(data, size)) return DecodeDds(data, size, out, error);
    uint64_t announcedW = 0, announcedH = 0;
    if (AnnouncedSize(static_cast<const unsigned char*>(data), size, announcedW, announcedH) &&
        (announcedW > static_cast<uint64_t>(kMaxImageSide) || announcedH > static_cast<uint64_t>(kMaxImageSide))) {
        SetError(error, "image size out of range");
        return false;
    }
    InitImageLibrary();
    SDL_RWops* rw = SDL_RWFromConstMem(data, static_cast<int>(size));
    if (!rw) {
        SetError(error, SDL_GetError());
        return false;
    }
    // Only the picture types the engine's games use; TGA files carry no
    // signature, so they are tried last.
    SDL_Surface* surface = nullptr;
    if (IMG_isPNG(rw))
        surface = IMG_LoadPNG_RW(rw);
    else if (IMG_isJPG(rw))
        surface = IMG_LoadJPG_RW(rw);
    else if (IMG_isBMP(rw))
        surface = IMG_LoadBMP_RW(rw);
    else if (IMG_isPNM(rw))
        surface = IMG_LoadPNM_RW(rw);
    else if (CompleteTga(static_cast<const unsigned char*>(data), size))
        surface = IMG_LoadTGA_RW(rw);
    else
        IMG_SetError("not a BMP, JPEG, PNG, TGA, PPM or DDS picture");
    SDL_RWclose(rw);
    if (!surface) {
        SetError(error, IMG_GetError());
        return false;
    }
    bool ok = SurfaceToImage(surface, out, error);
    SDL_FreeSurface(surface);
    return ok;
}

bool SaveImage(const std::string& path, const uint32_t* pixels, int width, int height, int pitchPixels,
               std::string* error) {
    if (!pixels || width <= 0 || height <= 0 || pitchPixels < width) {
        SetError(error, "no picture");
        return false;
    }
    const std::string ext = LowerExtension(path);
    if (ext == ".jpg" || ext == ".jpeg") return SaveJpeg(path, pixels, width, height, pitchPixels, error);
    if (ext == ".gif") return SaveGif(path, pixels, width, height, pitchPixels, error);
    if (ext == ".tif" || ext == ".tiff") return SaveTiff(path, pixels, width, height, pitchPixels, error);
    if (ext != ".png" && ext != ".bmp") {
        SetError(error, "unknown picture type " + ext);
        return false;
    }
    SDL_Surface* argb = SDL_CreateRGBSurfaceWithFormatFrom(const_cast<uint32_t*>(pixels), width, height, 32,
                                                           pitchPixels * 4, SDL_PIXELFORMAT_ARGB8888);
    if (!argb) {
        SetError(error, SDL_GetError());
        return false;
    }
    // The back buffer's alpha means nothing on screen: save opaque RGB.
    SDL_Surface* rgb = SDL_ConvertSurfaceFormat(argb, SDL_PIXELFORMAT_RGB24, 0);
    SDL_FreeSurface(argb);
    if (!rgb) {
        SetError(error, SDL_GetError());
        return false;
    }
    int rc;
    if (ext == ".png") {
        InitImageLibrary();
        rc = IMG_SavePNG(rgb, path.c_str());
    } else {
        rc = SDL_SaveBMP(rgb, path.c_str());
    }
    if (rc != 0) SetError(error, SDL_GetError());
    SDL_FreeSurface(rgb);
    return rc == 0;
}

}  // namespace platform
}  // namespace kest2d
