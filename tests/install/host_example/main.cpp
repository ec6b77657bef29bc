// A game's own host program: a subclass of the game window that draws a box
// of its own under the GUI every frame and closes the game after a few frames.
//
//   host_example GAME_FOLDER
//
// Exits with 0 when the game ran those frames, closed with the host's code
// and the box is in the last picture.
#include <cstdio>
#include <exception>
#include <memory>
#include <string>

#include "frame/Kest2dBaseFrame.h"
#include "platform/KesFiles.h"

namespace {

const int kFramesToDraw = 3;
const int kClosedByHost = 42;
const kest2d::CKesRect<int> kBox(10, 10, 60, 40);
const unsigned int kBoxColour = 0xFF20A040;

class ExampleFrame : public kest2d::CKesBaseFrame {
public:
    ExampleFrame() : CKesBaseFrame(nullptr) {}

    void DrawScene() override {
        Draw2dRectangle(kBox, kest2d::CKesColor(kBoxColour));
        if (++framesDrawn == kFramesToDraw) CloseGameFrame(kClosedByHost);
    }

    int framesDrawn = 0;
};

}  // namespace

int main(int argc, char** argv) {
    if (argc != 2) {
        std::fprintf(stderr, "usage: host_example GAME_FOLDER\n");
        return 2;
    }
    kest2d::platform::SetCommandLine(std::string("-d$") + argv[1]);

    std::unique_ptr<ExampleFrame> frame;
    try {
        frame = std::make_unique<ExampleFrame>();
    } catch (const std::exception& e) {
        std::fprintf(stderr, "host_example: cannot start: %s\n", e.what());
        return 2;
    }
    if (!frame->Initialize("host example", kest2d::CKesDimension2d<int>(320, 240))) {
        std::fprintf(stderr, "host_example: the engine could not be initialised; see kest2d.log\n");
        return 1;
    }
    int code = frame->DoModal();
    unsigned int pixel = 0;
    if (kest2d::platform::KesRenderDevice* device = frame->GetRenderDevice()) pixel = device->ReadPixel(20, 20);
    std::printf("host_example: %d frames, closed with %d, box pixel %08X\n", frame->framesDrawn, code, pixel);
    bool ok = frame->framesDrawn == kFramesToDraw && code == kClosedByHost && pixel == kBoxColour;
    return ok ? 0 : 1;
}
