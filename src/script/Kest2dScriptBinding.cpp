#include "script/Kest2dScriptBinding.h"

#include <cstdint>
#include <cstring>
#include <unordered_map>

#include "gui/Kest2dGUIElement.h"
#include "gui/controls/Kest2dGUIButton.h"
#include "gui/controls/Kest2dGUIEditorBox.h"
#include "gui/controls/Kest2dGUIImage.h"
#include "gui/controls/Kest2dGUIStatic.h"
#include "gui/controls/Kest2dGUIVideo.h"
#include "script/Kest2dScriptCasts.h"
#include "script/Kest2dScriptGuards.h"
#include "script/Kest2dScriptLifetime.h"
#include "script/Kest2dScriptObjects.h"
#include "script/Kest2dScriptOwnership.h"
#include "tolua++.h"

namespace kest2d {
namespace script {

namespace {

// Boxed numbers are made with new by the wrappers; the runtime's default
// release is free(), so each box type gets its own collector.
template <class T>
int CollectBox(lua_State* L) {
    void** box = static_cast<void**>(lua_touserdata(L, 1));
    if (box) delete static_cast<T*>(*box);
    return 0;
}

void SetCollector(lua_State* L, const char* type, lua_CFunction collector) {
    luaL_getmetatable(L, type);
    if (lua_istable(L, -1)) {
        lua_pushstring(L, ".collector");
        lua_pushcfunction(L, collector);
        lua_rawset(L, -3);
    }
    lua_pop(L, 1);
}

// The type name of the value at `index` when it is a full user data made by
// the binding (its metatable is one of the registered types), else null.
const char* BoundTypeName(lua_State* L, int index) {
    if (!lua_getmetatable(L, index)) return nullptr;
    lua_rawget(L, LUA_REGISTRYINDEX);  // the runtime maps each type's metatable to its name
    const char* name = lua_tostring(L, -1);  // the name stays anchored by the registry
    lua_pop(L, 1);
    return name;
}

// True when a value of the bound type `source` passes as `target`: the
// same type, its const form or one of its bases.
bool PassesAs(lua_State* L, const char* source, const char* target) {
    const auto bare = [](const char* t) { return std::strncmp(t, "const ", 6) == 0 ? t + 6 : t; };
    if (std::strcmp(bare(source), bare(target)) == 0) return true;
    lua_getfield(L, LUA_REGISTRYINDEX, "tolua_super");
    luaL_getmetatable(L, source);
    lua_rawget(L, -2);
    bool base = false;
    if (lua_istable(L, -1)) {
        lua_getfield(L, -1, target);
        base = lua_toboolean(L, -1) != 0;
        lua_pop(L, 1);
    }
    lua_pop(L, 2);
    return base;
}

// tolua.cast(value, typeName): the same object pushed as typeName. A light
// user data is cast by the address it holds, and an object inside a table
// (its ".c_instance", as the runtime reads it) as that object. Nil for nil,
// for values that are no engine object, for type names that nothing
// registered, for an address as anything but a record, and for a record
// type at an address that holds no such record. An engine object passes
// only as what it is: casts to and from the GUI, window and font classes
// follow its real class (Kest2dScriptCasts.h), and any other object passes
// as its own type and its bases. What a cast hands out lives as long as the
// object it was cast from.
int SafeCast(lua_State* L) {
    if (lua_istable(L, 1)) {
        lua_getfield(L, 1, ".c_instance");
        lua_replace(L, 1);
    }
    void* address = nullptr;
    const char* sourceType = nullptr;
    if (lua_islightuserdata(L, 1)) {
        address = lua_touserdata(L, 1);
    } else if (lua_isuserdata(L, 1)) {
        sourceType = BoundTypeName(L, 1);
        if (sourceType) address = *static_cast<void**>(lua_touserdata(L, 1));
    }
    const char* type = lua_type(L, 2) == LUA_TSTRING ? lua_tostring(L, 2) : nullptr;
    const int bound = sourceType ? 1 : 0;
    if (!address || !type || !MayCastTo(L, address, type, bound)) {
        lua_pushnil(L);
        return 1;
    }
    luaL_getmetatable(L, type);
    const bool known = lua_istable(L, -1);
    lua_pop(L, 1);
    const CastKind kind = known ? CastEngineObject(address, sourceType, type, &address) : CastKind::Checked;
    if (!known || !address || (kind == CastKind::Unchecked && sourceType && !PassesAs(L, sourceType, type))) {
        lua_pushnil(L);
        return 1;
    }
    if (bound)
        PushObject(L, address, type, 1);
    else
        PushAddress(L, address, type);
    return 1;
}

// Controls that scripts make with new_local, or hand to the collector. The
// collector deletes such a control only outside the GUI tree: once a child
// list holds it the tree owns it (and deletes it with the parent), so the
// collector lets it be. A control that the tree has deleted is no longer in
// the collector's table, so its user data is never collected as it.
template <class T>
int CollectElement(lua_State* L) {
    auto* element = static_cast<T*>(static_cast<CKesBaseGUIElement*>(tolua_tousertype(L, 1, nullptr)));
    if (element && !element->GetHolder()) delete element;
    return 0;
}

// Wraps new_local (and the call of the class table): the generated
// constructor runs unchanged; a control built inside a parent is handed to
// the tree at once.
template <class T>
int NewLocalElement(lua_State* L) {
    const int results = CallUpvalue(L, 1);
    const int first = lua_gettop(L) - results + 1;
    if (results < 1 || !lua_isuserdata(L, first)) return results;
    void* address = *static_cast<void**>(lua_touserdata(L, first));
    if (address && static_cast<CKesBaseGUIElement*>(static_cast<T*>(address))->GetHolder()) {
        lua_getfield(L, LUA_REGISTRYINDEX, "tolua_gc");
        if (lua_istable(L, -1)) {
            lua_pushlightuserdata(L, address);
            lua_pushnil(L);
            lua_rawset(L, -3);
        }
        lua_pop(L, 1);
    }
    return results;
}

template <class T>
void WrapElementConstructors(lua_State* L, const char* className, const char* typeName) {
    SetCollector(L, typeName, CollectElement<T>);
    lua_getglobal(L, "kest2d");
    if (lua_istable(L, -1)) {
        lua_getfield(L, -1, className);
        if (lua_istable(L, -1)) {
            for (const char* name : {"new_local", ".call"}) {
                lua_pushstring(L, name);
                lua_rawget(L, -2);
                if (lua_isfunction(L, -1)) {
                    lua_pushcclosure(L, NewLocalElement<T>, 1);
                    lua_pushstring(L, name);
                    lua_insert(L, -2);
                    lua_rawset(L, -3);
                } else {
                    lua_pop(L, 1);
                }
            }
        }
        lua_pop(L, 1);
    }
    lua_pop(L, 1);
}

}  // namespace

void FixUpBinding(lua_State* L) {
    const int top = lua_gettop(L);
    SetCollector(L, "DWORD", CollectBox<uint32_t>);
    SetCollector(L, "const DWORD", CollectBox<uint32_t>);
    SetCollector(L, "BYTE", CollectBox<uint8_t>);
    SetCollector(L, "const BYTE", CollectBox<uint8_t>);
    // Readers made by scripts own a copy of their bytes.
    SetCollector(L, "kest2d::CKesMessageIn", CollectScriptMessageIn);
    WrapElementConstructors<CKesGUIImage>(L, "CKesGUIImage", "kest2d::CKesGUIImage");
    WrapElementConstructors<CKesGUIButton>(L, "CKesGUIButton", "kest2d::CKesGUIButton");
    WrapElementConstructors<CKesGUIEditorBox>(L, "CKesGUIEditorBox", "kest2d::CKesGUIEditorBox");
    WrapElementConstructors<CKesGUIStatic>(L, "CKesGUIStatic", "kest2d::CKesGUIStatic");
    WrapElementConstructors<CKesGUIVideo>(L, "CKesGUIVideo", "kest2d::CKesGUIVideo");

    lua_getglobal(L, "tolua");
    if (lua_istable(L, -1)) {
        lua_pushstring(L, "cast");
        lua_pushcfunction(L, SafeCast);
        lua_rawset(L, -3);
    }
    lua_settop(L, top);
    InstallOwnership(L);
    InstallGuards(L);
}

int OpenBinding(lua_State* L) {
    int result = tolua_package_open(L);
    FixUpBinding(L);
    return result;
}

}  // namespace script
}  // namespace kest2d
