// The texture table.
#include "frame/Kest2dBaseFrame.h"

namespace kest2d {

unsigned long CKesBaseFrame::LoadTexture(const char*, unsigned long) { return 0; }
unsigned long CKesBaseFrame::CreateTexture(const char*, int, int) { return 0; }
void CKesBaseFrame::FreeTexture(unsigned long) {}
int CKesBaseFrame::GetTextureWidth(unsigned long, bool) { return 0; }
int CKesBaseFrame::GetTextureHeight(unsigned long, bool) { return 0; }
CKesColor CKesBaseFrame::GetTexColor(unsigned long, int, int) { return CKesColor(0xFF000000); }
DWORD* CKesBaseFrame::LockTexture(unsigned long, bool, int, int, int, int) { return nullptr; }
void CKesBaseFrame::UnLockTexture(unsigned long) {}
void CKesBaseFrame::ClearAllTextures() {}
void CKesBaseFrame::Draw2DImage(unsigned long, CKesPosition2d<int>&, CKesColor) {}
void CKesBaseFrame::Draw2DImage(unsigned long, const CKesPosition2d<int>&, const CKesRect<int>&, const CKesRect<int>*,
                                CKesColor) {}
void CKesBaseFrame::Draw2DImage(unsigned long, const CKesRect<int>&, const CKesRect<int>&, const CKesRect<int>*,
                                CKesColor) {}

}  // namespace kest2d
