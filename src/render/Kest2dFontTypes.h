// The frame's font registry records and the handle by which controls hold a
// font; the font classes are in Kest2dFont.h.
#pragma once

#include <memory>

namespace kest2d {

class CKesGUIBaseFont;
class CKesGUITTFace;
class CKesGUITTFont;

// A font as a control holds it: it reads null once the font is deleted, and
// the frame's ClearAllFonts keeps a font while a control holds it.
class CKesFontRef {
public:
    CKesFontRef() = default;
    CKesGUIBaseFont* get() const { return mCell ? *mCell : nullptr; }

private:
    friend class CKesGUIBaseFont;
    explicit CKesFontRef(std::shared_ptr<CKesGUIBaseFont*> cell) : mCell(std::move(cell)) {}
    std::shared_ptr<CKesGUIBaseFont*> mCell;
};

// Names longer than 255 bytes are cut to 255 both when a record is made and
// when one is looked up.
enum : unsigned { KES_FONT_NAME_SIZE = 256 };

struct KesFaceRecord {
    char name[KES_FONT_NAME_SIZE];
    CKesGUITTFace* face;
};

struct KesFontRecord {
    char name[KES_FONT_NAME_SIZE];
    int size;
    CKesGUITTFont* font;
};

}  // namespace kest2d
