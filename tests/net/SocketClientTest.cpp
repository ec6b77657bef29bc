#include <gtest/gtest.h>

#include <csignal>
#include <cstring>
#include <future>
#include <stdexcept>

#include "MessageFields.h"
#include "NetSupport.h"
#include "support/FrameFixture.h"

using namespace kest2d;
using namespace kest2d::test;

namespace {

class SocketClient : public FrameFixture {
protected:
    void SetUp() override {
        FrameFixture::SetUp();
        mSocketsBefore = platform::OpenSocketCount();
    }
    NetFrame* Start() {
        NetFrame* f = StartFrame<NetFrame>();
        f->client();  // the frame is the client's handler from Initialize on
        EXPECT_EQ(static_cast<CKesBaseFrame*>(f), f->client().GetBaseFrame());
        return f;
    }
    // Connects to the listener and pumps until the frame has seen CONNECTED.
    int ConnectAndAccept(NetFrame* f, const LoopbackListener& server, const std::string& host = "127.0.0.1") {
        EXPECT_TRUE(f->Connect(host, server.port()));
        EXPECT_EQ(CONNECTTING, f->client().GetConnectState());
        int fd = server.Accept();
        EXPECT_GE(fd, 0);
        size_t before = f->seen.size();
        EXPECT_TRUE(PumpUntil([&] { return f->seen.size() > before; }));
        return fd;
    }
    int mSocketsBefore = 0;
};

}  // namespace

TEST_F(SocketClient, ConnectsExchangesEncipheredMessagesAndSeesTheServerClose) {
    NetFrame* f = Start();
    LoopbackListener server;
    ASSERT_TRUE(server.ok());
    int fd = ConnectAndAccept(f, server);
    ASSERT_EQ(1u, f->seen.size());
    EXPECT_EQ(CONNECTED, f->seen[0].state);
    EXPECT_EQ(0, f->seen[0].length);
    EXPECT_TRUE(f->client().IsConnected());

    // Client to server: enciphered with the send table on the wire.
    CKesMessageOut out(258);
    WriteEveryWidth(out, {{"hello", -1}, {"fixed", 8}});
    const std::string plain = Bytes(out);
    ASSERT_EQ(static_cast<int>(plain.size()), f->Send(out));
    std::string wire = RecvExact(fd, plain.size());
    ASSERT_EQ(plain.size(), wire.size());
    EXPECT_NE(plain, wire);
    EXPECT_EQ(plain, ServerDecipher(wire));

    // Server to client: deciphered into the message handed to the frame.
    CKesMessageOut reply(0xABCD);
    reply.writeByte(7);
    reply.writeShort(65535);
    reply.writeLong(2000000000);
    reply.writeString(Gbk("你好, world"), -1);
    std::string fields;
    f->onMessage = [&](ConnectState state, CKesMessageIn& m) {
        if (state != MESPROCESS) return;
        fields = std::to_string(m.readByte());
        fields += "|" + std::to_string(m.readShort());
        fields += "|" + std::to_string(m.readLong());
        fields += "|" + m.readString(-1);
        fields += "|" + std::to_string(m.getUnreadLength());
    };
    ASSERT_TRUE(SendAll(fd, ServerEncipher(Bytes(reply))));
    ASSERT_TRUE(PumpUntil([&] { return f->seen.size() == 2; }));
    EXPECT_EQ(MESPROCESS, f->seen[1].state);
    EXPECT_EQ(0xABCD, f->seen[1].id);
    EXPECT_EQ(static_cast<int>(reply.getLength()), f->seen[1].length);
    EXPECT_EQ("7|65535|2000000000|" + Gbk("你好, world") + "|0", fields);
    EXPECT_EQ(MESPROCESS, f->client().GetConnectState());
    EXPECT_FALSE(f->client().IsConnected());

    // The server ends the connection.
    ::close(fd);
    ASSERT_TRUE(PumpUntil([&] { return f->Count(NOCONNECT) == 1; }));
    EXPECT_EQ(NOCONNECT, f->seen.back().state);
    EXPECT_EQ(0, f->seen.back().length);
    EXPECT_EQ(NOCONNECT, f->client().GetConnectState());
    EXPECT_EQ(mSocketsBefore, platform::OpenSocketCount());
    EXPECT_EQ(-1, f->Send(out));
}

TEST_F(SocketClient, HostNamesResolveAndBadHostsFailWithoutASocket) {
    NetFrame* f = Start();
    EXPECT_FALSE(f->Connect("", 80));
    EXPECT_EQ(NOCONNECT, f->client().GetConnectState());
    EXPECT_EQ(mSocketsBefore, platform::OpenSocketCount());

    LoopbackListener server;
    int fd = ConnectAndAccept(f, server, "localhost");
    EXPECT_EQ(CONNECTED, f->client().GetConnectState());
    ::close(fd);
}

