// Included by the generated binding (kest2d.pkg). Declares the engine classes
// the binding reaches and replaces the few wrappers that the generator gets
// wrong: each replacement defines the generator's TOLUA_DISABLE_ name so that
// the generated version is left out.
#pragma once

#include <cmath>
#include <cstdio>
#include <cstring>
#include <exception>
#include <list>
#include <memory>
#include <string>
#include <type_traits>

#include "tolua++.h"

#include "frame/Kest2dBaseFrame.h"
#include "frame/Kest2dEvent.h"
#include "render/Kest2dFont.h"
#include "frame/Kest2dKeyCodes.h"
#include "frame/Kest2dLifetime.h"
#include "frame/Kest2dLogger.h"
#include "render/Kest2dTexture.h"
#include "render/Kest2dVertex.h"
#include "frame/types/Kest2dColor.h"
#include "frame/types/Kest2dDimension2d.h"
#include "frame/types/Kest2dPosition2d.h"
#include "frame/types/Kest2dRect.h"
#include "frame/types/Kest2dVector.h"
#include "frame/types/Kest2dVector3.h"
#include "gui/Kest2dGUIContainer.h"
#include "gui/Kest2dGUIElement.h"
#include "gui/controls/Kest2dCardRules.h"
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
#include "net/Kest2dMessage.h"
#include "net/Kest2dSocketClient.h"
#include "script/Kest2dBindingChecks.h"
#include "script/Kest2dScriptArguments.h"
#include "script/Kest2dScriptLifetime.h"
#include "script/Kest2dScriptObjects.h"
#include "script/Kest2dScriptOwnership.h"

// Every object the wrappers make, and every bound object they push, takes
// the binding's one road (Kest2dScriptLifetime.h): what they make is noted
// before it is pushed, and what they push refers into the object of their
// argument 1 (a method's or a variable's object) unless it is an object of
// its own.
// Arguments are checked and read without running script code once the
// wrapper has settled them (Kest2dScriptArguments.h).
#define tolua_isusertype(L, lo, type, def, err) ::kest2d::script::IsUserType(L, lo, type, def, err)
#define tolua_isusertable(L, lo, type, def, err) ::kest2d::script::IsUserTable(L, lo, type, def, err)
#define tolua_tousertype(L, narg, def) ::kest2d::script::ToUserType(L, narg, def)

#undef Mtolua_new
#define Mtolua_new(EXP) ::kest2d::script::Made(tolua_S, new EXP)
#define tolua_pushusertype(L, object, type) ::kest2d::script::PushResult(L, object, type)
#define tolua_register_gc(L, index) ::kest2d::script::CollectedFromNow(L, index)
// Texts reach Lua copied out of engine memory before Lua allocates
// (tolua_pushcppstring pushes through tolua_pushstring too).
#define tolua_pushstring(L, text) ::kest2d::script::PushText(L, text)

// The boxed handle types, named in the package without their namespace.
using kest2d::BYTE;
using kest2d::DWORD;

// The path animator's sizes are registered in the global table, where the
// generated code names them without their namespace.
using kest2d::IDD_BERNSTEIN_COUNT;
using kest2d::IDD_CONTROL_POINT_COUNT;
using kest2d::IDD_CONTROL_RECT_WIDTH;

// The generator also emits luaopen_<package>; for our package name that would
// be luaopen_package, which is the Lua library's own package loader.
#define luaopen_package luaopen_kest2d_binding

