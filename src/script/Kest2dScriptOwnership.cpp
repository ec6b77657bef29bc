// The ownership rule put in force on a state: the binding's constructors,
// collectors and ownership functions are wrapped, and delete is checked. The
// tables it keeps are in Kest2dScriptOwnershipTables.cpp.
#include "script/Kest2dScriptOwnership.h"

#include <algorithm>
#include <cstring>
#include <string>
#include <unordered_map>
#include <vector>

#include "frame/Kest2dLifetime.h"
#include "gui/Kest2dGUIElement.h"
#include "lauxlib.h"
#include "lua.h"
#include "script/Kest2dScriptArguments.h"
#include "script/Kest2dScriptGuards.h"
#include "script/Kest2dScriptLifetime.h"
#include "script/Kest2dScriptOwnershipTables.h"
#include "tolua++.h"

namespace kest2d {
namespace script {

namespace {

using namespace ownership;

// The states whose binding is open, told when an engine object ends.
std::vector<lua_State*>& States() {
    static std::vector<lua_State*> states;
    return states;
}

// Wrappers ------------------------------------------------------------------

// Lua's object at `address` ends through its user data at `index` (its
// collector, delete): the binding forgets it, and that user data becomes a
// deleted object (it stands in no list of its address when Lua made the
// object as a value).
void ForgetFreed(lua_State* L, int index, void* address) {
    ForgetObject(L, address);
    Invalidate(L, index);
}

// The object at `address` belongs to the script; its user data is at
// `index` (its metatable names the collector that frees it at the close).
void OwnedByScript(lua_State* L, void* address, int index) {
    if (!lua_getmetatable(L, index)) lua_pushboolean(L, 1);
    SetAt(L, kOwned, address);
    MadeOwned(address);
}

// new: the object belongs to the script.
int NewOwned(lua_State* L) {
    const int results = CallUpvalue(L, 1);
    const int first = lua_gettop(L) - results + 1;
    if (void* address = results >= 1 ? AddressOf(L, first) : nullptr) OwnedByScript(L, address, first);
    return results;
}

// Upvalue 1: a bound function. Calls it with the arguments but the last, a
// light user data pointing to a bool that is set once the function has
// returned: a finaliser's error may still follow, from the collector step
// after a call, when the function has done its work.
int CallThrough(lua_State* L) {
    bool* returned = static_cast<bool*>(lua_touserdata(L, -1));
    lua_pop(L, 1);
    const int results = CallUpvalue(L, 1);
    *returned = true;
    return results;
}

// A function that stores a pointer to argument 2 in the object of
// argument 1 (upvalue 2: the slot name; upvalue 3: true when the argument is
// an element, which is not kept by an element of its own subtree; upvalue
// 4: CallThrough over the function). What the reference needs is made
// before the call (see PrepareKeep), and it is linked once the function has
// returned, even when an error follows.
int KeepArgument(lua_State* L) {
    // What is kept is the object itself, not a table that stands for it.
    SettleArguments(L);
    const int args = lua_gettop(L);
    void* holder = AddressOf(L, 1);
    void* const given = args >= 2 ? AddressOf(L, 2) : nullptr;
    const int slot = lua_upvalueindex(2);
    if (holder) PrepareKeep(L, holder, slot, args >= 2 ? 2 : 0);
    const int entry = holder ? lua_gettop(L) : 0;
    lua_pushvalue(L, lua_upvalueindex(4));
    for (int i = 1; i <= args; ++i) lua_pushvalue(L, i);
    bool returned = false;
    lua_pushlightuserdata(L, &returned);
    const bool failed = lua_pcall(L, args + 1, LUA_MULTRET, 0) != 0;
    const int results = lua_gettop(L) - (holder ? entry : args);
    bool keeps = false;
    if (holder && returned) {
        // The holder or the value may have ended meanwhile (a finaliser at
        // any collector step, a callback): then their user data no longer
        // hold their addresses, and nothing is kept.
        void* object = args >= 2 ? AddressOf(L, 2) : nullptr;
        const bool ended = AddressOf(L, 1) != holder || object != given;
        const bool ancestor = !ended && object && lua_toboolean(L, lua_upvalueindex(3)) &&
                              static_cast<CKesBaseGUIElement*>(object)->IsInSubtree(
                                  static_cast<CKesBaseGUIElement*>(holder));
        keeps = !ended && !ancestor;
        CommitKeep(L, holder, slot, keeps ? entry : 0);
    }
    if (holder && !keeps) DropPreparedKeep(L, holder, entry);
    return failed ? lua_error(L) : results;
}

// The user data at `index` is the object that Lua owns at its address (not
// a part of it, nor a cast of it, that starts at the same address).
bool IsOwnedObject(lua_State* L, int index) {
    void* address = AddressOf(L, index);
    if (!address || !lua_getmetatable(L, index)) return false;
    const bool owned = LuaOwnsAs(L, address, -1);
    lua_pop(L, 1);
    return owned;
}

// tolua.takeownership and tolua.releaseownership, made here in full: the
// runtime's versions collect first (so that an address about to be freed is
// not registered again), and a finaliser run there may end the object; and
// nothing may step the collector between the runtime's table and ours being
// written, or an object would stay in both (freed twice) or in neither (never
// freed).

// tolua.takeownership: only an object that the script owns moves into the
// collector's care; the engine's objects stay the engine's.
int TakeOwnership(lua_State* L) {
    lua_gc(L, LUA_GCCOLLECT, 0);
    void* address = AddressOf(L, 1);
    const bool takes = IsOwnedObject(L, 1) && HasAt(L, kOwned, address) && !HasAt(L, kCollected, address);
    if (takes) {
        lua_getmetatable(L, 1);
        SetAt(L, kCollected, address);
        lua_pushnil(L);
        SetAt(L, kOwned, address);
    }
    lua_settop(L, 0);
    lua_pushboolean(L, takes);
    return 1;
}

// tolua.releaseownership: what the collector lets go belongs to the script.
int ReleaseOwnership(lua_State* L) {
    lua_gc(L, LUA_GCCOLLECT, 0);
    // The runtime reads any user data as an object's: only objects go on.
    void* address = AddressOf(L, 1);
    bool releases = false;
    if (address && lua_getmetatable(L, 1)) {
        GetAt(L, kCollected, address);
        releases = lua_rawequal(L, -1, -2) != 0;
        lua_pop(L, 2);
    }
    if (releases) {
        lua_pushnil(L);
        SetAt(L, kCollected, address);
        OwnedByScript(L, address, 1);
    }
    lua_settop(L, 0);
    lua_pushboolean(L, releases);
    return 1;
}

// A collector, then everything the binding knows of the freed object
// (ForgetObject): its user data and those that refer into it (a field, a
// cast to another type), what it keeps, and its entries in the tables of
// what Lua owns. The runtime takes the object out of its own table once the
// collector has returned, but a __gc called by hand returns through a call
// that steps the collector, whose finalisers may raise before that. An object
// that something keeps is never collected. The object's own user data is
// forgotten too: a finaliser may have made it reachable again, and one whose
// finaliser a script called by hand lives on.
int CollectThenForget(lua_State* L) {
    void* address = BoxAddress(L, 1);
    lua_settop(L, 1);
    CallUpvalue(L, 1);
    if (address) ForgetFreed(L, 1, address);
    return 0;
}

// The collector of each bound type, by the type's metatable (set for every
// type when a state's binding opens, as the reaches are), and whether what
// it frees is forgotten here: a receiver's end is told by the engine's
// lifetime registry, and a receiver that stands in the GUI tree lives on.
struct TypeCollector {
    lua_CFunction collect = nullptr;
    bool forget = false;
};
std::unordered_map<const void*, TypeCollector>& TypeCollectors() {
    static std::unordered_map<const void*, TypeCollector> collectors;
    return collectors;
}

// The receiver's collector: an element that stands in the GUI tree is the
// tree's to delete.
int CollectReceiver(lua_State* L) {
    auto* receiver = static_cast<CKesEventReceiver*>(BoxAddress(L, 1));
    if (!receiver) return 0;
    auto* element = dynamic_cast<CKesBaseGUIElement*>(receiver);
    if (element && element->GetHolder()) return 0;
    delete receiver;
    return 0;
}

// What Lua made and never freed goes with the state. This runs while the
// state closes, after the finalisers of every bound object (they are all
// younger than the anchor, and the youngest are finalised first): what is
// left in the collector's table lost its finaliser (a collection that ran
// out of C stack) and goes now, with every object that the script owns, each
// by its type's collector (given a user data block of its own, as the
// object's is gone), then whatever the binding made and Lua never came to
// own. A collector can end other objects (a container its controls), which
// leave the tables as it runs: the addresses are listed first, and each is
// freed only if it is still there.
int FreeOwned(lua_State* L) {
    void** box = static_cast<void**>(lua_newuserdata(L, sizeof(void*)));
    const int boxIndex = lua_gettop(L);
    for (const char* name : {kCollected, kOwned}) {
        PushTable(L, name);
        const int table = lua_gettop(L);
        lua_newtable(L);
        const int addresses = lua_gettop(L);
        int count = 0;
        lua_pushnil(L);
        while (lua_next(L, table)) {
            lua_pop(L, 1);
            lua_pushvalue(L, -1);
            lua_rawseti(L, addresses, ++count);
        }
        for (int i = 1; i <= count; ++i) {
            lua_rawgeti(L, addresses, i);
            void* address = lua_touserdata(L, -1);
            lua_rawget(L, table);
            if (lua_istable(L, -1)) {
                lua_pushlightuserdata(L, address);
                lua_pushnil(L);
                lua_rawset(L, table);
                lua_pushliteral(L, ".collector");
                lua_rawget(L, -2);
                if (lua_isfunction(L, -1)) {
                    *box = address;
                    if (FinaliseWith(L, boxIndex) != 0) lua_pop(L, 1);
                } else {
                    lua_pop(L, 1);
                }
            }
            lua_pop(L, 1);
        }
        lua_pop(L, 2);
    }
    lua_pop(L, 1);
    return 0;
}

int CloseOwnership(lua_State* L) {
    lua_State* state = *static_cast<lua_State**>(lua_touserdata(L, 1));
    // Even if the objects cannot all go (no memory left), the state hears of
    // no object once it is closed.
    if (lua_cpcall(L, FreeOwned, nullptr) != 0) lua_pop(L, 1);
    FreeUnowned(L);
    FreeBlocks(L);
    auto& states = States();
    states.erase(std::remove(states.begin(), states.end(), state), states.end());
    return 0;
}

// An engine object ends: nothing in Lua refers to it or into it any more.
// Whatever Lua has of a record of a call it got through the record's address
// (PushAddress), so it all lives in the record; a record that outlives calls
// (one that Lua made, or a resource block taken as one) stays.
void ObjectEnded(const void* object, lifetime::Kind kind) {
    void* address = const_cast<void*>(object);
    const bool record = kind == lifetime::Kind::EventRecord || kind == lifetime::Kind::Message;
    for (lua_State* L : States()) {
        if (!record)
            ForgetObject(L, address);
        else if (lua_checkstack(L, 8) && HasAt(L, kWithin, address) && !OutlivesCalls(L, address))
            DropWithin(L, address);
    }
    MadeOwned(address);
}

// Replaces t[name] (t at `table`) by a closure of `f` over the old value and
// `extra` values taken from the stack top.
void Wrap(lua_State* L, int table, const char* name, lua_CFunction f, int extra = 0) {
    lua_pushstring(L, name);
    lua_rawget(L, table);
    if (!lua_isfunction(L, -1)) {
        lua_pop(L, 1 + extra);
        return;
    }
    if (extra) lua_insert(L, -1 - extra);
    lua_pushcclosure(L, f, 1 + extra);
    lua_pushstring(L, name);
    lua_insert(L, -2);
    lua_rawset(L, table);
}

// Every class table below the table at `module`, nested classes included.
void WrapConstructors(lua_State* L, int module, int depth) {
    if (depth > 3) return;
    lua_pushnil(L);
    while (lua_next(L, module)) {
        if (lua_type(L, -2) == LUA_TSTRING && lua_istable(L, -1) && lua_tostring(L, -2)[0] != '.' &&
            IsClassTable(L, -1)) {
            const int cls = lua_gettop(L);
            Wrap(L, cls, "new", NewOwned);
            WrapConstructors(L, cls, depth + 1);
        }
        lua_pop(L, 1);
    }
}

// The bound functions that keep a pointer to an object they are given.
struct KeptArgument {
    const char* className;
    const char* function;
    bool element;
};
const KeptArgument kKeptArguments[] = {
    {"CKesBaseGUIElement", "SetDriver", false},
    {"CKesBaseGUIElement", "SetParent", true},
    {"CKesGUIInfoScroller", "SetFont", false},
};

bool IsReceiverType(lua_State* L, const std::string& name, int mt) {
    if (name == "kest2d::CKesEventReceiver" || name == "const kest2d::CKesEventReceiver") return true;
    lua_getfield(L, LUA_REGISTRYINDEX, "tolua_super");
    lua_pushvalue(L, mt);
    lua_rawget(L, -2);
    bool receiver = false;
    if (lua_istable(L, -1)) {
        lua_getfield(L, -1, "kest2d::CKesEventReceiver");
        receiver = lua_toboolean(L, -1) != 0;
        lua_pop(L, 1);
    }
    lua_pop(L, 2);
    return receiver;
}

}  // namespace

bool Finalise(lua_State* L) {
    lua_settop(L, 1);
    void* address = BoxAddress(L, 1);
    if (!address || !lua_getmetatable(L, 1)) return false;
    const auto it = TypeCollectors().find(lua_topointer(L, 2));
    if (it == TypeCollectors().end() || !it->second.collect) {
        lua_settop(L, 1);
        return false;
    }
    const TypeCollector collector = it->second;
    // The object is Lua's as this type, or as a base of it, when the
    // collector's table has it (the runtime's rule).
    PushTable(L, kCollected);
    lua_pushlightuserdata(L, address);
    lua_rawget(L, 3);
    bool owned = lua_rawequal(L, 2, 4) != 0;
    if (!owned && lua_istable(L, 4)) {
        lua_pushvalue(L, 4);
        lua_rawget(L, LUA_REGISTRYINDEX);
        owned = lua_type(L, -1) == LUA_TSTRING && PassesAs(L, 2, lua_tostring(L, -1));
    }
    // Out of the table before it is freed: whatever happens then, the
    // object is never freed twice.
    if (owned) {
        lua_pushlightuserdata(L, address);
        lua_pushnil(L);
        lua_rawset(L, 3);
    }
    lua_settop(L, 1);
    if (!owned) return true;
    collector.collect(L);
    if (collector.forget) ForgetFreed(L, 1, address);
    return true;
}

void ForgetObject(lua_State* L, void* address) {
    if (!address || !lua_checkstack(L, 16)) return;
    const int top = lua_gettop(L);
    lua_pushnil(L);
    SetAt(L, kCollected, address);
    lua_pushnil(L);
    SetAt(L, kOwned, address);
    ForgetHandles(L, address);
    DropWithin(L, address);
    DropKept(L, address);
    MadeOwned(address);
    lua_settop(L, top);
}

int DeleteObject(lua_State* L, const char* type, void (*destroy)(void*), CKesBaseGUIElement* (*element)(void*)) {
    SettleArguments(L);
    tolua_Error err;
    if (!IsUserType(L, 1, type, 0, &err) || !tolua_isnoobj(L, 2, &err)) {
        tolua_error(L, "#ferror in function 'delete'.", &err);
        return 0;
    }
    void* self = ToUserType(L, 1, nullptr);
    if (!self) tolua_error(L, "invalid 'self' in function 'delete'", nullptr);
    // The address and the type alone decide until the object is known to be
    // Lua's: an engine object may stand at another address than its type
    // says, and a part of Lua's object (a field, a cast) at the object's own.
    const char* refusal = nullptr;
    if (!IsOwnedObject(L, 1)) {
        refusal = "belongs to the engine; a script deletes only what it made";
    } else if (CKesBaseGUIElement* e = element ? element(self) : nullptr; e && e->GetHolder()) {
        refusal = "stands in the GUI tree, which deletes it (DeleteChildren)";
    } else if (IsKept(L, self)) {
        refusal = "is still kept by an engine object; let it go first";
    }
    if (refusal) return luaL_error(L, "delete: this %s %s", tolua_typename(L, 1), refusal);
    ForgetFreed(L, 1, self);
    destroy(self);
    return 0;
}

void InstallOwnership(lua_State* L) {
    const int top = lua_gettop(L);
    lua_checkstack(L, 24);
    MakeTables(L);

    // The type metatables and their collectors.
    std::vector<std::string> types;
    lua_pushnil(L);
    while (lua_next(L, LUA_REGISTRYINDEX)) {
        if (lua_type(L, -2) == LUA_TSTRING && lua_istable(L, -1) && IsClassTable(L, -1))
            types.emplace_back(lua_tostring(L, -2));
        lua_pop(L, 1);
    }
    for (const std::string& type : types) {
        // Made now, so that forgetting an object never has to make one, and
        // found by the type's metatable as well as by its name.
        PushTable(L, kDeleted);
        luaL_getmetatable(L, type.c_str());
        const int mt = lua_gettop(L);
        lua_pushvalue(L, mt);
        PushDeletedMetatable(L, type.c_str());
        lua_rawset(L, mt - 1);
        const bool receiver = IsReceiverType(L, type, mt);
        SetReach(L, mt, ReachOfType(type.c_str(), receiver));
        if (receiver && (type == "kest2d::CKesEventReceiver" || type == "const kest2d::CKesEventReceiver")) {
            lua_pushcfunction(L, CollectReceiver);
            lua_setfield(L, mt, ".collector");
        }
        lua_getfield(L, mt, ".collector");
        TypeCollectors()[lua_topointer(L, mt)] = TypeCollector{lua_tocfunction(L, -1), !receiver};
        lua_pop(L, 1);
        if (!receiver) {
            Wrap(L, mt, ".collector", CollectThenForget);
        }
        lua_settop(L, top);
    }

    lua_getglobal(L, "kest2d");
    if (lua_istable(L, -1)) {
        WrapConstructors(L, lua_gettop(L), 0);
        for (const KeptArgument& kept : kKeptArguments) {
            lua_getfield(L, -1, kept.className);
            if (lua_istable(L, -1)) {
                const int cls = lua_gettop(L);
                lua_pushstring(L, kept.function);
                lua_pushboolean(L, kept.element);
                lua_pushstring(L, kept.function);
                lua_rawget(L, cls);
                lua_pushcclosure(L, CallThrough, 1);
                Wrap(L, cls, kept.function, KeepArgument, 3);
            }
            lua_pop(L, 1);
        }
    }
    lua_settop(L, top);

    lua_getglobal(L, "tolua");
    if (lua_istable(L, -1)) {
        Wrap(L, lua_gettop(L), "takeownership", TakeOwnership);
        Wrap(L, lua_gettop(L), "releaseownership", ReleaseOwnership);
    }
    lua_settop(L, top);

    // Elements destroyed by the tree are forgotten while this state is open.
    auto** anchor = static_cast<lua_State**>(lua_newuserdata(L, sizeof(lua_State*)));
    *anchor = L;
    lua_newtable(L);
    lua_pushcfunction(L, CloseOwnership);
    lua_setfield(L, -2, "__gc");
    lua_setmetatable(L, -2);
    lua_setfield(L, LUA_REGISTRYINDEX, kAnchor);
    States().push_back(L);
    lifetime::SetEndObserver(ObjectEnded);
    lua_settop(L, top);
}

}  // namespace script
}  // namespace kest2d