// The render device's own filling: triangles, lines and clears are queued in
// submission order and drawn at the next flush into a 32-bit ARGB picture,
// split into horizontal bands, one band per worker of a pool made once. Every
// pixel depends only on the queued commands that touch it, in their order, so
// the picture is the same whatever the number of workers.
#pragma once

#include <cstdint>
#include <memory>
#include <vector>

namespace kest2d {
namespace platform {

class KesTexture;

// How a queued triangle or line is coloured and blended.
struct RasterState {
    const KesTexture* texture = nullptr;  // null: untextured (the texel counts as opaque white)
    bool magLinear = false;               // bilinear when a texel covers more than a pixel (else nearest)
    bool minLinear = false;               // bilinear when a texel covers less than a pixel
    bool addColour = false;               // colour added to the texel instead of multiplied
    bool blend = false;                   // blending enabled
    int srcBlend = 2;                     // blend factors as the device states name them
    int destBlend = 1;
    bool alphaTest = false;               // drop pixels whose alpha is below alphaRef
    int alphaRef = 0;
};

// One vertex in pixel coordinates (already projected), ARGB colour, texture
// coordinates 0..1 over the texture.
struct RasterVertex {
    float x, y;
    uint32_t colour;
    float u, v;
};

class KesRaster {
public:
    KesRaster();
    ~KesRaster();
    KesRaster(const KesRaster&) = delete;
    KesRaster& operator=(const KesRaster&) = delete;

    // The picture drawn into (rows of `pitch` bytes); pending work is dropped.
    void SetTarget(uint32_t* pixels, int width, int height, int pitch);

    // Queue work; nothing is drawn until Flush. The state's texture must stay
    // alive and unchanged until then (the device holds it).
    void Clear(uint32_t colour);
    void Triangle(const RasterState& state, const RasterVertex& a, const RasterVertex& b, const RasterVertex& c);
    // The quad of the triangles a, b, c and c, d, a.
    void Quad(const RasterState& state, const RasterVertex& a, const RasterVertex& b, const RasterVertex& c,
              const RasterVertex& d);
    // A line of whole pixels from a to b, its last pixel left out.
    void Line(const RasterState& state, const RasterVertex& a, const RasterVertex& b);
    // Draws everything queued and waits for it. A queue that opens with a
    // clear and is the same as the last one drawn (same commands, vertices,
    // states, and textures whose pixels have not changed since) is not drawn
    // again while the picture is untouched: its pixels are already there.
    void Flush();
    // How many flushes have drawn into the picture.
    uint64_t Fills() const;

    // Workers used for the bands: 0 for as many as the machine has cores.
    // After either setting, the next flush fills the picture even when its
    // queue is the same as the last one drawn.
    static void SetWorkersForTest(int workers);
    // Whether the processor's widest vector paths may be used (on by default).
    static void SetWidePathsForTest(bool on);

    struct Impl;

private:
    Impl* mImpl;
};

}  // namespace platform
}  // namespace kest2d
