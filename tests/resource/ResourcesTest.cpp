#include <fcntl.h>
#include <gtest/gtest.h>
#include <unistd.h>

#include "ArchiveTestUtil.h"
#include "resource/Kest2dPackager.h"
#include "support/FrameFixture.h"

using namespace kest2d;
using namespace kest2d::test;

namespace {

class Resources : public FrameFixture {
protected:
    void Pak(const std::string& file, const std::vector<pack::PakItem>& items) {
        ASSERT_TRUE(pack::WriteBytes(GamePath(file), pack::BuildPak(items)));
    }
    std::string Load(const char* name, unsigned long* sizeOut = nullptr) {
        unsigned long size = 999;
        void* d = mFrame->LoadResource(name, &size);
        if (sizeOut) *sizeOut = size;
        if (!d) return "<null>";
        std::string s(static_cast<char*>(d), size);
        delete[] static_cast<unsigned char*>(d);
        return s;
    }
    // A zlib stream cut short, recorded with the length it has.
    std::string BrokenEntryPak(const std::string& name, const std::string& data) {
        std::string z = pack::Deflate(data);
        z.resize(z.size() / 2);
        return pack::PakHeader(1) +
               pack::PakRecord(name, 8 + 524, static_cast<uint32_t>(data.size()), static_cast<uint32_t>(z.size())) + z;
    }
    StdoutCapture mOut;  // the readers' reports stay out of the test output
};

}  // namespace

TEST_F(Resources, ArchivesInPathOrderThenDisk) {
    Pak("b.pak", {{"x.txt", "from b"}, {"only-b.txt", "b only"}});
    Pak("a.pak", {{"x.txt", "from a"}});
    WriteFile(GamePath("x.txt"), "from disk");
    WriteFile(GamePath("disk.txt"), "disk only");
    CKesBaseFrame* f = StartFrame<PlainFrame>();
    ASSERT_NE(nullptr, f->FindPackagerByName("a.pak"));
    ASSERT_NE(nullptr, f->FindPackagerByName("b.pak"));
    EXPECT_EQ(nullptr, f->FindPackagerByName(""));

    unsigned long size = 0;
    EXPECT_EQ("from a", Load("x.txt", &size));
    EXPECT_EQ(6u, size);
    EXPECT_EQ("b only", Load("only-b.txt"));
    EXPECT_EQ("disk only", Load("disk.txt"));
    // Another letter case misses the archives; the disk is case-blind.
    EXPECT_EQ("from disk", Load("X.TXT"));

    f->ClearAllPackagers();
    EXPECT_EQ(nullptr, f->FindPackagerByName("a.pak"));
    EXPECT_EQ("from disk", Load("x.txt"));
}

TEST_F(Resources, FailedOrEmptyEntriesFallThroughToTheNextSource) {
    ASSERT_TRUE(pack::WriteBytes(GamePath("a.pak"), BrokenEntryPak("y.txt", Blob(5000))));
    Pak("b.pak", {{"y.txt", "good y"}, {"empty.txt", ""}, {"gone.txt", ""}});
    ASSERT_TRUE(pack::WriteBytes(GamePath("c.pak"), BrokenEntryPak("z.txt", Blob(5000))));
    WriteFile(GamePath("z.txt"), "disk z");
    WriteFile(GamePath("empty.txt"), "disk empty");
    CKesBaseFrame* f = StartFrame<PlainFrame>();
    mOut.Take(true);
    EXPECT_EQ("good y", Load("y.txt"));
    EXPECT_EQ("disk z", Load("z.txt"));
    EXPECT_EQ("disk empty", Load("empty.txt"));
    unsigned long size = 5;
    EXPECT_EQ("<null>", Load("gone.txt", &size));
    EXPECT_EQ(0u, size);
    std::string printed = mOut.Take(true);
    EXPECT_TRUE(Contains(printed, Gbk("y.txt解压失败!\n")));
    EXPECT_TRUE(Contains(printed, Gbk("z.txt解压失败!\n")));
    EXPECT_TRUE(Contains(ReadLog(), Gbk("不能导入资源: gone.txt")));
    (void)f;
}

TEST_F(Resources, EmptyOrMissingNamesAreLoggedAndLongNamesCut) {
    CKesBaseFrame* f = StartFrame<PlainFrame>();
    unsigned long size = 7;
    EXPECT_EQ(nullptr, f->LoadResource("", &size));
    EXPECT_EQ(0u, size);
    EXPECT_EQ(nullptr, f->LoadResource(nullptr, nullptr));
    EXPECT_EQ(nullptr, f->LoadResource("scripts\\none.lua", nullptr));
    std::string longName(400, 'q');
    EXPECT_EQ(nullptr, f->LoadResource(longName.c_str(), nullptr));
    std::string log = ReadLog();
    EXPECT_TRUE(Contains(log, Gbk("不能导入资源: \n")));
    EXPECT_TRUE(Contains(log, Gbk("不能导入资源: scripts\\none.lua")));
    std::string cut = Gbk("不能导入资源: ") + std::string(259 - Gbk("不能导入资源: ").size(), 'q');
    EXPECT_TRUE(Contains(log, cut + "\n"));
    // A folder is not a resource.
    platform::MakeDirectories(GamePath("dir"));
    EXPECT_EQ(nullptr, f->LoadResource("dir", nullptr));
}

