#include "script/Kest2dScriptBinding.h"

#include <cstdint>

#include "script/Kest2dScriptObjects.h"
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

// True when the value at `index` is a full user data made by the binding:
// its metatable is one of the registered types.
bool IsBoundObject(lua_State* L, int index) {
    if (!lua_getmetatable(L, index)) return false;
    lua_rawget(L, LUA_REGISTRYINDEX);  // the runtime maps each type's metatable to its name
    const bool bound = lua_isstring(L, -1) != 0;
    lua_pop(L, 1);
    return bound;
}

// tolua.cast(value, typeName): the same object pushed as typeName. A light
// user data is cast by the address it holds. Nil for nil, for values that
// are no engine object and for type names that nothing registered.
int SafeCast(lua_State* L) {
    void* address = nullptr;
    if (lua_islightuserdata(L, 1)) {
        address = lua_touserdata(L, 1);
    } else if (lua_isuserdata(L, 1)) {
        if (IsBoundObject(L, 1)) address = *static_cast<void**>(lua_touserdata(L, 1));
    } else if (lua_istable(L, 1)) {
        address = tolua_tousertype(L, 1, nullptr);
    }
    const char* type = lua_type(L, 2) == LUA_TSTRING ? lua_tostring(L, 2) : nullptr;
    if (!address || !type) {
        lua_pushnil(L);
        return 1;
    }
    luaL_getmetatable(L, type);
    const bool known = lua_istable(L, -1);
    lua_pop(L, 1);
    if (!known) {
        lua_pushnil(L);
        return 1;
    }
    tolua_pushusertype(L, address, type);
    return 1;
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

    lua_getglobal(L, "tolua");
    if (lua_istable(L, -1)) {
        lua_pushstring(L, "cast");
        lua_pushcfunction(L, SafeCast);
        lua_rawset(L, -3);
    }
    lua_settop(L, top);
}

int OpenBinding(lua_State* L) {
    int result = tolua_package_open(L);
    FixUpBinding(L);
    return result;
}

}  // namespace script
}  // namespace kest2d
