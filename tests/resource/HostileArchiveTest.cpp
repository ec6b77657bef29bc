// Archives made to hurt: the readers refuse them with a message, never read or
// write outside their bounds and never write outside the target folder.
#include <gtest/gtest.h>

#include "ArchiveTestUtil.h"
#include "resource/Kest2dPackager.h"
#include "resource/Kest2dSprPackager.h"
#include "support/FrameFixture.h"

using namespace kest2d;
using namespace kest2d::test;

namespace {

const int32_t kData1 = 8 + 524;      // data right after a one-record directory
const int32_t kData2 = 8 + 2 * 524;  // ... after two records

// One-record archive with the given record fields and data bytes.
std::string OneEntry(const std::string& name, int32_t offset, uint32_t uncompressed, uint32_t compressed,
                     const std::string& data) {
    return pack::PakHeader(1) + pack::PakRecord(name, offset, uncompressed, compressed) + data;
}

class Hostile : public ::testing::Test {
protected:
    void SetUp() override {
        mGame = mRoot.file("game");
        mOut = mRoot.file("game/out");
        ASSERT_TRUE(platform::MakeDirectories(mOut));
        mBefore = Tree(mRoot.path());
    }
    std::string Write(const std::string& bytes) {
        std::string path = mGame + "/h" + std::to_string(mCount++) + ".pak";
        pack::WriteBytes(path, bytes);
        mBefore = Tree(mRoot.path());
        return path;
    }
    // Nothing new anywhere under the test folder, and nothing beside it.
    void ExpectNothingWritten() {
        EXPECT_EQ(mBefore, Tree(mRoot.path()));
        EXPECT_FALSE(PathExists(mRoot.file("../evil.txt")));
        EXPECT_FALSE(PathExists("/tmp/evil.txt"));
    }
    TempDir mRoot;
    std::string mGame, mOut;
    std::set<std::string> mBefore;
    int mCount = 0;
};

}  // namespace

TEST_F(Hostile, NamesThatCouldLeaveTheFolderRefuseTheWholeArchive) {
    const std::string names[] = {"..\\..\\evil.txt",
                                 "..\\..\\..\\evil.txt",
                                 "a\\..\\..\\..\\evil.txt",
                                 "\\tmp\\evil.txt",
                                 "C:\\evil.txt",
                                 "c:evil.txt",
                                 "../../evil.txt",
                                 "a/../../../evil.txt",
                                 "/tmp/evil.txt",
                                 ".\\evil.txt",
                                 "a\\\\evil.txt",
                                 "evil.txt\\",
                                 "..",
                                 "",
                                 std::string("ev\x01il.txt"),
                                 "ev\nil.txt",
                                 "ev\x7Fil.txt"};
    std::string z = pack::Deflate("payload");
    for (const std::string& bad : names) {
        SCOPED_TRACE(bad);
        // A harmless entry that sorts first would be written if the archive
        // were extracted entry by entry.
        std::string bytes = pack::PakHeader(2) +
                            pack::PakRecord("!ok.txt", kData2, 7, static_cast<uint32_t>(z.size())) +
                            pack::PakRecord(bad, kData2, 7, static_cast<uint32_t>(z.size())) + z;
        CKesPackager p(1);
        StdoutCapture out;
        ASSERT_TRUE(p.Open(Write(bytes)));
        EXPECT_FALSE(p.ExtractAllFiles(mOut));
        EXPECT_FALSE(p.ExtractAllFiles(""));
        std::string printed = out.Take();
        EXPECT_EQ(2u, Count(printed, Gbk("文件名不安全, 拒绝解压整个压缩包.\n"))) << printed;
        EXPECT_FALSE(Contains(printed, Gbk("正在解压文件")));
        ExpectNothingWritten();
    }
    EXPECT_FALSE(CKesPackager::IsSafeEntryName("a\\b:c"));
    EXPECT_TRUE(
        CKesPackager::IsSafeEntryName("a\\b\\..c\\\xB1\\"
                                      "d"));  // "\" as a GBK trail byte splits too
    EXPECT_TRUE(CKesPackager::IsSafeEntryName("scripts\\\xCE\xC4\xBC\xFE.lua"));
}

