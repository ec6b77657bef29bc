// Pictures in memory: decoding image files (BMP, PNG, TGA, PPM through
// SDL2_image; JPEG through libjpeg-turbo; DDS through our own decoder) into
// 32-bit ARGB pixels, and saving pixels as JPEG, PNG, BMP, GIF or TIFF files.
#pragma once

#include <cstddef>
#include <cstdint>
#include <string>
#include <vector>

namespace kest2d {
namespace platform {

// A picture of width x height pixels, 0xAARRGGBB each, rows top to bottom,
// tightly packed (pitch = width * 4).
struct KesImage {
    int width = 0;
    int height = 0;
    std::vector<uint32_t> pixels;
};

// The largest width or height accepted from a file.
constexpr int kMaxImageSide = 8192;

// The most scans a JPEG may hold. libjpeg reads every scan of a picture
// before its first row, each a pass over the whole picture even when the
// scan brings no bytes: a small file of thousands of scans would hold the
// game for seconds. Encoders write 1 (baseline) to about 20 (progressive).
constexpr int kMaxJpegScans = 32;

// True when the bytes begin with the DirectDraw surface magic "DDS ".
bool IsDdsData(const void* data, size_t size);

// Decodes an image file held in memory. False (with a reason in `error` when
// given) when the bytes are not a picture we can read; never reads past `size`.
bool DecodeImage(const void* data, size_t size, KesImage& out, std::string* error = nullptr);

// The DDS decoder alone: uncompressed RGB/RGBA/luminance and DXT1/3/5, top
// level only.
bool DecodeDds(const void* data, size_t size, KesImage& out, std::string* error = nullptr);

// Writes width x height ARGB pixels (rows of `pitchPixels` pixels) to `path`
// (a disk path); the type is chosen by the extension: ".jpg"/".jpeg" (JPEG,
// libjpeg-turbo), ".png", ".bmp", ".gif" (giflib, reduced to 256 colours by
// its quantiser), ".tif"/".tiff" (libtiff). The alpha channel is not written.
bool SaveImage(const std::string& path, const uint32_t* pixels, int width, int height, int pitchPixels,
               std::string* error = nullptr);

}  // namespace platform
}  // namespace kest2d
