#include <gtest/gtest.h>
#include <zlib.h>

#include <atomic>
#include <cstdio>
#include <thread>
#include <vector>

#include "ArchiveTestUtil.h"
#include "resource/Kest2dPackager.h"

using namespace kest2d;
using namespace kest2d::test;
using pack::PakItem;

namespace {

class PakReader : public ::testing::Test {
protected:
    std::string Write(const std::string& name, const std::string& bytes) {
        std::string path = mDir.file(name);
        WriteFile(path, bytes);
        return path;
    }
    std::string Data(CKesPackager& p, const std::string& name, unsigned long* size = nullptr) {
        unsigned long n = 12345;
        unsigned char* d = p.GetFileData(name, &n);
        if (size) *size = n;
        if (!d) return "<null>";
        std::string s(reinterpret_cast<char*>(d), n);
        delete[] d;
        return s;
    }
    TempDir mDir;
};

}  // namespace

TEST_F(PakReader, ReadsEntriesByExactNameAndReportsEachInflate) {
    std::string text = "line one\r\nline two\r\n\r\n";
    std::string big = Blob(100000);
    std::string path = Write("a.pak", pack::BuildPak({{"scripts\\main.lua", text}, {"big.bin", big}}));
    CKesPackager p(1);
    ASSERT_TRUE(p.Open(path));
    EXPECT_EQ(1, p.GetFlag());
    EXPECT_EQ(2, p.GetHeader().count);
    EXPECT_TRUE(p.IsFileExist("scripts\\main.lua"));
    EXPECT_FALSE(p.IsFileExist("scripts/main.lua"));
    EXPECT_FALSE(p.IsFileExist("Scripts\\main.lua"));
    EXPECT_FALSE(p.IsFileExist(""));

    StdoutCapture out;
    unsigned long size = 0;
    EXPECT_EQ(text, Data(p, "scripts\\main.lua", &size));
    EXPECT_EQ(text.size(), size);
    EXPECT_EQ(big, Data(p, "big.bin"));
    std::string printed = out.Take();
    EXPECT_TRUE(Contains(printed, Gbk("正在解压文件:scripts\\main.lua ...\n")));
    const PakFileEntry& e = p.GetEntries().at("big.bin");
    char expect[200];
    std::snprintf(expect, sizeof(expect), "big.bin%s%ld%s%ld \n", Gbk("解压成功，压缩数据:").c_str(),
                  static_cast<long>(e.compressed), Gbk(" 解压后数据:").c_str(), 100000L);
    EXPECT_TRUE(Contains(printed, expect)) << printed;

    // A missing name stores 0; an empty name leaves the size alone.
    EXPECT_EQ("<null>", Data(p, "absent", &size));
    EXPECT_EQ(0u, size);
    EXPECT_EQ("<null>", Data(p, "", &size));
    EXPECT_EQ(12345u, size);
}

TEST_F(PakReader, HeaderProblemsAndEntryCounts) {
    CKesPackager p(1);
    EXPECT_FALSE(p.Open(""));
    {
        StdoutCapture out;
        EXPECT_FALSE(p.Open(mDir.file("missing.pak")));
        EXPECT_EQ(Gbk("压缩包文件打开失败。\n"), out.Take());
    }
    {
        StdoutCapture out;
        EXPECT_FALSE(p.Open(Write("short.pak", pack::PakHeader(1).substr(0, 5))));
        EXPECT_EQ(Gbk("文件头长度不对.\n"), out.Take());
    }
    {
        StdoutCapture out;
        EXPECT_FALSE(p.Open(Write("tag.pak", pack::PakHeader(0, "PAX"))));
        // Plain (not enciphered) "PAK" is refused too.
        EXPECT_FALSE(p.Open(Write("plain.pak", std::string("PAK\0\0\0\0\0", 8))));
        EXPECT_EQ(Gbk("文件类型不对.\n文件类型不对.\n"), out.Take());
    }
    for (int count : {0, -1, -2147483647 - 1}) {
        CKesPackager q(1);
        EXPECT_TRUE(q.Open(Write("n.pak", pack::PakHeader(count) + pack::PakRecord("x", 0, 0, 0))));
        EXPECT_TRUE(q.GetEntries().empty());
    }
}

TEST_F(PakReader, TruncatedDirectoryKeepsCompleteRecords) {
    std::string full = pack::BuildPak({{"a", "1"}, {"b", "2"}});
    // Header claims three records; two follow, then part of a third.
    std::string bytes = pack::PakHeader(3) + full.substr(8, 2 * 524) + std::string(100, 'x');
    CKesPackager p(1);
    StdoutCapture out;
    ASSERT_TRUE(p.Open(Write("t.pak", bytes)));
    EXPECT_EQ(Gbk("文件信息读取错误.\n"), out.Take());
    EXPECT_EQ(2u, p.GetEntries().size());
}

