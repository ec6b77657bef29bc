// Runs the kest2d host program as a player would, headless.
#include <gtest/gtest.h>
#include <sys/stat.h>
#include <sys/wait.h>

#include <arpa/inet.h>
#include <netinet/in.h>
#include <poll.h>
#include <sys/socket.h>
#include <unistd.h>

#include <cstdio>
#include <cstdlib>
#include <string>
#include <thread>

#include "platform/KesImage.h"
#include "support/TestSupport.h"

using namespace kest2d::test;

namespace {

// Runs a shell command in `dir`; returns the exit code of the host. The host
// runs as a player would start it: without a display and, in a sanitizer
// build, without any leak suppression.
int RunHost(const std::string& dir, const std::string& args, const std::string& env = "KEST2D_RUN_MS=300") {
    std::string cmd = "cd '" + dir + "' && env -u DISPLAY -u WAYLAND_DISPLAY -u LSAN_OPTIONS " + env + " '" +
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
    EXPECT_EQ(std::string::npos, ReadFile(d.file("err.txt")).find("LeakSanitizer")) << ReadFile(d.file("err.txt"));
}

// A game that keeps the start command's "user" in its own INI file and logs
// what it reads back, with the other keys and its folder.
TEST(Host, ArgumentsAreStartCommandPairsAndTheGameFolderIsAbsolute) {
    struct Case {
        const char* args;
        int code;
        const char* log;  // expected in kest2d.log ("" when no log is expected)
        const char* err;  // expected on standard error
    };
    const Case cases[] = {
        {"'-d$game' 'user$guest' 'room$7'", 0, "user=guest room=7", ""},
        {"'-d$game&user$guest&room$7'", 0, "user=guest room=7", ""},
        {"'-d$./game' 'user$guest&room$7'", 0, "user=guest room=7", ""},
        {"'-d$game&&user$guest&' 'room$7'", 0, "user=guest room=7", ""},  // empty pieces are dropped
        {"'-d$missing' 'user$guest'", 2, "", "the game folder"},
        {"'-d$game' '-r$missing'", 2, "", "does not exist"},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.args);
        TempDir d;
        WriteFile(d.file("game/scripts/gamelogic.lua"),
                  "local f = kest2d.CKesBaseFrame:getSingleton()\n"
                  "f:Ini_SetFile('player.ini')\n"
                  "f:Ini_SetString('player', 'user', f:GetStartCommond('user'))\n"
                  "kest2d.CKesLogger:output('user=' .. f:Ini_GetString('player', 'user', '') .. ' room=' ..\n"
                  "    f:GetStartCommond('room') .. ' folder=' .. f:GetWorkingDirection(), kest2d.INFO)\n");
        EXPECT_EQ(c.code, RunHost(d.path(), c.args));
        const std::string log = ReadFile(d.file("kest2d.log"));
        const std::string err = ReadFile(d.file("err.txt"));
        EXPECT_NE(std::string::npos, err.find(c.err)) << err;
        if (*c.log) {
            EXPECT_NE(std::string::npos, log.find(c.log)) << log;
            EXPECT_NE(std::string::npos, log.find("folder=" + d.file("game"))) << log;
            EXPECT_NE(std::string::npos, ReadFile(d.file("game/player.ini")).find("user=guest"));
        } else {
            // The engine never started.
            EXPECT_FALSE(PathExists(d.file("kest2d.log")));
        }
    }
}

// Games in a folder of their own, run from the folder above it: the game's
// "systemini.ini" sizes the window and the picture, the host's run limit is
// none of the game's timers, and the game's close is the host's status.
TEST(Host, AGameRunsInItsFolderWithItsTimersAndEndsWithItsStatus) {
    const std::string frameLua = "local frame = kest2d.CKesBaseFrame:getSingleton()\n";
    const std::string closeLua = frameLua + "frame:StartGameTimer(5, 20)\nfunction OnProcessGameTimer(id) frame:";
    struct Case {
        const char* name;
        std::string script;
        const char* env;
        int code;
        const char* log;  // expected in kest2d.log
    };
    const Case cases[] = {
        {"1024 x 700", frameLua + "function LoadGameResources() frame:LoadGUIConfig('layout\\\\main.xml') end\n",
         "KEST2D_RUN_MS=500 KEST2D_SCREENSHOT=shot.png", 0, "1024x700"},
        {"own timer 9999",
         frameLua + "local ticks = 0\nframe:StartGameTimer(9999, 50)\n"
                    "function OnProcessGameTimer(id)\n"
                    "  if id ~= 9999 then kest2d.CKesLogger:output('foreign timer ' .. id, kest2d.INFO) end\n"
                    "  ticks = ticks + 1\n"
                    "  if ticks == 3 then kest2d.CKesLogger:output('timer 9999 ticked 3 times', kest2d.INFO) end\n"
                    "end\n",
         "KEST2D_RUN_MS=1000", 0, "timer 9999 ticked 3 times"},
        {"CloseGameFrame()", closeLua + "CloseGameFrame() end\n", "", 0, ""},
        {"CloseGameFrame(7)", closeLua + "CloseGameFrame(7) end\n", "", 7, ""},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        TempDir d;
        WriteFile(d.file("game/systemini.ini"), "[systemini]\nscreenwidth=1024\nscreenheight=700\ncaption=1024x700\n");
        WriteFile(d.file("game/layout/main.xml"),
                  "<KestControl Type=\"Container\" Name=\"main\"><Propertys><Property Name=\"Width\" Value=\"1024\"/>"
                  "<Property Name=\"Height\" Value=\"700\"/><Property Name=\"Visible\" Value=\"1\"/>"
                  "<Property Name=\"Enable\" Value=\"1\"/><Property Name=\"IsWindow\" Value=\"1\"/></Propertys>"
                  "<Childrens><KestControl Type=\"Button\" Name=\"corner\"><Propertys>"
                  "<Property Name=\"Id\" Value=\"42\"/><Property Name=\"StartX\" Value=\"900\"/>"
                  "<Property Name=\"StartY\" Value=\"620\"/><Property Name=\"Width\" Value=\"60\"/>"
                  "<Property Name=\"Height\" Value=\"40\"/><Property Name=\"Visible\" Value=\"1\"/>"
                  "<Property Name=\"Enable\" Value=\"1\"/></Propertys></KestControl></Childrens></KestControl>");
        WriteFile(d.file("game/scripts/gamelogic.lua"),
                  c.script + "kest2d.CKesLogger:output(frame:Ini_GetString('systemini', 'caption', ''), kest2d.INFO)\n");
        EXPECT_EQ(c.code, RunHost(d.path(), "'-d$game'", c.env)) << ReadFile(d.file("err.txt"));
        const std::string log = ReadFile(d.file("kest2d.log"));
        EXPECT_NE(std::string::npos, log.find(c.log)) << log;
        EXPECT_EQ(std::string::npos, log.find("foreign timer")) << log;
        EXPECT_EQ(std::string::npos, log.find("call OnProcessGameTimer")) << log;
        if (std::string(c.env).find("shot.png") == std::string::npos) continue;
        // The picture is the window's size, drawn to its corner.
        const std::string shot = ReadFile(d.file("shot.png"));
        kest2d::platform::KesImage image;
        ASSERT_TRUE(kest2d::platform::DecodeImage(shot.data(), shot.size(), image));
        EXPECT_EQ(1024, image.width);
        EXPECT_EQ(700, image.height);
        EXPECT_EQ(0xFFFF0000u, image.pixels[static_cast<size_t>(640) * image.width + 930]);
    }
}

