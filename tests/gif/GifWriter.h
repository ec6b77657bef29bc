// A small GIF writer for the decoder's tests: real LZW compression (or
// literal codes only), clear codes on demand, a full table kept without a
// clear code, chosen sub-block sizes, and every block of the format by hand.
#pragma once

#include <algorithm>
#include <cstdint>
#include <map>
#include <string>
#include <utility>
#include <vector>

namespace giftest {

struct Rgb {
    uint8_t r, g, b;
};
using Palette = std::vector<Rgb>;  // 2, 4, ... 256 entries

// 2^n entries, colour i = (i, 255 - i, i * 7).
inline Palette Ramp(int entries) {
    Palette p;
    for (int i = 0; i < entries; ++i)
        p.push_back({static_cast<uint8_t>(i), static_cast<uint8_t>(255 - i), static_cast<uint8_t>(i * 7)});
    return p;
}

inline int TableBits(size_t entries) {
    int bits = 1;
    while ((size_t{1} << bits) < entries) ++bits;
    return bits;
}

inline std::string U16(unsigned v) { return std::string{char(v & 0xFF), char((v >> 8) & 0xFF)}; }

inline std::string Table(const Palette& p) {
    std::string s;
    for (const Rgb& c : p) s += std::string{char(c.r), char(c.g), char(c.b)};
    return s;
}

struct LzwOptions {
    int codeSize = 0;           // 0: from the palette size, at least 2
    bool literalsOnly = false;  // every index as its own code
    int clearEvery = 0;         // a clear code after this many codes (0: only when the table fills)
    bool keepFullTable = false;  // no clear code when the table fills: 12-bit codes go on
    bool endCode = true;
    size_t blockSize = 255;
};

// Writes codes at the width the reader has when it reaches each one.
class CodeWriter {
public:
    explicit CodeWriter(int s) : mS(s), mClear(1 << s), mWidth(s + 1), mNext(mClear + 2) {}
    int clear() const { return mClear; }
    int end() const { return mClear + 1; }
    int readerNext() const { return mNext; }
    void put(int code) {
        mAcc |= static_cast<uint64_t>(code) << mBits;
        mBits += mWidth;
        while (mBits >= 8) {
            mOut += char(mAcc & 0xFF);
            mAcc >>= 8;
            mBits -= 8;
        }
        // What the reader does with it.
        if (code == mClear) {
            mNext = mClear + 2;
            mWidth = mS + 1;
            mPrev = -1;
        } else if (code != mClear + 1) {
            if (mPrev >= 0 && mNext < 4096) {
                ++mNext;
                if (mNext >= (1 << mWidth) && mWidth < 12) ++mWidth;
            }
            mPrev = code;
        }
    }
    std::string finish() {
        if (mBits > 0) mOut += char(mAcc & 0xFF);
        mAcc = 0;
        mBits = 0;
        return mOut;
    }

private:
    int mS, mClear, mWidth, mNext, mPrev = -1;
    uint64_t mAcc = 0;
    int mBits = 0;
    std::string mOut;
};

// The LZW code stream (before it is cut into sub-blocks).
inline std::string Lzw(const std::vector<uint8_t>& px, int s, const LzwOptions& o = LzwOptions()) {
    CodeWriter w(s);
    std::map<std::pair<int, int>, int> dict;
    int next = w.clear() + 2, sinceClear = 0;
    auto reset = [&]() {
        w.put(w.clear());
        dict.clear();
        next = w.clear() + 2;
        sinceClear = 0;
    };
    auto emit = [&](int code) {
        w.put(code);
        ++sinceClear;
        if (o.clearEvery > 0 && sinceClear >= o.clearEvery) reset();
    };
    reset();
    if (o.literalsOnly) {
        for (uint8_t p : px) {
            emit(p);
            if (w.readerNext() >= 4095 && !o.keepFullTable) reset();
        }
    } else {
        int cur = -1;
        for (uint8_t p : px) {
            if (cur < 0) {
                cur = p;
                continue;
            }
            auto it = dict.find({cur, p});
            if (it != dict.end()) {
                cur = it->second;
                continue;
            }
            int before = sinceClear;
            emit(cur);
            if (sinceClear > before && next < 4096) dict[{cur, p}] = next++;
            if (next >= 4096 && !o.keepFullTable) reset();
            cur = p;
        }
        if (cur >= 0) emit(cur);
    }
    if (o.endCode) w.put(w.end());
    return w.finish();
}

// `pixels` indices of colour 0 in few codes: each new code is the one the
// reader has not yet got (a run one longer than the last), then, with the
// table full, the longest run again and again.
inline std::string UniformRun(size_t pixels, int s = 2) {
    CodeWriter w(s);
    w.put(w.clear());
    size_t left = pixels;
    if (left > 0) {
        w.put(0);
        --left;
    }
    int code = w.clear() + 2;
    while (left > 0) {
        size_t len = static_cast<size_t>(code - w.clear());
        if (len > left) {
            w.put(0);
            --left;
            continue;
        }
        w.put(code);
        left -= len;
        if (code < 4095) ++code;
    }
    w.put(w.end());
    return w.finish();
}

inline std::string SubBlocks(const std::string& data, size_t blockSize = 255) {
    std::string s;
    for (size_t at = 0; at < data.size(); at += blockSize) {
        size_t n = std::min(blockSize, data.size() - at);
        s += char(n);
        s += data.substr(at, n);
    }
    return s + '\0';
}

inline std::string Screen(unsigned w, unsigned h, const Palette* global, int background = 0,
                          const char* version = "89a") {
    std::string s = std::string("GIF") + version + U16(w) + U16(h);
    uint8_t packed = 0x70;  // 8 bits of colour resolution
    if (global) packed |= 0x80 | (TableBits(global->size()) - 1);
    s += char(packed);
    s += char(background);
    s += '\0';
    if (global) s += Table(*global);
    return s;
}

inline std::string Gce(int disposal, unsigned delay, bool transparent = false, int index = 0,
                       bool userInput = false) {
    uint8_t packed = static_cast<uint8_t>((disposal & 7) << 2 | (userInput ? 2 : 0) | (transparent ? 1 : 0));
    return std::string("\x21\xF9\x04", 3) + char(packed) + U16(delay) + char(index) + '\0';
}

inline std::string Comment(const std::string& text) { return std::string("\x21\xFE", 2) + SubBlocks(text); }
inline std::string Netscape(unsigned loops) {
    return std::string("\x21\xFF\x0BNETSCAPE2.0\x03\x01", 16) + U16(loops) + '\0';
}

struct Image {
    unsigned left = 0, top = 0, w = 0, h = 0;
    std::vector<uint8_t> px;  // display order, row after row
    Palette local;            // empty: none
    bool interlaced = false;
    LzwOptions lzw;
};

// A w x h frame at (left, top) of one palette index.
inline Image Solid(unsigned left, unsigned top, unsigned w, unsigned h, uint8_t index) {
    Image im;
    im.left = left;
    im.top = top;
    im.w = w;
    im.h = h;
    im.px.assign(static_cast<size_t>(w) * h, index);
    return im;
}

inline int CodeSizeFor(const Image& im, size_t globalEntries) {
    if (im.lzw.codeSize) return im.lzw.codeSize;
    size_t entries = im.local.empty() ? globalEntries : im.local.size();
    int bits = TableBits(entries ? entries : 2);
    return bits < 2 ? 2 : bits;
}

// Image descriptor, local table and data; rows of an interlaced image are
// stored in the four passes' order.
inline std::string ImageBlock(const Image& im, size_t globalEntries = 256) {
    std::string s = "\x2C" + U16(im.left) + U16(im.top) + U16(im.w) + U16(im.h);
    uint8_t packed = 0;
    if (!im.local.empty()) packed |= 0x80 | (TableBits(im.local.size()) - 1);
    if (im.interlaced) packed |= 0x40;
    s += char(packed);
    if (!im.local.empty()) s += Table(im.local);
    std::vector<uint8_t> stored = im.px;
    if (im.interlaced && im.w > 0) {
        stored.clear();
        const unsigned start[4] = {0, 4, 2, 1}, step[4] = {8, 8, 4, 2};
        for (int pass = 0; pass < 4; ++pass)
            for (unsigned y = start[pass]; y < im.h; y += step[pass])
                stored.insert(stored.end(), im.px.begin() + y * im.w, im.px.begin() + (y + 1) * im.w);
    }
    int cs = CodeSizeFor(im, globalEntries);
    s += char(cs);
    s += SubBlocks(Lzw(stored, cs, im.lzw), im.lzw.blockSize);
    return s;
}

// w x h pixels, (x * a + y * b + c) % modulo.
inline std::vector<uint8_t> Pattern(unsigned w, unsigned h, unsigned a, unsigned b, unsigned c, unsigned modulo) {
    std::vector<uint8_t> px;
    for (unsigned y = 0; y < h; ++y)
        for (unsigned x = 0; x < w; ++x) px.push_back(static_cast<uint8_t>((x * a + y * b + c) % modulo));
    return px;
}

}  // namespace giftest
