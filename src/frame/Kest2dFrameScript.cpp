// The script host: the Lua state, the main script and its callbacks.
#include "frame/Kest2dBaseFrame.h"

namespace kest2d {

void CKesBaseFrame::InitScriptSystem() {}

void CKesBaseFrame::DestroyScriptSystem() {}

void CKesBaseFrame::RunMainScript() {}

void CKesBaseFrame::CallScriptGameTimer(unsigned int /*id*/) {}

void CKesBaseFrame::OnProcessGameUpdate() { mUpdateState = UPDATE_COMPLETE; }

void CKesBaseFrame::ReLoadGameResources() {
    if (mUpdateState != UPDATE_COMPLETE) return;
    LoadResources();
}

bool CKesBaseFrame::OnProcessEvent(const CKesEvent& event) {
    if (event.mEventType == KESET_GUI_EVENT && event.mGuiEvent.EventType == KESGET_BUTTON_CLICKED &&
        event.mGuiEvent.Caller) {
        switch (event.mGuiEvent.Caller->GetID()) {
        case 10006:
            MinGameFrame();
            break;
        case 10009:
            CloseGameFrame(10009);
            break;
        default:
            break;
        }
    }
    return true;
}

}  // namespace kest2d
