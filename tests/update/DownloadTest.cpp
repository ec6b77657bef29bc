// Downloads and the self-update against a loopback HTTP server.
#include <dirent.h>
#include <gtest/gtest.h>
#include <sys/stat.h>

#include <chrono>
#include <functional>
#include <thread>

#include "KesPackWriter.h"
#include "update/DownloadWait.h"
#include "update/LoopbackHttpServer.h"
#include "update/Kest2dDownloadSupport.h"
#include "gui/controls/Kest2dGUIImage.h"
#include "platform/KesFiles.h"
#include "platform/KesNetState.h"
#include "support/FrameFixture.h"

using namespace kest2d;
using namespace kest2d::test;

namespace {

// A frame that takes message 10004 itself and records the update events.
class UpdateFrame : public PlainFrame {
public:
    ~UpdateFrame() override { StopDownloads(); }
    bool PreTranslateMessage(MSG* msg) override {
        if (msg->message == KES_WM_DOWNLOAD_STATE) {
            OnProcessUpdateState();
            return true;
        }
        return PlainFrame::PreTranslateMessage(msg);
    }
    bool OnProcessEvent(const CKesEvent& event) override {
        if (event.mEventType == KESET_GAME_UPDATE_EVENT) events.push_back(event.mUpdateEvnet);
        return PlainFrame::OnProcessEvent(event);
    }
    bool Saw(int kind) const {
        for (const auto& e : events)
            if (e.EventType == kind) return true;
        return false;
    }
    int Count(int kind) const {
        int n = 0;
        for (const auto& e : events)
            if (e.EventType == kind) ++n;
        return n;
    }
    std::vector<CKesEvent::CKesUpdateEvent> events;
};

std::vector<std::string> ListFolder(const std::string& path) {
    std::vector<std::string> names;
    if (DIR* d = opendir(path.c_str())) {
        while (dirent* e = readdir(d)) {
            std::string n = e->d_name;
            if (n != "." && n != "..") names.push_back(n);
        }
        closedir(d);
    }
    return names;
}

bool HasTempFiles(const std::string& folder) {
    for (const std::string& n : ListFolder(folder))
        if (n.rfind("download.temp", 0) == 0) return true;
    return false;
}

class Download : public FrameFixture {
protected:
    // Downloads are made under the umask of most desktops.
    void SetUp() override {
        mUmask = umask(022);
        FrameFixture::SetUp();
    }
    void TearDown() override {
        FrameFixture::TearDown();
        umask(mUmask);
    }
    UpdateFrame* Start() {
        auto* f = StartFrame<UpdateFrame>();
        f->events.clear();
        return f;
    }
    bool UntilComplete(UpdateFrame* f, int completes = 1) {
        return PumpUntil([&] { return f->Count(KESGAME_UPDATE_COMPLETE) >= completes; });
    }
    void WriteUpdateIni(const std::string& version, const std::string& address) {
        WriteFile(GamePath("update.ini"), "[update]\r\nver=" + version + "\r\naddress=" + address + "\r\n");
    }
    std::string IniVersion() {
        char buf[64];
        platform::GetPrivateProfileString("update", "ver", "", buf, sizeof(buf), GamePath("update.ini"));
        return buf;
    }

    LoopbackHttpServer server;
    mode_t mUmask = 0;
};

}  // namespace

