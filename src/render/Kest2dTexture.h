// One record of the frame's texture table.
#pragma once

#include <memory>
#include <string>

#include "platform/KesRenderDevice.h"

namespace kest2d {

struct KESTexture {
    // The handle that scripts and controls hold (0 is never a texture).
    unsigned long tex = 0;
    // Size of the image as loaded, or as requested for an empty texture.
    int Width = 0;
    int Height = 0;
    std::string Name;

    // The pixels themselves.
    std::shared_ptr<platform::KesTexture> texture;
    // Set by a writing lock, so that the unlock makes the device upload again.
    bool WriteLocked = false;
};

}  // namespace kest2d
