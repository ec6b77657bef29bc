// Guards on the runtime's own functions that scripts can call by hand (the
// finalisers, the class events, the variables' getters and setters, the
// tolua library): see Kest2dScriptGuards.cpp.
#pragma once

struct lua_State;

namespace kest2d {
namespace script {

// Run last by FixUpBinding, once every collector is in place.
void InstallGuards(lua_State* L);

// Calls the function on top of the stack (popped) with the user data at
// `object` as that object's finaliser, in protected mode: the closing state's
// sweep of what Lua made runs the collectors this way. Returns lua_pcall's
// status (the error message is left on the stack).
int FinaliseWith(lua_State* L, int object);

// Calls upvalue `n` of the running C function with the values on the stack
// as its arguments; returns the number of its results, the last values on
// the stack. A C function without upvalues of its own (the runtime's, the
// generated wrappers) is called in place: Lua's own call steps the
// collector once the function has returned, and a finaliser's error raised
// there would skip whatever the caller notes next.
int CallUpvalue(lua_State* L, int n);

}  // namespace script
}  // namespace kest2d
