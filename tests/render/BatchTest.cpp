// The quad batch, the scene bracket, window modes and device recovery, seen
// through a recording device.
#include <gtest/gtest.h>

#include "render/RenderFixture.h"

using namespace kest2d;
using namespace kest2d::test;
using platform::RenderCall;

namespace {

class Batch : public RenderFixture {
protected:
    void TearDown() override {
        platform::KesRenderSystem::ClearDisplayModesForTest();
        RenderFixture::TearDown();
    }
    DrawingFrame* StartRecording() {
        DrawingFrame* f = Start();
        f->Device().SetRecorder(&calls);
        return f;
    }
    // Primitive counts of the draws seen so far.
    std::vector<uint64_t> Draws(RenderCall::Op op = RenderCall::DRAW_INDEXED) const {
        std::vector<uint64_t> out;
        for (const RenderCall& c : calls)
            if (c.op == op) out.push_back(c.value);
        return out;
    }
    int Count(RenderCall::Op op) const {
        int n = 0;
        for (const RenderCall& c : calls) n += c.op == op;
        return n;
    }
    std::vector<RenderCall> calls;
};

}  // namespace

TEST_F(Batch, RectanglesAndLinesFlushWhenTheBufferIsFull) {
    DrawingFrame* f = StartRecording();
    Frame(f, [](DrawingFrame& fr) {
        for (int i = 0; i < 1251; ++i) fr.Draw2dRectangle(CKesRect<int>(0, 0, 2, 2), CKesColor(0xFFFFFFFF));
    });
    // Quads are drawn as two triangles each: 1250 quads, then 1.
    EXPECT_EQ((std::vector<uint64_t>{2500, 2}), Draws());
    calls.clear();
    Frame(f, [](DrawingFrame& fr) {
        for (int i = 0; i < 2501; ++i)
            fr.Draw2dLine(CKesPosition2d<int>(0, 0), CKesPosition2d<int>(3, 0), CKesColor(0xFFFFFFFF));
    });
    EXPECT_EQ((std::vector<uint64_t>{2500, 1}), Draws(RenderCall::DRAW));
}

TEST_F(Batch, ImagesAndRectanglesSwitchTextureAndBlendMode) {
    DrawingFrame* f = StartRecording();
    unsigned long t = MakeTexture(f, 4, 4, [](int, int) { return 0xFFFFFFFFu; });
    CKesPosition2d<int> a(0, 0), b(10, 10);
    calls.clear();
    Frame(f, [&](DrawingFrame& fr) {
        fr.Draw2dRectangle(CKesRect<int>(0, 0, 2, 2), CKesColor(0xFFFFFFFF));
        fr.Draw2DImage(t, a);
        fr.Draw2DImage(t, b);  // same texture: same draw
        fr.Draw2dRectangle(CKesRect<int>(0, 0, 2, 2), CKesColor(0xFFFFFFFF));
    });
    EXPECT_EQ((std::vector<uint64_t>{2, 4, 2}), Draws());
    // After the image batch the rectangle unbinds the texture and turns z
    // writing off again (blend mode 6 -> 2).
    std::vector<RenderCall> afterImages;
    bool seen = false;
    for (const RenderCall& c : calls) {
        if (c.op == RenderCall::DRAW_INDEXED && c.value == 4) seen = true;
        else if (seen && c.op != RenderCall::DRAW_INDEXED) afterImages.push_back(c);
        else if (seen) break;
    }
    ASSERT_EQ(2u, afterImages.size());
    EXPECT_EQ(RenderCall::SET_STATE, afterImages[0].op);
    EXPECT_EQ(platform::RS_ZWRITEENABLE, afterImages[0].arg);
    EXPECT_EQ(0u, afterImages[0].value);
    EXPECT_EQ(RenderCall::SET_TEXTURE, afterImages[1].op);
    EXPECT_EQ(0u, afterImages[1].value);
    EXPECT_EQ(1, Count(RenderCall::PRESENT));
}

TEST_F(Batch, SecondBeginSceneIsRefusedAndLogged) {
    DrawingFrame* f = Start();
    ASSERT_TRUE(f->BeginScene());
    EXPECT_FALSE(f->BeginScene());
    f->EndScene();
    EXPECT_NE(std::string::npos, ReadLog().find(Gbk("场景已经渲染过了。")));
}

TEST_F(Batch, AnEmptyFrameLeavesTheVertexBufferUnlocked) {
    DrawingFrame* f = Start();
    ASSERT_TRUE(f->BeginScene());
    EXPECT_TRUE(f->VertexBufferLocked());
    f->EndScene();
    EXPECT_FALSE(f->VertexBufferLocked());
    EXPECT_FALSE(f->SceneOpen());
    // Drawing outside a scene is ignored.
    f->Draw2dRectangle(CKesRect<int>(0, 0, 5, 5), CKesColor(0xFFFFFFFF));
    EXPECT_EQ(0, f->BatchCount());
}

