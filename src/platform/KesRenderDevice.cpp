#include "platform/KesRenderDevice.h"

#include <SDL.h>

#include <algorithm>
#include <cmath>
#include <cstring>
#include <mutex>
#include <thread>

#include "platform/KesDesktopMode.h"
#include "platform/KesRaster.h"
#include "platform/KesWindow.h"

namespace kest2d {
namespace platform {

// ---- Matrices ----

namespace {

// The scale-then-translate form every matrix below takes: a diagonal and a last row.
Matrix4 ScaleThenMove(float sx, float sy, float sz, float tx, float ty, float tz) {
    Matrix4 r{};
    r.m[0][0] = sx;
    r.m[1][1] = sy;
    r.m[2][2] = sz;
    r.m[3][0] = tx;
    r.m[3][1] = ty;
    r.m[3][2] = tz;
    r.m[3][3] = 1.0f;
    return r;
}

}  // namespace

Matrix4 Matrix4::Identity() { return ScaleThenMove(1.0f, 1.0f, 1.0f, 0.0f, 0.0f, 0.0f); }

Matrix4 Matrix4::Scaling(float sx, float sy, float sz) {
    return ScaleThenMove(sx, sy, sz, 0.0f, 0.0f, 0.0f);
}

Matrix4 Matrix4::Translation(float tx, float ty, float tz) {
    return ScaleThenMove(1.0f, 1.0f, 1.0f, tx, ty, tz);
}

Matrix4 Matrix4::OrthoOffCenterLH(float l, float r, float b, float t, float zn, float zf) {
    return ScaleThenMove(2.0f / (r - l), 2.0f / (t - b), 1.0f / (zf - zn),
                         (l + r) / (l - r), (t + b) / (b - t), zn / (zn - zf));
}

Matrix4 Matrix4::operator*(const Matrix4& o) const {
    Matrix4 r{};
    for (int i = 0; i < 4; ++i)
        for (int j = 0; j < 4; ++j) {
            float s = 0;
            for (int k = 0; k < 4; ++k) s += m[i][k] * o.m[k][j];
            r.m[i][j] = s;
        }
    return r;
}

bool Matrix4::operator==(const Matrix4& o) const { return std::memcmp(m, o.m, sizeof(m)) == 0; }

// ---- Display modes ----

namespace {

struct ModeOverride {
    std::mutex mutex;
    bool active = false;
    DisplayMode desktop;
    std::vector<DisplayMode> modes;
};

ModeOverride& Override() {
    static ModeOverride* o = new ModeOverride();
    return *o;
}

PixelFormat FromSdlFormat(Uint32 f) {
    switch (f) {
    case SDL_PIXELFORMAT_ARGB8888: return FORMAT_A8R8G8B8;
    case SDL_PIXELFORMAT_RGB888: return FORMAT_X8R8G8B8;
    case SDL_PIXELFORMAT_RGB565: return FORMAT_R5G6B5;
    case SDL_PIXELFORMAT_RGB555: return FORMAT_X1R5G5B5;
    case SDL_PIXELFORMAT_ARGB1555: return FORMAT_A1R5G5B5;
    case SDL_PIXELFORMAT_RGB24: return FORMAT_R8G8B8;
    default:
        // Other 32-bit layouts (BGR, RGBA ...) are shown as 32-bit colour.
        if (SDL_BITSPERPIXEL(f) >= 24 && !SDL_ISPIXELFORMAT_FOURCC(f)) return FORMAT_X8R8G8B8;
        return FORMAT_UNKNOWN;
    }
}

DisplayMode FromSdlMode(const SDL_DisplayMode& m) {
    DisplayMode d;
    d.width = m.w;
    d.height = m.h;
    d.refreshRate = m.refresh_rate;
    d.format = FromSdlFormat(m.format);
    return d;
}

}  // namespace

bool KesRenderSystem::GetAdapterDisplayMode(DisplayMode* mode) {
    {
        std::lock_guard<std::mutex> lock(Override().mutex);
        if (Override().active) {
            *mode = Override().desktop;
            return true;
        }
    }
    if (!InitVideoBacker()) return false;
    SDL_DisplayMode m;
    if (SDL_GetDesktopDisplayMode(0, &m) != 0) return false;
    *mode = FromSdlMode(m);
    return true;
}

int KesRenderSystem::GetAdapterModeCount() {
    {
        std::lock_guard<std::mutex> lock(Override().mutex);
        if (Override().active) return static_cast<int>(Override().modes.size());
    }
    if (!InitVideoBacker()) return 0;
    return std::max(0, SDL_GetNumDisplayModes(0));
}

bool KesRenderSystem::EnumAdapterModes(int index, DisplayMode* mode) {
    {
        std::lock_guard<std::mutex> lock(Override().mutex);
        if (Override().active) {
            if (index < 0 || index >= static_cast<int>(Override().modes.size())) return false;
            *mode = Override().modes[static_cast<size_t>(index)];
            return true;
        }
    }
    SDL_DisplayMode m;
    if (!InitVideoBacker() || SDL_GetDisplayMode(0, index, &m) != 0) return false;
    *mode = FromSdlMode(m);
    return true;
}

void KesRenderSystem::SetDisplayModesForTest(const DisplayMode& desktop, const std::vector<DisplayMode>& modes) {
    std::lock_guard<std::mutex> lock(Override().mutex);
    Override().active = true;
    Override().desktop = desktop;
    Override().modes = modes;
}

void KesRenderSystem::ClearDisplayModesForTest() {
    std::lock_guard<std::mutex> lock(Override().mutex);
    Override().active = false;
    Override().modes.clear();
}

// ---- Device internals ----

struct KesRenderDevice::Impl {
    SDL_Surface* surface = nullptr;
    KesRaster raster;
    std::vector<RasterVertex> scratch;
    // Textures the queued drawing reads, kept alive until it is drawn.
    std::vector<std::shared_ptr<KesTexture>> held;
    std::thread::id owner = std::this_thread::get_id();

