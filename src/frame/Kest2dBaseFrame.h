// The engine's one game window: the hub through which every part of the engine
// reaches the renderer, textures, fonts, archives, sound, configuration, the
// script host and the TCP client.
#pragma once

#include <atomic>
#include <deque>
#include <functional>
#include <list>
#include <map>
#include <memory>
#include <mutex>
#include <string>
#include <thread>
#include <vector>
#include <unordered_map>

#include "render/Kest2dFontTypes.h"
#include "frame/Kest2dLogger.h"
#include "render/Kest2dTexture.h"
#include "render/Kest2dVertex.h"
#include "frame/types/Kest2dColor.h"
#include "frame/types/Kest2dDimension2d.h"
#include "gui/Kest2dGUIContainer.h"
#include "net/Kest2dSocketClient.h"
#include "platform/KesFiles.h"
#include "platform/KesRenderDevice.h"
#include "platform/KesSharedMemory.h"
#include "platform/KesWindow.h"

struct lua_State;

namespace kest2d {

class OpenAL_AudioInterfaceFactory;

// A sound of the frame's sound table.
struct KesSouStr {
    int type;       // 1: music stream; 0: effect sample
    DWORD handle;   // the stream or sample handle, 0 when the file could not be opened
};

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

    // ---- Input and GUI ----
    // The typed or composed text not yet delivered, or null when empty.
    char* GetImeString();
    void ClearImeString();
    void PostImeString(int kind);
    void OnChar(char c);
    void OnImeComposition(UINT window, long lParam);
    void OnImeNotify(UINT window, unsigned int command);
    // The entries of the candidate list's current page ("1.xx2.yy...").
    const char* GetCandidateString() const { return mCandidateList.c_str(); }
    // Shows the container `id`, loading it from `file` the first time.
    void ShowGUIContainer(int id, const char* file, SnapStyle snap, bool show);
    void ShowGUIContainer(int id, const char* file, CKesPosition2d<int> position, bool show);

private:
    // The caption of a game that names none (Initialize, "systemini.ini").
    static const char* const kDefaultCaption;
    bool IsGameTimerId(unsigned int id, const char* action);

    int GetCandidateList(UINT window);
    int CandidateToString(const void* list);
    void ClearCandidateList();

public:

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
    // The frame size that "systemini.ini" of the current folder names (800 x
    // 600 when it names none, or an unusable one): what a host passes to
    // Initialize from the game's folder, so that the picture is as large as
    // the window.
    static CKesDimension2d<int> GetSystemInitSize();

    // ---- Resources and archives ----
    void LoadGameResourcesFromCurDir();
    void ClearAllPackagers();
    // The bytes of a resource (archives first, then the disk) in a new[]
    // buffer that the caller releases with delete[]; null on failure.
    void* LoadResource(const char* name, unsigned long* size);
    // Writes every entry of the open archives, inflated, under `folder`.
    bool ExtractAllFiles(std::string folder);
    // Opens an archive and adds it to the table, once per path; a failure is logged.
    void AddPackager(std::string path);
    // The table's reader for exactly that path, or null.
    class CKesPackager* FindPackagerByName(std::string path);
    // The archive half of LoadResource: the first archive in path order whose
    // entry of that name inflates to more than 0 bytes.
    unsigned char* GetResourceFromThePackager(std::string name, unsigned long* size);

    // ---- Script host ----
    void ReLoadGameResources();
    DownloadStatus GetUpdateState() const { return mUpdateState; }

private:
    // Calls the script's global function `name` with the arguments that
    // `pushArgs` pushes (it returns how many); no results. A failure, a
    // missing function included, is logged as "call <name> 失败:<error>" and
    // its error value is popped. False when the call failed or there is no
    // Lua state.
    bool CallScriptFunction(const char* name, const std::function<int(lua_State*)>& pushArgs = nullptr);

public:

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
    void Draw2dLine(const CKesPosition2d<int>& start, const CKesPosition2d<int>& end,
                    CKesColor colour = CKesColor(0xFFFFFFFF));
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
    bool SelectScreenMode();
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
    // Queues one quad of `texture` (0: untextured) with `blendMode`; the
    // quad's index in the batch, or -1 when no scene is open.
    int QueueQuad(unsigned long texture, const std::shared_ptr<platform::KesTexture>& ref, int blendMode,
                  const KESVertex (&v)[4]);
    // Records what the drawing call that just ran asked for: its whole quad
    // before any cut, its clip, and the quad it queued (-1: none).
    void KeepWholeQuad(unsigned long texture, int blendMode, int queued, const KESVertex (&whole)[4],
                       const CKesRect<int>* clip);
    // Texture table internals (the caller holds mTextureMutex).
    KESTexture* FindTextureByName(std::string name);
    KESTexture* FindTextureByHandle(unsigned long tex);
    std::shared_ptr<platform::KesTexture> TextureForDrawing(unsigned long tex);
    unsigned long AddTexture(std::shared_ptr<platform::KesTexture> texture, int width, int height,
                             const std::string& name);

public:

