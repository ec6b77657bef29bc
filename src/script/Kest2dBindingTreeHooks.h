// Part of Kest2dBindingHooks.h: the wrappers that change the GUI tree or hand
// it a record. What the tree refuses (a parent chain in a loop, the frame's
// own root adopted or deleted) is a Lua error, and a GUI event handed to an
// element names only live elements.
#pragma once

namespace kest2d {
namespace script {

using TreeRefusalCheck = CKesBaseGUIElement::Refusal (CKesBaseGUIElement::*)(const CKesBaseGUIElement*) const;
using TreeChange = void (CKesBaseGUIElement::*)(CKesBaseGUIElement*);

// element:Name(other) with the generated wrapper's checks, then the tree's.
inline int ChangeTree(lua_State* L, const char* luaName, TreeRefusalCheck refuse, TreeChange change) {
    SettleArguments(L);
    tolua_Error err;
    if (!tolua_isusertype(L, 1, "kest2d::CKesBaseGUIElement", 0, &err) ||
        !tolua_isusertype(L, 2, "kest2d::CKesBaseGUIElement", 0, &err) || !tolua_isnoobj(L, 3, &err)) {
        char msg[64];
        std::snprintf(msg, sizeof(msg), "#ferror in function '%s'.", luaName);
        tolua_error(L, msg, &err);
        return 0;
    }
    auto* self = static_cast<CKesBaseGUIElement*>(tolua_tousertype(L, 1, 0));
    auto* other = static_cast<CKesBaseGUIElement*>(tolua_tousertype(L, 2, 0));
    if (!self) return luaL_error(L, "invalid 'self' in function '%s'", luaName);
    switch ((self->*refuse)(other)) {
    case CKesBaseGUIElement::Refusal::FrameRoot:
        return luaL_error(L, "%s: the frame's root container belongs to the frame", luaName);
    case CKesBaseGUIElement::Refusal::Loop:
        return luaL_error(L, "%s: an element cannot stand above itself (the parent chain would loop)", luaName);
    case CKesBaseGUIElement::Refusal::None:
        break;
    }
    (self->*change)(other);
    return 0;
}

}  // namespace script
}  // namespace kest2d

#define KES_TREE_HOOK(NAME, REFUSE)                                                                            \
    static int tolua_package_kest2d_CKesBaseGUIElement_##NAME##00(lua_State* L) {                              \
        return ::kest2d::script::ChangeTree(L, #NAME, &kest2d::CKesBaseGUIElement::REFUSE,                      \
                                            &kest2d::CKesBaseGUIElement::NAME);                                 \
    }
#define TOLUA_DISABLE_tolua_package_kest2d_CKesBaseGUIElement_SetParent00
#define TOLUA_DISABLE_tolua_package_kest2d_CKesBaseGUIElement_AddChildren00
#define TOLUA_DISABLE_tolua_package_kest2d_CKesBaseGUIElement_DeleteChildren00
KES_TREE_HOOK(SetParent, RefuseParent)
KES_TREE_HOOK(AddChildren, RefuseChild)
KES_TREE_HOOK(DeleteChildren, RefuseDelete)

// receiver:OnProcessEvent(record): a receiver reads only the part of a record
// that its kind names, so a GUI event (a record that the script made or
// filled) must name live elements in `Caller` and `Element`, and a record of
// any other kind goes as it is, whatever its GUI part holds (the bytes of a
// resource block, an element deleted since).
#define TOLUA_DISABLE_tolua_package_kest2d_CKesEventReceiver_OnProcessEvent00
static int tolua_package_kest2d_CKesEventReceiver_OnProcessEvent00(lua_State* L) {
    ::kest2d::script::SettleArguments(L);
    tolua_Error err;
    if (!tolua_isusertype(L, 1, "kest2d::CKesEventReceiver", 0, &err) ||
        (tolua_isvaluenil(L, 2, &err) || !tolua_isusertype(L, 2, "const kest2d::CKesEvent", 0, &err)) ||
        !tolua_isnoobj(L, 3, &err)) {
        tolua_error(L, "#ferror in function 'OnProcessEvent'.", &err);
        return 0;
    }
    auto* self = static_cast<kest2d::CKesEventReceiver*>(tolua_tousertype(L, 1, 0));
    const auto* event = static_cast<const kest2d::CKesEvent*>(tolua_tousertype(L, 2, 0));
    if (!self) tolua_error(L, "invalid 'self' in function 'OnProcessEvent'", nullptr);
    if (event->mEventType == kest2d::KESET_GUI_EVENT) {
        for (const kest2d::CKesBaseGUIElement* e : {event->mGuiEvent.Caller, event->mGuiEvent.Element}) {
            if (e && !kest2d::lifetime::IsLive(e, kest2d::lifetime::Kind::Element))
                return luaL_error(L, "OnProcessEvent: the record names an element that was deleted");
        }
    }
    tolua_pushboolean(L, self->OnProcessEvent(*event));
    return 1;
}
