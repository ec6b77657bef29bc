// The running game window, headless, with a layout written by the test:
// events go in through the window's messages, pictures come back from the
// framebuffer.
#pragma once

#include <gtest/gtest.h>

#include <cstdint>
#include <functional>
#include <map>
#include <string>
#include <vector>

#include "gui/GuiTestSupport.h"
#include "platform/KesInput.h"
#include "platform/KesWindow.h"
#include "support/FrameFixture.h"

namespace kest2d {
namespace test {

// A frame that records the events reaching it.
class ControlFrame : public CKesBaseFrame {
public:
    ControlFrame() : CKesBaseFrame(nullptr) {}
    bool OnProcessEvent(const CKesEvent& ev) override {
        events.push_back(Describe(ev));
        raw.push_back(ev);
        if (onEvent) return onEvent(ev);
        return CKesBaseFrame::OnProcessEvent(ev);
    }
    std::vector<std::string> events;
    std::vector<CKesEvent> raw;
    std::function<bool(const CKesEvent&)> onEvent;
};

typedef std::map<std::string, std::string> Props;

// One "KestControl" of a layout; names and texts carry the three characters
// that the loader drops.
inline std::string Control(const std::string& type, const std::string& name, const Props& props) {
    std::string xml = "<KestControl Type=\"" + type + "\" Name=\"" + name + "___\"><Propertys>";
    for (const auto& p : props) xml += "<Property Name=\"" + p.first + "\" Value=\"" + p.second + "\"/>";
    return xml + "</Propertys></KestControl>\n";
}

// The common properties of a control at (x, y), w x h, visible and enabled.
inline Props At(int id, int x, int y, int w, int h, Props more = {}) {
    Props p = {{"Id", std::to_string(id)}, {"StartX", std::to_string(x)}, {"StartY", std::to_string(y)},
               {"Width", std::to_string(w)}, {"Height", std::to_string(h)}, {"Visible", "1"}, {"Enable", "1"}};
    for (const auto& m : more) p[m.first] = m.second;
    return p;
}

// A 32-bit TGA picture with alpha (top-left origin), as the artists' tools
// write them.
inline std::string Tga(int w, int h, const std::function<uint32_t(int, int)>& argb) {
    std::string bytes(18, '\0');
    bytes[2] = 2;
    bytes[12] = static_cast<char>(w & 0xFF);
    bytes[13] = static_cast<char>(w >> 8);
    bytes[14] = static_cast<char>(h & 0xFF);
    bytes[15] = static_cast<char>(h >> 8);
    bytes[16] = 32;
    bytes[17] = 0x28;
    for (int y = 0; y < h; ++y) {
        for (int x = 0; x < w; ++x) {
            const uint32_t c = argb(x, y);
            bytes += static_cast<char>(c & 0xFF);
            bytes += static_cast<char>((c >> 8) & 0xFF);
            bytes += static_cast<char>((c >> 16) & 0xFF);
            bytes += static_cast<char>(c >> 24);
        }
    }
    return bytes;
}

// The colours of a button strip's four pictures, left to right.
const DWORD kNormal = 0xFFFF0000u, kPressed = 0xFF00FF00u, kHovered = 0xFF0000FFu, kDisabled = 0xFFFFFF00u;

// Column `x` of an 80 x 20 strip of four opaque 20 x 20 pictures in those
// colours (for Tga).
inline uint32_t StateStrip(int x, int) {
    static const uint32_t colours[] = {kNormal, kPressed, kHovered, kDisabled};
    return colours[x / 20];
}

class ControlsFixture : public FrameFixture {
protected:
    void SetUp() override {
        FrameFixture::SetUp();
        platform::ResetKeyboardState();
    }
    // Starts the frame and loads a main layout of 800 x 600 holding `children`.
    ControlFrame* Start(const std::string& children) {
        f = StartFrame<ControlFrame>();
        Load(children);
        return f;
    }
    void Load(const std::string& children) {
        const std::string xml =
            "<?xml version=\"1.0\" encoding=\"UTF-8\"?>\n"
            "<KestControl Type=\"Container\" Name=\"main___\"><Propertys>"
            "<Property Name=\"Width\" Value=\"800\"/><Property Name=\"Height\" Value=\"600\"/>"
            "<Property Name=\"Visible\" Value=\"1\"/><Property Name=\"Enable\" Value=\"1\"/>"
            "<Property Name=\"IsWindow\" Value=\"1\"/></Propertys><Childrens>\n" +
            children + "</Childrens></KestControl>\n";
        WriteFile(GamePath("layout/main.xml"), xml);
        ASSERT_TRUE(f->LoadGUIConfig("layout\\main.xml"));
        platform::PumpMessages();
        f->events.clear();
        f->raw.clear();
    }
    void Post(UINT msg, WPARAM wp, LPARAM lp) {
        f->PostMessage(msg, wp, lp);
        platform::PumpMessages();
    }
    void MoveMouse(int x, int y) { Post(WM_MOUSEMOVE, 0, MAKELPARAM(x, y)); }
    void PressMouse(int x, int y) { Post(WM_LBUTTONDOWN, MK_LBUTTON, MAKELPARAM(x, y)); }
    void ReleaseMouse(int x, int y) { Post(WM_LBUTTONUP, 0, MAKELPARAM(x, y)); }
    void KeyDown(WPARAM vk) { Post(WM_KEYDOWN, vk, 0); }
    void KeyUp(WPARAM vk) { Post(WM_KEYUP, vk, 0); }
    // Draws the GUI tree into a black frame.
    void DrawGui() {
        f->Clear(CKesColor(0xFF000000u));
        ASSERT_TRUE(f->BeginScene());
        f->Draw();
        f->EndScene();
    }
    DWORD Px(int x, int y) { return f->GetRenderDevice()->ReadPixel(x, y) | 0xFF000000u; }
    // Pixels of the rectangle that differ from `background`.
    int Ink(const CKesRect<int>& r, DWORD background = 0xFF000000u) {
        int n = 0;
        for (int y = r.UpperLeftCorner.Y; y < r.LowerRightCorner.Y; ++y)
            for (int x = r.UpperLeftCorner.X; x < r.LowerRightCorner.X; ++x)
                if (Px(x, y) != background) ++n;
        return n;
    }
    template <class T>
    T* Find(int id) {
        return f->FindControlOfClass<T>(id);
    }

    ControlFrame* f = nullptr;
};

}  // namespace test
}  // namespace kest2d
