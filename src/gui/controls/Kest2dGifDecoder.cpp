#include "gui/controls/Kest2dGifDecoder.h"

#include <algorithm>
#include <cstdio>
#include <cstring>
#include <new>

#include "frame/Kest2dLogger.h"
#include "platform/KesFiles.h"

namespace kest2d {

namespace {

const int LZW_TABLE_SIZE = 4096;
const int LZW_MAX_WIDTH = 12;
const size_t PALETTE_BYTES = 256 * 3;
// Frames up to this size are taken at their word even when their data does
// not fill them (the rest is filled); larger ones must bring every pixel.
const size_t SMALL_FRAME_PIXELS = 1u << 16;

enum class Lzw { Ok, Bad, Overflow };

// Decodes GIF's variable-length LZW codes (least significant bit first) into
// `out`, at most `capacity` indices. `produced` tells how many were written.
// With `out` null the codes are only followed and their indices counted.
Lzw DecodeLzw(const unsigned char* data, size_t size, int minCodeSize, unsigned char* out, size_t capacity,
              size_t& produced) {
    unsigned short prefix[LZW_TABLE_SIZE];
    unsigned char suffix[LZW_TABLE_SIZE];
    unsigned char first[LZW_TABLE_SIZE];
    unsigned short length[LZW_TABLE_SIZE];

    const int clear = 1 << minCodeSize;
    const int end = clear + 1;
    for (int i = 0; i < clear; ++i) {
        prefix[i] = 0;
        suffix[i] = first[i] = static_cast<unsigned char>(i);
        length[i] = 1;
    }
    int next = clear + 2;
    int width = minCodeSize + 1;
    int prev = -1;
    produced = 0;

    unsigned long bits = 0;
    int count = 0;
    size_t pos = 0;
    for (;;) {
        while (count < width && pos < size) {
            bits |= static_cast<unsigned long>(data[pos++]) << count;
            count += 8;
        }
        if (count < width) return Lzw::Ok;  // the data ends without an end code
        const int code = static_cast<int>(bits & ((1ul << width) - 1));
        bits >>= width;
        count -= width;

        if (code == clear) {
            next = clear + 2;
            width = minCodeSize + 1;
            prev = -1;
            continue;
        }
        if (code == end) return Lzw::Ok;
        if (code > next || (code == next && prev < 0)) return Lzw::Bad;

        // The string of `code`; for the code not yet in the table it is the
        // previous string followed by its own first byte.
        const bool known = code < next;
        const size_t len = known ? length[code] : length[prev] + 1u;
        const unsigned char head = known ? first[code] : first[prev];
        if (len > capacity - produced) return Lzw::Overflow;
        if (out) {
            unsigned char* dst = out + produced;
            int walk = code;
            size_t at = len;
            if (!known) {
                dst[--at] = head;
                walk = prev;
            }
            while (at > 0) {
                dst[--at] = suffix[walk];
                walk = prefix[walk];
            }
        }
        produced += len;

        // A full table takes no more entries: the encoder goes on with
        // 12-bit codes until it sends a clear code.
        if (prev >= 0 && next < LZW_TABLE_SIZE) {
            prefix[next] = static_cast<unsigned short>(prev);
            suffix[next] = head;
            first[next] = first[prev];
            length[next] = static_cast<unsigned short>(length[prev] + 1);
            ++next;
            if (next >= (1 << width) && width < LZW_MAX_WIDTH) ++width;
        }
        prev = code;
    }
}

// Stored row order of an interlaced image to display order, in place.
void Deinterlace(std::vector<unsigned char>& indices, size_t width, size_t height) {
    if (width == 0 || height < 2) return;
    std::vector<unsigned char> rows(indices.size());
    static const size_t start[4] = {0, 4, 2, 1};
    static const size_t step[4] = {8, 8, 4, 2};
    size_t stored = 0;
    for (int pass = 0; pass < 4; ++pass) {
        for (size_t y = start[pass]; y < height; y += step[pass]) {
            std::memcpy(&rows[y * width], &indices[stored * width], width);
            ++stored;
        }
    }
    indices.swap(rows);
}

}  // namespace

// Bounds-checked reading of the file buffer.
class CKesGIFDecoder::Reader {
public:
    Reader(const unsigned char* data, size_t size) : mData(data), mSize(size) {}
    size_t pos() const { return mPos; }
    void seek(size_t pos) { mPos = std::min(pos, mSize); }
    bool atEnd() const { return mPos >= mSize; }
    bool byte(unsigned char& b) {
        if (mPos >= mSize) return false;
        b = mData[mPos++];
        return true;
    }
    bool u16(unsigned short& v) {
        if (mSize - mPos < 2) return false;
        v = static_cast<unsigned short>(mData[mPos] | (mData[mPos + 1] << 8));
        mPos += 2;
        return true;
    }
    bool bytes(unsigned char* to, size_t n) {
        if (mSize - mPos < n) return false;
        std::memcpy(to, mData + mPos, n);
        mPos += n;
        return true;
    }
    bool skip(size_t n) {
        if (mSize - mPos < n) return false;
        mPos += n;
        return true;
    }
    // Skips data sub-blocks up to and including the zero-size block.
    bool skipSubBlocks() {
        unsigned char n = 0;
        do {
            if (!byte(n) || !skip(n)) return false;
        } while (n != 0);
        return true;
    }
    // Appends the data sub-blocks to `to`, up to and including the zero-size block.
    bool readSubBlocks(std::vector<unsigned char>& to) {
        unsigned char n = 0;
        for (;;) {
            if (!byte(n)) return false;
            if (n == 0) return true;
            if (mSize - mPos < n) return false;
            to.insert(to.end(), mData + mPos, mData + mPos + n);
            mPos += n;
        }
    }

private:
    const unsigned char* mData;
    size_t mSize;
    size_t mPos = 0;
};

CKesGIFDecoder::~CKesGIFDecoder() { Close(); }

bool CKesGIFDecoder::Open(const std::string& path, bool allFrames) {
    if (mOpen) return false;
    FILE* f = platform::OpenFile(path, "rb");
    if (!f) {
        Fail("不能打开文件 " + path);
        return false;
    }
    std::vector<unsigned char> data;
    unsigned char chunk[65536];
    size_t n;
    bool tooBig = false;
    while ((n = std::fread(chunk, 1, sizeof chunk, f)) > 0) {
        if (data.size() + n > MAX_FILE_BYTES) {
            tooBig = true;
            break;
        }
        data.insert(data.end(), chunk, chunk + n);
    }
    std::fclose(f);
    if (tooBig) {
        Fail("文件过大 " + path);
        return false;
    }
    mData.swap(data);
    return OpenBuffer(allFrames);
}

bool CKesGIFDecoder::Open(const unsigned char* data, size_t size, bool allFrames) {
    if (mOpen) return false;
    if (size > MAX_FILE_BYTES) {
        Fail("文件过大");
        return false;
    }
    if (size > 0 && data) mData.assign(data, data + size);
    else mData.clear();
    return OpenBuffer(allFrames);
}

void CKesGIFDecoder::Close() {
    mOpen = false;
    mFrameCount = 0;
    mNext = 0;
    mStreamPos = 0;
    mPending = Control();
    mHeader = KesGifHeader();
    std::vector<KesGifFrame>().swap(mFrames);
    mStreamFrame = KesGifFrame();
    std::vector<unsigned char>().swap(mData);
}

const unsigned char* CKesGIFDecoder::GetGlobalPalette() const {
    return mHeader.globalColors.empty() ? nullptr : mHeader.globalColors.data();
}

const unsigned char* CKesGIFDecoder::GetPalette(const KesGifFrame& frame) const {
    return frame.localColors.empty() ? GetGlobalPalette() : frame.localColors.data();
}

const KesGifFrame* CKesGIFDecoder::GetFrame(int index) const {
    if (!mOpen || !mAllFrames || index < 0 || index >= static_cast<int>(mFrames.size())) return nullptr;
    return &mFrames[index];
}

void CKesGIFDecoder::Fail(const std::string& reason) {
    mFailure = reason;
    CKesLogger::output("GIF解码失败:" + reason, WARN);
}

bool CKesGIFDecoder::OpenBuffer(bool allFrames) {
    mFailure.clear();
    Reader in(mData.data(), mData.size());
    if (!ReadHeader(in)) {
        Close();
        return false;
    }
    int count = CountFrames(in);
    if (count <= 0) {
        if (count == 0) Fail("没有可读的图像");
        Close();
        return false;
    }
    mFrameCount = count;
    mAllFrames = allFrames;
    if (allFrames) {
        if (!DecodeAll(in)) {
            Close();
            return false;
        }
        // The frames hold everything now.
        std::vector<unsigned char>().swap(mData);
    } else {
        mStreamPos = mHeader.firstBlock;
    }
    mOpen = true;
    mNext = 0;
    return true;
}

bool CKesGIFDecoder::ReadHeader(Reader& in) {
    unsigned char sig[6];
    if (!in.bytes(sig, 6)) {
        Fail("文件头不完整");
        return false;
    }
    if (std::memcmp(sig, "GIF", 3) != 0) {
        Fail("不是GIF文件");
        return false;
    }
    if (std::memcmp(sig + 3, "89a", 3) > 0) {
        Fail("不支持的版本");
        return false;
    }
    std::memcpy(mHeader.version, sig + 3, 3);
    mHeader.version[3] = 0;
    unsigned char packed = 0;
    if (!in.u16(mHeader.screenWidth) || !in.u16(mHeader.screenHeight) || !in.byte(packed) ||
        !in.byte(mHeader.backgroundIndex) || !in.byte(mHeader.pixelAspect)) {
        Fail("文件头不完整");
        return false;
    }
    mHeader.globalColorTable = (packed & 0x80) != 0;
    mHeader.colorResolution = ((packed >> 4) & 7) + 1;
    mHeader.globalColorCount = 1 << ((packed & 7) + 1);
    if (mHeader.globalColorTable) {
        mHeader.sortFlag = (packed >> 3) & 1;
        mHeader.globalColors.assign(PALETTE_BYTES, 0);
        if (!in.bytes(mHeader.globalColors.data(), 3u * mHeader.globalColorCount)) {
            Fail("全局颜色表不完整");
            return false;
        }
    }
    mHeader.firstBlock = in.pos();
    return true;
}

// The number of images, walking the blocks without decoding them; -1 (and a
// log line) for an unknown block. The end of the file ends the count.
int CKesGIFDecoder::CountFrames(Reader in) {
    int count = 0;
    unsigned char b = 0;
    while (in.byte(b)) {
        if (b == 0) continue;
        if (b == 0x21) {
            unsigned char label = 0;
            if (!in.byte(label)) break;
            if (label != 0x01 && label != 0xF9 && label != 0xFE && label != 0xFF) {
                Fail("未知的扩展块");
                return -1;
            }
            if (!in.skipSubBlocks()) break;
        } else if (b == 0x2C) {
            ++count;
            unsigned char packed = 0, codeSize = 0;
            if (!in.skip(8) || !in.byte(packed)) break;
            if ((packed & 0x80) && !in.skip(3u << ((packed & 7) + 1))) break;
            if (!in.byte(codeSize) || !in.skipSubBlocks()) break;
        } else if (b == 0x3B) {
            break;
        } else {
            Fail("未知的数据块");
            return -1;
        }
    }
    return count;
}

bool CKesGIFDecoder::DecodeAll(Reader& in) {
    const int wanted = std::min(mFrameCount, MAX_FRAMES);
    mFrames.assign(wanted, KesGifFrame());
    Control pending;
    size_t budget = MAX_TOTAL_PIXELS;
    int done = 0;
    for (;;) {
        if (done == wanted) {
            if (wanted < mFrameCount) {
                CKesLogger::output("GIF帧数过多, 只读取了前" + std::to_string(wanted) + "帧", WARN);
            }
            break;
        }
        Step step = NextImage(in, mFrames[done], pending, budget);
        if (step == Step::Image) {
            budget -= mFrames[done].indices.size();
            ++done;
            continue;
        }
        if (step == Step::Trailer) break;
        if (step == Step::Truncated && done > 0) {
            CKesLogger::output("GIF文件不完整, 只读取了前" + std::to_string(done) + "帧", WARN);
            break;
        }
        if (step == Step::Truncated) Fail("文件不完整");
        return false;
    }
    if (done == 0) {
        Fail("没有可读的图像");
        return false;
    }
    mFrames.resize(done);
    mFrameCount = done;
    return true;
}

CKesGIFDecoder::Step CKesGIFDecoder::NextImage(Reader& in, KesGifFrame& frame, Control& pending,
                                              size_t pixelBudget) {
    unsigned char b = 0;
    for (;;) {
        // A file that ends where a block would begin simply lacks its trailer.
        if (!in.byte(b)) return Step::Trailer;
        if (b == 0) continue;
        if (b == 0x3B) return Step::Trailer;
        if (b == 0x2C) {
            Step step = ReadImage(in, frame, pending, pixelBudget);
            if (step == Step::Image) pending = Control();
            return step;
        }
        if (b != 0x21) {
            Fail("未知的数据块");
            return Step::Bad;
        }
        unsigned char label = 0;
        if (!in.byte(label)) return Step::Truncated;
        if (label == 0xF9) {
            unsigned char n = 0;
            for (;;) {
                if (!in.byte(n)) return Step::Truncated;
                if (n == 0) break;
                if (n == 4) {
                    unsigned char packed = 0, index = 0;
                    unsigned short delay = 0;
                    if (!in.byte(packed) || !in.u16(delay) || !in.byte(index)) return Step::Truncated;
                    pending.present = 1;
                    pending.disposal = (packed >> 2) & 7;
                    pending.userInput = (packed >> 1) & 1;
                    pending.transparency = packed & 1;
                    pending.delay = delay;
                    pending.transparentIndex = index;
                } else if (!in.skip(n)) {
                    return Step::Truncated;
                }
            }
        } else if (label == 0x01 || label == 0xFE || label == 0xFF) {
            if (!in.skipSubBlocks()) return Step::Truncated;
        } else {
            Fail("未知的扩展块");
            return Step::Bad;
        }
    }
}

CKesGIFDecoder::Step CKesGIFDecoder::ReadImage(Reader& in, KesGifFrame& frame, const Control& pending,
                                              size_t pixelBudget) {
    frame = KesGifFrame();
    unsigned char packed = 0;
    if (!in.u16(frame.left) || !in.u16(frame.top) || !in.u16(frame.width) || !in.u16(frame.height) ||
        !in.byte(packed)) {
        return Step::Truncated;
    }
    frame.localColorTable = (packed & 0x80) != 0;
    frame.interlaced = (packed & 0x40) != 0;
    frame.sortFlag = (packed >> 5) & 1;
    frame.localColorCount = 1 << ((packed & 7) + 1);
    if (frame.localColorTable) {
        frame.localColors.assign(PALETTE_BYTES, 0);
        if (!in.bytes(frame.localColors.data(), 3u * frame.localColorCount)) return Step::Truncated;
    }
    unsigned char codeSize = 0;
    std::vector<unsigned char> data;
    if (!in.byte(codeSize) || !in.readSubBlocks(data)) return Step::Truncated;

    frame.graphicControl = pending.present;
    frame.disposal = pending.disposal;
    frame.userInput = pending.userInput;
    frame.transparency = pending.transparency;
    frame.delay = pending.delay;
    frame.transparentIndex = pending.transparentIndex;

    if (codeSize < 1 || codeSize > 8) {
        Fail("LZW编码长度错误:" + std::to_string(codeSize));
        return Step::Bad;
    }
    const size_t pixels = static_cast<size_t>(frame.width) * frame.height;
    // The codes are followed once without output before anything is
    // allocated: bad data is refused at no cost, and a large frame must
    // hold every pixel it announces (a few bytes must not make megabytes).
    const bool fits = pixels <= MAX_FRAME_PIXELS && pixels <= pixelBudget;
    size_t produced = 0;
    const Lzw result = fits ? DecodeLzw(data.data(), data.size(), codeSize, nullptr, pixels, produced) : Lzw::Ok;
    if (result != Lzw::Ok) {
        Fail(result == Lzw::Bad ? "LZW数据错误" : "LZW数据超出图像大小");
        return Step::Bad;
    }
    if (!fits || (pixels > SMALL_FRAME_PIXELS && produced < pixels)) {
        Fail("图像尺寸过大:" + std::to_string(frame.width) + "x" + std::to_string(frame.height));
        return Step::Bad;
    }
    try {
        frame.indices.resize(pixels);
    } catch (const std::bad_alloc&) {
        Fail("内存不足");
        return Step::Bad;
    }
    // The same codes again, written this time.
    DecodeLzw(data.data(), data.size(), codeSize, frame.indices.data(), pixels, produced);
    // Pixels the data left out show the transparent colour when the frame
    // has one, else the background colour.
    if (produced < pixels) {
        unsigned char fill = frame.transparency ? frame.transparentIndex : mHeader.backgroundIndex;
        std::fill(frame.indices.begin() + produced, frame.indices.end(), fill);
    }
    if (frame.interlaced) Deinterlace(frame.indices, frame.width, frame.height);
    return Step::Image;
}

const KesGifFrame* CKesGIFDecoder::NextFrame() {
    if (!mOpen) return nullptr;
    if (mAllFrames) {
        if (mFrames.empty()) return nullptr;
        if (mNext >= static_cast<int>(mFrames.size())) mNext = 0;
        return &mFrames[mNext++];
    }
    mStreamFrame = KesGifFrame();
    Reader in(mData.data(), mData.size());
    in.seek(mStreamPos);
    // One pass from the first block must find an image (the count found
    // one); a second trailer in a row means the images have gone bad.
    for (int wraps = 0; wraps < 2; ++wraps) {
        Step step = NextImage(in, mStreamFrame, mPending, MAX_FRAME_PIXELS);
        if (step == Step::Image) {
            mStreamPos = in.pos();
            return &mStreamFrame;
        }
        if (step != Step::Trailer) {
            if (step == Step::Truncated) Fail("文件不完整");
            break;
        }
        in.seek(mHeader.firstBlock);
        mPending = Control();
    }
    // Start again from the first image on the next call.
    mStreamFrame = KesGifFrame();
    mStreamPos = mHeader.firstBlock;
    mPending = Control();
    return nullptr;
}

}  // namespace kest2d
