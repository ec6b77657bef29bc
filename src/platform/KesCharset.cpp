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

// Windows' code page 936 gives GBK's three user-defined areas to private-use
// characters, one after the other: AAA1-AFFE from U+E000, F8A1-FEFE from
// U+E234, A140-A7A0 (trail bytes 40-A0 without 7F) from U+E4C6 to U+E765.
// iconv's GBK refuses them.
struct UserDefinedArea {
    unsigned char firstLead, lastLead, firstTrail, lastTrail;
    unsigned long first;  // the character of the area's first pair
    // The pairs of one lead byte (a trail byte is never 7F).
    unsigned long Row() const {
        return lastTrail - firstTrail + 1u - (firstTrail <= 0x7F && lastTrail >= 0x7F ? 1u : 0u);
    }
    unsigned long End() const { return first + (lastLead - firstLead + 1u) * Row(); }
};
const UserDefinedArea kUserDefinedAreas[] = {
    {0xAA, 0xAF, 0xA1, 0xFE, 0xE000},
    {0xF8, 0xFE, 0xA1, 0xFE, 0xE234},
    {0xA1, 0xA7, 0x40, 0xA0, 0xE4C6},
};

// The private-use character of a pair of the areas, 0 for a pair outside them.
char16_t UserDefinedToUnicode(unsigned char lead, unsigned char trail) {
    if (trail == 0x7F) return 0;
    for (const UserDefinedArea& a : kUserDefinedAreas) {
        if (lead < a.firstLead || lead > a.lastLead || trail < a.firstTrail || trail > a.lastTrail) continue;
        const unsigned long column = trail - a.firstTrail - (a.firstTrail < 0x7F && trail > 0x7F ? 1u : 0u);
        return static_cast<char16_t>(a.first + (lead - a.firstLead) * a.Row() + column);
    }
    return 0;
}

// The user-defined character of a bad GBK sequence, 0 when it is none.
char16_t UserDefinedAt(const char* p, size_t left) {
    if (left < 2) return 0;
    return UserDefinedToUnicode(static_cast<unsigned char>(p[0]), static_cast<unsigned char>(p[1]));
}

// The reverse: the two GBK bytes of a private-use character of the areas.
bool UnicodeToUserDefined(unsigned long code, std::string* out) {
    for (const UserDefinedArea& a : kUserDefinedAreas) {
        if (code < a.first || code >= a.End()) continue;
        const unsigned long offset = code - a.first;
        unsigned long trail = a.firstTrail + offset % a.Row();
        if (a.firstTrail < 0x7F && trail >= 0x7F) ++trail;
        out->push_back(static_cast<char>(a.firstLead + offset / a.Row()));
        out->push_back(static_cast<char>(trail));
        return true;
    }
    return false;
}

}  // namespace

std::string GbkToUtf8(const std::string& gbk) {
    std::string out;
    Convert("UTF-8", "GBK", gbk, &out, [](const char* p, size_t left, std::string* o) -> size_t {
        if (const char16_t c = UserDefinedAt(p, left)) {
            o->push_back(static_cast<char>(0xE0 | (c >> 12)));
            o->push_back(static_cast<char>(0x80 | ((c >> 6) & 0x3F)));
            o->push_back(static_cast<char>(0x80 | (c & 0x3F)));
            return 2;
        }
        o->append("\xEF\xBF\xBD");
        return GbkBadLength(p, left);
    });
    return out;
}

std::string Utf8ToGbk(const std::string& utf8) {
    std::string out;
    Convert("GBK", "UTF-8", utf8, &out, [](const char* p, size_t left, std::string* o) {
        // Skip one whole UTF-8 sequence (or one stray byte), keeping the
        // private-use characters of the user-defined areas.
        unsigned char c = static_cast<unsigned char>(p[0]);
        size_t n = c < 0x80 ? 1 : c >= 0xF0 ? 4 : c >= 0xE0 ? 3 : c >= 0xC0 ? 2 : 1;
        size_t i = 1;
        while (i < n && i < left && (static_cast<unsigned char>(p[i]) & 0xC0) == 0x80) ++i;
        if (n == 3 && i == 3) {
            const unsigned long code = ((c & 0x0Ful) << 12) | ((static_cast<unsigned char>(p[1]) & 0x3Ful) << 6) |
                                       (static_cast<unsigned char>(p[2]) & 0x3Ful);
            UnicodeToUserDefined(code, o);
        }
        return i;
    });
    return out;
}

std::u16string GbkToUtf16(const std::string& gbk, char16_t substitute) {
    std::string bytes;
    Convert("UTF-16LE", "GBK", gbk, &bytes, [substitute](const char* p, size_t left, std::string* o) -> size_t {
        const char16_t userDefined = UserDefinedAt(p, left);
        const char16_t c = userDefined ? userDefined : substitute;
        o->push_back(static_cast<char>(c & 0xFF));
        o->push_back(static_cast<char>((c >> 8) & 0xFF));
        return userDefined ? 2 : GbkBadLength(p, left);
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
