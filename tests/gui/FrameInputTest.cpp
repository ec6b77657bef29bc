// The running game window, headless: window messages (posted directly, or
// made by the input layer from injected backer events) reach the GUI tree.
#include <SDL.h>
#include <gtest/gtest.h>

#include <cstring>
#include <utility>

#include "gui/GuiTestSupport.h"
#include "platform/KesInput.h"
#include "support/FrameFixture.h"

using namespace kest2d;
using namespace kest2d::test;

namespace {

typedef CKesRect<int> R;
typedef std::vector<std::string> Log;

class InputFrame : public CKesBaseFrame {
public:
    InputFrame() : CKesBaseFrame(nullptr) {}
    bool PreTranslateMessage(MSG* msg) override {
        messages.emplace_back(msg->message, msg->wParam);
        return CKesBaseFrame::PreTranslateMessage(msg);
    }
    bool OnProcessEvent(const CKesEvent& ev) override {
        events.push_back(Describe(ev));
        raw.push_back(ev);
        return CKesBaseFrame::OnProcessEvent(ev);
    }
    bool Saw(UINT message) const {
        for (const auto& m : messages)
            if (m.first == message) return true;
        return false;
    }
    std::vector<std::pair<UINT, WPARAM>> messages;
    Log events;
    std::vector<CKesEvent> raw;
};

class FrameInput : public FrameFixture {
protected:
    void SetUp() override {
        FrameFixture::SetUp();
        platform::ResetKeyboardState();
    }
    InputFrame* Start(const std::string& ini = "") {
        if (!ini.empty()) WriteFile(GamePath("systemini.ini"), ini);
        f = StartFrame<InputFrame>();
        platform::PumpMessages();
        f->messages.clear();
        f->events.clear();
        f->raw.clear();
        return f;
    }
    void Post(UINT msg, WPARAM wp, LPARAM lp) {
        f->PostMessage(msg, wp, lp);
        platform::PumpMessages();
    }
    Uint32 WindowId() const { return SDL_GetWindowID(static_cast<SDL_Window*>(platform::NativeWindow(f))); }
    void Push(SDL_Event e) {
        ASSERT_EQ(1, SDL_PushEvent(&e));
        platform::PumpMessages();
    }
    // A button as the backer reports it, at `time` (its milliseconds; a
    // pushed event would be stamped with the time of the push).
    void PushButton(bool down, int x, int y, Uint32 time = 0, Uint8 button = SDL_BUTTON_LEFT) {
        SDL_Event e{};
        e.type = down ? SDL_MOUSEBUTTONDOWN : SDL_MOUSEBUTTONUP;
        e.button.timestamp = time;
        e.button.windowID = WindowId();
        e.button.button = button;
        e.button.state = down ? SDL_PRESSED : SDL_RELEASED;
        e.button.x = x;
        e.button.y = y;
        platform::TranslateBackerEvent(&e);
        platform::PumpMessages();
    }
    void PushMotion(int x, int y) {
        SDL_Event e{};
        e.type = SDL_MOUSEMOTION;
        e.motion.windowID = WindowId();
        e.motion.x = x;
        e.motion.y = y;
        Push(e);
    }
    void PushKey(bool down, SDL_Scancode sc, Uint16 mod = KMOD_NONE) {
        SDL_Event e{};
        e.type = down ? SDL_KEYDOWN : SDL_KEYUP;
        e.key.windowID = WindowId();
        e.key.state = down ? SDL_PRESSED : SDL_RELEASED;
        e.key.keysym.scancode = sc;
        e.key.keysym.mod = mod;
        Push(e);
    }
    void PushText(const char* utf8) {
        SDL_Event e{};
        e.type = SDL_TEXTINPUT;
        e.text.windowID = WindowId();
        std::strncpy(e.text.text, utf8, sizeof(e.text.text) - 1);
        Push(e);
    }
    void PushWindowEvent(Uint8 kind) {
        SDL_Event e{};
        e.type = SDL_WINDOWEVENT;
        e.window.windowID = WindowId();
        e.window.event = kind;
        Push(e);
    }
    InputFrame* f = nullptr;
};

}  // namespace

