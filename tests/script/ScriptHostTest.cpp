// The script host: the main script, the callbacks and their error lines, the
// built-in control ids and the event record as the script sees it, for the
// length of its call.
#include <gtest/gtest.h>

#include <cstdio>
#include <cstring>
#include <string>
#include <vector>

#include "lua.h"
#include "support/FrameFixture.h"

using namespace kest2d;
using namespace kest2d::test;

namespace {

class ScriptFrame : public CKesBaseFrame {
public:
    ScriptFrame() : CKesBaseFrame(nullptr) {}
    lua_State* L() const { return mLuaState; }
    void SetCurrent(CKesBaseGUIElement* e) { mCurrent = e; }
    void OnProcessGameTimer(unsigned int id) override {
        ++ticks;
        if (id == 99) {
            StopGameTimer(99);
            OnProcessEvent(*pending);
        }
    }
    void LoadResources() override { ++hostLoads; }
    void ChangeDir(const std::string& dir) { ChangePlayerWorkingDir(dir); }
    // A host restarting its game's scripts.
    void StopScripts() { DestroyScriptSystem(); }
    void StartScripts() { InitScriptSystem(); }

    int ticks = 0;
    int hostLoads = 0;
    const CKesEvent* pending = nullptr;
};

// Counts the lost-focus notices that the built-in actions send.
class FocusProbe : public CKesBaseGUIElement {
public:
    void OnProcessLostFocusEvent(const CKesEvent&) override { ++lost; }
    int lost = 0;
};

int Count(const std::string& haystack, const std::string& needle) {
    int n = 0;
    for (size_t pos = haystack.find(needle); pos != std::string::npos; pos = haystack.find(needle, pos + 1)) ++n;
    return n;
}

double Number(lua_State* L, const char* name) {
    lua_getglobal(L, name);
    double v = lua_tonumber(L, -1);
    lua_pop(L, 1);
    return v;
}

std::string Text(lua_State* L, const char* name) {
    lua_getglobal(L, name);
    const char* s = lua_tostring(L, -1);
    std::string v = s ? s : "";
    lua_pop(L, 1);
    return v;
}

CKesEvent Click(CKesBaseGUIElement* caller) {
    CKesEvent e;
    std::memset(&e, 0, sizeof(e));
    e.mEventType = KESET_GUI_EVENT;
    e.mGuiEvent.EventType = KESGET_BUTTON_CLICKED;
    e.mGuiEvent.Caller = caller;
    return e;
}

const char* const kRecordingScript = R"(
main_source = debug.getinfo(1, 'S').source
calls = { update = 0, resources = 0, timer = 0, event = 0 }
function OnProcessGameUpdate() calls.update = calls.update + 1 end
function LoadGameResources() calls.resources = calls.resources + 1; resources = calls.resources end
function OnProcessGameTimer(id) calls.timer = calls.timer + 1; timer_calls = calls.timer; last_timer = id end
clicks = ""
function OnProcessGameEvent(e)
    local ev = toHelper.toKesEvent(e)
    if ev.mEventType == kest2d.KESET_GUI_EVENT then
        clicks = clicks .. ev.mGuiEvent.Caller:GetID() .. ";"
    end
end
)";

class ScriptHost : public FrameFixture {
protected:
    ScriptFrame* Start(const std::string& script, const std::string& ini = "") {
        if (!script.empty()) WriteFile(GamePath("scripts/gamelogic.lua"), script);
        if (!ini.empty()) WriteFile(GamePath("systemini.ini"), ini);
        ScriptFrame* f = StartFrame<ScriptFrame>();
        EXPECT_NE(nullptr, f->L());
        return f;
    }
};

}  // namespace

