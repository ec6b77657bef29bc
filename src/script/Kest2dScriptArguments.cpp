// Settling and checking the arguments of bound functions: see
// Kest2dScriptArguments.h. Nothing after SettleTable's own lookup pushes a
// string or makes a table: lua_getfield finds an existing string without a
// collector step, and lua_rawget, lua_getmetatable and light user data keys
// need none.
#include "script/Kest2dScriptArguments.h"

#include <cstring>

#include "lua.h"

namespace kest2d {
namespace script {

namespace {

// The registry key of the runtime's table of base types ("tolua_super":
// metatable -> { base type name -> true }).
char gSuperKey;

bool IsConstFormOf(const char* type, const char* name) {
    return std::strncmp(type, "const ", 6) == 0 && std::strcmp(type + 6, name) == 0;
}

}  // namespace

bool IsClassTable(lua_State* L, int index) {
    lua_pushvalue(L, index);
    lua_rawget(L, LUA_REGISTRYINDEX);
    const bool named = lua_type(L, -1) == LUA_TSTRING;
    lua_pop(L, 1);
    return named;
}

void SettleTable(lua_State* L, int index) {
    if (IsClassTable(L, index)) return;
    lua_pushliteral(L, ".c_instance");
    lua_gettable(L, index);
    if (lua_isuserdata(L, -1))
        lua_replace(L, index);
    else
        lua_pop(L, 1);
}

bool IsObjectOf(lua_State* L, int index, const char* type) {
    if (lua_type(L, index) != LUA_TUSERDATA || !lua_getmetatable(L, index)) return false;
    const bool passes = PassesAs(L, lua_gettop(L), type);
    lua_pop(L, 1);
    return passes;
}

bool PassesAs(lua_State* L, int mt, const char* type) {
    if (mt < 0 && mt > LUA_REGISTRYINDEX) mt = lua_gettop(L) + 1 + mt;
    const int top = lua_gettop(L);
    lua_pushvalue(L, mt);
    lua_rawget(L, LUA_REGISTRYINDEX);
    // The name stays anchored by the registry while it is compared.
    const char* name = lua_type(L, -1) == LUA_TSTRING ? lua_tostring(L, -1) : nullptr;
    bool passes = name && (std::strcmp(name, type) == 0 || IsConstFormOf(type, name));
    if (name && !passes) {
        lua_pushlightuserdata(L, &gSuperKey);
        lua_rawget(L, LUA_REGISTRYINDEX);
        if (!lua_istable(L, -1)) {
            lua_pop(L, 1);
            lua_getfield(L, LUA_REGISTRYINDEX, "tolua_super");
        }
        if (lua_istable(L, -1)) {
            lua_pushvalue(L, mt);
            lua_rawget(L, -2);
            // The base tables have no metatable: this lookup is raw.
            if (lua_istable(L, -1)) {
                lua_getfield(L, -1, type);
                passes = lua_toboolean(L, -1) != 0;
            }
        }
    }
    lua_settop(L, top);
    return passes;
}

int IsUserTable(lua_State* L, int lo, const char* type, int def, tolua_Error* err) {
    if (def && lua_gettop(L) < std::abs(lo)) return 1;
    lua_pushvalue(L, lo);
    lua_rawget(L, LUA_REGISTRYINDEX);
    const char* name = lua_type(L, -1) == LUA_TSTRING ? lua_tostring(L, -1) : nullptr;
    const bool passes = name && (std::strcmp(name, type) == 0 || IsConstFormOf(type, name));
    lua_pop(L, 1);
    if (passes) return 1;
    err->index = lo;
    err->array = 0;
    err->type = type;
    return 0;
}

void InstallArguments(lua_State* L) {
    lua_pushlightuserdata(L, &gSuperKey);
    lua_getfield(L, LUA_REGISTRYINDEX, "tolua_super");
    lua_rawset(L, LUA_REGISTRYINDEX);
}

}  // namespace script
}  // namespace kest2d