TEST_F(Download, SingleFileArrivesWithProgressAndTheEngineUserAgent) {
    ASSERT_NE(0, server.port());
    std::string body(300 * 1024, 'x');
    for (size_t i = 0; i < body.size(); ++i) body[i] = static_cast<char>('a' + i % 26);
    server.Ok("/files/big.bin", body);
    UpdateFrame* f = Start();

    EXPECT_TRUE(f->DownloadFile(server.url("/files/big.bin"), "ignored\\"));
    ASSERT_TRUE(UntilComplete(f));

    EXPECT_EQ(body, ReadFile(GamePath("big.bin")));
    // Its mode is what the umask leaves, as for every file the engine writes.
    EXPECT_EQ(0644, FileMode(GamePath("big.bin")));
    EXPECT_FALSE(PathExists(GamePath("ignored")));
    EXPECT_FALSE(HasTempFiles(mGame->path()));
    ASSERT_EQ(1u, server.requests().size());
    EXPECT_EQ("KEST2D", server.requests()[0].userAgent);

    EXPECT_FALSE(f->Saw(KESGAME_UPDATE_ERROR));
    EXPECT_EQ(KESGAME_UPDATE_COMPLETE, f->events.back().EventType);
    int lastProgress = -1;
    bool sawFileName = false;
    for (const auto& e : f->events) {
        if (e.EventType == KESGAME_UPDATE_PROCESS_VALUE) {
            EXPECT_GE(e.process, lastProgress);
            lastProgress = e.process;
        }
        if (e.EventType == KESGAME_UPDATE_PROCESS) sawFileName = std::string(e.filename) == "big.bin";
    }
    EXPECT_EQ(100, lastProgress);
    EXPECT_TRUE(sawFileName);
    EXPECT_EQ(UPDATE_COMPLETE, f->GetUpdateState());
    // The event handling cut the current file down to its name.
    EXPECT_EQ("big.bin", f->GetCurrentFile());

    // A file that is already there is not fetched again.
    f->events.clear();
    server.Ok("/other/big.bin", "changed");
    EXPECT_TRUE(f->DownloadFile(server.url("/other/big.bin"), ""));
    ASSERT_TRUE(UntilComplete(f));
    EXPECT_EQ(0, server.CountRequests("/other/big.bin"));
    EXPECT_EQ(body, ReadFile(GamePath("big.bin")));
}

TEST_F(Download, FailedTransfersAreTriedThreeTimesAndReportAnError) {
    server.Set("/drop.txt", {LoopbackHttpServer::Mode::Drop, 200, "never"});
    server.Set("/cut.txt", {LoopbackHttpServer::Mode::Truncated, 200, std::string(4000, 'c')});
    server.Set("/missing.txt", {LoopbackHttpServer::Mode::Status, 404, "<html>not here</html>"});
    // Redirects that lead to no file: none given, a scheme other than HTTP(S),
    // a 304, and a loop (followed a few hops, then given up).
    server.Redirect("/nowhere.txt", 302, "");
    server.Redirect("/ftp.txt", 302, "ftp://127.0.0.1/ftp.txt");
    server.Redirect("/local.txt", 301, "file:///etc/hostname");
    server.Redirect("/unchanged.txt", 304, "");
    server.Redirect("/loop.txt", 302, "/loop.txt");
    UpdateFrame* f = Start();

    const struct {
        const char* path;
        int requestsPerAttempt;
    } rows[] = {
        {"/drop.txt", 1}, {"/cut.txt", 1},   {"/missing.txt", 1},   {"/nowhere.txt", 1},
        {"/ftp.txt", 1},  {"/local.txt", 1}, {"/unchanged.txt", 1}, {"/loop.txt", 6},
    };
    int completes = 0;
    for (const auto& row : rows) {
        const char* path = row.path;
        SCOPED_TRACE(path);
        f->events.clear();
        ASSERT_TRUE(f->DownloadFile(server.url(path), ""));
        ASSERT_TRUE(UntilComplete(f));
        ++completes;
        EXPECT_EQ(3 * row.requestsPerAttempt, server.CountRequests(path));
        // The error is reported with the file's name, then the run completes.
        ASSERT_TRUE(f->Saw(KESGAME_UPDATE_ERROR));
        for (const auto& e : f->events) {
            if (e.EventType == KESGAME_UPDATE_ERROR) {
                EXPECT_EQ(std::string(path + 1), e.filename);
            }
        }
        EXPECT_EQ(KESGAME_UPDATE_COMPLETE, f->events.back().EventType);
        // Neither an error or redirect page nor half a file is taken for the file.
        EXPECT_FALSE(PathExists(GamePath(path + 1)));
        EXPECT_FALSE(HasTempFiles(mGame->path()));
    }
    EXPECT_EQ(8, completes);
    EXPECT_FALSE(PathExists(GamePath("hostname")));
}

