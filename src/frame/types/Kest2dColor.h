// A 32-bit A8R8G8B8 colour; the same value is the renderer's diffuse colour.
#pragma once

namespace kest2d {

class CKesColor {
public:
    CKesColor() : color(0) {}
    CKesColor(unsigned int packed) : color(packed) {}
    CKesColor(unsigned int a, unsigned int r, unsigned int g, unsigned int b) : color(Pack(a, r, g, b)) {}

    unsigned int getAlpha() const { return color >> 24; }
    unsigned int getRed() const { return (color >> 16) & 0xFF; }
    unsigned int getGreen() const { return (color >> 8) & 0xFF; }
    unsigned int getBlue() const { return color & 0xFF; }

    void setAlpha(unsigned int a) { color = ((a & 0xFF) << 24) | (color & 0x00FFFFFF); }
    void setRed(unsigned int r) { color = ((r & 0xFF) << 16) | (color & 0xFF00FFFF); }
    void setGreen(unsigned int g) { color = ((g & 0xFF) << 8) | (color & 0xFFFF00FF); }
    void setBlue(unsigned int b) { color = (b & 0xFF) | (color & 0xFFFFFF00); }

    void set(unsigned int a, unsigned int r, unsigned int g, unsigned int b) { color = Pack(a, r, g, b); }
    void set(unsigned int packed) { color = packed; }

    float getLuminance() const {
        return 0.11f * static_cast<float>(getBlue()) + 0.3f * static_cast<float>(getRed()) +
               0.59f * static_cast<float>(getGreen());
    }
    unsigned int getAverage() const { return (getRed() + getGreen() + getBlue()) / 3; }

    bool operator==(const CKesColor& o) const { return color == o.color; }
    bool operator!=(const CKesColor& o) const { return color != o.color; }
    bool operator<(const CKesColor& o) const { return color < o.color; }

    unsigned int color;

private:
    static unsigned int Pack(unsigned int a, unsigned int r, unsigned int g, unsigned int b) {
        return ((a & 0xFF) << 24) | ((r & 0xFF) << 16) | ((g & 0xFF) << 8) | (b & 0xFF);
    }
};

}  // namespace kest2d
