// The render device: a small software stand-in for the 3D device the engine
// was designed around. The picture is a 32-bit ARGB framebuffer in memory;
// triangles and lines are queued and filled by our own rasteriser on all
// cores when the scene ends or the picture is read. Present copies the picture
// to the window when there is a display; headless it only stays readable.
//
// Textures are our own objects whose CPU pixels are the truth: they can be made
// on any thread, and the device samples them directly.
#pragma once

#include <atomic>
#include <cstdint>
#include <memory>
#include <string>
#include <vector>

#include "platform/KesWinTypes.h"

namespace kest2d {

class KesWnd;

namespace platform {

struct RasterState;
struct RasterVertex;

// ---- Results ----
enum RenderResult : uint32_t {
    RENDER_OK = 0,
    RENDER_DEVICE_LOST = 0x88760868,
    RENDER_DEVICE_NOT_RESET = 0x88760869,
    RENDER_INVALID_CALL = 0x8876086C,
    RENDER_OUT_OF_MEMORY = 0x8007000E,
};

// ---- Pixel formats of display modes and back buffers ----
enum PixelFormat {
    FORMAT_UNKNOWN = 0,
    FORMAT_R8G8B8 = 20,
    FORMAT_A8R8G8B8 = 21,
    FORMAT_X8R8G8B8 = 22,
    FORMAT_R5G6B5 = 23,
    FORMAT_X1R5G5B5 = 24,
    FORMAT_A1R5G5B5 = 25,
};

struct DisplayMode {
    int width = 0;
    int height = 0;
    int refreshRate = 0;
    PixelFormat format = FORMAT_UNKNOWN;
};

enum SwapEffect { SWAP_DISCARD = 1, SWAP_FLIP = 2, SWAP_COPY = 3 };

struct PresentParams {
    int backBufferWidth = 0;
    int backBufferHeight = 0;
    PixelFormat backBufferFormat = FORMAT_UNKNOWN;
    int backBufferCount = 0;
    SwapEffect swapEffect = SWAP_COPY;
    const KesWnd* deviceWindow = nullptr;
    bool windowed = true;
    bool enableAutoDepthStencil = false;
    int fullScreenRefreshRate = 0;
    bool presentImmediately = false;
};

// ---- 4x4 matrices, row vectors (v' = v x M) ----
struct Matrix4 {
    float m[4][4];
    static Matrix4 Identity();
    static Matrix4 Scaling(float sx, float sy, float sz);
    static Matrix4 Translation(float tx, float ty, float tz);
    // Left-handed orthographic projection of the box l..r, b..t, zn..zf onto -1..1, -1..1, 0..1.
    static Matrix4 OrthoOffCenterLH(float l, float r, float b, float t, float zn, float zf);
    Matrix4 operator*(const Matrix4& o) const;
    bool operator==(const Matrix4& o) const;
};

// ---- The adapter: display modes of the screen ----
class KesRenderSystem {
public:
    // The desktop mode of the default display (FORMAT_UNKNOWN when there is none).
    static bool GetAdapterDisplayMode(DisplayMode* mode);
    static int GetAdapterModeCount();
    static bool EnumAdapterModes(int index, DisplayMode* mode);
    // Tests replace what the display reports; an empty list restores the real one.
    static void SetDisplayModesForTest(const DisplayMode& desktop, const std::vector<DisplayMode>& modes);
    static void ClearDisplayModesForTest();
};

// ---- Textures ----
// width x height ARGB pixels, rows of exactly `width` pixels.
class KesTexture {
public:
    KesTexture(int width, int height);
    ~KesTexture();
    KesTexture(const KesTexture&) = delete;
    KesTexture& operator=(const KesTexture&) = delete;

