// The renderer: device, window modes, the frame tick, the scene and the quad
// batch with lines and rectangles.
#include <cmath>
#include <cstddef>
#include <cstdio>
#include <cstring>

#include "frame/Kest2dBaseFrame.h"
#include "render/Kest2dBatch.h"
#include "platform/KesClock.h"
#include "platform/KesFiles.h"
#include "platform/KesImage.h"
#include "platform/KesVideo.h"

namespace kest2d {

static_assert(sizeof(KESVertex) == sizeof(platform::RenderVertex), "the batch vertex is the device's vertex");
static_assert(offsetof(KESVertex, col) == offsetof(platform::RenderVertex, col), "vertex layout");
static_assert(offsetof(KESVertex, tx) == offsetof(platform::RenderVertex, tx), "vertex layout");

// ---- Device and window modes ----

int CKesBaseFrame::Format_Id(platform::PixelFormat format) {
    switch (format) {
    case platform::FORMAT_A8R8G8B8: return 5;
    case platform::FORMAT_X8R8G8B8: return 4;
    case platform::FORMAT_A1R5G5B5: return 3;
    case platform::FORMAT_X1R5G5B5: return 2;
    case platform::FORMAT_R5G6B5: return 1;
    default: return 0;
    }
}

// Points the device at the present parameters of the frame's mode. Full
// screen needs a display mode of exactly the back buffer's size, the best
// format of that size winning; without one the frame stays in a window and
// says so, so that the frame's mode is always the device's. False when full
// screen was asked for and could not be had.
bool CKesBaseFrame::SelectScreenMode() {
    if (!mWindowed) {
        platform::PixelFormat best = platform::FORMAT_UNKNOWN;
        const int count = platform::KesRenderSystem::GetAdapterModeCount();
        for (int i = 0; i < count; ++i) {
            platform::DisplayMode mode;
            if (!platform::KesRenderSystem::EnumAdapterModes(i, &mode)) continue;
            if (mode.width != mFullScreenParams.backBufferWidth || mode.height != mFullScreenParams.backBufferHeight)
                continue;
            if (Format_Id(mode.format) > Format_Id(best)) best = mode.format;
        }
        if (best == platform::FORMAT_UNKNOWN) {
            if (CKesLogger::admits(ERRORR)) SystemLog(ERRORR, "不能找到正确的全屏格式。");
            mWindowed = true;
            mCurrentParams = &mWindowedParams;
            return false;
        }
        mFullScreenParams.backBufferFormat = best;
    }
    mCurrentParams = mWindowed ? &mWindowedParams : &mFullScreenParams;
    return true;
}

bool CKesBaseFrame::InitD3D(int width, int height, bool windowed) {
    mWindowed = windowed;
    mD3D.reset(new platform::KesRenderSystem());
    if (!CreateD3DScreenOrWindow(width, height, mWindowed)) return false;
    SetProjectionMatrix(width, height);
    mViewMatrix = platform::Matrix4::Identity();
    if (!InitVertexBufferAndIndexBuffer()) return false;
    mD3DDevice->Clear(0);
    LoadDefaultFont();
    if (mUpdateState == UPDATE_NULL) OnProcessGameUpdate();
    ReLoadGameResources();
    return true;
}

bool CKesBaseFrame::CreateD3DScreenOrWindow(int width, int height, bool /*windowed*/) {
    platform::DisplayMode desktop;
    if (!platform::KesRenderSystem::GetAdapterDisplayMode(&desktop) || desktop.format == platform::FORMAT_UNKNOWN) {
        if (CKesLogger::admits(ERRORR)) SystemLog(ERRORR, "不能正确地得到屏幕模式。");
        return false;
    }
    mWindowedParams = platform::PresentParams();
    mWindowedParams.backBufferWidth = width;
    mWindowedParams.backBufferHeight = height;
    mWindowedParams.backBufferFormat = desktop.format;
    mWindowedParams.backBufferCount = 1;
    mWindowedParams.swapEffect = platform::SWAP_COPY;
    mWindowedParams.deviceWindow = this;
    mWindowedParams.windowed = true;
    mWindowedParams.enableAutoDepthStencil = true;

    mFullScreenParams = mWindowedParams;
    mFullScreenParams.swapEffect = platform::SWAP_FLIP;
    mFullScreenParams.windowed = false;
    mFullScreenParams.presentImmediately = true;

    // A full-screen mode is only looked for when the game wants full screen:
    // window mode starts on any display.
    SelectScreenMode();

    // The earlier device (a size change) goes before the new one is made.
    mD3DDevice.reset();
    std::string error;
    mD3DDevice = platform::KesRenderDevice::Create(*mCurrentParams, &error);
    if (!mD3DDevice) {
        if (CKesLogger::admits(ERRORR)) SystemLog(ERRORR, "不能正确地建立D3D设备。");
        return false;
    }
    return true;
}

void CKesBaseFrame::SetProjectionMatrix(int width, int height) {
    // Pixel (x, y) of the client area, y downwards, onto the device's -1..1;
    // whole pixel coordinates land on whole pixels.
    mProjectionMatrix = platform::Matrix4::Scaling(1.0f, -1.0f, 1.0f) *
                        platform::Matrix4::Translation(0.0f, static_cast<float>(height), 0.0f) *
                        platform::Matrix4::OrthoOffCenterLH(0.0f, static_cast<float>(width), 0.0f,
                                                            static_cast<float>(height), 0.0f, 1.0f);
}

bool CKesBaseFrame::RecoverDevice() {
    if (!mD3DDevice || mD3DDevice->TestCooperativeLevel() != platform::RENDER_DEVICE_NOT_RESET) return true;
    ShutdownVertexAndIndexBuffer();
    mD3DDevice->Reset(*mCurrentParams);
    return InitVertexBufferAndIndexBuffer();
}

bool CKesBaseFrame::RestoreD3D() { return RecoverDevice(); }

void CKesBaseFrame::OnPaint() { RecoverDevice(); }

void CKesBaseFrame::OnSize(UINT /*type*/, int /*cx*/, int /*cy*/) {
    mWindowedParams.backBufferWidth = mScreenWidth;
    mWindowedParams.backBufferHeight = mScreenHeight;
    SetProjectionMatrix(mScreenWidth, mScreenHeight);
    RecoverDevice();
}

void CKesBaseFrame::SwitchScreenAndWindow() {
    if (!mSwitchGameMode) return;
    mWindowed = !mWindowed;
    // No full-screen mode of the frame's size: the window stays as it is.
    if (!SelectScreenMode()) return;
    SetWindowPos(nullptr, 0, 0, mScreenWidth, mScreenHeight, SWP_NOZORDER | SWP_SHOWWINDOW);
    ShutdownVertexAndIndexBuffer();
    if (mD3DDevice) mD3DDevice->Reset(*mCurrentParams);
    InitVertexBufferAndIndexBuffer();
    if (mWindowed) {
        CenterWindow();
        ShowWindow(SW_SHOWNORMAL);
    } else {
        ShowWindow(SW_SHOW);
    }
}

void CKesBaseFrame::ChangeGameFrameSize(CKesDimension2d<int> size) {
    if ((size.Width == mScreenWidth && size.Height == mScreenHeight) || !mWindowed) return;
    if (size.Width <= 0 || size.Height <= 0) return;
    mScreenWidth = size.Width;
    mScreenHeight = size.Height;
    SetWindowPos(nullptr, 0, 0, size.Width, size.Height, SWP_NOMOVE | SWP_NOZORDER);
    CenterWindow();
    ShutdownVertexAndIndexBuffer();
    // The old device is released before its replacement is made.
    CreateD3DScreenOrWindow(size.Width, size.Height, mWindowed);
    SetProjectionMatrix(size.Width, size.Height);
    mViewMatrix = platform::Matrix4::Identity();
    InitVertexBufferAndIndexBuffer();
}

CKesDimension2d<int> CKesBaseFrame::getScreenSize() {
    RECT rc;
    GetClientRect(&rc);
    return CKesDimension2d<int>(rc.right - rc.left, rc.bottom - rc.top);
}

void CKesBaseFrame::Clear(CKesColor colour) {
    if (mD3DDevice) mD3DDevice->Clear(colour.color);
}

void CKesBaseFrame::ShutdownD3D() {
    mD3DDevice.reset();
    mD3D.reset();
}

void CKesBaseFrame::ShutdownRenderer() {
    ShutdownVertexAndIndexBuffer();
    ClearAllTextures();
    ShutdownD3D();
}

// ---- Buffers and device states ----

bool CKesBaseFrame::InitVertexBufferAndIndexBuffer() {
    if (!mD3DDevice) return false;
    using namespace platform;
    mVertexBuffer = mD3DDevice->CreateVertexBuffer(kBatchVertices * sizeof(KESVertex));
    if (!mVertexBuffer) {
        if (CKesLogger::admits(ERRORR)) SystemLog(ERRORR, "不能正确地建立D3D顶点缓冲区。");
        return false;
    }
    mD3DDevice->SetStreamSource(mVertexBuffer.get());
    mIndexBuffer = mD3DDevice->CreateIndexBuffer(kQuadCapacity * 6 * sizeof(uint16_t));
    if (!mIndexBuffer) {
        if (CKesLogger::admits(ERRORR)) SystemLog(ERRORR, "不能正确地建立D3D索引缓冲区。");
        mD3DDevice->SetStreamSource(nullptr);
        mVertexBuffer.reset();
        return false;
    }
    uint16_t* idx = static_cast<uint16_t*>(mIndexBuffer->Lock());
    for (int q = 0; q < kQuadCapacity; ++q) {
        const uint16_t v = static_cast<uint16_t>(q * 4);
        uint16_t* o = idx + q * 6;
        o[0] = v;
        o[1] = static_cast<uint16_t>(v + 1);
        o[2] = static_cast<uint16_t>(v + 2);
        o[3] = static_cast<uint16_t>(v + 2);
        o[4] = static_cast<uint16_t>(v + 3);
        o[5] = v;
    }
    mIndexBuffer->Unlock();
    mD3DDevice->SetIndices(mIndexBuffer.get());

    mD3DDevice->SetRenderState(RS_CULLMODE, CULL_NONE);
    mD3DDevice->SetRenderState(RS_LIGHTING, 0);
    mD3DDevice->SetRenderState(RS_ALPHABLENDENABLE, 1);
    mD3DDevice->SetRenderState(RS_SRCBLEND, BLEND_SRCALPHA);
    mD3DDevice->SetRenderState(RS_DESTBLEND, BLEND_INVSRCALPHA);
    mD3DDevice->SetRenderState(RS_ALPHATESTENABLE, 1);
    mD3DDevice->SetRenderState(RS_ALPHAREF, 1);
    mD3DDevice->SetRenderState(RS_ALPHAFUNC, CMP_GREATEREQUAL);
    mD3DDevice->SetTextureStageState(TSS_COLOROP, TOP_MODULATE);
    mD3DDevice->SetTextureStageState(TSS_COLORARG1, TA_TEXTURE);
    mD3DDevice->SetTextureStageState(TSS_COLORARG2, TA_DIFFUSE);
    mD3DDevice->SetTextureStageState(TSS_ALPHAOP, TOP_MODULATE);
    mD3DDevice->SetTextureStageState(TSS_ALPHAARG1, TA_TEXTURE);
    mD3DDevice->SetTextureStageState(TSS_ALPHAARG2, TA_DIFFUSE);
    mD3DDevice->SetTextureStageState(TSS_MIPFILTER, TEXF_POINT);
    mD3DDevice->SetTextureStageState(TSS_MAGFILTER, TEXF_LINEAR);
    mD3DDevice->SetTextureStageState(TSS_MINFILTER, TEXF_LINEAR);

    mBatchCount = 0;
    mBatchKind = kKindQuads;
    mBlendMode = kBlendUntextured;
    mBatchTexture = 0;
    mBatchTextureRef.reset();
    mD3DDevice->SetTexture(nullptr);
    mLastQuad.valid = false;

    mD3DDevice->SetTransform(TS_VIEW, mViewMatrix);
    mD3DDevice->SetTransform(TS_PROJECTION, mProjectionMatrix);
    return true;
}

void CKesBaseFrame::ShutdownVertexAndIndexBuffer() {
    if (mIndexBuffer) {
        if (mD3DDevice) mD3DDevice->SetIndices(nullptr);
        mIndexBuffer.reset();
    }
    if (mVertexBuffer) {
        if (mVertexPtr) {
            mVertexBuffer->Unlock();
            mVertexPtr = nullptr;
        }
        if (mD3DDevice) mD3DDevice->SetStreamSource(nullptr);
        mVertexBuffer.reset();
    }
    mVertexPtr = nullptr;
    mBatchCount = 0;
    mLastQuad.valid = false;
}

void CKesBaseFrame::SetBlendMode(int mode) {
    if (!mD3DDevice) return;
    using namespace platform;
    const int changed = mode ^ mBlendMode;
    if (changed & 2)
        mD3DDevice->SetRenderState(RS_DESTBLEND, (mode & 2) ? BLEND_INVSRCALPHA : BLEND_ONE);
    if (changed & 4) mD3DDevice->SetRenderState(RS_ZWRITEENABLE, (mode & 4) ? 1 : 0);
    if (changed & 1) mD3DDevice->SetTextureStageState(TSS_COLOROP, (mode & 1) ? TOP_ADD : TOP_MODULATE);
    mBlendMode = mode;
}

// ---- The scene ----

bool CKesBaseFrame::BeginScene() {
    if (!mD3DDevice || !mVertexBuffer) return false;
    if (mVertexPtr) {
        if (CKesLogger::admits(ERRORR)) SystemLog(ERRORR, "场景已经渲染过了。");
        return false;
    }
    mD3DDevice->BeginScene();
    mVertexPtr = static_cast<KESVertex*>(mVertexBuffer->Lock());
    mBatchCount = 0;
    mLastQuad.valid = false;
    return true;
}

void CKesBaseFrame::Render_batch(bool endScene) {
    // Quads sent to the device can no longer be turned.
    mLastQuad.valid = false;
    if (!mVertexPtr) return;
    if (mBatchCount == 0) {
        // Nothing to draw; at the end of the scene the buffer is still unlocked.
        if (endScene) mVertexBuffer->Unlock();
        return;
    }
    mVertexBuffer->Unlock();
    switch (mBatchKind) {
    case kKindLines:
        mD3DDevice->DrawPrimitive(platform::PT_LINELIST, 0, mBatchCount);
        break;
    case kKindTriangles:
        mD3DDevice->DrawPrimitive(platform::PT_TRIANGLELIST, 0, mBatchCount);
        break;
    case kKindQuads:
        mD3DDevice->DrawIndexedPrimitive(0, mBatchCount * 4, 0, mBatchCount * 2);
        break;
    default:
        break;
    }
    mBatchCount = 0;
    if (!endScene) mVertexPtr = static_cast<KESVertex*>(mVertexBuffer->Lock());
}

void CKesBaseFrame::EndScene() {
    if (!mVertexPtr) return;
    Render_batch(true);
    mD3DDevice->EndScene();
    mD3DDevice->Present();
    mVertexPtr = nullptr;
}

void CKesBaseFrame::RenderScene() {
    if (!mD3DDevice) return;
    mD3DDevice->Clear(0);
    BeginScene();
    DrawScene();
    if (mGUILoaded) {
        OnProcessPostUpdate();
        Draw();
    }
    if (mVertexPtr) EndScene();
}

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
        mFrameDelta = dt;
        gVideoManager->update(dt);
    }
    // A device waiting for a reset is reset here; when its buffers cannot be
    // made again this tick draws nothing.
    if (mD3DDevice && !RecoverDevice()) return;
    RenderScene();
}

