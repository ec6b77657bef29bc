#include <fcntl.h>
#include <gtest/gtest.h>
#include <sys/mman.h>
#include <sys/wait.h>
#include <unistd.h>

#include <thread>
#include <vector>

#include "platform/KesCharset.h"
#include "platform/KesClock.h"
#include "platform/KesSharedMemory.h"
#include "platform/KesWindow.h"

using namespace kest2d;

namespace {

class RecordingWnd : public KesWnd {
public:
    struct Seen {
        UINT msg;
        WPARAM wp;
        DWORD at;
    };
    std::vector<Seen> seen;
    int closeAfterTimers = -1;
    LRESULT WindowProc(UINT msg, WPARAM wp, LPARAM lp) override {
        seen.push_back(Seen{msg, wp, GetTickCount()});
        if (msg == WM_TIMER && closeAfterTimers >= 0 && --closeAfterTimers < 0) EndModalLoop(42);
        return KesWnd::WindowProc(msg, wp, lp);
    }
    int Count(UINT msg, WPARAM wp) const {
        int n = 0;
        for (const Seen& s : seen) n += (s.msg == msg && s.wp == wp);
        return n;
    }
};

class VirtualClock : public ::testing::Test {
protected:
    void SetUp() override { platform::UseVirtualClock(5000); }
    void TearDown() override { platform::UseRealClock(); }
};

RECT Rect(int w, int h) {
    RECT r;
    r.right = w;
    r.bottom = h;
    return r;
}

}  // namespace

TEST(Clock, TickNeverZeroAndWrapSafe) {
    EXPECT_NE(0u, GetTickCount());
    EXPECT_TRUE(TickReached(5u, 0xFFFFFFF0u));
    EXPECT_FALSE(TickReached(0xFFFFFFF0u, 5u));
}

TEST_F(VirtualClock, SleepAdvancesTheVirtualClock) {
    DWORD t = GetTickCount();
    Sleep(35);
    EXPECT_EQ(t + 35, GetTickCount());
}

TEST_F(VirtualClock, TimersFireWhenIdleWithoutCatchUp) {
    RecordingWnd w;
    ASSERT_TRUE(w.CreateEx(0, "t", WS_POPUP, Rect(100, 100), nullptr, 0));
    w.SetTimer(1, 1);    // raised to 10 ms
    w.SetTimer(2, 100);
    w.SetTimer(2, 50);   // replaces the first period
    platform::RunFor(205);
    EXPECT_NEAR(20, w.Count(WM_TIMER, 1), 1);
    EXPECT_EQ(4, w.Count(WM_TIMER, 2));
    // A stall: one tick afterwards, not the missed ones.
    platform::AdvanceClock(1000);
    w.seen.clear();
    platform::PumpMessages();
    EXPECT_EQ(1, w.Count(WM_TIMER, 1));
    EXPECT_EQ(1, w.Count(WM_TIMER, 2));
    EXPECT_TRUE(w.KillTimer(1));
    EXPECT_FALSE(w.KillTimer(1));
}

TEST_F(VirtualClock, PostedMessagesComeBeforeTimers) {
    RecordingWnd w;
    ASSERT_TRUE(w.CreateEx(0, "t", WS_POPUP, Rect(10, 10), nullptr, 0));
    w.SetTimer(7, 10);
    platform::AdvanceClock(20);
    w.PostMessage(WM_USER + 1);
    w.PostMessage(WM_USER + 2);
    platform::PumpMessages();
    ASSERT_GE(w.seen.size(), 3u);
    EXPECT_EQ(WM_USER + 1, w.seen[0].msg);
    EXPECT_EQ(WM_USER + 2, w.seen[1].msg);
    EXPECT_EQ(static_cast<UINT>(WM_TIMER), w.seen[2].msg);
}

TEST_F(VirtualClock, ModalLoopEndsWithItsCodeAndWorkerPostsArrive) {
    RecordingWnd w;
    ASSERT_TRUE(w.CreateEx(0, "t", WS_POPUP, Rect(10, 10), nullptr, 0));
    std::thread worker([&w] {
        for (int i = 0; i < 100; ++i) w.PostMessage(WM_USER, static_cast<WPARAM>(i));
    });
    worker.join();
    w.closeAfterTimers = 3;
    w.SetTimer(5, 10);
    EXPECT_EQ(42, w.RunModalLoop());
    int users = 0;
    for (auto& s : w.seen) users += s.msg == WM_USER;
    EXPECT_EQ(100, users);
}