    int Width() const { return mWidth; }
    int Height() const { return mHeight; }
    uint32_t* Pixels() { return mPixels.data(); }
    const uint32_t* Pixels() const { return mPixels.data(); }
    // Marks the pixels changed, so the device uploads them again.
    void Touch() { mVersion.fetch_add(1, std::memory_order_release); }
    uint64_t Version() const { return mVersion.load(std::memory_order_acquire); }
    uint64_t Serial() const { return mSerial; }
    // True when every texel is fully opaque (worked out once per version).
    bool Opaque() const;

private:
    friend class KesRenderDevice;
    std::atomic<int> mQueued{0};  // queued drawing that still reads these pixels
    mutable std::atomic<uint64_t> mOpaqueVersion{0};
    mutable std::atomic<bool> mOpaque{false};
    int mWidth;
    int mHeight;
    std::vector<uint32_t> mPixels;
    std::atomic<uint64_t> mVersion{1};
    uint64_t mSerial;
};

// ---- Buffers: plain memory with a lock count ----
class KesRenderBuffer {
public:
    explicit KesRenderBuffer(size_t bytes) : mData(bytes) {}
    void* Lock() {
        mLocked = true;
        return mData.data();
    }
    void Unlock() { mLocked = false; }
    bool IsLocked() const { return mLocked; }
    size_t Size() const { return mData.size(); }
    const unsigned char* Data() const { return mData.data(); }

private:
    std::vector<unsigned char> mData;
    bool mLocked = false;
};

// The vertex the device draws: position, colour 0xAARRGGBB, texture coordinates.
struct RenderVertex {
    float x, y, z;
    DWORD col;
    float tx, ty;
};
static_assert(sizeof(RenderVertex) == 24, "vertex layout");

// ---- States ----
enum RenderState {
    RS_CULLMODE,
    RS_LIGHTING,
    RS_ALPHABLENDENABLE,
    RS_SRCBLEND,
    RS_DESTBLEND,
    RS_ALPHATESTENABLE,
    RS_ALPHAREF,
    RS_ALPHAFUNC,
    RS_ZWRITEENABLE,
    RS_COUNT
};
enum BlendFactor { BLEND_ZERO = 1, BLEND_ONE = 2, BLEND_SRCALPHA = 5, BLEND_INVSRCALPHA = 6 };
enum CullMode { CULL_NONE = 1 };
enum CompareFunc { CMP_GREATEREQUAL = 7 };

enum TextureStageState {
    TSS_COLOROP,
    TSS_COLORARG1,
    TSS_COLORARG2,
    TSS_ALPHAOP,
    TSS_ALPHAARG1,
    TSS_ALPHAARG2,
    TSS_MAGFILTER,
    TSS_MINFILTER,
    TSS_MIPFILTER,
    TSS_COUNT
};
enum TextureOp { TOP_MODULATE = 4, TOP_ADD = 7 };
enum TextureArg { TA_DIFFUSE = 0, TA_TEXTURE = 2 };
enum TextureFilter { TEXF_POINT = 1, TEXF_LINEAR = 2 };

enum TransformKind { TS_VIEW, TS_PROJECTION, TS_WORLD };
enum PrimitiveType { PT_LINELIST = 2, PT_TRIANGLELIST = 4 };

// What a recording device saw, for tests that check the batching.
struct RenderCall {
    enum Op { CLEAR, BEGIN_SCENE, END_SCENE, PRESENT, RESET, SET_TEXTURE, SET_STATE, SET_STAGE_STATE, DRAW, DRAW_INDEXED };
    Op op;
    int arg = 0;              // state id, primitive type
    uint64_t value = 0;       // state value, texture serial (0: none), primitive count
};

class KesRenderDevice {
public:
    // Makes a device for `params`; null (with `error`) when the window or the
    // picture cannot be made.
    static std::unique_ptr<KesRenderDevice> Create(const PresentParams& params, std::string* error = nullptr);
    ~KesRenderDevice();
    KesRenderDevice(const KesRenderDevice&) = delete;
    KesRenderDevice& operator=(const KesRenderDevice&) = delete;

