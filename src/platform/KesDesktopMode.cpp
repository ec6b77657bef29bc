// The desktop's display mode, noted and put back through X's RandR: the size
// of the screen, and for every CRTC its mode, place, rotation and outputs
// (SDL's X11 driver changes the game's CRTC, and the screen follows its size).
// What differs is put back.
#include "platform/KesDesktopMode.h"

#include <SDL.h>
#include <X11/Xlib.h>
#include <X11/extensions/Xrandr.h>

#include <cstring>
#include <mutex>
#include <string>
#include <vector>

namespace kest2d {
namespace platform {

namespace {

struct CrtcSetting {
    RRCrtc crtc = 0;
    int x = 0, y = 0;
    RRMode mode = 0;
    Rotation rotation = 0;
    std::vector<RROutput> outputs;
};

struct ScreenSize {
    int width = 0, height = 0, mmWidth = 0, mmHeight = 0;
};

struct NotedMode {
    std::mutex mutex;
    bool held = false;     // a full-screen window holds the display
    std::string display;   // the display it was noted on
    ScreenSize screen;
    std::vector<CrtcSetting> crtcs;
};

NotedMode& N() {
    static NotedMode noted;
    return noted;
}

int IgnoreXError(Display*, XErrorEvent*) { return 0; }

// A connection of our own to the display, with RandR 1.2 or later; X errors
// are ignored while it is open (Xlib's default handler would end the process).
class RandrDisplay {
public:
    explicit RandrDisplay(const char* name) : mDpy(XOpenDisplay(name)) {
        if (!mDpy) return;
        mPreviousHandler = XSetErrorHandler(IgnoreXError);
        int event = 0, error = 0, major = 0, minor = 0;
        if (!XRRQueryExtension(mDpy, &event, &error) || !XRRQueryVersion(mDpy, &major, &minor) ||
            (major == 1 && minor < 2)) {
            Close();
            return;
        }
        mResources = XRRGetScreenResourcesCurrent(mDpy, DefaultRootWindow(mDpy));
        if (!mResources) Close();
    }
    ~RandrDisplay() { Close(); }
    RandrDisplay(const RandrDisplay&) = delete;
    RandrDisplay& operator=(const RandrDisplay&) = delete;

    explicit operator bool() const { return mDpy != nullptr; }
    Display* dpy() const { return mDpy; }
    XRRScreenResources* resources() const { return mResources; }
    ScreenSize Screen() const {
        const int s = DefaultScreen(mDpy);
        return ScreenSize{DisplayWidth(mDpy, s), DisplayHeight(mDpy, s), DisplayWidthMM(mDpy, s),
                          DisplayHeightMM(mDpy, s)};
    }
    void SetScreen(const ScreenSize& size) const {
        XRRSetScreenSize(mDpy, DefaultRootWindow(mDpy), size.width, size.height, size.mmWidth, size.mmHeight);
    }
    // The CRTC's setting now; false when it cannot be read.
    bool Read(RRCrtc crtc, CrtcSetting* setting) const {
        XRRCrtcInfo* info = XRRGetCrtcInfo(mDpy, mResources, crtc);
        if (!info) return false;
        setting->crtc = crtc;
        setting->x = info->x;
        setting->y = info->y;
        setting->mode = info->mode;
        setting->rotation = info->rotation;
        setting->outputs.assign(info->outputs, info->outputs + info->noutput);
        XRRFreeCrtcInfo(info);
        return true;
    }

private:
    void Close() {
        if (!mDpy) return;
        if (mResources) XRRFreeScreenResources(mResources);
        mResources = nullptr;
        XSync(mDpy, False);
        XCloseDisplay(mDpy);
        mDpy = nullptr;
        XSetErrorHandler(mPreviousHandler);
    }

    Display* mDpy;
    XRRScreenResources* mResources = nullptr;
    XErrorHandler mPreviousHandler = nullptr;
};

bool SameSetting(const CrtcSetting& a, const CrtcSetting& b) {
    return a.x == b.x && a.y == b.y && a.mode == b.mode && a.rotation == b.rotation && a.outputs == b.outputs;
}

}  // namespace

void HoldDesktopMode() {
    NotedMode& n = N();
    std::lock_guard<std::mutex> lock(n.mutex);
    if (n.held) return;
    n.held = true;
    n.crtcs.clear();
    // Only SDL's X11 driver changes the display's mode.
    const char* driver = SDL_GetCurrentVideoDriver();
    if (!driver || std::strcmp(driver, "x11") != 0) return;
    RandrDisplay x(nullptr);
    if (!x) return;
    n.display = DisplayString(x.dpy());
    n.screen = x.Screen();
    for (int i = 0; i < x.resources()->ncrtc; ++i) {
        CrtcSetting setting;
        if (x.Read(x.resources()->crtcs[i], &setting)) n.crtcs.push_back(setting);
    }
}

void ReleaseDesktopMode() {
    NotedMode& n = N();
    std::lock_guard<std::mutex> lock(n.mutex);
    n.held = false;
    n.crtcs.clear();
}

void RestoreDesktopMode() {
    NotedMode& n = N();
    std::lock_guard<std::mutex> lock(n.mutex);
    if (!n.held || n.crtcs.empty()) return;
    RandrDisplay x(n.display.c_str());
    if (!x) return;
    // A larger screen is set before the CRTCs and a smaller one after them,
    // so that they fit it at each step.
    const ScreenSize now = x.Screen();
    const bool sameSize = now.width == n.screen.width && now.height == n.screen.height;
    const bool grows = n.screen.width >= now.width && n.screen.height >= now.height;
    if (!sameSize && grows) x.SetScreen(n.screen);
    for (CrtcSetting& noted : n.crtcs) {
        CrtcSetting current;
        if (x.Read(noted.crtc, &current) && SameSetting(current, noted)) continue;
        XRRSetCrtcConfig(x.dpy(), x.resources(), noted.crtc, CurrentTime, noted.x, noted.y, noted.mode,
                         noted.rotation, noted.outputs.data(), static_cast<int>(noted.outputs.size()));
    }
    if (!sameSize && !grows) x.SetScreen(n.screen);
}

}  // namespace platform
}  // namespace kest2d