TEST_F(VirtualClock, DestroyedWindowsLoseTimersAndMessages) {
    RecordingWnd w;
    ASSERT_TRUE(w.CreateEx(0, "t", WS_POPUP, Rect(10, 10), nullptr, 0));
    w.SetTimer(1, 10);
    w.PostMessage(WM_USER);
    EXPECT_TRUE(w.DestroyWindow());
    EXPECT_FALSE(w.IsWindow());
    EXPECT_FALSE(w.PostMessage(WM_USER));
    size_t before = w.seen.size();
    platform::RunFor(50);
    EXPECT_EQ(before, w.seen.size());
}

TEST(Window, GeometryShowAndEnable) {
    RecordingWnd owner, w;
    ASSERT_TRUE(w.CreateEx(0, "标题", WS_POPUP, Rect(200, 100), nullptr, 0));
    EXPECT_FALSE(w.IsWindowVisible());
    w.ShowWindow(SW_SHOW);
    EXPECT_TRUE(w.IsWindowVisible());
    w.SetWindowPos(nullptr, 30, 40, 0, 0, SWP_NOSIZE);
    RECT r;
    w.GetWindowRect(&r);
    EXPECT_EQ(30, r.left);
    EXPECT_EQ(140, r.bottom);
    w.GetClientRect(&r);
    EXPECT_EQ(200, r.right);
    EXPECT_FALSE(w.EnableWindow(false));
    EXPECT_TRUE(w.EnableWindow(true));
    w.ShowWindow(SW_MINIMIZE);
    EXPECT_TRUE(w.IsIconic());
    w.ShowWindow(SW_RESTORE);
    EXPECT_FALSE(w.IsIconic());
    int sizes = 0;
    for (auto& s : w.seen) sizes += s.msg == WM_SIZE;
    EXPECT_EQ(2, sizes);
}

TEST(Charset, GbkRoundTripsAndBadBytesAreSubstituted) {
    std::string utf8 = "Kest2d 中文";
    std::string gbk = platform::Utf8ToGbk(utf8);
    EXPECT_EQ(11u, gbk.size());
    EXPECT_EQ(utf8, platform::GbkToUtf8(gbk));
    std::u16string u = platform::GbkToUtf16(gbk);
    EXPECT_EQ(9u, u.size());
    EXPECT_EQ(u'中', u[7]);
    // A truncated lead byte at the end and a lead byte before ASCII.
    std::u16string bad = platform::GbkToUtf16(std::string("a\xD6") + "1\xD6", u'?');
    EXPECT_EQ(u"a?1?", bad);
    // Characters GBK cannot hold are dropped, not written as 4-byte GB18030.
    EXPECT_EQ("ab", platform::Utf8ToGbk("a\xF0\x9F\x98\x80" "b"));
}

