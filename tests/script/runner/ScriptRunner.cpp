// Runs one Lua test script inside the engine: starts the game window
// headless on the virtual clock in a scratch game folder, takes the frame's
// own Lua state (standard libraries, binding and loaders opened by the
// script host) and runs the script there. Exit code 0 when the script ran
// to its end, 1 with the error and a traceback otherwise.
//
//   kest2d_script_runner path/to/test.lua [arguments...]
//
// The arguments after the script reach it as the chunk's `...`.
// Globals for the script: GAME_DIR (the scratch game folder, also the current
// folder), SCRIPT_DIR (the folder holding the test script) and
// run_frames(ms), which runs the game loop for ms milliseconds of the
// virtual clock (frames are drawn on its timer), and post_message(msg,
// wParam, lParam), which queues a window message for the game window as the
// input layer does (mouse, keys, characters).
#include <sys/stat.h>
#include <unistd.h>

#include <cstdio>
#include <cstdlib>
#include <string>

#include "frame/Kest2dBaseFrame.h"
#include "lauxlib.h"
#include "lua.h"
#include "platform/KesClock.h"
#include "platform/KesFiles.h"
#include "platform/KesWindow.h"
#include "support/TestSupport.h"

namespace {

class RunnerFrame : public kest2d::CKesBaseFrame {
public:
    RunnerFrame() : CKesBaseFrame(nullptr) {}
    lua_State* State() const { return mLuaState; }
};

int Traceback(lua_State* L) {
    const char* msg = lua_tostring(L, 1);
    if (!msg) msg = lua_pushfstring(L, "(error object is a %s value)", luaL_typename(L, 1));
    lua_getglobal(L, "debug");
    lua_getfield(L, -1, "traceback");
    lua_pushstring(L, msg);
    lua_pushinteger(L, 2);
    lua_call(L, 2, 1);
    return 1;
}

int RunFrames(lua_State* L) {
    kest2d::platform::RunFor(static_cast<uint32_t>(luaL_checknumber(L, 1)));
    return 0;
}

kest2d::CKesBaseFrame* gFrame = nullptr;

int PostWindowMessage(lua_State* L) {
    const auto msg = static_cast<kest2d::UINT>(luaL_checknumber(L, 1));
    const auto wp = static_cast<kest2d::WPARAM>(static_cast<int64_t>(luaL_optnumber(L, 2, 0)));
    const auto lp = static_cast<kest2d::LPARAM>(static_cast<int64_t>(luaL_optnumber(L, 3, 0)));
    lua_pushboolean(L, gFrame && gFrame->PostMessage(msg, wp, lp));
    return 1;
}

std::string Absolute(const std::string& path) {
    if (!path.empty() && path[0] == '/') return path;
    char buf[4096];
    return std::string(getcwd(buf, sizeof(buf)) ? buf : ".") + "/" + path;
}

}  // namespace

int main(int argc, char** argv) {
    if (argc < 2) {
        std::fprintf(stderr, "usage: %s script.lua [arguments...]\n", argv[0]);
        return 2;
    }
    const std::string script = Absolute(argv[1]);
    const std::string scriptDir = script.substr(0, script.rfind('/'));

    setenv("SDL_VIDEODRIVER", "offscreen", 0);
    setenv("SDL_AUDIODRIVER", "dummy", 0);
    const std::string pid = std::to_string(getpid());
    setenv("KEST2D_SHM_NAME", ("KesShareMemory.script." + pid).c_str(), 1);
    const char* tmp = std::getenv("TMPDIR");
    const std::string scratch = std::string(tmp && *tmp ? tmp : "/tmp") + "/kest2d-script-" + pid;
    kest2d::test::RemoveTree(scratch);
    if (mkdir(scratch.c_str(), 0755) != 0 || chdir(scratch.c_str()) != 0) return 3;

    kest2d::platform::UseVirtualClock();
    kest2d::platform::SetCommandLine("-d$" + scratch);
    int rc = 0;
    {
        RunnerFrame* frame = new RunnerFrame();
        if (!frame->Initialize("", kest2d::CKesDimension2d<int>(800, 600)) || !frame->State()) {
            std::fprintf(stderr, "the engine could not be started\n");
            delete frame;
            return 3;
        }
        lua_State* L = frame->State();
        lua_pushstring(L, scratch.c_str());
        lua_setglobal(L, "GAME_DIR");
        lua_pushstring(L, scriptDir.c_str());
        lua_setglobal(L, "SCRIPT_DIR");
        lua_register(L, "run_frames", RunFrames);
        gFrame = frame;
        lua_register(L, "post_message", PostWindowMessage);

        lua_pushcfunction(L, Traceback);
        int status = luaL_loadfile(L, script.c_str());
        if (status == 0) {
            for (int i = 2; i < argc; ++i) lua_pushstring(L, argv[i]);
            status = lua_pcall(L, argc - 2, 0, -2 - (argc - 2));
        }
        if (status != 0) {
            const char* msg = lua_tostring(L, -1);
            std::fprintf(stderr, "%s\n", msg ? msg : "(error object is not a string)");
            rc = 1;
        }
        lua_settop(L, 0);
        gFrame = nullptr;
        delete frame;
    }
    if (chdir("/") == 0 && rc == 0) kest2d::test::RemoveTree(scratch);
    if (rc == 0) std::printf("ok %s\n", script.c_str());
    return rc;
}
