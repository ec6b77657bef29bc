// The start-up the benchmarks share: a headless platform and a scratch game
// folder for a frame on the virtual clock.
#pragma once

#include <stdlib.h>
#include <unistd.h>

#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <string>

#include "platform/KesClock.h"
#include "platform/KesFiles.h"

namespace kest2d {
namespace bench {

// No screen and no sound card (unless the caller's environment names some),
// and a shared-memory name of this run's own.
inline void UseHeadlessPlatform() {
    setenv("SDL_VIDEODRIVER", "offscreen", 0);
    setenv("SDL_AUDIODRIVER", "dummy", 0);
    setenv("KEST2D_SHM_NAME", ("KesShareMemory.bench." + std::to_string(getpid())).c_str(), 1);
}

// Makes a scratch folder under /tmp ("/tmp" itself when none can be made) the
// current folder and the game folder of the next frame, and puts the frame's
// clock on virtual time. The folder is removed when the program ends.
// Returns the folder.
inline std::string EnterScratchGameFolder() {
    static std::string made;
    char tmpl[] = "/tmp/kest2d-bench-XXXXXX";
    const std::string dir = mkdtemp(tmpl) ? tmpl : "/tmp";
    if (dir != "/tmp" && made.empty()) {
        made = dir;
        std::atexit([] {
            std::error_code ignored;
            std::filesystem::remove_all(made, ignored);
        });
    }
    if (chdir(dir.c_str()) != 0) std::perror("chdir");
    platform::UseVirtualClock();
    platform::SetCommandLine("-d$" + dir);
    return dir;
}

}  // namespace bench
}  // namespace kest2d