TEST_F(PakReader, LaterDuplicateReplacesEarlierAndDataMayLieAnywhere) {
    std::string one = pack::Deflate("first"), two = pack::Deflate("second \xFF\xFE");
    // Data blocks in reverse order with a gap, located only by their offsets.
    int32_t base = 8 + 3 * 524;
    std::string gap(37, '\x5A');
    std::string bytes =
        pack::PakHeader(3) +
        pack::PakRecord("dup", base + 37 + static_cast<int32_t>(two.size()), 5, static_cast<uint32_t>(one.size())) +
        pack::PakRecord("dup", base + 37, 9, static_cast<uint32_t>(two.size())) +
        pack::PakRecord("\xFF\xFE\xB1\xED", base + 37 + static_cast<int32_t>(two.size()), 5,
                        static_cast<uint32_t>(one.size())) +
        gap + two + one;
    CKesPackager p(1);
    StdoutCapture out;
    ASSERT_TRUE(p.Open(Write("d.pak", bytes)));
    EXPECT_EQ(2u, p.GetEntries().size());
    EXPECT_EQ("second \xFF\xFE", Data(p, "dup"));
    // Names with 0xFF bytes decipher like every other byte.
    EXPECT_EQ("first", Data(p, "\xFF\xFE\xB1\xED"));
}

TEST_F(PakReader, CloseIsIdempotentAndReadsAfterCloseGiveNull) {
    std::string path = Write("c.pak", pack::BuildPak({{"x", "data"}}));
    CKesPackager p(1);
    ASSERT_TRUE(p.Open(path));
    EXPECT_TRUE(p.IsOpen());
    p.Close();
    p.Close();
    EXPECT_FALSE(p.IsOpen());
    EXPECT_EQ("<null>", Data(p, "x"));
    EXPECT_FALSE(p.ExtractAllFiles(mDir.path()));
    StdoutCapture out;
    ASSERT_TRUE(p.Open(path));  // entries already held stay
    EXPECT_EQ("data", Data(p, "x"));
}

TEST_F(PakReader, InflateRoutinesFromTheStreamPosition) {
    std::string plain = Blob(50000, 7);
    std::string z = pack::Deflate(plain);
    std::string path = Write("z.bin", "pre" + z);
    FILE* f = std::fopen(path.c_str(), "rb");
    ASSERT_TRUE(f);
    std::vector<unsigned char> dest(plain.size());
    unsigned long produced = 0;

    std::fseek(f, 3, SEEK_SET);
    EXPECT_EQ(0, CKesPackager::InflateFileToMemory(f, dest.data(), z.size(), &produced, dest.size()));
    EXPECT_EQ(plain.size(), produced);
    EXPECT_EQ(plain, std::string(dest.begin(), dest.end()));

    // Too small a destination: nothing written past it, Z_DATA_ERROR.
    std::vector<unsigned char> small(1000 + 16, 0xAB);
    std::fseek(f, 3, SEEK_SET);
    EXPECT_EQ(Z_DATA_ERROR, CKesPackager::InflateFileToMemory(f, small.data(), z.size(), &produced, 1000));
    EXPECT_EQ(0xAB, small[1000]);

    // The compressed size ends before the stream does.
    std::fseek(f, 3, SEEK_SET);
    EXPECT_EQ(Z_DATA_ERROR, CKesPackager::InflateFileToMemory(f, dest.data(), z.size() / 2, &produced, dest.size()));

    // To a file, with and without enough room.
    FILE* out = std::tmpfile();
    std::fseek(f, 3, SEEK_SET);
    EXPECT_EQ(0, CKesPackager::InflateFileToFile(f, out, z.size(), &produced, plain.size()));
    EXPECT_EQ(plain.size(), produced);
    std::fseek(f, 3, SEEK_SET);
    EXPECT_EQ(Z_DATA_ERROR, CKesPackager::InflateFileToFile(f, out, z.size(), &produced, 100));
    std::fclose(out);
    std::fclose(f);
}

TEST_F(PakReader, ThreadsReadOneArchiveAtOnce) {
    std::vector<PakItem> items;
    for (int i = 0; i < 8; ++i) items.push_back({"e" + std::to_string(i), Blob(40000 + i * 1000, i + 1)});
    std::string path = Write("mt.pak", pack::BuildPak(items));
    CKesPackager p(1);
    ASSERT_TRUE(p.Open(path));
    StdoutCapture out;
    std::atomic<int> bad{0};
    std::vector<std::thread> threads;
    for (int t = 0; t < 4; ++t) {
        threads.emplace_back([&, t] {
            for (int k = 0; k < 40; ++k) {
                const PakItem& it = items[static_cast<size_t>((t + k) % 8)];
                unsigned long n = 0;
                unsigned char* d = p.GetFileData(it.name, &n);
                if (!d || std::string(reinterpret_cast<char*>(d), n) != it.data) ++bad;
                delete[] d;
            }
        });
    }
    for (auto& t : threads) t.join();
    EXPECT_EQ(0, bad.load());
}
