// Makes small Ogg Theora files (optionally with a Vorbis sound track) with
// libtheora's and libvorbis's encoders, for the video tests and benchmark.
#pragma once

#include <ogg/ogg.h>
#include <theora/theoraenc.h>
#include <vorbis/vorbisenc.h>

#include <algorithm>
#include <cmath>
#include <cstdint>
#include <cstring>
#include <functional>
#include <stdexcept>
#include <string>
#include <vector>

namespace kest2d {
namespace test {

struct Rgb {
    int r, g, b;
};

struct ClipSettings {
    int width = 32;  // picture size
    int height = 24;
    int picX = 0;  // picture offset inside the coded frame
    int picY = 0;
    int frameWidth = 0;  // coded frame size; 0: the picture rounded up to 16
    int frameHeight = 0;
    int fpsNumerator = 10;
    int fpsDenominator = 1;
    th_pixel_fmt format = TH_PF_420;
    int quality = 63;
    int frames = 10;
    // Colour of pixel (x, y) of frame `frame`, in coded-frame coordinates.
    std::function<Rgb(int frame, int x, int y)> paint = [](int, int, int) { return Rgb{128, 128, 128}; };
    // Sound track: none when audioRate is 0. A sine tone at toneHz.
    int audioRate = 0;
    int audioChannels = 1;
    double audioSeconds = 0.0;
    double toneHz = 440.0;
    float toneAmplitude = 0.5f;
    // False leaves the Theora stream out (a sound-only file).
    bool withVideo = true;
    // Changes the Theora identification header before it is written.
    std::function<void(std::vector<unsigned char>&)> patchIdHeader;
};

namespace detail {

struct TimedPage {
    double time;
    std::string bytes;
};

inline std::string PageBytes(const ogg_page& page) {
    std::string s(reinterpret_cast<const char*>(page.header), static_cast<size_t>(page.header_len));
    s.append(reinterpret_cast<const char*>(page.body), static_cast<size_t>(page.body_len));
    return s;
}

inline unsigned char Clamp8(double v) {
    return static_cast<unsigned char>(std::min(255.0, std::max(0.0, std::round(v))));
}

}  // namespace detail

// Studio-range BT.601, the inverse of the player's conversion.
inline void RgbToYCbCr(const Rgb& c, unsigned char& y, unsigned char& cb, unsigned char& cr) {
    y = detail::Clamp8(16.0 + 0.256788 * c.r + 0.504129 * c.g + 0.097906 * c.b);
    cb = detail::Clamp8(128.0 - 0.148223 * c.r - 0.290993 * c.g + 0.439216 * c.b);
    cr = detail::Clamp8(128.0 + 0.439216 * c.r - 0.367788 * c.g - 0.071427 * c.b);
}

// The whole file as bytes. Throws std::runtime_error when an encoder refuses the settings.
inline std::string MakeOggTheora(const ClipSettings& settings) {
    using detail::PageBytes;
    using detail::TimedPage;
    const int fw = settings.frameWidth ? settings.frameWidth : ((settings.picX + settings.width + 15) & ~15);
    const int fh = settings.frameHeight ? settings.frameHeight : ((settings.picY + settings.height + 15) & ~15);

    th_info ti;
    th_info_init(&ti);
    ti.frame_width = static_cast<ogg_uint32_t>(fw);
    ti.frame_height = static_cast<ogg_uint32_t>(fh);
    ti.pic_width = static_cast<ogg_uint32_t>(settings.width);
    ti.pic_height = static_cast<ogg_uint32_t>(settings.height);
    ti.pic_x = static_cast<ogg_uint32_t>(settings.picX);
    ti.pic_y = static_cast<ogg_uint32_t>(settings.picY);
    ti.fps_numerator = static_cast<ogg_uint32_t>(settings.fpsNumerator);
    ti.fps_denominator = static_cast<ogg_uint32_t>(settings.fpsDenominator);
    ti.aspect_numerator = 1;
    ti.aspect_denominator = 1;
    ti.colorspace = TH_CS_UNSPECIFIED;
    ti.pixel_fmt = settings.format;
    ti.target_bitrate = 0;
    ti.quality = settings.quality;
    th_enc_ctx* enc = th_encode_alloc(&ti);
    th_info_clear(&ti);
    if (!enc) throw std::runtime_error("theora encoder refused the settings");

    ogg_stream_state vs;
    ogg_stream_init(&vs, 0x7E0);
    // Pages that begin the streams come first, then the other header pages.
    std::vector<std::string> videoHead, videoRestHead, audioHead, audioRestHead;
    std::vector<TimedPage> pages;
    std::vector<TimedPage> videoPages;
    ogg_page page;
    ogg_packet op;

    th_comment tc;
    th_comment_init(&tc);
    bool first = true;
    std::vector<unsigned char> idHeader;
    while (th_encode_flushheader(enc, &tc, &op) > 0) {
        if (first && settings.patchIdHeader) {
            idHeader.assign(op.packet, op.packet + op.bytes);
            settings.patchIdHeader(idHeader);
            op.packet = idHeader.data();
            op.bytes = static_cast<long>(idHeader.size());
        }
        ogg_stream_packetin(&vs, &op);
        if (first) {
            while (ogg_stream_flush(&vs, &page)) videoHead.push_back(PageBytes(page));
            first = false;
        }
    }
    th_comment_clear(&tc);
    while (ogg_stream_flush(&vs, &page)) videoRestHead.push_back(PageBytes(page));

    // Sound track.
    const bool withAudio = settings.audioRate > 0;
    ogg_stream_state as;
    vorbis_info vi;
    vorbis_comment vc;
    vorbis_dsp_state vd;
    vorbis_block vb;
    if (withAudio) {
        vorbis_info_init(&vi);
        if (vorbis_encode_init_vbr(&vi, settings.audioChannels, settings.audioRate, 0.3f) != 0)
            throw std::runtime_error("vorbis encoder refused the settings");
        vorbis_comment_init(&vc);
        vorbis_analysis_init(&vd, &vi);
        vorbis_block_init(&vd, &vb);
        ogg_stream_init(&as, 0xA0D);
        ogg_packet h0, h1, h2;
        vorbis_analysis_headerout(&vd, &vc, &h0, &h1, &h2);
        ogg_stream_packetin(&as, &h0);
        while (ogg_stream_flush(&as, &page)) audioHead.push_back(PageBytes(page));
        ogg_stream_packetin(&as, &h1);
        ogg_stream_packetin(&as, &h2);
        while (ogg_stream_flush(&as, &page)) audioRestHead.push_back(PageBytes(page));

        const long total = static_cast<long>(settings.audioSeconds * settings.audioRate);
        long done = 0;
        const double pi = 3.14159265358979323846;
        double lastTime = 0.0;
        auto timeOf = [&](const ogg_page& pg) {
            ogg_int64_t g = ogg_page_granulepos(&pg);
            if (g >= 0) lastTime = static_cast<double>(g) / settings.audioRate;
            return lastTime;
        };
        auto drain = [&]() {
            while (vorbis_analysis_blockout(&vd, &vb) == 1) {
                vorbis_analysis(&vb, nullptr);
                vorbis_bitrate_addblock(&vb);
                while (vorbis_bitrate_flushpacket(&vd, &op)) {
                    ogg_stream_packetin(&as, &op);
                    while (ogg_stream_pageout(&as, &page)) pages.push_back(TimedPage{timeOf(page), PageBytes(page)});
                }
            }
        };
        while (done < total) {
            long n = std::min(1024L, total - done);
            float** buf = vorbis_analysis_buffer(&vd, static_cast<int>(n));
            for (long i = 0; i < n; ++i) {
                double s = settings.toneAmplitude * std::sin(2.0 * pi * settings.toneHz * (done + i) / settings.audioRate);
                for (int c = 0; c < settings.audioChannels; ++c) buf[c][i] = static_cast<float>(s);
            }
            vorbis_analysis_wrote(&vd, static_cast<int>(n));
            done += n;
            drain();
        }
        vorbis_analysis_wrote(&vd, 0);
        drain();
        while (ogg_stream_flush(&as, &page)) pages.push_back(TimedPage{timeOf(page), PageBytes(page)});
    }

    // Pictures, one page per frame.
    const int xdec = settings.format == TH_PF_444 ? 0 : 1;
    const int ydec = settings.format == TH_PF_420 ? 1 : 0;
    std::vector<unsigned char> planeY(static_cast<size_t>(fw) * fh);
    std::vector<unsigned char> planeCb(static_cast<size_t>(fw >> xdec) * (fh >> ydec));
    std::vector<unsigned char> planeCr(planeCb.size());
    th_ycbcr_buffer ycbcr;
    ycbcr[0] = th_img_plane{fw, fh, fw, planeY.data()};
    ycbcr[1] = th_img_plane{fw >> xdec, fh >> ydec, fw >> xdec, planeCb.data()};
    ycbcr[2] = th_img_plane{fw >> xdec, fh >> ydec, fw >> xdec, planeCr.data()};
    const double frameTime = static_cast<double>(settings.fpsDenominator) / settings.fpsNumerator;
    for (int f = 0; f < settings.frames; ++f) {
        for (int y = 0; y < fh; ++y) {
            for (int x = 0; x < fw; ++x) {
                unsigned char yy, cb, cr;
                RgbToYCbCr(settings.paint(f, x, y), yy, cb, cr);
                planeY[static_cast<size_t>(y) * fw + x] = yy;
                // Each chroma sample takes the colour of its top-left pixel.
                if ((x & ((1 << xdec) - 1)) == 0 && (y & ((1 << ydec) - 1)) == 0) {
                    size_t at = static_cast<size_t>(y >> ydec) * (fw >> xdec) + (x >> xdec);
                    planeCb[at] = cb;
                    planeCr[at] = cr;
                }
            }
        }
        if (th_encode_ycbcr_in(enc, ycbcr) != 0) throw std::runtime_error("theora encoder refused a frame");
        while (th_encode_packetout(enc, f == settings.frames - 1, &op) > 0) {
            ogg_stream_packetin(&vs, &op);
            while (ogg_stream_flush(&vs, &page)) videoPages.push_back(TimedPage{f * frameTime, PageBytes(page)});
        }
    }
    th_encode_free(enc);
    ogg_stream_clear(&vs);
    if (withAudio) {
        ogg_stream_clear(&as);
        vorbis_block_clear(&vb);
        vorbis_dsp_clear(&vd);
        vorbis_comment_clear(&vc);
        vorbis_info_clear(&vi);
    }

    if (!settings.withVideo) {
        videoHead.clear();
        videoRestHead.clear();
    } else {
        pages.insert(pages.begin(), videoPages.begin(), videoPages.end());
    }
    std::stable_sort(pages.begin(), pages.end(),
                     [](const TimedPage& a, const TimedPage& b) { return a.time < b.time; });
    std::string out;
    for (const auto* group : {&videoHead, &audioHead, &videoRestHead, &audioRestHead})
        for (const std::string& p : *group) out += p;
    for (const TimedPage& p : pages) out += p.bytes;
    return out;
}

// A clip of solid colours, one per frame.
inline ClipSettings SolidClip(const std::vector<Rgb>& colours, int width = 32, int height = 24) {
    ClipSettings settings;
    settings.width = width;
    settings.height = height;
    settings.frames = static_cast<int>(colours.size());
    settings.paint = [colours](int f, int, int) { return colours[static_cast<size_t>(f)]; };
    return settings;
}

}  // namespace test
}  // namespace kest2d
