// Pictures through SDL2_image and the file libraries: decoding files in
// memory (DDS has its own decoder, in KesImageDds.cpp), checking the sizes
// their headers announce, and saving pixels as JPEG, PNG, BMP, GIF or TIFF.
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

#include "platform/KesImageBytes.h"

namespace kest2d {
namespace platform {

namespace {

using namespace imagebytes;

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

// ---- PNG ----

// A PNG file must hold every chunk up to its end chunk: SDL_image's reader
// does not stop at the end of the data, so libpng would read a chunk that
// announces gigabytes, or the chunks after a file's last byte, from nothing
// (checksumming for seconds, or looking for the image data for ever).
bool CompletePng(const unsigned char* p, size_t size) {
    size_t pos = 8;
    while (pos + 8 <= size) {
        const uint64_t length = ReadBe32(p + pos);
        if (length > size - pos - 8 || size - pos - 8 - length < 4) return false;  // data and checksum
        if (std::memcmp(p + pos + 4, "IEND", 4) == 0) return true;
        pos += 12 + static_cast<size_t>(length);
    }
    return false;
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
// gives no size we can read (the decoder then decides); a PNG or BMP header
// cut short before its size gives the largest size, which is refused.
bool AnnouncedSize(const unsigned char* p, size_t size, uint64_t& w, uint64_t& h) {
    if (size >= 4 && std::memcmp(p, "\x89PNG", 4) == 0) {
        if (size < 24) {
            w = h = UINT64_MAX;
            return true;
        }
        w = ReadBe32(p + 16);
        h = ReadBe32(p + 20);
        return true;
    }
    if (size >= 2 && p[0] == 'B' && p[1] == 'M') {
        const uint32_t header = size >= 18 ? ReadLe32(p + 14) : 0;
        if (size < 18 || size < (header == 12 ? 22u : 26u)) {
            w = h = UINT64_MAX;
            return true;
        }
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
    if (IMG_isPNG(rw)) {
        if (CompletePng(static_cast<const unsigned char*>(data), size))
            surface = IMG_LoadPNG_RW(rw);
        else
            IMG_SetError("PNG file cut short");
    } else if (IMG_isJPG(rw))
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
