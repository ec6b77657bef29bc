// Runs the kest2d host program as a player would, headless.
#include <gtest/gtest.h>
#include <sys/stat.h>
#include <sys/wait.h>

#include <cstdlib>
#include <string>

#include "support/TestSupport.h"

using namespace kest2d::test;

namespace {

// Runs a shell command in `dir`; returns the exit code of the host.
int RunHost(const std::string& dir, const std::string& args, const std::string& env = "KEST2D_RUN_MS=300") {
    std::string cmd = "cd '" + dir + "' && env -u DISPLAY -u WAYLAND_DISPLAY " + env + " '" +
                      std::string(KEST2D_BINARY_DIR) + "/kest2d' " + args + " > out.txt 2> err.txt";
    int status = std::system(cmd.c_str());
    return WIFEXITED(status) ? WEXITSTATUS(status) : -1;
}

}  // namespace

TEST(Host, RunsTheSampleGameHeadlessAndEndsByItself) {
    TempDir d;
    std::string demo = std::string(KEST2D_SOURCE_DIR) + "/examples/demo";
    EXPECT_EQ(0, RunHost(d.path(), "'-d$" + demo + "'"));
    EXPECT_TRUE(PathExists(d.file("kest2d.log")));
}

TEST(Host, AnUnopenableLogFileEndsWithAClearMessage) {
    TempDir d;
    ::mkdir(d.file("kest2d.log").c_str(), 0755);  // a folder where the log file should be
    EXPECT_EQ(2, RunHost(d.path(), "'-d$" + d.path() + "'"));
    std::string err = ReadFile(d.file("err.txt"));
    EXPECT_NE(std::string::npos, err.find("unable to open kest2d.logfor writing")) << err;
}
