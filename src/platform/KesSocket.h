// The socket layer: a small stand-in for the Winsock calls the engine's TCP
// client was designed around, on POSIX sockets.
//
// Sockets are IPv4 TCP sockets named by handles that are never reused within a
// process, so a notification still queued for a closed socket can never be
// taken for one of its successor. WSAAsyncSelect makes a socket non-blocking
// and asks for notifications: a poller run at every pump of the message loop
// (poll with a zero timeout) posts them to the given window as they happen, in
// Winsock's order: FD_CONNECT once when a connection attempt completes or
// fails, FD_READ when data waits (posted again only after the next recv),
// FD_CLOSE once when the peer has closed or reset the connection and every byte
// before that has been received. wParam is the socket, lParam the event in the
// low word and the error code in the high word. Everything here is meant for
// the UI thread.
#pragma once

#include <netinet/in.h>
#include <sys/socket.h>

#include <string>

#include "platform/KesWinTypes.h"

namespace kest2d {

class KesWnd;

typedef UINT_PTR SOCKET;
constexpr SOCKET INVALID_SOCKET = ~static_cast<SOCKET>(0);
constexpr int SOCKET_ERROR = -1;

// Notification events (the low word of lParam).
enum : long {
    FD_READ = 0x01,
    FD_WRITE = 0x02,
    FD_OOB = 0x04,
    FD_ACCEPT = 0x08,
    FD_CONNECT = 0x10,
    FD_CLOSE = 0x20,
};

// Error codes (WSAGetLastError and the high word of lParam).
enum : int {
    WSAEINTR = 10004,
    WSAEBADF = 10009,
    WSAEACCES = 10013,
    WSAEFAULT = 10014,
    WSAEINVAL = 10022,
    WSAEMFILE = 10024,
    WSAEWOULDBLOCK = 10035,
    WSAEINPROGRESS = 10036,
    WSAEALREADY = 10037,
    WSAENOTSOCK = 10038,
    WSAEMSGSIZE = 10040,
    WSAEAFNOSUPPORT = 10047,
    WSAEADDRINUSE = 10048,
    WSAEADDRNOTAVAIL = 10049,
    WSAENETDOWN = 10050,
    WSAENETUNREACH = 10051,
    WSAENETRESET = 10052,
    WSAECONNABORTED = 10053,
    WSAECONNRESET = 10054,
    WSAENOBUFS = 10055,
    WSAEISCONN = 10056,
    WSAENOTCONN = 10057,
    WSAESHUTDOWN = 10058,
    WSAETIMEDOUT = 10060,
    WSAECONNREFUSED = 10061,
    WSAEHOSTUNREACH = 10065,
    WSASYSNOTREADY = 10091,
    WSAVERNOTSUPPORTED = 10092,
    WSANOTINITIALISED = 10093,
    WSAHOST_NOT_FOUND = 11001,
};

struct WSADATA {
    WORD wVersion = 0;      // the version granted to the caller
    WORD wHighVersion = 0;  // the highest version the layer offers
    char szDescription[257] = {0};
    char szSystemStatus[129] = {0};
};

inline WORD MAKEWORD(unsigned low, unsigned high) {
    return static_cast<WORD>((low & 0xFF) | ((high & 0xFF) << 8));
}
inline BYTE LOBYTE(WORD w) { return static_cast<BYTE>(w & 0xFF); }
inline BYTE HIBYTE(WORD w) { return static_cast<BYTE>((w >> 8) & 0xFF); }
inline WORD WSAGETSELECTEVENT(LPARAM l) { return LOWORD(static_cast<uintptr_t>(l)); }
inline WORD WSAGETSELECTERROR(LPARAM l) { return HIWORD(static_cast<uintptr_t>(l)); }
inline LPARAM WSAMAKESELECTREPLY(int event, int error) { return MAKELPARAM(event, error); }

namespace winsock {

// Starts a use of the layer. Grants min(requested, highest offered); fails with
// WSAVERNOTSUPPORTED below 1.1 and with WSASYSNOTREADY when the layer has been
// made unavailable (platform::SetSocketLayer). Returns 0 or the error code.
int WSAStartup(WORD versionRequested, WSADATA* data);
// Ends one use; SOCKET_ERROR (WSANOTINITIALISED) when none is open.
int WSACleanup();
// The error of the calling thread's last failed call.
int WSAGetLastError();
// Asks for `events` posted to `wnd` as `msg`; makes the socket non-blocking.
// No events: no more notifications (the socket stays non-blocking).
int WSAAsyncSelect(SOCKET s, KesWnd* wnd, UINT msg, long events);

// IPv4 TCP only (AF_INET, SOCK_STREAM, 0 or IPPROTO_TCP).
SOCKET socket(int af, int type, int protocol);
int connect(SOCKET s, const sockaddr* name, int nameLength);
// Never raises SIGPIPE: a send to a closed peer fails with WSAECONNRESET.
int send(SOCKET s, const char* buffer, int length, int flags);
int recv(SOCKET s, char* buffer, int length, int flags);
int closesocket(SOCKET s);

// A dotted IPv4 address in network order, or INADDR_NONE.
uint32_t inet_addr(const char* text);
// The first IPv4 address of a host name (getaddrinfo), in network order.
bool ResolveHost(const std::string& host, uint32_t* address);

}  // namespace winsock

namespace platform {
// Test and embedding hooks of WSAStartup: `available` false makes it fail,
// `highest` is the highest version it grants (2.2 by default).
void SetSocketLayer(bool available, WORD highest);
// Uses of the layer started and not yet ended.
int SocketLayerUsers();
// Sockets that exist (created and not closed).
int OpenSocketCount();
// Waits up to `ms` real milliseconds for a socket with notifications asked to
// have something to report (a loop driver's idle wait); true when one has.
bool WaitForSocketActivity(int ms);
}  // namespace platform

}  // namespace kest2d
