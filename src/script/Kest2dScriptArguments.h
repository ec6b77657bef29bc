// How every bound function takes its arguments. The rule: once a wrapper has
// found an object alive, no script code runs until it has used it.
//
// The runtime's own checks break it in two ways: given a table for an
// object, it looks ".c_instance" up in the table, which runs the table's
// __index; and checking a derived or const type, it pushes strings, which
// steps the collector, which runs finalisers. Either can end the object that
// the wrapper has just read (the object of a setter), or one that an
// argument checked before refers into.
//
// So each wrapper first settles its arguments (SettleArguments): the tables
// that stand for objects are replaced by them, at a point where the wrapper
// has read nothing yet. What follows (the checks, the conversions, the call)
// takes its arguments as they then stand, with the functions below, which
// neither run script code nor step the collector. The generated wrappers
// reach them through the runtime's names (Kest2dBindingHooks.h).
#pragma once

#include <cstdlib>

#include "tolua++.h"

namespace kest2d {
namespace script {

// True for a class table (the metatable of a registered type: the registry
// maps it to its name).
bool IsClassTable(lua_State* L, int index);

// The table at `index` is replaced by the object that its ".c_instance"
// holds (looked up as the runtime does: raw, then through __index), when
// that is a user data; a class table stays as it is.
void SettleTable(lua_State* L, int index);

// First thing in every wrapper: every argument, or those at the positions
// whose bits are set in `positions` (bit n for argument n, below 32), the
// ones a generated wrapper takes as objects.
inline void SettleArguments(lua_State* L) {
    const int top = lua_gettop(L);
    for (int i = 1; i <= top; ++i)
        if (lua_type(L, i) == LUA_TTABLE) SettleTable(L, i);
}
inline void SettleArguments(lua_State* L, unsigned positions) {
    const int top = lua_gettop(L);
    for (int i = 1; i <= top && i < 32; ++i)
        if (((positions >> i) & 1u) && lua_type(L, i) == LUA_TTABLE) SettleTable(L, i);
}

// True when the value at `index` is a bound object that passes as `type`:
// its own type, the const form of it or one of its bases (with theirs).
bool IsObjectOf(lua_State* L, int index, const char* type);

// True when objects of the type whose metatable is at `mt` pass as `type`.
bool PassesAs(lua_State* L, int mt, const char* type);

// A failed check of argument `lo`, recorded as the runtime records it.
inline int Refused(int lo, const char* type, tolua_Error* err) {
    err->index = lo;
    err->array = 0;
    err->type = type;
    return 0;
}

// tolua_isusertype, tolua_isusertable and tolua_tousertype as the runtime
// has them for settled arguments, without a collector step.
inline int IsUserType(lua_State* L, int lo, const char* type, int def, tolua_Error* err) {
    if (def && lua_gettop(L) < std::abs(lo)) return 1;
    if (lua_isnil(L, lo) || IsObjectOf(L, lo, type)) return 1;
    return Refused(lo, type, err);
}

int IsUserTable(lua_State* L, int lo, const char* type, int def, tolua_Error* err);

// The address a bound object's user data holds (null once its object is
// deleted); null for anything else.
inline void* ToUserType(lua_State* L, int narg, void* def) {
    if (lua_gettop(L) < std::abs(narg)) return def;
    if (lua_type(L, narg) != LUA_TUSERDATA) return nullptr;
    void* box = lua_touserdata(L, narg);
    return box ? *static_cast<void**>(box) : nullptr;
}

}  // namespace script
}  // namespace kest2d
