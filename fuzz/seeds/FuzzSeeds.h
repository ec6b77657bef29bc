// Seed inputs of the fuzz targets: valid files of every format the targets
// read, made by the project's own writers (archives, pictures) and the tests'
// generators (Ogg Theora clips, GIFs), plus a few damaged ones. The fuzz
// script writes them out before a run; the corpus replay test feeds them to
// the targets directly.
#pragma once

#include <string>
#include <vector>

namespace kest2d {
namespace fuzzseeds {

struct Seed {
    std::string target;  // the fuzz target's name: "gif", "video", ...
    std::string name;    // a file name for the seed
    std::string bytes;   // the input as the target takes it
};

std::vector<Seed> MakeSeeds();

// The layout seed that holds one control of every type with every property
// its type reads (the replay test checks it against the loader).
std::string EveryControlLayout();

}  // namespace fuzzseeds
}  // namespace kest2d
