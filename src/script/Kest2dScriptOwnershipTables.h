// The registry tables behind the ownership rule (see
// Kest2dScriptOwnership.h): who owns which address, the metatables of deleted
// objects, and the references that engine objects keep. Used by
// Kest2dScriptOwnership.cpp only.
#pragma once

struct lua_State;

namespace kest2d {
namespace script {
namespace ownership {

// Registry tables of the rule, each keyed as its comment says.
inline constexpr char kCollected[] = "tolua_gc";      // address -> metatable: the runtime's collector table
inline constexpr char kOwned[] = "kest2d.owned";      // address -> metatable: made with new, or let go by the collector
inline constexpr char kHolds[] = "kest2d.holds";      // holder address -> { slot name -> entry }
inline constexpr char kHeld[] = "kest2d.held";        // object address -> { entry -> true }
inline constexpr char kCaches[] = "kest2d.uboxes";    // array of the runtime's per-address user data caches
inline constexpr char kDeleted[] = "kest2d.deleted";  // type name or metatable -> metatable of deleted objects
inline constexpr char kAnchor[] = "kest2d.ownership";
// Owner address -> { user data -> true }, and user data -> owner address: the
// user data that refer into an object (a field, a returned reference, a cast
// of either) rather than to an object of their own.
inline constexpr char kWithin[] = "kest2d.within";

// Pushes registry[name], made an empty table when it is none.
void PushTable(lua_State* L, const char* name);

// Pushes registry[table][address].
void GetAt(lua_State* L, const char* table, void* address);

// registry[table][address] = the value on top, which is popped.
void SetAt(lua_State* L, const char* table, void* address);

// True when registry[table][address] is not nil.
bool HasAt(lua_State* L, const char* table, void* address);

// The address a bound object's user data holds, null for anything else.
void* AddressOf(lua_State* L, int index);

// True when the collector or the script owns the object at `address`.
bool LuaOwns(lua_State* L, void* address);

// True when the collector or the script owns the object at `address` as the
// type whose metatable is at `metatable`: the object itself, not a part of
// it or a cast of it that starts at the same address.
bool LuaOwnsAs(lua_State* L, void* address, int metatable);

// True while an engine object keeps a reference to `address`.
bool IsKept(lua_State* L, void* address);

// Pushes the metatable that user data of `type` take once their object is
// gone. The registry names it "deleted <type>", so an argument check that
// meets one reports that name.
void PushDeletedMetatable(lua_State* L, const char* type);

// Turns the user data at `index` into a deleted object.
void Invalidate(lua_State* L, int index);

// Takes the user data at `index` out of its type's per-address cache, where
// it stands for `address`.
void Uncache(lua_State* L, int index, void* address);

// The holder at `holder` now keeps the value at `value` in `slot` (nil, or
// a value that is no live object, keeps nothing).
void Keep(lua_State* L, void* holder, const char* slot, int value);

// Everything `address` keeps, and every reference kept to it, is dropped.
void DropKept(lua_State* L, void* address);

// The object that the bound object at `index` lives in: the owner it was
// handed out with when it refers into another object, else its own address;
// null for a value that is no live bound object.
void* OwnerOf(lua_State* L, int index);

// The user data at `index` refers into the object at `owner`.
void AddWithin(lua_State* L, int index, void* owner);

// Every user data that refers into the object at `owner` becomes a deleted
// object.
void DropWithin(lua_State* L, void* owner);

}  // namespace ownership
}  // namespace script
}  // namespace kest2d
