// Reads an Ogg file with a Theora video stream and, optionally, a Vorbis
// sound stream: demultiplexing, header parsing and decoding, one packet at a
// time. Every buffer it keeps is bounded, whatever the file holds.
#pragma once

#include <ogg/ogg.h>
#include <theora/theoradec.h>
#include <vorbis/codec.h>

#include <cstdio>
#include <string>
#include <vector>

namespace kest2d {
namespace video {

class OggTheoraSource {
public:
    // Largest picture accepted (pixels of the coded frame).
    static constexpr long kMaxFramePixels = 2048L * 2048L;
    // Unread data a stream may hold before it is given up.
    static constexpr long kMaxStreamBacklog = 8L << 20;
    // File bytes read while looking for the headers before the file is refused.
    static constexpr long kMaxHeaderBytes = 16L << 20;

    OggTheoraSource() = default;
    ~OggTheoraSource();
    OggTheoraSource(const OggTheoraSource&) = delete;
    OggTheoraSource& operator=(const OggTheoraSource&) = delete;

    // Opens the file at a disk path and reads the headers. On failure `error`
    // says why and the source must not be used.
    bool open(const std::string& diskPath, std::string& error);

    const th_info& videoInfo() const { return mTheoraInfo; }
    bool hasAudio() const { return mVorbisReady; }
    int audioChannels() const { return mVorbisInfo.channels; }
    int audioRate() const { return static_cast<int>(mVorbisInfo.rate); }

    enum class VideoPacket { Picture, Repeat, Bad, End };
    // Decodes the next video packet: a new picture, a repeat of the last one,
    // a packet the decoder refused, or the end of the stream.
    VideoPacket decodeVideoPacket();
    // The last decoded picture (valid after a Picture result).
    bool picture(th_ycbcr_buffer out);

    // Appends the next decoded samples (interleaved floats) to `out`; false
    // at the end of the sound track.
    bool decodeAudio(std::vector<float>& out);

private:
    bool readPage(ogg_page& page);
    void routePage(ogg_page& page);
    bool nextPacket(ogg_stream_state& stream, bool& ended, ogg_packet& packet);
    bool readHeaders(std::string& error);
    void dropAudio();

    FILE* mFile = nullptr;
    long mBytesRead = 0;
    bool mFileEnded = false;
    ogg_sync_state mSync{};
    bool mSyncReady = false;

    ogg_stream_state mVideoStream{};
    bool mVideoStreamReady = false;
    bool mVideoEnded = false;
    th_info mTheoraInfo{};
    th_comment mTheoraComment{};
    th_setup_info* mTheoraSetup = nullptr;
    th_dec_ctx* mDecoder = nullptr;
    bool mTheoraInfoReady = false;

    ogg_stream_state mAudioStream{};
    bool mAudioStreamReady = false;
    bool mAudioEnded = false;
    vorbis_info mVorbisInfo{};
    vorbis_comment mVorbisComment{};
    bool mVorbisInfoReady = false;
    vorbis_dsp_state mVorbisDsp{};
    vorbis_block mVorbisBlock{};
    bool mVorbisReady = false;
};

// Converts the picture region of a decoded Y'CbCr frame (4:2:0, 4:2:2 or
// 4:4:4, studio range, BT.601) to tightly packed RGB24, rows from the top.
void YCbCrToRgb(const th_ycbcr_buffer in, th_pixel_fmt format, int picX, int picY, int picWidth, int picHeight,
                unsigned char* out);

}  // namespace video
}  // namespace kest2d
