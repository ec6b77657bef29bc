// Servers that send what no game server should: the client logs, discards or
// closes, and never crashes or shifts later messages.
#include <gtest/gtest.h>

#include <future>
#include <random>

#include "NetSupport.h"
#include "support/FrameFixture.h"

using namespace kest2d;
using namespace kest2d::test;

namespace {

class HostileServer : public FrameFixture {
protected:
    NetFrame* Start() { return StartFrame<NetFrame>(); }
    int ConnectAndAccept(NetFrame* f, const LoopbackListener& server) {
        EXPECT_TRUE(f->Connect("127.0.0.1", server.port()));
        int fd = server.Accept();
        EXPECT_GE(fd, 0);
        int connected = f->Count(CONNECTED);
        EXPECT_TRUE(PumpUntil([&] { return f->Count(CONNECTED) > connected || f->Count(NOCONNECT) > 0; }));
        return fd;
    }
};

// Reads every field form from whatever arrived.
void ReadEverything(CKesMessageIn& m) {
    for (int round = 0; round < 4 && m.getUnreadLength() > -8; ++round) {
        m.readByte();
        m.readShort();
        m.readLong();
        m.readString(-1);
        m.readString(3);
        m.readString(70000);
    }
}

}  // namespace

TEST_F(HostileServer, OversizedChunksAreDiscardedAndDoNotShiftLaterMessages) {
    NetFrame* f = Start();
    LoopbackListener server;
    int fd = ConnectAndAccept(f, server);
    ASSERT_EQ(CONNECTED, f->client().GetConnectState());

    // 10000 bytes is one too many for a message.
    ASSERT_TRUE(SendAll(fd, std::string(10000, 'A')));
    ASSERT_TRUE(PumpUntil([&] { return f->HasLog(Gbk("收到的数据块长 10000 字节")); }));
    EXPECT_EQ(0, f->Count(MESPROCESS));

    CKesMessageOut m(0x4242);
    m.writeString("after", -1);
    ASSERT_TRUE(SendAll(fd, ServerEncipher(Bytes(m))));
    ASSERT_TRUE(PumpUntil([&] { return f->Count(MESPROCESS) == 1; }));
    EXPECT_EQ(0x4242, f->seen.back().id);
    EXPECT_EQ(std::string("\0\x05" "after", 7), f->seen.back().bytes);

    // More than the whole ring: it is taken in two pieces (30000 bytes, the
    // ring, then 10000) and both are dropped; the connection stays.
    ASSERT_TRUE(SendAll(fd, std::string(40000, 'B')));
    ASSERT_TRUE(PumpUntil([&] { return f->HasLog(Gbk("收到的数据块长 30000 字节")); }));
    ASSERT_TRUE(PumpUntil([&] {
        int n = 0;
        for (const std::string& l : f->GetPendingLogs()) n += l.find(Gbk("收到的数据块长 10000 字节")) != std::string::npos;
        return n == 2;
    }));
    EXPECT_EQ(1, f->Count(MESPROCESS));
    ASSERT_TRUE(SendAll(fd, ServerEncipher(Bytes(m))));
    ASSERT_TRUE(PumpUntil([&] { return f->Count(MESPROCESS) == 2; }));
    EXPECT_EQ(0x4242, f->seen.back().id);
    EXPECT_EQ(MESPROCESS, f->client().GetConnectState());
    ::close(fd);
    ASSERT_TRUE(PumpUntil([&] { return f->Count(NOCONNECT) == 1; }));
}

TEST_F(HostileServer, RandomBytesAndAbruptResetsNeverCrashTheClient) {
    NetFrame* f = Start();
    int sockets = platform::OpenSocketCount();
    LoopbackListener server;
    f->onMessage = [&](ConnectState state, CKesMessageIn& m) {
        if (state == MESPROCESS) ReadEverything(m);
    };
    std::mt19937 rng(12345);
    for (int round = 0; round < 12; ++round) {
        ASSERT_TRUE(f->Connect("127.0.0.1", server.port()));
        int fd = server.Accept();
        ASSERT_GE(fd, 0);
        int closes = f->Count(NOCONNECT);
        // A stream of random chunks of every size, some over the limit.
        std::string junk;
        size_t total = 1000 + rng() % 60000;
        for (size_t i = 0; i < total; ++i) junk.push_back(static_cast<char>(rng()));
        auto sent = std::async(std::launch::async, [&, fd] {
            size_t done = 0;
            while (done < junk.size()) {
                size_t n = std::min<size_t>(junk.size() - done, 1 + rng() % 12000);
                if (!SendAll(fd, junk.substr(done, n))) break;
                done += n;
            }
            if (round % 3 == 0)
                ::close(fd);
            else
                ResetClose(fd);  // mid-stream, with data possibly unread
        });
        ASSERT_TRUE(PumpUntil([&] {
            return f->Count(NOCONNECT) > closes && sent.wait_for(std::chrono::seconds(0)) == std::future_status::ready;
        }));
        EXPECT_EQ(NOCONNECT, f->client().GetConnectState());
    }

    // Resets right at the accept, before a byte is exchanged.
    for (int round = 0; round < 5; ++round) {
        ASSERT_TRUE(f->Connect("127.0.0.1", server.port()));
        int fd = server.Accept();
        ASSERT_GE(fd, 0);
        ResetClose(fd);
        int closes = f->Count(NOCONNECT);
        ASSERT_TRUE(PumpUntil([&] { return f->Count(NOCONNECT) > closes; }));
    }
    EXPECT_EQ(sockets, platform::OpenSocketCount());
}
