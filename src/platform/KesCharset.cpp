#include "platform/KesCharset.h"

#include <iconv.h>

#include <cerrno>
#include <cstring>

namespace kest2d {
namespace platform {

namespace {

// Runs iconv over the whole input; on an invalid or incomplete sequence it
// calls `onBad` with the number of input bytes to skip and goes on.
template <typename OnBad>
bool Convert(const char* to, const char* from, const std::string& in, std::string* out, OnBad onBad) {
    iconv_t cd = iconv_open(to, from);
    if (cd == reinterpret_cast<iconv_t>(-1)) return false;
    out->clear();
    char* inPtr = const_cast<char*>(in.data());
    size_t inLeft = in.size();
    char buffer[4096];
    while (inLeft > 0) {
        char* outPtr = buffer;
        size_t outLeft = sizeof(buffer);
        size_t rc = iconv(cd, &inPtr, &inLeft, &outPtr, &outLeft);
        out->append(buffer, sizeof(buffer) - outLeft);
        if (rc == static_cast<size_t>(-1)) {
            if (errno == E2BIG) continue;
            // EILSEQ or EINVAL: skip the offending input.
            size_t skip = onBad(inPtr, inLeft, out);
            if (skip > inLeft) skip = inLeft;
            inPtr += skip;
            inLeft -= skip;
            iconv(cd, nullptr, nullptr, nullptr, nullptr);
        }
    }
    iconv_close(cd);
    return true;
}

size_t GbkBadLength(const char* p, size_t left) {
    unsigned char c = static_cast<unsigned char>(p[0]);
    if (c >= 0x81 && c <= 0xFE && left >= 2) {
        unsigned char t = static_cast<unsigned char>(p[1]);
        // A lead byte followed by something that is not a trail byte: skip
        // only the lead so the next character is not swallowed.
        if (t < 0x40 || t == 0x7F || t == 0xFF) return 1;
        return 2;
    }
    return 1;
}

}  // namespace

std::string GbkToUtf8(const std::string& gbk) {
    std::string out;
    Convert("UTF-8", "GBK", gbk, &out, [](const char* p, size_t left, std::string* o) {
        o->append("\xEF\xBF\xBD");
        return GbkBadLength(p, left);
    });
    return out;
}

std::string Utf8ToGbk(const std::string& utf8) {
    std::string out;
    Convert("GBK", "UTF-8", utf8, &out, [](const char* p, size_t left, std::string*) {
        // Skip one whole UTF-8 sequence (or one stray byte).
        unsigned char c = static_cast<unsigned char>(p[0]);
        size_t n = c < 0x80 ? 1 : c >= 0xF0 ? 4 : c >= 0xE0 ? 3 : c >= 0xC0 ? 2 : 1;
        size_t i = 1;
        while (i < n && i < left && (static_cast<unsigned char>(p[i]) & 0xC0) == 0x80) ++i;
        return i;
    });
    return out;
}

std::u16string GbkToUtf16(const std::string& gbk, char16_t substitute) {
    std::string bytes;
    Convert("UTF-16LE", "GBK", gbk, &bytes, [substitute](const char* p, size_t left, std::string* o) {
        o->push_back(static_cast<char>(substitute & 0xFF));
        o->push_back(static_cast<char>((substitute >> 8) & 0xFF));
        return GbkBadLength(p, left);
    });
    std::u16string out(bytes.size() / 2, u'\0');
    for (size_t i = 0; i < out.size(); ++i) {
        out[i] = static_cast<char16_t>(static_cast<unsigned char>(bytes[2 * i]) |
                                       (static_cast<unsigned char>(bytes[2 * i + 1]) << 8));
    }
    return out;
}

}  // namespace platform
}  // namespace kest2d