TEST(Charset, UserDefinedAreasAreThePrivateUseCharactersOfCodePage936) {
    const struct {
        const char* gbk;
        char16_t code;
    } cases[] = {
        // AAA1-AFFE, 94 a row, from U+E000.
        {"\xAA\xA1", 0xE000}, {"\xAA\xFE", 0xE05D}, {"\xAB\xA1", 0xE05E}, {"\xAF\xFE", 0xE233},
        // F8A1-FEFE, 94 a row, from U+E234.
        {"\xF8\xA1", 0xE234}, {"\xF9\xA1", 0xE292}, {"\xFE\xFE", 0xE4C5},
        // A140-A7A0, 96 a row (no 7F), from U+E4C6.
        {"\xA1\x40", 0xE4C6}, {"\xA1\x7E", 0xE504}, {"\xA1\x80", 0xE505}, {"\xA1\xA0", 0xE525},
        {"\xA2\x40", 0xE526}, {"\xA7\xA0", 0xE765},
    };
    for (const auto& c : cases) {
        const std::string gbk = std::string("a") + c.gbk + "b";
        EXPECT_EQ((std::u16string{u'a', c.code, u'b'}), platform::GbkToUtf16(gbk)) << std::hex << static_cast<int>(c.code);
        const std::string utf8 = platform::GbkToUtf8(gbk);
        ASSERT_EQ(5u, utf8.size()) << std::hex << static_cast<int>(c.code);
        EXPECT_EQ(c.code, ((utf8[1] & 0x0F) << 12) | ((utf8[2] & 0x3F) << 6) | (utf8[3] & 0x3F)) << std::hex << static_cast<int>(c.code);
        EXPECT_EQ(gbk, platform::Utf8ToGbk(utf8)) << std::hex << static_cast<int>(c.code);
    }
    // Next to the areas: GBK's own characters, and pairs that stay invalid.
    EXPECT_EQ(u"\u3000", platform::GbkToUtf16("\xA1\xA1"));
    EXPECT_EQ(u"\u00B7", platform::GbkToUtf16("\xA1\xA4"));
    EXPECT_EQ(u"?\x7F", platform::GbkToUtf16("\xA1\x7F"));
    EXPECT_EQ("", platform::Utf8ToGbk("\xEE\x9D\xA6"));  // U+E766, past the areas
}

TEST(SharedMemory, TwoHandlesSeeTheSameBytes) {
    platform::KesSharedMemory a, b;
    ASSERT_TRUE(a.Create("KesShareMemory", 4096));
    ASSERT_TRUE(b.Create("KesShareMemory", 4096));
    char* pa = static_cast<char*>(a.MapView());
    char* pb = static_cast<char*>(b.MapView());
    ASSERT_TRUE(pa && pb);
    pa[100] = 'k';
    EXPECT_EQ('k', pb[100]);
    a.UnmapView(pa);
    b.UnmapView(pb);
}

namespace {

// The first byte of the block the name leads to, or -1 when the name is gone.
int FirstByteByName(const std::string& name) {
    const int fd = shm_open(name.c_str(), O_RDONLY, 0);
    if (fd < 0) return -1;
    unsigned char c = 0;
    const ssize_t n = pread(fd, &c, 1, 0);
    close(fd);
    return n == 1 ? c : -1;
}

}  // namespace

TEST(SharedMemory, TheNameStaysWhileAnyProcessUsesTheBlock) {
    for (bool firstLeavesFirst : {true, false}) {
        SCOPED_TRACE(firstLeavesFirst ? "the creator leaves first" : "the second user leaves first");
        platform::KesSharedMemory first;
        ASSERT_TRUE(first.Create("KesShareMemory", 4096));
        const std::string name = first.Name();
        int toChild[2], fromChild[2];
        ASSERT_EQ(0, pipe(toChild));
        ASSERT_EQ(0, pipe(fromChild));
        const pid_t pid = fork();
        ASSERT_GE(pid, 0);
        if (pid == 0) {
            dup2(toChild[0], 0);
            dup2(fromChild[1], 1);
            for (int fd : {toChild[0], toChild[1], fromChild[0], fromChild[1]}) close(fd);
            execl(KEST2D_SHM_USER, KEST2D_SHM_USER, static_cast<char*>(nullptr));
            _exit(127);
        }
        close(toChild[0]);
        close(fromChild[1]);
        char answer = 0;
        ASSERT_EQ(1, read(fromChild[0], &answer, 1));
        EXPECT_EQ('o', answer);
        if (firstLeavesFirst) {
            first.Close();
            EXPECT_EQ('k', FirstByteByName(name)) << "the second user's block is still reachable";
        }
        ASSERT_EQ(1, write(toChild[1], "c", 1));
        ASSERT_EQ(1, read(fromChild[0], &answer, 1));
        if (!firstLeavesFirst) {
            EXPECT_EQ('k', FirstByteByName(name)) << "the creator's block is still reachable";
            first.Close();
        }
        EXPECT_EQ(-1, FirstByteByName(name)) << "the last user removes the name";
        close(toChild[1]);
        int status = -1;
        ASSERT_EQ(pid, waitpid(pid, &status, 0));
        EXPECT_TRUE(WIFEXITED(status) && WEXITSTATUS(status) == 0) << status;
        close(fromChild[0]);
    }
}