    void Drop() {
        for (auto& t : held) t->mQueued.fetch_sub(1, std::memory_order_relaxed);
        held.clear();
    }
    void Flush() {
        raster.Flush();
        Drop();
    }
    void Release() {
        raster.SetTarget(nullptr, 0, 0, 0);
        Drop();
        if (surface) SDL_FreeSurface(surface);
        surface = nullptr;
    }
};

namespace {
std::atomic<uint64_t> gNextTextureSerial{1};
}  // namespace

KesTexture::KesTexture(int width, int height)
    : mWidth(std::max(0, width)),
      mHeight(std::max(0, height)),
      mPixels(static_cast<size_t>(mWidth) * static_cast<size_t>(mHeight), 0u),
      mSerial(gNextTextureSerial.fetch_add(1)) {}

KesTexture::~KesTexture() = default;

bool KesTexture::Opaque() const {
    const uint64_t version = Version();
    if (mOpaqueVersion.load(std::memory_order_acquire) != version) {
        uint32_t all = 0xFF000000u;
        for (uint32_t p : mPixels) all &= p;
        mOpaque.store(all == 0xFF000000u, std::memory_order_relaxed);
        mOpaqueVersion.store(version, std::memory_order_release);
    }
    return mOpaque.load(std::memory_order_relaxed);
}

// ---- Device ----

KesRenderDevice::KesRenderDevice() : mImpl(new Impl()) {
    for (auto& t : mTransforms) t = Matrix4::Identity();
}

KesRenderDevice::~KesRenderDevice() {
    mTexture.reset();
    mImpl->Release();
    delete mImpl;
}

std::unique_ptr<KesRenderDevice> KesRenderDevice::Create(const PresentParams& params, std::string* error) {
    std::unique_ptr<KesRenderDevice> d(new KesRenderDevice());
    if (!d->Build(params, error)) return nullptr;
    // Device defaults that the engine relies on.
    d->mStates[RS_ALPHABLENDENABLE] = 0;
    d->mStates[RS_SRCBLEND] = BLEND_ONE;
    d->mStates[RS_DESTBLEND] = BLEND_ZERO;
    d->mStates[RS_ZWRITEENABLE] = 1;
    d->mStageStates[TSS_COLOROP] = TOP_MODULATE;
    d->mStageStates[TSS_ALPHAOP] = TOP_MODULATE;
    d->mStageStates[TSS_MAGFILTER] = TEXF_POINT;
    d->mStageStates[TSS_MINFILTER] = TEXF_POINT;
    return d;
}

bool KesRenderDevice::Build(const PresentParams& params, std::string* error) {
    if (params.backBufferWidth <= 0 || params.backBufferHeight <= 0 || params.backBufferWidth > 16384 ||
        params.backBufferHeight > 16384) {
        if (error) *error = "bad back-buffer size";
        return false;
    }
    mImpl->Release();
    mImpl->surface = SDL_CreateRGBSurfaceWithFormat(0, params.backBufferWidth, params.backBufferHeight, 32,
                                                    SDL_PIXELFORMAT_ARGB8888);
    if (!mImpl->surface) {
        if (error) *error = SDL_GetError();
        return false;
    }
    SDL_SetSurfaceBlendMode(mImpl->surface, SDL_BLENDMODE_NONE);
    mImpl->raster.SetTarget(static_cast<uint32_t*>(mImpl->surface->pixels), mImpl->surface->w, mImpl->surface->h,
                            mImpl->surface->pitch);
    mParams = params;
    // The window follows the mode when it is on a real display.
    SDL_Window* win = static_cast<SDL_Window*>(NativeWindow(params.deviceWindow));
    if (win && HasDisplay()) {
        if (!params.windowed) {
            SDL_DisplayMode want{};
            want.w = params.backBufferWidth;
            want.h = params.backBufferHeight;
            SDL_DisplayMode got;
            // The desktop's mode is noted before SDL changes it, for an end
            // that leaves SDL no time to give it back.
            HoldDesktopMode();
            if (SDL_GetClosestDisplayMode(0, &want, &got)) SDL_SetWindowDisplayMode(win, &got);
            SDL_SetWindowFullscreen(win, SDL_WINDOW_FULLSCREEN);
        } else {
            SDL_SetWindowFullscreen(win, 0);
            ReleaseDesktopMode();
        }
    }
    SetTransform(TS_WORLD, mTransforms[TS_WORLD]);
    return true;
}

RenderResult KesRenderDevice::Reset(const PresentParams& params) {
    Record(RenderCall::RESET, 0, 0);
    mInScene = false;
    mTexture.reset();
    if (!Build(params, nullptr)) return RENDER_INVALID_CALL;
    mCooperativeLevel = RENDER_OK;
    return RENDER_OK;
}

void KesRenderDevice::Record(RenderCall::Op op, int arg, uint64_t value) {
    if (!mRecorder) return;
    RenderCall c;
    c.op = op;
    c.arg = arg;
    c.value = value;
    mRecorder->push_back(c);
}

RenderResult KesRenderDevice::Clear(DWORD colour) {
    Record(RenderCall::CLEAR, 0, colour);
    if (mCooperativeLevel != RENDER_OK) return RENDER_DEVICE_LOST;
    mImpl->raster.Clear(colour);
    return RENDER_OK;
}

RenderResult KesRenderDevice::BeginScene() {
    Record(RenderCall::BEGIN_SCENE, 0, 0);
    if (mInScene) return RENDER_INVALID_CALL;
    mInScene = true;
    return RENDER_OK;
}

RenderResult KesRenderDevice::EndScene() {
    Record(RenderCall::END_SCENE, 0, 0);
    if (!mInScene) return RENDER_INVALID_CALL;
    mInScene = false;
    mImpl->Flush();
    return RENDER_OK;
}

RenderResult KesRenderDevice::Present() {
    Record(RenderCall::PRESENT, 0, 0);
    if (mCooperativeLevel != RENDER_OK) return RENDER_DEVICE_LOST;
    mImpl->Flush();
    SDL_Window* win = static_cast<SDL_Window*>(NativeWindow(mParams.deviceWindow));
    if (!win || !HasDisplay()) return RENDER_OK;
    SDL_Surface* target = SDL_GetWindowSurface(win);
    if (!target) return RENDER_OK;
    const SDL_Surface* picture = mImpl->surface;
    if (target->format->format == SDL_PIXELFORMAT_RGB888 && !SDL_MUSTLOCK(target)) {
        // A true-colour window has the picture's byte layout (its top byte
        // unused): the rows are copied as they are, without conversion.
        const size_t row = static_cast<size_t>(std::min(picture->w, target->w)) * 4;
        const int rows = std::min(picture->h, target->h);
        for (int y = 0; y < rows; ++y)
            std::memcpy(static_cast<unsigned char*>(target->pixels) + static_cast<size_t>(y) * target->pitch,
                        static_cast<const unsigned char*>(picture->pixels) + static_cast<size_t>(y) * picture->pitch,
                        row);
    } else {
        SDL_BlitSurface(mImpl->surface, nullptr, target, nullptr);
    }
    SDL_UpdateWindowSurface(win);
    return RENDER_OK;
}

void KesRenderDevice::SetTransform(TransformKind kind, const Matrix4& m) {
    mTransforms[kind] = m;
    // Pixel matrix: world x view x projection, then the viewport that maps
    // -1..1 onto the back buffer, y downwards.
    double a[4][4], b[4][4];
    auto load = [](double d[4][4], const Matrix4& s) {
        for (int i = 0; i < 4; ++i)
            for (int j = 0; j < 4; ++j) d[i][j] = s.m[i][j];
    };
    auto mul = [](double out[4][4], const double x[4][4], const double y[4][4]) {
        double r[4][4];
        for (int i = 0; i < 4; ++i)
            for (int j = 0; j < 4; ++j) {
                double s = 0;
                for (int k = 0; k < 4; ++k) s += x[i][k] * y[k][j];
                r[i][j] = s;
            }
        std::memcpy(out, r, sizeof(r));
    };
    load(a, mTransforms[TS_WORLD]);
    load(b, mTransforms[TS_VIEW]);
    mul(a, a, b);
    load(b, mTransforms[TS_PROJECTION]);
    mul(a, a, b);
    const double w = mParams.backBufferWidth, h = mParams.backBufferHeight;
    double vp[4][4] = {{w / 2, 0, 0, 0}, {0, -h / 2, 0, 0}, {0, 0, 1, 0}, {w / 2, h / 2, 0, 1}};
    mul(mPixelMatrix, a, vp);
}

void KesRenderDevice::Transform(const RenderVertex& v, float* x, float* y) const {
    const auto& m = mPixelMatrix;
    double px = v.x * m[0][0] + v.y * m[1][0] + v.z * m[2][0] + m[3][0];
    double py = v.x * m[0][1] + v.y * m[1][1] + v.z * m[2][1] + m[3][1];
    double pw = v.x * m[0][3] + v.y * m[1][3] + v.z * m[2][3] + m[3][3];
    if (pw != 1.0 && pw != 0.0) {
        px /= pw;
        py /= pw;
    }
    // Snap to 1/256 pixel, so that whole pixels stay whole after the round trip
    // through the projection.
    *x = static_cast<float>(std::nearbyint(px * 256.0) / 256.0);
    *y = static_cast<float>(std::nearbyint(py * 256.0) / 256.0);
}

void KesRenderDevice::SetRenderState(RenderState state, DWORD value) {
    if (state < 0 || state >= RS_COUNT) return;
    Record(RenderCall::SET_STATE, state, value);
    mStates[state] = value;
}

void KesRenderDevice::SetTextureStageState(TextureStageState state, DWORD value) {
    if (state < 0 || state >= TSS_COUNT) return;
    Record(RenderCall::SET_STAGE_STATE, state, value);
    mStageStates[state] = value;
}

void KesRenderDevice::SetTexture(const std::shared_ptr<KesTexture>& texture) {
    Record(RenderCall::SET_TEXTURE, 0, texture ? texture->Serial() : 0);
    mTexture = texture;
}

std::unique_ptr<KesRenderBuffer> KesRenderDevice::CreateVertexBuffer(size_t bytes) {
    if (mFailBuffers || bytes == 0) return nullptr;
    return std::unique_ptr<KesRenderBuffer>(new KesRenderBuffer(bytes));
}

std::unique_ptr<KesRenderBuffer> KesRenderDevice::CreateIndexBuffer(size_t bytes) {
    if (mFailBuffers || bytes == 0) return nullptr;
    return std::unique_ptr<KesRenderBuffer>(new KesRenderBuffer(bytes));
}

void KesRenderDevice::SetStreamSource(const KesRenderBuffer* vertices) { mStream = vertices; }
void KesRenderDevice::SetIndices(const KesRenderBuffer* indices) { mIndices = indices; }

RenderResult KesRenderDevice::DrawPrimitive(PrimitiveType type, int start, int count) {
    Record(RenderCall::DRAW, type, static_cast<uint64_t>(std::max(0, count)));
    if (!mStream || start < 0 || count <= 0) return RENDER_INVALID_CALL;
    const int per = type == PT_LINELIST ? 2 : 3;
    const size_t needed = (static_cast<size_t>(start) + static_cast<size_t>(count) * per) * sizeof(RenderVertex);
    if (needed > mStream->Size()) return RENDER_INVALID_CALL;
    if (mCooperativeLevel != RENDER_OK) return RENDER_DEVICE_LOST;
    const RenderVertex* v = reinterpret_cast<const RenderVertex*>(mStream->Data()) + start;
    if (type == PT_LINELIST) {
        DrawLines(v, count);
        return RENDER_OK;
    }
    // A plain triangle list.
    const int numVertices = count * 3;
    auto& sv = mImpl->scratch;
    if (sv.size() < static_cast<size_t>(numVertices)) sv.resize(static_cast<size_t>(numVertices));
    for (int i = 0; i < numVertices; ++i) ToRaster(v[i], &sv[static_cast<size_t>(i)]);
    Submit(nullptr, numVertices);
    return RENDER_OK;
}

RenderResult KesRenderDevice::DrawIndexedPrimitive(int minIndex, int numVertices, int startIndex, int count) {
    Record(RenderCall::DRAW_INDEXED, PT_TRIANGLELIST, static_cast<uint64_t>(std::max(0, count)));
    if (count <= 0 || numVertices <= 0 || minIndex < 0 || startIndex < 0 || !mStream || !mIndices)
        return RENDER_INVALID_CALL;
    const int numIndices = count * 3;
    const size_t vertexEnd = static_cast<size_t>(minIndex) + static_cast<size_t>(numVertices);
    if (vertexEnd * sizeof(RenderVertex) > mStream->Size()) return RENDER_INVALID_CALL;
    if ((static_cast<size_t>(startIndex) + static_cast<size_t>(numIndices)) * 2 > mIndices->Size())
        return RENDER_INVALID_CALL;
    if (mCooperativeLevel != RENDER_OK) return RENDER_DEVICE_LOST;
    const RenderVertex* v = reinterpret_cast<const RenderVertex*>(mStream->Data());
    const uint16_t* idx = reinterpret_cast<const uint16_t*>(mIndices->Data()) + startIndex;
    for (int i = 0; i < numIndices; ++i)
        if (idx[i] < minIndex || static_cast<size_t>(idx[i]) >= vertexEnd) return RENDER_INVALID_CALL;
    auto& sv = mImpl->scratch;
    if (sv.size() < vertexEnd) sv.resize(vertexEnd);
    for (size_t i = static_cast<size_t>(minIndex); i < vertexEnd; ++i) ToRaster(v[i], &sv[i]);
    Submit(idx, numIndices);
    return RENDER_OK;
}

void KesRenderDevice::ToRaster(const RenderVertex& in, RasterVertex* out) const {
    Transform(in, &out->x, &out->y);
    out->colour = in.col;
    out->u = in.tx;
    out->v = in.ty;
}

RasterState KesRenderDevice::CurrentState(bool textured) {
    RasterState st;
    KesTexture* tex = textured ? mTexture.get() : nullptr;
    if (tex && tex->Width() > 0 && tex->Height() > 0) {
        st.texture = tex;
        // Held until the queued drawing that reads it is done.
        if (mImpl->held.empty() || mImpl->held.back() != mTexture) {
            mImpl->held.push_back(mTexture);
            tex->mQueued.fetch_add(1, std::memory_order_relaxed);
        }
    }
    st.magLinear = mStageStates[TSS_MAGFILTER] == TEXF_LINEAR;
    st.minLinear = mStageStates[TSS_MINFILTER] == TEXF_LINEAR;
    st.addColour = mStageStates[TSS_COLOROP] == TOP_ADD;
    st.blend = mStates[RS_ALPHABLENDENABLE] != 0;
    st.srcBlend = static_cast<int>(mStates[RS_SRCBLEND]);
    st.destBlend = static_cast<int>(mStates[RS_DESTBLEND]);
    st.alphaTest = mStates[RS_ALPHATESTENABLE] != 0 && mStates[RS_ALPHAFUNC] == CMP_GREATEREQUAL;
    st.alphaRef = static_cast<int>(std::min<DWORD>(mStates[RS_ALPHAREF], 255));
    return st;
}

void KesRenderDevice::Submit(const uint16_t* indices, int numIndices) {
    const RasterState st = CurrentState(true);
    const auto& sv = mImpl->scratch;
    for (int i = 0; i + 2 < numIndices; i += 3) {
        // The batch's quads: p, p+1, p+2 and p+2, p+3, p.
        if (indices && i + 5 < numIndices) {
            const uint16_t* q = indices + i;
            if (q[1] == q[0] + 1 && q[2] == q[0] + 2 && q[3] == q[2] && q[4] == q[0] + 3 && q[5] == q[0]) {
                mImpl->raster.Quad(st, sv[q[0]], sv[q[1]], sv[q[2]], sv[q[4]]);
                i += 3;
                continue;
            }
        }
        const size_t a = indices ? indices[i] : static_cast<size_t>(i);
        const size_t b = indices ? indices[i + 1] : static_cast<size_t>(i + 1);
        const size_t c = indices ? indices[i + 2] : static_cast<size_t>(i + 2);
        mImpl->raster.Triangle(st, sv[a], sv[b], sv[c]);
    }
}

void KesRenderDevice::DrawLines(const RenderVertex* v, int count) {
    // Lines are never textured: the texture is not held for them.
    const RasterState st = CurrentState(false);
    for (int i = 0; i < count; ++i) {
        RasterVertex a, b;
        ToRaster(v[2 * i], &a);
        ToRaster(v[2 * i + 1], &b);
        mImpl->raster.Line(st, a, b);
    }
}

void KesRenderDevice::PrepareTextureWrite(const KesTexture& texture) {
    // Drawing still queued reads the texels as they were when it was asked for.
    if (texture.mQueued.load(std::memory_order_relaxed) > 0 && std::this_thread::get_id() == mImpl->owner)
        mImpl->Flush();
}

void KesRenderDevice::SetWorkersForTest(int workers) { KesRaster::SetWorkersForTest(workers); }

uint64_t KesRenderDevice::FillsForTest() const { return mImpl->raster.Fills(); }

int KesRenderDevice::BackBufferWidth() const { return mImpl->surface ? mImpl->surface->w : 0; }
int KesRenderDevice::BackBufferHeight() const { return mImpl->surface ? mImpl->surface->h : 0; }

DWORD KesRenderDevice::ReadPixel(int x, int y) {
    SDL_Surface* s = mImpl->surface;
    if (!s || x < 0 || y < 0 || x >= s->w || y >= s->h) return 0;
    mImpl->Flush();
    return reinterpret_cast<const uint32_t*>(static_cast<const unsigned char*>(s->pixels) + y * s->pitch)[x];
}

const uint32_t* KesRenderDevice::BackBufferPixels() {
    if (!mImpl->surface) return nullptr;
    mImpl->Flush();
    return static_cast<const uint32_t*>(mImpl->surface->pixels);
}

}  // namespace platform
}  // namespace kest2d
