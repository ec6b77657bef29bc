// The video library used by the engine: a manager that owns and advances
// clips, clips decoded from Ogg Theora files, decoded frames, and the audio
// output factory through which clips play their sound track.
//
// Everything runs on the caller's thread: a clip decodes inside the manager's
// update(), so playback is a pure function of the file and the times passed in.
// A clip's clock is the position of its Vorbis sound track (the samples handed
// to the audio output) when it has one, otherwise the summed update times.
#pragma once

#include <cstdint>
#include <string>
#include <vector>

namespace kest2d {

class TheoraVideoClip;
class OpenAL_AudioInterfaceFactory;

// The sound output of one clip. The clip hands over its samples as its clock
// passes them, so what an interface received is exactly what has been played.
class TheoraAudioInterface {
public:
    TheoraAudioInterface(TheoraVideoClip* owner, int channels, int frequency)
        : mClip(owner), mNumChannels(channels), mFrequency(frequency) {}
    virtual ~TheoraAudioInterface() = default;
    TheoraAudioInterface(const TheoraAudioInterface&) = delete;
    TheoraAudioInterface& operator=(const TheoraAudioInterface&) = delete;

    // `frames` sample frames of getNumChannels() interleaved values in [-1, 1].
    virtual void insertData(const float* samples, int frames) = 0;
    // Halts or resumes the output.
    virtual void setPaused(bool /*paused*/) {}
    // Drops what was handed over but not heard yet.
    virtual void flush() {}

    TheoraVideoClip* getClip() const { return mClip; }
    int getNumChannels() const { return mNumChannels; }
    int getFrequency() const { return mFrequency; }

protected:
    TheoraVideoClip* mClip;
    int mNumChannels;
    int mFrequency;
};

// Makes the sound outputs of clips. A factory must outlive the clips it
// served (the game window destroys the manager, and with it every clip, first).
class TheoraAudioInterfaceFactory {
public:
    virtual ~TheoraAudioInterfaceFactory() = default;
    // A new output for `owner`, owned by the clip; null plays the clip silently.
    virtual TheoraAudioInterface* createInstance(TheoraVideoClip* owner, int channels, int frequency) = 0;
};

// One SDL audio device per clip, fed through SDL's queue (no callback of ours).
class OpenAL_AudioInterface : public TheoraAudioInterface {
public:
    OpenAL_AudioInterface(OpenAL_AudioInterfaceFactory* factory, TheoraVideoClip* owner, int channels,
                          int frequency);
    ~OpenAL_AudioInterface() override;
    void insertData(const float* samples, int frames) override;
    void setPaused(bool paused) override;
    void flush() override;

    // True while an SDL device is open for this clip.
    bool hasDevice() const { return mDevice != 0; }
    // Bytes waiting in the device's queue.
    uint32_t getQueuedBytes() const;
    // Closes the device and forgets the factory (the factory is going away).
    void detach();

private:
    void startWhenBuffered();

    OpenAL_AudioInterfaceFactory* mFactory;
    uint32_t mDevice = 0;
    int mOutChannels = 0;
    bool mPaused = false;
    bool mStarted = false;
    std::vector<int16_t> mConvert;
};

// Audio output of clips, backed by SDL's audio. The audio subsystem is started
// with the first clip that has sound and stopped with the factory.
class OpenAL_AudioInterfaceFactory : public TheoraAudioInterfaceFactory {
public:
    OpenAL_AudioInterfaceFactory();
    ~OpenAL_AudioInterfaceFactory() override;
    OpenAL_AudioInterfaceFactory(const OpenAL_AudioInterfaceFactory&) = delete;
    OpenAL_AudioInterfaceFactory& operator=(const OpenAL_AudioInterfaceFactory&) = delete;
    TheoraAudioInterface* createInstance(TheoraVideoClip* owner, int channels, int frequency) override;

