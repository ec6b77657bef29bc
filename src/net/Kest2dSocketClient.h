// The engine's one TCP connection to its game server. A hidden message-only
// child window receives the socket layer's notifications, so connecting,
// receiving and closing all happen on the UI thread inside the message loop.
// Outgoing messages are enciphered and sent whole; every chunk that arrives is
// deciphered and handed, as one message, to the frame's OnProcessNetMessage.
#pragma once

#include <string>

#include "frame/Kest2dLogger.h"
#include "net/Kest2dCircularBuffer.h"
#include "net/Kest2dMessage.h"
#include "platform/KesSocket.h"
#include "platform/KesWindow.h"

namespace kest2d {

class CKesBaseFrame;

enum ConnectState : int {
    NOCONNECT = 0,
    CONNECTTING = 1,
    CONNECTED = 2,
    MESPROCESS = 3,  // a message has arrived
};

enum : unsigned int {
    KES_SOCKET_WINDOW_ID = 10002,
    KES_SOCKET_NOTIFY_MESSAGE = 10003,
    // The largest message that can be sent, and the bound below which a
    // received chunk is a message.
    KES_NET_BUFFER_SIZE = 10000,
    KES_NET_RING_SIZE = 30000,
};

class CKesTcpSocketClient : public KesWnd {
public:
    explicit CKesTcpSocketClient(KesWnd* parent = nullptr);
    ~CKesTcpSocketClient() override;

    // Starts an asynchronous connection (a dotted address or a host name); an
    // open connection is closed first. The outcome arrives later as CONNECTED
    // or NOCONNECT.
    bool Connect(std::string host, int port);
    // Enciphers and sends the whole message: its length, or -1 (nothing to
    // send, no connection, a message over KES_NET_BUFFER_SIZE bytes, a send
    // error, or the peer not taking data for more than 100 waits of 10 ms).
    int Send(CKesMessageOut& message);
    // Closes the connection without telling the frame.
    void CloseConnect();

    ConnectState GetConnectState() const { return mState; }
    // True in CONNECTED only (false in MESPROCESS).
    bool IsConnected() const { return mState == CONNECTED; }
    // The frame that receives connection states and messages (none: nobody).
    void SetBaseFrame(CKesBaseFrame* frame) { mFrame = frame; }
    CKesBaseFrame* GetBaseFrame() const { return mFrame; }

    // The byte substitution of the wire: outgoing bytes through the send
    // table, incoming bytes (and archive records) through the receive table.
    static void Encrypto(unsigned char* buffer, unsigned long length);
    static void Decrypto(unsigned char* buffer, unsigned long length);

    LRESULT WindowProc(UINT msg, WPARAM wp, LPARAM lp) override;

private:
    bool CreateSocketHwnd(KesWnd* parent);
    char* compress(CKesMessageOut& message, int* length);
    char* uncompress(unsigned char* data, int length, int* outLength);
    LRESULT OnSocketNotifyMessage(WPARAM wp, LPARAM lp);
    void OnReceive();
    void Report(ConnectState state, CKesMessageIn& message);
    void Log(Level level, const std::string& text);

    KesWnd* mParent = nullptr;
    SOCKET mSocket = INVALID_SOCKET;
    ConnectState mState = NOCONNECT;
    CKesCircularBuffer* mRing = nullptr;
    CKesBaseFrame* mFrame = nullptr;
    char mReceiveCopy[KES_NET_BUFFER_SIZE];
    char* mSendBuffer = nullptr;
    char* mDecodeBuffer = nullptr;
};

}  // namespace kest2d
