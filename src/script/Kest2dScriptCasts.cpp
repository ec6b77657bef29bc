#include "script/Kest2dScriptCasts.h"

#include <cstring>
#include <string>
#include <unordered_map>

#include "frame/Kest2dBaseFrame.h"
#include "gui/Kest2dGUIContainer.h"
#include "gui/controls/Kest2dGUIBiqoQing.h"
#include "gui/controls/Kest2dGUIButton.h"
#include "gui/controls/Kest2dGUIChatMessage.h"
#include "gui/controls/Kest2dGUIDragControl.h"
#include "gui/controls/Kest2dGUIEditorBox.h"
#include "gui/controls/Kest2dGUIGameAnimator.h"
#include "gui/controls/Kest2dGUIGameCard.h"
#include "gui/controls/Kest2dGUIGameClock.h"
#include "gui/controls/Kest2dGUIImage.h"
#include "gui/controls/Kest2dGUIImageListBox.h"
#include "gui/controls/Kest2dGUIInfoScroller.h"
#include "gui/controls/Kest2dGUIMoveAnimator.h"
#include "gui/controls/Kest2dGUIMultiButton.h"
#include "gui/controls/Kest2dGUIMultiListBox.h"
#include "gui/controls/Kest2dGUIProcessBar.h"
#include "gui/controls/Kest2dGUIScrollBar.h"
#include "gui/controls/Kest2dGUIStatic.h"
#include "gui/controls/Kest2dGUITextarea.h"
#include "gui/controls/Kest2dGUIVideo.h"
#include "net/Kest2dSocketClient.h"
#include "render/Kest2dFont.h"

namespace kest2d {
namespace script {

namespace {

// An object of a family seen through the bases that the families share: the
// real class is reached from any of them.
struct Anchor {
    CKesEventReceiver* receiver = nullptr;
    KesWnd* window = nullptr;
    CKesGUIBaseFont* font = nullptr;
    CKesGUITTFace* face = nullptr;
};

template <class T>
Anchor AnchorOf(void* address) {
    T* object = static_cast<T*>(address);
    return Anchor{dynamic_cast<CKesEventReceiver*>(object), dynamic_cast<KesWnd*>(object),
                  dynamic_cast<CKesGUIBaseFont*>(object), dynamic_cast<CKesGUITTFace*>(object)};
}

template <class T>
void* FromAnchor(const Anchor& anchor) {
    if (anchor.receiver) return dynamic_cast<T*>(anchor.receiver);
    if (anchor.window) return dynamic_cast<T*>(anchor.window);
    if (anchor.font) return dynamic_cast<T*>(anchor.font);
    if (anchor.face) return dynamic_cast<T*>(anchor.face);
    return nullptr;
}

struct FamilyClass {
    Anchor (*anchor)(void* address);
    void* (*from)(const Anchor& anchor);
};

template <class T>
FamilyClass Of() {
    return FamilyClass{AnchorOf<T>, FromAnchor<T>};
}

// Every bound class of the families, by type name. A class that joins the
// binding joins this table (the cast tests walk the binding for them).
const std::unordered_map<std::string, FamilyClass>& FamilyClasses() {
    static const std::unordered_map<std::string, FamilyClass> classes = {
        {"kest2d::CKesEventReceiver", Of<CKesEventReceiver>()},
        {"kest2d::CKesBaseGUIElement", Of<CKesBaseGUIElement>()},
        {"kest2d::CKesBaseGUIContainer", Of<CKesBaseGUIContainer>()},
        {"kest2d::CKesBaseFrame", Of<CKesBaseFrame>()},
        {"CWnd", Of<KesWnd>()},
        {"kest2d::CKesTcpSocketClient", Of<CKesTcpSocketClient>()},
        {"kest2d::CKesGUIImage", Of<CKesGUIImage>()},
        {"kest2d::CKesGUIButton", Of<CKesGUIButton>()},
        {"kest2d::CKesGUIEditorBox", Of<CKesGUIEditorBox>()},
        {"kest2d::CKesGUIProcessBar", Of<CKesGUIProcessBar>()},
        {"kest2d::CKesGUIStatic", Of<CKesGUIStatic>()},
        {"kest2d::CKesGUIVideo", Of<CKesGUIVideo>()},
        {"kest2d::CKesGUIGameAnimator", Of<CKesGUIGameAnimator>()},
        {"kest2d::CKesGUIGameCard", Of<CKesGUIGameCard>()},
        {"kest2d::CKesGUIGameClock", Of<CKesGUIGameClock>()},
        {"kest2d::CKesGUIInfoScroller", Of<CKesGUIInfoScroller>()},
        {"kest2d::CKesGUITextarea", Of<CKesGUITextarea>()},
        {"kest2d::CKesGUIChatMessage", Of<CKesGUIChatMessage>()},
        {"kest2d::CKesGUIImageListBox", Of<CKesGUIImageListBox>()},
        {"kest2d::CKesGUIMultiButton", Of<CKesGUIMultiButton>()},
        {"kest2d::CKesGUIMultiListBox", Of<CKesGUIMultiListBox>()},
        {"kest2d::CKesGUIBiqoQing", Of<CKesGUIBiqoQing>()},
        {"kest2d::CKesGUIMoveAnimator", Of<CKesGUIMoveAnimator>()},
        {"kest2d::CKesGUIDragControl", Of<CKesGUIDragControl>()},
        {"kest2d::CKesGUIScrollBar", Of<CKesGUIScrollBar>()},
        {"kest2d::CKesGUIBaseFont", Of<CKesGUIBaseFont>()},
        {"kest2d::CKesGUITTFont", Of<CKesGUITTFont>()},
        {"kest2d::CKesGUITTFace", Of<CKesGUITTFace>()},
    };
    return classes;
}

const FamilyClass* Find(const char* type) {
    if (!type) return nullptr;
    if (std::strncmp(type, "const ", 6) == 0) type += 6;
    const auto& classes = FamilyClasses();
    const auto it = classes.find(type);
    return it == classes.end() ? nullptr : &it->second;
}

}  // namespace

CastKind CastEngineObject(void* address, const char* sourceType, const char* targetType, void** result) {
    const FamilyClass* from = Find(sourceType);
    const FamilyClass* to = Find(targetType);
    *result = address;
    if (!from && !to) return CastKind::Unchecked;
    *result = from && to && address ? to->from(from->anchor(address)) : nullptr;
    return CastKind::Checked;
}

}  // namespace script
}  // namespace kest2d