    // ---- Sound ----
    void MusicPlay(std::string name, bool loop = false);
    void EffectPlay(std::string name);
    void SoundStop(std::string name);
    void SoundPause(std::string name);
    bool SoundIsPlaying(std::string name);
    void SoundStopAll();
    void MusicSetVolume(int volume);
    int MusicGetVolume();
    void EffectSetVolume(int volume);
    int EffectGetVolume();
    // Minimise and restore: pause what plays now, and later resume only that.
    void PauseAllPlayingSounds();
    void ResumePausedSounds();
private:
    // Minimise and restore of the game window (system commands).
    void PauseSoundsForMinimise();
    void ResumeSoundsAfterRestore();

public:

    // ---- Fonts ----
    // The font `name` at `size` pixels, made once per name and size; the face
    // is shared by every size of a name. Null when the file cannot be opened.
    CKesGUIBaseFont* LoadFont(const char* name, int size, const char* file);
    // Frees every font that no control holds (and the faces no kept font
    // uses); DrawString has no font until the built-in one is loaded again.
    void ClearAllFonts();

private:
    void FreeFonts(bool keepHeld);
    CKesGUITTFace* IsExitTTFace(std::string name);
    CKesGUITTFont* IsExitTTFont(std::string name, int size);
    void loadBuiltInFont();
    // What InitD3D does for fonts: drop every font, then load "DefaultFont".
    void LoadDefaultFont();

public:
    // ---- Layout ----
    // The main window's layout: also sets the window size, title and mode.
    bool LoadGUIConfig(const char* fileName) override;

private:
    // Size and mode of the game window as the main layout asks for them.
    void ApplyLayoutScreen(int width, int height, bool windowed);

public:

    // ---- Network ----
    // The game server connection (forwarded to mSocketClient).
    bool Connect(std::string host, int port);
    int Send(CKesMessageOut& message);
    void CloseConnect();
    // Every connection state change and every received message; the default
    // hands both to the script's "OnProcessGameNetwork".
    virtual void OnProcessNetMessage(ConnectState state, CKesMessageIn& message);

private:
    void CallScriptNetwork(ConnectState state, CKesMessageIn& message);

public:

    // ---- Download and self-update ----
    // The task of a worker: the installed version and the address to fetch.
    struct UpdataSet {
        float version;
        std::string address;
        UpdataSet(float v = 0.0f, std::string a = std::string()) : version(v), address(std::move(a)) {}
    };
    // Starts an update run from the update INI `iniName` of the working folder.
    void UpdateGame(std::string iniName);
    // Starts one download into the current folder on a worker.
    bool DownloadFile(std::string url, std::string target = "");
    // Downloads on the calling thread into `target` + the URL's file name.
    bool DownloadSingleFile(std::string url, std::string target);
    // Reads an update list and fetches its files when it is newer.
    bool GetUpdateFileList(std::string file);
    void SetUpdateState(DownloadStatus state);
    UpdataSet GetUpdateSet();
    std::string GetCurrentFile();
    bool FileIsExist(std::string path);
    // True while the frame's end runs (its destructor), when no download or
    // update may start: nothing would be left to take its result or join its
    // worker. Each refusal is one log line that names `address`.
    bool RefusesDownload(const std::string& address);
    // Joins the download workers that have finished; never waits for a running one.
    void JoinDownloadWorker();
    // Ends the running transfers and joins every worker. A subclass that
    // overrides OnProcessFileDownload calls it in its destructor, since
    // workers call that hook until they are joined.
    void StopDownloads();
    // Message 10004 on the UI thread: turns the download state into an update event.
    void OnProcessUpdateState();
    static int UpdateProgress(void* data, double totalToDownload, double nowDownloaded, double totalToUpload,
                              double nowUploaded);

