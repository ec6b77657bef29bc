// Buttons and the conventions every control shares: the four-state strip, the
// alpha hit test, the events raised to the parent, the thumb record and the
// double-byte text rules.
#include "controls/ControlsFixture.h"
#include "gui/controls/Kest2dGUIButton.h"

using namespace kest2d;
using namespace kest2d::test;

namespace {

typedef std::vector<std::string> Log;

// The state strip with the left five columns of every picture fully
// transparent.
uint32_t Strip(int x, int y) { return x % 20 < 5 ? 0x00FFFFFFu : StateStrip(x, y); }

class ButtonTest : public ControlsFixture {
protected:
    // Buttons 1 (at 100,100) and 2 (at 200,100), both with the strip; `more`
    // adds to button 1.
    CKesGUIButton* StartWithButtons(Props more = {}) {
        WriteFile(GamePath("img/strip.tga"), Tga(80, 20, Strip));
        Props one = At(1, 100, 100, 20, 20, {{"background", "img\\strip.tga"}});
        for (const auto& m : more) one[m.first] = m.second;
        Start(Control("Button", "one", one) +
              Control("Button", "two", At(2, 200, 100, 20, 20, {{"background", "img\\strip.tga"}})));
        return Find<CKesGUIButton>(1);
    }
};

TEST_F(ButtonTest, EachStateDrawsItsQuarterOfTheStrip) {
    CKesGUIButton* b = StartWithButtons();
    ASSERT_NE(nullptr, b);
    EXPECT_EQ(KESGUI_BUTTON, static_cast<CKesBaseGUIElement*>(b)->GetType());
    const std::pair<ButtonState, DWORD> states[] = {
        {STATE_NORMAL, kNormal}, {STATE_DOWND, kPressed}, {STATE_HOVERED, kHovered}, {STATE_DISABLED, kDisabled}};
    for (const auto& s : states) {
        b->SetState(s.first);
        DrawGui();
        EXPECT_EQ(s.second, Px(110, 110)) << s.first;
        EXPECT_EQ(0xFF000000u, Px(102, 110)) << s.first;  // the transparent columns
    }
    b->SetState(STATE_NULL);
    DrawGui();
    EXPECT_EQ(0xFF000000u, Px(110, 110));
    // Disabling shows the fourth picture; enabling returns to the first.
    b->SetEnabled(false);
    EXPECT_EQ(STATE_DISABLED, b->GetState());
    DrawGui();
    EXPECT_EQ(kDisabled, Px(110, 110));
    b->SetEnabled(true);
    EXPECT_EQ(STATE_NORMAL, b->GetState());
}

TEST_F(ButtonTest, HoverPressAndReleaseAreReportedToTheParent) {
    CKesGUIButton* b = StartWithButtons();
    MoveMouse(110, 110);
    EXPECT_EQ(STATE_HOVERED, b->GetState());
    PressMouse(110, 110);
    EXPECT_EQ(STATE_DOWND, b->GetState());
    EXPECT_TRUE(b->IsSelected());
    ReleaseMouse(110, 110);
    EXPECT_EQ(STATE_NORMAL, b->GetState());
    EXPECT_EQ((Log{"gui2", "gui5", "gui3"}), f->events);
    ASSERT_EQ(3u, f->raw.size());
    EXPECT_EQ(b, f->raw[1].mGuiEvent.Caller);
    EXPECT_EQ(nullptr, f->raw[1].mGuiEvent.Element);

    // Moving onto the other button: the first loses the focus.
    f->events.clear();
    MoveMouse(210, 110);
    EXPECT_EQ(STATE_NORMAL, b->GetState());
    EXPECT_EQ(STATE_HOVERED, Find<CKesGUIButton>(2)->GetState());
    EXPECT_EQ((Log{"gui3", "gui2"}), f->events);
}

TEST_F(ButtonTest, APressOnATransparentPixelIsNoClick) {
    CKesGUIButton* b = StartWithButtons();
    PressMouse(103, 110);
    MoveMouse(104, 105);
    EXPECT_TRUE(f->events.empty());
    EXPECT_EQ(STATE_NORMAL, b->GetState());
    CKesEvent press = Press(103, 110);
    EXPECT_FALSE(b->OnProcessEvent(press));
    // The right and bottom edges belong to the button (its texels beyond the
    // picture read as opaque).
    PressMouse(120, 120);
    EXPECT_EQ((Log{"gui5"}), f->events);
}

TEST_F(ButtonTest, AButtonWithoutAnImageIsRedAndNeverReacts) {
    Start(Control("Button", "bare", At(1, 100, 100, 20, 20)));
    CKesGUIButton* b = Find<CKesGUIButton>(1);
    DrawGui();
    EXPECT_EQ(0xFFFF0000u, Px(110, 110));
    PressMouse(110, 110);
    MoveMouse(111, 111);
    EXPECT_TRUE(f->events.empty());
    EXPECT_EQ(STATE_NORMAL, b->GetState());
    // Plain colours of the other states.
    const std::pair<ButtonState, DWORD> states[] = {
        {STATE_DOWND, 0xFF9B9B00u}, {STATE_HOVERED, 0xFFFF00FFu}, {STATE_DISABLED, 0xFF9B00FFu}};
    for (const auto& s : states) {
        b->SetState(s.first);
        DrawGui();
        EXPECT_EQ(s.second, Px(110, 110)) << s.first;
    }
}

TEST_F(ButtonTest, AToggleKeepsItsSelection) {
    CKesGUIButton* b = StartWithButtons({{"ButtonType", "1"}});
    EXPECT_EQ(BUTTONTYPE_TOGGLE, b->GetType());
    PressMouse(110, 110);
    ReleaseMouse(110, 110);
    MoveMouse(111, 111);
    EXPECT_EQ(STATE_DOWND, b->GetState());
    EXPECT_EQ((Log{"gui5"}), f->events);  // no release, no hover while selected
    MoveMouse(210, 110);                   // focus moves on: no reset
    EXPECT_EQ(STATE_DOWND, b->GetState());
    b->SetSelected(false);
    EXPECT_EQ(STATE_NORMAL, b->GetState());
    EXPECT_FALSE(b->IsSelected());
    b->SetSelected(true);
    EXPECT_EQ(STATE_DOWND, b->GetState());

    // A push button ignores SetSelected.
    CKesGUIButton* push = Find<CKesGUIButton>(2);
    push->SetSelected(true);
    EXPECT_FALSE(push->IsSelected());
    EXPECT_EQ(STATE_HOVERED, push->GetState());
}

TEST_F(ButtonTest, OtherTypesStayPressedOnRelease) {
    CKesGUIButton* b = StartWithButtons({{"ButtonType", "7"}});
    PressMouse(110, 110);
    ReleaseMouse(110, 110);
    EXPECT_EQ(STATE_DOWND, b->GetState());
    MoveMouse(111, 111);
    EXPECT_EQ(STATE_HOVERED, b->GetState());
    EXPECT_EQ((Log{"gui5", "gui2"}), f->events);
}

TEST_F(ButtonTest, ADisabledButtonFromTheLayoutIgnoresEverything) {
    CKesGUIButton* b = StartWithButtons({{"Enable", "0"}, {"Text", "Go___"}});
    EXPECT_FALSE(b->IsEnabled());
    EXPECT_EQ(STATE_DISABLED, b->GetState());
    EXPECT_EQ("Go", b->GetText());
    // The router passes it by: the frame itself gets the mouse.
    PressMouse(110, 110);
    MoveMouse(111, 111);
    EXPECT_EQ((Log{"press@110,110", "move@111,111"}), f->events);
    EXPECT_EQ(STATE_DISABLED, b->GetState());
    EXPECT_FALSE(b->OnProcessEvent(Press(110, 110)));
    EXPECT_FALSE(b->OnProcessEvent(Key(65, true)));
    f->events.clear();
    // Losing the focus keeps it disabled (and still reports it).
    b->OnProcessLostFocusEvent(CKesEvent{});
    EXPECT_EQ(STATE_DISABLED, b->GetState());
    EXPECT_EQ((Log{"gui3"}), f->events);
    f->events.clear();
    // An enabled button whose state is disabled ignores events too.
    CKesGUIButton* two = Find<CKesGUIButton>(2);
    two->SetState(STATE_DISABLED);
    EXPECT_FALSE(two->OnProcessEvent(Press(210, 110)));
    EXPECT_TRUE(f->events.empty()) << ::testing::PrintToString(f->events);
}

TEST_F(ButtonTest, TheCaptionIsDrawnInBlackOverThePicture) {
    CKesGUIButton* b = StartWithButtons();
    b->SetAbsoluteRect(CKesRect<int>(100, 100, 180, 130));
    DrawGui();
    const CKesRect<int> inside(125, 100, 180, 130);  // right of the transparent columns
    EXPECT_EQ(0, Ink(inside, kNormal));
    b->SetText("OK");
    DrawGui();
    int dark = 0;
    for (int y = 100; y < 130; ++y)
        for (int x = 125; x < 180; ++x)
            if ((Px(x, y) & 0xFF0000u) < 0x800000u) ++dark;
    EXPECT_GT(dark, 5);
}

TEST_F(ButtonTest, FactoriesDefaultsAndButtonsWithoutAParent) {
    StartWithButtons();
    CKesGUIButton* b = Find<CKesGUIButton>(1);
    EXPECT_EQ(b, f->AddButton(1, "again", CKesRect<int>(0, 0, 5, 5), nullptr));
    EXPECT_EQ("one", b->GetCaption());
    CKesGUIButton* made = f->AddButton(0, "new", CKesRect<int>(10, 300, 30, 320), nullptr);
    EXPECT_NE(b, made);
    EXPECT_EQ("new", made->GetCaption());
    EXPECT_EQ(f, made->GetParent());
    EXPECT_EQ(CKesRect<int>(10, 300, 30, 320), made->GetAbsoluteRect());

    CKesGUIButton plain;
    EXPECT_EQ(KESGUI_COUNT, static_cast<CKesBaseGUIElement&>(plain).GetType());
    EXPECT_EQ(nullptr, plain.GetDriver());
    plain.Draw();
    EXPECT_FALSE(plain.OnProcessEvent(Press(0, 0)));

    // No parent: the click raises nothing and reports success.
    CKesGUIButton orphan(f, nullptr, 9, "orphan", CKesRect<int>(400, 400, 420, 420));
    orphan.SetBgImage(b->GetBgImage());
    EXPECT_TRUE(orphan.OnProcessEvent(Press(410, 410)));
    EXPECT_EQ(STATE_DOWND, orphan.GetState());
    orphan.OnProcessLostFocusEvent(CKesEvent{});
    EXPECT_EQ(STATE_NORMAL, orphan.GetState());
    EXPECT_TRUE(f->events.empty());
}

TEST_F(ButtonTest, AClickHandlerMayDeleteTheButton) {
    CKesGUIButton* b = StartWithButtons();
    const CKesGUIElementRef ref = b->GetRef();
    f->onEvent = [this](const CKesEvent& ev) {
        if (ev.mEventType == KESET_GUI_EVENT && ev.mGuiEvent.EventType == KESGET_BUTTON_CLICKED)
            delete ev.mGuiEvent.Caller;
        return true;
    };
    PressMouse(110, 110);
    EXPECT_FALSE(ref);
    // The frame is current again: the release reaches it.
    ReleaseMouse(110, 110);
    MoveMouse(210, 110);
    EXPECT_EQ((Log{"gui5", "release@110,110", "gui2"}), f->events);
}

// ---- Shared conventions ----

TEST(ThumbTest, PressMoveAndEverythingElse) {
    KESThumb t;
    EXPECT_EQ(0, t.State);
    EXPECT_EQ(0u, t.Texture);
    t.Rect = CKesRect<int>(10, 20, 30, 60);
    ThumbProcessMouse(t, Press(15, 25), true);
    EXPECT_EQ(1, t.State);
    EXPECT_EQ(5, t.GrabOffset);
    ThumbProcessMouse(t, Release(15, 25), true);
    EXPECT_EQ(0, t.State);
    ThumbProcessMouse(t, MoveTo(30, 60), false);  // edges included
    EXPECT_EQ(2, t.State);
    ThumbProcessMouse(t, Key(65, true), false);  // not a mouse event: ignored
    EXPECT_EQ(2, t.State);
    ThumbProcessMouse(t, MoveTo(31, 60), false);
    EXPECT_EQ(0, t.State);
    ThumbProcessMouse(t, Press(12, 59), false);
    EXPECT_EQ(2, t.GrabOffset);
    ThumbProcessMouse(t, Mouse(KESMIE_RMOUSE_PRESSED_DOWN, 12, 59), false);
    EXPECT_EQ(0, t.State);
}

TEST_F(ButtonTest, AThumbDrawsThePictureOfItsState) {
    CKesGUIButton* b = StartWithButtons();
    KESThumb t;
    t.Rect = CKesRect<int>(300, 300, 320, 320);
    t.Texture = b->GetBgImage();
    t.State = 2;
    f->Clear(CKesColor(0xFF000000u));
    ASSERT_TRUE(f->BeginScene());
    DrawThumb(f, t);
    t.State = 4;  // beyond the strip: nothing
    t.Rect = CKesRect<int>(400, 300, 420, 320);
    DrawThumb(f, t);
    DrawThumb(nullptr, t);
    f->EndScene();
    EXPECT_EQ(kHovered, Px(310, 310));
    EXPECT_EQ(0xFF000000u, Px(410, 310));
}

TEST(DoubleByteText, CharactersKeepTheirTwoBytes) {
    EXPECT_EQ(1, gbk::CharCount("\xB0" "A"));
    EXPECT_EQ(2, gbk::CharCount("A\xB0"));  // a lone lead byte at the end
    const std::string text = Gbk("a中b文");
    EXPECT_EQ(4, gbk::CharCount(text));
    EXPECT_EQ(0, gbk::ByteOffset(text, 0));
    EXPECT_EQ(3, gbk::ByteOffset(text, 2));
    EXPECT_EQ(6, gbk::ByteOffset(text, 4));
    EXPECT_EQ(6, gbk::ByteOffset(text, 5));  // walking stops at the end
    EXPECT_EQ(0, gbk::ByteOffset(text, 7));  // beyond the byte length
    EXPECT_EQ(0, gbk::ByteOffset(text, -1));
    EXPECT_EQ(2, gbk::CharCountOfBytes(text, 2));  // a cut pair counts whole
    EXPECT_EQ(Gbk("中b"), gbk::SubString(text, 1, 2));
    EXPECT_EQ(Gbk("文"), gbk::SubString(text, 3, 9));
    EXPECT_EQ("", gbk::SubString(text, 9, 1));
    EXPECT_EQ("", gbk::SubString("", 0, 1));
    EXPECT_EQ("ab", gbk::WholeCharacters("ab\xB0"));
    EXPECT_EQ(text, gbk::WholeCharacters(text));
}

}  // namespace
