// Sound around minimise and restore of the game window.
#include "frame/Kest2dBaseFrame.h"

namespace kest2d {

void CKesBaseFrame::PauseSoundsForMinimise() {}

void CKesBaseFrame::ResumeSoundsAfterRestore() {}

}  // namespace kest2d
