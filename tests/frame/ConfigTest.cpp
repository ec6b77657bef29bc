#include <gtest/gtest.h>

#include <filesystem>

#include "support/FrameFixture.h"

using namespace kest2d;
using namespace kest2d::test;

namespace {
class Config : public FrameFixture {};

int CountOf(const std::string& text, const std::string& part) {
    int n = 0;
    for (size_t at = text.find(part); at != std::string::npos; at = text.find(part, at + 1)) ++n;
    return n;
}
}

TEST_F(Config, StartCommandMovesTheWorkingFolder) {
    platform::MakeDirectories(GamePath("room1"));
    CKesBaseFrame* f = StartFrame<PlainFrame>("-r$room1&user$guest$x&user$second&$abc&abc&&");
    EXPECT_EQ(mGame->path() + "\\room1", f->GetWorkingDirection());
    EXPECT_EQ(mGame->path() + "/room1", platform::CurrentDirectory());
    EXPECT_EQ("guest$x", f->GetStartCommond("user"));
    EXPECT_EQ("room1", f->GetStartCommond("-r"));
    EXPECT_EQ("", f->GetStartCommond("abc"));
    EXPECT_EQ("", f->GetStartCommond(""));
    EXPECT_EQ("", f->GetStartCommond("absent"));
}

TEST_F(Config, LaterDReplacesEarlierFolders) {
    platform::MakeDirectories(GamePath("b"));
    CKesBaseFrame* f = StartFrame<PlainFrame>("-r$a&-d$" + GamePath("b"));
    EXPECT_EQ(GamePath("b"), f->GetWorkingDirection());
}

TEST_F(Config, ARelativeGameFolderIsTakenFromTheCurrentFolder) {
    platform::MakeDirectories(GamePath("table"));
    CKesBaseFrame* f = StartFrame<PlainFrame>("-d$table");
    EXPECT_EQ(mGame->path() + "/table", f->GetWorkingDirection());
    f->Ini_SetFile("player.ini");
    f->Ini_SetInt("player", "runs", 3);
    EXPECT_EQ(3, f->Ini_GetInt("player", "runs", 0));
    EXPECT_TRUE(PathExists(GamePath("table/player.ini")));
    // The log stays in the folder the engine was started in.
    const std::string log = ReadFile(GamePath("kest2d.log"));
    EXPECT_NE(std::string::npos, log.find(Gbk("游戏目录 table 不是绝对路径"))) << log;
}

TEST_F(Config, IniAccessorsReadAndWriteSysteminiUntilSetFile) {
    WriteFile(GamePath("systemini.ini"), "[systemini]\r\nscreenwidth=800\r\n[game]\r\ntext=abc\r\n");
    CKesBaseFrame* f = StartFrame<PlainFrame>();
    EXPECT_NE(std::string::npos, std::string(f->Ini_GetFile()).find("systemini.ini"));
    EXPECT_EQ(0, f->Ini_GetInt("game", "text", 9));
    EXPECT_EQ(9, f->Ini_GetInt("game", "missing", 9));
    f->Ini_SetFloat("game", "f", 0.5f);
    EXPECT_EQ("0.500000", std::string(f->Ini_GetString("game", "f", "")));
    EXPECT_FLOAT_EQ(0.5f, f->Ini_GetFloat("game", "f", 2.0f));
    f->Ini_SetInt("game", "n", -12);
    EXPECT_EQ(-12, f->Ini_GetInt("game", "n", 0));
    EXPECT_NE(std::string::npos, ReadFile(GamePath("systemini.ini")).find("n=-12"));

    f->Ini_SetFile("player.ini");
    EXPECT_EQ(mGame->path() + "\\player.ini", std::string(f->Ini_GetFile()));
    f->Ini_SetString("p", "name", Gbk("玩家").c_str());
    EXPECT_EQ(Gbk("玩家"), std::string(f->Ini_GetString("p", "name", "")));
    EXPECT_TRUE(PathExists(GamePath("player.ini")));
    EXPECT_EQ("d", std::string(f->Ini_GetString("p", "none", "d")));
}

