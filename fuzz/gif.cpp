// Fuzzes the GIF decoder: the input is the file. It is opened in both modes,
// every frame is checked against its declared size, and the palettes are read
// at every index a frame holds.
//
//   ./fuzz_gif -max_total_time=300 -max_len=65536 corpus/
//
// It can also be built by hand:
//   clang++ -std=c++17 -O1 -g -fsanitize=fuzzer,address,undefined -Isrc -o fuzz_gif fuzz/gif.cpp
//     src/gui/controls/Kest2dGifDecoder.cpp src/frame/Kest2dLogger.cpp src/platform/KesFiles.cpp
#include <cstddef>
#include <cstdint>

#include "frame/Kest2dLogger.h"
#include "gui/controls/Kest2dGifDecoder.h"

namespace {

unsigned Touch(const kest2d::CKesGIFDecoder& d, const kest2d::KesGifFrame& f) {
    if (f.indices.size() != static_cast<size_t>(f.width) * f.height) __builtin_trap();
    const unsigned char* palette = d.GetPalette(f);
    unsigned sum = 0;
    for (unsigned char i : f.indices) sum += palette ? palette[3 * i] + palette[3 * i + 2] : i;
    return sum;
}

}  // namespace

extern "C" int LLVMFuzzerInitialize(int*, char***) {
    // The decoder's log lines would drown the fuzzer's own output.
    kest2d::CKesLogger::setThreshold(kest2d::FATAL);
    return 0;
}

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    volatile unsigned sink = 0;
    {
        kest2d::CKesGIFDecoder all;
        if (all.Open(data, size, true)) {
            for (int i = 0; i <= all.GetFrameCount(); ++i) {
                const kest2d::KesGifFrame* f = all.NextFrame();
                if (!f) __builtin_trap();
                sink = sink + Touch(all, *f);
            }
        }
    }
    kest2d::CKesGIFDecoder stream;
    if (stream.Open(data, size, false)) {
        for (int i = 0; i < 8; ++i) {
            const kest2d::KesGifFrame* f = stream.NextFrame();
            if (f) sink = sink + Touch(stream, *f);
        }
    }
    return 0;
}