TEST_F(Download, AMovedFileIsFetchedFromWhereItWentUnderItsOwnName) {
    const std::string body = "the file itself\r\n";
    server.Ok("/store/2/list.dat", body);
    // One hop to a path of the same server, and a chain of three to a full address.
    server.Redirect("/old/moved.dat", 302, "/store/2/list.dat");
    server.Redirect("/a/chain.dat", 301, server.url("/b/chain.dat"));
    server.Redirect("/b/chain.dat", 307, "/c/chain.dat");
    server.Redirect("/c/chain.dat", 308, server.url("/store/2/list.dat"));
    UpdateFrame* f = Start();

    for (const char* path : {"/old/moved.dat", "/a/chain.dat"}) {
        SCOPED_TRACE(path);
        f->events.clear();
        ASSERT_TRUE(f->DownloadFile(server.url(path), ""));
        ASSERT_TRUE(UntilComplete(f));
        EXPECT_EQ(1, server.CountRequests(path));
        EXPECT_EQ(body, ReadFile(GamePath(download::AfterLastSlash(path))));
        EXPECT_TRUE(f->Saw(KESGAME_UPDATE_PROCESS));
        EXPECT_FALSE(f->Saw(KESGAME_UPDATE_ERROR));
        EXPECT_EQ(KESGAME_UPDATE_COMPLETE, f->events.back().EventType);
        EXPECT_FALSE(HasTempFiles(mGame->path()));
    }
    EXPECT_FALSE(PathExists(GamePath("list.dat")));
    EXPECT_EQ(2, server.CountRequests("/store/2/list.dat"));
}

TEST_F(Download, AStalledTransferFailsAfterTheStallTimeAndIsTriedThreeTimes) {
    // The server sends the headers (and a byte), then nothing.
    server.Set("/stall.bin", {LoopbackHttpServer::Mode::Stall, 200, "s"});
    server.Set("/pics/stall.tga", {LoopbackHttpServer::Mode::Stall, 200, ""});
    struct Hooks {
        Hooks() {
            SetDownloadStallSeconds(1);
            platform::SetConnectedStateOverride(1);
        }
        ~Hooks() {
            SetDownloadStallSeconds(0);
            platform::SetConnectedStateOverride(-1);
        }
    } hooks;
    UpdateFrame* f = Start();

    // A single download: an error with the file's name, then COMPLETE.
    ASSERT_TRUE(f->DownloadFile(server.url("/stall.bin"), ""));
    ASSERT_TRUE(PumpUntil([&] { return f->Saw(KESGAME_UPDATE_COMPLETE); }, 60000));
    EXPECT_EQ(3, server.CountRequests("/stall.bin"));
    ASSERT_TRUE(f->Saw(KESGAME_UPDATE_ERROR));
    for (const auto& e : f->events) {
        if (e.EventType == KESGAME_UPDATE_ERROR) {
            EXPECT_STREQ("stall.bin", e.filename);
        }
    }
    EXPECT_EQ(KESGAME_UPDATE_COMPLETE, f->events.back().EventType);
    EXPECT_EQ(UPDATE_COMPLETE, f->GetUpdateState());
    EXPECT_FALSE(PathExists(GamePath("stall.bin")));
    EXPECT_FALSE(HasTempFiles(mGame->path()));

    // The image control's download ends the same way, and shows nothing.
    CKesGUIImage* img = f->AddImage(7, "pic", CKesRect<int>(0, 0, 40, 40), f);
    ASSERT_NE(nullptr, img);
    img->SetImagePath(server.url("/pics/stall.tga"));
    ASSERT_TRUE(img->IsImageDownloading());
    ASSERT_TRUE(PumpUntil([&] { return !img->IsImageDownloading(); }, 60000));
    EXPECT_EQ(3, server.CountRequests("/pics/stall.tga"));
    EXPECT_FALSE(PathExists(GamePath("download/stall.tga")));
    EXPECT_EQ(0u, img->GetBgImage());
    EXPECT_FALSE(HasTempFiles(GamePath("download")));
}

TEST_F(Download, TheSameAddressTwiceInARowIsRefused) {
    server.Ok("/a/note.txt", "note");
    UpdateFrame* f = Start();
    EXPECT_TRUE(f->DownloadSingleFile(server.url("/a/note.txt"), "sub\\dir\\"));
    EXPECT_EQ("note", ReadFile(GamePath("sub/dir/note.txt")));
    EXPECT_FALSE(f->DownloadSingleFile(server.url("/a/note.txt"), "sub\\dir\\"));
    EXPECT_NE(std::string::npos, ReadLog().find(Gbk("下载文件:" + server.url("/a/note.txt") + "重复!")));
    EXPECT_EQ(1, server.CountRequests("/a/note.txt"));
    EXPECT_FALSE(f->DownloadSingleFile("", ""));
}

