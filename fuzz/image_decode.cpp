// Image decoding from arbitrary bytes: DDS through our own decoder, the other
// formats through SDL2_image. Seeds: tests/data/images/.
#include <cstddef>
#include <cstdint>

#include "platform/KesImage.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    kest2d::platform::KesImage image;
    if (kest2d::platform::DecodeImage(data, size, image)) {
        // The picture holds exactly its pixels; the first and last of every
        // row are read (every pixel would cost an instrumented loop of up to
        // 64 million turns, most of the time an 8192 x 8192 picture takes).
        const size_t width = static_cast<size_t>(image.width);
        if (image.width <= 0 || image.height <= 0 || image.pixels.size() != width * image.height) __builtin_trap();
        volatile uint32_t sum = 0;
        for (size_t row = 0; row < image.pixels.size(); row += width)
            sum = sum + image.pixels[row] + image.pixels[row + width - 1];
        (void)sum;
    }
    return 0;
}
