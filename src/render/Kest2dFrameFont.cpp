// The font registry: faces and fonts by name (and size), and the built-in
// "DefaultFont" behind DrawString and GetTextDimension.
#include <cstring>

#include "frame/Kest2dBaseFrame.h"
#include "render/Kest2dFont.h"
#include "platform/KesFontPath.h"

namespace kest2d {

namespace {

// Record names hold at most 255 bytes; lookups cut the same way.
std::string RecordName(const std::string& name) { return name.substr(0, KES_FONT_NAME_SIZE - 1); }

template <typename Record>
void SetRecordName(Record& record, const std::string& name) {
    const std::string cut = RecordName(name);
    std::memcpy(record.name, cut.c_str(), cut.size() + 1);
}

}  // namespace

CKesGUIBaseFont* CKesBaseFrame::LoadFont(const char* name, int size, const char* file) {
    if (!name) return nullptr;
    CKesGUITTFace* face = IsExitTTFace(name);
    if (!face) {
        face = new CKesGUITTFace();
        if (!face->load(file)) {
            delete face;
            return nullptr;
        }
        KesFaceRecord record;
        SetRecordName(record, name);
        record.face = face;
        mFaceRecords.push_back(record);
    }
    if (CKesGUITTFont* found = IsExitTTFont(name, size)) return found;
    CKesGUITTFont* font = new CKesGUITTFont(this);
    if (!font->attach(face, size)) {
        delete font;
        return nullptr;
    }
    KesFontRecord record;
    SetRecordName(record, name);
    record.size = size;
    record.font = font;
    mFontRecords.push_back(record);
    return font;
}

void CKesBaseFrame::ClearAllFonts() { FreeFonts(true); }

// A font that a control holds is never freed under it: with `keepHeld` such
// fonts stay in the registry, with their faces, until no control holds them.
void CKesBaseFrame::FreeFonts(bool keepHeld) {
    if (mFaceRecords.empty() && mFontRecords.empty()) return;
    // Fonts use the faces: they go first.
    std::vector<KesFontRecord> fonts;
    for (KesFontRecord& record : mFontRecords) {
        if (keepHeld && record.font->IsHeld())
            fonts.push_back(record);
        else
            delete record.font;
    }
    mFontRecords.swap(fonts);
    std::vector<KesFaceRecord> faces;
    for (KesFaceRecord& record : mFaceRecords) {
        bool used = false;
        for (const KesFontRecord& font : mFontRecords) used = used || font.font->GetFace() == record.face;
        if (used)
            faces.push_back(record);
        else
            delete record.face;
    }
    mFaceRecords.swap(faces);
    mCurrentFont = nullptr;
}

CKesGUITTFace* CKesBaseFrame::IsExitTTFace(std::string name) {
    if (name.empty()) return nullptr;
    name = RecordName(name);
    for (const KesFaceRecord& record : mFaceRecords)
        if (name == record.name) return record.face;
    return nullptr;
}

CKesGUITTFont* CKesBaseFrame::IsExitTTFont(std::string name, int size) {
    if (name.empty()) return nullptr;
    name = RecordName(name);
    for (const KesFontRecord& record : mFontRecords)
        if (record.size == size && name == record.name) return record.font;
    return nullptr;
}

void CKesBaseFrame::loadBuiltInFont() {
    const std::string path = platform::GetWindowsDirectory() + "\\fonts\\SIMHEI.TTF";
    mCurrentFont = static_cast<CKesGUITTFont*>(LoadFont("DefaultFont", 13, path.c_str()));
    if (!mCurrentFont && CKesLogger::admits(ERRORR)) SystemLog(ERRORR, "导入TTF字体:" + path + "出错!");
}

void CKesBaseFrame::LoadDefaultFont() {
    ClearAllFonts();
    loadBuiltInFont();
}

void CKesBaseFrame::DrawString(const char* text, const CKesRect<int>& rect, CKesColor colour, bool hCenter,
                               bool vCenter, const CKesRect<int>* clip) {
    // Text is drawn only inside an open scene, like every other quad.
    if (!mCurrentFont || !mVertexPtr) return;
    mCurrentFont->draw(text, rect, colour, hCenter, vCenter, clip);
}

CKesDimension2d<int> CKesBaseFrame::GetTextDimension(const char* text) {
    if (!mCurrentFont) return CKesDimension2d<int>(0, 0);
    return mCurrentFont->getTextDimension(text);
}

}  // namespace kest2d