TEST_F(ScriptHost, StartUpRunsTheScriptAndCallsUpdateThenResources) {
    ScriptFrame* f = Start(kRecordingScript);
    lua_State* L = f->L();
    lua_getglobal(L, "calls");
    lua_getfield(L, -1, "update");
    EXPECT_EQ(1, lua_tonumber(L, -1));
    lua_pop(L, 2);
    EXPECT_EQ(1, Number(L, "resources"));
    EXPECT_EQ(1, f->hostLoads);
    EXPECT_EQ(0, lua_gettop(L));
    // The main chunk is named by its file, as Lua names a file's chunk.
    EXPECT_EQ("@scripts\\gamelogic.lua", Text(L, "main_source"));

    f->StartGameTimer(5, 10);
    platform::RunFor(45);
    EXPECT_GE(Number(L, "timer_calls"), 3);
    EXPECT_EQ(f->ticks, Number(L, "timer_calls"));
    EXPECT_EQ(5, Number(L, "last_timer"));
    EXPECT_EQ(0, lua_gettop(L));

    // A host subclass closes the state and starts it again: the main script
    // runs in a fresh state, without the start-up callbacks.
    f->StopGameTimer(5);
    f->StopScripts();
    EXPECT_EQ(nullptr, f->L());
    f->StartScripts();
    ASSERT_NE(nullptr, f->L());
    EXPECT_EQ("@scripts\\gamelogic.lua", Text(f->L(), "main_source"));
    EXPECT_EQ(0, Number(f->L(), "resources"));
    EXPECT_EQ(0, Number(f->L(), "timer_calls"));
}

TEST_F(ScriptHost, AMissingCallbackIsLoggedOnceForEachCallAndTheEngineGoesOn) {
    ScriptFrame* f = Start("x = 1\n");
    f->StartGameTimer(7, 10);
    platform::RunFor(100);
    ASSERT_GE(f->ticks, 5);
    const std::string log = ReadLog();
    EXPECT_EQ(f->ticks, Count(log, Gbk("call OnProcessGameTimer 失败:")));
    // The timer's and the two start-up callbacks'.
    EXPECT_EQ(f->ticks + 2, Count(log, "attempt to call a nil value"));
    // The failed calls leave nothing behind on the stack.
    EXPECT_EQ(0, lua_gettop(f->L()));
    EXPECT_EQ(1, Count(log, Gbk("call LoadGameResources 失败:")));
    EXPECT_EQ(1, Count(log, Gbk("call OnProcessGameUpdate 失败:")));
    f->StopGameTimer(7);
    EXPECT_TRUE(f->IsWindow());
}

TEST_F(ScriptHost, ErrorValuesThatAreNoStringsAreLogged) {
    ScriptFrame* f = Start("function OnProcessGameTimer() error({}) end\n"
                           "function OnProcessGameEvent() error(nil) end\n");
    f->StartGameTimer(8, 10);
    platform::RunFor(15);
    f->StopGameTimer(8);
    CKesBaseGUIElement button(KESGUI_BUTTON, f, nullptr, 1, CKesRect<int>(0, 0, 1, 1));
    f->OnProcessEvent(Click(&button));
    const std::string log = ReadLog();
    EXPECT_GE(Count(log, Gbk("call OnProcessGameTimer 失败:(error object is a table value)")), 1);
    EXPECT_EQ(1, Count(log, Gbk("call OnProcessGameEvent 失败:(error object is a nil value)")));
    EXPECT_EQ(0, lua_gettop(f->L()));
}

TEST_F(ScriptHost, AStrictGlobalTableRaisingOnLookupIsLoggedLikeAnyError) {
    ScriptFrame* f = Start("setmetatable(_G, { __index = function(_, k) error('undeclared ' .. k, 0) end })\n");
    f->StartGameTimer(6, 10);
    platform::RunFor(25);
    f->StopGameTimer(6);
    ASSERT_GE(f->ticks, 1);
    EXPECT_EQ(f->ticks, Count(ReadLog(), Gbk("call OnProcessGameTimer 失败:undeclared OnProcessGameTimer")));
    EXPECT_EQ(0, lua_gettop(f->L()));
}