TEST_F(FrameInput, MouseMessagesReachAnElementInsideAContainerOfTheFrame) {
    Start();
    Log log;
    CKesBaseGUIContainer* box = f->AddContainer(50, "box", R(100, 100, 300, 300), nullptr, true);
    auto* rec = new Recorder(box, 51, R(10, 10, 60, 60), KESGUI_BUTTON, &log);
    Post(WM_MOUSEMOVE, 0, MAKELPARAM(120, 120));
    Post(WM_LBUTTONDOWN, MK_LBUTTON, MAKELPARAM(120, 130));
    Post(WM_LBUTTONUP, 0, MAKELPARAM(121, 131));
    Post(WM_RBUTTONDOWN, MK_RBUTTON, MAKELPARAM(125, 125));
    Post(WM_RBUTTONDBLCLK, MK_RBUTTON, MAKELPARAM(125, 125));  // no event
    Post(WM_MBUTTONUP, 0, MAKELPARAM(125, 125));
    EXPECT_EQ((Log{"51:move@120,120", "51:press@120,130", "51:release@121,131", "51:rpress@125,125",
                   "51:mrelease@125,125"}),
              log);
    EXPECT_TRUE(rec->GetFocus());
    EXPECT_EQ(rec, f->GetFocusedElement());
}

TEST_F(FrameInput, APressOnACloseButtonHidesItsContainer) {
    Start();
    CKesBaseGUIContainer* box = f->AddContainer(50, "box", R(100, 100, 300, 300), nullptr, true);
    auto* close = new Recorder(box, 10004, R(180, 0, 200, 20));
    close->clickOnPress = true;
    Post(WM_MOUSEMOVE, 0, MAKELPARAM(290, 110));
    Post(WM_LBUTTONDOWN, MK_LBUTTON, MAKELPARAM(290, 110));
    EXPECT_FALSE(box->isVisible());
    EXPECT_EQ((Log{"gui5"}), f->events);  // the click still reaches the frame
}

TEST_F(FrameInput, TheTopThirtyRowsOfAWindowedFrameDragIt) {
    Start();
    Post(WM_LBUTTONDOWN, MK_LBUTTON, MAKELPARAM(5, 29));
    EXPECT_TRUE(f->Saw(WM_NCLBUTTONDOWN));
    EXPECT_EQ((Log{"press@5,29"}), f->events);  // the press also reached the GUI
    f->messages.clear();
    f->events.clear();
    Post(WM_LBUTTONDOWN, MK_LBUTTON, MAKELPARAM(5, 30));
    Post(WM_LBUTTONDOWN, MK_LBUTTON, MAKELPARAM(800, 10));  // right edge excluded
    Post(WM_LBUTTONDOWN, MK_LBUTTON, MAKELPARAM(-1, 10));
    Post(WM_RBUTTONDOWN, MK_RBUTTON, MAKELPARAM(5, 5));
    EXPECT_FALSE(f->Saw(WM_NCLBUTTONDOWN));
    EXPECT_EQ((Log{"press@5,30", "press@800,10", "press@-1,10", "rpress@5,5"}), f->events);
}

TEST_F(FrameInput, AFullScreenFrameIsNotDragged) {
    OfferFullScreenMode();
    Start("[systemini]\r\niswindows=0\r\n");
    ASSERT_FALSE(f->IsWindowed());
    Post(WM_LBUTTONDOWN, MK_LBUTTON, MAKELPARAM(5, 10));
    EXPECT_FALSE(f->Saw(WM_NCLBUTTONDOWN));
    EXPECT_EQ((Log{"press@5,10"}), f->events);
}

TEST_F(FrameInput, WheelNotchesAndSignedCoordinates) {
    Start();
    Post(WM_MOUSEWHEEL, MAKEWPARAM(0, -240), MAKELPARAM(1300, 700));
    Post(WM_MOUSEWHEEL, MAKEWPARAM(0, 60), MAKELPARAM(1300, 700));
    Post(WM_MOUSEWHEEL, MAKEWPARAM(0, 120), MAKELPARAM(-20, 700));
    ASSERT_EQ(3u, f->raw.size());
    EXPECT_EQ(-2.0f, f->raw[0].mMouseEvent.Wheel);
    EXPECT_EQ(1300, f->raw[0].mMouseEvent.X);  // screen coordinates, unchanged
    EXPECT_EQ(0.0f, f->raw[1].mMouseEvent.Wheel);
    EXPECT_EQ(1.0f, f->raw[2].mMouseEvent.Wheel);
    EXPECT_EQ(-20, f->raw[2].mMouseEvent.X);
    Post(WM_MOUSEMOVE, 0, MAKELPARAM(-5, -7));
    EXPECT_EQ("move@-5,-7", f->events.back());
    EXPECT_EQ(0.0f, f->raw.back().mMouseEvent.Wheel);
}