    // Window-layer entry points.
    bool PreTranslateMessage(MSG* msg) override;
    LRESULT WindowProc(UINT msg, WPARAM wp, LPARAM lp) override;

protected:
    std::string GetCurrentPath();
    // The logo in the bottom-right corner, 15 pixels in; no engine path shows it.
    void DrawLogoTexture();
    // A texture of the logo picture built into the engine.
    unsigned long GetLogoTexture();
    void OnTimer(unsigned int id);
    void OnPaint();
    void OnSize(UINT type, int cx, int cy);
    void OnMouseMove(UINT flags, int x, int y);
    void OnMouseLeave();
    bool postEventFromUser(const CKesEvent& event) override;
    // Starts Lua and runs the main script (Initialize does), and closes the
    // state again; a host may restart its game's scripts with the pair.
    void InitScriptSystem();
    void DestroyScriptSystem();

private:
    static std::string SystemInitFile();
    void LoadSystemInitConfig();
    void ParseStartCommand(const std::string& commandLine);
    std::string ResolveWorkingDir(const std::string& folder);
    bool InitWinSocket();
    void ShutdownWinSocket();
    void FrameTick();
    void RenderScene();
    bool InitD3D(int width, int height, bool windowed);
    void ShutdownRenderer();
    void RunMainScript();
    void RunScriptOfCurrentFolder(const std::function<void()>& run);
    bool MainScriptRunsIn(const std::string& folder) const;
    void CallScriptGameTimer(unsigned int id);
    void InitSoundSystem();
    void ShutdownSoundSystem();
    KesSouStr* GetSoundByName(const std::string& name);
    void DeleteAllSounds();
    void ShutdownDownloads();
    void CreateDirectionByPath(std::string path);
    std::string replace(const std::string& text, const char* search, const char* replacement);
    struct DownloadWorker {
        std::thread thread;
        std::atomic<bool> finished{false};
    };
    static unsigned ThreadGameUpdate(CKesBaseFrame* frame, UpdataSet task, std::string iniPath,
                                     std::string folder);
    static unsigned ThreadGameDownload(CKesBaseFrame* frame, UpdataSet task, std::string folder);
    bool StartDownloadWorker(std::function<void()> body);
    void PostUpdateNotice(bool progressOnly, DownloadStatus state, int progress);
    bool UnpackArchiveFile(const std::string& archive, const std::string& folder);
    enum class FetchResult { Done, Failed, Repeated };
    bool ClaimCurrentFile(const std::string& url);
    bool Transfer(const std::string& url, const std::string& folder, long long limit, std::string* tempFile);
    FetchResult FetchList(const std::string& url, const std::string& folder, std::string* listFile);
    FetchResult FetchFile(const std::string& url, const std::string& target, const std::string& folder,
                          bool claim = true);
    bool ReadUpdateList(const std::string& diskFile, const std::string& name, UpdataSet task,
                        const std::string& iniPath, const std::string& folder, bool* failed);

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
    // The window's caption has no field here: it is the container's own
    // mCaption, so that the title and GetCaption never differ.
    // The folders whose main script is running, the outermost first: a run
    // that ChangePlayerWorkingDir starts lies inside the run that called it.
    std::vector<platform::FolderIdentity> mScriptFolders;
    std::map<std::string, std::string> mStartCommand;
    int mSampleRate = 44100;
    std::atomic<DownloadStatus> mUpdateState{UPDATE_NULL};
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
    // Resources and archives: the open ".pak" readers by path; the map's
    // order is the search order of LoadResource.
    std::map<std::string, CKesPackager*> mPackagers;
    // Fonts
    std::vector<KesFaceRecord> mFaceRecords;
    std::vector<KesFontRecord> mFontRecords;
    CKesGUITTFont* mCurrentFont = nullptr;
    // Layout
    std::string mGUIConfigFile;
    // Network
    CKesTcpSocketClient mSocketClient;
    bool mWinSocketStarted = false;
    // Sound
    std::map<std::string, KesSouStr> mSounds;
    std::vector<KesSouStr> mPausedChannels;
    int mMusicVolume = 100;
    int mEffectVolume = 100;
    bool mSoundStarted = false;
    // Download and self-update. mDownloadMutex guards the strings, the list,
    // the task and the notice queue, which workers and the UI thread share.
    std::mutex mDownloadMutex;
    std::string mCurrentFile;
    std::string mUpdateIniPath;
    UpdataSet mUpdateSet;
    std::vector<std::string> mUpdateFileList;
    std::atomic<int> mProgress{0};
    float mListVersion = 0.0f;
    struct UpdateNotice {
        bool progressOnly;
        DownloadStatus state;
        int progress;
    };
    std::deque<UpdateNotice> mUpdateNotices;
    std::list<std::unique_ptr<DownloadWorker>> mDownloadWorkers;  // UI thread only
    std::atomic<bool> mDownloadCancel{false};
    bool mClosing = false;  // the destructor has begun (UI thread only)
    // Input: the input method's candidate list as it reported it.
    std::vector<unsigned char> mCandidateData;

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
    // The latest drawing call, when it was an image or a rectangle: what it
    // asked for and the quads it holds at the end of the batch. Rotate turns
    // the whole quad and only then cuts it to the clip, so that a turned
    // picture shows the same texels whatever cuts it.
    struct TurnableQuad {
        bool valid = false;
        int first = 0, count = 0;  // its quads in the batch
        unsigned long texture = 0;
        int blendMode = 0;
        KESVertex whole[4] = {};  // top-left, bottom-left, bottom-right, top-right
        bool clipped = false;
        CKesRect<int> clip;
    };
    TurnableQuad mLastQuad;
    unsigned long mLogoTexture = 0;
    float mFrameDelta = 0.0f;

    // Texture table: guarded by mTextureMutex (downloader threads add textures).
    std::list<std::unique_ptr<KESTexture>> mTextures;
    std::unordered_map<unsigned long, KESTexture*> mTextureIndex;
    unsigned long mNextTextureHandle = 1;
    std::mutex mTextureMutex;
};

}  // namespace kest2d
