// The engine's one game window: the hub through which every part of the engine
// reaches the renderer, textures, fonts, archives, sound, configuration, the
// script host and the TCP client.
#pragma once

#include <list>
#include <map>
#include <memory>
#include <mutex>
#include <string>
#include <unordered_map>

#include "frame/Kest2dLogger.h"
#include "frame/Kest2dTexture.h"
#include "frame/Kest2dVertex.h"
#include "frame/types/Kest2dColor.h"
#include "frame/types/Kest2dDimension2d.h"
#include "gui/Kest2dGUIContainer.h"
#include "platform/KesRenderDevice.h"
#include "platform/KesSharedMemory.h"
#include "platform/KesWindow.h"

struct lua_State;

namespace kest2d {

class OpenAL_AudioInterfaceFactory;

// Timers and window messages that belong to the engine.
enum : UINT {
    KES_TIMER_FRAME = 10000,
    KES_TIMER_LOG_EXPORT = 10001,
    KES_WM_SOCKET_NOTIFY = 10003,
    KES_WM_DOWNLOAD_STATE = 10004,
};

// Download and self-update state of the frame.
enum DownloadStatus {
    UPDATE_ERROR = 0,
    UPDATE_LIST = 1,
    UPDATE_COMPLETE = 2,
    UPDATE_RESOURCES = 3,
    UPDATE_NULL = 4,
};

// The shared-memory block of the log export.
enum : unsigned {
    KES_SHARE_SLOTS = 500,
    KES_SHARE_SLOT_SIZE = 5000,
    KES_SHARE_SIZE = 4 + KES_SHARE_SLOTS * KES_SHARE_SLOT_SIZE,
    KES_PENDING_LOG_CAP = 20000,
};

class CKesBaseFrame : public KesWnd, public CKesBaseGUIContainer {
public:
    explicit CKesBaseFrame(KesWnd* parent);
    ~CKesBaseFrame() override;

    static CKesBaseFrame& getSingleton();
    static CKesBaseFrame* getSingletonPtr();

    bool Initialize(std::string caption, CKesDimension2d<int> size);
    int DoModal();
    void CloseGameFrame(int code);
    void MinGameFrame();
    void DitherMainFrame();

    // Hooks of a host subclass.
    virtual void OnProcessGameTimer(unsigned int id);
    virtual void LoadResources();
    virtual void DrawScene();
    virtual int OnProcessFileDownload(std::string file, double totalToDownload, double nowDownloaded,
                                      double totalToUpload, double nowUploaded);
    virtual void OnProcessGameUpdate();

    // GUI root.
    bool OnProcessEvent(const CKesEvent& event) override;

    // ---- Game loop and timers ----
    void StartGameTimer(unsigned int id, unsigned int period);
    void StopGameTimer(unsigned int id);

    // ---- Logging ----
    void SystemLog(Level level, const std::string& message);
    // Copies pending lines into the shared-memory block (timer 10001).
    void ExportPendingLogs();
    const std::list<std::string>& GetPendingLogs() const { return mPendingLogs; }

    // ---- Configuration and working folder ----
    void SetSwitchGameMode(bool allowed) { mSwitchGameMode = allowed; }
    bool IsSwitchGameMode() const { return mSwitchGameMode; }
    std::string GetWorkingDirection() const { return mWorkingDir; }
    void Ini_SetFile(const char* name);
    char* Ini_GetFile();
    void Ini_SetInt(const char* section, const char* key, int value);
    int Ini_GetInt(const char* section, const char* key, int defaultValue);
    void Ini_SetFloat(const char* section, const char* key, float value);
    float Ini_GetFloat(const char* section, const char* key, float defaultValue);
    void Ini_SetString(const char* section, const char* key, const char* value);
    char* Ini_GetString(const char* section, const char* key, const char* defaultValue);
    std::string GetStartCommond(std::string key);
    void ChangePlayerWorkingDir(std::string folder);

    // ---- Resources and archives ----
    void LoadGameResourcesFromCurDir();
    void ClearAllPackagers();
    // The bytes of a resource (archives first, then the disk) in a new[]
    // buffer that the caller releases with delete[]; null on failure.
    void* LoadResource(const char* name, unsigned long* size);
    // Writes every entry of the open archives, inflated, under `folder`.
    bool ExtractAllFiles(std::string folder);

