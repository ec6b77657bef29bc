// Shared pieces of the video tests.
#pragma once

#include <gtest/gtest.h>

#include <cstdlib>
#include <string>
#include <vector>

#include "platform/KesVideo.h"
#include "support/TestSupport.h"
#include "video/OggTheoraWriter.h"

namespace kest2d {
namespace test {

const std::vector<Rgb> kTenColours = {
    {220, 30, 30},  {30, 200, 40},   {40, 50, 210},  {240, 240, 240}, {20, 20, 20},
    {230, 220, 40}, {40, 210, 220}, {210, 40, 200}, {128, 128, 128}, {240, 140, 30},
};

// Largest difference of any channel of pixel (x, y) from `c`.
inline int PixelDiff(const TheoraVideoFrame& f, int x, int y, const Rgb& c) {
    const unsigned char* p = f.mBuffer.data() + (static_cast<size_t>(y) * f.mWidth + x) * 3;
    return std::max({std::abs(p[0] - c.r), std::abs(p[1] - c.g), std::abs(p[2] - c.b)});
}

inline ::testing::AssertionResult IsSolid(TheoraVideoFrame* f, const Rgb& c, int tolerance = 8) {
    if (!f) return ::testing::AssertionFailure() << "no frame";
    if (f->mBuffer.size() != static_cast<size_t>(f->mWidth) * f->mHeight * 3)
        return ::testing::AssertionFailure() << "buffer of " << f->mBuffer.size() << " bytes";
    for (int y = 0; y < f->mHeight; ++y)
        for (int x = 0; x < f->mWidth; ++x)
            if (PixelDiff(*f, x, y, c) > tolerance) {
                const unsigned char* p = f->getBuffer() + (static_cast<size_t>(y) * f->mWidth + x) * 3;
                return ::testing::AssertionFailure() << "pixel (" << x << "," << y << ") is " << int(p[0]) << ","
                                                     << int(p[1]) << "," << int(p[2]) << " not " << c.r << ","
                                                     << c.g << "," << c.b << " (frame " << f->getFrameNumber()
                                                     << ")";
            }
    return ::testing::AssertionSuccess();
}

// A manager and a scratch folder to write clips into.
class VideoTest : public ::testing::Test {
protected:
    std::string Write(const std::string& name, const ClipSettings& settings) {
        std::string path = mDir.file(name);
        WriteFile(path, MakeOggTheora(settings));
        return path;
    }
    // Updates in `step` second ticks until the clip is done; the number of
    // ticks, or -1 when it is still running after `maxTicks`.
    static int PlayOut(TheoraVideoManager& m, TheoraVideoClip* clip, float step = 0.1f, int maxTicks = 1000) {
        for (int i = 1; i <= maxTicks; ++i) {
            m.update(step);
            if (TheoraVideoFrame* f = clip->getNextFrame()) {
                EXPECT_EQ(static_cast<size_t>(clip->mWidth) * clip->mHeight * 3, f->mBuffer.size());
            }
            if (clip->isDone()) return i;
        }
        return -1;
    }

    TempDir mDir;
    TheoraVideoManager mManager{1};
};

}  // namespace test
}  // namespace kest2d
