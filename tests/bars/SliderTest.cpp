// The slider: a three-image track and a thumb, pressed or dragged to a value
// from 0 to 100.
#include "bars/BarsFixture.h"
#include "gui/controls/Kest2dGUIDragControl.h"

using namespace kest2d;
using namespace kest2d::test;

namespace {

const uint32_t kLeft = 0xFFFF0000u, kMiddle = 0xFF00FF00u, kRight = 0xFF0000FFu;
const uint32_t kThumbNormal = 0xFFFFFFFFu, kThumbPressed = 0xFFFF00FFu, kThumbHovered = 0xFFFFFF00u;

class SliderTest : public BarsFixture {
protected:
    // A slider at (100, 300), 200 x 20: caps 10 x 10, a middle tile 10 x 10
    // and a thumb 10 x 20, so the track runs 180 pixels from x 110.
    Props SliderProps(int id, int x, int y, Props more = {}) {
        Props p = At(id, x, y, 200, 20,
                     {{"dragbgimgone", Picture("l.tga", Plain(10, 10, kLeft))},
                      {"dragbgimgtwo", Picture("m.tga", Plain(10, 10, kMiddle))},
                      {"dragbgimgthree", Picture("r.tga", Plain(10, 10, kRight))},
                      {"background", Picture("thumb.tga", Strip4(10, 20, kThumbNormal, kThumbPressed,
                                                                 kThumbHovered, 0xFF808080u))}});
        for (const auto& m : more) p[m.first] = m.second;
        return p;
    }
    CKesGUIDragControl* StartWithSlider(Props more = {}) {
        Start(Control("DragControl", "slider", SliderProps(1, 100, 300, more)));
        return Find<CKesGUIDragControl>(1);
    }
    int ThumbLeft(CKesGUIDragControl* s) { return s->GetThumb().Rect.UpperLeftCorner.X; }
};

TEST_F(SliderTest, TheTrackAndThumbAreDrawnFromTheLayout) {
    CKesGUIDragControl* s = StartWithSlider({{"process", "0"}});
    ASSERT_NE(nullptr, s);
    EXPECT_EQ(KESGUI_DRAGCONTROL, s->GetType());
    EXPECT_EQ("img\\m.tga", s->GetBgImageTwo());
    EXPECT_EQ(CKesRect<int>(105, 300, 115, 320), s->GetThumb().Rect);
    DrawGui();
    EXPECT_EQ(kLeft, Px(102, 310));
    EXPECT_EQ(kThumbNormal, Px(110, 302));
    EXPECT_EQ(kMiddle, Px(150, 307));
    EXPECT_EQ(kMiddle, Px(287, 312));
    EXPECT_EQ(kRight, Px(295, 310));
    EXPECT_EQ(0xFF000000u, Px(150, 302));  // above the track, beside the thumb
    EXPECT_EQ(0xFF000000u, Px(150, 316));

    // The thumb's picture follows its state.
    MoveMouse(110, 310);
    DrawGui();
    EXPECT_EQ(kThumbHovered, Px(110, 302));
    PressMouse(110, 310);
    DrawGui();
    EXPECT_EQ(kThumbPressed, Px(110, 302));
    ReleaseMouse(110, 310);
    DrawGui();
    EXPECT_EQ(kThumbNormal, Px(110, 302));
}

TEST_F(SliderTest, ValuesAreHeldBetweenZeroAndAHundred) {
    CKesGUIDragControl* s = StartWithSlider({{"process", "50"}});
    EXPECT_EQ(50, s->GetCurrentProcess());
    // 180 x 50 hundredths in single precision falls just short of 90.
    EXPECT_EQ(110 + 89 - 5, ThumbLeft(s));
    s->SetCurrentProcess(150);
    EXPECT_EQ(100, s->GetCurrentProcess());
    EXPECT_EQ(110 + 179 - 5, ThumbLeft(s));  // one pixel short of the end
    s->SetCurrentProcess(-5);
    EXPECT_EQ(0, s->GetCurrentProcess());
    EXPECT_EQ(105, ThumbLeft(s));

    // Without all the images nothing is stored.
    Load(Control("DragControl", "bare", At(2, 100, 300, 200, 20, {{"dragbgimgone", "img\\l.tga"}})));
    CKesGUIDragControl* bare = Find<CKesGUIDragControl>(2);
    bare->SetCurrentProcess(40);
    EXPECT_EQ(0, bare->GetCurrentProcess());
    CKesGUIDragControl plain;
    plain.SetBgImageOne("img\\l.tga");
    EXPECT_EQ("", plain.GetBgImageOne());
    plain.SetDragScrollBar(0);
    EXPECT_EQ(0u, plain.GetThumb().Texture);
    plain.Draw();
}

TEST_F(SliderTest, PressesOnTheTrackSetTheValue) {
    CKesGUIDragControl* s = StartWithSlider({{"process", "50"}});
    PressMouse(104, 310);  // left of the track
    EXPECT_EQ(0, s->GetCurrentProcess());
    ReleaseMouse(104, 310);
    PressMouse(296, 310);  // right of it
    EXPECT_EQ(100, s->GetCurrentProcess());
    ReleaseMouse(296, 310);
    PressMouse(150, 310);  // 50 / 190 of the way
    EXPECT_EQ(26, s->GetCurrentProcess());
    ReleaseMouse(150, 310);
    EXPECT_EQ(3, Count("gui6"));
    for (const CKesEvent& e : f->raw) {
        if (e.mEventType == KESET_GUI_EVENT) {
            EXPECT_EQ(s, e.mGuiEvent.Caller);
        }
    }
}

TEST_F(SliderTest, DraggingTheThumbGoesOnOutsideTheSlider) {
    CKesGUIDragControl* s = StartWithSlider();
    PressMouse(108, 310);
    EXPECT_EQ(3, s->GetThumb().GrabOffset);
    EXPECT_EQ(s, f->GetCapturedElement());
    EXPECT_EQ(0, Count("gui6"));
    MoveMouse(195, 310);
    EXPECT_EQ(50, s->GetCurrentProcess());
    MoveMouse(700, 500);
    EXPECT_EQ(100, s->GetCurrentProcess());
    MoveMouse(20, 100);
    EXPECT_EQ(0, s->GetCurrentProcess());
    EXPECT_GE(Count("gui6"), 3);
    ReleaseMouse(20, 100);
    f->events.clear();
    MoveMouse(195, 310);
    EXPECT_EQ(0, s->GetCurrentProcess());
    EXPECT_EQ(0, Count("gui6"));
    // Losing the focus returns the thumb to normal.
    MoveMouse(110, 310);
    EXPECT_EQ(2, s->GetThumb().State);
    s->OnProcessLostFocusEvent(CKesEvent{});
    EXPECT_EQ(0, s->GetThumb().State);
}

TEST_F(SliderTest, ASliderWithoutImagesIsATranslucentGreenBox) {
    Start(Control("DragControl", "bare", At(1, 100, 300, 200, 20)));
    CKesGUIDragControl* s = Find<CKesGUIDragControl>(1);
    DrawGui();
    const DWORD green = Px(150, 310);
    EXPECT_EQ(0u, green & 0xFF00FFu);
    EXPECT_NEAR(0x9B, static_cast<int>((green >> 8) & 0xFF), 2);
    EXPECT_EQ(0xFF000000u, Px(150, 321));
    EXPECT_FALSE(s->OnProcessEvent(Press(150, 310)));
    PressMouse(150, 310);
    MoveMouse(160, 310);
    EXPECT_EQ(0, Count("gui6"));
    EXPECT_EQ(0, s->GetCurrentProcess());
    s->SetEnabled(false);
    EXPECT_FALSE(s->OnProcessEvent(Key(65, true)));
}

TEST_F(SliderTest, TheThumbMovesWithItsContainer) {
    StartWithSlider();
    CKesBaseGUIContainer* box = f->AddContainer(5, "box", CKesRect<int>(50, 50, 400, 200), nullptr, true);
    CKesGUIDragControl* s = f->AddDragControl(6, "slider", CKesRect<int>(20, 30, 220, 50), box);
    EXPECT_EQ(s, f->AddDragControl(6, "again", CKesRect<int>(0, 0, 1, 1), nullptr));
    s->SetBgImageOne("img\\l.tga");
    s->SetBgImageTwo("img\\m.tga");
    s->SetBgImageThree("img\\r.tga");
    const unsigned long thumb = f->LoadTexture("img\\thumb.tga", 0);
    s->SetBgImage(thumb);
    s->SetDragScrollBar(thumb);
    s->SetCurrentProcess(100);
    EXPECT_EQ(CKesRect<int>(70 + 10 + 179 - 5, 80, 70 + 10 + 179 + 5, 100), s->GetThumb().Rect);
    box->Move(CKesPosition2d<int>(100, 300));
    EXPECT_EQ(CKesRect<int>(120, 330, 320, 350), s->GetAbsoluteRect());
    EXPECT_EQ(CKesRect<int>(120 + 10 + 179 - 5, 330, 120 + 10 + 179 + 5, 350), s->GetThumb().Rect);
    EXPECT_EQ(100, s->GetCurrentProcess());
}

}  // namespace
