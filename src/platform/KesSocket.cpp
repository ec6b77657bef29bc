#include "platform/KesSocket.h"

#include <arpa/inet.h>
#include <errno.h>
#include <fcntl.h>
#include <netdb.h>
#include <poll.h>
#include <unistd.h>

#include <cstring>
#include <map>
#include <mutex>
#include <vector>

#include "platform/KesWindow.h"

namespace kest2d {

namespace {

struct SocketEntry {
    enum Phase { FRESH, CONNECTING, CONNECTED, FINISHED };
    int fd = -1;
    UINT hwnd = 0;
    UINT message = 0;
    long events = 0;
    Phase phase = FRESH;
    // Read readiness was reported and no recv has been made since.
    bool readReported = false;
};

struct Layer {
    std::mutex mutex;
    std::map<SOCKET, SocketEntry> sockets;
    SOCKET nextHandle = 0x100;
    int users = 0;
    bool available = true;
    WORD highest = MAKEWORD(2, 2);
};

Layer& S() {
    static Layer* layer = new Layer();  // lives for the whole process
    return *layer;
}

thread_local int tLastError = 0;

int Fail(int wsaError) {
    tLastError = wsaError;
    return SOCKET_ERROR;
}

int FromErrno(int e) {
    switch (e) {
    case EAGAIN:
#if EWOULDBLOCK != EAGAIN
    case EWOULDBLOCK:
#endif
    case EINPROGRESS:
        return WSAEWOULDBLOCK;
    case EINTR: return WSAEINTR;
    case EBADF:
    case ENOTSOCK: return WSAENOTSOCK;
    case EACCES:
    case EPERM: return WSAEACCES;
    case EFAULT: return WSAEFAULT;
    case EMFILE:
    case ENFILE: return WSAEMFILE;
    case EALREADY: return WSAEALREADY;
    case EMSGSIZE: return WSAEMSGSIZE;
    case EAFNOSUPPORT: return WSAEAFNOSUPPORT;
    case EADDRINUSE: return WSAEADDRINUSE;
    case EADDRNOTAVAIL: return WSAEADDRNOTAVAIL;
    case ENETDOWN: return WSAENETDOWN;
    case ENETUNREACH: return WSAENETUNREACH;
    case ENETRESET: return WSAENETRESET;
    case ECONNABORTED: return WSAECONNABORTED;
    case ECONNRESET:
    case EPIPE: return WSAECONNRESET;
    case ENOBUFS:
    case ENOMEM: return WSAENOBUFS;
    case EISCONN: return WSAEISCONN;
    case ENOTCONN: return WSAENOTCONN;
    case ESHUTDOWN: return WSAESHUTDOWN;
    case ETIMEDOUT: return WSAETIMEDOUT;
    case ECONNREFUSED: return WSAECONNREFUSED;
    case EHOSTUNREACH:
    case EHOSTDOWN: return WSAEHOSTUNREACH;
    default: return WSAEINVAL;
    }
}

// The entry of a live socket, or null (the lock must be held).
SocketEntry* Find(Layer& s, SOCKET handle) {
    auto it = s.sockets.find(handle);
    return it == s.sockets.end() ? nullptr : &it->second;
}

void Notify(SOCKET handle, const SocketEntry& e, long event, int error) {
    if (!(e.events & event)) return;
    KesWnd* wnd = platform::WindowFromHandle(e.hwnd);
    if (wnd) wnd->PostMessage(e.message, static_cast<WPARAM>(handle), WSAMAKESELECTREPLY(static_cast<int>(event), error));
}

// The sockets whose next notification depends on their readiness.
void Watched(Layer& s, std::vector<SOCKET>* handles, std::vector<pollfd>* fds) {
    for (auto& kv : s.sockets) {
        const SocketEntry& e = kv.second;
        if (!e.events || !e.hwnd) continue;
        short want = 0;
        if (e.phase == SocketEntry::CONNECTING)
            want = POLLOUT;
        else if (e.phase == SocketEntry::CONNECTED && !e.readReported)
            want = POLLIN;
        if (!want) continue;
        handles->push_back(kv.first);
        fds->push_back(pollfd{e.fd, want, 0});
    }
}

// Turns the readiness of one socket into its notification.
void Report(SOCKET handle, SocketEntry& e, short revents) {
    if (e.phase == SocketEntry::CONNECTING) {
        if (!(revents & (POLLOUT | POLLERR | POLLHUP))) return;
        int err = 0;
        socklen_t len = sizeof(err);
        if (getsockopt(e.fd, SOL_SOCKET, SO_ERROR, &err, &len) != 0) err = errno;
        e.phase = err ? SocketEntry::FINISHED : SocketEntry::CONNECTED;
        Notify(handle, e, FD_CONNECT, err ? FromErrno(err) : 0);
        return;
    }
    if (e.phase != SocketEntry::CONNECTED || !(revents & (POLLIN | POLLERR | POLLHUP))) return;
    // Data first, then the close: peek tells which one is next.
    char c;
    ssize_t r = ::recv(e.fd, &c, 1, MSG_PEEK | MSG_DONTWAIT);
    if (r > 0) {
        e.readReported = true;
        Notify(handle, e, FD_READ, 0);
    } else if (r == 0) {
        e.phase = SocketEntry::FINISHED;
        Notify(handle, e, FD_CLOSE, 0);
    } else if (errno != EAGAIN && errno != EWOULDBLOCK && errno != EINTR) {
        e.phase = SocketEntry::FINISHED;
        Notify(handle, e, FD_CLOSE, FromErrno(errno));
    }
}

void PollSockets() {
    Layer& s = S();
    std::lock_guard<std::mutex> lock(s.mutex);
    std::vector<SOCKET> handles;
    std::vector<pollfd> fds;
    Watched(s, &handles, &fds);
    if (fds.empty()) return;
    if (::poll(fds.data(), fds.size(), 0) <= 0) return;
    for (size_t i = 0; i < fds.size(); ++i) {
        if (!fds[i].revents) continue;
        SocketEntry* e = Find(s, handles[i]);
        if (e) Report(handles[i], *e, fds[i].revents);
    }
}

}  // namespace

namespace winsock {

int WSAStartup(WORD versionRequested, WSADATA* data) {
    Layer& s = S();
    std::lock_guard<std::mutex> lock(s.mutex);
    if (!data) return WSAEFAULT;
    data->wHighVersion = s.highest;
    std::strcpy(data->szDescription, "Kest2d sockets");
    if (!s.available) {
        std::strcpy(data->szSystemStatus, "Not ready");
        return WSASYSNOTREADY;
    }
    // Versions compare major first: the major number is the low byte.
    auto rank = [](WORD v) { return (LOBYTE(v) << 8) | HIBYTE(v); };
    if (rank(versionRequested) < rank(MAKEWORD(1, 1))) return WSAVERNOTSUPPORTED;
    data->wVersion = rank(versionRequested) <= rank(s.highest) ? versionRequested : s.highest;
    std::strcpy(data->szSystemStatus, "Running");
    ++s.users;
    return 0;
}

int WSACleanup() {
    Layer& s = S();
    std::lock_guard<std::mutex> lock(s.mutex);
    if (s.users <= 0) return Fail(WSANOTINITIALISED);
    --s.users;
    return 0;
}

int WSAGetLastError() { return tLastError; }

int WSAAsyncSelect(SOCKET handle, KesWnd* wnd, UINT msg, long events) {
    Layer& s = S();
    {
        std::lock_guard<std::mutex> lock(s.mutex);
        SocketEntry* e = Find(s, handle);
        if (!e) return Fail(WSAENOTSOCK);
        if (events && (!wnd || !wnd->IsWindow())) return Fail(WSAEINVAL);
        int flags = fcntl(e->fd, F_GETFL, 0);
        if (flags < 0 || fcntl(e->fd, F_SETFL, flags | O_NONBLOCK) < 0) return Fail(FromErrno(errno));
        e->hwnd = events ? wnd->GetSafeHwnd() : 0;
        e->message = msg;
        e->events = events;
        e->readReported = false;
    }
    if (events) platform::AddPumpPoller(&PollSockets);
    return 0;
}

SOCKET socket(int af, int type, int protocol) {
    if (af != AF_INET) {
        tLastError = WSAEAFNOSUPPORT;
        return INVALID_SOCKET;
    }
    if (type != SOCK_STREAM || (protocol != 0 && protocol != IPPROTO_TCP)) {
        tLastError = WSAEINVAL;
        return INVALID_SOCKET;
    }
    int fd = ::socket(AF_INET, SOCK_STREAM | SOCK_CLOEXEC, IPPROTO_TCP);
    if (fd < 0) {
        tLastError = FromErrno(errno);
        return INVALID_SOCKET;
    }
    Layer& s = S();
    std::lock_guard<std::mutex> lock(s.mutex);
    SOCKET handle = s.nextHandle++;
    s.sockets[handle].fd = fd;
    return handle;
}

int connect(SOCKET handle, const sockaddr* name, int nameLength) {
    Layer& s = S();
    int fd;
    {
        std::lock_guard<std::mutex> lock(s.mutex);
        SocketEntry* e = Find(s, handle);
        if (!e) return Fail(WSAENOTSOCK);
        if (!name || nameLength < static_cast<int>(sizeof(sockaddr_in))) return Fail(WSAEFAULT);
        if (e->phase != SocketEntry::FRESH) return Fail(e->phase == SocketEntry::CONNECTING ? WSAEALREADY : WSAEISCONN);
        fd = e->fd;
    }
    int r = ::connect(fd, name, static_cast<socklen_t>(nameLength));
    int err = r == 0 ? 0 : errno;
    std::lock_guard<std::mutex> lock(s.mutex);
    SocketEntry* e = Find(s, handle);
    if (!e) return Fail(WSAENOTSOCK);
    if (r == 0 || err == EINPROGRESS) {
        // A completed connection is still announced by FD_CONNECT.
        e->phase = SocketEntry::CONNECTING;
        return r == 0 ? 0 : Fail(WSAEWOULDBLOCK);
    }
    return Fail(FromErrno(err));
}

int send(SOCKET handle, const char* buffer, int length, int flags) {
    int fd;
    bool connecting;
    {
        Layer& s = S();
        std::lock_guard<std::mutex> lock(s.mutex);
        SocketEntry* e = Find(s, handle);
        if (!e) return Fail(WSAENOTSOCK);
        fd = e->fd;
        connecting = e->phase == SocketEntry::CONNECTING;
    }
    if (length < 0 || (!buffer && length > 0)) return Fail(WSAEFAULT);
    if (connecting) {
        // As on Winsock: no sending before the connection is made.
        pollfd p{fd, POLLOUT, 0};
        if (::poll(&p, 1, 0) <= 0 || !(p.revents & POLLOUT)) return Fail(WSAENOTCONN);
    }
    ssize_t n;
    do {
        n = ::send(fd, buffer, static_cast<size_t>(length), flags | MSG_NOSIGNAL);
    } while (n < 0 && errno == EINTR);
    if (n < 0) return Fail(FromErrno(errno));
    return static_cast<int>(n);
}

int recv(SOCKET handle, char* buffer, int length, int flags) {
    int fd;
    {
        Layer& s = S();
        std::lock_guard<std::mutex> lock(s.mutex);
        SocketEntry* e = Find(s, handle);
        if (!e) return Fail(WSAENOTSOCK);
        e->readReported = false;  // the next waiting byte is announced again
        fd = e->fd;
    }
    if (length < 0 || (!buffer && length > 0)) return Fail(WSAEFAULT);
    ssize_t n;
    do {
        n = ::recv(fd, buffer, static_cast<size_t>(length), flags);
    } while (n < 0 && errno == EINTR);
    if (n < 0) return Fail(FromErrno(errno));
    return static_cast<int>(n);
}

int closesocket(SOCKET handle) {
    int fd;
    {
        Layer& s = S();
        std::lock_guard<std::mutex> lock(s.mutex);
        auto it = s.sockets.find(handle);
        if (it == s.sockets.end()) return Fail(WSAENOTSOCK);
        fd = it->second.fd;
        s.sockets.erase(it);
    }
    ::close(fd);
    return 0;
}

uint32_t inet_addr(const char* text) { return text ? ::inet_addr(text) : INADDR_NONE; }

bool ResolveHost(const std::string& host, uint32_t* address) {
    if (host.empty() || !address) return false;
    addrinfo hints;
    std::memset(&hints, 0, sizeof(hints));
    hints.ai_family = AF_INET;
    hints.ai_socktype = SOCK_STREAM;
    addrinfo* list = nullptr;
    if (getaddrinfo(host.c_str(), nullptr, &hints, &list) != 0 || !list) {
        tLastError = WSAHOST_NOT_FOUND;
        return false;
    }
    bool found = false;
    for (addrinfo* a = list; a; a = a->ai_next) {
        if (a->ai_family == AF_INET && a->ai_addr) {
            *address = reinterpret_cast<const sockaddr_in*>(a->ai_addr)->sin_addr.s_addr;
            found = true;
            break;
        }
    }
    freeaddrinfo(list);
    if (!found) tLastError = WSAHOST_NOT_FOUND;
    return found;
}

}  // namespace winsock

namespace platform {

void SetSocketLayer(bool available, WORD highest) {
    Layer& s = S();
    std::lock_guard<std::mutex> lock(s.mutex);
    s.available = available;
    s.highest = highest;
}

int SocketLayerUsers() {
    Layer& s = S();
    std::lock_guard<std::mutex> lock(s.mutex);
    return s.users;
}

int OpenSocketCount() {
    Layer& s = S();
    std::lock_guard<std::mutex> lock(s.mutex);
    return static_cast<int>(s.sockets.size());
}

bool WaitForSocketActivity(int ms) {
    std::vector<SOCKET> handles;
    std::vector<pollfd> fds;
    {
        Layer& s = S();
        std::lock_guard<std::mutex> lock(s.mutex);
        Watched(s, &handles, &fds);
    }
    if (fds.empty()) return false;
    return ::poll(fds.data(), fds.size(), ms < 0 ? 0 : ms) > 0;
}

}  // namespace platform

}  // namespace kest2d
