// What every GUI control shares: reporting to the parent, the four-state
// image strip, the draggable thumb of the scroll bar and the slider, and the
// double-byte text rules of the text controls.
#pragma once

#include <functional>
#include <string>

#include "frame/Kest2dEvent.h"
#include "frame/types/Kest2dColor.h"
#include "frame/types/Kest2dRect.h"

namespace kest2d {

class CKesBaseFrame;
class CKesBaseGUIElement;
class CKesGUIScrollBar;

// The states of a button, and the order of the four pictures of every
// control image strip (normal, pressed, hovered, disabled).
enum ButtonState : int {
    STATE_NORMAL = 0,
    STATE_DOWND = 1,
    STATE_HOVERED = 2,
    STATE_DISABLED = 3,
    STATE_NULL = 4,
};

// A draggable thumb: its absolute rectangle, its image strip, its state
// (0 normal, 1 pressed, 2 hovered) and, while pressed, the distance from its
// leading edge to the pointer (along y for scroll bars, along x for sliders).
struct KESThumb {
    CKesRect<int> Rect;
    unsigned long Texture = 0;
    int State = 0;
    int GrabOffset = 0;
};

// Follows the mouse over a thumb; other events are ignored. `vertical`
// chooses the axis of GrabOffset.
void ThumbProcessMouse(KESThumb& thumb, const CKesEvent& event, bool vertical);
// Draws the strip picture of the thumb's state into its rectangle, clipped to
// the frame's client area.
void DrawThumb(CKesBaseFrame* frame, const KESThumb& thumb);

// Reports a GUI event of `control` (about `element`, when given) to its parent
// at once. Returns the parent's result, or `noParent` when the control has
// none. The parent may delete the control: callers touch nothing of it
// afterwards.
bool RaiseGuiEvent(CKesBaseGUIElement* control, int guiEventType, bool noParent = true,
                   CKesBaseGUIElement* element = nullptr);

// The top line of a scrolled list after a wheel step, within 0 ... last. A
// wheel amount that is no number leaves the view at the top.
int WheelTop(int top, float wheel, int last);

// A vertical scroll bar `width` pixels wide along the right edge of
// `owner`, made as its child (the owner deletes it with its children).
CKesGUIScrollBar* AddSideScrollBar(CKesBaseGUIElement* owner, int width, const char* caption);

// Calls draw(x) for the tiles x = first, first + step, ... that start below
// `end`, skipping those that cannot show inside `clip` or the frame's screen
// (so a bar as wide as int costs no more tiles than the screen holds). The
// positions are computed wide: none is beyond int.
void TileAcross(CKesBaseFrame* frame, const CKesRect<int>& clip, long long first, long long end, int step,
                const std::function<void(int x)>& draw);

// The source rectangle of strip picture `state` of a texture w x h pixels.
CKesRect<int> StripSource(int state, int width, int height);

// The double-byte text rules (the system code page, GBK). A byte with its top
// bit set begins a character of two bytes; any other byte is one character.
// A lead byte at the very end of a text stands alone.
namespace gbk {

inline bool IsLead(char c) { return (static_cast<unsigned char>(c) & 0x80) != 0; }
// The size in bytes of the character that starts at byte `at`.
int CharSize(const std::string& text, int at);
// Number of characters of the text.
int CharCount(const std::string& text);
// The byte offset of character `index` (the text's length past the last
// character); 0 for an index below 0 or above the text's byte length.
int ByteOffset(const std::string& text, int index);
// Number of characters that begin in the first `bytes` bytes.
int CharCountOfBytes(const std::string& text, int bytes);
// `count` characters from character `start`, cut at character boundaries.
std::string SubString(const std::string& text, int start, int count);
// The text without a lone lead byte at its end.
std::string WholeCharacters(const std::string& text);

}  // namespace gbk

}  // namespace kest2d
