// The socket layer on its own: the start-up version check and the order of
// the notifications it posts to a window.
#include <gtest/gtest.h>

#include "NetSupport.h"
#include "support/FrameFixture.h"

using namespace kest2d;
using namespace kest2d::test;

namespace {

class NotifyWnd : public KesWnd {
public:
    std::vector<std::pair<WPARAM, LPARAM>> seen;
    LRESULT WindowProc(UINT msg, WPARAM wp, LPARAM lp) override {
        if (msg == KES_SOCKET_NOTIFY_MESSAGE) seen.emplace_back(wp, lp);
        return KesWnd::WindowProc(msg, wp, lp);
    }
};

class SocketLayer : public FrameFixture {
protected:
    void TearDown() override {
        platform::SetSocketLayer(true, MAKEWORD(2, 2));
        FrameFixture::TearDown();
    }
};

}  // namespace

TEST_F(SocketLayer, StartupGrantsAtMostTheHighestVersion) {
    WSADATA data;
    int users = platform::SocketLayerUsers();
    ASSERT_EQ(0, winsock::WSAStartup(MAKEWORD(2, 2), &data));
    EXPECT_EQ(MAKEWORD(2, 2), data.wVersion);
    ASSERT_EQ(0, winsock::WSAStartup(MAKEWORD(1, 1), &data));
    EXPECT_EQ(MAKEWORD(1, 1), data.wVersion);
    ASSERT_EQ(0, winsock::WSAStartup(MAKEWORD(3, 0), &data));
    EXPECT_EQ(MAKEWORD(2, 2), data.wVersion);
    EXPECT_EQ(WSAVERNOTSUPPORTED, winsock::WSAStartup(MAKEWORD(1, 0), &data));
    EXPECT_EQ(users + 3, platform::SocketLayerUsers());
    for (int i = 0; i < 3; ++i) EXPECT_EQ(0, winsock::WSACleanup());
    EXPECT_EQ(users, platform::SocketLayerUsers());

    platform::SetSocketLayer(true, MAKEWORD(2, 1));
    ASSERT_EQ(0, winsock::WSAStartup(MAKEWORD(2, 2), &data));
    EXPECT_EQ(MAKEWORD(2, 1), data.wVersion);
    winsock::WSACleanup();
    platform::SetSocketLayer(false, MAKEWORD(2, 2));
    EXPECT_EQ(WSASYSNOTREADY, winsock::WSAStartup(MAKEWORD(2, 2), &data));
    EXPECT_EQ(users, platform::SocketLayerUsers());
}

TEST_F(SocketLayer, TheFrameNeedsVersionTwoPointTwo) {
    int users = platform::SocketLayerUsers();
    platform::SetSocketLayer(true, MAKEWORD(2, 1));
    platform::SetCommandLine("-d$" + mGame->path());
    {
        NetFrame f;
        EXPECT_FALSE(f.Initialize("", CKesDimension2d<int>(800, 600)));
        EXPECT_EQ(users, platform::SocketLayerUsers());  // cleaned up at once
        EXPECT_EQ(nullptr, f.client().GetBaseFrame());
        EXPECT_NE(std::string::npos, ReadLog().find(Gbk("winsocket 初始失败!")));
    }
    platform::SetSocketLayer(false, MAKEWORD(2, 2));
    {
        NetFrame f;
        EXPECT_FALSE(f.Initialize("", CKesDimension2d<int>(800, 600)));
    }
    EXPECT_EQ(users, platform::SocketLayerUsers());
    platform::SetSocketLayer(true, MAKEWORD(2, 2));
    {
        NetFrame f;
        EXPECT_TRUE(f.Initialize("", CKesDimension2d<int>(800, 600)));
        EXPECT_EQ(users + 1, platform::SocketLayerUsers());
    }
    EXPECT_EQ(users, platform::SocketLayerUsers());
}