namespace kest2d {
namespace script {

// A nil passes a string check; the engine then receives an empty text rather
// than a null pointer. A number becomes its text without a collector step
// (ArgumentText): wrappers read their texts after taking their objects'
// addresses.
inline const char* ToText(lua_State* L, int narg, const char* def) {
    const char* s = ArgumentText(L, narg, def);
    return s ? s : "";
}

// Vector indexing: the index is truncated toward zero as every int argument
// is (ToInteger: v[n / 2] with an odd n is v[(n - 1) / 2]); NaN, or an index
// that is then outside 0 to size()-1, is a Lua error, not a write past the
// storage.
template <class T>
int VectorIndex(lua_State* L, const char* type, int valueArgs, const char* luaName, const char* selfName) {
    SettleArguments(L);
    tolua_Error err;
    if (!tolua_isusertype(L, 1, type, 0, &err) || !tolua_isnumber(L, 2, 0, &err) ||
        (valueArgs > 0 && !tolua_isnumber(L, 3, 0, &err)) || !tolua_isnoobj(L, 3 + valueArgs, &err)) {
        char msg[64];
        std::snprintf(msg, sizeof(msg), "#ferror in function '%s'.", luaName);
        tolua_error(L, msg, &err);
        return 0;
    }
    CKesVector<T>* self = static_cast<CKesVector<T>*>(tolua_tousertype(L, 1, 0));
    if (!self) {
        char msg[64];
        std::snprintf(msg, sizeof(msg), "invalid 'self' in function '%s'", selfName);
        tolua_error(L, msg, nullptr);
        return 0;
    }
    const lua_Number n = tolua_tonumber(L, 2, 0);
    const int size = self->size();
    const int index = ToInteger<int>(n);
    if (std::isnan(n) || index < 0 || index >= size) {
        luaL_error(L, "index %f out of range in function '%s' (size %d)", static_cast<double>(n), luaName, size);
        return 0;
    }
    if (valueArgs > 0) {
        const lua_Number value = tolua_tonumber(L, 3, 0);
        if constexpr (std::is_integral_v<T>)
            (*self)[index] = ToInteger<T>(value);
        else
            (*self)[index] = static_cast<T>(value);
        return 0;
    }
    tolua_pushnumber(L, static_cast<lua_Number>((*self)[index]));
    return 1;
}

// Character-array fields take a string (nil stores an empty text), copy at
// most N-1 bytes and always end the text.
template <size_t N>
int SetTextField(lua_State* L, char (&field)[N]) {
    tolua_Error err;
    if (!tolua_isstring(L, 2, 0, &err)) tolua_error(L, "#vinvalid type in variable assignment.", &err);
    const char* s = ToText(L, 2, nullptr);
    std::strncpy(field, s, N - 1);
    field[N - 1] = '\0';
    return 0;
}

}  // namespace script
}  // namespace kest2d

#define tolua_tostring(L, narg, def) ::kest2d::script::ToText(L, narg, def)
#define tolua_tocppstring(L, narg, def) ::kest2d::script::ToText(L, narg, def)

#define KES_VECTOR_INDEX_HOOKS(T)                                                                              \
    static int tolua_package_kest2d_CKesVector_##T##___geti00(lua_State* L) {                                  \
        return ::kest2d::script::VectorIndex<T>(L, "kest2d::CKesVector<" #T ">", 0, ".geti", "operator[]");    \
    }                                                                                                          \
    static int tolua_package_kest2d_CKesVector_##T##___seti00(lua_State* L) {                                  \
        return ::kest2d::script::VectorIndex<T>(L, "kest2d::CKesVector<" #T ">", 1, ".seti", "operator&[]");   \
    }

#define TOLUA_DISABLE_tolua_package_kest2d_CKesVector_int___geti00
#define TOLUA_DISABLE_tolua_package_kest2d_CKesVector_int___seti00
#define TOLUA_DISABLE_tolua_package_kest2d_CKesVector_double___geti00
#define TOLUA_DISABLE_tolua_package_kest2d_CKesVector_double___seti00
#define TOLUA_DISABLE_tolua_package_kest2d_CKesVector_char___geti00
#define TOLUA_DISABLE_tolua_package_kest2d_CKesVector_char___seti00
KES_VECTOR_INDEX_HOOKS(int)
KES_VECTOR_INDEX_HOOKS(double)
KES_VECTOR_INDEX_HOOKS(char)

