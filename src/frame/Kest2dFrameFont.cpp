// The font registry.
#include "frame/Kest2dBaseFrame.h"

namespace kest2d {

void CKesBaseFrame::ClearAllFonts() {}

}  // namespace kest2d