TEST_F(ScriptHost, TheCallbackLineIsCutTo1023Bytes) {
    ScriptFrame* f = Start("function OnProcessGameTimer() error(string.rep('x', 3000) .. 'END', 0) end\n");
    f->StartGameTimer(9, 10);
    platform::RunFor(15);
    f->StopGameTimer(9);
    const std::string log = ReadLog();
    const std::string head = Gbk("call OnProcessGameTimer 失败:");
    size_t at = log.find(head);
    ASSERT_NE(std::string::npos, at);
    size_t run = log.find_first_not_of('x', at + head.size()) - (at + head.size());
    EXPECT_EQ(1023u - head.size(), run);
    EXPECT_EQ(std::string::npos, log.find("END"));
}

// A main script that cannot run is logged, and the engine goes on with the
// binding open. Errors name the file and line they come from: the main
// script's, or the file it ran with dofile.
TEST_F(ScriptHost, MainScriptFailuresAreLoggedWithTheirFileAndLine) {
    const std::string head = "导入脚本文件scripts\\gamelogic.lua 失败:%s ";
    struct Row {
        const char* what;
        const char* main;  // null: no main script
        const char* helper;  // scripts\helper.lua, when not null
        std::string logged;  // UTF-8
    } rows[] = {
        {"missing", nullptr, nullptr, head + "cannot open scripts\\gamelogic.lua"},
        {"a non-string error", "error({})\n", nullptr, head + "(error object is a table value)"},
        {"a runtime error", "local y\nlocal x = y.field\n", nullptr,
         head + "scripts\\gamelogic.lua:2: attempt to index local 'y' (a nil value)"},
        {"a syntax error", "x = = 1\n", nullptr, head + "scripts\\gamelogic.lua:1: unexpected symbol near '='"},
        {"an error in a dofile'd file", "dofile('scripts\\\\helper.lua')\n", "local t\n\nreturn t.x\n",
         head + "scripts\\helper.lua:3: attempt to index local 't' (a nil value)"},
        {"a callback of a dofile'd file", "dofile('scripts\\\\helper.lua')\n",
         "function LoadGameResources()\n  error('no cards')\nend\n",
         "call LoadGameResources 失败:scripts\\helper.lua:2: no cards"},
    };
    for (const Row& row : rows) {
        mFrame.reset();
        std::remove(GamePath("scripts/gamelogic.lua").c_str());
        if (row.main) WriteFile(GamePath("scripts/gamelogic.lua"), row.main);
        if (row.helper) WriteFile(GamePath("scripts/helper.lua"), row.helper);
        ScriptFrame* f = Start("");
        EXPECT_EQ(1, Count(ReadLog(), Gbk(row.logged))) << row.what << "\n" << ReadLog();
        EXPECT_EQ(0, lua_gettop(f->L())) << row.what;
        lua_getglobal(f->L(), "toHelper");
        EXPECT_TRUE(lua_istable(f->L(), -1)) << row.what;
        lua_pop(f->L(), 1);
    }
}

// Lua runs a finaliser at any step of its collector, and raises its error
// there: in the engine's own calls into Lua too (reading a callback's error
// value, loading the main script), which log it like any other error.
TEST_F(ScriptHost, AFinalisersErrorInsideTheEnginesOwnCallsIsLogged) {
    // arm() leaves a finaliser that raises at the next collector step,
    // wherever that is: every step is a whole cycle until it has run.
    const std::string arming = R"(
fired = 0
function arm()
    collectgarbage("setpause", 0)
    collectgarbage("setstepmul", 100000000)
    collectgarbage("collect")
    local proxy = newproxy(true)
    getmetatable(proxy).__gc = function()
        collectgarbage("setpause", 200)
        collectgarbage("setstepmul", 200)
        fired = fired + 1
        error("a finaliser's error", 0)
    end
end
)";
    struct Row {
        const char* what;
        const char* timer;  // OnProcessGameTimer's body
        unsigned ms;        // of the game timer's 10 ms ticks
        bool changeFolder;  // then the main script runs again
        std::vector<std::string> logged;  // UTF-8, in this order
    } rows[] = {
        {"while the host reads a callback's error value", "if fired == 0 and not armed then armed = true; arm(); error(42, 0) end",
         25, false, {"call OnProcessGameTimer 失败:42", "call OnProcessGameTimer 失败:a finaliser's error"}},
        {"while the main script loads", "if not armed then armed = true; arm(); error('armed', 0) end", 15, true,
         {"call OnProcessGameTimer 失败:armed", "导入脚本文件scripts\\gamelogic.lua 失败:%s a finaliser's error"}},
    };
    for (const Row& row : rows) {
        mFrame.reset();
        const std::string script = arming + "function OnProcessGameTimer() " + row.timer + " end\n";
        ScriptFrame* f = Start(script);
        f->StartGameTimer(3, 10);
        platform::RunFor(row.ms);
        f->StopGameTimer(3);
        if (row.changeFolder) f->ChangeDir(mGame->path());
        const std::string log = ReadLog();
        size_t at = 0;
        for (const std::string& line : row.logged) {
            at = log.find(Gbk(line), at);
            EXPECT_NE(std::string::npos, at) << row.what << ": " << line << "\n" << log;
            if (at == std::string::npos) break;
        }
        EXPECT_EQ(1, Number(f->L(), "fired")) << row.what;
        EXPECT_EQ(0, lua_gettop(f->L())) << row.what;
    }
}

