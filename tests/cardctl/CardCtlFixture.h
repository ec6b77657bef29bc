// The card hand control in the running headless frame: card sheets written by
// the test as BMP files, a layout that places the control, input through the
// window's messages and pixels read back.
#pragma once

#include <cstdint>
#include <functional>
#include <string>

#include "controls/ControlsFixture.h"
#include "gui/controls/Kest2dGUIGameCard.h"

namespace kest2d {
namespace test {

// A 24-bit bottom-up BMP picture.
inline std::string Bmp(int w, int h, const std::function<uint32_t(int, int)>& rgb) {
    const int stride = (w * 3 + 3) & ~3;
    const uint32_t dataSize = static_cast<uint32_t>(stride * h);
    std::string b;
    auto u16 = [&b](uint32_t v) {
        b += static_cast<char>(v & 0xFF);
        b += static_cast<char>((v >> 8) & 0xFF);
    };
    auto u32 = [&](uint32_t v) {
        u16(v & 0xFFFF);
        u16(v >> 16);
    };
    b += "BM";
    u32(54 + dataSize);
    u32(0);
    u32(54);
    u32(40);
    u32(static_cast<uint32_t>(w));
    u32(static_cast<uint32_t>(h));
    u16(1);
    u16(24);
    u32(0);
    u32(dataSize);
    u32(2835);
    u32(2835);
    u32(0);
    u32(0);
    for (int y = h - 1; y >= 0; --y) {
        std::string row;
        for (int x = 0; x < w; ++x) {
            const uint32_t c = rgb(x, y);
            row += static_cast<char>(c & 0xFF);
            row += static_cast<char>((c >> 8) & 0xFF);
            row += static_cast<char>((c >> 16) & 0xFF);
        }
        row.resize(static_cast<size_t>(stride), '\0');
        b += row;
    }
    return b;
}

// The card picture size and steps of the tests.
constexpr int kW = 20, kH = 30, kSpace = 12, kUp = 8;

// Every face cell has its own colour: red from the column, green from the row.
inline DWORD FaceColour(int column, int row) {
    return 0xFF000000u | static_cast<DWORD>((16 * column + 10) << 16) | static_cast<DWORD>((40 * row + 20) << 8) |
           0x80u;
}
inline DWORD FaceOf(int value) { return FaceColour((value & 0x0F) - 1, (value & 0xFF) >> 4); }
const DWORD kBack = 0xFF1111EEu, kSmallJokerPic = 0xFF22EE22u, kBigJokerPic = 0xFFEE2222u, kSlope = 0xFFEEEE11u;
const DWORD kBlack = 0xFF000000u;

inline CKesVector<int> Vec(std::initializer_list<int> values) {
    CKesVector<int> v;
    for (int x : values) v.push_back(x);
    return v;
}

class CardCtlFixture : public ControlsFixture {
protected:
    void WriteSheets() {
        WriteFile(GamePath("img/faces.bmp"),
                  Bmp(13 * kW, 4 * kH, [](int x, int y) { return FaceColour(x / kW, y / kH) & 0xFFFFFFu; }));
        WriteFile(GamePath("img/backs.bmp"), Bmp(3 * kW, kH, [](int x, int) {
                      static const DWORD cells[] = {kBack, kSmallJokerPic, kBigJokerPic};
                      return cells[x / kW] & 0xFFFFFFu;
                  }));
        WriteFile(GamePath("img/slope.bmp"), Bmp(8, 4, [](int, int) { return kSlope & 0xFFFFFFu; }));
    }
    // The properties of a hand at (x, y), w x h, with both sheets, the test's
    // card size and steps, faces shown and snapped left; `more` overrides.
    Props Hand(int id, int x, int y, int w, int h, Props more = {}) {
        Props p = At(id, x, y, w, h,
                     {{"background", "img\\faces.bmp"},
                      {"backcard", "img\\backs.bmp"},
                      {"CardWidth", std::to_string(kW)},
                      {"CardHeight", std::to_string(kH)},
                      {"CardSpace", std::to_string(kSpace) + ";" + std::to_string(kUp)},
                      {"IsShowCard", "1"},
                      {"SnapType", "0"}});
        for (const auto& m : more) p[m.first] = m.second;
        return p;
    }
    // Starts the frame with one hand (id 1) at (100, 100), 400 x 60.
    CKesGUIGameCard* StartWithHand(Props more = {}) {
        WriteSheets();
        Start(Control("GameCard", "hand", Hand(1, 100, 100, 400, 60, more)));
        CKesGUIGameCard* c = Find<CKesGUIGameCard>(1);
        EXPECT_NE(nullptr, c);
        return c;
    }
    // A point on the part of card i of a left-snapped hand at (100, 100)
    // that the next card does not cover, at the height of a lowered card.
    static int CardX(int i) { return 100 + kSpace * i + 5; }
    static constexpr int kLoweredY = 100 + kUp + 10;
};

}  // namespace test
}  // namespace kest2d
