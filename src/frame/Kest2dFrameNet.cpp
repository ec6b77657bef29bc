// The socket layer's start and stop, and the frame's side of the game server
// connection.
#include "lua.h"

#include "frame/Kest2dBaseFrame.h"
#include "frame/Kest2dLifetime.h"
#include "platform/KesClock.h"
#include "platform/KesSocket.h"

namespace kest2d {

bool CKesBaseFrame::InitWinSocket() {
    WSADATA data;
    if (winsock::WSAStartup(MAKEWORD(2, 2), &data) != 0) return false;
    if (LOBYTE(data.wVersion) != 2 || HIBYTE(data.wVersion) != 2) {
        winsock::WSACleanup();
        return false;
    }
    mWinSocketStarted = true;
    Sleep(1);
    mSocketClient.SetBaseFrame(this);
    return true;
}

void CKesBaseFrame::ShutdownWinSocket() {
    // Nothing of a closing connection may reach a frame on its way out.
    mSocketClient.SetBaseFrame(nullptr);
    mSocketClient.CloseConnect();
    if (mWinSocketStarted) {
        winsock::WSACleanup();
        mWinSocketStarted = false;
    }
}

bool CKesBaseFrame::Connect(std::string host, int port) { return mSocketClient.Connect(host, port); }

int CKesBaseFrame::Send(CKesMessageOut& message) { return mSocketClient.Send(message); }

void CKesBaseFrame::CloseConnect() { mSocketClient.CloseConnect(); }

void CKesBaseFrame::OnProcessNetMessage(ConnectState state, CKesMessageIn& message) {
    CallScriptNetwork(state, message);
}

// "OnProcessGameNetwork"(state, message): the message as light user data,
// valid only during the call.
void CKesBaseFrame::CallScriptNetwork(ConnectState state, CKesMessageIn& message) {
    if (!mLuaState) return;
    const lifetime::RecordScope live(&message, lifetime::Kind::Message);
    CallScriptFunction("OnProcessGameNetwork", [state, &message](lua_State* L) {
        lua_pushinteger(L, static_cast<lua_Integer>(state));
        lua_pushlightuserdata(L, &message);
        return 2;
    });
}

}  // namespace kest2d