TEST_F(Resources, AddPackagerOncePerPathAndLogsBadArchives) {
    Pak("sub.pak", {{"s.txt", "S"}});
    WriteFile(GamePath("bad.pak"), "not an archive");
    WriteFile(GamePath("d.pak/inner.txt"), "a folder named like an archive");
    Pak("UPPER.PAK", {{"u.txt", "U"}});
    CKesBaseFrame* f = StartFrame<PlainFrame>();
    EXPECT_NE(nullptr, f->FindPackagerByName("UPPER.PAK"));
    EXPECT_EQ(nullptr, f->FindPackagerByName("d.pak"));
    EXPECT_EQ(nullptr, f->FindPackagerByName("bad.pak"));
    EXPECT_TRUE(Contains(ReadLog(), Gbk("导入压缩包bad.pak失败!")));
    CKesPackager* first = f->FindPackagerByName("sub.pak");
    ASSERT_NE(nullptr, first);
    f->AddPackager("sub.pak");
    EXPECT_EQ(first, f->FindPackagerByName("sub.pak"));
    f->AddPackager(GamePath("sub.pak"));  // another path to the same file is another key
    EXPECT_NE(nullptr, f->FindPackagerByName(GamePath("sub.pak")));
    EXPECT_EQ("S", Load("s.txt"));
    EXPECT_EQ("U", Load("u.txt"));
}

TEST_F(Resources, CrLfTextComesBackByteForByte) {
    std::string text = Gbk("-- 脚本\r\nprint('a')\r\n\r\nx = 1\n\r");
    Pak("t.pak", {{"scripts\\gamelogic2.lua", text}});
    WriteFile(GamePath("scripts/disk.lua"), text);
    StartFrame<PlainFrame>();
    EXPECT_EQ(text, Load("scripts\\gamelogic2.lua"));
    EXPECT_EQ(text, Load("scripts\\disk.lua"));
}

TEST_F(Resources, ChangingTheWorkingFolderReplacesTheArchives) {
    Pak("first.pak", {{"w.txt", "first"}});
    WriteFile(GamePath("other/second.pak"), pack::BuildPak({{"w.txt", "second"}}));
    CKesBaseFrame* f = StartFrame<PlainFrame>();
    EXPECT_EQ("first", Load("w.txt"));
    f->ChangePlayerWorkingDir(GamePath("other"));
    EXPECT_EQ(nullptr, f->FindPackagerByName("first.pak"));
    EXPECT_EQ("second", Load("w.txt"));
}

TEST_F(Resources, ExtractAllFilesWritesNestedFoldersAndReplacesFilesAtomically) {
    std::string big = Blob(200000, 5);
    Pak("game.pak", {{"a\\b\\c.txt", "deep"}, {"a\\d.txt", "mid"}, {"top.txt", "top\r\n"}, {"img\\big.bin", big}});
    CKesBaseFrame* f = StartFrame<PlainFrame>();
    std::string target = GamePath("out");
    platform::MakeDirectories(target);
    // A reader that has the old file open keeps its bytes.
    WriteFile(target + "/top.txt", "old contents");
    int fd = ::open((target + "/top.txt").c_str(), O_RDONLY);
    ASSERT_GE(fd, 0);

    mOut.Take(true);
    ASSERT_TRUE(f->ExtractAllFiles(target));
    std::string printed = mOut.Take(true);
    EXPECT_EQ("deep", ReadFile(target + "/a/b/c.txt"));
    EXPECT_EQ("mid", ReadFile(target + "/a/d.txt"));
    EXPECT_EQ("top\r\n", ReadFile(target + "/top.txt"));
    EXPECT_EQ(big, ReadFile(target + "/img/big.bin"));
    char old[32] = {0};
    EXPECT_EQ(12, ::pread(fd, old, sizeof(old), 0));
    EXPECT_STREQ("old contents", old);
    ::close(fd);
    EXPECT_TRUE(Contains(printed, Gbk("正在解压文件:") + target + "\\a\\b\\c.txt ...\n"));
    EXPECT_TRUE(Contains(printed, target + "\\top.txt" + Gbk("解压成功，压缩数据:")));
    EXPECT_TRUE(Contains(printed, Gbk("文件全部解压完成.\n")));
    // Nothing but the archive's files (no temporaries) is left.
    EXPECT_EQ((std::set<std::string>{"a", "a/b", "a/b/c.txt", "a/d.txt", "img", "img/big.bin", "top.txt"}),
              Tree(target));

    // The reader's own extraction: into its remembered folder when none is given.
    CKesPackager* p = f->FindPackagerByName("game.pak");
    ASSERT_NE(nullptr, p);
    EXPECT_EQ(mGame->path(), p->GetRememberedFolder());
    EXPECT_TRUE(p->ExtractAllFiles(""));
    EXPECT_EQ("deep", ReadFile(GamePath("a/b/c.txt")));
}