    // ---- Script host ----
    void ReLoadGameResources();
    DownloadStatus GetUpdateState() const { return mUpdateState; }
    void SetUpdateState(DownloadStatus state) { mUpdateState = state; }

    // ---- Renderer ----
    bool IsWindowed() const { return mWindowed; }
    // Toggles window mode and full screen (when switching is allowed).
    void SwitchScreenAndWindow();
    // Resets a device that waits for a reset; true when drawing can go on.
    bool RestoreD3D();
    // Resizes the window and the back buffer (window mode only).
    void ChangeGameFrameSize(CKesDimension2d<int> size);
    // The client-area size.
    CKesDimension2d<int> getScreenSize();
    void Clear(CKesColor colour);
    // Saves the back buffer; an empty name takes the first free
    // "screenshot\shotNNN.jpg". The type follows the extension (jpg, png, bmp).
    void Snapshot(std::string file);
    // The render device (null before InitD3D); tests read its picture back.
    platform::KesRenderDevice* GetRenderDevice() const { return mD3DDevice.get(); }
    // Seconds the latest frame tick passed to the video clock.
    float GetFrameDelta() const { return mFrameDelta; }
    int GetScreenWidth() const { return mScreenWidth; }
    int GetScreenHeight() const { return mScreenHeight; }
    bool BeginScene();
    void EndScene();
    void Draw2dLine(const CKesPosition2d<int>& start, const CKesPosition2d<int>& end, CKesColor colour);
    void Draw2dRectangle(const CKesRect<int>& rect, CKesColor upperLeft, CKesColor upperRight, CKesColor lowerLeft,
                         CKesColor lowerRight, const CKesRect<int>* clip = nullptr);
    void Draw2dRectangle(const CKesRect<int>& rect, CKesColor colour, const CKesRect<int>* clip = nullptr);
    void Rotate(int angle, CKesPosition2d<int> position, CKesDimension2d<int> size, CKesPosition2d<int> hotSpot,
                float hScale, float vScale);
    void DrawString(const char* text, const CKesRect<int>& rect, CKesColor colour, bool hCenter = false,
                    bool vCenter = false, const CKesRect<int>* clip = nullptr);
    CKesDimension2d<int> GetTextDimension(const char* text);

    // ---- Texture table ----
    unsigned long LoadTexture(const char* name, unsigned long size = 0);
    unsigned long CreateTexture(const char* name, int width, int height);
    void FreeTexture(unsigned long tex);
    int GetTextureWidth(unsigned long tex, bool fromRecord = true);
    int GetTextureHeight(unsigned long tex, bool fromRecord = true);
    CKesColor GetTexColor(unsigned long tex, int x, int y);
    DWORD* LockTexture(unsigned long tex, bool readOnly, int left, int top, int width, int height);
    void UnLockTexture(unsigned long tex);
    void ClearAllTextures();
    void Draw2DImage(unsigned long tex, CKesPosition2d<int>& position, CKesColor colour = CKesColor(0xFFFFFFFF));
    void Draw2DImage(unsigned long tex, const CKesPosition2d<int>& position, const CKesRect<int>& source,
                     const CKesRect<int>* clip = nullptr, CKesColor colour = CKesColor(0xFFFFFFFF));
    void Draw2DImage(unsigned long tex, const CKesRect<int>& destination, const CKesRect<int>& source,
                     const CKesRect<int>* clip = nullptr, CKesColor colour = CKesColor(0xFFFFFFFF));

private:
    // Renderer internals.
    bool CreateD3DScreenOrWindow(int width, int height, bool windowed);
    int Format_Id(platform::PixelFormat format);
    bool FindFullScreenFormat(int width, int height, platform::PixelFormat* format);
    void SetProjectionMatrix(int width, int height);
    bool InitVertexBufferAndIndexBuffer();
    void ShutdownVertexAndIndexBuffer();
    bool RecoverDevice();
    void ShutdownD3D();
    void Render_batch(bool endScene);
    void SetBlendMode(int mode);
    // Makes room for one primitive of `kind` with `texture` and `blendMode`;
    // the vertex index to write at, or -1 when no scene is open.
    int BatchSlot(int kind, unsigned long texture, const std::shared_ptr<platform::KesTexture>& ref, int blendMode);
    void QueueImageQuad(unsigned long tex, const std::shared_ptr<platform::KesTexture>& ref, float x0, float y0,
                        float x1, float y1, float u0, float v0, float u1, float v1, CKesColor colour);
    // Texture table internals (the caller holds mTextureMutex).
    KESTexture* FindTextureByName(std::string name);
    KESTexture* FindTextureByHandle(unsigned long tex);
    unsigned long AddTexture(std::shared_ptr<platform::KesTexture> texture, int width, int height,
                             const std::string& name);

public:

