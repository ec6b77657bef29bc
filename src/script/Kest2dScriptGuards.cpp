// Guards on the runtime's own functions, which scripts can reach and call by
// hand: every class table is its objects' metatable, so
// getmetatable(obj).__gc, kest2d.CKesX.__index, kest2d.CKesX[".get"].Width
// and tolua.setpeer are ordinary functions to a script. The runtime trusts
// the arguments that Lua itself gives them; called with others, each either
// does what it does for Lua or raises a Lua error, and never reads memory as
// something it is not.
//
// - __gc called with anything but a bound object does nothing; called on an
//   object that an engine object still keeps, it does nothing either. Lua
//   itself finalises such an object only when the state closes (the keeper
//   holds its user data until then), and a closing state runs finalisers
//   with no calling frame, while a call by hand always has one.
// - .collector runs only inside the __gc of its own object; called by hand it
//   raises a Lua error instead of deleting whatever it is given as its class.
// - The class events (__index, __newindex, the operators, __call) take as
//   many arguments as Lua gives them (two, three for __newindex), and any
//   other number is a Lua error; __index and __newindex take a user data only
//   when it is a bound object. All classes share one guarded function per
//   operator and __call, as they shared the runtime's, so that ==, < and <=
//   still find the same function on both sides; __index and __newindex are
//   guarded per class, and let an object of the class itself through at
//   once.
// - A variable's getter and setter take as their object only an object of
//   their class; nil or nothing raises the variable's own "invalid 'self'"
//   error, as before.
// - tolua.inherit, tolua.setpeer, tolua.getpeer and tolua.type take their
//   arguments as the runtime reads them (the ownership functions are
//   Kest2dScriptOwnership.cpp's).
#include "script/Kest2dScriptGuards.h"

#include <cstring>
#include <string>

#include "lauxlib.h"
#include "lua.h"
#include "script/Kest2dScriptArguments.h"
#include "script/Kest2dScriptOwnership.h"
#include "script/Kest2dScriptOwnershipTables.h"
#include "tolua++.h"

