#include <gtest/gtest.h>

#include "net/NetSupport.h"
#include "platform/KesNetState.h"
#include "support/FrameFixture.h"
#include "video/OggTheoraWriter.h"

using namespace kest2d;
using namespace kest2d::test;

namespace {

class ClosingFrame : public CKesBaseFrame {
public:
    explicit ClosingFrame(KesWnd* parent = nullptr) : CKesBaseFrame(parent) {}
    void OnProcessGameTimer(unsigned int id) override {
        timers.push_back(id);
        if (id == 77) CloseGameFrame(7);
    }
    std::vector<unsigned> timers;
};

class FrameLifecycle : public FrameFixture {};

size_t Count(const std::string& haystack, const std::string& needle) {
    size_t n = 0;
    for (size_t at = haystack.find(needle); at != std::string::npos; at = haystack.find(needle, at + 1)) ++n;
    return n;
}

}  // namespace

TEST_F(FrameLifecycle, DefaultsWithoutAnIniFile) {
    CKesBaseFrame* f = StartFrame<PlainFrame>();
    EXPECT_EQ(Gbk("Kest2d独立游戏创造平台"), f->GetWindowText());
    RECT r;
    f->GetWindowRect(&r);
    EXPECT_EQ(800, r.right - r.left);
    EXPECT_EQ(600, r.bottom - r.top);
    EXPECT_TRUE(f->IsWindowed());
    EXPECT_EQ(f, CKesBaseFrame::getSingletonPtr());
    EXPECT_EQ(f, f->GetDriver());
    EXPECT_TRUE(f->HasTimer(KES_TIMER_FRAME));
    EXPECT_TRUE(f->HasTimer(KES_TIMER_LOG_EXPORT));
    EXPECT_EQ(UPDATE_COMPLETE, f->GetUpdateState());
}

TEST_F(FrameLifecycle, IniSizeWinsForTheWindowAndTheArgumentForTheGui) {
    WriteFile(GamePath("systemini.ini"),
              Gbk("[systemini]\r\nscreenwidth=1024\r\nscreenheight=700\r\ncaption=我的游戏\r\niswindows=0\r\n"));
    OfferFullScreenMode(CKesDimension2d<int>(640, 480));
    CKesBaseFrame* f = StartFrame<PlainFrame>("", CKesDimension2d<int>(640, 480));
    RECT r;
    f->GetWindowRect(&r);
    EXPECT_EQ(1024, r.right - r.left);
    EXPECT_EQ(700, r.bottom - r.top);
    EXPECT_EQ(CKesRect<int>(0, 0, 640, 480), f->GetAbsoluteRect());
    EXPECT_EQ(Gbk("我的游戏"), f->GetWindowText());
    EXPECT_FALSE(f->IsWindowed());
}

TEST_F(FrameLifecycle, GarbageSizesInTheIniGiveTheDefaults) {
    WriteFile(GamePath("systemini.ini"), "[systemini]\nscreenwidth=abc\nscreenheight=-5\n");
    CKesBaseFrame* f = StartFrame<PlainFrame>();
    RECT r;
    f->GetWindowRect(&r);
    EXPECT_EQ(800, r.right - r.left);
    EXPECT_EQ(600, r.bottom - r.top);
}

TEST_F(FrameLifecycle, CloseGameFrameEndsDoModalWithItsCodeAndEnablesTheParent) {
    KesWnd parent;
    RECT pr;
    pr.right = 50;
    pr.bottom = 50;
    ASSERT_TRUE(parent.CreateEx(0, "parent", WS_POPUP, pr, nullptr, 0));
    platform::SetCommandLine("-d$" + mGame->path());
    auto* f = new ClosingFrame(&parent);
    mFrame.reset(f);
    ASSERT_TRUE(f->Initialize("", CKesDimension2d<int>(800, 600)));
    f->StartGameTimer(77, 100);
    EXPECT_EQ(7, f->DoModal());
    EXPECT_FALSE(f->IsWindow());
    EXPECT_TRUE(parent.IsWindowEnabled());
    EXPECT_EQ(std::vector<unsigned>{77}, f->timers);
}