// ---- The batch ----

int CKesBaseFrame::BatchSlot(int kind, unsigned long texture, const std::shared_ptr<platform::KesTexture>& ref,
                             int blendMode) {
    if (!mVertexPtr) return -1;
    const int capacity = kind == kKindLines ? kLineCapacity : kQuadCapacity;
    if (mBatchKind != kind || mBatchCount >= capacity || mBatchTexture != texture || mBlendMode != blendMode) {
        Render_batch(false);
        mBatchKind = kind;
        if (mBlendMode != blendMode) SetBlendMode(blendMode);
        if (mBatchTexture != texture) {
            mD3DDevice->SetTexture(ref);
            mBatchTexture = texture;
            mBatchTextureRef = ref;
        }
    }
    const int perPrimitive = kind == kKindLines ? 2 : 4;
    const int at = mBatchCount * perPrimitive;
    ++mBatchCount;
    return at;
}

void CKesBaseFrame::Draw2dLine(const CKesPosition2d<int>& start, const CKesPosition2d<int>& end, CKesColor colour) {
    mLastQuad.valid = false;
    const int at = BatchSlot(kKindLines, 0, nullptr, kBlendUntextured);
    if (at < 0) return;
    KESVertex* v = mVertexPtr + at;
    v[0] = KESVertex{static_cast<float>(start.X), static_cast<float>(start.Y), 0.0f, colour.color, 0.0f, 0.0f};
    v[1] = KESVertex{static_cast<float>(end.X), static_cast<float>(end.Y), 0.0f, colour.color, 0.0f, 0.0f};
}

