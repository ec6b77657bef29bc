// The cost of crossing between the engine and the script: one
// "OnProcessGameTimer" round trip (the frame's timer path into Lua and back),
// one "OnProcessGameEvent" round trip that reads its record, and bound calls
// (a method without result, one that hands out an element, a field of a
// value, a by-value result, a text result), each against a bare lua_pcall of
// an empty Lua function in the same run.
#include <benchmark/benchmark.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cstdio>
#include <string>

#include "BenchSupport.h"
#include "frame/Kest2dBaseFrame.h"
#include "lua.h"

namespace {

const unsigned kGameTimer = 5;

class BenchFrame : public kest2d::CKesBaseFrame {
public:
    BenchFrame() : CKesBaseFrame(nullptr) {}
    lua_State* L() const { return mLuaState; }
    void Tick(unsigned id) { OnTimer(id); }
};

// One headless game in a scratch folder for the whole run.
class Game {
public:
    Game() {
        kest2d::bench::UseHeadlessPlatform();
        mDir = kest2d::bench::EnterScratchGameFolder();
        mkdir((mDir + "/scripts").c_str(), 0755);
        if (FILE* f = std::fopen((mDir + "/scripts/gamelogic.lua").c_str(), "wb")) {
            std::fputs("local frame = kest2d.CKesBaseFrame:getSingleton()\n"
                       "function OnProcessGameTimer(id) end\n"
                       "function empty() end\n"
                       "function bound_call() frame:IsSwitchGameMode() end\n"
                       "local root = frame.__CKesBaseGUIContainer__\n"
                       "root:AddButton(7, 'b', kest2d.CKesRect_int_(0, 0, 10, 10))\n"
                       "function element_result() root:FindControlById(7) end\n"
                       "local r = kest2d.CKesRect_int_(1, 2, 3, 4)\n"
                       "function field_read() return r.LowerRightCorner.X end\n"
                       "function value_result() return r:getCenter() end\n"
                       "root:SetCaption('a caption of some length')\n"
                       "function text_result() return root:GetCaption() end\n"
                       "function OnProcessGameEvent(e) return toHelper.toKesEvent(e).mMouseEvent.X end\n",
                       f);
            std::fclose(f);
        }
        mFrame = new BenchFrame();
        mFrame->Initialize("", kest2d::CKesDimension2d<int>(800, 600));
    }
    ~Game() {
        delete mFrame;
        std::remove((mDir + "/scripts/gamelogic.lua").c_str());
        rmdir((mDir + "/scripts").c_str());
        std::remove((mDir + "/kest2d.log").c_str());
        rmdir(mDir.c_str());
    }
    BenchFrame* frame() const { return mFrame; }

private:
    std::string mDir;
    BenchFrame* mFrame = nullptr;
};

Game& TheGame() {
    static Game game;
    return game;
}

void CallGlobal(benchmark::State& state, const char* name) {
    lua_State* L = TheGame().frame()->L();
    if (!L) {
        state.SkipWithError("no Lua state");
        return;
    }
    for (auto _ : state) {
        lua_getfield(L, LUA_GLOBALSINDEX, name);
        if (lua_pcall(L, 0, 0, 0) != 0) {
            state.SkipWithError(lua_tostring(L, -1));
            lua_pop(L, 1);
            return;
        }
    }
}

void BM_BarePcallOfAnEmptyFunction(benchmark::State& state) { CallGlobal(state, "empty"); }

void BM_GameTimerRoundTrip(benchmark::State& state) {
    BenchFrame* frame = TheGame().frame();
    for (auto _ : state) frame->Tick(kGameTimer);
}

void BM_OneBoundMethodCall(benchmark::State& state) { CallGlobal(state, "bound_call"); }

void BM_ElementResult(benchmark::State& state) { CallGlobal(state, "element_result"); }

void BM_FieldOfAValue(benchmark::State& state) { CallGlobal(state, "field_read"); }

void BM_ByValueResult(benchmark::State& state) { CallGlobal(state, "value_result"); }

void BM_TextResult(benchmark::State& state) { CallGlobal(state, "text_result"); }

void BM_GameEventRoundTrip(benchmark::State& state) {
    BenchFrame* frame = TheGame().frame();
    kest2d::CKesEvent event{};
    event.mEventType = kest2d::KESET_MOUSE_INPUT_EVENT;
    for (auto _ : state) frame->OnProcessEvent(event);
}

}  // namespace

BENCHMARK(BM_BarePcallOfAnEmptyFunction);
BENCHMARK(BM_GameTimerRoundTrip);
BENCHMARK(BM_OneBoundMethodCall);
BENCHMARK(BM_ElementResult);
BENCHMARK(BM_FieldOfAValue);
BENCHMARK(BM_ByValueResult);
BENCHMARK(BM_TextResult);
BENCHMARK(BM_GameEventRoundTrip);
