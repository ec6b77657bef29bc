// Settling and checking the arguments of bound functions: see
// Kest2dScriptArguments.h. Nothing after SettleTable's own lookup pushes a
// string or makes a table: lua_getfield finds an existing string without a
// collector step, and lua_rawget, lua_getmetatable and light user data keys
// (PushRegistered) need none.
#include "script/Kest2dScriptArguments.h"

#include <cstring>

#include "lua.h"
#include "script/Kest2dScriptOwnershipTables.h"

namespace kest2d {
namespace script {

namespace {

// A type of name `name` passes as `type` when `type` is its name or the
// name's const form.
bool NamePassesAs(const char* name, const char* type) {
    return name && (std::strcmp(name, type) == 0 ||
                    (std::strncmp(type, "const ", 6) == 0 && std::strcmp(type + 6, name) == 0));
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
    bool passes = NamePassesAs(name, type);
    if (name && !passes) {
        if (ownership::PushRegistered(L, ownership::kSuper)) {
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
    const bool passes = NamePassesAs(name, type);
    lua_pop(L, 1);
    return passes ? 1 : Refused(lo, type, err);
}

}  // namespace script
}  // namespace kest2d
