// Input: window messages become engine events.
#include "frame/Kest2dBaseFrame.h"

namespace kest2d {

bool CKesBaseFrame::PreTranslateMessage(MSG* /*msg*/) { return false; }

bool CKesBaseFrame::postEventFromUser(const CKesEvent& event) {
    return CKesBaseGUIContainer::postEventFromUser(event);
}

void CKesBaseFrame::OnMouseMove(UINT /*flags*/, int /*x*/, int /*y*/) {}

void CKesBaseFrame::OnMouseLeave() {}

}  // namespace kest2d
