// The main of every test executable: each process gets its own scratch
// folder (its current folder while the tests run), its own shared-memory name
// and the headless video and audio drivers.
#include <gtest/gtest.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cstdlib>
#include <string>

#include "support/TestSupport.h"

int main(int argc, char** argv) {
    ::testing::InitGoogleTest(&argc, argv);
    setenv("SDL_VIDEODRIVER", "offscreen", 0);
    setenv("SDL_AUDIODRIVER", "dummy", 0);
    const std::string pid = std::to_string(getpid());
    setenv("KEST2D_SHM_NAME", ("KesShareMemory.test." + pid).c_str(), 1);
    const char* tmp = std::getenv("TMPDIR");
    std::string scratch = std::string(tmp && *tmp ? tmp : "/tmp") + "/kest2d-test-" + pid;
    kest2d::test::RemoveTree(scratch);
    if (mkdir(scratch.c_str(), 0755) != 0 || chdir(scratch.c_str()) != 0) return 3;
    int rc = RUN_ALL_TESTS();
    if (chdir("/") == 0 && rc == 0) kest2d::test::RemoveTree(scratch);
    return rc;
}
