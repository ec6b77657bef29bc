// The video library used by the engine: a manager that owns and advances
// clips, clips decoded from Ogg Theora files, decoded frames, and the audio
// output factory through which clips play their sound track.
#pragma once

#include <string>
#include <vector>

namespace kest2d {

class TheoraVideoClip;

class TheoraAudioInterfaceFactory {
public:
    virtual ~TheoraAudioInterfaceFactory() = default;
};

// Audio output of clips (SDL audio behind it).
class OpenAL_AudioInterfaceFactory : public TheoraAudioInterfaceFactory {
public:
    OpenAL_AudioInterfaceFactory();
    ~OpenAL_AudioInterfaceFactory() override;
};

class TheoraVideoFrame {
public:
    // width x height RGB24 pixels, rows top to bottom, tightly packed.
    unsigned char* getBuffer() { return mBuffer.empty() ? nullptr : mBuffer.data(); }

    std::vector<unsigned char> mBuffer;
};

class TheoraVideoClip {
public:
    virtual ~TheoraVideoClip() = default;
    // The frame to show now, or null when none is ready.
    virtual TheoraVideoFrame* getNextFrame() = 0;
    virtual bool isDone() = 0;
    virtual void pause() = 0;
    virtual void stop() = 0;

    // Picture size in pixels.
    int mWidth = 0;
    int mHeight = 0;
};

class TheoraVideoManager {
public:
    explicit TheoraVideoManager(int workerThreads = 1);
    ~TheoraVideoManager();
    void setAudioInterfaceFactory(TheoraAudioInterfaceFactory* factory);
    TheoraAudioInterfaceFactory* getAudioInterfaceFactory() const { return mAudioFactory; }
    // Advances every clip by `dt` seconds.
    void update(float dt);
    // A new clip, or null when the file cannot be opened or is not Ogg Theora.
    TheoraVideoClip* createVideoClip(std::string path, int outputMode = 1, int precachedFrames = 0,
                                     bool usePower2Stride = false);
    void destroyVideoClip(TheoraVideoClip* clip);
    int getClipCount() const { return static_cast<int>(mClips.size()); }

private:
    TheoraAudioInterfaceFactory* mAudioFactory = nullptr;
    std::vector<TheoraVideoClip*> mClips;
};

// The process-wide manager, created and destroyed by the game window.
extern TheoraVideoManager* gVideoManager;

}  // namespace kest2d
