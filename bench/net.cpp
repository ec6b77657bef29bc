// Round trips of a 64-byte message against a loopback echo server: through
// the engine's client (enciphered, notified through the frame's message loop,
// deciphered into the frame's network hook) and, for comparison, through a
// plain blocking socket. The echo server deciphers and enciphers again, as a
// game server would, for both.
#include <benchmark/benchmark.h>
#include <netinet/in.h>
#include <netinet/tcp.h>
#include <poll.h>
#include <sys/socket.h>
#include <unistd.h>

#include <atomic>
#include <cstdlib>
#include <functional>
#include <memory>
#include <string>
#include <thread>
#include <vector>

#include "frame/Kest2dBaseFrame.h"
#include "net/Kest2dSocketClient.h"
#include "platform/KesClock.h"
#include "platform/KesFiles.h"
#include "platform/KesSocket.h"
#include "platform/KesWindow.h"

using namespace kest2d;

namespace {

const int kMessageSize = 64;

class EchoServer {
public:
    EchoServer() {
        mListen = ::socket(AF_INET, SOCK_STREAM | SOCK_CLOEXEC, 0);
        sockaddr_in a{};
        a.sin_family = AF_INET;
        a.sin_addr.s_addr = htonl(INADDR_LOOPBACK);
        ::bind(mListen, reinterpret_cast<sockaddr*>(&a), sizeof(a));
        ::listen(mListen, 8);
        socklen_t len = sizeof(a);
        getsockname(mListen, reinterpret_cast<sockaddr*>(&a), &len);
        mPort = ntohs(a.sin_port);
        mThread = std::thread([this] { Run(); });
    }
    ~EchoServer() {
        mStop = true;
        mThread.join();
        ::close(mListen);
    }
    int port() const { return mPort; }

private:
    void Run() {
        std::vector<std::thread> peers;
        while (!mStop) {
            pollfd p{mListen, POLLIN, 0};
            if (::poll(&p, 1, 50) <= 0) continue;
            int fd = ::accept(mListen, nullptr, nullptr);
            if (fd < 0) continue;
            int one = 1;
            setsockopt(fd, IPPROTO_TCP, TCP_NODELAY, &one, sizeof(one));
            peers.emplace_back([fd] {
                char buf[kMessageSize];
                for (;;) {
                    ssize_t n = ::recv(fd, buf, sizeof(buf), 0);
                    if (n <= 0) break;
                    CKesTcpSocketClient::Decrypto(reinterpret_cast<unsigned char*>(buf), n);
                    CKesTcpSocketClient::Encrypto(reinterpret_cast<unsigned char*>(buf), n);
                    if (::send(fd, buf, n, MSG_NOSIGNAL) != n) break;
                }
                ::close(fd);
            });
        }
        for (std::thread& t : peers) t.join();
    }
    int mListen = -1;
    int mPort = 0;
    std::atomic<bool> mStop{false};
    std::thread mThread;
};

EchoServer& Server() {
    static EchoServer* server = new EchoServer();  // lives for the whole run
    return *server;
}

class BenchFrame : public CKesBaseFrame {
public:
    BenchFrame() : CKesBaseFrame(nullptr) {}
    void OnProcessNetMessage(ConnectState state, CKesMessageIn& message) override {
        lastState = state;
        if (state == MESPROCESS) {
            ++received;
            lastLength = message.getLength();
        }
    }
    CKesTcpSocketClient& client() { return mSocketClient; }
    ConnectState lastState = NOCONNECT;
    long received = 0;
    int lastLength = 0;
};

void Pump(const std::function<bool()>& done) {
    while (!done()) {
        if (!platform::PumpOneMessage()) platform::WaitForSocketActivity(5);
    }
}

void BM_EngineClientRoundTrip(benchmark::State& state) {
    // A headless frame in a scratch folder; the virtual clock keeps the frame
    // tick out of the measurement.
    std::string dir = "/tmp/kest2d-bench-net-" + std::to_string(getpid());
    std::string cmd = "mkdir -p " + dir;
    if (std::system(cmd.c_str()) != 0 || chdir(dir.c_str()) != 0) {
        state.SkipWithError("no scratch folder");
        return;
    }
    platform::UseVirtualClock();
    platform::SetCommandLine("-d$" + dir);
    auto frame = std::make_unique<BenchFrame>();
    if (!frame->Initialize("", CKesDimension2d<int>(320, 240)) || !frame->Connect("127.0.0.1", Server().port())) {
        state.SkipWithError("no frame or no connection");
        return;
    }
    BenchFrame* f = frame.get();
    Pump([f] { return f->lastState != NOCONNECT || f->client().GetConnectState() == NOCONNECT; });
    if (!f->client().IsConnected()) {
        state.SkipWithError("connection failed");
        return;
    }
    CKesMessageOut message(1);
    message.writeString(std::string(kMessageSize - 2, 'm'), kMessageSize - 2);
    for (auto _ : state) {
        long before = f->received;
        if (f->Send(message) != kMessageSize) {
            state.SkipWithError("send failed");
            break;
        }
        Pump([f, before] { return f->received != before || f->client().GetConnectState() == NOCONNECT; });
    }
    state.counters["round_trips_per_s"] = benchmark::Counter(static_cast<double>(state.iterations()),
                                                             benchmark::Counter::kIsRate);
    frame.reset();
    platform::UseRealClock();
    cmd = "rm -rf " + dir;
    if (chdir("/tmp") == 0 && std::system(cmd.c_str()) != 0) state.SkipWithError("cleanup failed");
}
BENCHMARK(BM_EngineClientRoundTrip)->UseRealTime();

void BM_PlainBlockingSocketRoundTrip(benchmark::State& state) {
    int fd = ::socket(AF_INET, SOCK_STREAM | SOCK_CLOEXEC, 0);
    sockaddr_in a{};
    a.sin_family = AF_INET;
    a.sin_addr.s_addr = htonl(INADDR_LOOPBACK);
    a.sin_port = htons(static_cast<uint16_t>(Server().port()));
    if (::connect(fd, reinterpret_cast<sockaddr*>(&a), sizeof(a)) != 0) {
        state.SkipWithError("no connection");
        ::close(fd);
        return;
    }
    int one = 1;
    setsockopt(fd, IPPROTO_TCP, TCP_NODELAY, &one, sizeof(one));
    char out[kMessageSize], in[kMessageSize];
    for (int i = 0; i < kMessageSize; ++i) out[i] = static_cast<char>('m' + i);
    CKesTcpSocketClient::Encrypto(reinterpret_cast<unsigned char*>(out), kMessageSize);
    for (auto _ : state) {
        if (::send(fd, out, kMessageSize, MSG_NOSIGNAL) != kMessageSize) {
            state.SkipWithError("send failed");
            break;
        }
        int got = 0;
        while (got < kMessageSize) {
            ssize_t n = ::recv(fd, in + got, kMessageSize - got, 0);
            if (n <= 0) break;
            got += static_cast<int>(n);
        }
        if (got != kMessageSize) {
            state.SkipWithError("echo lost");
            break;
        }
        CKesTcpSocketClient::Decrypto(reinterpret_cast<unsigned char*>(in), kMessageSize);
        benchmark::DoNotOptimize(in);
    }
    state.counters["round_trips_per_s"] = benchmark::Counter(static_cast<double>(state.iterations()),
                                                             benchmark::Counter::kIsRate);
    ::close(fd);
}
BENCHMARK(BM_PlainBlockingSocketRoundTrip)->UseRealTime();

}  // namespace
