// Pictures and helpers shared by the scroll bar, slider, progress bar, text
// area and phrase list tests.
#pragma once

#include <cstdint>
#include <string>

#include "controls/ControlsFixture.h"
#include "platform/KesClock.h"

namespace kest2d {
namespace test {

// A picture of one colour.
inline std::string Plain(int w, int h, uint32_t argb) {
    return Tga(w, h, [argb](int, int) { return argb; });
}

// A strip of four pictures of `w` x `h` in the given colours.
inline std::string Strip4(int w, int h, uint32_t normal, uint32_t pressed, uint32_t hovered, uint32_t disabled) {
    return Tga(4 * w, h, [=](int x, int) {
        const uint32_t c[] = {normal, pressed, hovered, disabled};
        return c[x / w];
    });
}

class BarsFixture : public ControlsFixture {
protected:
    // Writes a picture into the game folder; returns its engine name.
    std::string Picture(const std::string& name, const std::string& bytes) {
        WriteFile(GamePath("img/" + name), bytes);
        return "img\\" + name;
    }
    void Wheel(int x, int y, int steps) {
        Post(WM_MOUSEWHEEL, MAKEWPARAM(0, steps * WHEEL_DELTA), MAKELPARAM(x, y));
    }
    // Draws every `step` ms for `ms` ms of the virtual clock.
    void DrawFor(int ms, int step = 10) {
        for (int t = 0; t < ms; t += step) {
            platform::AdvanceClock(step);
            DrawGui();
        }
    }
    int Count(const std::string& what) const {
        int n = 0;
        for (const std::string& e : f->events) n += e == what;
        return n;
    }
};

}  // namespace test
}  // namespace kest2d
