// The vertex of the frame's quad batch.
#pragma once

#include "platform/KesWinTypes.h"

namespace kest2d {

struct KESVertex {
    float x, y, z;  // client-area pixels; z is always 0
    DWORD col;      // 0xAARRGGBB, multiplied with the texel
    float tx, ty;   // texture coordinates, 0..1 over the texture
};

}  // namespace kest2d
