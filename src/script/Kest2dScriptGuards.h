// Guards on the runtime's finalisers (__gc and .collector of every bound
// class), which scripts can call by hand: see Kest2dScriptGuards.cpp.
#pragma once

struct lua_State;

namespace kest2d {
namespace script {

// Run last by FixUpBinding, once every collector is in place.
void InstallFinaliserGuards(lua_State* L);

}  // namespace script
}  // namespace kest2d
