// JPEG files through libjpeg-turbo: decoding straight into ARGB pixels, and
// writing.
#include "platform/KesImageJpeg.h"

#include <jpeglib.h>

#include <csetjmp>
#include <cstdio>
#include <cstring>
#include <vector>

#include "platform/KesImageBytes.h"

namespace kest2d {
namespace platform {
namespace imagejpeg {

namespace {

using namespace imagebytes;

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

// Warnings (data cut short, bytes before a marker) are not errors: the
// picture is kept, and nothing is printed.
void JpegQuiet(j_common_ptr) {}

// The error manager of one decoding or writing: an error jumps back to the
// caller's setjmp with its text.
jpeg_error_mgr* Errors(JpegError& err) {
    jpeg_error_mgr* mgr = jpeg_std_error(&err.mgr);
    err.mgr.error_exit = JpegErrorExit;
    err.text[0] = 0;
    return mgr;
}

// What decoding keeps across libjpeg's error jump: nothing of it may live in
// the function that sets the jump.
struct Decoding {
    const unsigned char* data;
    size_t size;
    std::vector<uint32_t> pixels;
    std::vector<uint32_t> row;
    int width = 0;
    int height = 0;
};

bool RunDecoder(Decoding& job, std::string* error) {
    jpeg_decompress_struct cinfo;
    JpegError err;
    std::memset(&cinfo, 0, sizeof(cinfo));
    cinfo.err = Errors(err);
    err.mgr.output_message = JpegQuiet;
    if (setjmp(err.jump)) {
        jpeg_destroy_decompress(&cinfo);
        SetError(error, err.text);
        return false;
    }
    jpeg_create_decompress(&cinfo);
    jpeg_mem_src(&cinfo, job.data, static_cast<unsigned long>(job.size));
    jpeg_read_header(&cinfo, TRUE);
    if (cinfo.image_width == 0 || cinfo.image_height == 0 || cinfo.image_width > kMaxImageSide ||
        cinfo.image_height > kMaxImageSide) {
        jpeg_destroy_decompress(&cinfo);
        SetError(error, "image size out of range");
        return false;
    }
    // 0xAARRGGBB in little-endian memory is B, G, R, A; four components
    // stay C, M, Y, K, as SDL2_image has always given them to the games.
    cinfo.out_color_space = cinfo.num_components == 4 ? JCS_CMYK : JCS_EXT_BGRA;
    jpeg_start_decompress(&cinfo);
    if (cinfo.output_components != 4) {
        jpeg_destroy_decompress(&cinfo);
        SetError(error, "unexpected JPEG components");
        return false;
    }
    job.width = static_cast<int>(cinfo.output_width);
    job.height = static_cast<int>(cinfo.output_height);
    // Rows are appended to a picture whose room is reserved, not cleared.
    job.pixels.reserve(static_cast<size_t>(job.width) * job.height);
    job.row.resize(static_cast<size_t>(job.width));
    JSAMPROW row = reinterpret_cast<JSAMPROW>(job.row.data());
    while (cinfo.output_scanline < cinfo.output_height) {
        jpeg_read_scanlines(&cinfo, &row, 1);
        job.pixels.insert(job.pixels.end(), job.row.begin(), job.row.end());
    }
    jpeg_finish_decompress(&cinfo);
    jpeg_destroy_decompress(&cinfo);
    return true;
}

}  // namespace

bool Save(const std::string& path, const uint32_t* pixels, int width, int height, int pitchPixels,
          std::string* error) {
    FILE* f = std::fopen(path.c_str(), "wb");
    if (!f) {
        SetError(error, "cannot open " + path);
        return false;
    }
    jpeg_compress_struct cinfo;
    JpegError err;
    std::memset(&cinfo, 0, sizeof(cinfo));
    cinfo.err = Errors(err);
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

bool Decode(const unsigned char* data, size_t size, KesImage& out, std::string* error) {
    Decoding job;
    job.data = data;
    job.size = size;
    if (!RunDecoder(job, error)) return false;
    out.width = job.width;
    out.height = job.height;
    out.pixels.swap(job.pixels);
    return true;
}

}  // namespace imagejpeg
}  // namespace platform
}  // namespace kest2d
