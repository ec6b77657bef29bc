// The script host: the Lua state, the main script, the engine's own
// luaL_loadfile and the callbacks into the script.
#include <algorithm>
#include <cstdio>
#include <cstring>
#include <functional>
#include <memory>
#include <string>

#include "frame/Kest2dBaseFrame.h"
#include "frame/Kest2dLifetime.h"
#include "lua.h"
#include "lauxlib.h"
#include "lualib.h"
#include "script/Kest2dScriptBinding.h"
#include "script/Kest2dScriptLifetime.h"

namespace kest2d {

namespace {

const char* const kMainScript = "scripts\\gamelogic.lua";

// The error value on top of the stack as text: a string as it is, a number
// as Lua writes it, anything else named by its type (error({}) is legal
// Lua). Made without a Lua allocation, so no collector step (whose
// finalisers can raise errors) runs while the engine reads an error.
std::string ErrorText(lua_State* L) {
    switch (lua_type(L, -1)) {
    case LUA_TSTRING:
        return lua_tostring(L, -1);
    case LUA_TNUMBER:
        return script::NumberText(L, -1);
    default:
        return std::string("(error object is a ") + luaL_typename(L, -1) + " value)";
    }
}

struct WholeBuffer {
    const char* data;
    size_t size;
};

// Hands the whole resource to lua_load in one piece.
const char* ReadWhole(lua_State*, void* ud, size_t* size) {
    WholeBuffer* b = static_cast<WholeBuffer*>(ud);
    if (b->size == 0) {
        *size = 0;
        return nullptr;
    }
    *size = b->size;
    b->size = 0;
    return b->data;
}

// A loader for require, run before Lua's own file loader: it looks the
// module up through the frame's resources (archives first, then disk), so
// modules held only in archives are found. It tries the relative templates
// of package.path, with "\" as the engine writes its paths.
int ResourceLoader(lua_State* L) {
    const char* name = luaL_checkstring(L, 1);
    std::string module(name);
    for (char& c : module)
        if (c == '.') c = '\\';

    lua_getglobal(L, "package");
    const char* path = nullptr;
    if (lua_istable(L, -1)) {
        lua_getfield(L, -1, "path");
        path = lua_tostring(L, -1);
    }
    std::string templates = path ? path : "?.lua";
    std::string tried;
    size_t start = 0;
    while (start <= templates.size()) {
        size_t end = templates.find(';', start);
        if (end == std::string::npos) end = templates.size();
        std::string candidate = templates.substr(start, end - start);
        start = end + 1;
        if (candidate.empty() || candidate[0] == '/') continue;
        if (candidate.compare(0, 2, "./") == 0 || candidate.compare(0, 2, ".\\") == 0) candidate.erase(0, 2);
        for (char& c : candidate)
            if (c == '/') c = '\\';
        size_t q;
        while ((q = candidate.find('?')) != std::string::npos) candidate.replace(q, 1, module);

        int status = luaL_loadfile(L, candidate.c_str());
        if (status == 0) return 1;
        if (status != LUA_ERRFILE) {
            return luaL_error(L, "error loading module '%s' from resource '%s':\n\t%s", name, candidate.c_str(),
                              ErrorText(L).c_str());
        }
        lua_pop(L, 1);
        tried += "\n\tno resource '" + candidate + "'";
    }
    lua_pushstring(L, tried.c_str());
    return 1;
}

// package.loaders gets ResourceLoader in second place, after the preload
// table and before Lua's own file loader.
void InstallResourceLoader(lua_State* L) {
    const int top = lua_gettop(L);
    lua_getglobal(L, "package");
    if (lua_istable(L, -1)) {
        lua_getfield(L, -1, "loaders");
        if (lua_istable(L, -1)) {
            const int n = static_cast<int>(lua_objlen(L, -1));
            for (int i = n; i >= 2; --i) {
                lua_rawgeti(L, -1, i);
                lua_rawseti(L, -2, i + 1);
            }
            lua_pushcfunction(L, ResourceLoader);
            lua_rawseti(L, -2, n >= 1 ? 2 : 1);
        }
    }
    lua_settop(L, top);
}

// Every entry of the engine into Lua runs inside one protected call of
// RunEntry: looking the function up (a metatable on the globals may raise),
// pushing its arguments, the call itself, loading the main script. Lua steps
// its collector wherever it allocates, and a finaliser's error is raised at
// that step; inside the protection it is an error of the entry like any
// other, never an unprotected error (which would end the process).
struct Entry {
    const char* function;  // a global function; null: the main script
    const std::function<int(lua_State*)>* pushArgs;
};

int RunEntry(lua_State* L) {
    const Entry* entry = static_cast<const Entry*>(lua_touserdata(L, 1));
    lua_settop(L, 0);
    if (!entry->function) {
        if (luaL_loadfile(L, kMainScript) != 0) return lua_error(L);
        lua_call(L, 0, LUA_MULTRET);
        return 0;
    }
    lua_getfield(L, LUA_GLOBALSINDEX, entry->function);
    const int args = *entry->pushArgs ? (*entry->pushArgs)(L) : 0;
    lua_call(L, args, 0);
    return 0;
}

// RunEntry as a function of the state, under this key of the registry (the
// key's address): called with lua_pcall, nothing is allocated before the
// protection stands. lua_cpcall, which makes a new closure on each call,
// serves until the state has it.
const char kRunEntryKey = 0;

// Runs the entry; false with the text of its error when it failed. Neither
// results nor the error value stay on the stack.
bool Enter(lua_State* L, const Entry& entry, std::string* error) {
    const int top = lua_gettop(L);
    lua_pushlightuserdata(L, const_cast<char*>(&kRunEntryKey));
    lua_rawget(L, LUA_REGISTRYINDEX);
    int status;
    if (lua_tocfunction(L, -1) == RunEntry) {
        lua_pushlightuserdata(L, const_cast<Entry*>(&entry));
        status = lua_pcall(L, 1, 0, 0);
    } else {
        lua_pop(L, 1);
        status = lua_cpcall(L, RunEntry, const_cast<Entry*>(&entry));
    }
    if (status != 0) *error = ErrorText(L);
    lua_settop(L, top);
    return status == 0;
}

// The state's libraries, the resource loader, RunEntry and the binding (its
// result in the int that the light user data points to).
int OpenState(lua_State* L) {
    int* result = static_cast<int*>(lua_touserdata(L, 1));
    luaL_openlibs(L);
    InstallResourceLoader(L);
    lua_pushlightuserdata(L, const_cast<char*>(&kRunEntryKey));
    lua_pushcfunction(L, RunEntry);
    lua_rawset(L, LUA_REGISTRYINDEX);
    *result = script::OpenBinding(L);
    return 0;
}

}  // namespace

void CKesBaseFrame::InitScriptSystem() {
    if (mLuaState) return;
    mLuaState = luaL_newstate();
    if (!mLuaState) {
        if (CKesLogger::admits(ERRORR)) CKesLogger::output("脚本引擎初始失败!", ERRORR);
        return;
    }
    int opened = 0;
    if (lua_cpcall(mLuaState, OpenState, &opened) != 0) lua_pop(mLuaState, 1);
    if (opened != 1 && CKesLogger::admits(ERRORR)) CKesLogger::output("脚本引擎初始失败!", ERRORR);
    lua_settop(mLuaState, 0);

    RunScriptOfCurrentFolder([this] { RunMainScript(); });
}

void CKesBaseFrame::DestroyScriptSystem() {
    // The finalisers run inside lua_close: the engine calls no script of a
    // closing state (a callback they set off, the main script run again by a
    // change of folder), as it calls none of a closed one.
    lua_State* closing = mLuaState;
    mLuaState = nullptr;
    if (closing) lua_close(closing);
}

// Loads and runs "scripts\gamelogic.lua" (at start-up and again after a
// change of the working folder).
void CKesBaseFrame::RunMainScript() {
    if (!mLuaState) return;
    std::string error;
    if (!Enter(mLuaState, Entry{nullptr, nullptr}, &error) && CKesLogger::admits(ERRORR))
        CKesLogger::output(std::string("导入脚本文件") + kMainScript + " 失败:%s " + error, ERRORR);
}

// The script that `run` runs is the current folder's: the folder counts as
// running until `run` returns.
void CKesBaseFrame::RunScriptOfCurrentFolder(const std::function<void()>& run) {
    struct Running {
        std::vector<platform::FolderIdentity>& folders;
        bool known;
        ~Running() {
            if (known) folders.pop_back();
        }
    };
    platform::FolderIdentity folder;
    Running running{mScriptFolders, platform::GetFolderIdentity(".", &folder)};
    if (running.known) mScriptFolders.push_back(folder);
    run();
}

bool CKesBaseFrame::MainScriptRunsIn(const std::string& folder) const {
    platform::FolderIdentity identity;
    if (mScriptFolders.empty() || !platform::GetFolderIdentity(folder, &identity)) return false;
    return std::find(mScriptFolders.begin(), mScriptFolders.end(), identity) != mScriptFolders.end();
}

bool CKesBaseFrame::CallScriptFunction(const char* name, const std::function<int(lua_State*)>& pushArgs) {
    if (!mLuaState) return false;
    std::string error;
    if (Enter(mLuaState, Entry{name, &pushArgs}, &error)) return true;
    if (CKesLogger::admits(ERRORR)) {
        char text[1024];
        std::snprintf(text, sizeof(text), "call %s 失败:%s", name, error.c_str());
        SystemLog(ERRORR, text);
    }
    return false;
}

void CKesBaseFrame::CallScriptGameTimer(unsigned int id) {
    if (!mLuaState) return;
    CallScriptFunction("OnProcessGameTimer", [id](lua_State* L) {
        lua_pushinteger(L, static_cast<lua_Integer>(id));
        return 1;
    });
}

void CKesBaseFrame::OnProcessGameUpdate() {
    mUpdateState = UPDATE_COMPLETE;
    if (mLuaState) CallScriptFunction("OnProcessGameUpdate");
}

void CKesBaseFrame::ReLoadGameResources() {
    if (mUpdateState != UPDATE_COMPLETE) return;
    LoadResources();
    if (mLuaState) CallScriptFunction("LoadGameResources");
}

bool CKesBaseFrame::OnProcessEvent(const CKesEvent& event) {
    if (event.mEventType == KESET_GUI_EVENT && event.mGuiEvent.EventType == KESGET_BUTTON_CLICKED &&
        event.mGuiEvent.Caller) {
        bool acted = false;
        switch (event.mGuiEvent.Caller->GetID()) {
        case 10009:
            EndModalLoop(10009);
            acted = true;
            break;
        case 10006:
            ShowWindow(SW_MINIMIZE);
            acted = true;
            break;
        case 10007:
            if (mWindowed) {
                SwitchScreenAndWindow();
                acted = true;
            }
            break;
        case 10008:
            if (!mWindowed) {
                RestoreD3D();
                acted = true;
            }
            break;
        default:
            break;
        }
        if (acted && mCurrent) {
            CKesEvent blank;
            std::memset(&blank, 0, sizeof(blank));
            mCurrent->OnProcessLostFocusEvent(blank);
        }
    } else if (event.mEventType == KESET_GAME_UPDATE_EVENT &&
               (event.mUpdateEvnet.EventType == KESGAME_UPDATE_COMPLETE ||
                event.mUpdateEvnet.EventType == KESGAME_UPDATE_ERROR)) {
        JoinDownloadWorker();
    }
    if (mLuaState) {
        // The record is the sender's: scripts reach it during this call only.
        const lifetime::RecordScope live(&event, lifetime::Kind::EventRecord);
        CKesEvent* record = const_cast<CKesEvent*>(&event);
        CallScriptFunction("OnProcessGameEvent", [record](lua_State* L) {
            lua_pushlightuserdata(L, record);
            return 1;
        });
    }
    return true;
}

}  // namespace kest2d

