// The one road of engine addresses into Lua, the objects the binding makes,
// resource blocks and record casts.
#include "script/Kest2dScriptLifetime.h"

#include <cstring>
#include <iterator>
#include <unordered_map>
#include <vector>

#include "frame/Kest2dBaseFrame.h"
#include "frame/Kest2dEvent.h"
#include "frame/Kest2dLifetime.h"
#include "lauxlib.h"
#include "lua.h"
#include "script/Kest2dScriptOwnershipTables.h"
#include "tolua++.h"

namespace kest2d {
namespace script {

namespace {

using namespace ownership;

// Objects made for Lua and not yet owned by it, newest last.
struct Unowned {
    lua_State* L;
    void* object;
    void (*destroy)(void*);
};

std::vector<Unowned>& UnownedObjects() {
    static std::vector<Unowned> objects;
    return objects;
}

bool IsJustMade(void* object) {
    const auto& objects = UnownedObjects();
    return !objects.empty() && objects.back().object == object;
}

// What the objects of each registered type are, by the type's metatable.
// Every state sets all of its types when its binding opens, so an entry left
// by a closed state's table at the same address never stands.
std::unordered_map<const void*, Reach>& Reaches() {
    static std::unordered_map<const void*, Reach> reaches;
    return reaches;
}

Reach ReachAt(lua_State* L, int mt) {
    const auto& reaches = Reaches();
    auto it = reaches.find(lua_topointer(L, mt));
    return it != reaches.end() ? it->second : Reach::Value;
}

bool Lives(void* object, Reach reach) {
    switch (reach) {
    case Reach::Element:
        return lifetime::IsLive(object, lifetime::Kind::Element);
    case Reach::Font:
        return lifetime::IsLive(object, lifetime::Kind::Font);
    case Reach::Frame:
        return object == CKesBaseFrame::getSingletonPtr();
    case Reach::Value:
        break;
    }
    return true;
}

// tolua++'s push of a user type (mt at `mt` is the metatable of `type`): the
// user data that the type's per-address cache holds, re-typed to `type`
// unless its type already derives from it, or a new one.
void PushBox(lua_State* L, void* object, int mt, const char* type) {
    lua_pushliteral(L, "tolua_ubox");
    lua_rawget(L, mt);
    if (lua_isnil(L, -1)) {
        lua_pop(L, 1);
        lua_getfield(L, LUA_REGISTRYINDEX, "tolua_ubox");
    }
    const int cache = lua_gettop(L);
    lua_pushlightuserdata(L, object);
    lua_rawget(L, cache);
    if (lua_isnil(L, -1)) {
        lua_pop(L, 1);
        *static_cast<void**>(lua_newuserdata(L, sizeof(void*))) = object;
        lua_pushlightuserdata(L, object);
        lua_pushvalue(L, -2);
        lua_rawset(L, cache);
        lua_pushvalue(L, mt);
        lua_setmetatable(L, -2);
        lua_pushvalue(L, LUA_REGISTRYINDEX);  // no peer table
        lua_setfenv(L, -2);
    } else if (lua_getmetatable(L, -1)) {
        bool keep = lua_rawequal(L, -1, mt) != 0;
        if (!keep) {
            lua_getfield(L, LUA_REGISTRYINDEX, "tolua_super");
            lua_pushvalue(L, -2);
            lua_rawget(L, -2);
            if (lua_istable(L, -1)) {
                lua_pushstring(L, type);
                lua_rawget(L, -2);
                keep = lua_toboolean(L, -1) != 0;
                lua_pop(L, 1);
            }
            lua_pop(L, 2);
        }
        lua_pop(L, 1);
        if (!keep) {
            lua_pushvalue(L, mt);
            lua_setmetatable(L, -2);
        }
    }
    lua_remove(L, cache);
}

const char kBlocks[] = "kest2d.resource_buffers";

struct Block {
    unsigned char* bytes;
    unsigned long size;
};

int ReleaseBlock(lua_State* L) {
    auto* block = static_cast<Block*>(lua_touserdata(L, 1));
    if (block && block->bytes) {
        delete[] block->bytes;
        block->bytes = nullptr;
    }
    return 0;
}

// The record kind that `type` names, or none.
bool RecordKind(const char* type, lifetime::Kind* kind) {
    if (std::strncmp(type, "const ", 6) == 0) type += 6;
    if (std::strcmp(type, "kest2d::CKesEvent") == 0) {
        *kind = lifetime::Kind::EventRecord;
        return true;
    }
    if (std::strcmp(type, "kest2d::CKesMessageIn") == 0) {
        *kind = lifetime::Kind::Message;
        return true;
    }
    return false;
}

// True when Lua owns an object of `type` at `address`.
bool LuaOwnsAs(lua_State* L, void* address, const char* type) {
    if (std::strncmp(type, "const ", 6) == 0) type += 6;
    luaL_getmetatable(L, type);
    bool owns = false;
    for (const char* table : {kCollected, kOwned}) {
        GetAt(L, table, address);
        owns = owns || lua_rawequal(L, -1, -2);
        lua_pop(L, 1);
    }
    lua_pop(L, 1);
    return owns;
}

}  // namespace

void NoteMade(lua_State* L, void* object, void (*destroy)(void*)) {
    UnownedObjects().push_back(Unowned{L, object, destroy});
}

void MadeOwned(void* object) {
    auto& objects = UnownedObjects();
    for (auto it = objects.rbegin(); it != objects.rend(); ++it) {
        if (it->object == object) {
            objects.erase(std::next(it).base());
            return;
        }
    }
}

void FreeUnowned(lua_State* L) {
    std::vector<Unowned> gone;
    auto& objects = UnownedObjects();
    for (auto it = objects.begin(); it != objects.end();) {
        if (it->L == L) {
            gone.push_back(*it);
            it = objects.erase(it);
        } else {
            ++it;
        }
    }
    for (const Unowned& u : gone) u.destroy(u.object);
}

namespace {

// PushObject, with the owner given as the stack index of a bound object
// (`owner` > 0) or as the address of the object itself (`within`).
void Push(lua_State* L, void* object, const char* type, int owner, void* within) {
    if (!object) {
        lua_pushnil(L);
        return;
    }
    luaL_getmetatable(L, type);
    const int mt = lua_gettop(L);
    const bool made = IsJustMade(object);
    const Reach reach = made || !lua_istable(L, mt) ? Reach::Value : ReachAt(L, mt);
    if (!lua_istable(L, mt) || !Lives(object, reach)) {
        lua_pop(L, 1);
        lua_pushnil(L);
        return;
    }
    PushBox(L, object, mt, type);
    lua_remove(L, mt);
    if (reach != Reach::Value || made) return;
    if (owner > 0 && !lua_rawequal(L, -1, owner)) within = OwnerOf(L, owner);
    if (within) AddWithin(L, lua_gettop(L), within);
}

}  // namespace

void PushObject(lua_State* L, void* object, const char* type, int owner) { Push(L, object, type, owner, nullptr); }

void PushAddress(lua_State* L, void* address, const char* type) {
    const bool record = lifetime::IsLive(address, lifetime::Kind::EventRecord) ||
                        lifetime::IsLive(address, lifetime::Kind::Message);
    Push(L, address, type, 0, record ? address : nullptr);
}

int CollectedFromNow(lua_State* L, int index) {
    const int done = tolua_register_gc(L, index);
    MadeOwned(AddressOf(L, index));
    return done;
}

Reach ReachOfType(const char* type, bool receiver) {
    if (std::strncmp(type, "const ", 6) == 0) type += 6;
    if (receiver || std::strcmp(type, "kest2d::CKesGUIScrollBar") == 0) return Reach::Element;
    if (std::strcmp(type, "kest2d::CKesBaseFrame") == 0) return Reach::Frame;
    if (std::strcmp(type, "kest2d::CKesGUITTFont") == 0 || std::strcmp(type, "kest2d::CKesGUIBaseFont") == 0)
        return Reach::Font;
    return Reach::Value;
}

void SetReach(lua_State* L, int metatable, Reach reach) { Reaches()[lua_topointer(L, metatable)] = reach; }

void AnchorBlock(lua_State* L, void* bytes, unsigned long size) {
    PushTable(L, kBlocks);
    auto* block = static_cast<Block*>(lua_newuserdata(L, sizeof(Block)));
    *block = Block{static_cast<unsigned char*>(bytes), size};
    lua_newtable(L);
    lua_pushcfunction(L, ReleaseBlock);
    lua_setfield(L, -2, "__gc");
    lua_setmetatable(L, -2);
    lua_pushlightuserdata(L, bytes);
    lua_insert(L, -2);
    lua_rawset(L, -3);
    lua_pop(L, 1);
}

unsigned long BlockSize(lua_State* L, void* address) {
    PushTable(L, kBlocks);
    lua_pushlightuserdata(L, address);
    lua_rawget(L, -2);
    const auto* block = lua_type(L, -1) == LUA_TUSERDATA ? static_cast<const Block*>(lua_touserdata(L, -1)) : nullptr;
    const unsigned long size = block && block->bytes ? block->size : 0;
    lua_pop(L, 2);
    return size;
}

bool MayBeRecord(lua_State* L, void* address, const char* type) {
    lifetime::Kind kind;
    if (!RecordKind(type, &kind)) return true;
    if (lifetime::IsLive(address, kind) || LuaOwnsAs(L, address, type)) return true;
    return kind == lifetime::Kind::EventRecord && BlockSize(L, address) >= sizeof(CKesEvent);
}

bool OutlivesCalls(lua_State* L, void* address) { return LuaOwns(L, address) || BlockSize(L, address) > 0; }

}  // namespace script
}  // namespace kest2d