TEST_F(SocketLayer, NotificationsComeInWinsockOrder) {
    NotifyWnd wnd;
    RECT none;
    ASSERT_TRUE(wnd.CreateEx(0, "", WS_CHILD, none, nullptr, 1));
    LoopbackListener server;
    SOCKET s = winsock::socket(AF_INET, SOCK_STREAM, IPPROTO_TCP);
    ASSERT_NE(INVALID_SOCKET, s);
    ASSERT_EQ(0, winsock::WSAAsyncSelect(s, &wnd, KES_SOCKET_NOTIFY_MESSAGE, FD_READ | FD_CONNECT | FD_CLOSE));
    sockaddr_in to{};
    to.sin_family = AF_INET;
    to.sin_port = htons(static_cast<uint16_t>(server.port()));
    to.sin_addr.s_addr = winsock::inet_addr("127.0.0.1");
    int r = winsock::connect(s, reinterpret_cast<sockaddr*>(&to), sizeof(to));
    EXPECT_TRUE(r == 0 || winsock::WSAGetLastError() == WSAEWOULDBLOCK);
    int fd = server.Accept();
    ASSERT_GE(fd, 0);
    ASSERT_TRUE(PumpUntil([&] { return !wnd.seen.empty(); }));
    EXPECT_EQ(s, wnd.seen[0].first);
    EXPECT_EQ(FD_CONNECT, WSAGETSELECTEVENT(wnd.seen[0].second));
    EXPECT_EQ(0, WSAGETSELECTERROR(wnd.seen[0].second));

    // Data then the end: one FD_READ until recv is called, FD_CLOSE only
    // once every byte has been taken.
    ASSERT_TRUE(SendAll(fd, "abc"));
    ::close(fd);
    ASSERT_TRUE(PumpUntil([&] { return wnd.seen.size() == 2; }));
    EXPECT_EQ(FD_READ, WSAGETSELECTEVENT(wnd.seen[1].second));
    for (int i = 0; i < 20; ++i) platform::PumpMessages();
    EXPECT_EQ(2u, wnd.seen.size());
    char buf[2];
    EXPECT_EQ(2, winsock::recv(s, buf, 2, 0));
    ASSERT_TRUE(PumpUntil([&] { return wnd.seen.size() == 3; }));
    EXPECT_EQ(FD_READ, WSAGETSELECTEVENT(wnd.seen[2].second));
    EXPECT_EQ(1, winsock::recv(s, buf, 2, 0));
    ASSERT_TRUE(PumpUntil([&] { return wnd.seen.size() == 4; }));
    EXPECT_EQ(FD_CLOSE, WSAGETSELECTEVENT(wnd.seen[3].second));
    EXPECT_EQ(0, WSAGETSELECTERROR(wnd.seen[3].second));
    for (int i = 0; i < 20; ++i) platform::PumpMessages();
    EXPECT_EQ(4u, wnd.seen.size());

    // Handles are not reused, so a late notification names a dead socket.
    EXPECT_EQ(0, winsock::closesocket(s));
    SOCKET t = winsock::socket(AF_INET, SOCK_STREAM, 0);
    EXPECT_NE(s, t);
    EXPECT_EQ(SOCKET_ERROR, winsock::recv(s, buf, 1, 0));
    EXPECT_EQ(WSAENOTSOCK, winsock::WSAGetLastError());
    winsock::closesocket(t);
}

TEST_F(SocketLayer, AFailedConnectionIsReportedWithItsError) {
    NotifyWnd wnd;
    RECT none;
    ASSERT_TRUE(wnd.CreateEx(0, "", WS_CHILD, none, nullptr, 1));
    SOCKET s = winsock::socket(AF_INET, SOCK_STREAM, IPPROTO_TCP);
    ASSERT_EQ(0, winsock::WSAAsyncSelect(s, &wnd, KES_SOCKET_NOTIFY_MESSAGE, FD_READ | FD_CONNECT | FD_CLOSE));
    sockaddr_in to{};
    to.sin_family = AF_INET;
    to.sin_port = htons(static_cast<uint16_t>(RefusingPort()));
    to.sin_addr.s_addr = winsock::inet_addr("127.0.0.1");
    if (winsock::connect(s, reinterpret_cast<sockaddr*>(&to), sizeof(to)) == SOCKET_ERROR &&
        winsock::WSAGetLastError() == WSAEWOULDBLOCK) {
        ASSERT_TRUE(PumpUntil([&] { return !wnd.seen.empty(); }));
        EXPECT_EQ(FD_CONNECT, WSAGETSELECTEVENT(wnd.seen[0].second));
        EXPECT_EQ(WSAECONNREFUSED, WSAGETSELECTERROR(wnd.seen[0].second));
        char c;
        EXPECT_EQ(SOCKET_ERROR, winsock::send(s, &c, 1, 0));
    }
    for (int i = 0; i < 20; ++i) platform::PumpMessages();
    EXPECT_LE(wnd.seen.size(), 1u);
    winsock::closesocket(s);
    EXPECT_EQ(INADDR_NONE, winsock::inet_addr("not.an.address"));
    EXPECT_EQ(SOCKET_ERROR, winsock::WSAAsyncSelect(12345, &wnd, 1, FD_READ));
}
