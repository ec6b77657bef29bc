#include <gtest/gtest.h>

#include "ArchiveTestUtil.h"
#include "resource/Kest2dSprPackager.h"

using namespace kest2d;
using namespace kest2d::test;
using pack::SprFrame;

namespace {

class SprReader : public ::testing::Test {
protected:
    std::string Write(const std::string& name, const std::string& bytes) {
        WriteFile(mDir.file(name), bytes);
        return mDir.file(name);
    }
    static std::string Frame(CKesSprPackager& s, int i) {
        unsigned long n = 777;
        unsigned char* d = s.GetFrameData(i, &n);
        if (!d) return n == 777 ? "<null>" : "<null, size touched>";
        std::string out(reinterpret_cast<char*>(d), n);
        delete[] d;
        return out;
    }
    TempDir mDir;
};

}  // namespace

TEST_F(SprReader, HeaderDirectoryAndFramesInFileOrder) {
    std::vector<SprFrame> frames = {{"f0.png", Blob(3000, 1), true},
                                    {"f1.png", Blob(10, 2), false},
                                    {"\xB1\xED\xC7\xE9.png", Blob(70000, 3), true}};
    std::string path = Write("a.spr", pack::BuildSpr(frames, 32, 48, 12));
    CKesSprPackager s;
    ASSERT_TRUE(s.Open(path));
    EXPECT_EQ(32, s.GetFrameWidth());
    EXPECT_EQ(48, s.GetFrameHeight());
    EXPECT_EQ(12, s.GetSpeed());
    ASSERT_EQ(3, s.GetEntryCount());
    EXPECT_EQ(nullptr, s.GetEntry(-1));
    EXPECT_EQ(nullptr, s.GetEntry(3));
    EXPECT_EQ(1, s.GetEntry(0)->shown);
    EXPECT_EQ(0, s.GetEntry(1)->shown);
    EXPECT_STREQ("f1.png", s.GetEntry(1)->name);

    StdoutCapture out;
    for (int i = 0; i < 3; ++i) EXPECT_EQ(frames[static_cast<size_t>(i)].data, Frame(s, i));
    EXPECT_EQ("<null>", Frame(s, 3));
    EXPECT_EQ("<null>", Frame(s, -1));
    std::string printed = out.Take();
    EXPECT_TRUE(Contains(printed, Gbk("正在解压文件:f1.png ...\n")));
    EXPECT_TRUE(Contains(printed, "\xB1\xED\xC7\xE9.png" + Gbk("解压成功，压缩数据:")));
    EXPECT_TRUE(Contains(printed, Gbk(" 解压后数据:70000 \n")));
}

TEST_F(SprReader, RefusedHeadersAndTruncatedDirectory) {
    CKesSprPackager s;
    EXPECT_FALSE(s.Open(""));
    {
        StdoutCapture out;
        EXPECT_FALSE(s.Open(Write("19.spr", pack::SprHeader(0, 1, 1, 1).substr(0, 19))));
        EXPECT_EQ(Gbk("文件头长度不对.\n"), out.Take());
    }
    {
        StdoutCapture out;
        EXPECT_FALSE(s.Open(Write("pak.spr", pack::SprHeader(0, 1, 1, 1, "PAK"))));
        EXPECT_EQ(Gbk("文件类型不对.\n"), out.Take());
    }
    {
        StdoutCapture out;
        EXPECT_FALSE(s.Open(mDir.file("none.spr")));
        EXPECT_EQ(Gbk("压缩包文件打开失败。\n"), out.Take());
    }
    std::string two = pack::BuildSpr({{"a", "1"}, {"b", "2"}}, 1, 1, 1);
    std::string bytes = pack::SprHeader(3, 1, 1, 1) + two.substr(20);
    CKesSprPackager t;
    StdoutCapture out;
    ASSERT_TRUE(t.Open(Write("t.spr", bytes)));
    EXPECT_EQ(Gbk("文件信息读取错误.\n"), out.Take());
    EXPECT_EQ(2, t.GetEntryCount());
    EXPECT_EQ("2", Frame(t, 1));
}

TEST_F(SprReader, SecondOpenAppendsAndClosedReaderGivesNull) {
    std::string a = Write("a.spr", pack::BuildSpr({{"a0", "A0"}, {"a1", "A1"}}, 4, 4, 1));
    // Header fields holding 0xFF bytes decipher like all others.
    std::string b = Write("b.spr", pack::BuildSpr({{"b0", "B0"}}, 255, 0x00FF00FF, -1));
    CKesSprPackager s;
    StdoutCapture out;
    ASSERT_TRUE(s.Open(a));
    ASSERT_TRUE(s.Open(b));
    EXPECT_EQ(3, s.GetEntryCount());
    EXPECT_STREQ("b0", s.GetEntry(2)->name);
    EXPECT_EQ(255, s.GetFrameWidth());
    EXPECT_EQ(0x00FF00FF, s.GetFrameHeight());
    EXPECT_EQ(-1, s.GetSpeed());
    EXPECT_EQ("B0", Frame(s, 2));
    s.Close();
    s.Close();
    EXPECT_FALSE(s.IsOpen());
    EXPECT_EQ("<null>", Frame(s, 2));   // no use of a closed file
    EXPECT_EQ(255, s.GetFrameWidth());  // the header stays
    s.ClearEntries();
    EXPECT_EQ(0, s.GetEntryCount());
    ASSERT_TRUE(s.Open(a));
    EXPECT_EQ("A1", Frame(s, 1));
}

TEST_F(SprReader, FrameNameFillingItsFieldIsCut) {
    std::string name(264, 'N');
    std::string z = pack::Deflate("img");
    std::string bytes =
        pack::SprHeader(1, 1, 1, 1) + pack::SprRecord(name, true, 300, 3, static_cast<uint32_t>(z.size())) + z;
    CKesSprPackager s;
    StdoutCapture out;
    ASSERT_TRUE(s.Open(Write("n.spr", bytes)));
    EXPECT_EQ(263u, std::string(s.GetEntry(0)->name).size());
    EXPECT_EQ("img", Frame(s, 0));
}