    // ---- Sound ----

    // ---- Fonts ----
    void ClearAllFonts();

    // ---- Network ----

    // ---- Download and self-update ----
    // Message 10004 on the UI thread: turns the download state into an update event.
    void OnProcessUpdateState();

    // Window-layer entry points.
    bool PreTranslateMessage(MSG* msg) override;
    LRESULT WindowProc(UINT msg, WPARAM wp, LPARAM lp) override;

protected:
    std::string GetCurrentPath();
    void OnTimer(unsigned int id);
    void OnPaint();
    void OnSize(UINT type, int cx, int cy);
    void OnMouseMove(UINT flags, int x, int y);
    void OnMouseLeave();
    bool postEventFromUser(const CKesEvent& event) override;

private:
    void LoadSystemInitConfig();
    void ParseStartCommand(const std::string& commandLine);
    bool InitWinSocket();
    void ShutdownWinSocket();
    void FrameTick();
    void RenderScene();
    bool InitD3D(int width, int height, bool windowed);
    void ShutdownRenderer();
    void InitScriptSystem();
    void DestroyScriptSystem();
    void RunMainScript();
    void CallScriptGameTimer(unsigned int id);
    void InitSoundSystem();
    void ShutdownSoundSystem();
    void ShutdownDownloads();

    static CKesBaseFrame* m_Singleton;

protected:
    KesWnd* mParentWnd = nullptr;
    bool mWindowed = true;
    bool mSwitchGameMode = true;
    int mScreenWidth = 800;
    int mScreenHeight = 600;
    std::string mIniFile;
    char mIniBuffer[256] = {0};
    std::string mWorkingDir;
    std::string mCaption;
    std::map<std::string, std::string> mStartCommand;
    int mSampleRate = 44100;
    DownloadStatus mUpdateState = UPDATE_NULL;
    std::string mImeString;
    std::string mCandidateList;
    lua_State* mLuaState = nullptr;
    platform::KesSharedMemory mShareMemory;
    std::list<std::string> mPendingLogs;
    bool mPendingCapWarned = false;
    OpenAL_AudioInterfaceFactory* mAudioFactory = nullptr;
    bool mGUILoaded = false;
    DWORD mLastVideoTick = 0;
    bool mVideoTickStarted = false;
    bool mOwnsVideoManager = false;

    // Renderer: device, window modes and the quad batch.
    std::unique_ptr<platform::KesRenderSystem> mD3D;
    std::unique_ptr<platform::KesRenderDevice> mD3DDevice;
    platform::PresentParams mWindowedParams;
    platform::PresentParams mFullScreenParams;
    platform::PresentParams* mCurrentParams = nullptr;
    platform::Matrix4 mViewMatrix = platform::Matrix4::Identity();
    platform::Matrix4 mProjectionMatrix = platform::Matrix4::Identity();
    std::unique_ptr<platform::KesRenderBuffer> mVertexBuffer;
    std::unique_ptr<platform::KesRenderBuffer> mIndexBuffer;
    KESVertex* mVertexPtr = nullptr;
    int mBatchCount = 0;
    int mBatchKind = 4;
    int mBlendMode = 2;
    unsigned long mBatchTexture = 0;
    std::shared_ptr<platform::KesTexture> mBatchTextureRef;
    // The quad queued by the latest drawing call, -1 when it queued none.
    int mLastQuad = -1;
    float mFrameDelta = 0.0f;

    // Texture table: guarded by mTextureMutex (downloader threads add textures).
    std::list<std::unique_ptr<KESTexture>> mTextures;
    std::unordered_map<unsigned long, KESTexture*> mTextureIndex;
    unsigned long mNextTextureHandle = 1;
    std::mutex mTextureMutex;
};

}  // namespace kest2d
