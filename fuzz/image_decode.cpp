// Image decoding from arbitrary bytes: DDS through our own decoder, the other
// formats through SDL2_image. Seeds: tests/data/images/.
#include <cstddef>
#include <cstdint>

#include "platform/KesImage.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    kest2d::platform::KesImage image;
    if (kest2d::platform::DecodeImage(data, size, image)) {
        // Touch every pixel once.
        volatile uint32_t sum = 0;
        for (uint32_t p : image.pixels) sum = sum + p;
        (void)sum;
    }
    return 0;
}
