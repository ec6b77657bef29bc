#include <gtest/gtest.h>
#include <sys/wait.h>

#include <cstdlib>

#include "ArchiveTestUtil.h"
#include "resource/Kest2dPackager.h"
#include "resource/Kest2dSprPackager.h"

using namespace kest2d;
using namespace kest2d::test;

namespace {

int RunKespack(const std::string& args) {
    int status = std::system((std::string(KESPACK_EXE) + " " + args + " 2>/dev/null").c_str());
    return WIFEXITED(status) ? WEXITSTATUS(status) : -1;
}

std::string Read(CKesPackager& p, const std::string& name) {
    unsigned long n = 0;
    unsigned char* d = p.GetFileData(name, &n);
    std::string s = d ? std::string(reinterpret_cast<char*>(d), n) : "<null>";
    delete[] d;
    return s;
}

}  // namespace

TEST(Kespack, PacksAFolderWithBackslashNamesAndImagesIntoSprites) {
    TempDir dir;
    WriteFile(dir.file("src/scripts/gamelogic.lua"), "-- main\r\n");
    WriteFile(dir.file("src/gui/main.xml"), "<gui/>");
    WriteFile(dir.file("src/top.txt"), Blob(30000));
    WriteFile(dir.file("f0.png"), "PNG0");
    WriteFile(dir.file("f1.png"), "PNG1");
    ASSERT_EQ(0, RunKespack("pak " + dir.file("src") + " " + dir.file("game.pak")));
    ASSERT_EQ(0,
              RunKespack("spr " + dir.file("anim.spr") + " 16 24 5 " + dir.file("f0.png") + " " + dir.file("f1.png")));

    StdoutCapture out;
    CKesPackager p(1);
    ASSERT_TRUE(p.Open(dir.file("game.pak")));
    EXPECT_EQ(3u, p.GetEntries().size());
    EXPECT_EQ("-- main\r\n", Read(p, "scripts\\gamelogic.lua"));
    EXPECT_EQ("<gui/>", Read(p, "gui\\main.xml"));
    EXPECT_EQ(Blob(30000), Read(p, "top.txt"));

    CKesSprPackager s;
    ASSERT_TRUE(s.Open(dir.file("anim.spr")));
    EXPECT_EQ(16, s.GetFrameWidth());
    EXPECT_EQ(24, s.GetFrameHeight());
    EXPECT_EQ(5, s.GetSpeed());
    ASSERT_EQ(2, s.GetEntryCount());
    EXPECT_STREQ("f1.png", s.GetEntry(1)->name);
    unsigned long n = 0;
    unsigned char* d = s.GetFrameData(1, &n);
    ASSERT_NE(nullptr, d);
    EXPECT_EQ("PNG1", std::string(reinterpret_cast<char*>(d), n));
    delete[] d;
    out.Take();

    EXPECT_EQ(2, RunKespack("pak onlyone"));
    EXPECT_EQ(2, RunKespack("spr x.spr a b c img"));
    EXPECT_EQ(1, RunKespack("spr " + dir.file("x.spr") + " 1 1 1 " + dir.file("missing.png")));
    // A name too long for its field is refused rather than cut.
    WriteFile(dir.file("long/" + std::string(200, 'a') + "/" + std::string(200, 'b') + "/" + std::string(200, 'c')),
              "x");
    EXPECT_EQ(1, RunKespack("pak " + dir.file("long") + " " + dir.file("long.pak")));
}