TEST_F(ScriptHost, AMainScriptThatFailsKeepsWhatItDefinedBeforeTheError) {
    ScriptFrame* f = Start("function LoadGameResources() resources = (resources or 0) + 1 end\n"
                           "error('stopped here')\n");
    EXPECT_EQ(1, Count(ReadLog(), "stopped here"));
    EXPECT_EQ(1, Number(f->L(), "resources"));
}

TEST_F(ScriptHost, ReLoadGameResourcesDoesNothingUntilTheUpdateIsComplete) {
    ScriptFrame* f = Start(kRecordingScript);
    ASSERT_EQ(1, Number(f->L(), "resources"));
    for (DownloadStatus s : {UPDATE_ERROR, UPDATE_LIST, UPDATE_RESOURCES, UPDATE_NULL}) {
        f->SetUpdateState(s);
        f->ReLoadGameResources();
    }
    EXPECT_EQ(1, Number(f->L(), "resources"));
    EXPECT_EQ(1, f->hostLoads);
    f->SetUpdateState(UPDATE_COMPLETE);
    f->ReLoadGameResources();
    EXPECT_EQ(2, Number(f->L(), "resources"));
    EXPECT_EQ(2, f->hostLoads);
}

TEST_F(ScriptHost, InWindowModeA10008ClickRunsNoBuiltInActionButReachesTheScript) {
    ScriptFrame* f = Start(kRecordingScript);
    ASSERT_TRUE(f->IsWindowed());
    FocusProbe probe;
    f->SetCurrent(&probe);
    CKesBaseGUIElement restore(KESGUI_BUTTON, f, nullptr, 10008, CKesRect<int>(0, 0, 1, 1));
    CKesBaseGUIElement other(KESGUI_BUTTON, f, nullptr, 55, CKesRect<int>(0, 0, 1, 1));
    CKesBaseGUIElement sw(KESGUI_BUTTON, f, nullptr, 10007, CKesRect<int>(0, 0, 1, 1));
    CKesBaseGUIElement minimise(KESGUI_BUTTON, f, nullptr, 10006, CKesRect<int>(0, 0, 1, 1));
    EXPECT_TRUE(f->OnProcessEvent(Click(&restore)));
    EXPECT_EQ(0, probe.lost);
    f->OnProcessEvent(Click(&other));
    EXPECT_EQ(0, probe.lost);
    f->OnProcessEvent(Click(&sw));  // acts in window mode
    EXPECT_EQ(1, probe.lost);
    f->OnProcessEvent(Click(&minimise));
    EXPECT_EQ(2, probe.lost);
    EXPECT_TRUE(f->IsIconic());
    EXPECT_EQ("10008;55;10007;10006;", Text(f->L(), "clicks"));
    f->SetCurrent(nullptr);
}

