// Resources and ".pak" archives.
#include "frame/Kest2dBaseFrame.h"

namespace kest2d {

void CKesBaseFrame::LoadGameResourcesFromCurDir() {}

void CKesBaseFrame::ClearAllPackagers() {}

}  // namespace kest2d
