// Sound around minimise and restore of the game window.
#include "frame/Kest2dBaseFrame.h"

namespace kest2d {

void CKesBaseFrame::PauseSoundsForMinimise() { PauseAllPlayingSounds(); }

void CKesBaseFrame::ResumeSoundsAfterRestore() { ResumePausedSounds(); }

}  // namespace kest2d
