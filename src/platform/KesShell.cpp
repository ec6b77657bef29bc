#include "platform/KesShell.h"

#include <spawn.h>
#include <sys/wait.h>
#include <unistd.h>

#include <cerrno>
#include <cstdlib>
#include <sstream>

#include "platform/KesCharset.h"

extern char** environ;

namespace kest2d {
namespace platform {

namespace {

UrlOpener& Opener() {
    static UrlOpener opener;
    return opener;
}

// The first executable `name` along PATH, "" when there is none.
std::string FindProgram(const std::string& name) {
    const char* path = std::getenv("PATH");
    std::istringstream dirs(path ? path : "/usr/bin:/bin");
    std::string dir;
    while (std::getline(dirs, dir, ':')) {
        if (dir.empty()) continue;
        const std::string candidate = dir + "/" + name;
        if (access(candidate.c_str(), X_OK) == 0) return candidate;
    }
    return std::string();
}

bool DesktopOpen(const std::string& address) {
    const std::string program = FindProgram("xdg-open");
    if (program.empty()) return false;
    const std::string target = GbkToUtf8(address);
    // A short-lived shell starts the opener in the background, so that the
    // game neither waits for it nor leaves a zombie behind.
    const char* argv[] = {"/bin/sh", "-c", "\"$0\" \"$1\" >/dev/null 2>&1 &", program.c_str(), target.c_str(),
                          nullptr};
    pid_t pid = 0;
    if (posix_spawn(&pid, "/bin/sh", nullptr, nullptr, const_cast<char* const*>(argv), environ) != 0) return false;
    int status = 0;
    while (waitpid(pid, &status, 0) < 0)
        if (errno != EINTR) return false;
    return WIFEXITED(status) && WEXITSTATUS(status) == 0;
}

}  // namespace

bool OpenUrl(const std::string& address) {
    if (address.empty()) return false;
    if (Opener()) return Opener()(address);
    return DesktopOpen(address);
}

void SetUrlOpener(UrlOpener opener) { Opener() = std::move(opener); }

}  // namespace platform
}  // namespace kest2d