TEST_F(Download, SelfUpdateFetchesANewerListAndWritesTheVersionBack) {
    server.Ok("/game/update.xml",
              "<?xml version=\"1.0\"?>\n<UPDATEVERSION ver=\"1.1\">\n"
              "  <UPDATEFILE path=\"" + server.url("/game/files/readme.txt") + "\"/>\n"
              "  <EXTRA path=\"" + server.url("/game/files/rules.txt") + "\"/>\n"
              "  <UPDATEFILE path=\"" + server.url("/game/files/data.pak") + "\"/>\n"
              "</UPDATEVERSION>\n");
    server.Ok("/game/files/readme.txt", "new readme\r\n");
    server.Ok("/game/files/rules.txt", "rules");
    server.Ok("/game/files/data.pak",
              pack::BuildPak({{"maps\\level1.txt", "level one\r\n"}, {"maps\\deep\\level2.txt", "two"}}));
    WriteUpdateIni("1.0", server.url("/game/update.xml"));
    UpdateFrame* f = Start();

    const std::string cwd = platform::CurrentDirectory();
    f->UpdateGame("update.ini");
    ASSERT_TRUE(UntilComplete(f));
    EXPECT_EQ(cwd, platform::CurrentDirectory());
    EXPECT_EQ("new readme\r\n", ReadFile(GamePath("readme.txt")));
    EXPECT_EQ("rules", ReadFile(GamePath("rules.txt")));
    EXPECT_FALSE(PathExists(GamePath("update.xml")));
    // An archive is unpacked from its temporary file and never kept as such.
    EXPECT_EQ(1, server.CountRequests("/game/files/data.pak"));
    EXPECT_EQ("level one\r\n", ReadFile(GamePath("maps/level1.txt")));
    EXPECT_EQ("two", ReadFile(GamePath("maps/deep/level2.txt")));
    for (const char* file : {"readme.txt", "rules.txt", "maps/level1.txt", "maps/deep/level2.txt"})
        EXPECT_EQ(0644, FileMode(GamePath(file))) << file;
    EXPECT_FALSE(PathExists(GamePath("data.pak")));
    EXPECT_FALSE(HasTempFiles(mGame->path()));
    EXPECT_EQ("1.1", IniVersion());
    EXPECT_FLOAT_EQ(1.1f, f->GetUpdateSet().version);
    EXPECT_TRUE(f->Saw(KESGAME_UPDATE_GET_LIST));
    EXPECT_TRUE(f->Saw(KESGAME_UPDATE_PROCESS));
    EXPECT_FALSE(f->Saw(KESGAME_UPDATE_ERROR));
    EXPECT_EQ(KESGAME_UPDATE_COMPLETE, f->events.back().EventType);
    for (const auto& r : server.requests()) EXPECT_EQ("KEST2D", r.userAgent);

    // The next start finds itself up to date: only the list is fetched.
    f->events.clear();
    f->UpdateGame("update.ini");
    ASSERT_TRUE(UntilComplete(f));
    EXPECT_EQ(2, server.CountRequests("/game/update.xml"));
    EXPECT_EQ(1, server.CountRequests("/game/files/readme.txt"));
    EXPECT_EQ(1, server.CountRequests("/game/files/rules.txt"));
    EXPECT_EQ("1.1", IniVersion());
    EXPECT_FALSE(f->Saw(KESGAME_UPDATE_ERROR));
}

