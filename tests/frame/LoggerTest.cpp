#include <gtest/gtest.h>

#include <cstring>

#include "support/FrameFixture.h"

using namespace kest2d;
using namespace kest2d::test;

namespace {
class Logger : public FrameFixture {};
}

TEST_F(Logger, LineFormatAndThreshold) {
    CKesLogger::setLogFile("own.log");
    std::string line = CKesLogger::output("hello", INFO);
    // "[hh:mm:ss] [信息] hello\n"
    ASSERT_EQ(11u + Gbk("[信息] hello\n").size(), line.size()) << line;
    EXPECT_EQ('[', line[0]);
    EXPECT_EQ(':', line[3]);
    EXPECT_EQ(':', line[6]);
    EXPECT_EQ("] ", line.substr(9, 2));
    EXPECT_EQ(Gbk("[信息] hello\n"), line.substr(11));
    EXPECT_EQ("", CKesLogger::output("hidden", DEBUGG));
    EXPECT_NE("", CKesLogger::output("w", WARN));
    EXPECT_NE("", CKesLogger::output("e", ERRORR));
    EXPECT_NE("", CKesLogger::output("f", FATAL));
    // Any level above the threshold is dropped; one that a threshold raised
    // past DEBUGG lets through takes the last tag.
    EXPECT_EQ("", CKesLogger::output("far", static_cast<Level>(1000)));
    CKesLogger::setThreshold(static_cast<Level>(2000));
    EXPECT_NE(std::string::npos, CKesLogger::output("far", static_cast<Level>(1000)).find(Gbk("[调试] far")));
    CKesLogger::setThreshold(INFO);
    std::string file = ReadFile(GamePath("own.log"));
    EXPECT_EQ(file.substr(0, line.size()), line);
    EXPECT_EQ(std::string::npos, file.find("hidden"));
    EXPECT_NE(std::string::npos, file.find(Gbk("[致命] f")));
    CKesLogger::closeLogFile();
}

TEST_F(Logger, UnopenableFileThrowsTheDocumentedText) {
    try {
        CKesLogger::setLogFile(GamePath("missing/dir/x.log"));
        FAIL() << "no throw";
    } catch (const std::ios_base::failure& e) {
        EXPECT_EQ("unable to open " + GamePath("missing/dir/x.log") + "for writing", std::string(e.what()));
    }
}

TEST_F(Logger, WithoutAFileWarningsGoToStderrAndInfoToStdout) {
    CKesLogger::closeLogFile();
    testing::internal::CaptureStderr();
    testing::internal::CaptureStdout();
    CKesLogger::output("to-err", WARN);
    CKesLogger::output("to-out", INFO);
    std::string err = testing::internal::GetCapturedStderr();
    std::string out = testing::internal::GetCapturedStdout();
    EXPECT_NE(std::string::npos, err.find("to-err"));
    EXPECT_EQ(std::string::npos, err.find("to-out"));
    EXPECT_NE(std::string::npos, out.find("to-out"));
}

TEST_F(Logger, PendingLinesAreExportedInBatchesOf500) {
    CKesBaseFrame* f = StartFrame<PlainFrame>();
    size_t already = f->GetPendingLogs().size();
    for (int i = 0; i < 750; ++i) f->SystemLog(INFO, "line " + std::to_string(i));
    EXPECT_EQ(already + 750, f->GetPendingLogs().size());
    platform::KesSharedMemory reader;
    ASSERT_TRUE(reader.Create("KesShareMemory", KES_SHARE_SIZE));
    char* view = static_cast<char*>(reader.MapView());
    ASSERT_NE(nullptr, view);
    int32_t count = 0;
    std::memset(view, 0, 4);
    f->ExportPendingLogs();
    std::memcpy(&count, view, 4);
    EXPECT_EQ(500, count);
    // Without the reader taking the batch nothing more is written.
    f->ExportPendingLogs();
    EXPECT_EQ(already + 250, f->GetPendingLogs().size());
    int32_t minusOne = -1;  // a reader may mark the block empty with -1
    std::memcpy(view, &minusOne, 4);
    f->ExportPendingLogs();
    std::memcpy(&count, view, 4);
    EXPECT_EQ(static_cast<int32_t>(already + 250), count);
    EXPECT_NE(nullptr, std::strstr(view + 4 + 5000 * (count - 1), "line 749"));
    reader.UnmapView(view);
}

TEST_F(Logger, LongLinesAreNotQueuedAndDebugLinesNeverAre) {
    CKesBaseFrame* f = StartFrame<PlainFrame>();
    size_t base = f->GetPendingLogs().size();
    std::string prefix = CKesLogger::output("", INFO);  // "[hh:mm:ss] [tag] \n"
    size_t overhead = prefix.size();
    f->SystemLog(INFO, std::string(4999 - overhead, 'a'));
    EXPECT_EQ(base + 1, f->GetPendingLogs().size());
    EXPECT_EQ(4999u, f->GetPendingLogs().back().size());
    f->SystemLog(INFO, std::string(5000 - overhead, 'b'));
    f->SystemLog(DEBUGG, "debug");
    EXPECT_EQ(base + 1, f->GetPendingLogs().size());
}

TEST_F(Logger, PendingListIsCapped) {
    CKesBaseFrame* f = StartFrame<PlainFrame>();
    for (unsigned i = 0; i < KES_PENDING_LOG_CAP + 10; ++i) f->SystemLog(INFO, "x");
    EXPECT_EQ(static_cast<size_t>(KES_PENDING_LOG_CAP), f->GetPendingLogs().size());
}
