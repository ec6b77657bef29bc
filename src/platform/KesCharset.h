// Text conversions between the engine's GBK text and the encodings of the
// backers (UTF-8 for SDL and the file system, UTF-16 for font lookups).
// GBK is read as Windows' code page 936 reads it: the user-defined areas
// (AAA1-AFFE, F8A1-FEFE, A140-A7A0) are the private-use characters U+E000 to
// U+E765, both ways.
#pragma once

#include <string>
#include <vector>

namespace kest2d {
namespace platform {

// GBK to UTF-8; an invalid or truncated sequence becomes U+FFFD and
// conversion goes on.
std::string GbkToUtf8(const std::string& gbk);
// UTF-8 to GBK (not GB18030: characters GBK cannot hold are dropped, so the
// result keeps the two-byte rule: every byte >= 0x80 starts a pair).
std::string Utf8ToGbk(const std::string& utf8);
// GBK to UTF-16 code units; an invalid or truncated sequence becomes
// `substitute` and conversion goes on.
std::u16string GbkToUtf16(const std::string& gbk, char16_t substitute = u'?');

}  // namespace platform
}  // namespace kest2d