TEST_F(SocketClient, ARefusedPortGivesNoconnect) {
    NetFrame* f = Start();
    int port = RefusingPort();
    if (f->Connect("127.0.0.1", port)) {
        ASSERT_TRUE(PumpUntil([&] { return !f->seen.empty(); }));
        ASSERT_EQ(1u, f->seen.size());
        EXPECT_EQ(NOCONNECT, f->seen[0].state);
        EXPECT_EQ(0, f->seen[0].length);
    } else {
        EXPECT_NE(std::string::npos, ReadLog().find(Gbk("服务器:127.0.0.1连接失败!")));
    }
    EXPECT_EQ(NOCONNECT, f->client().GetConnectState());
    EXPECT_EQ(mSocketsBefore, platform::OpenSocketCount());
}

TEST_F(SocketClient, SendAfterThePeerResetFailsWithoutSigpipe) {
    struct sigaction old, dfl;
    std::memset(&dfl, 0, sizeof(dfl));
    dfl.sa_handler = SIG_DFL;
    sigaction(SIGPIPE, &dfl, &old);  // a SIGPIPE would end the test process

    NetFrame* f = Start();
    LoopbackListener server;
    int fd = ConnectAndAccept(f, server);
    ASSERT_EQ(CONNECTED, f->client().GetConnectState());
    ResetClose(fd);

    CKesMessageOut m(1);
    m.writeString(std::string(500, 'z'), -1);
    int result = 0;
    for (int i = 0; i < 20 && result != -1; ++i) result = f->Send(m);
    EXPECT_EQ(-1, result);
    ASSERT_TRUE(PumpUntil([&] { return f->Count(NOCONNECT) == 1; }));
    EXPECT_EQ(mSocketsBefore, platform::OpenSocketCount());
    sigaction(SIGPIPE, &old, nullptr);
}

// A server that does not read: once the system's buffers are full, Send waits
// (the game with it) and gives up with -1 after about a second.
TEST_F(SocketClient, SendGivesUpAfterASecondWhenTheServerDoesNotRead) {
    NetFrame* f = Start();
    LoopbackListener server;
    int fd = ConnectAndAccept(f, server);
    CKesMessageOut m(1);
    m.writeString(std::string(9000, 'z'), -1);
    int result = 0;
    DWORD before = 0;
    for (int i = 0; i < 100000 && result != -1; ++i) {
        before = GetTickCount();
        result = f->Send(m);
    }
    EXPECT_EQ(-1, result);
    const DWORD waited = GetTickCount() - before;  // virtual milliseconds of the last Send
    EXPECT_GE(waited, 1000u);
    EXPECT_LE(waited, 1100u);
    ::close(fd);
}

TEST_F(SocketClient, ABurstOfTenThousandMessagesArrivesCompleteAndInOrder) {
    NetFrame* f = Start();
    LoopbackListener server;
    int fd = ConnectAndAccept(f, server);
    ASSERT_EQ(CONNECTED, f->client().GetConnectState());

    // One message per receive: the server sends the next when the client has
    // acknowledged the last.
    const int kCount = 10000;
    std::vector<int> received;
    received.reserve(kCount);
    f->onMessage = [&](ConnectState state, CKesMessageIn& m) {
        if (state != MESPROCESS || m.getId() != 5) return;
        int n = m.readLong();
        std::string tail = m.readString(-1);
        if (tail != "seq" + std::to_string(n)) n = -n - 1;
        received.push_back(n);
        CKesMessageOut ack(6);
        ack.writeLong(n);
        f->Send(ack);
    };
    auto serverDone = std::async(std::launch::async, [fd, kCount] {
        for (int i = 0; i < kCount; ++i) {
            CKesMessageOut m(5);
            m.writeLong(i);
            m.writeString("seq" + std::to_string(i), -1);
            if (!SendAll(fd, ServerEncipher(Bytes(m)))) return i;
            std::string ack = ServerDecipher(RecvExact(fd, 6));
            CKesMessageIn in(ack.data(), static_cast<int>(ack.size()));
            if (in.getId() != 6 || in.readLong() != i) return i;
        }
        return kCount;
    });
    EXPECT_TRUE(PumpUntil([&] { return static_cast<int>(received.size()) == kCount; }, 120000));
    EXPECT_EQ(kCount, serverDone.get());
    ASSERT_EQ(static_cast<size_t>(kCount), received.size());
    for (int i = 0; i < kCount; ++i) ASSERT_EQ(i, received[i]);
    ::close(fd);
}

TEST_F(SocketClient, OversizedSendsFailWithALogLine) {
    NetFrame* f = Start();
    LoopbackListener server;
    int fd = ConnectAndAccept(f, server);

    CKesMessageOut big(9);
    big.writeString(std::string(9998, 'q'), 9998);
    ASSERT_EQ(10000u, big.getLength());
    EXPECT_EQ(10000, f->Send(big));  // the largest message that fits
    EXPECT_EQ(Bytes(big), ServerDecipher(RecvExact(fd, 10000)));

    big.writeByte(1);
    EXPECT_EQ(-1, f->Send(big));
    EXPECT_TRUE(f->HasLog(Gbk("发送的消息长 10001 字节")));

    CKesMessageOut empty;
    EXPECT_EQ(-1, f->Send(empty));
    ::close(fd);
}

