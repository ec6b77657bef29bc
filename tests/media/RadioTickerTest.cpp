// The radio group (toggle buttons made from image strips written by the test,
// clicked through the window's messages) and the ticker (real fonts, moving on
// the virtual clock).
#include "controls/ControlsFixture.h"
#include "render/Kest2dFont.h"
#include "gui/controls/Kest2dGUIButton.h"
#include "gui/controls/Kest2dGUIInfoScroller.h"
#include "gui/controls/Kest2dGUIMultiButton.h"
#include "platform/KesClock.h"

using namespace kest2d;
using namespace kest2d::test;

namespace {

typedef std::vector<std::string> Log;

class RadioGroupTest : public ControlsFixture {
protected:
    // A group (id 6) at (100, 100), 200 x 40, of `count` buttons.
    CKesGUIMultiButton* StartWithGroup(int count, const std::string& defaultSelected) {
        WriteFile(GamePath("img/radio.tga"), Tga(80, 20, StateStrip));
        std::string images;
        for (int i = 0; i < count; ++i) images += std::string(i ? ";" : "") + "img\\radio.tga";
        Start(Control("MultiButton", "group",
                      At(6, 100, 100, 200, 40, {{"itemImages", images}, {"DefaultSelected", defaultSelected}})));
        return Find<CKesGUIMultiButton>(6);
    }
    std::vector<bool> Selection(CKesGUIMultiButton* g) {
        std::vector<bool> s;
        for (CKesGUIButton* b : g->GetButtons()) s.push_back(b->IsSelected());
        return s;
    }
};

TEST_F(RadioGroupTest, FourButtonsSitCentredInFiftyPixelColumns) {
    CKesGUIMultiButton* g = StartWithGroup(4, "0");
    ASSERT_NE(nullptr, g);
    EXPECT_EQ(KESGUI_MULTIBUTTON, g->GetType());
    ASSERT_EQ(4u, g->GetButtons().size());
    for (int i = 0; i < 4; ++i) {
        CKesGUIButton* b = g->GetButtons()[i];
        EXPECT_EQ(g, b->GetParent());
        EXPECT_EQ(0, b->GetID());
        EXPECT_EQ(Gbk("多选按钮"), b->GetCaption());
        EXPECT_EQ(BUTTONTYPE_TOGGLE, b->GetType());
        // x = 100 + 50 i + 25 - 10, y = 100 + 20 - 10.
        EXPECT_EQ(CKesRect<int>(115 + 50 * i, 110, 135 + 50 * i, 130), b->GetAbsoluteRect()) << i;
        EXPECT_EQ(CKesDimension2d<int>(20, 20), b->GetControlWidthAndHeight());
    }
    EXPECT_EQ((std::vector<bool>{true, false, false, false}), Selection(g));
    DrawGui();
    EXPECT_EQ(kPressed, Px(125, 120));
    EXPECT_EQ(kNormal, Px(175, 120));
    EXPECT_EQ(0xFF000000u, Px(150, 120));
}

TEST_F(RadioGroupTest, AClickSelectsOneAndReportsToTheParent) {
    // Three buttons in 66 pixel columns: at 123, 189 and 255.
    CKesGUIMultiButton* g = StartWithGroup(3, "0");
    PressMouse(199, 120);
    ReleaseMouse(199, 120);
    EXPECT_EQ(1, g->GetCurSelectedItem());
    EXPECT_EQ(0, g->GetDefSelectedItem());
    EXPECT_EQ((std::vector<bool>{false, true, false}), Selection(g));
    ASSERT_EQ((Log{"gui7"}), f->events);
    EXPECT_EQ(g, f->raw[0].mGuiEvent.Caller);
    DrawGui();
    EXPECT_EQ(kNormal, Px(133, 120));
    EXPECT_EQ(kPressed, Px(199, 120));

    // The selected one again: reported again, nothing else changes.
    f->events.clear();
    PressMouse(199, 120);
    EXPECT_EQ((Log{"gui7"}), f->events);
    EXPECT_EQ(1, g->GetCurSelectedItem());
    EXPECT_EQ((std::vector<bool>{false, true, false}), Selection(g));

    // A press between the buttons selects nothing.
    f->events.clear();
    PressMouse(160, 120);
    EXPECT_EQ(1, g->GetCurSelectedItem());
    for (const std::string& e : f->events) EXPECT_NE("gui7", e);
}

TEST_F(RadioGroupTest, TheDefaultItemIsSelectedWhenItsButtonIsAdded) {
    CKesGUIMultiButton* g = StartWithGroup(3, "2");
    EXPECT_EQ((std::vector<bool>{false, false, true}), Selection(g));
    EXPECT_EQ(2, g->GetCurSelectedItem());
    EXPECT_EQ(STATE_DOWND, g->GetButtons()[2]->GetState());
}

TEST_F(RadioGroupTest, ADefaultBeyondTheButtonsShowsNoSelection) {
    CKesGUIMultiButton* g = StartWithGroup(3, "5");
    EXPECT_EQ((std::vector<bool>{false, false, false}), Selection(g));
    EXPECT_EQ(5, g->GetCurSelectedItem());
    DrawGui();
    EXPECT_EQ(kNormal, Px(200, 120));
    // 200 / 3 = 66 wide cells: the first button at 100 + 33 - 10.
    EXPECT_EQ(123, g->GetButtons()[0]->GetAbsoluteRect().UpperLeftCorner.X);
    PressMouse(133, 120);
    EXPECT_EQ(0, g->GetCurSelectedItem());
    EXPECT_EQ((std::vector<bool>{true, false, false}), Selection(g));
}

TEST_F(RadioGroupTest, AButtonDeletedFromOutsideIsForgotten) {
    CKesGUIMultiButton* g = StartWithGroup(3, "0");
    CKesGUIButton* middle = g->GetButtons()[1];
    g->DeleteChildren(middle);
    EXPECT_EQ(2u, g->GetButtons().size());
    PressMouse(265, 120);
    EXPECT_EQ(1, g->GetCurSelectedItem());
    EXPECT_EQ((std::vector<bool>{false, true}), Selection(g));
    EXPECT_EQ((Log{"gui7"}), f->events);
    // The next button added lays out the two that are left and itself.
    g->AddButton("img\\radio.tga");
    ASSERT_EQ(3u, g->GetButtons().size());
    EXPECT_EQ(189, g->GetButtons()[1]->GetAbsoluteRect().UpperLeftCorner.X);
}

TEST_F(RadioGroupTest, VerticalGroupsAndDisabledGroups) {
    WriteFile(GamePath("img/tall.tga"), Tga(20, 80, [](int, int y) { return StateStrip(y, 0); }));
    f = StartFrame<ControlFrame>();
    CKesGUIMultiButton* g = f->AddMultiButton(8, "tall", CKesRect<int>(100, 100, 140, 300), nullptr);
    EXPECT_EQ(g, f->AddMultiButton(8, "again", CKesRect<int>(0, 0, 1, 1), nullptr));
    g->SetDirection(DIR_VERTICAL);
    g->SetDefSelectedItem(1);
    g->AddButton("");  // ignored
    EXPECT_TRUE(g->GetButtons().empty());
    g->AddButton("img\\tall.tga");
    g->AddButton("img\\tall.tga");
    ASSERT_EQ(2u, g->GetButtons().size());
    // 200 / 2 = 100 high cells; x = 100 + 20 - 10, y = 100 + 100 i + 50 - 10.
    EXPECT_EQ(CKesRect<int>(110, 140, 130, 160), g->GetButtons()[0]->GetAbsoluteRect());
    EXPECT_EQ(CKesRect<int>(110, 240, 130, 260), g->GetButtons()[1]->GetAbsoluteRect());
    EXPECT_EQ((std::vector<bool>{false, true}), Selection(g));

    // Events that are no click are taken; a disabled group takes nothing.
    EXPECT_TRUE(g->OnProcessEvent(Press(120, 150)));
    CKesEvent click{};
    click.mEventType = KESET_GUI_EVENT;
    click.mGuiEvent.Caller = g->GetButtons()[0];
    click.mGuiEvent.EventType = KESGET_BUTTON_CLICKED;
    g->SetEnabled(false);
    EXPECT_FALSE(g->OnProcessEvent(click));
    EXPECT_EQ(1, g->GetCurSelectedItem());
    g->SetEnabled(true);
    EXPECT_TRUE(g->OnProcessEvent(click));  // the parent (the frame) takes it
    EXPECT_EQ(0, g->GetCurSelectedItem());
    // A click of a button that is not the group's selects nothing.
    CKesGUIButton stranger;
    click.mGuiEvent.Caller = &stranger;
    EXPECT_TRUE(g->OnProcessEvent(click));
    EXPECT_EQ(0, g->GetCurSelectedItem());

    g->SetVisible(false);
    DrawGui();
    EXPECT_EQ(0xFF000000u, Px(120, 150));

    CKesGUIMultiButton bare;
    EXPECT_EQ(KESGUI_COUNT, bare.GetType());
    bare.AddButton("img\\tall.tga");
    EXPECT_TRUE(bare.GetButtons().empty());
}

// ---- Ticker ----

class TickerTest : public ControlsFixture {
protected:
    // A ticker (id 9) at (100, 100), 300 x 30, with white text.
    CKesGUIInfoScroller* StartWithTicker(Props more) {
        Props p = At(9, 100, 100, 300, 30, {{"Color", "255;255;255;255"}, {"Size", "16"}, {"Text", "Hello___"}});
        for (const auto& m : more) p[m.first] = m.second;
        Start(Control("InfoScroller", "news", p));
        return Find<CKesGUIInfoScroller>(9);
    }
    // One step: a draw that starts the step's clock and, 41 ms later, one that moves.
    void Step(CKesGUIInfoScroller* t) {
        DrawGui();
        platform::AdvanceClock(41);
        t->Draw();
    }
    int TextWidth(CKesGUIInfoScroller* t) { return t->GetFont()->getTextDimension(t->GetText().c_str()).Width; }
};

TEST_F(TickerTest, RightToLeftLeavesOnTheLeftAndReentersOnTheRight) {
    CKesGUIInfoScroller* t = StartWithTicker({{"ScrollType", "1"}});
    ASSERT_NE(nullptr, t);
    EXPECT_EQ(KESGUI_INFOSCROLLER, t->GetType());
    ASSERT_NE(nullptr, t->GetFont());
    EXPECT_EQ(16, t->GetSize());
    EXPECT_EQ("Hello", t->GetText());
    EXPECT_EQ(SCRTYPE_RIGHT_TO_LEFT, t->GetInfoScrType());
    EXPECT_EQ(0xFFFFFFFFu, t->GetColor().color);
    EXPECT_TRUE(t->OnProcessEvent(Press(110, 110)));
    const int w = TextWidth(t);
    ASSERT_GT(w, 10);

    EXPECT_EQ(100, t->GetTextX());
    DrawGui();
    EXPECT_GT(Ink(CKesRect<int>(100, 100, 100 + w + 2, 130)), 0);
    platform::AdvanceClock(40);
    DrawGui();
    EXPECT_EQ(100, t->GetTextX());  // not more than 40 ms
    platform::AdvanceClock(1);
    t->Draw();
    EXPECT_EQ(99, t->GetTextX());
    // From 100 down to 100 - w - 1, then back at the right edge.
    for (int i = 0; i < w; ++i) Step(t);
    EXPECT_EQ(100 - w - 1, t->GetTextX());
    Step(t);
    EXPECT_EQ(400, t->GetTextX());
    Step(t);
    EXPECT_EQ(399, t->GetTextX());
}

TEST_F(TickerTest, TextIsClippedToTheControl) {
    CKesGUIInfoScroller* t = StartWithTicker({{"ScrollType", "1"}});
    const int w = TextWidth(t);
    for (int i = 0; i < w / 2; ++i) Step(t);
    DrawGui();
    EXPECT_EQ(0, Ink(CKesRect<int>(100 - w, 95, 100, 135)));
    EXPECT_GT(Ink(CKesRect<int>(100, 100, 100 + w, 130)), 0);
    // Re-entering on the right: nothing beyond the right edge.
    for (int i = 0; i < 2 * w && t->GetTextX() != 400; ++i) Step(t);
    ASSERT_EQ(400, t->GetTextX());
    for (int i = 0; i < 5; ++i) Step(t);
    EXPECT_EQ(395, t->GetTextX());
    DrawGui();
    EXPECT_GT(Ink(CKesRect<int>(395, 100, 400, 130)), 0);
    EXPECT_EQ(0, Ink(CKesRect<int>(400, 95, 400 + w, 135)));
}

TEST_F(TickerTest, LeftToRightAndChangingDirectionOnTheWay) {
    CKesGUIInfoScroller* t = StartWithTicker({});
    EXPECT_EQ(SCRTYPE_LEFT_TO_RIGHT, t->GetInfoScrType());
    const int w = TextWidth(t);
    for (int i = 0; i < 301; ++i) Step(t);
    EXPECT_EQ(401, t->GetTextX());
    Step(t);
    EXPECT_EQ(100 - w, t->GetTextX());
    Step(t);
    EXPECT_EQ(101 - w, t->GetTextX());
    t->SetInfoScrType(SCRTYPE_RIGHT_TO_LEFT);
    Step(t);
    EXPECT_EQ(100 - w, t->GetTextX());
}

TEST_F(TickerTest, WithoutFontOrTextNothingMovesOrShows) {
    CKesGUIInfoScroller* t = StartWithTicker({{"Size", "0"}});
    EXPECT_EQ(nullptr, t->GetFont());
    for (int i = 0; i < 5; ++i) Step(t);
    EXPECT_EQ(100, t->GetTextX());
    DrawGui();
    EXPECT_EQ(0, Ink(CKesRect<int>(90, 95, 410, 135)));
    t->SetFont(f->LoadFont("DefaultFont", 16, ""));
    t->SetText("");
    for (int i = 0; i < 5; ++i) Step(t);
    EXPECT_EQ(100, t->GetTextX());
    t->SetText("Go");
    for (int i = 0; i < 5; ++i) Step(t);
    EXPECT_EQ(105, t->GetTextX());

    CKesGUIInfoScroller bare;
    EXPECT_EQ(KESGUI_COUNT, bare.GetType());
    bare.SetText("x");
    bare.Draw();
    EXPECT_EQ(0, bare.GetTextX());
}

}  // namespace
