// A game window whose host drawing is set by the test, with access to the
// renderer's state, and helpers to draw one frame and read it back.
#pragma once

#include <functional>
#include <string>
#include <vector>

#include "support/FrameFixture.h"

namespace kest2d {
namespace test {

class DrawingFrame : public CKesBaseFrame {
public:
    DrawingFrame() : CKesBaseFrame(nullptr) {}
    void DrawScene() override {
        ++drawScenes;
        if (draw) draw(*this);
    }
    void OnProcessGameTimer(unsigned int id) override { gameTimers.push_back(id); }

    platform::KesRenderDevice& Device() { return *GetRenderDevice(); }
    bool VertexBufferLocked() const { return mVertexBuffer && mVertexBuffer->IsLocked(); }
    bool HasBuffers() const { return mVertexBuffer && mIndexBuffer; }
    bool SceneOpen() const { return mVertexPtr != nullptr; }
    const platform::PresentParams& CurrentParams() const { return *mCurrentParams; }
    const platform::PresentParams& FullScreenParams() const { return mFullScreenParams; }
    const KESVertex* QueuedVertices() const { return mVertexPtr; }
    int BatchCount() const { return mBatchCount; }
    using CKesBaseFrame::DrawLogoTexture;
    using CKesBaseFrame::GetLogoTexture;
    void SetLogo(unsigned long tex) { mLogoTexture = tex; }

    std::function<void(DrawingFrame&)> draw;
    int drawScenes = 0;
    std::vector<unsigned> gameTimers;
};

class RenderFixture : public FrameFixture {
protected:
    DrawingFrame* Start(CKesDimension2d<int> size = CKesDimension2d<int>(800, 600)) {
        return StartFrame<DrawingFrame>("", size);
    }
    // Clears to black, runs `body` inside one scene and presents it.
    static void Frame(DrawingFrame* f, const std::function<void(DrawingFrame&)>& body) {
        f->Clear(CKesColor(0xFF000000));
        ASSERT_TRUE(f->BeginScene());
        body(*f);
        f->EndScene();
    }
    static DWORD Px(DrawingFrame* f, int x, int y) { return f->Device().ReadPixel(x, y) | 0xFF000000u; }
    // A texture filled by `texel(x, y)`.
    static unsigned long MakeTexture(CKesBaseFrame* f, int w, int h, const std::function<DWORD(int, int)>& texel,
                                     const char* name = "test") {
        unsigned long t = f->CreateTexture(name, w, h);
        DWORD* p = f->LockTexture(t, false, 0, 0, w, h);
        for (int y = 0; y < h; ++y)
            for (int x = 0; x < w; ++x) p[y * w + x] = texel(x, y);
        f->UnLockTexture(t);
        return t;
    }
};

// True when every colour channel of a and b differs by at most `tolerance`.
inline bool Near(DWORD a, DWORD b, int tolerance = 1) {
    for (int s = 0; s < 32; s += 8) {
        int d = static_cast<int>((a >> s) & 0xFF) - static_cast<int>((b >> s) & 0xFF);
        if (d > tolerance || d < -tolerance) return false;
    }
    return true;
}

}  // namespace test
}  // namespace kest2d