TEST_F(SocketClient, ConnectWhileOpenClosesTheOldConnectionFirst) {
    NetFrame* f = Start();
    LoopbackListener first, second;
    int a = ConnectAndAccept(f, first);
    ASSERT_EQ(CONNECTED, f->client().GetConnectState());
    int b = ConnectAndAccept(f, second);
    ASSERT_EQ(2, f->Count(CONNECTED));
    EXPECT_TRUE(WaitForEnd(a));  // the first server sees its connection end
    EXPECT_EQ(mSocketsBefore + 1, platform::OpenSocketCount());

    // A notification queued for a socket closed since is ignored.
    f->client().PostMessage(KES_SOCKET_NOTIFY_MESSAGE, 12345, WSAMAKESELECTREPLY(FD_CLOSE, 0));
    platform::PumpMessages();
    EXPECT_EQ(0, f->Count(NOCONNECT));
    EXPECT_EQ(CONNECTED, f->client().GetConnectState());

    CKesMessageOut m(3);
    EXPECT_EQ(2, f->Send(m));
    EXPECT_EQ(Bytes(m), ServerDecipher(RecvExact(b, 2)));
    ::close(a);
    ::close(b);
}

TEST_F(SocketClient, TheHandlerMayCloseReconnectOrThrow) {
    NetFrame* f = Start();
    LoopbackListener server;
    int fd = ConnectAndAccept(f, server);

    // Closing inside the handler: nothing touches the closed socket after it.
    f->onMessage = [&](ConnectState state, CKesMessageIn&) {
        if (state == MESPROCESS) f->CloseConnect();
    };
    CKesMessageOut m(1);
    ASSERT_TRUE(SendAll(fd, ServerEncipher(Bytes(m))));
    ASSERT_TRUE(PumpUntil([&] { return f->Count(MESPROCESS) == 1; }));
    EXPECT_EQ(NOCONNECT, f->client().GetConnectState());
    EXPECT_TRUE(WaitForEnd(fd));
    ::close(fd);

    // Reconnecting inside the handler.
    fd = ConnectAndAccept(f, server);
    bool reconnected = false;
    f->onMessage = [&](ConnectState state, CKesMessageIn&) {
        if (state == MESPROCESS && !reconnected) reconnected = f->Connect("127.0.0.1", server.port());
    };
    ASSERT_TRUE(SendAll(fd, ServerEncipher(Bytes(m))));
    ASSERT_TRUE(PumpUntil([&] { return reconnected; }));
    EXPECT_TRUE(WaitForEnd(fd));
    ::close(fd);
    int fd2 = server.Accept();
    ASSERT_GE(fd2, 0);
    ASSERT_TRUE(PumpUntil([&] { return f->Count(CONNECTED) == 3; }));
    ASSERT_TRUE(SendAll(fd2, ServerEncipher(Bytes(m))));
    ASSERT_TRUE(PumpUntil([&] { return f->Count(MESPROCESS) == 3; }));

    // An exception from the handler closes the connection with a log line.
    f->onMessage = [&](ConnectState state, CKesMessageIn&) {
        if (state == MESPROCESS) throw std::runtime_error("boom");
    };
    ASSERT_TRUE(SendAll(fd2, ServerEncipher(Bytes(m))));
    ASSERT_TRUE(PumpUntil([&] { return f->Count(MESPROCESS) == 4; }));
    EXPECT_EQ(NOCONNECT, f->client().GetConnectState());
    EXPECT_TRUE(f->HasLog("boom"));
    EXPECT_TRUE(WaitForEnd(fd2));
    ::close(fd2);
    EXPECT_EQ(mSocketsBefore, platform::OpenSocketCount());
}

TEST_F(SocketClient, AFreshClientSendsNothingAndClosesQuietly) {
    CKesTcpSocketClient client;
    EXPECT_TRUE(client.IsWindow());
    EXPECT_EQ(static_cast<UINT>(KES_SOCKET_WINDOW_ID), client.GetDlgCtrlID());
    EXPECT_TRUE(client.GetStyle() & WS_CHILD);
    CKesMessageOut m(1);
    EXPECT_EQ(-1, client.Send(m));
    client.CloseConnect();
    EXPECT_EQ(NOCONNECT, client.GetConnectState());
    EXPECT_EQ(nullptr, client.GetBaseFrame());
}

TEST_F(SocketClient, DestroyingTheFrameClosesTheConnection) {
    NetFrame* f = Start();
    LoopbackListener server;
    int fd = ConnectAndAccept(f, server);
    ASSERT_EQ(CONNECTED, f->client().GetConnectState());
    int users = platform::SocketLayerUsers();
    mFrame.reset();
    EXPECT_TRUE(WaitForEnd(fd));
    EXPECT_EQ(users - 1, platform::SocketLayerUsers());
    EXPECT_EQ(mSocketsBefore, platform::OpenSocketCount());
    ::close(fd);
}
