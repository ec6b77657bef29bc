// Helpers of the network tests: a real TCP server on 127.0.0.1 run with
// blocking sockets on its own thread, a frame that records what reaches its
// network hook, and a loop driver that pumps the frame's messages until a
// condition holds.
#pragma once

#include <arpa/inet.h>
#include <netinet/in.h>
#include <netinet/tcp.h>
#include <poll.h>
#include <sys/socket.h>
#include <unistd.h>

#include <chrono>
#include <functional>
#include <string>
#include <thread>
#include <vector>

#include "frame/Kest2dBaseFrame.h"
#include "net/Kest2dMessage.h"
#include "net/Kest2dSocketClient.h"
#include "platform/KesSocket.h"
#include "platform/KesWindow.h"

namespace kest2d {
namespace test {

// A listening socket on 127.0.0.1 with a port chosen by the system.
class LoopbackListener {
public:
    LoopbackListener() {
        mFd = ::socket(AF_INET, SOCK_STREAM | SOCK_CLOEXEC, 0);
        int one = 1;
        setsockopt(mFd, SOL_SOCKET, SO_REUSEADDR, &one, sizeof(one));
        sockaddr_in a{};
        a.sin_family = AF_INET;
        a.sin_addr.s_addr = htonl(INADDR_LOOPBACK);
        a.sin_port = 0;
        if (::bind(mFd, reinterpret_cast<sockaddr*>(&a), sizeof(a)) != 0 || ::listen(mFd, 16) != 0) {
            ::close(mFd);
            mFd = -1;
            return;
        }
        socklen_t len = sizeof(a);
        getsockname(mFd, reinterpret_cast<sockaddr*>(&a), &len);
        mPort = ntohs(a.sin_port);
    }
    ~LoopbackListener() {
        if (mFd >= 0) ::close(mFd);
    }
    LoopbackListener(const LoopbackListener&) = delete;
    LoopbackListener& operator=(const LoopbackListener&) = delete;

    bool ok() const { return mFd >= 0; }
    int port() const { return mPort; }
    // The next connection, or -1 after `ms` milliseconds without one.
    int Accept(int ms = 10000) const {
        pollfd p{mFd, POLLIN, 0};
        if (::poll(&p, 1, ms) <= 0) return -1;
        int fd = ::accept4(mFd, nullptr, nullptr, SOCK_CLOEXEC);
        if (fd >= 0) {
            int one = 1;
            setsockopt(fd, IPPROTO_TCP, TCP_NODELAY, &one, sizeof(one));
        }
        return fd;
    }

private:
    int mFd = -1;
    int mPort = 0;
};

// A port on which nothing listens (bound once, then released).
inline int RefusingPort() {
    LoopbackListener l;
    return l.port();
}

inline bool SendAll(int fd, const std::string& bytes) {
    size_t done = 0;
    while (done < bytes.size()) {
        ssize_t n = ::send(fd, bytes.data() + done, bytes.size() - done, MSG_NOSIGNAL);
        if (n <= 0) return false;
        done += static_cast<size_t>(n);
    }
    return true;
}

// Exactly `n` bytes, or fewer when the peer closes or `ms` pass without data.
inline std::string RecvExact(int fd, size_t n, int ms = 10000) {
    std::string out;
    char buf[4096];
    while (out.size() < n) {
        pollfd p{fd, POLLIN, 0};
        if (::poll(&p, 1, ms) <= 0) break;
        ssize_t r = ::recv(fd, buf, std::min(sizeof(buf), n - out.size()), 0);
        if (r <= 0) break;
        out.append(buf, static_cast<size_t>(r));
    }
    return out;
}

// True when the peer has closed (reads until the end, dropping the bytes).
inline bool WaitForEnd(int fd, int ms = 10000) {
    char buf[4096];
    for (;;) {
        pollfd p{fd, POLLIN, 0};
        if (::poll(&p, 1, ms) <= 0) return false;
        ssize_t r = ::recv(fd, buf, sizeof(buf), 0);
        if (r == 0) return true;
        if (r < 0) return errno == ECONNRESET;
    }
}

// Closes with a reset instead of an orderly end.
inline void ResetClose(int fd) {
    linger l{1, 0};
    setsockopt(fd, SOL_SOCKET, SO_LINGER, &l, sizeof(l));
    ::close(fd);
}

// The server's side of the cipher: what the client enciphers with the send
// table the server deciphers with the receive table, and the other way round.
inline std::string ServerDecipher(std::string wire) {
    CKesTcpSocketClient::Decrypto(reinterpret_cast<unsigned char*>(&wire[0]), wire.size());
    return wire;
}
inline std::string ServerEncipher(std::string plain) {
    CKesTcpSocketClient::Encrypto(reinterpret_cast<unsigned char*>(&plain[0]), plain.size());
    return plain;
}

inline std::string Bytes(CKesMessageOut& m) { return std::string(m.getData(), m.getLength()); }

// Pumps the message loop until `done` holds; false after `ms` real
// milliseconds. Idle time is spent waiting for socket activity, not sleeping.
inline bool PumpUntil(const std::function<bool()>& done, int ms = 10000) {
    auto deadline = std::chrono::steady_clock::now() + std::chrono::milliseconds(ms);
    while (!done()) {
        if (std::chrono::steady_clock::now() > deadline) return false;
        if (!platform::PumpOneMessage()) platform::WaitForSocketActivity(5);
    }
    return true;
}

// A frame that records every call of its network hook.
class NetFrame : public CKesBaseFrame {
public:
    struct Seen {
        ConnectState state;
        int length;
        int id;
        std::string bytes;  // the deciphered message
    };
    NetFrame() : CKesBaseFrame(nullptr) {}
    void OnProcessNetMessage(ConnectState state, CKesMessageIn& message) override {
        std::string bytes;
        CKesMessageIn raw = message;  // a copy reads the same bytes
        for (int i = 2; i < raw.getLength(); ++i) bytes.push_back(static_cast<char>(raw.readByte()));
        seen.push_back(Seen{state, message.getLength(), message.getId(), bytes});
        if (onMessage) onMessage(state, message);
        CKesBaseFrame::OnProcessNetMessage(state, message);
    }
    CKesTcpSocketClient& client() { return mSocketClient; }
    int Count(ConnectState state) const {
        int n = 0;
        for (const Seen& s : seen) n += s.state == state;
        return n;
    }
    bool HasLog(const std::string& gbkPart) const {
        for (const std::string& line : GetPendingLogs())
            if (line.find(gbkPart) != std::string::npos) return true;
        return false;
    }

    std::vector<Seen> seen;
    std::function<void(ConnectState, CKesMessageIn&)> onMessage;
};

}  // namespace test
}  // namespace kest2d
