// The registry tables behind the ownership rule: reading and writing them,
// turning user data into deleted objects, and the kept references.
#include "script/Kest2dScriptOwnershipTables.h"

#include <string>

#include "lauxlib.h"
#include "lua.h"

namespace kest2d {
namespace script {
namespace ownership {

namespace {

// A kept reference: { user data, object address, holder address, slot name }.
enum { kEntryValue = 1, kEntryObject = 2, kEntryHolder = 3, kEntrySlot = 4 };

}  // namespace

// A table of the registry stands under its name, and under the address of
// that name's constant as a light user data key: what the binding reads on
// every push, check and collection is found without hashing a name, and
// without a collector step.
bool PushRegistered(lua_State* L, const char* name) {
    void* key = const_cast<char*>(name);
    lua_pushlightuserdata(L, key);
    lua_rawget(L, LUA_REGISTRYINDEX);
    if (lua_istable(L, -1)) return true;
    lua_pop(L, 1);
    lua_getfield(L, LUA_REGISTRYINDEX, name);
    if (!lua_istable(L, -1)) return false;
    lua_pushlightuserdata(L, key);
    lua_pushvalue(L, -2);
    lua_rawset(L, LUA_REGISTRYINDEX);
    return true;
}

void PushTable(lua_State* L, const char* name) {
    if (PushRegistered(L, name)) return;
    lua_pop(L, 1);
    lua_newtable(L);
    lua_pushvalue(L, -1);
    lua_setfield(L, LUA_REGISTRYINDEX, name);
}

// Pushes registry[table][address].
void GetAt(lua_State* L, const char* table, void* address) {
    PushTable(L, table);
    lua_pushlightuserdata(L, address);
    lua_rawget(L, -2);
    lua_remove(L, -2);
}

// registry[table][address] = the value on top, which is popped.
void SetAt(lua_State* L, const char* table, void* address) {
    PushTable(L, table);
    lua_pushlightuserdata(L, address);
    lua_pushvalue(L, -3);
    lua_rawset(L, -3);
    lua_pop(L, 2);
}

void MakeTables(lua_State* L) {
    for (const char* name : {kCollected, kOwned, kHolds, kHeld, kDeleted, kWithin, kHandles, kBlocks, kTexts}) {
        PushTable(L, name);
        lua_pop(L, 1);
    }
    lua_newtable(L);
    lua_pushliteral(L, "k");
    lua_setfield(L, -2, "__mode");
    lua_setfield(L, LUA_REGISTRYINDEX, kWeakKeys);
}

namespace {

// Pushes registry[table][address], made an empty table when it is none.
void PushTableAt(lua_State* L, const char* table, void* address) {
    GetAt(L, table, address);
    if (!lua_istable(L, -1)) {
        lua_pop(L, 1);
        lua_newtable(L);
        lua_pushvalue(L, -1);
        SetAt(L, table, address);
    }
}

// registry[table][address] goes when the table at `index` (its value) is
// empty.
void DropIfEmpty(lua_State* L, int index, const char* table, void* address) {
    lua_pushnil(L);
    if (lua_next(L, index)) {
        lua_pop(L, 2);
    } else {
        lua_pushnil(L);
        SetAt(L, table, address);
    }
}

}  // namespace

bool HasAt(lua_State* L, const char* table, void* address) {
    GetAt(L, table, address);
    const bool has = !lua_isnil(L, -1);
    lua_pop(L, 1);
    return has;
}

void* BoxAddress(lua_State* L, int index) {
    if (lua_type(L, index) != LUA_TUSERDATA || lua_objlen(L, index) < sizeof(void*)) return nullptr;
    return *static_cast<void**>(lua_touserdata(L, index));
}

bool IsBoundUserData(lua_State* L, int index) {
    if (lua_type(L, index) != LUA_TUSERDATA || !lua_getmetatable(L, index)) return false;
    lua_rawget(L, LUA_REGISTRYINDEX);
    const bool bound = lua_type(L, -1) == LUA_TSTRING;
    lua_pop(L, 1);
    return bound;
}

void* AddressOf(lua_State* L, int index) { return IsBoundUserData(L, index) ? BoxAddress(L, index) : nullptr; }

bool LuaOwns(lua_State* L, void* address) { return HasAt(L, kCollected, address) || HasAt(L, kOwned, address); }

bool LuaOwnsAs(lua_State* L, void* address, int metatable) {
    metatable = metatable < 0 ? lua_gettop(L) + 1 + metatable : metatable;
    bool owns = false;
    for (const char* table : {kCollected, kOwned}) {
        GetAt(L, table, address);
        owns = owns || lua_rawequal(L, -1, metatable);
        lua_pop(L, 1);
    }
    return owns;
}

bool IsKept(lua_State* L, void* address) {
    GetAt(L, kHeld, address);
    bool kept = false;
    if (lua_istable(L, -1)) {
        lua_pushnil(L);
        if (lua_next(L, -2)) {
            kept = true;
            lua_pop(L, 2);
        }
    }
    lua_pop(L, 1);
    return kept;
}

// Deleted objects ----------------------------------------------------------

namespace {

int UseOfDeletedField(lua_State* L) {
    const char* type = lua_tostring(L, lua_upvalueindex(1));
    if (lua_type(L, 2) == LUA_TSTRING)
        return luaL_error(L, "the %s was deleted and cannot be used ('%s')", type, lua_tostring(L, 2));
    return luaL_error(L, "the %s was deleted and cannot be used", type);
}

int UseOfDeleted(lua_State* L) {
    return luaL_error(L, "the %s was deleted and cannot be used", lua_tostring(L, lua_upvalueindex(1)));
}

int DeletedName(lua_State* L) {
    lua_pushfstring(L, "deleted %s", lua_tostring(L, lua_upvalueindex(1)));
    return 1;
}

}  // namespace

// Pushes the metatable that user data of `type` take once their object is
// gone. The registry names it "deleted <type>", so an argument check that
// meets one reports that name.
void PushDeletedMetatable(lua_State* L, const char* type) {
    PushTable(L, kDeleted);
    lua_getfield(L, -1, type);
    if (lua_istable(L, -1)) {
        lua_remove(L, -2);
        return;
    }
    lua_pop(L, 1);
    lua_newtable(L);
    const int mt = lua_gettop(L);
    for (const char* name : {"__index", "__newindex"}) {
        lua_pushstring(L, type);
        lua_pushcclosure(L, UseOfDeletedField, 1);
        lua_setfield(L, mt, name);
    }
    for (const char* name : {"__call", "__add", "__sub", "__mul", "__div", "__mod", "__pow", "__unm", "__concat",
                             "__len", "__lt", "__le"}) {
        lua_pushstring(L, type);
        lua_pushcclosure(L, UseOfDeleted, 1);
        lua_setfield(L, mt, name);
    }
    lua_pushstring(L, type);
    lua_pushcclosure(L, DeletedName, 1);
    lua_setfield(L, mt, "__tostring");
    lua_pushvalue(L, mt);
    lua_pushfstring(L, "deleted %s", type);
    lua_rawset(L, LUA_REGISTRYINDEX);
    lua_pushvalue(L, mt);
    lua_setfield(L, -3, type);
    lua_remove(L, -2);
}

// Turns the user data at `index` into a deleted object.
void Invalidate(lua_State* L, int index) {
    if (!lua_getmetatable(L, index)) return;
    PushTable(L, kDeleted);
    lua_pushvalue(L, -2);
    lua_rawget(L, -2);
    if (lua_istable(L, -1)) {
        *static_cast<void**>(lua_touserdata(L, index)) = nullptr;
        lua_setmetatable(L, index);
        lua_pop(L, 2);
        return;
    }
    lua_pop(L, 2);
    lua_rawget(L, LUA_REGISTRYINDEX);
    const std::string type = lua_isstring(L, -1) ? lua_tostring(L, -1) : "";
    lua_pop(L, 1);
    *static_cast<void**>(lua_touserdata(L, index)) = nullptr;
    if (type.empty() || type.compare(0, 8, "deleted ") == 0) return;
    PushDeletedMetatable(L, type.c_str());
    lua_setmetatable(L, index);
}

// Kept references -----------------------------------------------------------

namespace {

// Takes the entry at `entry` out of the set of entries that keep its object.
void Unkeep(lua_State* L, int entry) {
    lua_rawgeti(L, entry, kEntryObject);
    void* object = lua_touserdata(L, -1);
    lua_pop(L, 1);
    GetAt(L, kHeld, object);
    if (lua_istable(L, -1)) {
        lua_pushvalue(L, entry);
        lua_pushnil(L);
        lua_rawset(L, -3);
        DropIfEmpty(L, lua_gettop(L), kHeld, object);
    }
    lua_pop(L, 1);
}

}  // namespace

void PrepareKeep(lua_State* L, void* holder, int slot, int value) {
    void* object = value ? AddressOf(L, value) : nullptr;
    if (!object) {
        lua_pushnil(L);
        return;
    }
    PushTableAt(L, kHolds, holder);
    PushTableAt(L, kHeld, object);
    lua_pop(L, 2);
    lua_createtable(L, 4, 0);
    const int entry = lua_gettop(L);
    lua_pushvalue(L, value);
    lua_rawseti(L, entry, kEntryValue);
    lua_pushlightuserdata(L, object);
    lua_rawseti(L, entry, kEntryObject);
    lua_pushlightuserdata(L, holder);
    lua_rawseti(L, entry, kEntryHolder);
    lua_pushvalue(L, slot);
    lua_rawseti(L, entry, kEntrySlot);
}

void CommitKeep(lua_State* L, void* holder, int slot, int entry) {
    const int top = lua_gettop(L);
    void* object = nullptr;
    const bool keeps = entry != 0 && lua_istable(L, entry);
    if (keeps) {
        lua_rawgeti(L, entry, kEntryObject);
        object = lua_touserdata(L, -1);
        lua_pop(L, 1);
        // The new entry stands before the old one goes: the same object kept
        // again is never without one.
        GetAt(L, kHeld, object);
        if (lua_istable(L, -1)) {
            lua_pushvalue(L, entry);
            lua_pushboolean(L, 1);
            lua_rawset(L, -3);
        } else {
            object = nullptr;  // it ended meanwhile
        }
        lua_pop(L, 1);
    }
    GetAt(L, kHolds, holder);
    const int slots = lua_gettop(L);
    if (lua_istable(L, slots)) {
        lua_pushvalue(L, slot);
        lua_rawget(L, slots);
        if (lua_istable(L, -1) && !(keeps && lua_rawequal(L, -1, entry))) Unkeep(L, lua_gettop(L));
        lua_pop(L, 1);
        lua_pushvalue(L, slot);
        if (object)
            lua_pushvalue(L, entry);
        else
            lua_pushnil(L);
        lua_rawset(L, slots);
        DropIfEmpty(L, slots, kHolds, holder);
    }
    lua_settop(L, top);
}

void DropPreparedKeep(lua_State* L, void* holder, int entry) {
    const int top = lua_gettop(L);
    if (entry != 0 && lua_istable(L, entry)) {
        lua_rawgeti(L, entry, kEntryObject);
        void* object = lua_touserdata(L, -1);
        GetAt(L, kHeld, object);
        if (lua_istable(L, -1)) DropIfEmpty(L, lua_gettop(L), kHeld, object);
    }
    GetAt(L, kHolds, holder);
    if (lua_istable(L, -1)) DropIfEmpty(L, lua_gettop(L), kHolds, holder);
    lua_settop(L, top);
}

// Everything `address` keeps, and every reference kept to it, is dropped.
void DropKept(lua_State* L, void* address) {
    const int top = lua_gettop(L);
    GetAt(L, kHolds, address);
    if (lua_istable(L, -1)) {
        const int slots = lua_gettop(L);
        lua_pushnil(L);
        while (lua_next(L, slots)) {
            if (lua_istable(L, -1)) Unkeep(L, lua_gettop(L));
            lua_pop(L, 1);
        }
        lua_pushnil(L);
        SetAt(L, kHolds, address);
    }
    lua_settop(L, top);
    GetAt(L, kHeld, address);
    if (lua_istable(L, -1)) {
        const int entries = lua_gettop(L);
        lua_pushnil(L);
        while (lua_next(L, entries)) {
            lua_pop(L, 1);
            const int entry = lua_gettop(L);
            lua_rawgeti(L, entry, kEntryHolder);
            void* holder = lua_touserdata(L, -1);
            lua_pop(L, 1);
            GetAt(L, kHolds, holder);
            if (lua_istable(L, -1)) {
                const int slots = lua_gettop(L);
                lua_rawgeti(L, entry, kEntrySlot);
                lua_pushvalue(L, -1);
                lua_rawget(L, slots);
                const bool same = lua_rawequal(L, -1, entry) != 0;
                lua_pop(L, 1);
                if (same) {
                    lua_pushnil(L);
                    lua_rawset(L, slots);
                    DropIfEmpty(L, slots, kHolds, holder);
                } else {
                    lua_pop(L, 1);
                }
            }
            lua_settop(L, entry);
        }
        lua_pushnil(L);
        SetAt(L, kHeld, address);
    }
    lua_settop(L, top);
}

// User data that refer into an object ------------------------------------------

void* OwnerOf(lua_State* L, int index) {
    void* address = AddressOf(L, index);
    return address ? OwnerOfObject(L, index, address) : nullptr;
}

void* OwnerOfObject(lua_State* L, int index, void* address) {
    PushTable(L, kWithin);
    lua_pushvalue(L, index);
    lua_rawget(L, -2);
    void* owner = lua_islightuserdata(L, -1) ? lua_touserdata(L, -1) : address;
    lua_pop(L, 2);
    return owner;
}

void AddWithin(lua_State* L, int index, void* owner) {
    const int top = lua_gettop(L);
    PushTable(L, kWithin);
    const int within = lua_gettop(L);
    lua_pushvalue(L, index);
    lua_rawget(L, within);
    const bool known = lua_touserdata(L, -1) == owner && lua_islightuserdata(L, -1);
    if (!known) {
        // The owner's list is made before anything is noted: a collector
        // step can raise a finaliser's error here, and a user data noted as
        // inside its owner must stand in the owner's list.
        lua_pushlightuserdata(L, owner);
        lua_rawget(L, within);
        if (!lua_istable(L, -1)) {
            lua_pop(L, 1);
            lua_newtable(L);
            lua_pushlightuserdata(L, owner);
            lua_pushvalue(L, -2);
            lua_rawset(L, within);
        }
        lua_pushvalue(L, index);
        lua_pushboolean(L, 1);
        lua_rawset(L, -3);
        lua_pushvalue(L, index);
        lua_pushlightuserdata(L, owner);
        lua_rawset(L, within);
    }
    lua_settop(L, top);
}

// The user data that stand for an address -------------------------------------

void PushHandles(lua_State* L, void* address) {
    GetAt(L, kHandles, address);
    if (lua_istable(L, -1)) return;
    lua_pop(L, 1);
    lua_newtable(L);
    lua_getfield(L, LUA_REGISTRYINDEX, kWeakKeys);
    lua_setmetatable(L, -2);
    lua_pushvalue(L, -1);
    SetAt(L, kHandles, address);
}

void Uncache(lua_State* L, int index, int cache, void* address) {
    if (!lua_istable(L, cache)) return;
    lua_pushlightuserdata(L, address);
    lua_rawget(L, cache);
    const bool cached = lua_rawequal(L, -1, index) != 0;
    lua_pop(L, 1);
    if (cached) {
        lua_pushlightuserdata(L, address);
        lua_pushnil(L);
        lua_rawset(L, cache);
    }
}

void ForgetHandle(lua_State* L, int index, void* address) {
    const int top = lua_gettop(L);
    GetAt(L, kHandles, address);
    if (lua_istable(L, -1)) {
        const int handles = lua_gettop(L);
        lua_pushvalue(L, index);
        lua_rawget(L, handles);
        Uncache(L, index, lua_gettop(L), address);
        lua_pop(L, 1);
        lua_pushvalue(L, index);
        lua_pushnil(L);
        lua_rawset(L, handles);
    }
    lua_settop(L, top);
    Invalidate(L, index);
}

namespace {

unsigned long gEnds = 0;

}  // namespace

unsigned long Ends() { return gEnds; }

void ForgetHandles(lua_State* L, void* address) {
    ++gEnds;
    const int top = lua_gettop(L);
    GetAt(L, kHandles, address);
    if (lua_istable(L, -1)) {
        const int handles = lua_gettop(L);
        lua_pushnil(L);
        SetAt(L, kHandles, address);
        lua_pushnil(L);
        while (lua_next(L, handles)) {
            const int handle = lua_gettop(L) - 1;
            Uncache(L, handle, lua_gettop(L), address);
            lua_pop(L, 1);
            Invalidate(L, handle);
        }
    }
    lua_settop(L, top);
}

void DropWithin(lua_State* L, void* owner) {
    ++gEnds;
    const int top = lua_gettop(L);
    PushTable(L, kWithin);
    const int within = lua_gettop(L);
    lua_pushlightuserdata(L, owner);
    lua_rawget(L, within);
    if (lua_istable(L, -1)) {
        const int inside = lua_gettop(L);
        lua_pushnil(L);
        while (lua_next(L, inside)) {
            lua_pop(L, 1);
            const int value = lua_gettop(L);
            if (void* address = AddressOf(L, value)) ForgetHandle(L, value, address);
            lua_pushvalue(L, value);
            lua_pushnil(L);
            lua_rawset(L, within);
        }
        lua_pushlightuserdata(L, owner);
        lua_pushnil(L);
        lua_rawset(L, within);
    }
    lua_settop(L, top);
}

void LeaveWithin(lua_State* L, int index) {
    const int top = lua_gettop(L);
    PushTable(L, kWithin);
    const int within = top + 1;
    lua_pushvalue(L, index);
    lua_rawget(L, within);
    void* owner = lua_islightuserdata(L, -1) ? lua_touserdata(L, -1) : nullptr;
    lua_settop(L, within);
    if (owner) {
        lua_pushvalue(L, index);
        lua_pushnil(L);
        lua_rawset(L, within);
        lua_pushlightuserdata(L, owner);
        lua_rawget(L, within);
        if (lua_istable(L, -1)) {
            lua_pushvalue(L, index);
            lua_pushnil(L);
            lua_rawset(L, -3);
            DropIfEmpty(L, lua_gettop(L), kWithin, owner);
        }
    }
    lua_settop(L, top);
}

}  // namespace ownership
}  // namespace script
}  // namespace kest2d