TEST_F(ScriptHost, InFullScreen10008ActsAnd10007DoesNot) {
    OfferFullScreenMode();
    ScriptFrame* f = Start(kRecordingScript, "[systemini]\niswindows=0\n");
    ASSERT_FALSE(f->IsWindowed());
    FocusProbe probe;
    f->SetCurrent(&probe);
    CKesBaseGUIElement restore(KESGUI_BUTTON, f, nullptr, 10008, CKesRect<int>(0, 0, 1, 1));
    CKesBaseGUIElement sw(KESGUI_BUTTON, f, nullptr, 10007, CKesRect<int>(0, 0, 1, 1));
    f->OnProcessEvent(Click(&sw));
    EXPECT_EQ(0, probe.lost);
    f->OnProcessEvent(Click(&restore));
    EXPECT_EQ(1, probe.lost);
    EXPECT_EQ("10007;10008;", Text(f->L(), "clicks"));
    f->SetCurrent(nullptr);
}

TEST_F(ScriptHost, A10009ClickEndsTheModalLoopWith10009) {
    ScriptFrame* f = Start(kRecordingScript);
    CKesBaseGUIElement close(KESGUI_BUTTON, f, nullptr, 10009, CKesRect<int>(0, 0, 1, 1));
    CKesEvent click = Click(&close);
    f->pending = &click;
    f->StartGameTimer(99, 20);
    EXPECT_EQ(10009, f->DoModal());
    EXPECT_EQ("10009;", Text(f->L(), "clicks"));
}

TEST_F(ScriptHost, UpdateEventsReachTheScriptAndAJoinWithoutAWorkerIsHarmless) {
    ScriptFrame* f = Start("seen = ''\n"
                           "function OnProcessGameEvent(e)\n"
                           "  local u = toHelper.toKesEvent(e).mUpdateEvnet\n"
                           "  seen = seen .. u.EventType .. ':' .. u.filename .. ';'\n"
                           "end\n");
    for (int kind : {KESGAME_UPDATE_PROCESS, KESGAME_UPDATE_COMPLETE, KESGAME_UPDATE_COMPLETE, KESGAME_UPDATE_ERROR}) {
        CKesEvent e;
        std::memset(&e, 0, sizeof(e));
        e.mEventType = KESET_GAME_UPDATE_EVENT;
        e.mUpdateEvnet.EventType = kind;
        std::strcpy(e.mUpdateEvnet.filename, "a.pak");
        EXPECT_TRUE(f->OnProcessEvent(e));
    }
    EXPECT_EQ("3:a.pak;0:a.pak;0:a.pak;1:a.pak;", Text(f->L(), "seen"));
}

TEST_F(ScriptHost, TheScriptReadsAndWritesTheEventRecordThroughTheCast) {
    ScriptFrame* f = Start(R"(
function OnProcessGameEvent(e)
    local ev = toHelper.toKesEvent(e)
    control = ev.mControlId
    x = ev.mMouseEvent.X
    wheel = ev.mMouseEvent.Wheel
    char = ev.mKeyEvent.Char
    shift = tostring(ev.mKeyEvent.isShift)
    ev.mKeyEvent.Char = 300
    ev.mImeEvent.inputStr = string.rep("a", 2000)
    table_refused = not pcall(function() ev.mImeEvent.inputStr = {} end)
    ev.mUpdateEvnet.filename = nil
    ev.mMouseEvent.Y = 77
    caller_is_nil = ev.mGuiEvent.Caller == nil
end
)");
    CKesEvent e;
    std::memset(&e, 0, sizeof(e));
    e.mEventType = KESET_MOUSE_INPUT_EVENT;
    e.mControlId = 31;
    e.mMouseEvent.X = 12;
    e.mMouseEvent.Wheel = 1.5f;
    e.mKeyEvent.Char = static_cast<signed char>(200);
    e.mKeyEvent.isShift = true;
    std::strcpy(e.mUpdateEvnet.filename, "old");
    std::memset(e.mImeEvent.inputStr, 'z', sizeof(e.mImeEvent.inputStr));
    f->OnProcessEvent(e);
    lua_State* L = f->L();
    EXPECT_EQ(31, Number(L, "control"));
    EXPECT_EQ(12, Number(L, "x"));
    EXPECT_EQ(1.5, Number(L, "wheel"));
    EXPECT_EQ(-56, Number(L, "char"));
    EXPECT_EQ("true", Text(L, "shift"));
    lua_getglobal(L, "table_refused");
    EXPECT_TRUE(lua_toboolean(L, -1));
    lua_getglobal(L, "caller_is_nil");
    EXPECT_TRUE(lua_toboolean(L, -1));
    lua_pop(L, 2);
    EXPECT_EQ(44, e.mKeyEvent.Char);
    EXPECT_EQ(1023u, std::strlen(e.mImeEvent.inputStr));
    EXPECT_EQ(std::string(1023, 'a'), std::string(e.mImeEvent.inputStr));
    EXPECT_EQ("", std::string(e.mUpdateEvnet.filename));
    EXPECT_EQ(77, e.mMouseEvent.Y);
    EXPECT_EQ(0, Count(ReadLog(), Gbk("call OnProcessGameEvent 失败")));
}