TEST_F(FrameLifecycle, EngineTimerIdsAreRefused) {
    auto* f = StartFrame<ClosingFrame>();
    f->StopGameTimer(KES_TIMER_FRAME);
    f->StartGameTimer(KES_TIMER_LOG_EXPORT, 5);
    EXPECT_TRUE(f->HasTimer(KES_TIMER_FRAME));
    f->StartGameTimer(5, 100);
    f->StartGameTimer(5, 20);
    platform::RunFor(210);
    int fives = 0, engine = 0;
    for (unsigned id : f->timers) {
        fives += id == 5;
        engine += id >= 10000;
    }
    EXPECT_EQ(10, fives);
    EXPECT_EQ(0, engine);
    EXPECT_NE(std::string::npos, ReadFile(GamePath("kest2d.log")).find(Gbk("属于引擎保留")));
}

TEST_F(FrameLifecycle, DitherEndsWhereItBeganAndSleeps735Ms) {
    CKesBaseFrame* f = StartFrame<PlainFrame>();
    RECT before, after;
    f->GetWindowRect(&before);
    DWORD t0 = GetTickCount();
    f->DitherMainFrame();
    EXPECT_EQ(735u, GetTickCount() - t0);
    f->GetWindowRect(&after);
    EXPECT_EQ(before.left, after.left);
    EXPECT_EQ(before.top, after.top);
}

TEST_F(FrameLifecycle, AFullScreenStartWithoutAModeOfThatSizeOpensAWindow) {
    WriteFile(GamePath("systemini.ini"), "[systemini]\niswindows=0\n");
    OfferFullScreenMode(CKesDimension2d<int>(1024, 768));
    CKesBaseFrame* f = StartFrame<PlainFrame>();
    EXPECT_TRUE(f->IsWindowed());
    EXPECT_TRUE(f->GetRenderDevice()->GetParams().windowed);
    EXPECT_NE(std::string::npos, ReadLog().find(Gbk("不能找到正确的全屏格式。")));
}

TEST_F(FrameLifecycle, DitherDoesNothingInFullScreen) {
    WriteFile(GamePath("systemini.ini"), "[systemini]\niswindows=0\n");
    OfferFullScreenMode();
    CKesBaseFrame* f = StartFrame<PlainFrame>();
    DWORD t0 = GetTickCount();
    f->DitherMainFrame();
    EXPECT_EQ(t0, GetTickCount());
}

TEST_F(FrameLifecycle, SingletonIsClearedOnlyByItsOwnFrame) {
    auto* first = new PlainFrame();
    auto* second = new PlainFrame();
    EXPECT_EQ(second, CKesBaseFrame::getSingletonPtr());
    delete first;
    EXPECT_EQ(second, CKesBaseFrame::getSingletonPtr());
    delete second;
    EXPECT_EQ(nullptr, CKesBaseFrame::getSingletonPtr());
}

TEST_F(FrameLifecycle, MinimiseShowsTheWindowIconic) {
    CKesBaseFrame* f = StartFrame<PlainFrame>();
    f->MinGameFrame();
    EXPECT_TRUE(f->IsIconic());
}

