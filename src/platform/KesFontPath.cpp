#include "platform/KesFontPath.h"

#include <fontconfig/fontconfig.h>

#include <cctype>
#include <mutex>

#include "platform/KesFiles.h"

namespace kest2d {
namespace platform {

namespace {

const char* const kWindowsFolder = "C:\\WINDOWS";
const char* const kFallbackChineseFont = "/usr/share/fonts/truetype/wqy/wqy-microhei.ttc";

bool StartsWithNoCase(const std::string& text, const std::string& prefix) {
    if (text.size() < prefix.size()) return false;
    for (size_t i = 0; i < prefix.size(); ++i) {
        char a = text[i] == '/' ? '\\' : text[i];
        char b = prefix[i];
        if (std::tolower(static_cast<unsigned char>(a)) != std::tolower(static_cast<unsigned char>(b))) return false;
    }
    return true;
}

bool IsReadableFile(const std::string& path) {
    FILE* f = std::fopen(path.c_str(), "rb");
    if (!f) return false;
    std::fclose(f);
    return true;
}

// The file of the best font for `pattern`, when it covers U+4E2D (中).
std::string MatchChineseFont(FcPattern* pattern) {
    std::string result;
    FcConfigSubstitute(nullptr, pattern, FcMatchPattern);
    FcDefaultSubstitute(pattern);
    FcResult rc = FcResultNoMatch;
    FcPattern* match = FcFontMatch(nullptr, pattern, &rc);
    if (!match) return result;
    FcCharSet* chars = nullptr;
    FcChar8* file = nullptr;
    if (FcPatternGetCharSet(match, FC_CHARSET, 0, &chars) == FcResultMatch && FcCharSetHasChar(chars, 0x4E2D) &&
        FcPatternGetString(match, FC_FILE, 0, &file) == FcResultMatch && file) {
        result = reinterpret_cast<const char*>(file);
    }
    FcPatternDestroy(match);
    return result;
}

// A system font whose file name is `name` (compared without case).
std::string FindFontFileByName(const std::string& name) {
    std::string result;
    if (!FcInit()) return result;
    FcPattern* pattern = FcPatternCreate();
    FcObjectSet* objects = FcObjectSetBuild(FC_FILE, nullptr);
    FcFontSet* set = FcFontList(nullptr, pattern, objects);
    if (set) {
        for (int i = 0; i < set->nfont && result.empty(); ++i) {
            FcChar8* file = nullptr;
            if (FcPatternGetString(set->fonts[i], FC_FILE, 0, &file) != FcResultMatch || !file) continue;
            std::string path = reinterpret_cast<const char*>(file);
            size_t slash = path.find_last_of('/');
            std::string base = slash == std::string::npos ? path : path.substr(slash + 1);
            if (base.size() == name.size() && StartsWithNoCase(base, name)) result = path;
        }
        FcFontSetDestroy(set);
    }
    FcObjectSetDestroy(objects);
    FcPatternDestroy(pattern);
    return result;
}

}  // namespace

std::string GetWindowsDirectory() { return kWindowsFolder; }

std::string SystemChineseFontFile() {
    static std::once_flag once;
    static std::string found;
    std::call_once(once, [] {
        if (FcInit()) {
            FcPattern* pattern = FcPatternCreate();
            FcPatternAddString(pattern, FC_LANG, reinterpret_cast<const FcChar8*>("zh-cn"));
            FcCharSet* chars = FcCharSetCreate();
            FcCharSetAddChar(chars, 0x4E2D);
            FcPatternAddCharSet(pattern, FC_CHARSET, chars);
            FcCharSetDestroy(chars);
            found = MatchChineseFont(pattern);
            FcPatternDestroy(pattern);
        }
        if (found.empty() && IsReadableFile(kFallbackChineseFont)) found = kFallbackChineseFont;
    });
    return found;
}

std::string FontFilePath(const std::string& enginePath) {
    const std::string fontsFolder = std::string(kWindowsFolder) + "\\fonts\\";
    if (!StartsWithNoCase(enginePath, fontsFolder)) return DiskPath(enginePath);
    std::string name = enginePath.substr(fontsFolder.size());
    if (!name.empty() && name.find_first_of("\\/") == std::string::npos) {
        std::string byName = FindFontFileByName(name);
        if (!byName.empty()) return byName;
    }
    return SystemChineseFontFile();
}

}  // namespace platform
}  // namespace kest2d