TEST_F(FrameInput, TypingALetterGivesKeyThenImeThenKeyUp) {
    Start();
    PushKey(true, SDL_SCANCODE_A);
    PushText("a");
    PushKey(false, SDL_SCANCODE_A);
    EXPECT_EQ((Log{"key65", "ime:a", "keyup65"}), f->events);
    ASSERT_EQ(3u, f->raw.size());
    EXPECT_EQ('a', f->raw[0].mKeyEvent.Char);
    EXPECT_FALSE(f->raw[0].mKeyEvent.isShift);
    EXPECT_EQ(KESIME_IME_ENGLISH, f->raw[1].mImeEvent.EventType);
    EXPECT_EQ(nullptr, f->GetImeString());  // cleared after the event
    std::vector<UINT> order;
    for (const auto& m : f->messages) order.push_back(m.first);
    EXPECT_EQ((std::vector<UINT>{WM_KEYDOWN, WM_CHAR, WM_KEYUP}), order);
}

TEST_F(FrameInput, ShiftCapsLockAndControlFollowAUsLayout) {
    Start();
    PushKey(true, SDL_SCANCODE_LSHIFT, KMOD_LSHIFT);
    PushKey(true, SDL_SCANCODE_A, KMOD_LSHIFT);
    PushKey(true, SDL_SCANCODE_1, KMOD_LSHIFT);
    PushKey(false, SDL_SCANCODE_LSHIFT);
    PushKey(true, SDL_SCANCODE_A, KMOD_CAPS);
    PushKey(true, SDL_SCANCODE_LCTRL, KMOD_LCTRL);
    PushKey(true, SDL_SCANCODE_C, KMOD_LCTRL);
    PushKey(false, SDL_SCANCODE_LCTRL);
    PushKey(true, SDL_SCANCODE_RETURN);
    ASSERT_EQ(9u, f->raw.size());
    EXPECT_EQ(int(VK_SHIFT), f->raw[0].mKeyEvent.Key);
    EXPECT_EQ('A', f->raw[1].mKeyEvent.Char);
    EXPECT_TRUE(f->raw[1].mKeyEvent.isShift);
    EXPECT_EQ('!', f->raw[2].mKeyEvent.Char);
    EXPECT_EQ('A', f->raw[4].mKeyEvent.Char);  // Caps Lock
    EXPECT_FALSE(f->raw[4].mKeyEvent.isShift);
    EXPECT_EQ(3, f->raw[6].mKeyEvent.Char);  // Ctrl+C
    EXPECT_TRUE(f->raw[6].mKeyEvent.isControl);
    EXPECT_EQ(int(VK_RETURN), f->raw[8].mKeyEvent.Key);
    EXPECT_EQ(13, f->raw[8].mKeyEvent.Char);
    // Control characters are character messages but never IME text.
    std::vector<WPARAM> chars;
    for (const auto& m : f->messages)
        if (m.first == WM_CHAR) chars.push_back(m.second);
    EXPECT_EQ((std::vector<WPARAM>{3, 13}), chars);
    for (const CKesEvent& ev : f->raw) EXPECT_EQ(KESET_KEY_INPUT_EVENT, ev.mEventType);

    WORD ch = 0;
    BYTE state[256] = {0};
    state[VK_SHIFT] = 0x80;
    EXPECT_EQ(1, platform::ToAscii(VK_OEM_7, 0, state, &ch, 0));
    EXPECT_EQ('"', ch);
    state[VK_CAPITAL] = 1;  // Shift with Caps Lock gives lower case
    EXPECT_EQ(1, platform::ToAscii('Q', 0, state, &ch, 0));
    EXPECT_EQ('q', ch);
    EXPECT_EQ(0, platform::ToAscii(VK_F1, 0, state, &ch, 0));
}

TEST_F(FrameInput, InputMethodTextArrivesAsGbk) {
    Start();
    PushText("你好");
    PushText("a😀");  // what GBK cannot hold is dropped
    PushText("😀");
    PushText("ok");
    EXPECT_EQ((Log{"ime-cn:" + Gbk("你好"), "ime:a", "ime-cn:ok"}), f->events);
    EXPECT_EQ(nullptr, f->GetImeString());

    // A composition that would overflow the IME string is dropped whole.
    f->events.clear();
    platform::PostImeResult(f->GetSafeHwnd(), std::string(1022, 'x'));
    platform::PostImeResult(f->GetSafeHwnd(), std::string(1021, 'y'));
    platform::PumpMessages();
    ASSERT_EQ(1u, f->raw.size() - 3);
    EXPECT_EQ(std::string(1021, 'y'), f->raw.back().mImeEvent.inputStr);

    // Characters below 32 and bytes of double-byte text never enter it.
    f->events.clear();
    Post(WM_CHAR, 8, 0);
    Post(WM_CHAR, 0xB0, 0);
    EXPECT_TRUE(f->events.empty());
    f->OnChar('x');
    f->OnChar('y');
    EXPECT_STREQ("xy", f->GetImeString());
    f->ClearImeString();
    EXPECT_EQ(nullptr, f->GetImeString());
}