void CKesBaseFrame::Draw2dRectangle(const CKesRect<int>& rect, CKesColor upperLeft, CKesColor upperRight,
                                    CKesColor lowerLeft, CKesColor lowerRight, const CKesRect<int>* clip) {
    mLastQuad.valid = false;
    if (!mVertexPtr) return;
    auto corners = [&](const CKesRect<int>& r, KESVertex (&v)[4]) {
        const float l = static_cast<float>(r.UpperLeftCorner.X), t = static_cast<float>(r.UpperLeftCorner.Y);
        const float rr = static_cast<float>(r.LowerRightCorner.X), b = static_cast<float>(r.LowerRightCorner.Y);
        v[0] = KESVertex{l, t, 0.0f, upperLeft.color, 0.0f, 0.0f};
        v[1] = KESVertex{l, b, 0.0f, lowerLeft.color, 0.0f, 0.0f};
        v[2] = KESVertex{rr, b, 0.0f, lowerRight.color, 0.0f, 0.0f};
        v[3] = KESVertex{rr, t, 0.0f, upperRight.color, 0.0f, 0.0f};
    };
    KESVertex whole[4];
    corners(rect, whole);
    CKesRect<int> r = rect;
    if (clip) r.clipAgainst(*clip);
    int queued = -1;
    if (r.LowerRightCorner.X >= r.UpperLeftCorner.X && r.LowerRightCorner.Y >= r.UpperLeftCorner.Y) {
        KESVertex v[4];
        corners(r, v);
        queued = QueueQuad(0, nullptr, kBlendUntextured, v);
    }
    KeepWholeQuad(0, kBlendUntextured, queued, whole, clip);
}