namespace kest2d {
namespace script {

namespace {

using ownership::IsBoundUserData;

// The user data block whose finaliser runs now.
const void* gFinalising = nullptr;

int GuardedFinaliser(lua_State* L) {
    if (!IsBoundUserData(L, 1)) return 0;
    void* address = *static_cast<void**>(lua_touserdata(L, 1));
    if (!address) return 0;  // a deleted object: nothing of it is left
    lua_Debug caller;
    if (lua_getstack(L, 1, &caller) && ownership::IsKept(L, address)) return 0;
    if (Finalise(L)) return 0;
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

// Guards closed over the runtime's function (upvalue 1, called through
// CallUpvalue) and their own upvalues from 2 on.

// Pushes a guard `f` of the function at `original` (an absolute index),
// with `extra` upvalues taken from the stack top.
void PushGuard(lua_State* L, int original, lua_CFunction f, int extra) {
    lua_pushvalue(L, original);
    lua_insert(L, -1 - extra);
    lua_pushcclosure(L, f, 1 + extra);
}

// Upvalues: 2 the number of arguments Lua gives the event (-1: any), 3 true
// when a user data must be a bound object, 4 the event's name.
int GuardedEvent(lua_State* L) {
    const int args = static_cast<int>(lua_tointeger(L, lua_upvalueindex(2)));
    if (args >= 0 && lua_gettop(L) != args)
        return luaL_error(L, "%s takes %d arguments, not %d", lua_tostring(L, lua_upvalueindex(4)), args, lua_gettop(L));
    if (lua_type(L, 1) == LUA_TUSERDATA && lua_toboolean(L, lua_upvalueindex(3)) && !IsBoundUserData(L, 1))
        return luaL_error(L, "%s: the user data is no object of the engine", lua_tostring(L, lua_upvalueindex(4)));
    return CallUpvalue(L, 1);
}

// Upvalue 1 of a guard over a C function that has no upvalues of its own
// (the runtime's events, the generated wrappers): called in place. A guard
// is made so only over such a function (HasNoUpvalues).
int CallPlain(lua_State* L) { return lua_tocfunction(L, lua_upvalueindex(1))(L); }

bool HasNoUpvalues(lua_State* L, int function) {
    if (!lua_iscfunction(L, function)) return false;
    if (!lua_getupvalue(L, function, 1)) return true;
    lua_pop(L, 1);
    return false;
}

// True when argument 1 is an object of the class whose metatable is
// upvalue `n` itself, which is how Lua calls the class's own functions.
bool IsOwnClassObject(lua_State* L, int n) {
    if (!lua_getmetatable(L, 1)) return false;
    const bool own = lua_rawequal(L, -1, lua_upvalueindex(n)) != 0;
    lua_pop(L, 1);
    return own;
}

// __index and __newindex of one class: GuardedEvent's upvalues, and 5 the
// class's metatable. Lua calls them on an object of the class with as many
// arguments as the event takes, and such a call goes through at once.
int GuardedAccess(lua_State* L) {
    if (lua_gettop(L) == lua_tointeger(L, lua_upvalueindex(2)) && IsOwnClassObject(L, 5)) return CallPlain(L);
    return GuardedEvent(L);
}

struct Event {
    const char* name;
    int args;
    bool boundSelf;
    bool shared;  // one function for all classes (== and < find the same one on both sides)
};
const Event kEvents[] = {
    {"__index", 2, true, false}, {"__newindex", 3, true, false}, {"__add", 2, false, true},
    {"__sub", 2, false, true},   {"__mul", 2, false, true},      {"__div", 2, false, true},
    {"__lt", 2, false, true},    {"__le", 2, false, true},       {"__eq", 2, false, true},
    {"__call", -1, false, true},
};

// Upvalues: 2 the const form of the variable's class, 3 the variable's name,
// 4 the class's metatable (an object of the class itself passes at once).
int GuardedVariable(lua_State* L) {
    SettleArguments(L);
    tolua_Error err;
    if (!lua_isnoneornil(L, 1) && !IsOwnClassObject(L, 4) &&
        !IsUserType(L, 1, lua_tostring(L, lua_upvalueindex(2)), 0, &err)) {
        lua_pushfstring(L, "#finvalid 'self' in accessing variable '%s'.", lua_tostring(L, lua_upvalueindex(3)));
        tolua_error(L, lua_tostring(L, -1), &err);
    }
    return CallPlain(L);
}

// The tolua library's functions, each given its arguments as the runtime
// reads them.
int GuardedType(lua_State* L) {
    if (lua_gettop(L) == 0) lua_settop(L, 1);
    return CallUpvalue(L, 1);
}

// A peer is the environment of a user data: only the binding's objects have
// one of the runtime's making. Any other user data's environment is its
// library's own (a file's holds the function that closes it).
void CheckPeerOwner(lua_State* L, const char* name) {
    if (!IsBoundUserData(L, 1))
        luaL_error(L, "tolua.%s: an object of the engine expected, got %s", name, luaL_typename(L, 1));
}

int GuardedGetPeer(lua_State* L) {
    lua_settop(L, 1);
    CheckPeerOwner(L, "getpeer");
    return CallUpvalue(L, 1);
}

int GuardedInherit(lua_State* L) {
    lua_settop(L, 2);
    luaL_checktype(L, 1, LUA_TTABLE);
    return CallUpvalue(L, 1);
}

int GuardedSetPeer(lua_State* L) {
    lua_settop(L, 2);
    CheckPeerOwner(L, "setpeer");
    if (lua_isnil(L, 2)) {
        lua_pushvalue(L, TOLUA_NOPEER);
        lua_replace(L, 2);
    }
    luaL_checktype(L, 2, LUA_TTABLE);
    return CallUpvalue(L, 1);
}

struct ToluaGuard {
    const char* name;
    lua_CFunction guard;
};
const ToluaGuard kToluaGuards[] = {
    {"type", GuardedType}, {"getpeer", GuardedGetPeer}, {"inherit", GuardedInherit}, {"setpeer", GuardedSetPeer}};

// The guarded events of the metatable at `mt`; `made` (a table at its
// index) maps each runtime function to its guard, shared by all classes.
void GuardEvents(lua_State* L, int mt, int made) {
    for (const Event& event : kEvents) {
        lua_pushstring(L, event.name);
        lua_rawget(L, mt);
        const int original = lua_gettop(L);
        if (!event.shared && HasNoUpvalues(L, original)) {
            lua_pushinteger(L, event.args);
            lua_pushboolean(L, event.boundSelf);
            lua_pushstring(L, event.name);
            lua_pushvalue(L, mt);
            PushGuard(L, original, GuardedAccess, 4);
            lua_pushstring(L, event.name);
            lua_insert(L, -2);
            lua_rawset(L, mt);
        } else if (lua_iscfunction(L, original)) {
            lua_pushvalue(L, original);
            lua_rawget(L, made);
            if (lua_isnil(L, -1)) {
                lua_pop(L, 1);
                lua_pushinteger(L, event.args);
                lua_pushboolean(L, event.boundSelf);
                lua_pushstring(L, event.name);
                PushGuard(L, original, GuardedEvent, 3);
                lua_pushvalue(L, original);
                lua_pushvalue(L, -2);
                lua_rawset(L, made);
            }
            lua_pushstring(L, event.name);
            lua_insert(L, -2);
            lua_rawset(L, mt);
        }
        lua_settop(L, original - 1);
    }
}

// The getters and setters in the ".get" and ".set" tables of the metatable
// at `mt`, whose type is `type`.
void GuardVariables(lua_State* L, int mt, const char* type) {
    if (std::strncmp(type, "const ", 6) == 0) type += 6;
    const std::string constType = std::string("const ") + type;
    for (const char* table : {".get", ".set"}) {
        lua_pushstring(L, table);
        lua_rawget(L, mt);
        const int t = lua_gettop(L);
        if (lua_istable(L, t)) {
            lua_pushnil(L);
            while (lua_next(L, t)) {
                if (lua_type(L, -2) == LUA_TSTRING && HasNoUpvalues(L, lua_gettop(L))) {
                    const int original = lua_gettop(L);
                    lua_pushstring(L, constType.c_str());
                    lua_pushvalue(L, -3);
                    lua_pushvalue(L, mt);
                    PushGuard(L, original, GuardedVariable, 3);
                    lua_pushvalue(L, original - 1);
                    lua_insert(L, -2);
                    lua_rawset(L, t);  // an existing key: the walk goes on
                }
                lua_pop(L, 1);
            }
        }
        lua_settop(L, t - 1);
    }
}

void GuardToluaLibrary(lua_State* L) {
    lua_getglobal(L, "tolua");
    const int tolua = lua_gettop(L);
    if (lua_istable(L, tolua)) {
        for (const ToluaGuard& g : kToluaGuards) {
            lua_getfield(L, tolua, g.name);
            if (lua_iscfunction(L, -1)) {
                PushGuard(L, lua_gettop(L), g.guard, 0);
                lua_setfield(L, tolua, g.name);
            }
            lua_settop(L, tolua);
        }
    }
    lua_settop(L, tolua - 1);
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

int CallUpvalue(lua_State* L, int n) {
    const int function = lua_upvalueindex(n);
    if (lua_CFunction f = lua_tocfunction(L, function)) {
        if (!lua_getupvalue(L, function, 1)) return f(L);
        lua_pop(L, 1);
    }
    lua_pushvalue(L, function);
    lua_insert(L, 1);
    lua_call(L, lua_gettop(L) - 1, LUA_MULTRET);
    return lua_gettop(L);
}

void InstallGuards(lua_State* L) {
    const int top = lua_gettop(L);
    lua_checkstack(L, 16);
    lua_newtable(L);
    const int made = lua_gettop(L);
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
                GuardEvents(L, mt, made);
                GuardVariables(L, mt, lua_tostring(L, mt - 1));
            }
        }
        lua_pop(L, 1);
    }
    GuardToluaLibrary(L);
    lua_settop(L, top);
}

}  // namespace script
}  // namespace kest2d
