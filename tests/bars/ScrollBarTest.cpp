// The scroll bar: its buttons and thumb from the layout, page clicks, thumb
// drags that go on outside the bar, auto-repeat on the virtual clock.
#include <algorithm>

#include "bars/BarsFixture.h"
#include "gui/controls/Kest2dGUIButton.h"
#include "gui/controls/Kest2dGUIScrollBar.h"

using namespace kest2d;
using namespace kest2d::test;

namespace {

const uint32_t kBack = 0xFF0000FFu, kThumb = 0xFFFFFF00u, kUp = 0xFFFF0000u, kDown = 0xFF00FF00u;

class ScrollBarTest : public BarsFixture {
protected:
    // A bar at (100, 100), 10 x 200: buttons 10 x 10 at both ends, a thumb
    // 10 x 20, so the track is 160 pixels; maximum 10, page 3.
    CKesGUIScrollBar* StartWithBar(Props more = {}) {
        Props p = At(1, 100, 100, 10, 200,
                     {{"MaxValue", "10"},
                      {"PageCount", "3"},
                      {"BgColor", "255;0;0;255"},
                      {"UpButtonImg", Picture("up.tga", Strip4(10, 10, kUp, kUp, kUp, kUp))},
                      {"DownButtonImg", Picture("down.tga", Strip4(10, 10, kDown, kDown, kDown, kDown))},
                      {"ScrollBarImg", Picture("thumb.tga", Strip4(10, 20, kThumb, kThumb, kThumb, kThumb))}});
        for (const auto& m : more) p[m.first] = m.second;
        Start(Control("ScrollBar", "bar", p));
        Watch(Find<CKesGUIScrollBar>(1));
        return Find<CKesGUIScrollBar>(1);
    }
    // Records the bar's value with each change it reports.
    void Watch(CKesGUIScrollBar* bar) {
        f->onEvent = [this, bar](const CKesEvent& e) {
            if (e.mEventType == KESET_GUI_EVENT && e.mGuiEvent.EventType == KESGET_ELEMENT_CHANGED &&
                e.mGuiEvent.Caller == bar)
                changes.push_back(bar->GetCurValue());
            return f->CKesBaseFrame::OnProcessEvent(e);
        };
    }
    // The reported values, a value repeated at once counted once (the router
    // may hand a captured bar's move to it twice).
    std::vector<int> Changes() {
        std::vector<int> v = changes;
        v.erase(std::unique(v.begin(), v.end()), v.end());
        changes.clear();
        return v;
    }
    // Every GUI event so far carried `element`.
    void ExpectElement(CKesBaseGUIElement* element) {
        for (const CKesEvent& e : f->raw) {
            if (e.mEventType == KESET_GUI_EVENT) {
                EXPECT_EQ(element, e.mGuiEvent.Element);
            }
        }
    }
    std::vector<int> changes;
};

TEST_F(ScrollBarTest, TheLayoutMakesButtonsAndThumbAndDrawsThem) {
    CKesGUIScrollBar* bar = StartWithBar();
    ASSERT_NE(nullptr, bar);
    EXPECT_EQ(KESGUT_SCROLLBAR, bar->GetType());
    EXPECT_EQ(10, bar->GetMaxValue());
    EXPECT_EQ(3, bar->GetPageCount());
    EXPECT_EQ(CKesColor(255, 0, 0, 255), bar->GetBackgroundColor());
    ASSERT_NE(nullptr, bar->GetUpButton());
    ASSERT_NE(nullptr, bar->GetDownButton());
    EXPECT_EQ(Gbk("向上按钮"), bar->GetUpButton()->GetCaption());
    EXPECT_EQ(Gbk("向下按钮"), bar->GetDownButton()->GetCaption());
    EXPECT_EQ(CKesRect<int>(100, 100, 110, 110), bar->GetUpButton()->GetAbsoluteRect());
    EXPECT_EQ(CKesRect<int>(100, 290, 110, 300), bar->GetDownButton()->GetAbsoluteRect());
    EXPECT_EQ(CKesRect<int>(100, 110, 110, 130), bar->GetThumb().Rect);
    EXPECT_EQ("img\\thumb.tga", bar->GetScrollBarImg());

    DrawGui();
    EXPECT_EQ(kUp, Px(105, 105));
    EXPECT_EQ(kThumb, Px(105, 120));
    EXPECT_EQ(kBack, Px(105, 200));
    EXPECT_EQ(kDown, Px(105, 295));
    // Half way: the thumb's top is 80 pixels down the track.
    bar->SetCurValue(5);
    DrawGui();
    EXPECT_EQ(kBack, Px(105, 120));
    EXPECT_EQ(kThumb, Px(105, 195));
    EXPECT_EQ(kBack, Px(105, 215));
    EXPECT_EQ(190, bar->GetThumb().Rect.UpperLeftCorner.Y);
    bar->SetCurValue(10);
    DrawGui();
    EXPECT_EQ(CKesRect<int>(100, 270, 110, 290), bar->GetThumb().Rect);
}

TEST_F(ScrollBarTest, TheMaximumEnablesAndValuesStayInRange) {
    CKesGUIScrollBar* bar = StartWithBar();
    bar->SetCurValue(-4);
    EXPECT_EQ(0, bar->GetCurValue());
    bar->SetCurValue(40);
    EXPECT_EQ(10, bar->GetCurValue());
    // A shrinking range takes the value with it.
    bar->SetMaxValue(6);
    EXPECT_EQ(6, bar->GetCurValue());

    bar->SetMaxValue(0);
    EXPECT_FALSE(bar->IsEnabled());
    EXPECT_EQ(0, bar->GetCurValue());
    EXPECT_FALSE(bar->OnProcessEvent(Press(105, 200)));
    EXPECT_FALSE(bar->OnProcessEvent(Key(65, true)));
    DrawGui();
    EXPECT_EQ(kBack, Px(105, 120));  // no thumb
    bar->SetMaxValue(5);
    EXPECT_TRUE(bar->IsEnabled());
    EXPECT_TRUE(bar->OnProcessEvent(Key(65, true)));

    // A layout maximum of 0 leaves the bar disabled whatever "Enable" says.
    Load(Control("ScrollBar", "bar", At(2, 100, 100, 10, 200)));
    EXPECT_FALSE(Find<CKesGUIScrollBar>(2)->IsEnabled());
}

TEST_F(ScrollBarTest, PageClicksBesideTheThumb) {
    CKesGUIScrollBar* bar = StartWithBar();
    PressMouse(105, 200);  // below the thumb
    ReleaseMouse(105, 200);
    EXPECT_EQ(3, bar->GetCurValue());
    ASSERT_EQ(1u, Changes().size());
    ExpectElement(bar->GetDownButton());
    PressMouse(105, 280);
    PressMouse(105, 280);
    PressMouse(105, 280);
    EXPECT_EQ(10, bar->GetCurValue());  // held at the maximum

    // A press on the thumb starts a drag and changes nothing.
    bar->SetCurValue(0);
    DrawGui();
    changes.clear();
    PressMouse(105, 112);
    EXPECT_TRUE(bar->IsMoveScrollBar());
    ReleaseMouse(105, 112);
    EXPECT_FALSE(bar->IsMoveScrollBar());
    EXPECT_TRUE(Changes().empty());
    // At the top end a page up still reports, with the value 0.
    EXPECT_TRUE(bar->OnProcessEvent(Press(105, 105)));
    EXPECT_EQ((std::vector<int>{0}), Changes());
    // Pressing above the thumb pages up; its bottom edge belongs to it.
    bar->SetCurValue(4);
    DrawGui();  // thumb at 174 ... 194
    PressMouse(105, 150);
    EXPECT_EQ(1, bar->GetCurValue());
    bar->SetCurValue(2);
    DrawGui();  // thumb at 142 ... 162
    bar->OnProcessEvent(Press(100, 162));
    EXPECT_TRUE(bar->IsMoveScrollBar());
    bar->OnProcessEvent(Release(100, 162));
    bar->OnProcessEvent(Press(105, 163));
    EXPECT_EQ(5, bar->GetCurValue());
}

TEST_F(ScrollBarTest, DraggingTheThumbGoesOnOutsideTheBar) {
    CKesGUIScrollBar* bar = StartWithBar();
    DrawGui();
    MoveMouse(105, 115);
    EXPECT_EQ(2, bar->GetThumb().State);
    PressMouse(105, 115);
    EXPECT_EQ(1, bar->GetThumb().State);
    EXPECT_EQ(5, bar->GetThumb().GrabOffset);
    EXPECT_TRUE(bar->IsMoveScrollBar());
    EXPECT_EQ(bar, f->GetCapturedElement());
    MoveMouse(105, 195);  // thumb top 190: half way
    EXPECT_EQ(5, bar->GetCurValue());
    MoveMouse(400, 500);  // far below and beside the bar
    EXPECT_EQ(10, bar->GetCurValue());
    EXPECT_EQ(270, bar->GetThumb().Rect.UpperLeftCorner.Y);
    MoveMouse(400, 40);
    EXPECT_EQ(0, bar->GetCurValue());
    EXPECT_EQ(110, bar->GetThumb().Rect.UpperLeftCorner.Y);
    EXPECT_EQ((std::vector<int>{5, 10, 0}), Changes());
    ExpectElement(bar->GetDownButton());
    ReleaseMouse(400, 40);
    EXPECT_FALSE(bar->IsMoveScrollBar());
    EXPECT_EQ(0, bar->GetThumb().State);
    f->raw.clear();
    changes.clear();
    MoveMouse(105, 250);
    EXPECT_TRUE(Changes().empty());
}

TEST_F(ScrollBarTest, HoldingAnArrowRepeatsEveryHundredMilliseconds) {
    CKesGUIScrollBar* bar = StartWithBar();
    DrawGui();
    PressMouse(105, 295);  // the down button
    EXPECT_EQ(1, bar->GetCurValue());
    ASSERT_FALSE(f->raw.empty());
    EXPECT_EQ(bar->GetDownButton(), f->raw.back().mGuiEvent.Element);
    DrawFor(90);
    EXPECT_EQ(1, bar->GetCurValue());
    DrawFor(30);
    EXPECT_EQ(2, bar->GetCurValue());
    DrawFor(250);
    EXPECT_EQ(4, bar->GetCurValue());
    DrawFor(2000);
    EXPECT_EQ(10, bar->GetCurValue());  // stops at the maximum

    // Released: the value stays, while the changes go on being reported.
    ReleaseMouse(105, 295);
    bar->SetCurValue(5);
    f->raw.clear();
    changes.clear();
    DrawFor(500);
    EXPECT_EQ(5, bar->GetCurValue());
    EXPECT_GE(changes.size(), 3u);
    EXPECT_EQ(bar->GetUpButton(), f->raw.back().mGuiEvent.Element);

    // The up button; at 0 it still reports.
    PressMouse(105, 105);
    EXPECT_EQ(4, bar->GetCurValue());
    // Leaving the button ends the repeat as a release does.
    MoveMouse(300, 400);
    DrawFor(500);
    EXPECT_EQ(4, bar->GetCurValue());
    bar->SetCurValue(0);
    f->raw.clear();
    changes.clear();
    PressMouse(105, 105);
    EXPECT_EQ((std::vector<int>{0}), Changes());
    ReleaseMouse(105, 105);
}

TEST_F(ScrollBarTest, ABarWithoutImagesStillPages) {
    Start(Control("ScrollBar", "bare", At(1, 100, 100, 10, 200, {{"MaxValue", "8"}, {"PageCount", "2"}})));
    CKesGUIScrollBar* bar = Find<CKesGUIScrollBar>(1);
    EXPECT_EQ(nullptr, bar->GetUpButton());
    EXPECT_EQ(nullptr, bar->GetDownButton());
    DrawGui();
    EXPECT_EQ(kBack, Px(105, 100));
    EXPECT_EQ(kBack, Px(105, 299));
    EXPECT_EQ(0, bar->GetThumb().Rect.getWidth());
    EXPECT_EQ(0, bar->GetThumb().Rect.getHeight());
    PressMouse(100, 250);
    EXPECT_FALSE(bar->IsMoveScrollBar());
    EXPECT_EQ(2, bar->GetCurValue());
    PressMouse(100, 100);
    ReleaseMouse(100, 100);
    EXPECT_FALSE(bar->IsMoveScrollBar());
    EXPECT_EQ(0, bar->GetCurValue());
    PressMouse(100, 130);
    MoveMouse(100, 299);
    EXPECT_EQ(2, bar->GetCurValue());  // a page, no drag
    ReleaseMouse(100, 299);
}

TEST_F(ScrollBarTest, TheThumbFollowsItsContainer) {
    StartFrame<ControlFrame>();
    f = static_cast<ControlFrame*>(mFrame.get());
    CKesBaseGUIContainer* box = f->AddContainer(5, "box", CKesRect<int>(50, 50, 250, 350), nullptr, true);
    CKesGUIScrollBar* bar = f->AddScrollBar(6, "bar", CKesRect<int>(10, 20, 20, 220), box);
    EXPECT_EQ(bar, f->AddScrollBar(6, "again", CKesRect<int>(0, 0, 1, 1), nullptr));
    EXPECT_EQ(box, bar->GetParent());
    WriteFile(GamePath("img/u.tga"), Plain(40, 10, kUp));
    WriteFile(GamePath("img/t.tga"), Plain(40, 20, kThumb));
    bar->SetUpBtnImg("img\\u.tga");
    bar->SetScrollBarImg("img\\t.tga");
    bar->SetScrollBarImg("");
    EXPECT_EQ("img\\t.tga", bar->GetScrollBarImg());
    EXPECT_EQ(CKesRect<int>(60, 80, 70, 100), bar->GetThumb().Rect);
    box->Move(CKesPosition2d<int>(150, 60));
    EXPECT_EQ(CKesRect<int>(160, 80, 170, 280), bar->GetAbsoluteRect());
    EXPECT_EQ(CKesRect<int>(160, 80, 170, 90), bar->GetUpButton()->GetAbsoluteRect());
    EXPECT_EQ(CKesRect<int>(160, 90, 170, 110), bar->GetThumb().Rect);

    // Without a frame the images are ignored; without a parent nothing is raised.
    CKesGUIScrollBar plain;
    EXPECT_EQ(KESGUI_COUNT, plain.GetType());
    plain.SetUpBtnImg("img\\u.tga");
    EXPECT_EQ("", plain.GetUpBtnImg());
    plain.SetMaxValue(3);
    plain.SetPageCount(1);
    EXPECT_TRUE(plain.OnProcessEvent(Press(5, 5)));
    EXPECT_EQ(1, plain.GetCurValue());
    plain.Draw();
}

}  // namespace