    // RENDER_OK, or the lost / not-reset state a test has put the device in.
    RenderResult TestCooperativeLevel() const { return mCooperativeLevel; }
    // Rebuilds the back buffer for `params`; the device is usable again.
    RenderResult Reset(const PresentParams& params);
    const PresentParams& GetParams() const { return mParams; }

    RenderResult Clear(DWORD colour);
    RenderResult BeginScene();
    RenderResult EndScene();
    // Copies the picture to the window when there is a display.
    RenderResult Present();

    void SetTransform(TransformKind kind, const Matrix4& m);
    const Matrix4& GetTransform(TransformKind kind) const { return mTransforms[kind]; }
    void SetRenderState(RenderState state, DWORD value);
    DWORD GetRenderState(RenderState state) const { return mStates[state]; }
    void SetTextureStageState(TextureStageState state, DWORD value);
    DWORD GetTextureStageState(TextureStageState state) const { return mStageStates[state]; }
    void SetTexture(const std::shared_ptr<KesTexture>& texture);

    // Buffers are owned by the caller; the device only reads them while bound.
    std::unique_ptr<KesRenderBuffer> CreateVertexBuffer(size_t bytes);
    std::unique_ptr<KesRenderBuffer> CreateIndexBuffer(size_t bytes);
    void SetStreamSource(const KesRenderBuffer* vertices);
    void SetIndices(const KesRenderBuffer* indices);

    // `count` primitives from vertex `start` of the stream.
    RenderResult DrawPrimitive(PrimitiveType type, int start, int count);
    // `count` triangles from 16-bit index `startIndex`.
    RenderResult DrawIndexedPrimitive(int minIndex, int numVertices, int startIndex, int count);

    // ---- The back buffer ----
    int BackBufferWidth() const;
    int BackBufferHeight() const;
    // Pixel x, y of the picture (0 outside).
    DWORD ReadPixel(int x, int y);
    // The whole picture, rows of BackBufferWidth() pixels.
    const uint32_t* BackBufferPixels();

    // Called before the pixels of `texture` are changed: drawing still
    // queued that reads them is done first (on the device's own thread).
    void PrepareTextureWrite(const KesTexture& texture);

    // ---- Test hooks ----
    void SetCooperativeLevelForTest(RenderResult level) { mCooperativeLevel = level; }
    void SetFailBufferCreationForTest(bool fail) { mFailBuffers = fail; }
    void SetRecorder(std::vector<RenderCall>* recorder) { mRecorder = recorder; }
    // Bands the picture is filled in (0: one per core); the picture is the
    // same whatever the number.
    static void SetWorkersForTest(int workers);
    // How many times the picture has been filled; a frame the same as the one
    // already shown is not filled again.
    uint64_t FillsForTest() const;

private:
    struct Impl;

    KesRenderDevice();
    bool Build(const PresentParams& params, std::string* error);
    void Record(RenderCall::Op op, int arg, uint64_t value);
    RasterState CurrentState(bool textured);
    void ToRaster(const RenderVertex& in, RasterVertex* out) const;
    void DrawLines(const RenderVertex* v, int count);
    void Submit(const uint16_t* indices, int numIndices);
    void Transform(const RenderVertex& in, float* x, float* y) const;

    Impl* mImpl;
    PresentParams mParams;
    RenderResult mCooperativeLevel = RENDER_OK;
    bool mInScene = false;
    bool mFailBuffers = false;
    std::vector<RenderCall>* mRecorder = nullptr;
    Matrix4 mTransforms[3];
    double mPixelMatrix[4][4];  // world x view x projection x viewport
    DWORD mStates[RS_COUNT] = {};
    DWORD mStageStates[TSS_COUNT] = {};
    std::shared_ptr<KesTexture> mTexture;
    const KesRenderBuffer* mStream = nullptr;
    const KesRenderBuffer* mIndices = nullptr;
};

}  // namespace platform
}  // namespace kest2d