TEST_F(ScriptHost, ChangingTheWorkingFolderRunsTheNewMainScriptInTheSameState) {
    ScriptFrame* f = Start("first = true\nfunction LoadGameResources() loads = (loads or 0) + 1 end\n");
    TempDir other;
    WriteFile(other.file("scripts/gamelogic.lua"), "second = debug.getinfo(1, 'S').source\n");
    f->ChangeDir(other.path());
    lua_State* L = f->L();
    lua_getglobal(L, "first");
    lua_getglobal(L, "second");
    EXPECT_TRUE(lua_toboolean(L, -2));
    EXPECT_TRUE(lua_toboolean(L, -1));
    lua_pop(L, 2);
    EXPECT_EQ("@scripts\\gamelogic.lua", Text(L, "second"));
    // The old LoadGameResources is still defined and runs once more.
    EXPECT_EQ(2, Number(L, "loads"));
}

// An event record and a message live for the call they are handed to: what
// the script kept of them (the objects, a part, the light user data) is of
// no use afterwards, and never reaches the sender's memory.
TEST_F(ScriptHost, RecordsKeptByTheScriptAreGoneAfterTheirCall) {
    ScriptFrame* f = Start(R"(
function OnProcessGameEvent(e)
    kept_event, kept_part, kept_light = toHelper.toKesEvent(e), toHelper.toKesEvent(e).mMouseEvent, e
    as_message = toHelper.toKesMessageIn(e) == nil
end
function OnProcessGameNetwork(state, m)
    kept_message, kept_light_message = toHelper.toKesMessageIn(m), m
    as_event = toHelper.toKesEvent(m) == nil
    first = kept_message:getId()
end
function uses()
    local refused = 0
    for _, use in ipairs({ function() kept_event.mControlId = 5 end, function() kept_part.X = 5 end,
                           function() return kept_message:readByte() end }) do
        if not pcall(use) then refused = refused + 1 end
    end
    gone = toHelper.toKesEvent(kept_light) == nil and toHelper.toKesMessageIn(kept_light_message) == nil
    return refused
end
)");
    {
        CKesEvent e{};
        e.mEventType = KESET_MOUSE_INPUT_EVENT;
        f->OnProcessEvent(e);
        const char bytes[] = {0x01, 0x02, 0x03};
        CKesMessageIn message(bytes, 3);
        f->OnProcessNetMessage(MESPROCESS, message);
    }
    lua_State* L = f->L();
    EXPECT_EQ(0x0102, Number(L, "first"));
    lua_getglobal(L, "uses");
    ASSERT_EQ(0, lua_pcall(L, 0, 1, 0));
    EXPECT_EQ(3, lua_tonumber(L, -1));
    lua_pop(L, 1);
    for (const char* name : {"as_message", "as_event", "gone"}) {
        lua_getglobal(L, name);
        EXPECT_TRUE(lua_toboolean(L, -1)) << name;
        lua_pop(L, 1);
    }
}
