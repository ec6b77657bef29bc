// Feeds arbitrary bytes to the video clip reader as a file and plays what it
// accepts to its end (or for at most 60 s of clip time).
#include <unistd.h>

#include <cstdint>
#include <cstdio>
#include <string>

#include "platform/KesVideo.h"

using namespace kest2d;

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    static const std::string path = "/tmp/kest2d_fuzz_video_" + std::to_string(getpid()) + ".ogg";
    FILE* f = fopen(path.c_str(), "wb");
    if (!f) return 0;
    if (size) fwrite(data, 1, size, f);
    fclose(f);

    TheoraVideoManager manager(1);
    TheoraVideoClip* clip = manager.createVideoClip(path);
    if (clip) {
        for (int tick = 0; tick < 240 && !clip->isDone(); ++tick) {
            manager.update(0.25f);
            if (TheoraVideoFrame* frame = clip->getNextFrame()) {
                if (frame->mBuffer.size() != static_cast<size_t>(clip->mWidth) * clip->mHeight * 3) __builtin_trap();
            }
        }
        clip->stop();
        clip->play();
        manager.update(0.25f);
        manager.destroyVideoClip(clip);
    }
    return 0;
}
