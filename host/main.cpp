// The kest2d host program: creates the game window, initialises it, runs it
// and exits with the game's status. Its arguments form the start command, one
// key$value pair each (an argument may also hold several pairs joined with
// "&"), e.g.  kest2d '-d$examples/demo' 'port$5000'
// A relative game folder (-d) is taken from the folder the host was started
// in; a game folder that does not exist ends the host with a message and the
// exit code 2 before the engine starts. The game runs as if the host lived in
// its folder: "systemini.ini" is read there, and the picture has the size it
// names. The log stays in the folder the host was started in.
//
// Without a display the game runs headless and ends by itself after
// KEST2D_RUN_MS milliseconds (default 5000); with a display it runs until the
// game closes, or for KEST2D_RUN_MS milliseconds when that is set.
// KEST2D_SCREENSHOT=FILE saves the picture (the type follows the extension)
// just before that time is up. SIGINT and SIGTERM close the game as its
// window's close does; a second one of either ends the host at once, by that
// signal, with the display's mode given back.
//
// Exit status: a code from 1 to 255 that the game closes with
// (CloseGameFrame); 0 for every other end of the game; 1 when the engine
// could not be initialised; 2 when it could not start (no game folder, no
// log file).
#include <cstdio>
#include <cstdlib>
#include <exception>
#include <memory>
#include <string>
#include <utility>

#include "frame/Kest2dBaseFrame.h"
#include "platform/KesFiles.h"

namespace {

// The host's own time limit. It runs on a message-only window of the host's,
// so its timer is not one of the game's ids and never reaches the script.
class RunLimit : public kest2d::KesWnd {
public:
    RunLimit(kest2d::CKesBaseFrame* frame, std::string screenshot) : mFrame(frame), mScreenshot(std::move(screenshot)) {}
    bool Start(unsigned ms) {
        const kest2d::RECT none;
        return CreateEx(0, "", kest2d::WS_CHILD, none, nullptr, 0) && SetTimer(kTimer, ms) != 0;
    }
    kest2d::LRESULT WindowProc(kest2d::UINT msg, kest2d::WPARAM wp, kest2d::LPARAM lp) override {
        if (msg != kest2d::WM_TIMER || wp != kTimer) return KesWnd::WindowProc(msg, wp, lp);
        KillTimer(kTimer);
        if (!mScreenshot.empty()) mFrame->Snapshot(mScreenshot);
        mFrame->CloseGameFrame(0);
        return 0;
    }

private:
    static constexpr kest2d::UINT_PTR kTimer = 1;
    kest2d::CKesBaseFrame* mFrame;
    std::string mScreenshot;
};

// The start command of the arguments: the pairs of every argument joined
// with "&" (an empty piece, as between "&&", is dropped), a relative game
// folder made absolute from the folder the host was started in (the game
// later moves into its own folder). `folder` is the folder the game will run
// in: the one "-d" and "-r" name, else the program's own folder.
std::string StartCommand(int argc, char** argv, std::string* folder) {
    std::string command;
    std::string working = kest2d::platform::ModuleFolder();
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
                } else if (key == "-r") {
                    working += "\\" + value;
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
    *folder = working;
    return command;
}

// The host's status for the code the game closed with: CloseGameFrame's
// default (10009, also the built-in close button), a window closed from
// outside (-1) and codes that do not fit a status are a normal end.
int ExitStatus(int code) { return code >= 1 && code <= 255 ? code : 0; }

}  // namespace

int main(int argc, char** argv) {
    std::string folder;
    kest2d::platform::SetCommandLine(StartCommand(argc, argv, &folder));
    if (!kest2d::platform::DirectoryExists(folder)) {
        std::fprintf(stderr, "kest2d: the game folder %s does not exist\n",
                     kest2d::platform::DiskPath(folder).c_str());
        return 2;
    }
    kest2d::platform::CloseWindowsOnTerminationSignals();
    const char* shot = std::getenv("KEST2D_SCREENSHOT");
    const std::string screenshot = shot && *shot ? kest2d::platform::AbsolutePath(shot) : std::string();

    std::unique_ptr<kest2d::CKesBaseFrame> frame;
    try {
        // Opens kest2d.log in the folder the host was started in.
        frame = std::make_unique<kest2d::CKesBaseFrame>(nullptr);
    } catch (const std::exception& e) {
        std::fprintf(stderr, "kest2d: cannot start: %s\n", e.what());
        return 2;
    }
    kest2d::platform::SetCurrentDirectory(folder);
    if (!frame->Initialize("", kest2d::CKesBaseFrame::GetSystemInitSize())) {
        std::fprintf(stderr, "kest2d: the engine could not be initialised; see kest2d.log\n");
        return 1;
    }
    const char* runMs = std::getenv("KEST2D_RUN_MS");
    unsigned limit = runMs ? static_cast<unsigned>(std::strtoul(runMs, nullptr, 10)) : 0;
    if (!runMs && !kest2d::platform::HasDisplay()) limit = 5000;
    RunLimit runLimit(frame.get(), screenshot);
    if (limit > 0 && !runLimit.Start(limit)) {
        std::fprintf(stderr, "kest2d: the run time limit could not be set\n");
        return 1;
    }
    return ExitStatus(frame->DoModal());
}