TEST_F(Download, AnUpdateArchiveWithEscapingNamesWritesNothing) {
    server.Ok("/game/update.xml",
              "<?xml version=\"1.0\"?>\n<UPDATEVERSION ver=\"2\">\n"
              "  <UPDATEFILE path=\"" + server.url("/game/evil.pak") + "\"/>\n</UPDATEVERSION>\n");
    server.Ok("/game/evil.pak", pack::BuildPak({{"good.txt", "fine"}, {"..\\escaped.txt", "bad"}}));
    WriteUpdateIni("1.0", server.url("/game/update.xml"));
    UpdateFrame* f = Start();
    f->UpdateGame("update.ini");
    ASSERT_TRUE(UntilComplete(f));
    EXPECT_FALSE(PathExists(GamePath("../escaped.txt")));
    EXPECT_FALSE(PathExists(GamePath("good.txt")));  // the archive is refused whole
    EXPECT_FALSE(HasTempFiles(mGame->path()));
    EXPECT_NE(std::string::npos, ReadFile(GamePath("kest2d.log")).find(Gbk("解开更新包失败")));
}

TEST_F(Download, AVersionWithMoreDecimalsReadsBackTheSame) {
    server.Ok("/u.xml", "<UPDATEVERSION ver=\"2.35\"><UPDATEFILE path=\"" + server.url("/f/new.txt") +
                            "\"/></UPDATEVERSION>");
    server.Ok("/f/new.txt", "n");
    WriteUpdateIni("2.3", server.url("/u.xml"));
    UpdateFrame* f = Start();
    f->UpdateGame("update.ini");
    ASSERT_TRUE(UntilComplete(f));
    EXPECT_EQ("2.35", IniVersion());

    // An equal version fetches nothing and leaves the INI alone.
    WriteUpdateIni("2.35", server.url("/u.xml"));
    f->UpdateGame("update.ini");
    ASSERT_TRUE(UntilComplete(f, 2));
    EXPECT_EQ(1, server.CountRequests("/f/new.txt"));
}

TEST_F(Download, HostileListsWriteNothingOutsideTheGameFolder) {
    // The game folder sits inside a scratch folder of its own, so anything
    // that escapes it lands where the test can see it.
    TempDir outer;
    std::string game = outer.file("game");
    platform::MakeDirectories(game);
    ASSERT_EQ(0, chdir(game.c_str()));
    platform::SetCommandLine("-d$" + game);
    auto* f = new UpdateFrame();
    mFrame.reset(f);
    ASSERT_TRUE(f->Initialize("", CKesDimension2d<int>(800, 600)));

    server.EchoUnder("/");
    const std::string base = server.url("");
    std::string list = "<UPDATEVERSION ver=\"9\">"
                       "<UPDATEFILE path=\"" + base + "/x/..\\..\\evil1.txt\"/>"
                       "<F path=\"" + base + "/x/..\"/>"
                       "<F path=\"" + base + "/x/C:evil2.txt\"/>"
                       "<F path=\"" + base + "/x/\"/>"
                       "<F/>"
                       "<F path=\"\"/>"
                       "<F path=\"file:///etc/hostname\"/>"
                       "<F path=\"ftp://127.0.0.1/evil3.txt\"/>"
                       "<F path=\"" + base + "/x/..%2f..%2fevil4.txt\"/>"
                       "<F path=\"" + base + "/x/good.txt\"/>"
                       "</UPDATEVERSION>";
    server.Ok("/hostile.xml", list);
    WriteFile(game + "/update.ini", "[update]\nver=1.0\naddress=" + server.url("/hostile.xml") + "\n");
    f->UpdateGame("update.ini");
    ASSERT_TRUE(PumpUntil([&] { return f->Saw(KESGAME_UPDATE_COMPLETE); }));

    EXPECT_TRUE(f->Saw(KESGAME_UPDATE_ERROR));
    EXPECT_EQ("/x/good.txt", ReadFile(game + "/good.txt"));
    // The encoded name is only a strange name inside the folder.
    EXPECT_TRUE(PathExists(game + "/..%2f..%2fevil4.txt"));
    std::vector<std::string> outside = ListFolder(outer.path());
    EXPECT_EQ(std::vector<std::string>{"game"}, outside);
    EXPECT_FALSE(PathExists(outer.path() + "/../evil1.txt"));
    for (const std::string& n : ListFolder(game)) EXPECT_EQ(std::string::npos, n.find("evil1")) << n;
    EXPECT_FALSE(PathExists(game + "/C:evil2.txt"));
    EXPECT_FALSE(PathExists(game + "/hostname"));
    EXPECT_FALSE(PathExists(game + "/evil3.txt"));
    EXPECT_FALSE(HasTempFiles(game));
    // A run with refused files keeps the old version, so it is tried again.
    char buf[64];
    platform::GetPrivateProfileString("update", "ver", "", buf, sizeof(buf), game + "/update.ini");
    EXPECT_STREQ("1.0", buf);

    // Missing attributes: no version counts as 0 (nothing newer), entries
    // without a path are skipped; nothing crashes.
    f->events.clear();
    server.Ok("/hostile.xml", "<UPDATEVERSION><UPDATEFILE/><F path=\"" + base + "/y/c.txt\"/></UPDATEVERSION>");
    f->UpdateGame("update.ini");
    ASSERT_TRUE(PumpUntil([&] { return f->Saw(KESGAME_UPDATE_COMPLETE); }));
    EXPECT_EQ(0, server.CountRequests("/y/c.txt"));
    EXPECT_FALSE(f->Saw(KESGAME_UPDATE_ERROR));

    // Not XML at all: an error, and the list file is gone.
    f->events.clear();
    server.Ok("/hostile.xml", "\x01\x02 not xml <<<");
    f->UpdateGame("update.ini");
    ASSERT_TRUE(PumpUntil([&] { return f->Saw(KESGAME_UPDATE_COMPLETE); }));
    EXPECT_TRUE(f->Saw(KESGAME_UPDATE_ERROR));
    EXPECT_NE(std::string::npos, ReadLog().find(Gbk("导入游戏更新配置文件:hostile.xml失败。")));
    EXPECT_FALSE(HasTempFiles(game));

    // A huge list: only its first entries are read.
    f->events.clear();
    std::string huge = "<UPDATEVERSION ver=\"9\">";
    for (int i = 0; i < 3000; ++i) huge += "<UPDATEFILE path=\"" + base + "/h/" + std::to_string(i) + ".txt\"/>";
    huge += "</UPDATEVERSION>";
    server.Ok("/hostile.xml", huge);
    f->UpdateGame("update.ini");
    ASSERT_TRUE(PumpUntil([&] { return f->Saw(KESGAME_UPDATE_COMPLETE); }, 60000));
    int fetched = 0;
    for (const auto& r : server.requests())
        if (r.path.rfind("/h/", 0) == 0) ++fetched;
    EXPECT_EQ(256, fetched);
    EXPECT_TRUE(PathExists(game + "/255.txt"));
    EXPECT_FALSE(PathExists(game + "/256.txt"));
    EXPECT_EQ(std::vector<std::string>{"game"}, ListFolder(outer.path()));

    mFrame.reset();
    ASSERT_EQ(0, chdir(mGame->path().c_str()));
}

