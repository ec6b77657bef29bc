// The kest2d host program: creates the game window, initialises it, runs it
// and exits with the code the game closed with. Its arguments form the start
// command, one key$value pair each (an argument may also hold several pairs
// joined with "&"), e.g.  kest2d '-d$examples/demo' 'port$5000'
// A relative game folder (-d) is taken from the folder the host was started
// in; a game folder that does not exist ends the host with a message and the
// exit code 2 before the engine starts.
//
// Without a display the game runs headless and ends by itself after
// KEST2D_RUN_MS milliseconds (default 5000); with a display it runs until the
// game closes, or for KEST2D_RUN_MS milliseconds when that is set.
// KEST2D_SCREENSHOT=FILE saves the picture (.jpg, .png or .bmp) just before
// that timer closes the game.
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

// The start command of the arguments: the pairs of every argument joined
// with "&", a relative game folder made absolute from the folder the host was
// started in (the game later moves into its own folder). `folder` is the
// folder the game will run in when the command moves it ("-d", "-r"), else
// empty.
std::string StartCommand(int argc, char** argv, std::string* folder) {
    std::string command;
    std::string working = kest2d::platform::ModuleFolder();
    bool moved = false;
    for (int i = 1; i < argc; ++i) {
        const std::string argument = argv[i];
        size_t start = 0;
        for (;;) {
            const size_t end = argument.find('&', start);
            std::string piece = argument.substr(start, end == std::string::npos ? std::string::npos : end - start);
            const size_t dollar = piece.find('$');
            if (dollar != std::string::npos && dollar > 0) {
                const std::string key = piece.substr(0, dollar);
                const std::string value = piece.substr(dollar + 1);
                if (key == "-d") {
                    working = kest2d::platform::AbsolutePath(value);
                    piece = key + "$" + working;
                    moved = true;
                } else if (key == "-r") {
                    working += "\\" + value;
                    moved = true;
                }
            }
            if (!piece.empty()) {
                if (!command.empty()) command += '&';
                command += piece;
            }
            if (end == std::string::npos) break;
            start = end + 1;
        }
    }
    *folder = moved ? working : std::string();
    return command;
}

}  // namespace

int main(int argc, char** argv) {
    std::string folder;
    kest2d::platform::SetCommandLine(StartCommand(argc, argv, &folder));
    if (!folder.empty() && !kest2d::platform::DirectoryExists(folder)) {
        std::fprintf(stderr, "kest2d: the game folder %s does not exist\n",
                     kest2d::platform::DiskPath(folder).c_str());
        return 2;
    }

    HostFrame* frame = nullptr;
    try {
        frame = new HostFrame();
    } catch (const std::exception& e) {
        std::fprintf(stderr, "kest2d: cannot start: %s\n", e.what());
        return 2;
    }
    const char* shot = std::getenv("KEST2D_SCREENSHOT");
    if (shot && *shot) frame->screenshot = kest2d::platform::AbsolutePath(shot);
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
