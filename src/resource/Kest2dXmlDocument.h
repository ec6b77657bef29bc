// TinyXML's document with the engine's one addition: parsing a document that
// is already in memory (a resource from an archive or the disk).
#pragma once

#include <tinyxml.h>

namespace kest2d {

class KesXmlDocument : public TiXmlDocument {
public:
    KesXmlDocument() = default;

    // Parses `length` bytes (up to the first zero byte) with CR LF and lone CR
    // turned into LF, so both line ends load alike. With the encoding left
    // unknown, a text that declares UTF-8 (or starts with its byte-order mark)
    // is read as UTF-8 when it is valid UTF-8; any other text, with or without
    // a declaration, is read byte for byte (the engine's GBK). False for a null
    // buffer, an empty one, or a parse error.
    bool LoadFromMemory(const char* buffer, unsigned long length,
                        TiXmlEncoding encoding = TIXML_ENCODING_UNKNOWN);

    // True when the last LoadFromMemory read the text as UTF-8.
    bool IsUtf8() const { return mUtf8; }
    // True when the last LoadFromMemory found a UTF-8 declaration (or mark)
    // over text that is not UTF-8, and so read the text as GBK instead.
    bool WrongDeclaration() const { return mWrongDeclaration; }

    // The encoding that the text's byte-order mark or declaration names
    // (TIXML_ENCODING_UTF8, TIXML_ENCODING_LEGACY for another name, or
    // TIXML_ENCODING_UNKNOWN when it names none).
    static TiXmlEncoding DeclaredEncoding(const char* text);
    static bool IsValidUtf8(const char* text);

private:
    bool mUtf8 = false;
    bool mWrongDeclaration = false;
};

}  // namespace kest2d
