// The frame's font registry records; the font classes are in Kest2dFont.h.
#pragma once

namespace kest2d {

class CKesGUIBaseFont;
class CKesGUITTFace;
class CKesGUITTFont;

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
