// The socket layer's start and stop.
#include "frame/Kest2dBaseFrame.h"
#include "platform/KesClock.h"

namespace kest2d {

bool CKesBaseFrame::InitWinSocket() {
    Sleep(1);
    return true;
}

void CKesBaseFrame::ShutdownWinSocket() {}

}  // namespace kest2d
