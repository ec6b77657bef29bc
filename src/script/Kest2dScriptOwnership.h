// Who frees the engine objects that scripts see, and how long a script can
// reach them, kept in one place.
//
// - Lua owns what Lua made: objects in the runtime's collector table
//   ("tolua_gc": new_local, the class call, by-value results) and objects made
//   with new or released from the collector (the table "kest2d.owned" of the
//   registry). Everything else belongs to the engine. What Lua owns when the
//   state closes is freed then, and so is an object the binding made but
//   never came to register (its push failed).
// - obj:delete() frees only what Lua owns, never an element standing in the
//   GUI tree and never an object that an engine object still keeps; anything
//   else is a Lua error.
// - Every user data is either an object of its own (an element, a font, the
//   frame, a record of the current script call, a value Lua made) or refers
//   into one (a field, a returned reference, a cast of either: the object of
//   the wrapper's argument 1, see Kest2dScriptLifetime.h). When an object
//   ends (delete, the collector, the GUI tree deleting an element, the font
//   registry freeing a font, the end of the script call a record was handed
//   to) every user data that refers to it or into it is turned into a
//   deleted object: its address becomes null and any use of it raises a Lua
//   error. The runtime's per-address caches forget them, so a new object at
//   the same address gets fresh user data. What reaches them is the binding's
//   own list of the user data made for each address, not those caches: Lua
//   5.1 drops a user data from a weak cache when it is about to be
//   finalised, and a finaliser can make it reachable again or use it before
//   it goes.
// - An element, font or frame is handed to Lua only while it lives (the
//   engine's lifetime registry, frame/Kest2dLifetime.h): a dead one reads as
//   nil, wherever its address was kept (a record's Caller, a parent).
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

// The finaliser of the bound object whose user data is at index 1 (it holds
// an address), as the runtime's gc event has it but without its detours:
// an object that the collector's table has as its type, or as a base of it,
// leaves the table, is freed by its class's collector and is forgotten.
// False when its class has no collector known here (the stack then holds
// the user data alone).
bool Finalise(lua_State* L);

// Forgets an object that is gone or about to go: its collector and script
// ownership, the user data that refer to it or into it, the references it
// keeps and those kept to it.
void ForgetObject(lua_State* L, void* address);

}  // namespace script
}  // namespace kest2d
