// The engine's logo picture, a PNG image in memory.
#pragma once

namespace kest2d {

extern const unsigned char kLogoPng[];
extern const unsigned long kLogoPngSize;

}  // namespace kest2d