TEST_F(Batch, RotateTurnsOnlyTheQuadTheLatestCallQueued) {
    DrawingFrame* f = Start();
    unsigned long t = MakeTexture(f, 4, 4, [](int, int) { return 0xFFFFFFFFu; });
    CKesRect<int> clip(0, 0, 10, 10);
    ASSERT_TRUE(f->BeginScene());
    f->Draw2dRectangle(CKesRect<int>(0, 0, 4, 4), CKesColor(0xFFFFFFFF));
    const KESVertex before = f->QueuedVertices()[0];
    const CKesPosition2d<int> p(50, 50), hot(0, 0);
    const CKesDimension2d<int> size(4, 4);
    // A texture-0 image and an image wholly clipped away queue nothing.
    f->Draw2DImage(0, CKesPosition2d<int>(0, 0), CKesRect<int>(0, 0, 4, 4), &clip);
    f->Rotate(90, p, size, hot, 1.0f, 1.0f);
    f->Draw2DImage(t, CKesPosition2d<int>(20, 20), CKesRect<int>(0, 0, 4, 4), &clip);
    f->Rotate(90, p, size, hot, 1.0f, 1.0f);
    EXPECT_EQ(before.x, f->QueuedVertices()[0].x);
    EXPECT_EQ(before.y, f->QueuedVertices()[0].y);
    // Angle 0 changes nothing; a line is not a quad.
    f->Draw2dRectangle(CKesRect<int>(0, 0, 4, 4), CKesColor(0xFFFFFFFF));
    f->Rotate(0, p, size, hot, 2.0f, 2.0f);
    EXPECT_EQ(0.0f, f->QueuedVertices()[4].x);
    f->Draw2dLine(CKesPosition2d<int>(0, 0), CKesPosition2d<int>(5, 5), CKesColor(0xFFFFFFFF));
    f->Rotate(90, p, size, hot, 1.0f, 1.0f);
    EXPECT_EQ(0.0f, f->QueuedVertices()[0].x);
    EXPECT_EQ(5.0f, f->QueuedVertices()[1].x);
    // A real quad: a vertical scale of 0 takes the horizontal one.
    f->Draw2dRectangle(CKesRect<int>(0, 0, 4, 4), CKesColor(0xFFFFFFFF));
    f->Rotate(180, p, size, hot, 2.0f, 0.0f);
    const KESVertex* q = f->QueuedVertices();
    EXPECT_NEAR(50.0f, q[0].x, 1e-3);
    EXPECT_NEAR(42.0f, q[2].x, 1e-3);  // (8, 8) turned half round
    EXPECT_NEAR(42.0f, q[2].y, 1e-3);
    f->EndScene();
}

TEST_F(Batch, WindowModeStartsWithoutAMatchingDisplayMode) {
    platform::DisplayMode desktop;
    desktop.width = 1024;
    desktop.height = 768;
    desktop.format = platform::FORMAT_X8R8G8B8;
    platform::KesRenderSystem::SetDisplayModesForTest(desktop, {desktop});
    DrawingFrame* f = Start(CKesDimension2d<int>(801, 600));
    ASSERT_NE(nullptr, f->GetRenderDevice());
    EXPECT_EQ(801, f->Device().BackBufferWidth());
    EXPECT_TRUE(f->CurrentParams().windowed);
    EXPECT_EQ(platform::FORMAT_X8R8G8B8, f->CurrentParams().backBufferFormat);
}

TEST_F(Batch, FullScreenTakesTheBestFormatOfThatSize) {
    platform::DisplayMode desktop, m565, m888, other;
    desktop.width = 1024;
    desktop.height = 768;
    desktop.format = platform::FORMAT_X8R8G8B8;
    m565.width = m888.width = 800;
    m565.height = m888.height = 600;
    m565.format = platform::FORMAT_R5G6B5;
    m888.format = platform::FORMAT_X8R8G8B8;
    other = m888;
    other.width = 640;
    other.format = platform::FORMAT_A8R8G8B8;
    platform::KesRenderSystem::SetDisplayModesForTest(desktop, {m565, other, m888});
    DrawingFrame* f = Start();
    f->SwitchScreenAndWindow();
    EXPECT_FALSE(f->IsWindowed());
    EXPECT_FALSE(f->CurrentParams().windowed);
    EXPECT_EQ(platform::FORMAT_X8R8G8B8, f->CurrentParams().backBufferFormat);
    EXPECT_FALSE(f->Device().GetParams().windowed);
    EXPECT_TRUE(f->HasBuffers());
    f->SwitchScreenAndWindow();
    EXPECT_TRUE(f->IsWindowed());
    EXPECT_TRUE(f->Device().GetParams().windowed);
    // Switching can be forbidden.
    f->SetSwitchGameMode(false);
    f->SwitchScreenAndWindow();
    EXPECT_TRUE(f->IsWindowed());
}