void CKesBaseFrame::Draw2dRectangle(const CKesRect<int>& rect, CKesColor colour, const CKesRect<int>* clip) {
    Draw2dRectangle(rect, colour, colour, colour, colour, clip);
}

// ---- Screenshot ----

void CKesBaseFrame::Snapshot(std::string file) {
    if (file.empty()) {
        // The first number that is not taken.
        char name[64];
        int n = 0;
        for (; n < 1000; ++n) {
            std::snprintf(name, sizeof(name), "screenshot\\shot%03d.jpg", n);
            if (!platform::FileExists(name)) break;
        }
        if (n == 1000) {
            if (CKesLogger::admits(WARN)) SystemLog(WARN, "截图编号已用完: screenshot\\shot999.jpg");
            return;
        }
        file = name;
    }
    if (!mD3DDevice) return;
    const std::string disk = platform::DiskPath(file);
    const size_t slash = disk.find_last_of('/');
    if (slash != std::string::npos && slash > 0) platform::MakeDirectories(disk.substr(0, slash));
    const uint32_t* pixels = mD3DDevice->BackBufferPixels();
    std::string error;
    if (!platform::SaveImage(disk, pixels, mD3DDevice->BackBufferWidth(), mD3DDevice->BackBufferHeight(),
                             mD3DDevice->BackBufferWidth(), &error)) {
        if (CKesLogger::admits(ERRORR)) SystemLog(ERRORR, "截图保存失败:" + file + " " + error);
    }
}

}  // namespace kest2d
