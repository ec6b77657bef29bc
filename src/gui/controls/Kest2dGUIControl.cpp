#include "gui/controls/Kest2dGUIControl.h"

#include "frame/Kest2dBaseFrame.h"
#include "frame/types/Kest2dHeld.h"
#include "gui/Kest2dGUIElement.h"
#include "gui/controls/Kest2dGUIScrollBar.h"

namespace kest2d {

void ThumbProcessMouse(KESThumb& thumb, const CKesEvent& event, bool vertical) {
    if (event.mEventType != KESET_MOUSE_INPUT_EVENT) return;
    const CKesPosition2d<int> pt(event.mMouseEvent.X, event.mMouseEvent.Y);
    const bool inside = thumb.Rect.isPointInside(pt);
    if (inside && event.mMouseEvent.EventType == KESMIE_LMOUSE_PRESSED_DOWN) {
        thumb.State = 1;
        thumb.GrabOffset = vertical ? pt.Y - thumb.Rect.UpperLeftCorner.Y : pt.X - thumb.Rect.UpperLeftCorner.X;
        return;
    }
    if (inside && event.mMouseEvent.EventType == KESMIE_MOUSE_MOVED) {
        thumb.State = 2;
        return;
    }
    thumb.State = 0;
}

void DrawThumb(CKesBaseFrame* frame, const KESThumb& thumb) {
    if (!frame || !thumb.Texture || thumb.State < 0 || thumb.State > 3) return;
    const CKesRect<int> source =
        StripSource(thumb.State, frame->GetTextureWidth(thumb.Texture), frame->GetTextureHeight(thumb.Texture));
    frame->Draw2DImage(thumb.Texture, thumb.Rect, source, &frame->GetClippingRect(), CKesColor(0xFFFFFFFFu));
}

bool RaiseGuiEvent(CKesBaseGUIElement* control, int guiEventType, bool noParent, CKesBaseGUIElement* element) {
    CKesBaseGUIElement* parent = control ? control->GetParent() : nullptr;
    if (!parent) return noParent;
    CKesEvent event{};
    event.mEventType = KESET_GUI_EVENT;
    event.mGuiEvent.Caller = control;
    event.mGuiEvent.Element = element;
    event.mGuiEvent.EventType = guiEventType;
    return parent->OnProcessEvent(event);
}

CKesRect<int> StripSource(int state, int width, int height) {
    const int quarter = width / 4;
    return CKesRect<int>(state * quarter, 0, (state + 1) * quarter, height);
}

namespace gbk {

int CharSize(const std::string& text, int at) {
    const int size = static_cast<int>(text.size());
    if (at < 0 || at >= size) return 0;
    return IsLead(text[at]) && at + 1 < size ? 2 : 1;
}

int CharCount(const std::string& text) { return CharCountOfBytes(text, static_cast<int>(text.size())); }

int ByteOffset(const std::string& text, int index) {
    const int size = static_cast<int>(text.size());
    if (index < 0 || index > size) return 0;
    int at = 0;
    for (int i = 0; i < index && at < size; ++i) at += CharSize(text, at);
    return at;
}

int CharCountOfBytes(const std::string& text, int bytes) {
    const int size = static_cast<int>(text.size());
    if (bytes > size) bytes = size;
    int count = 0;
    for (int at = 0; at < bytes; at += CharSize(text, at)) ++count;
    return count;
}

std::string SubString(const std::string& text, int start, int count) {
    const int size = static_cast<int>(text.size());
    if (text.empty() || start < 0 || count <= 0) return std::string();
    int from = 0;
    for (int i = 0; i < start && from < size; ++i) from += CharSize(text, from);
    int to = from;
    for (int i = 0; i < count && to < size; ++i) to += CharSize(text, to);
    return text.substr(from, to - from);
}

std::string WholeCharacters(const std::string& text) {
    const int size = static_cast<int>(text.size());
    for (int at = 0; at < size;) {
        const int n = CharSize(text, at);
        if (n == 1 && IsLead(text[at])) return text.substr(0, at);  // only the last byte can be
        at += n;
    }
    return text;
}

}  // namespace gbk

CKesGUIScrollBar* AddSideScrollBar(CKesBaseGUIElement* owner, int width, const char* caption) {
    const CKesRect<int>& rect = owner->GetAbsoluteRect();
    const int w = rect.getWidth();
    const int h = rect.getHeight();
    return new CKesGUIScrollBar(owner->GetDriver(), owner, 0, caption,
                                CKesRect<int>(Held(static_cast<long long>(w) - width), 0, w, h));
}

void TileAcross(CKesBaseFrame* frame, const CKesRect<int>& clip, long long first, long long end, int step,
                const std::function<void(int x)>& draw) {
    if (!frame || step <= 0) return;
    const long long screen = frame->getScreenSize().Width;
    const long long from = clip.UpperLeftCorner.X > 0 ? clip.UpperLeftCorner.X : 0;
    const long long to = clip.LowerRightCorner.X < screen ? clip.LowerRightCorner.X : screen;
    long long x = first;
    // Tiles that end left of what shows are skipped whole.
    if (x + step <= from) x += (from - x) / step * step;
    for (; x < end && x <= to; x += step) draw(Held(x));
}

int WheelTop(int top, float wheel, int last) {
    const double t = static_cast<double>(top) - static_cast<double>(wheel);
    if (!(t > 0.0)) return 0;
    if (t >= static_cast<double>(last)) return last;
    return static_cast<int>(t);
}

}  // namespace kest2d
