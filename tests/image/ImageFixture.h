// The image tests: the running game window with a layout, GIFs written by the
// test, a loopback HTTP server for pictures fetched from the network, and a
// switch for the machine's connection state.
#pragma once

#include <string>

#include "controls/ControlsFixture.h"
#include "update/DownloadWait.h"
#include "update/LoopbackHttpServer.h"
#include "gif/GifWriter.h"
#include "gui/controls/Kest2dGUIImage.h"
#include "platform/KesNetState.h"

namespace kest2d {
namespace test {

const DWORD kRed = 0xFFFF0000u, kGreen = 0xFF00FF00u, kBlue = 0xFF0000FFu, kBlack = 0xFF000000u;

// Black, red, green, blue.
inline giftest::Palette Primaries() { return {{0, 0, 0}, {255, 0, 0}, {0, 255, 0}, {0, 0, 255}}; }

using giftest::Solid;

// A 20 x 20 animation on the primaries:
//  0: all red, 50 ms, disposal 1;
//  1: 10 x 10 at (0, 0), left half green, right half transparent, delay 0, disposal 1;
//  2: 10 x 10 at (10, 10), blue, 50 ms, disposal 2;
//  3: 4 x 4 at (0, 0), red, 50 ms, disposal 3.
inline std::string Animation() {
    using namespace giftest;
    const Palette pal = Primaries();
    Image one = Solid(0, 0, 10, 10, 2);
    for (unsigned y = 0; y < 10; ++y)
        for (unsigned x = 5; x < 10; ++x) one.px[y * 10 + x] = 0;
    return Screen(20, 20, &pal) + Gce(1, 5) + ImageBlock(Solid(0, 0, 20, 20, 1), 4) + Gce(1, 0, true, 0) +
           ImageBlock(one, 4) + Gce(2, 5) + ImageBlock(Solid(10, 10, 10, 10, 3), 4) + Gce(3, 5) +
           ImageBlock(Solid(0, 0, 4, 4, 1), 4) + ";";
}

// A w x h picture of one colour, as a TGA file.
inline std::string Plain(int w, int h, uint32_t argb) {
    return Tga(w, h, [argb](int, int) { return argb; });
}

class ImageFixture : public ControlsFixture {
protected:
    void SetUp() override {
        ControlsFixture::SetUp();
        platform::SetConnectedStateOverride(0);
    }
    void TearDown() override {
        platform::SetConnectedStateOverride(-1);
        ControlsFixture::TearDown();
    }
    // One image control, id 1, at (100, 100), 40 x 40.
    CKesGUIImage* StartWithImage(Props more = {}) {
        Start(Control("Image", "pic", At(1, 100, 100, 40, 40, more)));
        return Find<CKesGUIImage>(1);
    }
    bool Logged(const std::string& utf8) { return ReadLog().find(Gbk(utf8)) != std::string::npos; }
};

}  // namespace test
}  // namespace kest2d
