// The kest2d host program: creates the game window, initialises it, runs it
// and exits with the code the game closed with. Its arguments form the start
// command, e.g.  kest2d '-d$examples/demo'
//
// Without a display the game runs headless and ends by itself after
// KEST2D_RUN_MS milliseconds (default 5000); with a display it runs until the
// game closes, or for KEST2D_RUN_MS milliseconds when that is set.
// KEST2D_SCREENSHOT=FILE saves the picture (.jpg, .png or .bmp) just before
// that timer closes the game.
#include <unistd.h>

#include <cstdio>
#include <cstdlib>
#include <exception>
#include <string>

#include "frame/Kest2dBaseFrame.h"
#include "platform/KesFiles.h"

namespace {

const unsigned kHostStopTimer = 9999;

class HostFrame : public kest2d::CKesBaseFrame {
public:
    HostFrame() : CKesBaseFrame(nullptr) {}
    void OnProcessGameTimer(unsigned int id) override {
        if (id == kHostStopTimer) {
            StopGameTimer(kHostStopTimer);
            if (!screenshot.empty()) Snapshot(screenshot);
            CloseGameFrame(0);
        }
    }
    std::string screenshot;
};

// A relative path is taken from the folder the host was started in (the game
// later moves into its own working folder).
std::string FromStartFolder(const char* path) {
    std::string p = path;
    if (p.empty() || p[0] == '/') return p;
    char buf[4096];
    if (!getcwd(buf, sizeof(buf))) return p;
    return std::string(buf) + "/" + p;
}

}  // namespace

int main(int argc, char** argv) {
    std::string commandLine;
    for (int i = 1; i < argc; ++i) {
        if (i > 1) commandLine += ' ';
        commandLine += argv[i];
    }
    kest2d::platform::SetCommandLine(commandLine);

    HostFrame* frame = nullptr;
    try {
        frame = new HostFrame();
    } catch (const std::exception& e) {
        std::fprintf(stderr, "kest2d: cannot start: %s\n", e.what());
        return 2;
    }
    const char* shot = std::getenv("KEST2D_SCREENSHOT");
    if (shot && *shot) frame->screenshot = FromStartFolder(shot);
    if (!frame->Initialize("", kest2d::CKesDimension2d<int>(800, 600))) {
        std::fprintf(stderr, "kest2d: the engine could not be initialised; see kest2d.log\n");
        delete frame;
        return 1;
    }
    const char* runMs = std::getenv("KEST2D_RUN_MS");
    unsigned limit = runMs ? static_cast<unsigned>(std::strtoul(runMs, nullptr, 10)) : 0;
    if (!runMs && !kest2d::platform::HasDisplay()) limit = 5000;
    if (limit > 0) frame->StartGameTimer(kHostStopTimer, limit);
    int code = frame->DoModal();
    delete frame;
    return code;
}