TEST_F(Config, AccessorsWithoutAFileUseTheDefault) {
    PlainFrame f;  // not initialised: no INI file named yet
    EXPECT_EQ(3, f.Ini_GetInt("a", "b", 3));
    EXPECT_EQ("def", std::string(f.Ini_GetString("a", "b", "def")));
    f.Ini_SetInt("a", "b", 1);  // does nothing
    EXPECT_EQ(3, f.Ini_GetInt("a", "b", 3));
}

TEST_F(Config, ChangePlayerWorkingDirMovesTheGameOnlyIntoAFolderThatIsThere) {
    CKesBaseFrame* f = StartFrame<PlainFrame>();
    std::string before = f->GetWorkingDirection();
    f->ChangePlayerWorkingDir("");
    EXPECT_EQ(before, f->GetWorkingDirection());
    platform::MakeDirectories(GamePath("other/sub"));
    f->ChangePlayerWorkingDir(GamePath("other"));
    EXPECT_EQ(GamePath("other"), f->GetWorkingDirection());
    EXPECT_EQ(GamePath("other"), platform::CurrentDirectory());

    // A relative folder is taken from the game's folder once: files named
    // after the move are in the new folder.
    f->ChangePlayerWorkingDir("sub");
    EXPECT_EQ(GamePath("other/sub"), f->GetWorkingDirection());
    EXPECT_EQ(GamePath("other/sub"), platform::CurrentDirectory());
    f->Ini_SetFile("after.ini");
    f->Ini_SetInt("player", "runs", 4);
    EXPECT_EQ(4, f->Ini_GetInt("player", "runs", 0));
    EXPECT_NE(std::string::npos, ReadFile(GamePath("other/sub/after.ini")).find("runs=4"));
    const std::string log = ReadFile(GamePath("kest2d.log"));
    EXPECT_NE(std::string::npos, log.find(Gbk("游戏目录 sub 不是绝对路径"))) << log;

    // A script that moves into a folder it cannot enter (missing, or a file,
    // or its own folder, whose script is the one running, however it is
    // spelled) and then keeps its INI file: each move is refused with one
    // error naming the folder, the game stays in its folder, and the script
    // runs once.
    const std::string missing = " 不存在或不是目录";
    const std::string running = " 的脚本正在运行, 再次进入会循环运行";
    const struct {
        std::string folder;
        int moves;  // calls at the script's top level
        const std::string& why;
    } rows[] = {
        {"mising", 1, missing},
        {"notes.txt", 1, missing},
        {GamePath("nowhere"), 1, missing},
        {"other\\sub\\missing", 2, missing},
        {".", 2, running},
        {"scripts\\..", 1, running},
        {"SCRIPTS\\..\\.", 1, running},
        {mGame->path(), 1, running},
        {"same", 1, running},  // a link to the game's folder
    };
    std::filesystem::create_directory_symlink(mGame->path(), GamePath("same"));
    for (const auto& row : rows) {
        SCOPED_TRACE(row.folder);
        ASSERT_TRUE(platform::SetCurrentDirectory(mGame->path()));  // the log's folder
        WriteFile(GamePath("notes.txt"), "not a folder");
        std::remove(GamePath("player.ini").c_str());
        std::string script = "local frame = kest2d.CKesBaseFrame:getSingleton()\n";
        for (int i = 0; i < row.moves; ++i)
            script += "frame:ChangePlayerWorkingDir([[" + row.folder + "]])\n";
        script +=
            "frame:Ini_SetFile('player.ini')\n"
            "frame:Ini_SetInt('player', 'runs', frame:Ini_GetInt('player', 'runs', 0) + 1)\n"
            "kest2d.CKesLogger:output('read back ' .. frame:Ini_GetInt('player', 'runs', 0), kest2d.INFO)\n";
        WriteFile(GamePath("scripts/gamelogic.lua"), script);
        f = StartFrame<PlainFrame>();

        EXPECT_EQ(mGame->path(), f->GetWorkingDirection());
        EXPECT_EQ(mGame->path(), platform::CurrentDirectory());
        EXPECT_EQ(1, f->Ini_GetInt("player", "runs", 0));
        const std::string log = ReadFile(GamePath("kest2d.log"));
        const std::string refused = "[错误] 游戏目录 " + row.folder + row.why + ", 仍在 " + mGame->path();
        EXPECT_EQ(row.moves, CountOf(log, Gbk(refused))) << log;
        EXPECT_EQ(row.moves, CountOf(log, Gbk("[错误] 游戏目录"))) << log;
        EXPECT_EQ(1, CountOf(log, "read back 1")) << log;
        EXPECT_EQ(0, CountOf(log, Gbk("导入脚本文件"))) << log;
    }
}

