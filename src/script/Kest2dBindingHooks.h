// Included by the generated binding (kest2d.pkg). Declares the engine classes
// the binding reaches and replaces the few wrappers that the generator gets
// wrong: each replacement defines the generator's TOLUA_DISABLE_ name so that
// the generated version is left out.
#pragma once

#include <cstdio>
#include <cstring>
#include <list>
#include <string>

#include "tolua++.h"

#include "frame/Kest2dBaseFrame.h"
#include "frame/Kest2dEvent.h"
#include "frame/Kest2dLogger.h"
#include "frame/types/Kest2dColor.h"
#include "frame/types/Kest2dDimension2d.h"
#include "frame/types/Kest2dPosition2d.h"
#include "frame/types/Kest2dRect.h"
#include "frame/types/Kest2dVector.h"
#include "frame/types/Kest2dVector3.h"
#include "gui/Kest2dGUIContainer.h"
#include "gui/Kest2dGUIElement.h"

// The boxed handle types, named in the package without their namespace.
using kest2d::BYTE;
using kest2d::DWORD;

// The generator also emits luaopen_<package>; for our package name that would
// be luaopen_package, which is the Lua library's own package loader.
#define luaopen_package luaopen_kest2d_binding

namespace kest2d {
namespace script {

// A nil passes a string check; the engine then receives an empty text rather
// than a null pointer.
inline const char* ToText(lua_State* L, int narg, const char* def) {
    const char* s = tolua_tostring(L, narg, def);
    return s ? s : "";
}

// Vector indexing: an index outside 0 .. size()-1 is a Lua error, not a
// write past the storage.
template <class T>
int VectorIndex(lua_State* L, const char* type, int valueArgs, const char* luaName, const char* selfName) {
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
    // Truncation toward zero, as every integer argument: -0.5 is index 0.
    if (!(n > -1.0 && n < static_cast<lua_Number>(size))) {
        luaL_error(L, "index %f out of range in function '%s' (size %d)", static_cast<double>(n), luaName, size);
        return 0;
    }
    const int index = static_cast<int>(n);
    if (valueArgs > 0) {
        (*self)[index] = static_cast<T>(tolua_tonumber(L, 3, 0));
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
    const char* s = lua_tostring(L, 2);
    if (!s) s = "";
    std::strncpy(field, s, N - 1);
    field[N - 1] = '\0';
    return 0;
}

}  // namespace script
}  // namespace kest2d

#define tolua_tostring(L, narg, def) ::kest2d::script::ToText(L, narg, def)

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
        PART* self = static_cast<PART*>(tolua_tousertype(L, 1, 0));                                      \
        if (!self) tolua_error(L, "invalid 'self' in accessing variable '" #FIELD "'", nullptr);         \
        return ::kest2d::script::SetTextField(L, self->FIELD);                                           \
    }

#define TOLUA_DISABLE_tolua_set_kest2d__CKesEvent__CKesImeEvent_inputStr
#define TOLUA_DISABLE_tolua_set_kest2d__CKesEvent__CKesUpdateEvent_filename
KES_TEXT_FIELD_HOOK(tolua_set_kest2d__CKesEvent__CKesImeEvent_inputStr, kest2d::CKesEvent::CKesImeEvent, inputStr)
KES_TEXT_FIELD_HOOK(tolua_set_kest2d__CKesEvent__CKesUpdateEvent_filename, kest2d::CKesEvent::CKesUpdateEvent,
                    filename)
