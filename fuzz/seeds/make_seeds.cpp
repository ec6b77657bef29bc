// Writes the fuzz targets' generated seeds: <folder>/<target>/<name>.
//
//   kest2d_fuzz_seeds build-fuzz/seeds
#include <sys/stat.h>

#include <cstdio>
#include <fstream>
#include <string>

#include "seeds/FuzzSeeds.h"

int main(int argc, char** argv) {
    if (argc != 2) {
        std::fprintf(stderr, "usage: kest2d_fuzz_seeds <folder>\n");
        return 2;
    }
    const std::string folder = argv[1];
    ::mkdir(folder.c_str(), 0755);
    int written = 0;
    for (const kest2d::fuzzseeds::Seed& seed : kest2d::fuzzseeds::MakeSeeds()) {
        const std::string dir = folder + "/" + seed.target;
        ::mkdir(dir.c_str(), 0755);
        std::ofstream out(dir + "/" + seed.name, std::ios::binary | std::ios::trunc);
        out.write(seed.bytes.data(), static_cast<std::streamsize>(seed.bytes.size()));
        if (!out) {
            std::fprintf(stderr, "kest2d_fuzz_seeds: cannot write %s/%s\n", dir.c_str(), seed.name.c_str());
            return 1;
        }
        ++written;
    }
    std::printf("%d seeds written to %s\n", written, folder.c_str());
    return 0;
}
