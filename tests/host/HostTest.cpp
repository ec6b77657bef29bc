// Runs the kest2d host program as a player would, headless.
#include <gtest/gtest.h>
#include <sys/stat.h>
#include <sys/wait.h>

#include <arpa/inet.h>
#include <netinet/in.h>
#include <poll.h>
#include <sys/socket.h>
#include <unistd.h>

#include <cstdlib>
#include <string>
#include <thread>

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
