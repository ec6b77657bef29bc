// Studio-range BT.601 Y'CbCr to RGB24 in 16.16 fixed point, table driven.
#include <cstdint>

#include "platform/video/OggTheoraSource.h"

namespace kest2d {
namespace video {

namespace {

struct Tables {
    int32_t y[256];
    int32_t crR[256];
    int32_t cbG[256];
    int32_t crG[256];
    int32_t cbB[256];
    Tables() {
        for (int i = 0; i < 256; ++i) {
            y[i] = static_cast<int32_t>(1.164383 * 65536.0 * (i - 16) + 32768.0);
            crR[i] = static_cast<int32_t>(1.596027 * 65536.0 * (i - 128));
            cbG[i] = static_cast<int32_t>(-0.391762 * 65536.0 * (i - 128));
            crG[i] = static_cast<int32_t>(-0.812968 * 65536.0 * (i - 128));
            cbB[i] = static_cast<int32_t>(2.017232 * 65536.0 * (i - 128));
        }
    }
};

const Tables& GetTables() {
    static const Tables tables;
    return tables;
}

inline unsigned char Clamp(int32_t v) {
    v >>= 16;
    return static_cast<unsigned char>(v < 0 ? 0 : (v > 255 ? 255 : v));
}

}  // namespace

void YCbCrToRgb(const th_ycbcr_buffer in, th_pixel_fmt format, int picX, int picY, int picWidth, int picHeight,
                unsigned char* out) {
    const Tables& t = GetTables();
    const int xdec = format == TH_PF_444 ? 0 : 1;
    const int ydec = format == TH_PF_420 ? 1 : 0;
    for (int row = 0; row < picHeight; ++row) {
        const int fy = picY + row;
        const unsigned char* yRow = in[0].data + static_cast<ptrdiff_t>(fy) * in[0].stride;
        const unsigned char* cbRow = in[1].data + static_cast<ptrdiff_t>(fy >> ydec) * in[1].stride;
        const unsigned char* crRow = in[2].data + static_cast<ptrdiff_t>(fy >> ydec) * in[2].stride;
        unsigned char* o = out + static_cast<ptrdiff_t>(row) * picWidth * 3;
        for (int col = 0; col < picWidth; ++col) {
            const int fx = picX + col;
            const int cx = fx >> xdec;
            const int32_t yy = t.y[yRow[fx]];
            const int cb = cbRow[cx];
            const int cr = crRow[cx];
            o[0] = Clamp(yy + t.crR[cr]);
            o[1] = Clamp(yy + t.cbG[cb] + t.crG[cr]);
            o[2] = Clamp(yy + t.cbB[cb]);
            o += 3;
        }
    }
}

}  // namespace video
}  // namespace kest2d