// The frame's end closes the script state first, and Lua runs the script's
// finalisers there. What they call of the frame then either works on a frame
// that is still whole (and goes with the rest of it afterwards) or, for what
// would outlive the end (a download, the update), is refused with a log line.
// Each row's finaliser runs in a real frame that is then destroyed: the
// process must go on (no abort, no sanitizer report) and the log tell what
// each call did.
TEST_F(FrameLifecycle, FinalisersAtTheFramesEndCallTheFrameSafely) {
    const std::string prelude = R"(
F = kest2d.CKesBaseFrame:getSingleton()
ROOT = F.__CKesBaseGUIContainer__
function R(w, h) return kest2d.CKesRect_int_(0, 0, w, h) end
function said(...)
    local t = {}
    for i = 1, select('#', ...) do t[i] = tostring((select(i, ...))) end
    F:SystemLog(kest2d.WARN, "at close: " .. table.concat(t, " "))
end
F:SystemLog(kest2d.WARN, "main script ran")
function LoadGameResources() F:SystemLog(kest2d.WARN, "resources loaded") end
function OnProcessGameEvent() F:SystemLog(kest2d.WARN, "a callback ran") end
KEPT_BUTTON = ROOT:AddButton(900, "kept", R(10, 10))
KEPT_IMAGE = ROOT:AddImage(901, "image", R(10, 10))
AT_CLOSE = newproxy(true)
)";
    struct Row {
        const char* what;
        std::string body;                 // the finaliser's
        std::vector<std::string> logged;  // UTF-8, each at least once
        std::vector<std::string> absent = {};  // UTF-8, never
        bool logFileClosed = false;       // the lines go to standard error
        bool server = false;              // the script connects to a server first
    } rows[] = {
        {"a download", "said(F:DownloadFile('http://127.0.0.1:1/x.png', 'x.png'))",
         {"游戏正在关闭, 不再开始下载:http://127.0.0.1:1/x.png", "at close: false"}},
        {"the update", "F:UpdateGame('update.ini'); said('update')",
         {"游戏正在关闭, 不再开始下载:update.ini", "at close: update"}, {"开始下载文件列表"}},
        {"the image control's downloads",
         "KEPT_IMAGE:SetImagePath('http://127.0.0.1:1/Kept.gif')\n"
         "ROOT:AddImage(902, 'late', R(10, 10)):SetImagePath('http://127.0.0.1:1/late.gif'); said('images')",
         {"不再开始下载:http://127.0.0.1:1/kept.gif", "不再开始下载:http://127.0.0.1:1/late.gif",
          "at close: images"}},
        {"music and effects",
         "F:MusicPlay('music.ogg', true); F:EffectPlay('effect.ogg'); F:MusicSetVolume(50)\n"
         "said(F:SoundIsPlaying('music.ogg'), F:MusicGetVolume()); F:SoundPause('music.ogg'); F:SoundStopAll()",
         {"at close: true 50"}},
        {"game timers", "F:StartGameTimer(5, 10); F:StartGameTimer(6, 1); F:StopGameTimer(5); said('timers')",
         {"at close: timers"}},
        {"the connection: a last message reaches the server",
         "local m = kest2d.CKesMessageOut(77); m:writeLong(5); said(F:Send(m)); F:CloseConnect()\n"
         "said(F:Connect('127.0.0.1', 1))",
         {"at close: 6"}, {}, false, true},
        {"textures and the screenshot",
         "F:Snapshot('shot.png'); local shot = F:LoadTexture('shot.png')\n"
         "said(F:GetTextureWidth(shot), F:GetTextureWidth(F:CreateTexture('made', 8, 4)))",
         {"at close: 800 8"}},
        {"fonts", "said(F:LoadFont('DefaultFont', 21, '') ~= nil, F:LoadFont('Missing', 12, 'none.ttf') == nil)",
         {"at close: true true"}},
        {"layouts",
         "said(F:LoadGUIConfig('main.xml'), ROOT:FindControlById(905) ~= nil, pcall(function() return KEPT_BUTTON:GetCaption() end))\n"
         "F:ShowGUIContainer(70, 'none.xml'); said(ROOT:AddButton(903, 'late', R(5, 5)):GetID())",
         {"at close: true true false", "at close: 903"}},
        {"the GUI tree is whole", "KEPT_BUTTON:SetCaption('late'); said(KEPT_BUTTON:GetCaption())",
         {"at close: late"}},
        {"resources and archives",
         "local block, size = F:LoadResource('update.ini'); F:AddPackager('none.pak'); said(block ~= nil, size)",
         {"at close: true 53"}},
        {"INI files", "F:Ini_SetFile('game.ini'); F:Ini_SetInt('player', 'score', 42)\n"
         "said(F:Ini_GetInt('player', 'score', 0))",
         {"at close: 42"}},
        {"the log", "F:SystemLog(kest2d.ERRORR, 'error at close'); kest2d.CKesLogger:output('logger at close', kest2d.WARN)",
         {"error at close", "logger at close"}},
        {"the log without its file", "said(F:DownloadFile('http://127.0.0.1:1/y.png'))",
         {"不再开始下载:http://127.0.0.1:1/y.png", "at close: false"}, {}, true},
        {"closing, shaking and minimising the window",
         "F:CloseGameFrame(3); F:DitherMainFrame(); F:MinGameFrame(); F:SwitchScreenAndWindow(); said('closed')",
         {"at close: closed"}},
        {"no script runs while the state closes",
         "F:ChangePlayerWorkingDir(F:GetWorkingDirection())\n"
         "local e = kest2d.CKesEvent(); e.mEventType = kest2d.KESET_USER_EVENT; said(ROOT:OnProcessEvent(e))",
         {"at close: true"}, {"a callback ran"}},
        {"video", "local v = ROOT:AddVideoBox(904, 'video', R(32, 24)); v:LoadVideo('clip.ogv', true)\n"
         "said(v:GetVideoPath())",
         {"at close: clip.ogv"}},
        {"an error", "said('before'); error('raised at close')", {"at close: before"}},
    };
    ClipSettings sound;
    sound.withVideo = false;
    sound.audioRate = 44100;
    sound.audioSeconds = 2.0;
    WriteFile(GamePath("music.ogg"), MakeOggTheora(sound));
    WriteFile(GamePath("effect.ogg"), MakeOggTheora(sound));
    WriteFile(GamePath("clip.ogv"), MakeOggTheora(SolidClip({{200, 30, 30}})));
    WriteFile(GamePath("update.ini"), "[update]\nver=1.0\naddress=http://127.0.0.1:1/list.xml\n");
    WriteFile(GamePath("main.xml"),
              "<KestControl Type=\"Container\" Name=\"main___\"><Propertys><Property Name=\"Width\" Value=\"800\"/>"
              "<Property Name=\"Height\" Value=\"600\"/><Property Name=\"IsWindow\" Value=\"1\"/></Propertys><Childrens><KestControl Type=\"Button\" "
              "Name=\"ok___\"><Propertys><Property Name=\"Id\" Value=\"905\"/></Propertys></KestControl>"
              "</Childrens></KestControl>");
    platform::SetConnectedStateOverride(1);
    for (const Row& row : rows) {
        LoopbackListener server;
        std::string script = prelude;
        if (row.server) script += "F:Connect('127.0.0.1', " + std::to_string(server.port()) + ")\n";
        script += "getmetatable(AT_CLOSE).__gc = function()\n" + row.body + "\nend\n";
        WriteFile(GamePath("scripts/gamelogic.lua"), script);
        StartFrame<PlainFrame>();
        const int peer = row.server ? server.Accept() : -1;
        if (row.logFileClosed) {
            CKesLogger::closeLogFile();
            testing::internal::CaptureStderr();
        }
        mFrame.reset();
        const std::string log = row.logFileClosed ? testing::internal::GetCapturedStderr() : ReadLog();
        for (const std::string& line : row.logged)
            EXPECT_NE(std::string::npos, log.find(Gbk(line))) << row.what << ": " << line << "\n" << log;
        for (const std::string& line : row.absent)
            EXPECT_EQ(std::string::npos, log.find(Gbk(line))) << row.what << ": " << line << "\n" << log;
        if (!row.logFileClosed) {
            // The main script and the resource callback ran at the start only.
            EXPECT_EQ(1u, Count(log, Gbk("main script ran"))) << row.what;
            EXPECT_EQ(1u, Count(log, Gbk("resources loaded"))) << row.what;
        }
        if (row.server) {
            CKesMessageOut last(77);
            last.writeLong(5);
            EXPECT_EQ(Bytes(last), ServerDecipher(RecvExact(peer, last.getLength()))) << row.what;
            EXPECT_TRUE(WaitForEnd(peer)) << row.what;
            ::close(peer);
        }
    }
    platform::SetConnectedStateOverride(-1);
    EXPECT_TRUE(PathExists(GamePath("shot.png")));
    EXPECT_NE(std::string::npos, ReadFile(GamePath("game.ini")).find("score=42"));
}

TEST(FrameDeathTest, GetSingletonWithoutAFrameFailsItsAssertion) {
    EXPECT_DEATH(CKesBaseFrame::getSingleton(), "m_Singleton");
}
