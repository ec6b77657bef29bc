#include "resource/Kest2dXmlDocument.h"

#include <cctype>
#include <cstring>
#include <string>

namespace kest2d {

namespace {

bool EqualNoCase(const std::string& a, const char* b) {
    if (a.size() != std::strlen(b)) return false;
    for (size_t i = 0; i < a.size(); ++i)
        if (std::tolower(static_cast<unsigned char>(a[i])) != std::tolower(static_cast<unsigned char>(b[i])))
            return false;
    return true;
}

}  // namespace

TiXmlEncoding KesXmlDocument::DeclaredEncoding(const char* text) {
    if (!text) return TIXML_ENCODING_UNKNOWN;
    if (static_cast<unsigned char>(text[0]) == 0xEF && static_cast<unsigned char>(text[1]) == 0xBB &&
        static_cast<unsigned char>(text[2]) == 0xBF)
        return TIXML_ENCODING_UTF8;
    const char* p = text;
    while (*p == ' ' || *p == '\t' || *p == '\n') ++p;
    if (std::strncmp(p, "<?xml", 5) != 0) return TIXML_ENCODING_UNKNOWN;
    const char* end = std::strstr(p, "?>");
    if (!end) return TIXML_ENCODING_UNKNOWN;
    const std::string decl(p, end);
    const size_t at = decl.find("encoding");
    if (at == std::string::npos) return TIXML_ENCODING_UNKNOWN;
    size_t q = decl.find_first_of("\"'", at);
    if (q == std::string::npos) return TIXML_ENCODING_UNKNOWN;
    const size_t close = decl.find(decl[q], q + 1);
    if (close == std::string::npos) return TIXML_ENCODING_UNKNOWN;
    const std::string name = decl.substr(q + 1, close - q - 1);
    if (name.empty()) return TIXML_ENCODING_UNKNOWN;
    if (EqualNoCase(name, "UTF-8") || EqualNoCase(name, "UTF8")) return TIXML_ENCODING_UTF8;
    return TIXML_ENCODING_LEGACY;
}

bool KesXmlDocument::IsValidUtf8(const char* text) {
    const unsigned char* p = reinterpret_cast<const unsigned char*>(text);
    while (*p) {
        const unsigned char c = *p;
        int more = 0;
        unsigned long code = 0;
        if (c < 0x80) {
            ++p;
            continue;
        } else if (c >= 0xC2 && c <= 0xDF) {
            more = 1;
            code = c & 0x1F;
        } else if (c >= 0xE0 && c <= 0xEF) {
            more = 2;
            code = c & 0x0F;
        } else if (c >= 0xF0 && c <= 0xF4) {
            more = 3;
            code = c & 0x07;
        } else {
            return false;
        }
        ++p;
        for (int i = 0; i < more; ++i, ++p) {
            if ((*p & 0xC0) != 0x80) return false;
            code = (code << 6) | (*p & 0x3F);
        }
        if ((more == 2 && code < 0x800) || (more == 3 && (code < 0x10000 || code > 0x10FFFF)) ||
            (code >= 0xD800 && code <= 0xDFFF))
            return false;
    }
    return true;
}

bool KesXmlDocument::LoadFromMemory(const char* buffer, unsigned long length, TiXmlEncoding encoding) {
    mUtf8 = false;
    mWrongDeclaration = false;
    if (!buffer || length == 0) return false;
    Clear();
    ClearError();

    std::string text;
    text.reserve(length);
    for (unsigned long i = 0; i < length; ++i) {
        const char c = buffer[i];
        if (c == '\0') break;
        if (c == '\r') {
            text.push_back('\n');
            if (i + 1 < length && buffer[i + 1] == '\n') ++i;
            continue;
        }
        text.push_back(c);
    }

    const char* start = text.c_str();
    if (encoding == TIXML_ENCODING_UNKNOWN) {
        encoding = DeclaredEncoding(start) == TIXML_ENCODING_UTF8 ? TIXML_ENCODING_UTF8 : TIXML_ENCODING_LEGACY;
        if (encoding == TIXML_ENCODING_UTF8 && !IsValidUtf8(start)) {
            // Files written by older tools (and by earlier versions of the
            // engine) declare UTF-8 but hold the engine's GBK text.
            mWrongDeclaration = true;
            encoding = TIXML_ENCODING_LEGACY;
            if (text.compare(0, 3, "\xEF\xBB\xBF") == 0) start += 3;
        }
    }
    mUtf8 = encoding == TIXML_ENCODING_UTF8;
    Parse(start, nullptr, encoding);
    return !Error();
}

}  // namespace kest2d