// A chain of moves into other folders runs each folder's script inside the
// one before; a move back into a folder of the chain, whose script is still
// running, is refused, as is a move that the folder's "LoadGameResources"
// makes into its own folder. Once the chain has ended, its folders can be
// entered again.
TEST_F(Config, ChangePlayerWorkingDirFollowsAChainOfFoldersButNotACycle) {
    platform::MakeDirectories(GamePath("sub/sub2"));
    const std::string start =
        "local frame = kest2d.CKesBaseFrame:getSingleton()\n"
        "kest2d.CKesLogger:output('ran ' .. frame:GetWorkingDirection(), kest2d.INFO)\n";
    WriteFile(GamePath("scripts/gamelogic.lua"), start + "frame:ChangePlayerWorkingDir('sub')\n");
    WriteFile(GamePath("sub/scripts/gamelogic.lua"), start + "frame:ChangePlayerWorkingDir('sub2')\n");
    WriteFile(GamePath("sub/sub2/scripts/gamelogic.lua"),
              start + "frame:ChangePlayerWorkingDir([[..\\..]])\nframe:ChangePlayerWorkingDir('..')\n");
    WriteFile(GamePath("loop/scripts/gamelogic.lua"),
              start + "function LoadGameResources() frame:ChangePlayerWorkingDir('.') end\n");
    const std::string sub2 = GamePath("sub/sub2");
    const std::string refused = " 的脚本正在运行, 再次进入会循环运行, 仍在 ";
    auto count = [this](const std::string& text) { return CountOf(ReadFile(GamePath("kest2d.log")), Gbk(text)); };

    CKesBaseFrame* f = StartFrame<PlainFrame>();
    EXPECT_EQ(sub2, f->GetWorkingDirection());
    EXPECT_EQ(sub2, platform::CurrentDirectory());
    EXPECT_EQ(1, count("ran " + mGame->path() + "\n"));
    EXPECT_EQ(1, count("ran " + GamePath("sub") + "\n"));
    EXPECT_EQ(1, count("ran " + sub2 + "\n"));
    EXPECT_EQ(1, count("游戏目录 ..\\.." + refused + sub2));
    EXPECT_EQ(1, count("游戏目录 .." + refused + sub2));
    EXPECT_EQ(2, count("[错误] 游戏目录"));

    // The chain has ended: its first folder is entered, and its script runs,
    // again.
    f->ChangePlayerWorkingDir(mGame->path());
    EXPECT_EQ(sub2, f->GetWorkingDirection());
    EXPECT_EQ(2, count("ran " + mGame->path() + "\n"));
    EXPECT_EQ(2, count("ran " + sub2 + "\n"));
    EXPECT_EQ(4, count("[错误] 游戏目录"));

    f->ChangePlayerWorkingDir(GamePath("loop"));
    EXPECT_EQ(GamePath("loop"), f->GetWorkingDirection());
    EXPECT_EQ(1, count("ran " + GamePath("loop") + "\n"));
    EXPECT_EQ(1, count("游戏目录 ." + refused + GamePath("loop")));
    EXPECT_EQ(5, count("[错误] 游戏目录"));
}
