// Scripts that exist only inside a ".pak" archive of the game folder.
#include <gtest/gtest.h>

#include <string>

#include "KesPackWriter.h"
#include "lua.h"
#include "support/FrameFixture.h"

using namespace kest2d;
using namespace kest2d::test;

namespace {

class PakFrame : public CKesBaseFrame {
public:
    PakFrame() : CKesBaseFrame(nullptr) {}
    lua_State* L() const { return mLuaState; }
};

std::string Global(lua_State* L, const char* name) {
    lua_getglobal(L, name);
    const char* s = lua_tostring(L, -1);
    std::string v = s ? s : "(nil)";
    lua_pop(L, 1);
    return v;
}

class PakScripts : public FrameFixture {};

}  // namespace

TEST_F(PakScripts, MainScriptDofileAndRequireReadTheArchive) {
    const std::string main = R"(
        dofile("scripts\\helper.lua")
        local rules = require("cards.rules")
        rules_name = rules.name
        ok, missing = pcall(dofile, "scripts\\absent.lua")
        missing = tostring(missing)
        from_disk = "disk main"
    )";
    const std::string helper = "helper_source = debug.getinfo(1, 'S').source\n";
    const std::string rules = "return { name = 'rules from pak' }\n";
    ASSERT_TRUE(pack::WriteBytes(GamePath("game.pak"),
                                 pack::BuildPak({{"scripts\\gamelogic.lua", main},
                                                 {"scripts\\helper.lua", helper},
                                                 {"cards\\rules.lua", rules}})));
    // A disk copy of the main script is shadowed by the archive's.
    WriteFile(GamePath("scripts/gamelogic.lua"), "from_disk = 'disk'\n");
    PakFrame* f = StartFrame<PakFrame>();
    lua_State* L = f->L();
    ASSERT_NE(nullptr, L);
    EXPECT_EQ("disk main", Global(L, "from_disk"));
    // The chunk is named by its file, as Lua names a file's chunk.
    EXPECT_EQ("@scripts\\helper.lua", Global(L, "helper_source"));
    EXPECT_EQ("rules from pak", Global(L, "rules_name"));
    EXPECT_NE(std::string::npos, Global(L, "missing").find("absent.lua")) << Global(L, "missing");
    EXPECT_FALSE(PathExists(GamePath("scripts/helper.lua")));
}
