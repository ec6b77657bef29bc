// The header rules of the picture types SDL2_image decodes for us: each reads
// exactly the bytes its decoder reads, in the decoder's order and with the
// decoder's tolerances.
#include "platform/KesImageHeaders.h"

#include <algorithm>
#include <cstring>

#include "platform/KesImageBytes.h"

namespace kest2d {
namespace platform {
namespace imageheaders {

namespace {

using namespace imagebytes;

Announced Size(uint64_t width, uint64_t height, bool complete = true) {
    Announced a;
    a.sized = true;
    a.width = width;
    a.height = height;
    a.complete = complete;
    return a;
}

// ---- PNM header numbers ----

enum PnmKind { kPbm, kPgm, kPpm };

// SDL2_image's blanks (its own set, whatever the locale).
bool PnmBlank(unsigned char c) { return c == ' ' || c == '\t' || c == '\r' || c == '\n' || c == '\f' || c == '\v'; }

bool PnmDigit(unsigned char c) { return c >= '0' && c <= '9'; }

// One header number as the decoder reads it: blanks and comments ('#' up to
// a '\r' or '\n') before it, then its digits; the byte after the digits is
// taken and dropped whatever it is, so a number ends at any byte that is not
// a digit. A number that grows past INT32_MAX / 10, or that the data ends
// in, is refused.
bool PnmNumber(const unsigned char* p, size_t size, size_t& pos, uint64_t& value) {
    unsigned char c;
    do {
        if (pos >= size) return false;
        c = p[pos++];
        if (c == '#') {
            do {
                if (pos >= size) return false;
                c = p[pos++];
            } while (c != '\r' && c != '\n');
        }
    } while (PnmBlank(c));
    if (!PnmDigit(c)) return false;
    value = 0;
    do {
        if (value >= INT32_MAX / 10) return false;
        value = value * 10 + (c - '0');
        if (pos >= size) return false;
        c = p[pos++];
    } while (PnmDigit(c));
    return true;
}

// ---- PNG ----

// Samples of a pixel by colour type (libpng refuses the other types).
uint64_t PngChannels(unsigned colourType) {
    switch (colourType) {
    case 2: return 3;
    case 4: return 2;
    case 6: return 4;
    default: return 1;
    }
}

const uint64_t kDeflateMostPerByte = 1032;

}  // namespace

// ---- PNG: libpng ----

// libpng takes the size from the first header chunk, after any ancillary
// chunks placed before it. SDL_image's reader does not stop at the end of
// the data, so libpng would read a chunk that announces gigabytes, or the
// chunks after a file's last byte, from nothing (checksumming for seconds, or
// looking for the image data for ever): every chunk up to the end chunk must
// be in the file.
//
// libpng refuses a picture whose image data ends before its last row, but only
// once the whole picture is allocated. Deflate makes at most 1032 bytes of a
// byte (a 258-byte match in two 1-bit codes), so image data below 1/1032 of
// the picture's bits cannot hold it.
Announced PngHeader(const unsigned char* p, size_t size) {
    Announced header;
    uint64_t bitsPerPixel = 1, imageData = 0;
    size_t pos = 8;
    while (pos + 8 <= size) {
        const uint64_t length = ReadBe32(p + pos);
        if (length > size - pos - 8 || size - pos - 8 - length < 4) break;  // data and checksum
        const unsigned char* name = p + pos + 4;
        if (!header.sized && std::memcmp(name, "IHDR", 4) == 0) {
            if (length != 13) return Announced();  // libpng refuses it
            header = Size(ReadBe32(p + pos + 8), ReadBe32(p + pos + 12), false);
            bitsPerPixel = p[pos + 16] * PngChannels(p[pos + 17]);
        }
        if (std::memcmp(name, "IDAT", 4) == 0) imageData += length;
        if (std::memcmp(name, "IEND", 4) == 0) {
            // Refused only when the picture's bytes (w x h x bits / 8) are
            // surely more than the data makes; sides below 2^32 keep every
            // product inside 64 bits.
            const uint64_t mostBytes = kDeflateMostPerByte * (imageData + 1);
            header.complete = header.sized && (bitsPerPixel == 0 ||
                                               header.width * header.height / 8 <= mostBytes / bitsPerPixel);
            break;
        }
        pos += 12 + static_cast<size_t>(length);
    }
    return header;
}

// ---- JPEG: libjpeg-turbo ----

// libjpeg walks the markers after the start of image: bytes other than 0xFF
// between them are skipped, 0xFF fill bytes too, and so is a 0xFF 0x00 pair;
// the restart markers and TEM stand alone; the end of image ends the walk;
// every other marker carries a 2-byte length counting itself, and a length
// under 2 skips just those two bytes. The first frame marker gives the size.
// A header without a frame is no picture.
//
// The walk goes on to the end of image counting the start-of-scan markers:
// a picture in several scans (progressive, or one scan per component) is
// read scan after scan before its first row comes out, and each scan is a
// pass over every block it covers, however few bytes it brings. A scan's
// entropy-coded bytes are walked like the bytes between markers, which is
// how libjpeg finds the marker that ends the scan.
Announced JpegHeader(const unsigned char* p, size_t size) {
    if (size < 2 || p[0] != 0xFF || p[1] != 0xD8) return Announced();
    Announced header;
    size_t pos = 2;
    while (pos + 2 <= size) {
        if (p[pos] != 0xFF) {
            ++pos;
            continue;
        }
        const unsigned marker = p[pos + 1];
        if (marker == 0xFF) {
            ++pos;
            continue;
        }
        if (marker == 0x00 || marker == 0x01 || (marker >= 0xD0 && marker <= 0xD8)) {
            pos += 2;
            continue;
        }
        if (marker == 0xD9 || pos + 4 > size) break;
        const bool frame = marker >= 0xC0 && marker <= 0xCF && marker != 0xC4 && marker != 0xC8 && marker != 0xCC;
        if (frame && !header.sized) {
            if (pos + 9 > size) break;
            header = Size(static_cast<uint64_t>(p[pos + 7] << 8 | p[pos + 8]),
                          static_cast<uint64_t>(p[pos + 5] << 8 | p[pos + 6]));
        }
        if (marker == 0xDA) ++header.scans;
        const size_t length = static_cast<size_t>(p[pos + 2] << 8 | p[pos + 3]);
        pos += 2 + std::max<size_t>(length, 2);
    }
    return header.sized ? header : Announced();
}

// ---- BMP: SDL's reader ----

namespace {

const uint32_t kBmpRle8 = 1, kBmpRle4 = 2;

// Rows as SDL reads them, from the pixel offset on: each row padded to 4
// bytes, but for the last row of a picture of 1, 2 or 4 bits a pixel, which
// SDL reads only up to its last pixel.
bool BmpRowsFit(uint64_t width, uint64_t height, uint64_t bits, uint64_t offset, size_t size) {
    if (width == 0 || bits == 0) return false;
    // width < 2^31 and bits < 2^16: no product below overflows.
    const uint64_t stride = (width * bits + 31) / 32 * 4;
    const uint64_t last = bits < 8 ? (width * bits + 7) / 8 : stride;
    if (offset > size || size - offset < last) return false;
    return height <= 1 || (size - offset - last) / stride >= height - 1;
}

// A run-length picture: SDL reads code after code up to the end mark
// (0, 1), whatever the rows, and refuses a stream that ends first. Codes: a
// count and an index (a run), 0 0 (end of row), 0 2 dx dy (a move right and
// up), 0 n and n indices padded to a whole 16-bit word (n of one byte, or of
// four bits). Runs and indices write pixels along the row; only the end of
// row and a move's dy go up a row. Pixels the codes skip keep the palette's
// first colour, which is fair for a move or the end of a row (encoders skip
// pixels that way), but an end mark before the last row would leave rows no
// code ever reached: the stream must reach the last row.
bool BmpRunsReachLastRow(const unsigned char* p, size_t size, uint64_t pos, bool fourBits, uint64_t height) {
    uint64_t row = 0;
    for (;;) {
        if (pos > size || size - pos < 2) return false;
        const unsigned count = p[pos], code = p[pos + 1];
        pos += 2;
        if (count != 0) continue;
        if (code == 0) {
            ++row;
        } else if (code == 1) {
            return row + 1 >= height;
        } else if (code == 2) {
            if (size - pos < 2) return false;
            row += p[pos + 1];
            pos += 2;
        } else {
            const uint64_t bytes = fourBits ? (code + 1u) / 2 : code;
            pos += (bytes + 1) / 2 * 2;
        }
    }
}

}  // namespace

// A 12-byte core header gives 16-bit sizes, every other header 32-bit signed
// ones (a negative height means rows top down). A header cut short before its
// size would be read from stray bytes: refused. SDL allocates the whole
// picture before it reads a pixel: the file must hold every row (or, run-length
// coded, a whole stream that reaches the last row), from the pixel offset on.
Announced BmpHeader(const unsigned char* p, size_t size) {
    if (size < 18) return Announced();
    const uint32_t header = ReadLe32(p + 14);
    const bool core = header == 12;
    if (size < (core ? 22u : 26u)) return Announced();
    uint64_t w, h;
    if (core) {
        w = ReadLe16(p + 18);
        h = ReadLe16(p + 20);
    } else {
        const int64_t sw = static_cast<int32_t>(ReadLe32(p + 18)), sh = static_cast<int32_t>(ReadLe32(p + 22));
        w = static_cast<uint64_t>(sw < 0 ? -sw : sw);
        h = static_cast<uint64_t>(sh < 0 ? -sh : sh);
    }
    // The bit count and the compression, where SDL reads them.
    if (size < (core ? 26u : 34u)) return Size(w, h, false);
    const uint64_t bits = ReadLe16(p + (core ? 24 : 28));
    const uint32_t compression = core ? 0 : ReadLe32(p + 30);
    const uint64_t offset = ReadLe32(p + 10);
    if (compression == kBmpRle8 || compression == kBmpRle4)
        return Size(w, h, BmpRunsReachLastRow(p, size, offset, compression == kBmpRle4, h));
    return Size(w, h, BmpRowsFit(w, h, bits, offset, size));
}

// ---- PNM: SDL2_image ----

// "P1" to "P6": width, height and (but for bitmaps) the largest value, read
// as above; then the pixels: one byte per row byte in the binary forms
// ("P4" to "P6"), at least one byte a pixel in an ASCII bitmap and at least
// two (a digit and the byte that ends it) a sample in ASCII grey or colour.
Announced PnmHeader(const unsigned char* p, size_t size) {
    if (size < 2 || p[0] != 'P' || p[1] < '1' || p[1] > '6') return Announced();
    const bool ascii = p[1] <= '3';
    const PnmKind kind = static_cast<PnmKind>((p[1] - '1') % 3);
    size_t pos = 2;
    uint64_t w = 0, h = 0, maxValue = 0;
    if (!PnmNumber(p, size, pos, w) || !PnmNumber(p, size, pos, h) || w == 0 || h == 0) return Announced();
    if (kind != kPbm && !PnmNumber(p, size, pos, maxValue)) return Announced();
    // w and h are below 2^31: neither product overflows.
    const uint64_t left = size - pos;
    if (ascii) {
        const uint64_t perPixel = kind == kPbm ? 1 : kind == kPgm ? 2 : 6;
        return Size(w, h, left / perPixel >= w * h);
    }
    const uint64_t row = kind == kPbm ? (w + 7) / 8 : kind == kPgm ? w : 3 * w;
    return Size(w, h, left / row >= h);
}

// ---- TGA: SDL2_image ----

// TGA files carry no signature, and SDL_image fills a short file's missing
// pixels with whatever it has: the file must hold every pixel.
Announced TgaHeader(const unsigned char* p, size_t size) {
    if (size < 18) return Announced();
    const unsigned idLength = p[0], colourMapType = p[1], type = p[2];
    const unsigned mapLength = ReadLe16(p + 5), mapBits = p[7];
    const size_t width = ReadLe16(p + 12), height = ReadLe16(p + 14);
    const unsigned bits = p[16];
    const bool rle = type == 9 || type == 10 || type == 11;
    if (!(type == 1 || type == 2 || type == 3 || rle) || colourMapType > 1) return Announced();
    if (width == 0 || height == 0 || bits == 0 || bits > 32) return Announced();
    size_t pos = 18 + idLength;
    if (colourMapType == 1) pos += static_cast<size_t>(mapLength) * ((mapBits + 7) / 8);
    const size_t bytes = (bits + 7) / 8;
    const size_t pixels = width * height;
    if (!rle) return Size(width, height, pos <= size && (size - pos) / bytes >= pixels);
    size_t done = 0;
    while (done < pixels) {
        if (pos >= size) return Size(width, height, false);
        const unsigned char packet = p[pos++];
        const size_t run = (packet & 0x7F) + 1u;
        pos += (packet & 0x80) ? bytes : run * bytes;
        if (pos > size) return Size(width, height, false);
        done += run;
    }
    return Size(width, height);
}

}  // namespace imageheaders
}  // namespace platform
}  // namespace kest2d
