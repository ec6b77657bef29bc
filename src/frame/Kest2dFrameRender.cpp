// The renderer: device, window modes, the frame tick and the scene.
#include "frame/Kest2dBaseFrame.h"
#include "platform/KesClock.h"
#include "platform/KesVideo.h"

namespace kest2d {

bool CKesBaseFrame::InitD3D(int /*width*/, int /*height*/, bool /*windowed*/) {
    if (mUpdateState == UPDATE_NULL) OnProcessGameUpdate();
    ReLoadGameResources();
    return true;
}

void CKesBaseFrame::ShutdownRenderer() {}

void CKesBaseFrame::FrameTick() {
    if (gVideoManager) {
        DWORD now = GetTickCount();
        if (!mVideoTickStarted) {
            mVideoTickStarted = true;
            mLastVideoTick = now;
        }
        float dt = static_cast<float>(static_cast<DWORD>(now - mLastVideoTick)) * 0.001f;
        mLastVideoTick = now;
        if (dt > 0.25f) dt = 0.05f;
        gVideoManager->update(dt);
    }
    RenderScene();
}

void CKesBaseFrame::RenderScene() {
    DrawScene();
    if (mGUILoaded) {
        OnProcessPostUpdate();
        Draw();
    }
}

void CKesBaseFrame::OnPaint() {}

void CKesBaseFrame::OnSize(UINT /*type*/, int /*cx*/, int /*cy*/) {}

}  // namespace kest2d

namespace kest2d {

bool CKesBaseFrame::BeginScene() { return false; }
void CKesBaseFrame::EndScene() {}
void CKesBaseFrame::Draw2dLine(const CKesPosition2d<int>&, const CKesPosition2d<int>&, CKesColor) {}
void CKesBaseFrame::Draw2dRectangle(const CKesRect<int>&, CKesColor, CKesColor, CKesColor, CKesColor,
                                    const CKesRect<int>*) {}
void CKesBaseFrame::Draw2dRectangle(const CKesRect<int>& rect, CKesColor colour, const CKesRect<int>* clip) {
    Draw2dRectangle(rect, colour, colour, colour, colour, clip);
}
void CKesBaseFrame::Rotate(int, CKesPosition2d<int>, CKesDimension2d<int>, CKesPosition2d<int>, float, float) {}

}  // namespace kest2d
