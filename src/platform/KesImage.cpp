// Pictures through SDL2_image and the file libraries: decoding files in
// memory (DDS has its own decoder, in KesImageDds.cpp; the header rules that
// run before SDL2_image's decoders are in KesImageHeaders.cpp), and saving
// pixels as JPEG, PNG, BMP, GIF or TIFF.
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
#include "platform/KesImageHeaders.h"

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
// rule alone recognises them.
struct PictureType {
    const char* name;
    int (*signature)(SDL_RWops*);  // null: none
    imageheaders::Announced (*header)(const unsigned char*, size_t);
    SDL_Surface* (*decode)(SDL_RWops*);
};

const PictureType kPictureTypes[] = {
    {"PNG", IMG_isPNG, imageheaders::PngHeader, IMG_LoadPNG_RW},
    {"JPEG", IMG_isJPG, imageheaders::JpegHeader, IMG_LoadJPG_RW},
    {"BMP", IMG_isBMP, imageheaders::BmpHeader, IMG_LoadBMP_RW},
    {"PNM", IMG_isPNM, imageheaders::PnmHeader, IMG_LoadPNM_RW},
    {"TGA", nullptr, imageheaders::TgaHeader, IMG_LoadTGA_RW},
};

// Decodes through the first matching type; null with SDL_image's error set
// when the bytes are no picture, the header is refused or decoding fails.
SDL_Surface* DecodeWithSdlImage(SDL_RWops* rw, const unsigned char* p, size_t size) {
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
        return type.decode(rw);
    }
    IMG_SetError("not a BMP, JPEG, PNG, TGA, PPM or DDS picture");
    return nullptr;
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
    InitImageLibrary();
    SDL_RWops* rw = SDL_RWFromConstMem(data, static_cast<int>(size));
    if (!rw) {
        SetError(error, SDL_GetError());
        return false;
    }
    SDL_Surface* surface = DecodeWithSdlImage(rw, static_cast<const unsigned char*>(data), size);
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
