// The engine's Lua binding: the generated open function and the step that
// completes it.
#pragma once

struct lua_State;

// Generated from src/script/kest2d.pkg: registers the module `kest2d`, the
// global constants and the `toHelper` table. Returns 1.
int tolua_package_open(lua_State* L);

namespace kest2d {
namespace script {

// Opens the binding as the script host does: tolua_package_open followed by
// FixUpBinding. Returns the open function's result.
int OpenBinding(lua_State* L);

// Run right after the open function: collectors for the boxed "DWORD" and
// "BYTE" values, a tolua.cast that gives nil for a type name no
// registration made, for values that are no engine object, for objects that
// are not of the type (Kest2dScriptCasts.h) and for a record type where no
// such record lies, the ownership rule of Kest2dScriptOwnership.h and the
// finaliser guards of Kest2dScriptGuards.h.
void FixUpBinding(lua_State* L);

}  // namespace script
}  // namespace kest2d