// The engine's luaL_loadfile, in place of the Lua library's: every chunk that
// Lua loads by file name (dofile, loadfile, require, the main script) comes
// through the frame's resources, archives first, then the disk. The chunk is
// named as Lua names a file's chunk, "@" and the file name as the game wrote
// it, so its errors and tracebacks read "scripts\gamelogic.lua:4: ...".
int luaL_loadfile(lua_State* L, const char* filename) {
    kest2d::CKesBaseFrame* frame = kest2d::CKesBaseFrame::getSingletonPtr();
    if (!filename) {
        lua_pushliteral(L, "cannot open file: no file name given");
        return LUA_ERRFILE;
    }
    if (!frame) {
        lua_pushfstring(L, "cannot open %s: no game window", filename);
        return LUA_ERRFILE;
    }
    unsigned long size = 0;
    std::unique_ptr<unsigned char[]> bytes(static_cast<unsigned char*>(frame->LoadResource(filename, &size)));
    if (!bytes || size == 0) {
        lua_pushfstring(L, "cannot open %s", filename);
        return LUA_ERRFILE;
    }
    kest2d::WholeBuffer whole{reinterpret_cast<const char*>(bytes.get()), static_cast<size_t>(size)};
    const char* chunkName = lua_pushfstring(L, "@%s", filename);
    const int nameIndex = lua_gettop(L);
    const int status = lua_load(L, kest2d::ReadWhole, &whole, chunkName);
    lua_remove(L, nameIndex);
    return status;
}