TEST_F(Download, AFrameGoingAwayEndsItsRunningDownload) {
    server.Set("/slow.bin", {LoopbackHttpServer::Mode::Trickle, 200, std::string(100000, 's')});
    UpdateFrame* f = Start();
    ASSERT_TRUE(f->DownloadFile(server.url("/slow.bin"), ""));
    ASSERT_TRUE(PumpUntil([&] { return server.CountRequests("/slow.bin") == 1; }));
    auto started = std::chrono::steady_clock::now();
    mFrame.reset();
    EXPECT_LT(std::chrono::steady_clock::now() - started, std::chrono::seconds(5));
    EXPECT_FALSE(PathExists(GamePath("slow.bin")));
    EXPECT_FALSE(HasTempFiles(mGame->path()));
}

TEST_F(Download, NoticesWithoutAWorkerAreHarmless) {
    UpdateFrame* f = Start();
    // Joining when nothing runs, and a 10004 nobody queued, do nothing bad.
    f->JoinDownloadWorker();
    f->JoinDownloadWorker();
    f->SetUpdateState(UPDATE_ERROR);
    f->SetUpdateState(UPDATE_ERROR);
    f->PostMessage(KES_WM_DOWNLOAD_STATE);
    platform::PumpMessages();
    ASSERT_EQ(2u, f->events.size());
    EXPECT_EQ(KESGAME_UPDATE_ERROR, f->events[0].EventType);
    EXPECT_EQ(KESGAME_UPDATE_ERROR, f->events[1].EventType);
    f->UpdateGame("");
    EXPECT_FALSE(f->DownloadFile("", ""));
    EXPECT_EQ(2u, f->events.size());
}
