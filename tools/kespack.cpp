// kespack: packs a folder into a ".pak" archive, or images into a ".spr".
//
//   kespack pak <folder> <archive.pak>
//   kespack spr <archive.spr> <width> <height> <speed> <image>...
#include <cstdio>
#include <cstdlib>
#include <string>
#include <vector>

#include "KesPackWriter.h"

namespace {

int Usage() {
    std::fprintf(stderr,
                 "usage: kespack pak <folder> <archive.pak>\n"
                 "       kespack spr <archive.spr> <width> <height> <speed> <image>...\n");
    return 2;
}

bool ToInt(const char* text, int32_t* value) {
    char* end = nullptr;
    long v = std::strtol(text, &end, 10);
    if (!end || *end || v < -2147483647L - 1 || v > 2147483647L) return false;
    *value = static_cast<int32_t>(v);
    return true;
}

}  // namespace

int main(int argc, char** argv) {
    if (argc < 2) return Usage();
    std::string mode = argv[1];
    std::string error;
    if (mode == "pak" && argc == 4) {
        if (!kest2d::pack::PackFolder(argv[2], argv[3], &error)) {
            std::fprintf(stderr, "kespack: %s\n", error.c_str());
            return 1;
        }
        return 0;
    }
    if (mode == "spr" && argc >= 7) {
        int32_t w, h, speed;
        if (!ToInt(argv[3], &w) || !ToInt(argv[4], &h) || !ToInt(argv[5], &speed)) return Usage();
        std::vector<std::string> images(argv + 6, argv + argc);
        if (!kest2d::pack::PackSprites(images, w, h, speed, argv[2], &error)) {
            std::fprintf(stderr, "kespack: %s\n", error.c_str());
            return 1;
        }
        return 0;
    }
    return Usage();
}
