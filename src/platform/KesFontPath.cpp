#include "platform/KesFontPath.h"

#include <fontconfig/fontconfig.h>

#include <cctype>
#include <mutex>
#include <vector>

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

// What the engine needs of the system's fonts, asked of fontconfig once per
// process: the files of every font, and the best one for Chinese text.
struct SystemFonts {
    std::vector<std::string> files;
    std::string chinese;
};

// fontconfig is started for the one look-up and released right after it, so
// that nothing of it stays behind in the process.
SystemFonts LookUpSystemFonts() {
    SystemFonts fonts;
    if (!FcInit()) return fonts;
    FcPattern* all = FcPatternCreate();
    FcObjectSet* objects = FcObjectSetBuild(FC_FILE, nullptr);
    if (FcFontSet* set = FcFontList(nullptr, all, objects)) {
        for (int i = 0; i < set->nfont; ++i) {
            FcChar8* file = nullptr;
            if (FcPatternGetString(set->fonts[i], FC_FILE, 0, &file) == FcResultMatch && file)
                fonts.files.push_back(reinterpret_cast<const char*>(file));
        }
        FcFontSetDestroy(set);
    }
    FcObjectSetDestroy(objects);
    FcPatternDestroy(all);

    FcPattern* pattern = FcPatternCreate();
    FcPatternAddString(pattern, FC_LANG, reinterpret_cast<const FcChar8*>("zh-cn"));
    FcCharSet* chars = FcCharSetCreate();
    FcCharSetAddChar(chars, 0x4E2D);
    FcPatternAddCharSet(pattern, FC_CHARSET, chars);
    FcCharSetDestroy(chars);
    fonts.chinese = MatchChineseFont(pattern);
    FcPatternDestroy(pattern);
    FcFini();
    return fonts;
}

const SystemFonts& TheSystemFonts() {
    static std::once_flag once;
    static SystemFonts fonts;
    std::call_once(once, [] {
        fonts = LookUpSystemFonts();
        if (fonts.chinese.empty() && IsReadableFile(kFallbackChineseFont)) fonts.chinese = kFallbackChineseFont;
    });
    return fonts;
}

// A system font whose file name is `name` (compared without case).
std::string FindFontFileByName(const std::string& name) {
    for (const std::string& path : TheSystemFonts().files) {
        const size_t slash = path.find_last_of('/');
        const std::string base = slash == std::string::npos ? path : path.substr(slash + 1);
        if (base.size() == name.size() && StartsWithNoCase(base, name)) return path;
    }
    return std::string();
}

}  // namespace

std::string GetWindowsDirectory() { return kWindowsFolder; }

std::string SystemChineseFontFile() { return TheSystemFonts().chinese; }

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