TEST_F(FrameInput, TheCandidateListShowsTheCurrentPage) {
    Start();
    Post(WM_IME_NOTIFY, IMN_OPENCANDIDATE, 0);
    EXPECT_STREQ("", f->GetCandidateString());  // the backer gives none
    platform::SetImeCandidates(f->GetSafeHwnd(), {Gbk("你"), Gbk("尼"), Gbk("泥"), Gbk("逆")}, 1, 2);
    Post(WM_IME_NOTIFY, IMN_CHANGECANDIDATE, 0);
    EXPECT_EQ(Gbk("1.尼2.泥"), f->GetCandidateString());
    Post(WM_IME_NOTIFY, IMN_CLOSECANDIDATE, 0);
    EXPECT_STREQ("", f->GetCandidateString());
    platform::SetImeCandidates(f->GetSafeHwnd(), {}, 0, 0);
}

TEST_F(FrameInput, LeavingTheWindowResetsTheCurrentContainer) {
    Start();
    CKesBaseGUIContainer* box = f->AddContainer(50, "box", R(100, 100, 300, 300), nullptr, true);
    PushWindowEvent(SDL_WINDOWEVENT_LEAVE);  // not tracked yet: nothing
    EXPECT_FALSE(f->Saw(WM_MOUSELEAVE));
    PushMotion(150, 150);
    Post(WM_LBUTTONDOWN, MK_LBUTTON, MAKELPARAM(150, 150));
    ASSERT_EQ(box, f->GetCurrentElement());
    ASSERT_TRUE(box->GetMousePress());
    PushWindowEvent(SDL_WINDOWEVENT_LEAVE);
    EXPECT_TRUE(f->Saw(WM_MOUSELEAVE));
    EXPECT_FALSE(box->GetMousePress());
    EXPECT_EQ(static_cast<CKesBaseGUIElement*>(f), f->GetCurrentElement());
}

TEST_F(FrameInput, MinimiseAndRestoreBecomeSystemCommands) {
    Start();
    f->ShowWindow(SW_SHOW);
    PushWindowEvent(SDL_WINDOWEVENT_MINIMIZED);
    EXPECT_TRUE(f->IsIconic());
    PushWindowEvent(SDL_WINDOWEVENT_RESTORED);
    EXPECT_FALSE(f->IsIconic());
    std::vector<WPARAM> commands;
    for (const auto& m : f->messages)
        if (m.first == WM_SYSCOMMAND) commands.push_back(m.second);
    EXPECT_EQ((std::vector<WPARAM>{SC_MINIMIZE, SC_RESTORE}), commands);
    EXPECT_TRUE(f->events.empty());
}

TEST_F(FrameInput, BackerMouseInputBecomesMouseMessages) {
    Start();
    RECT rc;
    f->GetWindowRect(&rc);
    PushMotion(200, 300);
    PushButton(true, 200, 300);
    PushButton(false, 200, 300);
    SDL_Event wheel{};
    wheel.type = SDL_MOUSEWHEEL;
    wheel.wheel.windowID = WindowId();
    wheel.wheel.y = -2;
    wheel.wheel.mouseX = 200;
    wheel.wheel.mouseY = 300;
    Push(wheel);
    EXPECT_EQ((Log{"move@200,300", "press@200,300", "release@200,300",
                   "wheel@" + std::to_string(rc.left + 200) + "," + std::to_string(rc.top + 300)}),
              f->events);
    EXPECT_EQ(-2.0f, f->raw.back().mMouseEvent.Wheel);
}

