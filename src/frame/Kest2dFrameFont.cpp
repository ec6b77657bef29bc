// The font registry.
#include "frame/Kest2dBaseFrame.h"

namespace kest2d {

void CKesBaseFrame::ClearAllFonts() {}

void CKesBaseFrame::DrawString(const char*, const CKesRect<int>&, CKesColor, bool, bool, const CKesRect<int>*) {}

CKesDimension2d<int> CKesBaseFrame::GetTextDimension(const char*) { return CKesDimension2d<int>(0, 0); }

}  // namespace kest2d
