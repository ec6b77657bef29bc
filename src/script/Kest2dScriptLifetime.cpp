// The one road of engine addresses into Lua, the objects the binding makes,
// resource blocks and record casts.
#include "script/Kest2dScriptLifetime.h"

#include <cstddef>
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <initializer_list>
#include <iterator>
#include <memory>
#include <optional>
#include <unordered_map>
#include <vector>

#include "frame/Kest2dBaseFrame.h"
#include "frame/Kest2dEvent.h"
#include "frame/Kest2dLifetime.h"
#include "gui/controls/Kest2dGUIGameCard.h"
#include "lauxlib.h"
#include "lua.h"
#include "net/Kest2dMessage.h"
#include "render/Kest2dVertex.h"
#include "script/Kest2dScriptOwnershipTables.h"
#include "tolua++.h"

namespace kest2d {
namespace script {

namespace {

using namespace ownership;

// Objects made for Lua and not yet owned by it, newest last, each with the
// state it was made for: known by the state's registry, which its
// coroutines share.
struct Unowned {
    const void* state;
    void* object;
    void (*destroy)(void*);
};

const void* StateOf(lua_State* L) { return lua_topointer(L, LUA_REGISTRYINDEX); }

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

// Which object of `reach` lives at `object`: a number that tells it from any
// other that lived there (lifetime::Serial), 0 when none does. The frame and
// values count as one object each.
unsigned long Lives(void* object, Reach reach) {
    switch (reach) {
    case Reach::Element:
        return lifetime::Serial(object, lifetime::Kind::Element);
    case Reach::Font:
        return lifetime::Serial(object, lifetime::Kind::Font);
    case Reach::Frame:
        return object == CKesBaseFrame::getSingletonPtr() ? 1 : 0;
    case Reach::Value:
        break;
    }
    return 1;
}

// Strings that the binding looks up on every push, kept in the registry
// under light user data keys: pushed from there, a key is not hashed again
// and steps no collector.
char kUboxKey[] = "tolua_ubox";
void PushKey(lua_State* L, char* key) {
    lua_pushlightuserdata(L, key);
    lua_rawget(L, LUA_REGISTRYINDEX);
    if (lua_type(L, -1) == LUA_TSTRING) return;
    lua_pop(L, 1);
    lua_pushstring(L, key);
    lua_pushlightuserdata(L, key);
    lua_pushvalue(L, -2);
    lua_rawset(L, LUA_REGISTRYINDEX);
}

// tolua++'s push of a user type (mt at `mt` is the metatable of `type`): the
// user data that the type's per-address cache holds, re-typed to `type`
// unless its type already derives from it, or a new one, which is also
// listed under its address (kHandles) when `listed`: the end of the object
// reaches it there even when the weak cache has let it go. Leaves the cache
// and then the user data on the stack; true when the user data is new.
bool PushBox(lua_State* L, void* object, int mt, const char* type, bool listed) {
    PushKey(L, kUboxKey);
    lua_rawget(L, mt);
    if (lua_isnil(L, -1)) {
        lua_pop(L, 1);
        lua_getfield(L, LUA_REGISTRYINDEX, "tolua_ubox");
    }
    const int cache = lua_gettop(L);
    lua_pushlightuserdata(L, object);
    lua_rawget(L, cache);
    // A user data that no longer holds the address (its object ended while
    // it was being pushed) is no longer the address's.
    if (!lua_isnil(L, -1) && BoxAddress(L, -1) != object) {
        lua_pop(L, 1);
        lua_pushnil(L);
    }
    const bool fresh = lua_isnil(L, -1);
    if (fresh) {
        lua_pop(L, 1);
        // The address's list first: once the new user data stands in the
        // cache, nothing may step the collector (whose finalisers can raise
        // errors) before the list holds it too.
        if (listed) PushHandles(L, object);
        const int handles = listed ? lua_gettop(L) : 0;
        *static_cast<void**>(lua_newuserdata(L, sizeof(void*))) = object;
        lua_pushvalue(L, mt);
        lua_setmetatable(L, -2);
        lua_pushvalue(L, LUA_REGISTRYINDEX);  // no peer table
        lua_setfenv(L, -2);
        if (listed) {
            lua_pushvalue(L, -1);
            lua_pushvalue(L, cache);
            lua_rawset(L, handles);
        }
        lua_pushlightuserdata(L, object);
        lua_pushvalue(L, -2);
        lua_rawset(L, cache);
        if (listed) lua_remove(L, handles);
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
    return fresh;
}

// The user data at `index`, made for `object` by a push whose object ended,
// is taken back: out of the cache at `cache`, its address's list and any
// object it was noted inside, and made a deleted object. Nothing here steps
// the collector.
void Withdraw(lua_State* L, int index, int cache, void* object) {
    Uncache(L, index, cache, object);
    ForgetHandle(L, index, object);
    LeaveWithin(L, index);
}

// The records that scripts reach by address (a light user data), and the
// types that a cast can make of an address inside one: each must lie whole
// inside its record. An event record and a message are handed to script
// calls and live for the call; Lua makes event records. A resource block may
// stand for an event record, a card or a vertex, but only ever for one
// record: the first cast that takes it decides which, and makes its bytes a
// valid record (`make`: its flags read as set or not, its texts end inside
// their fields), which its typed fields keep it.
struct Record {
    const char* name;
    size_t size;
    std::optional<lifetime::Kind> handed;  // handed to script calls, live as this for the call
    void (*make)(unsigned char* bytes);  // null: no block stands for one
};

// Each flag holds 0 or 1, each text ends inside its field.
template <size_t N>
void MakeRecordBytes(unsigned char* bytes, const size_t (&flags)[N], std::initializer_list<size_t> texts,
                     size_t textSize) {
    for (size_t at : flags) bytes[at] = bytes[at] != 0;
    for (size_t at : texts)
        if (!std::memchr(bytes + at, 0, textSize)) bytes[at + textSize - 1] = 0;
}

void MakeEventRecord(unsigned char* bytes) {
    using Key = CKesEvent::CKesKeyEvent;
    const size_t key = offsetof(CKesEvent, mKeyEvent);
    const size_t flags[] = {key + offsetof(Key, isPressedDown), key + offsetof(Key, isShift),
                            key + offsetof(Key, isControl)};
    static_assert(sizeof(CKesEvent::CKesImeEvent::inputStr) == sizeof(CKesEvent::CKesUpdateEvent::filename));
    MakeRecordBytes(bytes, flags,
                    {offsetof(CKesEvent, mImeEvent) + offsetof(CKesEvent::CKesImeEvent, inputStr),
                     offsetof(CKesEvent, mUpdateEvnet) + offsetof(CKesEvent::CKesUpdateEvent, filename)},
                    sizeof(CKesEvent::CKesImeEvent::inputStr));
}

void MakeCard(unsigned char* bytes) {
    using Card = CKesGUIGameCard::GameCard;
    const size_t flags[] = {offsetof(Card, isUp), offsetof(Card, isSelected), offsetof(Card, isDisplay)};
    MakeRecordBytes(bytes, flags, {}, 0);
}

void MakeVertex(unsigned char*) {}  // numbers only: any bytes are one

const Record kEventRecord = {"kest2d::CKesEvent", sizeof(CKesEvent), lifetime::Kind::EventRecord, MakeEventRecord};
const Record kMessage = {"kest2d::CKesMessageIn", sizeof(CKesMessageIn), lifetime::Kind::Message, nullptr};
const Record kCard = {"kest2d::CKesGUIGameCard::GameCard", sizeof(CKesGUIGameCard::GameCard), std::nullopt,
                      MakeCard};
const Record kVertex = {"kest2d::KESVertex", sizeof(KESVertex), std::nullopt, MakeVertex};

struct RecordPart {
    const char* name;
    size_t size;
    const Record* record;
};
const RecordPart kRecordParts[] = {
    {"kest2d::CKesEvent", sizeof(CKesEvent), &kEventRecord},
    {"kest2d::CKesEvent::CKesGuiEvent", sizeof(CKesEvent::CKesGuiEvent), &kEventRecord},
    {"kest2d::CKesEvent::CKesMouseEvent", sizeof(CKesEvent::CKesMouseEvent), &kEventRecord},
    {"kest2d::CKesEvent::CKesKeyEvent", sizeof(CKesEvent::CKesKeyEvent), &kEventRecord},
    {"kest2d::CKesEvent::CKesImeEvent", sizeof(CKesEvent::CKesImeEvent), &kEventRecord},
    {"kest2d::CKesEvent::CKesUpdateEvent", sizeof(CKesEvent::CKesUpdateEvent), &kEventRecord},
    {"kest2d::CKesMessageIn", sizeof(CKesMessageIn), &kMessage},
    {"kest2d::CKesGUIGameCard::GameCard", sizeof(CKesGUIGameCard::GameCard), &kCard},
    {"kest2d::KESVertex", sizeof(KESVertex), &kVertex},
};

const RecordPart* RecordPartOf(const char* type) {
    if (std::strncmp(type, "const ", 6) == 0) type += 6;
    for (const RecordPart& part : kRecordParts)
        if (std::strcmp(type, part.name) == 0) return &part;
    return nullptr;
}

struct Block {
    unsigned char* bytes;
    unsigned long size;
    const Record* record;  // what the block stands for, once a cast took it
};

void Release(Block* block) {
    if (block && block->bytes) {
        delete[] block->bytes;
        block->bytes = nullptr;
    }
}

int ReleaseBlock(lua_State* L) {
    Release(static_cast<Block*>(lua_touserdata(L, 1)));
    return 0;
}

// The block that starts at `address`, or null.
Block* BlockAt(lua_State* L, void* address) {
    PushTable(L, kBlocks);
    lua_pushlightuserdata(L, address);
    lua_rawget(L, -2);
    auto* block = lua_type(L, -1) == LUA_TUSERDATA ? static_cast<Block*>(lua_touserdata(L, -1)) : nullptr;
    lua_pop(L, 2);
    return block && block->bytes ? block : nullptr;
}

}  // namespace

void NoteMade(lua_State* L, void* object, void (*destroy)(void*)) {
    UnownedObjects().push_back(Unowned{StateOf(L), object, destroy});
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
        if (it->state == StateOf(L)) {
            gone.push_back(*it);
            it = objects.erase(it);
        } else {
            ++it;
        }
    }
    for (const Unowned& u : gone) u.destroy(u.object);
}

namespace {

// True while `address` is a record of the current script call or an object
// that Lua owns: what is pushed from its address lives in it.
bool RecordOrLuaOwned(lua_State* L, void* address) {
    return lifetime::IsLive(address, lifetime::Kind::EventRecord) ||
           lifetime::IsLive(address, lifetime::Kind::Message) || LuaOwns(L, address);
}

// PushObject, with the owner given as the stack index of a bound object
// (`owner` > 0) or as the address of a record or an object that Lua owns
// (`within`, PushAddress).
//
// Lua steps its collector inside the pushes and table writes below, and a
// step may run finalisers, which may end engine objects: the object being
// pushed, or the one it lives in. Every end turns the user data of what
// ended into deleted objects, but the user data being made here is not yet
// where an end finds it. So when anything ended meanwhile (Ends() moved),
// the push is checked once its bookkeeping is complete: the same object
// still lives at the address, and so does the object it lives in (its
// user data still holds its address: an end reaches that user data, as the
// object's own or as one inside what ended). If not, nil is handed out, as
// for any object that does not live, and a user data made by this push, or
// one that lost its address meanwhile, is taken back; one that stood for
// the address before and still holds it stays as it is.
void Push(lua_State* L, void* object, const char* type, int owner, void* within, bool constantType) {
    if (!object) {
        lua_pushnil(L);
        return;
    }
    if (constantType)
        PushRegistered(L, type);
    else
        luaL_getmetatable(L, type);
    const int mt = lua_gettop(L);
    const bool made = IsJustMade(object);
    const Reach kind = lua_istable(L, mt) ? ReachAt(L, mt) : Reach::Value;
    const Reach reach = made ? Reach::Value : kind;
    const unsigned long serial = lua_istable(L, mt) ? Lives(object, reach) : 0;
    if (!serial) {
        lua_pop(L, 1);
        lua_pushnil(L);
        return;
    }
    const unsigned long ends = Ends();
    // The object that a value refers into, by its owner's user data.
    const bool inside = reach == Reach::Value && !made;
    // (Argument 1 of a wrapper, a checked object or a class table.)
    void* const ownerAddress = inside && owner > 0 ? BoxAddress(L, owner) : nullptr;
    void* const ownerObject = ownerAddress ? OwnerOfObject(L, owner, ownerAddress) : nullptr;
    // A value that the binding has just made is Lua's alone: only the
    // collector or delete ends it, and each has its user data at hand (any
    // other user data of it refers into it, and goes with it). Nothing needs
    // its address's list.
    const bool fresh = PushBox(L, object, mt, type, !(made && kind == Reach::Value));
    const int cache = mt + 1, pushed = mt + 2;
    bool byOwner = false;
    if (inside) {
        if (owner > 0 && !lua_rawequal(L, pushed, owner)) {
            within = ownerObject;
            byOwner = true;
        }
        if (within) AddWithin(L, pushed, within);
    }
    if (ends != Ends()) {
        const bool ownerStands = byOwner ? !ownerObject || AddressOf(L, owner) : !within || RecordOrLuaOwned(L, within);
        const bool holds = BoxAddress(L, pushed) == object;
        if (!ownerStands || !holds || Lives(object, reach) != serial) {
            if (fresh || !holds) Withdraw(L, pushed, cache, object);
            lua_pushnil(L);
            lua_replace(L, pushed);
        }
    }
    lua_replace(L, mt);
    lua_pop(L, 1);
}

}  // namespace

void PushObject(lua_State* L, void* object, const char* type, int owner) {
    Push(L, object, type, owner, nullptr, false);
}

void PushResult(lua_State* L, void* object, const char* type) { Push(L, object, type, 1, nullptr, true); }

void PushAddress(lua_State* L, void* address, const char* type) {
    Block* block = BlockAt(L, address);
    const RecordPart* part = RecordPartOf(type);
    if (block && part && part->record->make && !block->record && block->size >= part->record->size) {
        block->record = part->record;
        block->record->make(block->bytes);
    }
    Push(L, address, type, 0, RecordOrLuaOwned(L, address) ? address : nullptr, false);
}

void PushText(lua_State* L, const char* text) {
    if (text)
        PushBytes(L, text, std::strlen(text));
    else
        lua_pushnil(L);
}

void PushBytes(lua_State* L, const char* bytes, size_t size) {
    char small[256];
    std::unique_ptr<char[]> large;
    char* copy = small;
    if (size > sizeof(small)) {
        large.reset(new char[size]);
        copy = large.get();
    }
    std::memcpy(copy, bytes, size);
    lua_pushlstring(L, copy, size);
}

std::string NumberText(lua_State* L, int index) {
    char text[LUAI_MAXNUMBER2STR];
    std::snprintf(text, sizeof(text), LUA_NUMBER_FMT, static_cast<LUAI_UACNUMBER>(lua_tonumber(L, index)));
    return text;
}

const char* ArgumentText(lua_State* L, int narg, const char* def) {
    if (lua_type(L, narg) != LUA_TNUMBER) return lua_gettop(L) < std::abs(narg) ? def : lua_tostring(L, narg);
    // Lua's own text of the number, made a Lua string as a table key: setting
    // a field makes its key without a collector step, and lua_next hands the
    // key back.
    const std::string number = NumberText(L, narg);
    const char* const text = number.c_str();
    if (narg < 0 && narg > LUA_REGISTRYINDEX) narg = lua_gettop(L) + 1 + narg;
    lua_getfield(L, LUA_REGISTRYINDEX, kTexts);
    if (!lua_istable(L, -1)) {
        lua_pop(L, 1);
        return lua_tostring(L, narg);
    }
    const int texts = lua_gettop(L);
    lua_pushboolean(L, 1);
    lua_setfield(L, texts, text);
    lua_pushnil(L);
    bool found = false;
    if (lua_next(L, texts)) {
        lua_pop(L, 1);  // the key stays
        found = lua_type(L, -1) == LUA_TSTRING && std::strcmp(lua_tostring(L, -1), text) == 0;
    }
    // The table is left empty; the text takes the number's place.
    lua_pushnil(L);
    lua_setfield(L, texts, text);
    if (found) lua_replace(L, narg);
    lua_settop(L, texts - 1);
    return lua_tostring(L, narg);
}

// The runtime's tolua_register_gc, with its table found by its key and a
// push that gave nil left alone.
int CollectedFromNow(lua_State* L, int index) {
    if (index < 0 && index > LUA_REGISTRYINDEX) index = lua_gettop(L) + 1 + index;
    void* address = BoxAddress(L, index);
    if (!address) return 0;
    PushTable(L, kCollected);
    lua_pushlightuserdata(L, address);
    lua_rawget(L, -2);
    const bool taken = !lua_isnil(L, -1);
    lua_pop(L, 1);
    if (!taken && lua_getmetatable(L, index)) {
        lua_pushlightuserdata(L, address);
        lua_insert(L, -2);
        lua_rawset(L, -3);
    }
    lua_pop(L, 1);
    MadeOwned(address);
    return taken ? 0 : 1;
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

void PushBlockAnchor(lua_State* L) {
    auto* block = static_cast<Block*>(lua_newuserdata(L, sizeof(Block)));
    *block = Block{nullptr, 0, nullptr};
    lua_newtable(L);
    lua_pushcfunction(L, ReleaseBlock);
    lua_setfield(L, -2, "__gc");
    lua_setmetatable(L, -2);
}

void AnchorBlock(lua_State* L, int anchor, void* bytes, unsigned long size) {
    auto* block = static_cast<Block*>(lua_touserdata(L, anchor));
    *block = Block{static_cast<unsigned char*>(bytes), size, nullptr};
    PushTable(L, kBlocks);
    lua_pushlightuserdata(L, bytes);
    lua_pushvalue(L, anchor);
    lua_rawset(L, -3);
    lua_pop(L, 1);
}

void FreeBlocks(lua_State* L) {
    PushTable(L, kBlocks);
    lua_pushnil(L);
    while (lua_next(L, -2)) {
        Release(static_cast<Block*>(lua_touserdata(L, -1)));
        lua_pop(L, 1);
    }
    lua_pop(L, 1);
}

unsigned long BlockSize(lua_State* L, void* address) {
    const Block* block = BlockAt(L, address);
    return block ? block->size : 0;
}

bool MayCastTo(lua_State* L, void* address, const char* type, int source) {
    const RecordPart* part = RecordPartOf(type);
    if (!part) return source > 0;
    const Record& kind = *part->record;
    // A bare address is a whole record, never a part seen at its start.
    if (source == 0 && part->size != kind.size) return false;
    // The record that the address lies in, and the bytes it has.
    void* record = source > 0 ? OwnerOf(L, source) : address;
    size_t room = 0;
    luaL_getmetatable(L, kind.name);
    const Block* block = kind.make ? BlockAt(L, record) : nullptr;
    if ((kind.handed && lifetime::IsLive(record, *kind.handed)) || LuaOwnsAs(L, record, -1))
        room = kind.size;
    else if (block && (!block->record || block->record == &kind))
        room = block->size;
    lua_pop(L, 1);
    const auto at = reinterpret_cast<uintptr_t>(address), start = reinterpret_cast<uintptr_t>(record);
    return at >= start && at - start <= room && room - (at - start) >= part->size;
}

bool OutlivesCalls(lua_State* L, void* address) { return LuaOwns(L, address) || BlockSize(L, address) > 0; }

}  // namespace script
}  // namespace kest2d
