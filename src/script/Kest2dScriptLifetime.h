// How engine addresses reach Lua. Every bound object that the binding hands
// to a script goes through PushObject (the generated wrappers' pushes are
// routed to it by Kest2dBindingHooks.h), which hands out only what lives and
// ties what it hands out to the object it lives in; see
// Kest2dScriptOwnership.h for the whole rule.
#pragma once

#include <cstddef>
#include <string>

struct lua_State;

namespace kest2d {
namespace script {

// An object that the binding has just made for Lua (every generated
// constructor and by-value result makes it through Mtolua_new). It is noted
// before anything can raise: until Lua owns it (the collector's table or
// "kest2d.owned") it is deleted when the state closes, so an error between
// its making and its registration (a push that runs out of C stack deep in
// re-entered callbacks) loses nothing.
void NoteMade(lua_State* L, void* object, void (*destroy)(void*));
template <class T>
T* Made(lua_State* L, T* object) {
    NoteMade(L, object, [](void* p) { delete static_cast<T*>(p); });
    return object;
}
// Lua owns `object` now, or the engine has deleted it.
void MadeOwned(void* object);
// Deletes what the binding made for the state and Lua never came to own.
void FreeUnowned(lua_State* L);

// Pushes `object` as `type`: nil for null, for a type no registration made,
// and for an element, font or frame that does not live (a record's Caller
// after the caller was deleted). Any other object that the binding did not
// just make refers into the object that the bound object at stack index
// `owner` lives in (0: none), and becomes a deleted object when that goes.
void PushObject(lua_State* L, void* object, const char* type, int owner);

// PushObject with owner 1 for a type named by a string constant of the
// program (every push of the generated wrappers), whose metatable is then
// found by the constant's address.
void PushResult(lua_State* L, void* object, const char* type);

// PushObject of an address that a script holds as light user data: what is
// pushed for a record of the current call, or for an object that Lua owns,
// lives in it (and goes with the record when the call returns).
void PushAddress(lua_State* L, void* address, const char* type);

// Text that lies in engine memory (a field, a buffer, a string an engine
// object holds), pushed as a Lua string (null: nil). The bytes are copied
// before Lua allocates: lua_pushstring steps the collector before it reads
// them, and a finaliser run there may end the object that holds them. The
// binding pushes every text this way (Kest2dBindingHooks.h).
void PushText(lua_State* L, const char* text);
void PushBytes(lua_State* L, const char* bytes, size_t size);

// The text of argument `narg` as lua_tolstring gives it (`def` when there is
// none), with one difference: a number is turned into its text in its place
// without a collector step, so that no finaliser runs while a wrapper holds
// pointers to the objects of its other arguments.
const char* ArgumentText(lua_State* L, int narg, const char* def);

// The number at `index` as Lua writes it (lua_tostring's text), made without
// a Lua allocation.
std::string NumberText(lua_State* L, int index);

// tolua_register_gc for what PushObject pushed at `index`: the collector
// owns it from now on.
int CollectedFromNow(lua_State* L, int index);

// What objects of a bound type are, for PushObject; set for each type's
// metatable when the binding opens (InstallOwnership).
enum class Reach { Value, Element, Frame, Font };
void SetReach(lua_State* L, int metatable, Reach reach);
Reach ReachOfType(const char* type, bool receiver);

// Resource blocks handed to scripts (LoadResource), with their size: they
// stay valid until the state closes. The anchor that will free a block is
// pushed before the block is read (PushBlockAnchor), so that taking the
// block into it (AnchorBlock, given the anchor's index) cannot fail.
void PushBlockAnchor(lua_State* L);
void AnchorBlock(lua_State* L, int anchor, void* block, unsigned long size);
// Frees every block still held, as the state closes: Lua never finalises an
// anchor made by a finaliser that runs inside the close.
void FreeBlocks(lua_State* L);
// The size of the block that starts at `address`; 0 when none does.
unsigned long BlockSize(lua_State* L, void* address);

// False when `address` cannot be taken as `type` by a cast. A bare address
// (`source` 0: a light user data) is taken only as a record (an event
// record, a part of one, or a message): nothing vouches for any other object
// there. A record type needs a record at the address: the record it lies in
// (the address itself, or for a bound object at stack index `source` > 0
// the object it lives in) is a record of the current script call, one that
// Lua made, or (for an event record) a resource block, with room for `type`
// there.
bool MayCastTo(lua_State* L, void* address, const char* type, int source);

// True while the state owns the object at `address` beyond any script call:
// a record that Lua made, or a resource block.
bool OutlivesCalls(lua_State* L, void* address);

}  // namespace script
}  // namespace kest2d
