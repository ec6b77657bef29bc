// JPEG through libjpeg-turbo, read and written by the engine itself.
#pragma once

#include <cstddef>
#include <cstdint>
#include <string>

#include "platform/KesImage.h"

namespace kest2d {
namespace platform {
namespace imagejpeg {

// Decodes a JPEG whose header rule has passed it, straight into ARGB pixels
// (no intermediate surface): three components and one as RGB, four as SDL2_image
// gives them (the raw C, M, Y, K bytes as blue, green, red and alpha). A file
// cut short is decoded with its missing part grey; a damaged one is refused.
bool Decode(const unsigned char* data, size_t size, KesImage& out, std::string* error);

// Writes 8-bit RGB at quality 90.
bool Save(const std::string& path, const uint32_t* pixels, int width, int height, int pitchPixels,
          std::string* error);

}  // namespace imagejpeg
}  // namespace platform
}  // namespace kest2d