TEST_F(Hostile, HugeAndNegativeCountsAreBoundedByTheFile) {
    std::string z = pack::Deflate("x");
    for (int32_t count : {2147483647, 1000000}) {
        SCOPED_TRACE(count);
        std::string bytes =
            pack::PakHeader(count) + pack::PakRecord("x", kData1, 1, static_cast<uint32_t>(z.size())) + z;
        CKesPackager p(1);
        StdoutCapture out;
        ASSERT_TRUE(p.Open(Write(bytes)));
        std::string printed = out.Take();
        EXPECT_EQ(1u, p.GetEntries().size());
        EXPECT_EQ(archive::MAX_MISSING_REPORTS, Count(printed, Gbk("文件信息读取错误.\n")));
        char summary[100];
        std::snprintf(summary, sizeof(summary), "%lld",
                      static_cast<long long>(count) - 1 - archive::MAX_MISSING_REPORTS);
        EXPECT_TRUE(Contains(printed, Gbk("文件信息读取错误: 另有") + summary + Gbk("条记录缺失.\n"))) << printed;
    }
    std::string spr = pack::SprHeader(2147483647, 1, 1, 1) + pack::SprRecord("f", true, 300, 1, 9);
    pack::WriteBytes(mGame + "/huge.spr", spr);
    CKesSprPackager s;
    StdoutCapture out;
    ASSERT_TRUE(s.Open(mGame + "/huge.spr"));
    EXPECT_EQ(1, s.GetEntryCount());
    EXPECT_EQ(archive::MAX_MISSING_REPORTS, Count(out.Take(), Gbk("文件信息读取错误.\n")));
}

TEST_F(Hostile, EntrySizesAndPlacesThatDoNotFitAreRefused) {
    std::string plain = Blob(4000, 9);
    std::string z = pack::Deflate(plain);
    uint32_t zn = static_cast<uint32_t>(z.size());
    uint32_t pn = static_cast<uint32_t>(plain.size());
    std::string cut = z.substr(0, z.size() / 2);
    const int32_t kAfter = -1000;  // stands for "right after the directory"
    struct Case {
        const char* what;
        int32_t offset;
        uint32_t uncompressed, compressed;
        std::string data;
        std::string message;
    } cases[] = {
        {"offset beyond the file", 1 << 30, pn, zn, z, "数据位置超出文件"},
        {"negative offset", -16, pn, zn, z, "数据位置超出文件"},
        {"compressed size beyond the file", kAfter, pn, zn + 1, z, "压缩数据超出文件"},
        {"huge compressed size", kAfter, pn, 0xFFFFFFFFu, z, "压缩数据超出文件"},
        {"unpacked size beyond deflate's ratio", kAfter, 0xFFFFFFFFu, zn, z, "解压后大小超出压缩比上限"},
        {"file ends inside the stream", kAfter, pn, zn, cut, "压缩数据超出文件"},
        {"stream ends early", kAfter, pn, static_cast<uint32_t>(cut.size()), cut, "e解压失败!"},
        {"stream longer than recorded", kAfter, pn - 1, zn, z, "e解压失败!"},
        {"stream shorter than recorded", kAfter, pn + 1, zn, z, "文件数据大小不对，解压失败！"},
        {"not a zlib stream", kAfter, 100, 100, Blob(100), "e解压失败!"},
        {"zero-length entry without a stream", kAfter, 0, 0, "", "e解压失败!"},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.what);
        std::string path =
            Write(OneEntry("e", c.offset == kAfter ? kData1 : c.offset, c.uncompressed, c.compressed, c.data));
        CKesPackager p(1);
        StdoutCapture out;
        ASSERT_TRUE(p.Open(path));
        unsigned long size = 42;
        unsigned char* d = p.GetFileData("e", &size);
        EXPECT_FALSE(p.ExtractAllFiles(mOut));
        std::string printed = out.Take();
        EXPECT_EQ(nullptr, d);
        delete[] d;
        EXPECT_EQ(42u, size);
        EXPECT_EQ(2u, Count(printed, Gbk(c.message))) << printed;
        ExpectNothingWritten();

        // The same entry as a sprite frame.
        std::string spr =
            pack::SprHeader(1, 1, 1, 1) +
            pack::SprRecord("e", true, c.offset == kAfter ? 20 + 280 : c.offset, c.uncompressed, c.compressed) + c.data;
        pack::WriteBytes(mGame + "/e.spr", spr);
        CKesSprPackager s;
        StdoutCapture sout;
        ASSERT_TRUE(s.Open(mGame + "/e.spr"));
        size = 42;
        d = s.GetFrameData(0, &size);
        printed = sout.Take();
        EXPECT_EQ(nullptr, d);
        delete[] d;
        EXPECT_EQ(42u, size);
        EXPECT_EQ(1u, Count(printed, Gbk(c.message))) << printed;
        mBefore = Tree(mRoot.path());
    }
}

