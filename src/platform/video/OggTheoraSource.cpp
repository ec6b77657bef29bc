#include "platform/video/OggTheoraSource.h"

#include <cmath>
#include <cstring>

namespace kest2d {
namespace video {

namespace {

constexpr long kReadChunk = 64 * 1024;
// Lacing entries (one per packet segment) a stream may hold unread.
constexpr long kMaxLacingBacklog = 1L << 20;

bool OverBacklog(const ogg_stream_state& s) {
    return s.body_fill - s.body_returned > OggTheoraSource::kMaxStreamBacklog ||
           s.lacing_fill - s.lacing_returned > kMaxLacingBacklog;
}

}  // namespace

OggTheoraSource::~OggTheoraSource() {
    dropAudio();
    if (mVorbisInfoReady) {
        vorbis_comment_clear(&mVorbisComment);
        vorbis_info_clear(&mVorbisInfo);
    }
    if (mDecoder) th_decode_free(mDecoder);
    if (mTheoraSetup) th_setup_free(mTheoraSetup);
    if (mTheoraInfoReady) {
        th_comment_clear(&mTheoraComment);
        th_info_clear(&mTheoraInfo);
    }
    if (mVideoStreamReady) ogg_stream_clear(&mVideoStream);
    if (mSyncReady) ogg_sync_clear(&mSync);
    if (mFile) fclose(mFile);
}

bool OggTheoraSource::open(const std::string& diskPath, std::string& error) {
    mFile = fopen(diskPath.c_str(), "rb");
    if (!mFile) {
        error = "cannot open " + diskPath;
        return false;
    }
    ogg_sync_init(&mSync);
    mSyncReady = true;
    th_info_init(&mTheoraInfo);
    th_comment_init(&mTheoraComment);
    mTheoraInfoReady = true;
    vorbis_info_init(&mVorbisInfo);
    vorbis_comment_init(&mVorbisComment);
    mVorbisInfoReady = true;
    if (!readHeaders(error)) {
        error = diskPath + ": " + error;
        return false;
    }
    return true;
}

bool OggTheoraSource::readPage(ogg_page& page) {
    for (;;) {
        int r = ogg_sync_pageout(&mSync, &page);
        if (r == 1) return true;
        if (r < 0) continue;  // skipped bytes that were not a page
        if (mFileEnded) return false;
        char* buffer = ogg_sync_buffer(&mSync, kReadChunk);
        if (!buffer) {
            mFileEnded = true;
            return false;
        }
        size_t n = fread(buffer, 1, kReadChunk, mFile);
        if (n == 0) {
            // A damaged page start near the end claims up to a page of bytes
            // that never come, holding back the pages behind it. Zeros give it
            // those bytes: it fails its checksum and the search goes on; zeros
            // themselves never form a page.
            mFileEnded = true;
            memset(buffer, 0, kReadChunk);
            ogg_sync_wrote(&mSync, kReadChunk);
            continue;
        }
        ogg_sync_wrote(&mSync, static_cast<long>(n));
        mBytesRead += static_cast<long>(n);
    }
}

void OggTheoraSource::routePage(ogg_page& page) {
    int serial = ogg_page_serialno(&page);
    if (mVideoStreamReady && !mVideoEnded && serial == mVideoStream.serialno) {
        ogg_stream_pagein(&mVideoStream, &page);
        if (OverBacklog(mVideoStream)) mVideoEnded = true;
    } else if (mAudioStreamReady && serial == mAudioStream.serialno) {
        ogg_stream_pagein(&mAudioStream, &page);
        if (OverBacklog(mAudioStream)) dropAudio();
    }
}

bool OggTheoraSource::nextPacket(ogg_stream_state& stream, bool& ended, ogg_packet& packet) {
    const bool audio = &stream == &mAudioStream;
    for (;;) {
        if (ended || (audio && !mAudioStreamReady)) return false;
        int r = ogg_stream_packetout(&stream, &packet);
        if (r == 1) return true;
        if (r < 0) continue;  // a gap in the stream: go on with what follows
        ogg_page page;
        if (stream.e_o_s || !readPage(page)) {
            ended = true;
            return false;
        }
        routePage(page);
    }
}

void OggTheoraSource::dropAudio() {
    if (mVorbisReady) {
        vorbis_block_clear(&mVorbisBlock);
        vorbis_dsp_clear(&mVorbisDsp);
        mVorbisReady = false;
    }
    if (mAudioStreamReady) {
        ogg_stream_clear(&mAudioStream);
        mAudioStreamReady = false;
    }
    mAudioEnded = true;
}

bool OggTheoraSource::readHeaders(std::string& error) {
    ogg_page page;
    ogg_packet packet;
    bool pending = false;
    // The first pages of the file start its streams: keep the first Theora
    // and the first Vorbis stream, skip the others.
    while (readPage(page)) {
        if (!ogg_page_bos(&page)) {
            pending = true;
            break;
        }
        ogg_stream_state probe;
        ogg_stream_init(&probe, ogg_page_serialno(&page));
        ogg_stream_pagein(&probe, &page);
        bool kept = false;
        if (ogg_stream_packetout(&probe, &packet) == 1) {
            if (!mVideoStreamReady &&
                th_decode_headerin(&mTheoraInfo, &mTheoraComment, &mTheoraSetup, &packet) > 0) {
                mVideoStream = probe;
                mVideoStreamReady = kept = true;
            } else if (!mAudioStreamReady && vorbis_synthesis_idheader(&packet) &&
                       vorbis_synthesis_headerin(&mVorbisInfo, &mVorbisComment, &packet) == 0) {
                mAudioStream = probe;
                mAudioStreamReady = kept = true;
            }
        }
        if (!kept) ogg_stream_clear(&probe);
        if (mBytesRead > kMaxHeaderBytes) break;
    }
    if (!mVideoStreamReady) {
        error = mBytesRead == 0 ? "empty file" : "no Ogg Theora stream";
        return false;
    }
    if (pending) routePage(page);

    int theoraHeaders = 1;
    int vorbisHeaders = mAudioStreamReady ? 1 : 3;
    while (theoraHeaders < 3 || vorbisHeaders < 3) {
        int r;
        while (theoraHeaders < 3 && !mVideoEnded && (r = ogg_stream_packetout(&mVideoStream, &packet)) != 0) {
            if (r < 0 || th_decode_headerin(&mTheoraInfo, &mTheoraComment, &mTheoraSetup, &packet) <= 0) {
                error = "damaged Theora headers";
                return false;
            }
            ++theoraHeaders;
        }
        while (vorbisHeaders < 3 && mAudioStreamReady && (r = ogg_stream_packetout(&mAudioStream, &packet)) != 0) {
            if (r < 0 || vorbis_synthesis_headerin(&mVorbisInfo, &mVorbisComment, &packet) != 0) {
                dropAudio();  // play the pictures without sound
                break;
            }
            ++vorbisHeaders;
        }
        if (!mAudioStreamReady) vorbisHeaders = 3;
        if (theoraHeaders == 3 && vorbisHeaders == 3) break;
        if (mVideoEnded || mBytesRead > kMaxHeaderBytes || !readPage(page)) {
            if (theoraHeaders < 3) {
                error = "incomplete Theora headers";
                return false;
            }
            dropAudio();
            break;
        }
        routePage(page);
    }

    const th_info& ti = mTheoraInfo;
    if (ti.frame_width == 0 || ti.frame_height == 0 ||
        static_cast<long>(ti.frame_width) * static_cast<long>(ti.frame_height) > kMaxFramePixels) {
        error = "picture too large";
        return false;
    }
    if (ti.pic_width == 0 || ti.pic_height == 0 || ti.pic_x + ti.pic_width > ti.frame_width ||
        ti.pic_y + ti.pic_height > ti.frame_height) {
        error = "bad picture region";
        return false;
    }
    if (ti.pixel_fmt != TH_PF_420 && ti.pixel_fmt != TH_PF_422 && ti.pixel_fmt != TH_PF_444) {
        error = "unknown pixel format";
        return false;
    }
    mDecoder = th_decode_alloc(&mTheoraInfo, mTheoraSetup);
    th_setup_free(mTheoraSetup);
    mTheoraSetup = nullptr;
    if (!mDecoder) {
        error = "Theora decoder refused the headers";
        return false;
    }

    if (mAudioStreamReady) {
        if (mVorbisInfo.channels < 1 || mVorbisInfo.channels > 8 || mVorbisInfo.rate < 1 ||
            mVorbisInfo.rate > 192000 || vorbis_synthesis_init(&mVorbisDsp, &mVorbisInfo) != 0) {
            dropAudio();
        } else {
            vorbis_block_init(&mVorbisDsp, &mVorbisBlock);
            mVorbisReady = true;
        }
    }
    return true;
}

OggTheoraSource::VideoPacket OggTheoraSource::decodeVideoPacket() {
    ogg_packet packet;
    if (!mDecoder || !nextPacket(mVideoStream, mVideoEnded, packet)) return VideoPacket::End;
    int r = th_decode_packetin(mDecoder, &packet, nullptr);
    if (r == 0) return VideoPacket::Picture;
    if (r == TH_DUPFRAME) return VideoPacket::Repeat;
    return VideoPacket::Bad;
}

bool OggTheoraSource::picture(th_ycbcr_buffer out) { return mDecoder && th_decode_ycbcr_out(mDecoder, out) == 0; }

bool OggTheoraSource::decodeAudio(std::vector<float>& out) {
    for (;;) {
        if (!mVorbisReady) return false;
        float** pcm = nullptr;
        int n = vorbis_synthesis_pcmout(&mVorbisDsp, &pcm);
        if (n > 0) {
            const int channels = mVorbisInfo.channels;
            size_t at = out.size();
            out.resize(at + static_cast<size_t>(n) * channels);
            for (int i = 0; i < n; ++i) {
                for (int c = 0; c < channels; ++c) {
                    float v = pcm[c][i];
                    if (!std::isfinite(v)) v = 0.0f;
                    out[at++] = v < -1.0f ? -1.0f : (v > 1.0f ? 1.0f : v);
                }
            }
            vorbis_synthesis_read(&mVorbisDsp, n);
            return true;
        }
        ogg_packet packet;
        if (!nextPacket(mAudioStream, mAudioEnded, packet)) return false;
        if (!mVorbisReady) return false;  // the backlog cap gave the track up
        if (vorbis_synthesis(&mVorbisBlock, &packet) == 0) vorbis_synthesis_blockin(&mVorbisDsp, &mVorbisBlock);
    }
}

}  // namespace video
}  // namespace kest2d