TEST(Host, AnUnopenableLogFileEndsWithAClearMessage) {
    TempDir d;
    ::mkdir(d.file("kest2d.log").c_str(), 0755);  // a folder where the log file should be
    EXPECT_EQ(2, RunHost(d.path(), "'-d$" + d.path() + "'"));
    std::string err = ReadFile(d.file("err.txt"));
    EXPECT_NE(std::string::npos, err.find("unable to open kest2d.logfor writing")) << err;
}

namespace {

// Echoes every byte back (the wire format is enciphered on both legs, so an
// echo returns the client's own message) until the client goes away.
class EchoServer {
public:
    EchoServer() {
        mListen = ::socket(AF_INET, SOCK_STREAM, 0);
        sockaddr_in a{};
        a.sin_family = AF_INET;
        a.sin_addr.s_addr = htonl(INADDR_LOOPBACK);
        ::bind(mListen, reinterpret_cast<sockaddr*>(&a), sizeof(a));
        ::listen(mListen, 1);
        socklen_t len = sizeof(a);
        ::getsockname(mListen, reinterpret_cast<sockaddr*>(&a), &len);
        mPort = ntohs(a.sin_port);
        mThread = std::thread([this] { Serve(); });
    }
    ~EchoServer() {
        ::shutdown(mListen, SHUT_RDWR);
        mThread.join();
        ::close(mListen);
    }
    int port() const { return mPort; }

private:
    void Serve() {
        pollfd p{mListen, POLLIN, 0};
        if (::poll(&p, 1, 20000) <= 0) return;
        int c = ::accept(mListen, nullptr, nullptr);
        if (c < 0) return;
        char buf[4096];
        for (;;) {
            pollfd q{c, POLLIN, 0};
            if (::poll(&q, 1, 20000) <= 0) break;
            ssize_t n = ::recv(c, buf, sizeof(buf), 0);
            if (n <= 0 || ::send(c, buf, static_cast<size_t>(n), MSG_NOSIGNAL) != n) break;
        }
        ::close(c);
    }
    int mListen = -1;
    int mPort = 0;
    std::thread mThread;
};

}  // namespace

TEST(Host, TheSampleGameTalksToItsServer) {
    TempDir d;
    EchoServer server;
    std::string demo = std::string(KEST2D_SOURCE_DIR) + "/examples/demo";
    EXPECT_EQ(0, RunHost(d.path(), "'-d$" + demo + "&server$127.0.0.1:" + std::to_string(server.port()) + "'",
                         "KEST2D_RUN_MS=1500"));
    std::string log = ReadFile(d.file("kest2d.log"));
    EXPECT_NE(std::string::npos, log.find(Gbk("服务器回复: 你好, 牌桌"))) << log;
}

// The example game server in Python deals to the sample game: both sides see
// the other's messages, and the dealt hand is in the game's card control.
TEST(Host, TheSampleGamePlaysAtTheExampleServer) {
    TempDir d;
    ExampleTableServer server;
    ASSERT_GT(server.port(), 0);
    const std::string source = KEST2D_SOURCE_DIR;
    EXPECT_EQ(0, RunHost(d.path(), "'-d$" + source + "/examples/demo' 'port$" + std::to_string(server.port()) + "'",
                         "KEST2D_RUN_MS=1500"));
    std::string output;
    EXPECT_TRUE(server.Finish(&output)) << output;
    for (const char* said : {"client says HELLO: 你好, 牌桌", "client is READY; dealing 17 cards"})
        EXPECT_NE(std::string::npos, output.find(said)) << output;
    const std::string log = ReadFile(d.file("kest2d.log"));
    for (const char* heard : {"服务器回复: 欢迎来到牌桌", "发到 17 张牌", "手牌 17 张"})
        EXPECT_NE(std::string::npos, log.find(Gbk(heard))) << log;
}
