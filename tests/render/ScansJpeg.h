// JPEG files of a chosen number of scans, written byte by byte: the scan
// count is what costs libjpeg time, whatever the scans hold.
#pragma once

#include <string>

namespace kest2d {
namespace test {

// A w x h progressive JPEG of `components` components (1 to 4, none
// subsampled) in `scans` scans: a first DC scan of every component, then AC
// scans of one component after another. Every scan is empty: libjpeg reads
// each as a pass over its blocks, finds no bytes and leaves the
// coefficients 0, so the picture comes out mid-grey (128).
inline std::string ScansJpeg(int w, int h, int components, int scans) {
    auto segment = [](unsigned marker, const std::string& body) {
        const size_t n = body.size() + 2;
        return std::string{'\xFF', char(marker), char(n >> 8), char(n & 0xFF)} + body;
    };
    auto scan = [&](int first, int count, int start, int end) {
        std::string body{char(count)};
        for (int c = first; c < first + count; ++c) body += std::string{char(c), '\0'};
        return segment(0xDA, body + std::string{char(start), char(end), '\0'});
    };
    std::string jpeg = "\xFF\xD8" + segment(0xDB, '\0' + std::string(64, '\1'));
    std::string frame{8, char(h >> 8), char(h & 0xFF), char(w >> 8), char(w & 0xFF), char(components)};
    for (int c = 1; c <= components; ++c) frame += std::string{char(c), '\x11', '\0'};
    jpeg += segment(0xC2, frame);
    // One code of one bit for symbol 0, in the DC and in the AC table.
    const std::string table = std::string(1, '\1') + std::string(15, '\0') + '\0';
    jpeg += segment(0xC4, '\0' + table + '\x10' + table);
    jpeg += scan(1, components, 0, 0);
    for (int i = 1; i < scans; ++i) jpeg += scan(1 + (i - 1) % components, 1, 1, 63);
    return jpeg + "\xFF\xD9";
}

}  // namespace test
}  // namespace kest2d
