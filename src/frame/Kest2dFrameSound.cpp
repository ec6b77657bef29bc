// Music and sound effects.
#include "frame/Kest2dBaseFrame.h"

namespace kest2d {

void CKesBaseFrame::InitSoundSystem() {}

void CKesBaseFrame::ShutdownSoundSystem() {}

}  // namespace kest2d