#define KES_TEXT_FIELD_HOOK(FUNC, PART, FIELD)                                                            \
    static int FUNC(lua_State* L) {                                                                      \
        ::kest2d::script::SettleArguments(L);                                                            \
        PART* self = static_cast<PART*>(tolua_tousertype(L, 1, 0));                                      \
        if (!self) tolua_error(L, "invalid 'self' in accessing variable '" #FIELD "'", nullptr);         \
        return ::kest2d::script::SetTextField(L, self->FIELD);                                           \
    }

#define TOLUA_DISABLE_tolua_set_kest2d__CKesEvent__CKesImeEvent_inputStr
#define TOLUA_DISABLE_tolua_set_kest2d__CKesEvent__CKesUpdateEvent_filename
KES_TEXT_FIELD_HOOK(tolua_set_kest2d__CKesEvent__CKesImeEvent_inputStr, kest2d::CKesEvent::CKesImeEvent, inputStr)
KES_TEXT_FIELD_HOOK(tolua_set_kest2d__CKesEvent__CKesUpdateEvent_filename, kest2d::CKesEvent::CKesUpdateEvent,
                    filename)

namespace kest2d {
namespace script {


// kest2d.CKesMessageIn(data, length), :new and :new_local.
inline int NewScriptMessageIn(lua_State* L, bool collected) {
    SettleArguments(L);
    tolua_Error err;
    if (!tolua_isusertable(L, 1, "kest2d::CKesMessageIn", 0, &err) || !tolua_isstring(L, 2, 0, &err) ||
        !tolua_isnumber(L, 3, 0, &err) || !tolua_isnoobj(L, 4, &err)) {
        tolua_error(L, "#ferror in function 'new'.", &err);
        return 0;
    }
    size_t size = 0;
    const char* data = lua_tolstring(L, 2, &size);
    if (!data) size = 0;
    CKesMessageIn* reader = Made(L, new ScriptMessageIn(data, size, lua_tonumber(L, 3)));
    tolua_pushusertype(L, reader, "kest2d::CKesMessageIn");
    if (collected) tolua_register_gc(L, lua_gettop(L));
    return 1;
}

// Every generated wrapper runs through this (generator.lua): an engine
// function's exception becomes a Lua error that names the function and says
// what went wrong (a log file that cannot be opened, a message that would
// grow past its limit, no memory left); a longjmp must never leave a catch
// block, so the error is raised once the exception is gone. Lua's own errors
// are no std::exception and pass through.
inline int CallCatchingErrors(lua_State* L, const char* luaName, lua_CFunction wrapper) {
    char message[512];
    try {
        return wrapper(L);
    } catch (const std::exception& e) {
        std::snprintf(message, sizeof(message), "%s: %s", luaName, e.what());
    }
    lua_pushstring(L, message);
    return lua_error(L);
}

// The const font functions, reached through the font's virtual table.
inline CKesDimension2d<int> getDimension(const CKesGUITTFont* font, const wchar_t* text) {
    return const_cast<CKesGUITTFont*>(font)->getDimension(text);
}
inline int getCharacterFromPos(const CKesGUITTFont* font, const wchar_t* text, int pixelX) {
    return const_cast<CKesGUITTFont*>(font)->getCharacterFromPos(text, pixelX);
}
inline int getKeringWidth(const CKesGUITTFont* font, const wchar_t* letter, const wchar_t* previous) {
    return const_cast<CKesGUITTFont*>(font)->getKeringWidth(letter, previous);
}
inline int getKerningHeight(const CKesGUITTFont* font) { return const_cast<CKesGUITTFont*>(font)->getKerningHeight(); }

}  // namespace script
}  // namespace kest2d

using kest2d::script::getCharacterFromPos;
using kest2d::script::getDimension;
using kest2d::script::getKeringWidth;
using kest2d::script::getKerningHeight;

#define TOLUA_DISABLE_tolua_package_kest2d_CKesMessageIn_new00
#define TOLUA_DISABLE_tolua_package_kest2d_CKesMessageIn_new00_local
static int tolua_package_kest2d_CKesMessageIn_new00(lua_State* L) {
    return ::kest2d::script::NewScriptMessageIn(L, false);
}
static int tolua_package_kest2d_CKesMessageIn_new00_local(lua_State* L) {
    return ::kest2d::script::NewScriptMessageIn(L, true);
}

// LoadTexture(name, size): with a size, `name` holds the image bytes; never
// more of them are read than the Lua string holds.
#define TOLUA_DISABLE_tolua_package_kest2d_CKesBaseFrame_LoadTexture00
static int tolua_package_kest2d_CKesBaseFrame_LoadTexture00(lua_State* L) {
    ::kest2d::script::SettleArguments(L);
    tolua_Error err;
    if (!tolua_isusertype(L, 1, "kest2d::CKesBaseFrame", 0, &err) || !tolua_isstring(L, 2, 0, &err) ||
        !tolua_isnumber(L, 3, 1, &err) || !tolua_isnoobj(L, 4, &err)) {
        tolua_error(L, "#ferror in function 'LoadTexture'.", &err);
        return 0;
    }
    kest2d::CKesBaseFrame* self = static_cast<kest2d::CKesBaseFrame*>(tolua_tousertype(L, 1, 0));
    // (A number's text takes its place without a collector step.)
    const char* name = ::kest2d::script::ArgumentText(L, 2, nullptr);
    const size_t length = name ? lua_objlen(L, 2) : 0;
    if (!name) name = "";
    const lua_Number n = tolua_tonumber(L, 3, 0);
    unsigned long size = 0;
    if (n >= static_cast<lua_Number>(length)) {
        size = static_cast<unsigned long>(length);
    } else if (n >= 1) {
        size = static_cast<unsigned long>(n);
    }
    if (!self) tolua_error(L, "invalid 'self' in function 'LoadTexture'", nullptr);
    tolua_pushusertype(L, ::kest2d::script::Made(L, new DWORD(static_cast<DWORD>(self->LoadTexture(name, size)))),
                       "DWORD");
    tolua_register_gc(L, lua_gettop(L));
    return 1;
}

// LoadResource(name [, size]): the buffer as light user data (nil when the
// resource is missing) and its size. The buffer stays valid until the Lua
// state closes.
#define TOLUA_DISABLE_tolua_package_kest2d_CKesBaseFrame_LoadResource00
static int tolua_package_kest2d_CKesBaseFrame_LoadResource00(lua_State* L) {
    ::kest2d::script::SettleArguments(L);
    tolua_Error err;
    if (!tolua_isusertype(L, 1, "kest2d::CKesBaseFrame", 0, &err) || !tolua_isstring(L, 2, 0, &err) ||
        !tolua_isnumber(L, 3, 1, &err) || !tolua_isnoobj(L, 4, &err)) {
        tolua_error(L, "#ferror in function 'LoadResource'.", &err);
        return 0;
    }
    // The anchor is made before anything is read: making it steps the
    // collector.
    ::kest2d::script::PushBlockAnchor(L);
    kest2d::CKesBaseFrame* self = static_cast<kest2d::CKesBaseFrame*>(tolua_tousertype(L, 1, 0));
    const char* name = tolua_tostring(L, 2, 0);
    unsigned long size = static_cast<unsigned long>(::kest2d::script::ToUint32(tolua_tonumber(L, 3, 0)));
    if (!self) tolua_error(L, "invalid 'self' in function 'LoadResource'", nullptr);
    void* buffer = self->LoadResource(name, &size);
    if (buffer) {
        ::kest2d::script::AnchorBlock(L, lua_gettop(L), buffer, size);
    } else {
        size = 0;
    }
    lua_pop(L, 1);
    tolua_pushuserdata(L, buffer);
    tolua_pushnumber(L, static_cast<lua_Number>(size));
    return 2;
}

// A key event's character keeps the low 8 bits of the number.
#define TOLUA_DISABLE_tolua_set_kest2d__CKesEvent__CKesKeyEvent_Char
static int tolua_set_kest2d__CKesEvent__CKesKeyEvent_Char(lua_State* L) {
    ::kest2d::script::SettleArguments(L);
    auto* self = static_cast<kest2d::CKesEvent::CKesKeyEvent*>(tolua_tousertype(L, 1, 0));
    tolua_Error err;
    if (!self) tolua_error(L, "invalid 'self' in accessing variable 'Char'", nullptr);
    if (!tolua_isnumber(L, 2, 0, &err)) tolua_error(L, "#vinvalid type in variable assignment.", &err);
    self->Char = static_cast<signed char>(::kest2d::script::ToUint32(tolua_tonumber(L, 2, 0)) & 0xFF);
    return 0;
}

// A font's size reads and writes as an unsigned 32-bit number.
#define TOLUA_DISABLE_tolua_get_kest2d__CKesGUITTFont_unsigned_size
static int tolua_get_kest2d__CKesGUITTFont_unsigned_size(lua_State* L) {
    ::kest2d::script::SettleArguments(L);
    auto* self = static_cast<kest2d::CKesGUITTFont*>(tolua_tousertype(L, 1, 0));
    if (!self) tolua_error(L, "invalid 'self' in accessing variable 'size'", nullptr);
    tolua_pushnumber(L, static_cast<lua_Number>(static_cast<uint32_t>(self->size)));
    return 1;
}

#define TOLUA_DISABLE_tolua_set_kest2d__CKesGUITTFont_unsigned_size
static int tolua_set_kest2d__CKesGUITTFont_unsigned_size(lua_State* L) {
    ::kest2d::script::SettleArguments(L);
    auto* self = static_cast<kest2d::CKesGUITTFont*>(tolua_tousertype(L, 1, 0));
    tolua_Error err;
    if (!self) tolua_error(L, "invalid 'self' in accessing variable 'size'", nullptr);
    if (!tolua_isnumber(L, 2, 0, &err)) tolua_error(L, "#vinvalid type in variable assignment.", &err);
    self->size = static_cast<int>(::kest2d::script::ToUint32(tolua_tonumber(L, 2, 0)));
    return 0;
}

// A writer's data as text ends at its first zero byte, and never runs past
// the bytes written: the buffer itself has no terminator.
#define TOLUA_DISABLE_tolua_package_kest2d_CKesMessageOut_getData00
static int tolua_package_kest2d_CKesMessageOut_getData00(lua_State* L) {
    ::kest2d::script::SettleArguments(L);
    tolua_Error err;
    if (!tolua_isusertype(L, 1, "const kest2d::CKesMessageOut", 0, &err) || !tolua_isnoobj(L, 2, &err)) {
        tolua_error(L, "#ferror in function 'getData'.", &err);
        return 0;
    }
    const auto* self = static_cast<const kest2d::CKesMessageOut*>(tolua_tousertype(L, 1, 0));
    if (!self) tolua_error(L, "invalid 'self' in function 'getData'", nullptr);
    const char* data = self->getData();
    if (!data) {
        lua_pushnil(L);
        return 1;
    }
    const void* zero = std::memchr(data, 0, self->getLength());
    const size_t n = zero ? static_cast<size_t>(static_cast<const char*>(zero) - data) : self->getLength();
    ::kest2d::script::PushBytes(L, data, n);
    return 1;
}

namespace kest2d {
namespace script {

// A card's suit and point value from any number: the whole part's low byte
// (0x14D reads as 0x4D).
inline int CardHuaSe(const CKesGUIGameCard* /*self*/, double card) {
    return static_cast<int>((ToUint32(card) & 0xFF) >> 4);
}
inline int CardDianShu(const CKesGUIGameCard* /*self*/, double card) { return static_cast<int>(ToUint32(card) & 0x0F); }

}  // namespace script
}  // namespace kest2d

using kest2d::script::CardDianShu;
using kest2d::script::CardHuaSe;

namespace kest2d {
namespace script {

template <class T>
void DestroyAs(void* object) {
    delete static_cast<T*>(object);
}

template <class T>
CKesBaseGUIElement* ElementOf(void* object) {
    if constexpr (std::is_polymorphic_v<T>) {
        return dynamic_cast<CKesBaseGUIElement*>(static_cast<T*>(object));
    } else {
        (void)object;
        return nullptr;
    }
}

}  // namespace script
}  // namespace kest2d

// obj:delete() of every class that has it follows the one ownership rule.
#define KES_DELETE_HOOK(FUNC, T, TYPE)                                                                         \
    static int FUNC(lua_State* L) {                                                                            \
        return ::kest2d::script::DeleteObject(L, TYPE, ::kest2d::script::DestroyAs<T>,                         \
                                              ::kest2d::script::ElementOf<T>);                                 \
    }

#define TOLUA_DISABLE_tolua_package_kest2d_CKesVector_int__delete00
#define TOLUA_DISABLE_tolua_package_kest2d_CKesVector_double__delete00
#define TOLUA_DISABLE_tolua_package_kest2d_CKesVector_char__delete00
#define TOLUA_DISABLE_tolua_package_kest2d_CKesMessageOut_delete00
#define TOLUA_DISABLE_tolua_package_kest2d_CKesGUITTFont_delete00
#define TOLUA_DISABLE_tolua_package_kest2d_CKesEventReceiver_delete00
KES_DELETE_HOOK(tolua_package_kest2d_CKesVector_int__delete00, kest2d::CKesVector<int>, "kest2d::CKesVector<int>")
KES_DELETE_HOOK(tolua_package_kest2d_CKesVector_double__delete00, kest2d::CKesVector<double>,
                "kest2d::CKesVector<double>")
KES_DELETE_HOOK(tolua_package_kest2d_CKesVector_char__delete00, kest2d::CKesVector<char>, "kest2d::CKesVector<char>")
KES_DELETE_HOOK(tolua_package_kest2d_CKesMessageOut_delete00, kest2d::CKesMessageOut, "kest2d::CKesMessageOut")
KES_DELETE_HOOK(tolua_package_kest2d_CKesGUITTFont_delete00, kest2d::CKesGUITTFont, "kest2d::CKesGUITTFont")
KES_DELETE_HOOK(tolua_package_kest2d_CKesEventReceiver_delete00, kest2d::CKesEventReceiver,
                "kest2d::CKesEventReceiver")

// SetParent, AddChildren, DeleteChildren and OnProcessEvent.
#include "script/Kest2dBindingTreeHooks.h"
