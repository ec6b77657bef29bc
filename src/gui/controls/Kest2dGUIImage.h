// The image control: a still picture, or an animated GIF played with its own
// delays. The picture may be a local file or an "http://" address, which is
// fetched into "download\" on a worker thread and shown when it arrives.
//
// The worker builds the new picture's textures through the frame's guarded
// texture table and hands the finished picture over; the UI thread takes it
// at its next draw (or when the next address is set). The worker never
// touches the control's own fields, never runs scripts, and is cancelled and
// joined before the control goes.
#pragma once

#include <atomic>
#include <mutex>
#include <string>
#include <thread>
#include <vector>

#include "frame/types/Kest2dColor.h"
#include "platform/KesWinTypes.h"
#include "gui/Kest2dGUIElement.h"
#include "gui/controls/Kest2dGUIControl.h"
#include "gui/controls/Kest2dGifDecoder.h"

namespace kest2d {

// One frame of an animated picture: its delay in hundredths of a second, its
// texture, its place on the GIF's logical screen and its disposal method.
struct KesImageFrame {
    int delay = 0;
    unsigned long texture = 0;
    int left = 0;
    int top = 0;
    int width = 0;
    int height = 0;
    int disposal = 0;
};

class CKesGUIImage : public CKesBaseGUIElement {
public:
    enum ImageKind : int { IMAGE_STILL = 1, IMAGE_GIF = 2 };

    // The download lock: games that draw while a download may finish hold it
    // around their drawing.
    class Mutex {
    public:
        Mutex() = default;
        virtual ~Mutex() = default;
        Mutex(const Mutex&) = delete;
        Mutex& operator=(const Mutex&) = delete;
        void Lock() { mLock.lock(); }
        void Unlock() { mLock.unlock(); }

    private:
        std::mutex mLock;
    };

    CKesGUIImage();
    CKesGUIImage(CKesBaseFrame* frame, CKesBaseGUIElement* parent, int id, std::string name, CKesRect<int> rect);
    ~CKesGUIImage() override;
    CKesGUIImage(const CKesGUIImage&) = delete;
    CKesGUIImage& operator=(const CKesGUIImage&) = delete;

    bool OnProcessEvent(const CKesEvent& event) override;
    void Draw() override;
    void OnProcessLostFocusEvent(const CKesEvent& event) override;

    // A local file or an address containing "http://" (lower-cased).
    void SetImagePath(std::string path);
    std::string GetImagePath() const { return mImagePath; }
    // Loads a local file at once (a ".gif" name as an animation).
    bool LoadImageFromFile(std::string path);

    void SetSrcStartPos(int left, int top);
    void GetSrcStartPos(int* left, int* top) const;
    void GetSrcStartPos(int& left, int& top) const { GetSrcStartPos(&left, &top); }
    // The source rectangle's right and bottom edges.
    void SetSrcHeightAndWidth(int right, int bottom);
    void GetSrcHeightAndWidth(int* right, int* bottom) const;
    void GetSrcHeightAndWidth(int& right, int& bottom) const { GetSrcHeightAndWidth(&right, &bottom); }
    void SetColor(CKesColor colour) { mColor = colour; }
    CKesColor GetColor() const { return mColor; }

    void LockImageDownload() { mMutex.Lock(); }
    void UnlockImageDownload() { mMutex.Unlock(); }

    // True while a download worker is running.
    bool IsImageDownloading() const { return mDownloading.load(); }
    int GetImageKind() const { return mImageKind; }
    bool IsImageLoaded() const { return mLoaded; }
    int GetFrameCount() const { return static_cast<int>(mFrames.size()); }
    int GetCurrentFrame() const { return mCurrentFrame; }
    int GetScreenWidth() const { return mScreenWidth; }
    int GetScreenHeight() const { return mScreenHeight; }
    const std::vector<KesImageFrame>& GetFrames() const { return mFrames; }

private:
    // What loading one file produced, before it is put into the control.
    struct Loaded {
        int kind = IMAGE_STILL;
        bool ok = false;
        bool replaceFrames = false;  // the frame list is to be replaced by `frames`
        bool screen = false;         // screenWidth / screenHeight are valid
        int screenWidth = 0;
        int screenHeight = 0;
        std::vector<KesImageFrame> frames;
        std::string still;  // a still picture to load on the UI thread
        bool source = false;  // sourceRight / sourceBottom replace the source size
        int sourceRight = 0;
        int sourceBottom = 0;
    };

    // Reads `path` into `out`: GIF frames become textures of the frame's
    // guarded table; a still picture is only named, since loading it may log
    // through the frame. Safe on any thread; touches nothing of the control.
    static void BuildImage(CKesBaseFrame* frame, int id, const std::string& path, CKesGIFDecoder& decoder,
                           Loaded& out);
    static void FreeFrames(CKesBaseFrame* frame, std::vector<KesImageFrame>& frames);
    // Puts a loaded picture into the control (UI thread); false when the
    // picture did not load.
    bool ApplyImage(Loaded& loaded);
    // Takes a picture the worker has finished, if any.
    void TakeDownloadedImage();
    void ClearAllTextures();
    void CloseImageDownloadThread();
    void ThreadImageDownload(CKesBaseFrame* frame, int id, std::string address, std::string local);
    void DrawStill();
    void DrawFrame(const KesImageFrame& frame, int x0, int y0);

    int mSrcLeft = 0;
    int mSrcTop = 0;
    int mSrcRight = 0;
    int mSrcBottom = 0;
    CKesColor mColor{0xFFFFFFFFu};
    std::string mImagePath;
    std::thread mThread;
    std::atomic<bool> mDownloading{false};
    std::atomic<bool> mCancel{false};
    Mutex mMutex;
    CKesGIFDecoder mDecoder;
    int mScreenWidth = 0;
    int mScreenHeight = 0;
    std::vector<KesImageFrame> mFrames;
    int mCurrentFrame = -1;
    bool mLoaded = false;
    int mImageKind = IMAGE_STILL;
    DWORD mSwitchTime = 0;
    // The worker's finished picture: written by the worker before it sets
    // mPendingReady, read by the UI thread after it sees the flag.
    Loaded mPending;
    std::atomic<bool> mPendingReady{false};
};

}  // namespace kest2d
