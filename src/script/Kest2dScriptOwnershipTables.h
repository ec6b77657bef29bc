// The registry tables behind the ownership rule (see
// Kest2dScriptOwnership.h): who owns which address, the metatables of deleted
// objects, and the references that engine objects keep. Used by the
// binding's own sources (Kest2dScript*.cpp) only.
#pragma once

struct lua_State;

namespace kest2d {
namespace script {
namespace ownership {

// Registry tables of the rule, each keyed as its comment says.
inline constexpr char kCollected[] = "tolua_gc";      // address -> metatable: the runtime's collector table
inline constexpr char kSuper[] = "tolua_super";      // metatable -> { base type name -> true }: the runtime's
inline constexpr char kOwned[] = "kest2d.owned";      // address -> metatable: made with new, or let go by the collector
inline constexpr char kHolds[] = "kest2d.holds";      // holder address -> { slot name -> entry }
inline constexpr char kHeld[] = "kest2d.held";        // object address -> { entry -> true }
inline constexpr char kDeleted[] = "kest2d.deleted";  // type name or metatable -> metatable of deleted objects
inline constexpr char kAnchor[] = "kest2d.ownership";
// Owner address -> { user data -> true }, and user data -> owner address: the
// user data that refer into an object (a field, a returned reference, a cast
// of either) rather than to an object of their own.
inline constexpr char kWithin[] = "kest2d.within";
// Address -> { user data -> the runtime's cache it stands in }: every user data
// that the binding made for an address (Kest2dScriptLifetime.cpp, PushBox).
// Its keys are weak, and Lua 5.1 keeps a weak key while its user data is
// being finalised (it clears weak values then: the runtime's caches lose
// such a user data, which a finaliser can make reachable again); so the end
// of an object reaches every user data of it, whatever the collector did.
inline constexpr char kHandles[] = "kest2d.handles";
inline constexpr char kWeakKeys[] = "kest2d.weak_keys";   // the metatable of those lists
inline constexpr char kBlocks[] = "kest2d.resource_buffers";  // block address -> its block (Kest2dScriptLifetime.cpp)
// Empty between uses: the texts of number arguments pass through it as keys
// (Kest2dScriptLifetime.cpp, ArgumentText).
inline constexpr char kTexts[] = "kest2d.texts";

// Makes every table above, so that forgetting an object never makes one:
// it then never steps the collector, whose finalisers can raise errors
// wherever it steps.
void MakeTables(lua_State* L);

// Pushes registry[name] and gives true when it is a table; nil and false
// otherwise. `name` is a string constant of the program: the table is kept
// under its address too (a light user data key), where later calls find it.
// The runtime's metatables are found this way by their type's name.
bool PushRegistered(lua_State* L, const char* name);

// Pushes registry[name], made an empty table when it is none.
void PushTable(lua_State* L, const char* name);

// Pushes registry[table][address].
void GetAt(lua_State* L, const char* table, void* address);

// registry[table][address] = the value on top, which is popped.
void SetAt(lua_State* L, const char* table, void* address);

// True when registry[table][address] is not nil.
bool HasAt(lua_State* L, const char* table, void* address);

// True for a full user data whose metatable is one of the binding's types
// (a deleted object's included).
bool IsBoundUserData(lua_State* L, int index);

// The address a bound object's user data holds, null for anything else.
void* AddressOf(lua_State* L, int index);

// The address that a user data block of the binding's shape holds (a bound
// object's, or a block made to call a collector with), null for anything
// smaller or no user data.
void* BoxAddress(lua_State* L, int index);

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

// Pushes the list of user data that stand for `address` (kHandles), made
// empty when there is none.
void PushHandles(lua_State* L, void* address);

// Takes the user data at `index` out of the runtime's cache at `cache` (a
// stack index), where it may stand for `address`.
void Uncache(lua_State* L, int index, int cache, void* address);

// The user data at `index`, made for `address`, becomes a deleted object and
// leaves the runtime's cache and the list of the address.
void ForgetHandle(lua_State* L, int index, void* address);

// Every user data made for `address` becomes a deleted object; the runtime's
// caches and the list forget them.
void ForgetHandles(lua_State* L, void* address);

// How many times the end of an object has turned user data into deleted
// objects (ForgetHandles, DropWithin), ever: a push compares it before and
// after the steps in which a finaliser may end objects.
unsigned long Ends();

// The holder at `holder` keeps the value at `value` in the slot named by the
// string at `slot` (nil, or a value that is no live object, keeps nothing),
// in two steps around the bound function that stores the pointer:
// PrepareKeep, before it, makes everything the reference needs and pushes
// it (nil when nothing is kept); CommitKeep, after it, only links what was
// made (entry: its stack index, or 0 to keep nothing). Nothing between the
// engine's keeping the pointer and the reference standing can step the
// collector, whose finalisers may raise errors wherever it steps.
void PrepareKeep(lua_State* L, void* holder, int slot, int value);
void CommitKeep(lua_State* L, void* holder, int slot, int entry);
// Drops what PrepareKeep made that nothing uses (the bound function failed).
void DropPreparedKeep(lua_State* L, void* holder, int entry);

// Everything `address` keeps, and every reference kept to it, is dropped.
void DropKept(lua_State* L, void* address);

// The object that the bound object at `index` lives in: the owner it was
// handed out with when it refers into another object, else its own address;
// null for a value that is no live bound object.
void* OwnerOf(lua_State* L, int index);
// OwnerOf for a bound object whose user data holds `address`.
void* OwnerOfObject(lua_State* L, int index, void* address);

// The user data at `index` refers into the object at `owner`.
void AddWithin(lua_State* L, int index, void* owner);

// Every user data that refers into the object at `owner` becomes a deleted
// object.
void DropWithin(lua_State* L, void* owner);

// The user data at `index` no longer refers into any object (it was noted
// inside one by a push that then failed).
void LeaveWithin(lua_State* L, int index);

}  // namespace ownership
}  // namespace script
}  // namespace kest2d