TEST_F(Batch, FullScreenWithoutAUsableModeStaysInTheWindowAndSaysSo) {
    platform::DisplayMode desktop, m24;
    desktop.width = 1024;
    desktop.height = 768;
    desktop.format = platform::FORMAT_X8R8G8B8;
    m24.width = 800;
    m24.height = 600;
    m24.format = platform::FORMAT_R8G8B8;  // rank 0
    platform::KesRenderSystem::SetDisplayModesForTest(desktop, {m24});
    DrawingFrame* f = Start();
    RECT before, after;
    f->GetWindowRect(&before);
    // The frame's mode is the device's: still a window, where it was.
    for (int attempt = 0; attempt < 2; ++attempt) {
        f->SwitchScreenAndWindow();
        EXPECT_TRUE(f->IsWindowed());
        EXPECT_TRUE(f->CurrentParams().windowed);
        EXPECT_TRUE(f->Device().GetParams().windowed);
        f->GetWindowRect(&after);
        EXPECT_EQ(before.left, after.left);
        EXPECT_EQ(before.top, after.top);
    }
    const std::string log = ReadLog(), line = Gbk("不能找到正确的全屏格式。");
    EXPECT_NE(log.find(line), log.rfind(line)) << "each attempt says so";
    // Window-mode operations go on working.
    f->ChangeGameFrameSize(CKesDimension2d<int>(640, 480));
    EXPECT_EQ(640, f->Device().BackBufferWidth());
    EXPECT_EQ(480, f->Device().BackBufferHeight());
    Frame(f, [](DrawingFrame& fr) { fr.Draw2dRectangle(CKesRect<int>(0, 0, 2, 2), CKesColor(0xFFFF0000)); });
    EXPECT_EQ(0xFFFF0000u, Px(f, 1, 1));
}

TEST_F(Batch, ChangeGameFrameSizeReplacesTheDevice) {
    DrawingFrame* f = Start();
    f->ChangeGameFrameSize(CKesDimension2d<int>(640, 480));
    EXPECT_EQ(640, f->Device().BackBufferWidth());
    EXPECT_EQ(480, f->Device().BackBufferHeight());
    EXPECT_EQ(CKesDimension2d<int>(640, 480), f->getScreenSize());
    Frame(f, [](DrawingFrame& fr) { fr.Draw2dRectangle(CKesRect<int>(630, 470, 640, 480), CKesColor(0xFF00FF00)); });
    EXPECT_EQ(0xFF00FF00u, Px(f, 639, 479));
    // The same size, or full screen: nothing.
    platform::KesRenderDevice* device = f->GetRenderDevice();
    f->ChangeGameFrameSize(CKesDimension2d<int>(640, 480));
    EXPECT_EQ(device, f->GetRenderDevice());
}

TEST_F(Batch, DeviceRecoveryOnTheFrameTick) {
    DrawingFrame* f = StartRecording();
    platform::RunFor(15);
    ASSERT_EQ(1, f->drawScenes);
    // Lost but not yet resettable: the frame is still rendered.
    f->Device().SetCooperativeLevelForTest(platform::RENDER_DEVICE_LOST);
    platform::RunFor(10);
    EXPECT_EQ(2, f->drawScenes);
    EXPECT_EQ(0, Count(RenderCall::RESET));
    // Resettable: the next tick resets and draws.
    f->Device().SetCooperativeLevelForTest(platform::RENDER_DEVICE_NOT_RESET);
    platform::RunFor(10);
    EXPECT_EQ(1, Count(RenderCall::RESET));
    EXPECT_EQ(3, f->drawScenes);
    EXPECT_EQ(platform::RENDER_OK, f->Device().TestCooperativeLevel());
    // When the buffers cannot be made again, the tick draws nothing.
    f->Device().SetFailBufferCreationForTest(true);
    f->Device().SetCooperativeLevelForTest(platform::RENDER_DEVICE_NOT_RESET);
    platform::RunFor(10);
    EXPECT_EQ(3, f->drawScenes);
    EXPECT_FALSE(f->HasBuffers());
    EXPECT_NE(std::string::npos, ReadLog().find(Gbk("不能正确地建立D3D顶点缓冲区。")));
    // A later reset that succeeds brings drawing back.
    f->Device().SetFailBufferCreationForTest(false);
    f->Device().SetCooperativeLevelForTest(platform::RENDER_DEVICE_NOT_RESET);
    EXPECT_TRUE(f->RestoreD3D());
    EXPECT_TRUE(f->HasBuffers());
}

TEST(RenderWithoutDevice, RestoreAndDrawingDoNothing) {
    test::DrawingFrame f;
    EXPECT_TRUE(f.RestoreD3D());
    EXPECT_FALSE(f.BeginScene());
    f.Draw2dRectangle(CKesRect<int>(0, 0, 5, 5), CKesColor(0xFFFFFFFF));
    f.EndScene();
    f.Snapshot("");
    EXPECT_EQ(nullptr, f.GetRenderDevice());
}