TEST_F(Hostile, ZeroLengthFilesAndNamesWithoutNul) {
    {
        StdoutCapture out;
        CKesPackager p(1);
        EXPECT_FALSE(p.Open(Write("")));
        CKesSprPackager s;
        pack::WriteBytes(mGame + "/empty.spr", "");
        EXPECT_FALSE(s.Open(mGame + "/empty.spr"));
        EXPECT_EQ(Gbk("文件头长度不对.\n文件头长度不对.\n"), out.Take());
    }
    // An empty entry with a proper stream reads as 0 bytes and extracts as an empty file.
    std::string z = pack::Deflate("");
    std::string longName(512, 'A');
    std::string bytes = pack::PakHeader(2) + pack::PakRecord("0.txt", kData2, 0, static_cast<uint32_t>(z.size())) +
                        pack::PakRecord(longName, kData2, 0, static_cast<uint32_t>(z.size())) + z;
    CKesPackager p(1);
    StdoutCapture out;
    ASSERT_TRUE(p.Open(Write(bytes)));
    // The name field without NUL is taken up to its 512th byte.
    EXPECT_TRUE(p.IsFileExist(longName));
    unsigned long size = 9;
    unsigned char* d = p.GetFileData(longName, &size);
    EXPECT_NE(nullptr, d);
    EXPECT_EQ(0u, size);
    delete[] d;
    // The 512-byte name is too long for the disk: the extraction stops there.
    EXPECT_FALSE(p.ExtractAllFiles(mOut));
    std::string printed = out.Take();
    EXPECT_TRUE(Contains(printed, mOut + "\\" + longName + Gbk("打开失败！\n")));
    EXPECT_EQ((std::set<std::string>{"0.txt"}), Tree(mOut));
    EXPECT_EQ("", ReadFile(mOut + "/0.txt"));
}

TEST_F(Hostile, ExtractionStopsAtTheFirstBadEntryAndLeavesNoTemporaries) {
    std::string good = pack::Deflate("good"), bad = pack::Deflate(Blob(3000));
    bad.resize(bad.size() / 2);
    int32_t base = 8 + 3 * 524;
    std::string bytes =
        pack::PakHeader(3) + pack::PakRecord("a\\1.txt", base, 4, static_cast<uint32_t>(good.size())) +
        pack::PakRecord("b\\2.txt", base + static_cast<int32_t>(good.size()), 3000, static_cast<uint32_t>(bad.size())) +
        pack::PakRecord("c.txt", base, 4, static_cast<uint32_t>(good.size())) + good + bad;
    CKesPackager p(1);
    StdoutCapture out;
    ASSERT_TRUE(p.Open(Write(bytes)));
    EXPECT_FALSE(p.ExtractAllFiles(mOut));
    std::string printed = out.Take();
    EXPECT_TRUE(Contains(printed, mOut + "\\b\\2.txt" + Gbk("解压失败!\n")));
    EXPECT_FALSE(Contains(printed, Gbk("文件全部解压完成")));
    EXPECT_EQ((std::set<std::string>{"a", "a/1.txt", "b"}), Tree(mOut));

    // A file where a folder should be.
    std::string z = pack::Deflate("x");
    WriteFile(mOut + "/plainfile", "I am a file");
    CKesPackager q(1);
    StdoutCapture out2;
    ASSERT_TRUE(q.Open(Write(OneEntry("plainfile\\x.txt", kData1, 1, static_cast<uint32_t>(z.size()), z))));
    EXPECT_FALSE(q.ExtractAllFiles(mOut));
    EXPECT_TRUE(Contains(out2.Take(), Gbk("目录建立失败。\n")));
    EXPECT_EQ("I am a file", ReadFile(mOut + "/plainfile"));
}

namespace {
class HostileFrame : public FrameFixture {};
}  // namespace

TEST_F(HostileFrame, BadArchivesInTheGameFolderNeverStopTheEngine) {
    std::string z = pack::Deflate("fine");
    pack::WriteBytes(GamePath("1.pak"), OneEntry("r.txt", kData1, 0xFFFFFFFFu, static_cast<uint32_t>(z.size()), z));
    pack::WriteBytes(GamePath("2.pak"), pack::PakHeader(2147483647));
    pack::WriteBytes(GamePath("3.pak"), "PAK");
    pack::WriteBytes(GamePath("4.pak"), OneEntry("r.txt", kData1, 4, static_cast<uint32_t>(z.size()), z));
    StdoutCapture out;
    CKesBaseFrame* f = StartFrame<PlainFrame>();
    unsigned long size = 0;
    void* d = f->LoadResource("r.txt", &size);
    std::string printed = out.Take();
    ASSERT_NE(nullptr, d);
    EXPECT_EQ("fine", std::string(static_cast<char*>(d), size));
    delete[] static_cast<unsigned char*>(d);
    EXPECT_TRUE(Contains(printed, Gbk("r.txt解压失败!\n")));
    EXPECT_TRUE(Contains(ReadLog(), Gbk("导入压缩包3.pak失败!")));
    EXPECT_NE(nullptr, f->FindPackagerByName("2.pak"));
}
