// Who frees the engine objects that scripts see, kept in one place.
//
// - Lua owns what Lua made: objects in the runtime's collector table
//   ("tolua_gc": new_local, the class call, by-value results) and objects made
//   with new or released from the collector (the table "kest2d.owned" of the
//   registry). Everything else belongs to the engine.
// - obj:delete() frees only what Lua owns, never an element standing in the
//   GUI tree and never an object that an engine object still keeps; anything
//   else is a Lua error.
// - When an object is freed (by delete, by the collector or, for an element,
//   by the GUI tree) every user data that refers to it is turned into a
//   deleted object: its address becomes null and any use of it raises a Lua
//   error. The runtime's per-address cache forgets it, so a new object at the
//   same address gets a fresh user data.
// - A bound function that stores a pointer to an object it is given keeps a
//   Lua reference to that object's user data for as long as the holder keeps
//   the pointer: until the holder is given another object (or nil) or is
//   destroyed. A holder never keeps its own tree ancestor: the tree already
//   ties their lives together.
#pragma once

struct lua_State;

namespace kest2d {

class CKesBaseGUIElement;

namespace script {

// Completes the ownership rule on a state whose binding is registered: run
// by FixUpBinding.
void InstallOwnership(lua_State* L);

// obj:delete(): checks its arguments as every wrapper does (argument 1 of
// `type`, nothing after it), then frees the object through `destroy` if Lua
// owns it. `element` gives the object as a GUI element, or null.
int DeleteObject(lua_State* L, const char* type, void (*destroy)(void*), CKesBaseGUIElement* (*element)(void*));

// Forgets an object that is gone or about to go: its collector and script
// ownership, the user data that refer to it and the references it keeps.
void ForgetObject(lua_State* L, void* address);

// Kest2dScriptBinding.cpp: the controls that the collector deletes, made
// with new_local or handed to it (`box` is their user data block).
void RememberScriptMadeElement(CKesBaseGUIElement* element, void* box);
void ForgetScriptMadeElement(void* address);

}  // namespace script
}  // namespace kest2d
