// Pictures through SDL2_image and the file libraries: decoding files in
// memory (DDS has its own decoder, in KesImageDds.cpp, and JPEG its own use of
// libjpeg-turbo, in KesImageJpeg.cpp; the header rules that run before every
// decoder are in KesImageHeaders.cpp), and saving pixels as JPEG, PNG, BMP,
// GIF or TIFF.
#include "platform/KesImage.h"

#include <SDL.h>
#include <SDL_image.h>
#include <gif_lib.h>
#include <tiffio.h>

#include <algorithm>
#include <cctype>
#include <mutex>
#include <vector>

#include "platform/KesImageBytes.h"
#include "platform/KesImageHeaders.h"
#include "platform/KesImageJpeg.h"

namespace kest2d {
namespace platform {

namespace {

using namespace imagebytes;

// ---- SDL2_image ----

void InitImageLibrary() {
    static std::once_flag once;
    std::call_once(once, [] { IMG_Init(IMG_INIT_JPG | IMG_INIT_PNG); });
}

// The picture types the engine's games use, in the order they are tried:
// the first whose signature matches decodes the file, once its header rule
// has passed it. TGA files carry no signature, so they come last and their
// rule alone recognises them. JPEG is decoded by libjpeg-turbo straight into
// the picture, the others by SDL2_image into a surface first.
struct PictureType {
    const char* name;
    int (*signature)(SDL_RWops*);  // null: none
    imageheaders::Announced (*header)(const unsigned char*, size_t);
    SDL_Surface* (*decode)(SDL_RWops*);  // SDL2_image's decoder, or null for the engine's own:
    bool (*decodeOwn)(const unsigned char*, size_t, KesImage&, std::string*);
};

const PictureType kPictureTypes[] = {
    {"PNG", IMG_isPNG, imageheaders::PngHeader, IMG_LoadPNG_RW, nullptr},
    {"JPEG", IMG_isJPG, imageheaders::JpegHeader, nullptr, imagejpeg::Decode},
    {"BMP", IMG_isBMP, imageheaders::BmpHeader, IMG_LoadBMP_RW, nullptr},
    {"PNM", IMG_isPNM, imageheaders::PnmHeader, IMG_LoadPNM_RW, nullptr},
    {"TGA", nullptr, imageheaders::TgaHeader, IMG_LoadTGA_RW, nullptr},
};

// The first matching type, once its header rule has passed the file; null
// with SDL_image's error set when the bytes are no picture or the header is
// refused.
const PictureType* Admitted(SDL_RWops* rw, const unsigned char* p, size_t size) {
    for (const PictureType& type : kPictureTypes) {
        if (type.signature && !type.signature(rw)) continue;
        const imageheaders::Announced header = type.header(p, size);
        if (!header.sized) {
            if (!type.signature) break;  // not a TGA either
            IMG_SetError("%s header unreadable", type.name);
            return nullptr;
        }
        // A small file must not make the decoder allocate gigabytes.
        if (header.width > static_cast<uint64_t>(kMaxImageSide) ||
            header.height > static_cast<uint64_t>(kMaxImageSide)) {
            IMG_SetError("image size out of range");
            return nullptr;
        }
        if (!header.complete) {
            IMG_SetError("%s file cut short", type.name);
            return nullptr;
        }
        if (header.scans > static_cast<uint64_t>(kMaxJpegScans)) {
            IMG_SetError("JPEG of more than %d scans", kMaxJpegScans);
            return nullptr;
        }
        return &type;
    }
    IMG_SetError("not a BMP, JPEG, PNG, TGA, PPM or DDS picture");
    return nullptr;
}

// The rows of `surface` from `top`, `count` of them, as a surface of their
// own over the same pixels, with the palette and colour key that decide how
// they convert.
SDL_Surface* RowsOf(SDL_Surface* surface, int top, int count) {
    const SDL_PixelFormat* format = surface->format;
    SDL_Surface* rows = SDL_CreateRGBSurfaceWithFormatFrom(
        static_cast<unsigned char*>(surface->pixels) + static_cast<size_t>(top) * surface->pitch, surface->w, count,
        format->BitsPerPixel, surface->pitch, format->format);
    if (!rows) return nullptr;
    Uint32 key = 0;
    if ((format->palette && SDL_SetSurfacePalette(rows, format->palette) != 0) ||
        (SDL_GetColorKey(surface, &key) == 0 && SDL_SetColorKey(rows, SDL_TRUE, key) != 0)) {
        SDL_FreeSurface(rows);
        return nullptr;
    }
    return rows;
}

// The decoder's surface in 32-bit ARGB, converted a band of rows at a time
// straight into the picture: a large picture is never held twice over in
// ARGB, and its pixels are written once.
bool SurfaceToImage(SDL_Surface* surface, KesImage& out, std::string* error) {
    if (surface->w <= 0 || surface->h <= 0 || surface->w > kMaxImageSide || surface->h > kMaxImageSide) {
        SetError(error, "image size out of range");
        return false;
    }
    const int w = surface->w, h = surface->h;
    const int band = std::max(1, (1 << 18) / w);
    std::vector<uint32_t> pixels;
    pixels.reserve(static_cast<size_t>(w) * h);
    SDL_LockSurface(surface);
    for (int top = 0; top < h; top += band) {
        const int count = std::min(band, h - top);
        SDL_Surface* rows = RowsOf(surface, top, count);
        SDL_Surface* argb = rows ? SDL_ConvertSurfaceFormat(rows, SDL_PIXELFORMAT_ARGB8888, 0) : nullptr;
        SDL_FreeSurface(rows);
        if (!argb) {
            SDL_UnlockSurface(surface);
            SetError(error, SDL_GetError());
            return false;
        }
        for (int y = 0; y < count; ++y) {
            const uint32_t* row = reinterpret_cast<const uint32_t*>(static_cast<const unsigned char*>(argb->pixels) +
                                                                    static_cast<size_t>(y) * argb->pitch);
            pixels.insert(pixels.end(), row, row + w);
        }
        SDL_FreeSurface(argb);
    }
    SDL_UnlockSurface(surface);
    out.width = w;
    out.height = h;
    out.pixels.swap(pixels);
    return true;
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
    InitImageLibrary();
    SDL_RWops* rw = SDL_RWFromConstMem(data, static_cast<int>(size));
    if (!rw) {
        SetError(error, SDL_GetError());
        return false;
    }
    const unsigned char* bytes = static_cast<const unsigned char*>(data);
    const PictureType* type = Admitted(rw, bytes, size);
    SDL_Surface* surface = type && type->decode ? type->decode(rw) : nullptr;
    SDL_RWclose(rw);
    if (type && type->decodeOwn) return type->decodeOwn(bytes, size, out, error);
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
    if (ext == ".jpg" || ext == ".jpeg") return imagejpeg::Save(path, pixels, width, height, pitchPixels, error);
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
