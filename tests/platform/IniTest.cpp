#include <gtest/gtest.h>

#include "platform/KesFiles.h"
#include "support/TestSupport.h"

using namespace kest2d;
using kest2d::test::ReadFile;
using kest2d::test::TempDir;
using kest2d::test::WriteFile;

namespace {
std::string Get(const std::string& file, const char* section, const char* key, const char* def = "dflt",
                unsigned size = 256) {
    char buf[1024];
    unsigned n = platform::GetPrivateProfileString(section, key, def, buf, size, file);
    EXPECT_EQ(n, std::string(buf).size());
    return buf;
}
}  // namespace

TEST(Ini, CaseInsensitiveTrimmedAndQuoted) {
    TempDir d;
    std::string f = d.file("a.ini");
    WriteFile(f, "; comment\r\n[Main]\r\n  Width =  640  \r\nname=\"quoted text\"\r\n[other]\r\nwidth=1\r\n");
    EXPECT_EQ("640", Get(f, "main", "WIDTH"));
    EXPECT_EQ("quoted text", Get(f, "MAIN", "name"));
    EXPECT_EQ("1", Get(f, "Other", "width"));
    EXPECT_EQ("dflt", Get(f, "main", "missing"));
    EXPECT_EQ("dflt", Get(f, "nosection", "width"));
    EXPECT_EQ("dflt", Get(d.file("absent.ini"), "main", "width"));
}

TEST(Ini, ValuesAreCutToTheBufferAndEmptyValueIsNotTheDefault) {
    TempDir d;
    std::string f = d.file("a.ini");
    WriteFile(f, "[s]\nlong=" + std::string(5000, 'x') + "\nempty=\n");
    EXPECT_EQ(std::string(9, 'x'), Get(f, "s", "long", "", 10));
    EXPECT_EQ("", Get(f, "s", "empty", "dflt"));
}

TEST(Ini, GarbageAndSectionlessFilesGiveTheDefault) {
    TempDir d;
    std::string f = d.file("g.ini");
    WriteFile(f, std::string("width=5\n\x01\x02\xff[[[\n=novalue\n", 24) + std::string(100000, 'z'));
    EXPECT_EQ("dflt", Get(f, "s", "width"));
}

TEST(Ini, WritesCreateAndKeepOtherLines) {
    TempDir d;
    std::string f = d.file("sub/w.ini");
    kest2d::platform::MakeDirectories(d.file("sub"));
    EXPECT_TRUE(platform::WritePrivateProfileString("game", "score", "10", f));
    EXPECT_EQ("10", Get(f, "game", "score"));
    WriteFile(f, "; keep me\r\n[game]\r\nscore=10\r\nother=x\r\n\r\n[b]\r\nk=v\r\n");
    EXPECT_TRUE(platform::WritePrivateProfileString("GAME", "Score", "11", f));
    EXPECT_TRUE(platform::WritePrivateProfileString("game", "added", "new", f));
    EXPECT_TRUE(platform::WritePrivateProfileString("c", "k", "3", f));
    std::string text = ReadFile(f);
    EXPECT_NE(std::string::npos, text.find("; keep me\r\n"));
    EXPECT_NE(std::string::npos, text.find("Score=11\r\nother=x\r\nadded=new\r\n"));
    EXPECT_NE(std::string::npos, text.find("[b]\r\nk=v\r\n"));
    EXPECT_EQ("11", Get(f, "game", "score"));
    EXPECT_EQ("3", Get(f, "c", "k"));
    EXPECT_TRUE(platform::WritePrivateProfileString("game", "other", nullptr, f));
    EXPECT_EQ("dflt", Get(f, "game", "other"));
}

TEST(Ini, GbkBytesPassThrough) {
    TempDir d;
    std::string f = d.file("gbk.ini");
    std::string gbk = kest2d::test::Gbk("中文标题");
    EXPECT_TRUE(platform::WritePrivateProfileString("s", "caption", gbk.c_str(), f));
    EXPECT_EQ(gbk, Get(f, "s", "caption"));
}

TEST(Paths, BackslashesAndCaseAreResolvedAtTheDiskBoundary) {
    TempDir d;
    WriteFile(d.file("Scripts/GameLogic.lua"), "x");
    EXPECT_TRUE(platform::FileExists(d.path() + "\\scripts\\gamelogic.lua"));
    EXPECT_EQ(d.path() + "/Scripts/GameLogic.lua", platform::DiskPath(d.path() + "\\scripts\\gamelogic.lua"));
    EXPECT_FALSE(platform::FileExists(d.path() + "\\scripts\\none.lua"));
}