    // Outputs made by this factory that still exist.
    int getInstanceCount() const { return static_cast<int>(mInstances.size()); }
    // Why the audio subsystem could not start (empty when it did or was not tried).
    const std::string& getLastError() const { return mLastError; }
    // Outputs, over the whole process, that were still alive when their
    // factory was destroyed (they lost their device). Stays 0 when clips go first.
    static int getOrphanedOutputs();

private:
    friend class OpenAL_AudioInterface;
    void forget(OpenAL_AudioInterface* instance);

    bool mAudioStarted = false;
    std::string mLastError;
    std::vector<OpenAL_AudioInterface*> mInstances;
};

class TheoraVideoFrame {
public:
    // width x height RGB24 pixels, rows top to bottom, tightly packed. Valid
    // until the clip's next update, stop or destruction.
    unsigned char* getBuffer() { return mBuffer.empty() ? nullptr : mBuffer.data(); }
    int getWidth() const { return mWidth; }
    int getHeight() const { return mHeight; }
    // Index of the picture in the stream, 0 for the first.
    long getFrameNumber() const { return mFrameNumber; }

    std::vector<unsigned char> mBuffer;
    int mWidth = 0;
    int mHeight = 0;
    long mFrameNumber = -1;
};

class TheoraVideoClip {
public:
    virtual ~TheoraVideoClip() = default;
    // The frame to show now when it has not been handed out yet, otherwise null.
    virtual TheoraVideoFrame* getNextFrame() = 0;
    // True once the last frame has had its time and the sound track has played out.
    virtual bool isDone() = 0;
    // Halts the clock (and the sound) until play().
    virtual void pause() = 0;
    // Halts playback and rewinds: a later play() starts from the first frame.
    virtual void stop() = 0;
    // Resumes after pause(), or starts again from the beginning after stop().
    virtual void play() = 0;
    virtual bool isPaused() = 0;
    // Advances the clock by `timeDelta` seconds and decodes what is due (the manager calls it).
    virtual void update(float timeDelta) = 0;
    // The clip's clock in seconds from the first frame.
    virtual double getTimePosition() = 0;
    virtual float getFPS() = 0;
    virtual bool hasAudio() = 0;
    // The audio output the clip plays through, or null.
    virtual TheoraAudioInterface* getAudioInterface() = 0;
    // Frames handed out by getNextFrame since the clip started.
    virtual int getNumDisplayedFrames() = 0;

    // Picture size in pixels.
    int mWidth = 0;
    int mHeight = 0;
};

class TheoraVideoManager {
public:
    // `workerThreads` is accepted for compatibility: clips decode inside update().
    explicit TheoraVideoManager(int workerThreads = 1);
    ~TheoraVideoManager();
    TheoraVideoManager(const TheoraVideoManager&) = delete;
    TheoraVideoManager& operator=(const TheoraVideoManager&) = delete;
    void setAudioInterfaceFactory(TheoraAudioInterfaceFactory* factory);
    TheoraAudioInterfaceFactory* getAudioInterfaceFactory() const { return mAudioFactory; }
    // Advances every clip by `dt` seconds.
    void update(float dt);
    // A new clip, or null when the file cannot be opened or is not Ogg Theora
    // (getLastError() says why). `path` is an engine path ("\" separators).
    // Output mode 1 (RGB) is the only one; frames are decoded when due, so
    // `precachedFrames` is not used, and rows are always tightly packed.
    TheoraVideoClip* createVideoClip(std::string path, int outputMode = 1, int precachedFrames = 0,
                                     bool usePower2Stride = false);
    void destroyVideoClip(TheoraVideoClip* clip);
    int getClipCount() const { return static_cast<int>(mClips.size()); }
    const std::string& getLastError() const { return mLastError; }

private:
    TheoraAudioInterfaceFactory* mAudioFactory = nullptr;
    std::vector<TheoraVideoClip*> mClips;
    std::string mLastError;
};

// The process-wide manager, created and destroyed by the game window.
extern TheoraVideoManager* gVideoManager;

}  // namespace kest2d
