#include "net/Kest2dSocketClient.h"

#include <lzo/lzoconf.h>

#include <cstdlib>
#include <cstring>
#include <exception>
#include <new>
#include <sstream>

#include "frame/Kest2dBaseFrame.h"
#include "net/KesCipher.h"
#include "platform/KesClock.h"

namespace kest2d {

namespace {
// Waits of 10 ms allowed in a row while the peer takes no data.
const int kMaxSendRetries = 100;
}  // namespace

CKesTcpSocketClient::CKesTcpSocketClient(KesWnd* parent) : mParent(parent) {
    CreateSocketHwnd(parent);
    mRing = new CKesCircularBuffer();
    if (!mRing->Allocate(KES_NET_RING_SIZE)) throw std::bad_alloc();
    if (lzo_init() != LZO_E_OK && CKesLogger::admits(ERRORR)) Log(ERRORR, "lzo初始失败。");
    mSendBuffer = static_cast<char*>(std::malloc(KES_NET_BUFFER_SIZE));
    mDecodeBuffer = static_cast<char*>(std::malloc(KES_NET_BUFFER_SIZE));
    if (!mSendBuffer || !mDecodeBuffer) {
        std::free(mSendBuffer);
        std::free(mDecodeBuffer);
        delete mRing;
        throw std::bad_alloc();
    }
}

CKesTcpSocketClient::~CKesTcpSocketClient() {
    CloseConnect();
    delete mRing;
    mRing = nullptr;
    std::free(mSendBuffer);
    std::free(mDecodeBuffer);
    mSendBuffer = mDecodeBuffer = nullptr;
}

void CKesTcpSocketClient::Encrypto(unsigned char* buffer, unsigned long length) { cipher::Encrypt(buffer, length); }

void CKesTcpSocketClient::Decrypto(unsigned char* buffer, unsigned long length) { cipher::Decrypt(buffer, length); }

void CKesTcpSocketClient::Log(Level level, const std::string& text) {
    if (mFrame)
        mFrame->SystemLog(level, text);
    else
        CKesLogger::output(text, level);
}

bool CKesTcpSocketClient::CreateSocketHwnd(KesWnd* parent) {
    RECT empty;
    if (CreateEx(0, "", WS_CHILD, empty, parent, KES_SOCKET_WINDOW_ID)) return true;
    if (CKesLogger::admits(ERRORR)) Log(ERRORR, "WinSocket窗口建立失败");
    return false;
}

bool CKesTcpSocketClient::Connect(std::string host, int port) {
    if (host.empty()) return false;
    uint32_t address = winsock::inet_addr(host.c_str());
    if (address == INADDR_NONE && !winsock::ResolveHost(host, &address)) return false;
    if (!IsWindow()) CreateSocketHwnd(mParent);

    // One connection at a time: the old one goes first, with whatever it had
    // left in the ring.
    CloseConnect();
    mSocket = winsock::socket(AF_INET, SOCK_STREAM, IPPROTO_TCP);
    if (mSocket == INVALID_SOCKET) {
        if (CKesLogger::admits(ERRORR)) Log(ERRORR, "服务器:" + host + "连接失败!");
        return false;
    }
    if (winsock::WSAAsyncSelect(mSocket, this, KES_SOCKET_NOTIFY_MESSAGE, FD_READ | FD_CONNECT | FD_CLOSE) ==
        SOCKET_ERROR) {
        if (CKesLogger::admits(ERRORR)) Log(ERRORR, "WSAAsyncSelect 建立失败!");
        CloseConnect();
        return false;
    }
    sockaddr_in to;
    std::memset(&to, 0, sizeof(to));
    to.sin_family = AF_INET;
    to.sin_port = htons(static_cast<uint16_t>(port));
    to.sin_addr.s_addr = address;
    if (winsock::connect(mSocket, reinterpret_cast<const sockaddr*>(&to), sizeof(to)) == SOCKET_ERROR &&
        winsock::WSAGetLastError() != WSAEWOULDBLOCK) {
        if (CKesLogger::admits(ERRORR)) Log(ERRORR, "服务器:" + host + "连接失败!");
        CloseConnect();
        return false;
    }
    mState = CONNECTTING;
    return true;
}

char* CKesTcpSocketClient::compress(CKesMessageOut& message, int* length) {
    unsigned int n = message.getLength();
    std::memcpy(mSendBuffer, message.getData(), n);
    Encrypto(reinterpret_cast<unsigned char*>(mSendBuffer), n);
    if (length) *length = static_cast<int>(n);
    return mSendBuffer;
}

char* CKesTcpSocketClient::uncompress(unsigned char* data, int length, int* outLength) {
    if (outLength) *outLength = 0;
    if (!data || length <= 0 || length > static_cast<int>(KES_NET_BUFFER_SIZE)) return nullptr;
    std::memcpy(mDecodeBuffer, data, static_cast<size_t>(length));
    Decrypto(reinterpret_cast<unsigned char*>(mDecodeBuffer), static_cast<unsigned long>(length));
    if (outLength) *outLength = length;
    return mDecodeBuffer;
}

int CKesTcpSocketClient::Send(CKesMessageOut& message) {
    if (!message.getData() || message.getLength() == 0 || mSocket == INVALID_SOCKET) return -1;
    if (message.getLength() > KES_NET_BUFFER_SIZE) {
        if (CKesLogger::admits(ERRORR)) {
            std::ostringstream os;
            os << "发送的消息长 " << message.getLength() << " 字节, 超过 " << KES_NET_BUFFER_SIZE << " 字节, 未发送";
            Log(ERRORR, os.str());
        }
        return -1;
    }
    int length = 0;
    const char* data = compress(message, &length);
    int sent = 0;
    int retries = 0;
    while (sent < length) {
        int n = winsock::send(mSocket, data + sent, length - sent, 0);
        if (n == SOCKET_ERROR) {
            if (winsock::WSAGetLastError() != WSAEWOULDBLOCK || retries > kMaxSendRetries) return -1;
            ++retries;
            Sleep(10);
            continue;
        }
        sent += n;
        retries = 0;
    }
    return length;
}

void CKesTcpSocketClient::CloseConnect() {
    mState = NOCONNECT;
    if (mSocket != INVALID_SOCKET) {
        winsock::WSAAsyncSelect(mSocket, this, KES_SOCKET_NOTIFY_MESSAGE, 0);
        winsock::closesocket(mSocket);
        mSocket = INVALID_SOCKET;
    }
    if (mRing) mRing->Reset();
}

LRESULT CKesTcpSocketClient::WindowProc(UINT msg, WPARAM wp, LPARAM lp) {
    if (msg == KES_SOCKET_NOTIFY_MESSAGE) return OnSocketNotifyMessage(wp, lp);
    return KesWnd::WindowProc(msg, wp, lp);
}

void CKesTcpSocketClient::Report(ConnectState state, CKesMessageIn& message) {
    if (mFrame) mFrame->OnProcessNetMessage(state, message);
}

LRESULT CKesTcpSocketClient::OnSocketNotifyMessage(WPARAM wp, LPARAM lp) {
    // Notifications still queued for a socket closed since are stale.
    if (mSocket == INVALID_SOCKET || static_cast<SOCKET>(wp) != mSocket) return 0;
    try {
        CKesMessageIn empty;
        switch (WSAGETSELECTEVENT(lp)) {
        case FD_CONNECT:
            if (WSAGETSELECTERROR(lp) == 0)
                mState = CONNECTED;
            else
                CloseConnect();
            Report(mState, empty);
            break;
        case FD_CLOSE:
            CloseConnect();
            Report(NOCONNECT, empty);
            break;
        case FD_READ:
            OnReceive();
            break;
        default:
            break;
        }
    } catch (const std::exception& e) {
        if (CKesLogger::admits(ERRORR)) Log(ERRORR, std::string("网络消息处理异常, 连接关闭: ") + e.what());
        CloseConnect();
    } catch (...) {
        if (CKesLogger::admits(ERRORR)) Log(ERRORR, "网络消息处理异常, 连接关闭");
        CloseConnect();
    }
    return 0;
}

void CKesTcpSocketClient::OnReceive() {
    unsigned int room = mRing->FreeSpace();
    if (room == 0) {
        // Reading nothing would look like the end of the stream.
        if (CKesLogger::admits(ERRORR)) Log(ERRORR, "接收缓冲区已满, 连接关闭");
        CloseConnect();
        return;
    }
    int n = winsock::recv(mSocket, mRing->WritePosition(), static_cast<int>(room), 0);
    if (n == SOCKET_ERROR) {
        if (winsock::WSAGetLastError() != WSAEWOULDBLOCK) CloseConnect();
        return;
    }
    if (n == 0) return;  // the peer has closed: FD_CLOSE follows
    mRing->Commit(static_cast<unsigned int>(n));
    if (n >= static_cast<int>(KES_NET_BUFFER_SIZE)) {
        // Not a message: drop it rather than hand its head over later.
        mRing->Reset();
        if (CKesLogger::admits(WARN)) {
            std::ostringstream os;
            os << "收到的数据块长 " << n << " 字节, 超过 " << KES_NET_BUFFER_SIZE - 1 << " 字节, 已丢弃";
            Log(WARN, os.str());
        }
        return;
    }
    mState = MESPROCESS;
    mRing->Read(mReceiveCopy, static_cast<unsigned int>(n));
    int length = 0;
    char* data = uncompress(reinterpret_cast<unsigned char*>(mReceiveCopy), n, &length);
    if (data && length > 0 && mFrame) {
        CKesMessageIn message(data, length);
        // The handler may close or reconnect: nothing of this connection is
        // touched after it.
        Report(MESPROCESS, message);
    }
}

}  // namespace kest2d
