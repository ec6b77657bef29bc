// Guards on the runtime's finalisers, which scripts can reach by hand:
// every class table is its objects' metatable, so getmetatable(obj).__gc and
// kest2d.CKesX[".collector"] are ordinary functions to a script.
//
// - __gc called with anything but a bound object does nothing; called on an
//   object that an engine object still keeps, it does nothing either. Lua
//   itself finalises such an object only when the state closes (the keeper
//   holds its user data until then), and a closing state runs finalisers
//   with no calling frame, while a call by hand always has one.
// - .collector runs only inside the __gc of its own object; called by hand it
//   raises a Lua error instead of deleting whatever it is given as its class.
#include "script/Kest2dScriptGuards.h"

#include "lauxlib.h"
#include "lua.h"
#include "script/Kest2dScriptOwnershipTables.h"

namespace kest2d {
namespace script {

namespace {

// The user data block whose finaliser runs now.
const void* gFinalising = nullptr;

bool IsBoundUserData(lua_State* L, int index) {
    if (lua_type(L, index) != LUA_TUSERDATA || !lua_getmetatable(L, index)) return false;
    lua_rawget(L, LUA_REGISTRYINDEX);
    const bool bound = lua_type(L, -1) == LUA_TSTRING;
    lua_pop(L, 1);
    return bound;
}

int GuardedFinaliser(lua_State* L) {
    if (!IsBoundUserData(L, 1)) return 0;
    void* address = *static_cast<void**>(lua_touserdata(L, 1));
    lua_Debug caller;
    if (address && lua_getstack(L, 1, &caller) && ownership::IsKept(L, address)) return 0;
    lua_pushvalue(L, lua_upvalueindex(1));
    if (FinaliseWith(L, 1) != 0) return lua_error(L);
    return 0;
}

int GuardedCollector(lua_State* L) {
    if (!gFinalising || lua_touserdata(L, 1) != gFinalising)
        return luaL_error(L, "a collector runs only when Lua collects its object");
    lua_pushvalue(L, lua_upvalueindex(1));
    lua_pushvalue(L, 1);
    lua_call(L, 1, 0);
    return 0;
}

// t[name] = f closed over the old t[name], when that is a function.
void Guard(lua_State* L, int t, const char* name, lua_CFunction f) {
    lua_pushstring(L, name);
    lua_rawget(L, t);
    if (!lua_isfunction(L, -1)) {
        lua_pop(L, 1);
        return;
    }
    lua_pushcclosure(L, f, 1);
    lua_pushstring(L, name);
    lua_insert(L, -2);
    lua_rawset(L, t);
}

}  // namespace

int FinaliseWith(lua_State* L, int object) {
    const void* outer = gFinalising;
    gFinalising = lua_touserdata(L, object);
    lua_pushvalue(L, object);
    const int status = lua_pcall(L, 1, 0, 0);
    gFinalising = outer;
    return status;
}

void InstallFinaliserGuards(lua_State* L) {
    const int top = lua_gettop(L);
    lua_checkstack(L, 8);
    // Every registered type's metatable: the registry maps its name to it
    // and it back to the name.
    lua_pushnil(L);
    while (lua_next(L, LUA_REGISTRYINDEX)) {
        if (lua_type(L, -2) == LUA_TSTRING && lua_istable(L, -1)) {
            lua_pushvalue(L, -1);
            lua_rawget(L, LUA_REGISTRYINDEX);
            const bool named = lua_type(L, -1) == LUA_TSTRING;
            lua_pop(L, 1);
            if (named) {
                const int mt = lua_gettop(L);
                Guard(L, mt, "__gc", GuardedFinaliser);
                Guard(L, mt, ".collector", GuardedCollector);
            }
        }
        lua_pop(L, 1);
    }
    lua_settop(L, top);
}

}  // namespace script
}  // namespace kest2d