// Windows' double click: the second press of a button within 500 ms and
// inside the 4 x 4 box centred on the first one, on the screen.
TEST_F(FrameInput, ADoubleClickIsTwoPressesCloseInTimeAndPlace) {
    Start();
    RECT rc;
    struct Press {
        int x, y;
        Uint32 time;
        Uint8 button;
        int moveWindow;  // pixels the window moves right before the press
        const char* event;
    };
    const Uint8 L = SDL_BUTTON_LEFT, R = SDL_BUTTON_RIGHT;
    const Press presses[] = {
        {200, 300, 1000, L, 0, "press@200,300"}, {200, 300, 1200, L, 0, "dbl@200,300"},
        {200, 300, 1300, L, 0, "press@200,300"},  // a pair is over: the next press starts one
        {201, 301, 1400, L, 0, "dbl@201,301"},    {220, 300, 1500, L, 0, "press@220,300"},  // 20 px away
        {222, 300, 1600, L, 0, "press@222,300"},  // the box's right edge is outside
        {222, 300, 2101, L, 0, "press@222,300"},  // 501 ms later
        {220, 298, 2200, L, 0, "dbl@220,298"},    {100, 100, 3000, L, 0, "press@100,100"},
        {100, 100, 3100, R, 0, "rpress@100,100"},  // another button ends the pair
        {100, 100, 3200, L, 0, "press@100,100"},  {300, 300, 4000, L, 0, "press@300,300"},
        {300, 300, 4100, L, 10, "press@300,300"},  // the same client point, 10 px away on the screen
        {290, 300, 4200, L, 10, "dbl@290,300"},    // the same screen point
    };
    Log expected;
    for (const Press& p : presses) {
        if (p.moveWindow) {
            f->GetWindowRect(&rc);
            f->SetWindowPos(nullptr, rc.left + p.moveWindow, rc.top, 0, 0, SWP_NOSIZE | SWP_NOZORDER);
        }
        PushButton(true, p.x, p.y, p.time, p.button);
        PushButton(false, p.x, p.y, p.time + 20, p.button);
        expected.push_back(p.event);
        expected.push_back(p.button == L ? "release@" + std::to_string(p.x) + "," + std::to_string(p.y)
                                         : "rrelease@" + std::to_string(p.x) + "," + std::to_string(p.y));
    }
    EXPECT_EQ(expected, f->events);
}

TEST_F(FrameInput, APressInTheDragZoneMovesTheWindowWithTheMouse) {
    Start();
    RECT before;
    f->GetWindowRect(&before);
    PushMotion(10, 10);
    PushButton(true, 10, 10);
    EXPECT_TRUE(platform::IsCaptionDragging());
    f->events.clear();
    PushMotion(30, 25);  // the window follows; the GUI sees nothing
    RECT after;
    f->GetWindowRect(&after);
    EXPECT_EQ(before.left + 20, after.left);
    EXPECT_EQ(before.top + 15, after.top);
    PushButton(false, 10, 10);
    EXPECT_FALSE(platform::IsCaptionDragging());
    EXPECT_TRUE(f->events.empty());
    PushMotion(40, 40);
    EXPECT_EQ((Log{"move@40,40"}), f->events);
}

TEST_F(FrameInput, ShowGUIContainerCreatesOnceAndPlaces) {
    Start();
    f->ShowGUIContainer(70, nullptr, SANPSTYLE_CENTER, true);
    EXPECT_EQ(nullptr, f->FindControlById(70));
    f->ShowGUIContainer(70, "ui\\dialog.xml", SANPSTYLE_CENTER, true);
    auto* c = dynamic_cast<CKesBaseGUIContainer*>(f->FindControlById(70));
    ASSERT_NE(nullptr, c);
    EXPECT_EQ(Gbk("包容器70"), c->GetCaption());
    EXPECT_EQ(f, c->GetParent());
    EXPECT_TRUE(c->isVisible());
    EXPECT_EQ(static_cast<CKesBaseGUIElement*>(c), f->GetCurrentElement());
    EXPECT_EQ(CKesPosition2d<int>(400, 300), c->GetAbsoluteRect().UpperLeftCorner);
    const size_t children = f->GetChildrens().size();
    f->ShowGUIContainer(70, "ui\\dialog.xml", CKesPosition2d<int>(10, 20), false);
    EXPECT_EQ(children, f->GetChildrens().size());
    EXPECT_FALSE(c->isVisible());
    EXPECT_EQ(CKesPosition2d<int>(10, 20), c->GetAbsoluteRect().UpperLeftCorner);
    EXPECT_EQ(static_cast<CKesBaseGUIElement*>(f), f->GetCurrentElement());
}

TEST_F(FrameInput, AModalContainerWithABackgroundDrawsThroughTheFrame) {
    Start();
    CKesBaseGUIContainer* box = f->AddContainer(50, "box", R(100, 100, 300, 300), nullptr, true);
    box->SetModal(true);
    box->SetBgImage(f->CreateTexture("BoxBg", 16, 16));
    std::vector<int> drawn;
    auto* rec = new Recorder(box, 51, R(0, 0, 10, 10));
    rec->drawLog = &drawn;
    f->Draw();
    EXPECT_EQ((std::vector<int>{51}), drawn);
}
