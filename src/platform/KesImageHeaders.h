// What a picture file's header announces, read byte for byte the way the
// decoder that will read the file reads it (SDL2_image's PNM and TGA
// readers, libpng, libjpeg-turbo, SDL's BMP reader), so that no file can show
// the size check one size and the decoder another. Every decoder allocates
// the whole picture from its header before it reads a pixel: the size is
// checked first, and the file must hold every pixel too, as far as its
// length can tell (PNM, TGA and BMP rows byte for byte, run-length TGA
// streams pixel for pixel, run-length BMP streams up to the last row, PNG
// image data at the most deflate can unpack). A JPEG cut short is decoded
// with its missing part grey, so its length bounds nothing; its scans are
// counted instead, each one a pass over the picture however few its bytes.
#pragma once

#include <cstddef>
#include <cstdint>

namespace kest2d {
namespace platform {
namespace imageheaders {

struct Announced {
    // False when the decoder would refuse the header, or would take its size
    // from bytes past the end of the data.
    bool sized = false;
    uint64_t width = 0;
    uint64_t height = 0;
    // False when the decoder would read past the end of the data (SDL2_image's
    // readers do not all stop there) or the file cannot hold every pixel.
    bool complete = false;
    // JPEG: the scans libjpeg would read, up to the end of image.
    uint64_t scans = 0;
};

// Each takes a whole file whose signature its decoder accepted (TGA has
// none: its rule alone decides whether the bytes are a complete TGA).
Announced PngHeader(const unsigned char* p, size_t size);
Announced JpegHeader(const unsigned char* p, size_t size);
Announced BmpHeader(const unsigned char* p, size_t size);
Announced PnmHeader(const unsigned char* p, size_t size);
Announced TgaHeader(const unsigned char* p, size_t size);

}  // namespace imageheaders
}  // namespace platform
}  // namespace kest2d
