// The path animator: the Bezier positions, the picture moving along them at
// the speed given, the finish event, and control points dragged by the mouse
// in edit mode.
#include <algorithm>
#include <cmath>

#include "gui/controls/Kest2dGUIMoveAnimator.h"
#include "image/ImageFixture.h"

using namespace kest2d;
using namespace kest2d::test;

namespace {

typedef std::vector<std::string> Log;

class MoveAnimatorTest : public ImageFixture {
protected:
    // Animator 5 at (100, 100), 200 x 200, from (0, 0) to (200, 100) with the
    // control points (0, 0) and (200, 100); a blue 10 x 10 ball.
    CKesGUIMoveAnimator* StartAnimator(Props more = {}) {
        WriteFile(GamePath("img/ball.tga"), Plain(10, 10, kBlue));
        Props p = At(5, 100, 100, 200, 200,
                     {{"background", "img\\ball.tga"}, {"ctlPointStart", "0;0"}, {"ctlPointStartControl", "0;0"},
                      {"ctlPointEndControl", "200;100"}, {"ctlPointEnd", "200;100"}, {"Speed", "0.01"}});
        for (const auto& m : more) p[m.first] = m.second;
        Start(Control("MoveAnim", "path", p));
        return Find<CKesGUIMoveAnimator>(5);
    }
    int Finishes() { return static_cast<int>(std::count(f->events.begin(), f->events.end(), "gui9")); }
};

TEST_F(MoveAnimatorTest, CurveRunsFromTheStartToTheEndWithEachTermTruncated) {
    CKesGUIMoveAnimator* a = StartAnimator();
    ASSERT_NE(nullptr, a);
    EXPECT_EQ(KESGUI_MOVEANIMATOR, a->GetType());
    EXPECT_EQ(CKesPosition2d<int>(0, 0), a->GetStartPosition());
    EXPECT_EQ(CKesPosition2d<int>(200, 100), a->GetEndPosition());
    EXPECT_EQ(CKesPosition2d<int>(200, 100), a->GetControlPoint(1));
    EXPECT_EQ(CKesPosition2d<int>(0, 0), a->GetControlPoint(7));
    EXPECT_FLOAT_EQ(0.01f, a->GetSpeed());
    EXPECT_EQ(CKesPosition2d<int>(100, 100), a->GetCurvePosition(0));
    // t = 0.5: x = 25 + 75, y = trunc(12.5) + trunc(37.5) = 49.
    EXPECT_EQ(CKesPosition2d<int>(200, 149), a->GetCurvePosition(500));
    EXPECT_EQ(CKesPosition2d<int>(299, 199), a->GetCurvePosition(999));

    // Start and end setters recompute at once.
    a->SetEndPosition(CKesPosition2d<int>(0, 0));
    a->SetControlPoint(CKesPosition2d<int>(0, 0), 1);
    a->GetBernstern();
    a->SetStartPosition(CKesPosition2d<int>(0, 0));
    EXPECT_EQ(CKesPosition2d<int>(100, 100), a->GetCurvePosition(500));

    // Four equal points: every position is that point, up to one pixel per term.
    for (int i = 0; i < 4; ++i) a->SetControlPoint(CKesPosition2d<int>(57, 31), i);
    a->GetBernstern();
    for (int i = 0; i < IDD_BERNSTEIN_COUNT; ++i) {
        const CKesPosition2d<int> p = a->GetCurvePosition(i);
        ASSERT_LE(p.X, 157) << i;
        ASSERT_GE(p.X, 154) << i;
        ASSERT_LE(p.Y, 131) << i;
        ASSERT_GE(p.Y, 128) << i;
    }
}

TEST_F(MoveAnimatorTest, PictureMovesAlongTheCurveAndFinishes) {
    CKesGUIMoveAnimator* a = StartAnimator();
    ASSERT_NE(nullptr, a);
    CKesGUIImage* ball = a->GetAnimImage();
    ASSERT_NE(nullptr, ball);
    EXPECT_EQ(Gbk("路径动画图片"), ball->GetCaption());
    EXPECT_FALSE(ball->isVisible());
    EXPECT_FALSE(ball->IsEnabled());
    EXPECT_TRUE(ball->isMoving());
    // Centred on the start.
    EXPECT_EQ(CKesRect<int>(95, 95, 105, 105), ball->GetAbsoluteRect());

    // Not playing: nothing of the ball is drawn.
    DrawGui();
    EXPECT_EQ(0, Ink(CKesRect<int>(0, 0, 400, 400)));

    // A speed of 0.01 advances 10 positions per draw.
    a->Play();
    DrawGui();
    EXPECT_EQ(10, a->GetCurPlayFrame());
    const CKesPosition2d<int> at = a->GetCurvePosition(10);
    EXPECT_EQ(CKesRect<int>(at.X - 5, at.Y - 5, at.X + 5, at.Y + 5), ball->GetAbsoluteRect());
    EXPECT_TRUE(ball->isVisible());
    EXPECT_EQ(kBlue, Px(at.X, at.Y));
    DrawGui();
    EXPECT_EQ(20, a->GetCurPlayFrame());

    a->Pause();
    DrawGui();
    EXPECT_EQ(20, a->GetCurPlayFrame());
    EXPECT_EQ(0, Ink(CKesRect<int>(0, 0, 400, 400)));

    // A speed of 2 reaches the end on the first update and finishes on the second.
    a->SetSpeed(2.0f);
    a->Restart();
    DrawGui();
    EXPECT_EQ(999, a->GetCurPlayFrame());
    EXPECT_EQ(0, Finishes());
    const CKesPosition2d<int> end = a->GetCurvePosition(999);
    EXPECT_EQ(kBlue, Px(end.X, end.Y));
    DrawGui();
    EXPECT_EQ(1, Finishes());
    EXPECT_FALSE(a->IsPlaying());
    EXPECT_EQ(0, a->GetCurPlayFrame());
    EXPECT_FALSE(ball->isVisible());
    EXPECT_EQ(0, Ink(CKesRect<int>(0, 0, 400, 400)));

    a->SetPlayFrame(1000);
    a->SetPlayFrame(-1);
    EXPECT_EQ(0, a->GetCurPlayFrame());
    a->SetPlayFrame(998);
    a->Play();
    a->Stop();
    EXPECT_EQ(0, a->GetCurPlayFrame());
    EXPECT_FALSE(a->IsPlaying());

    // Speeds that are no number or far too big neither crash nor leave the curve.
    a->SetSpeed(std::nanf(""));
    a->Restart();
    DrawGui();
    EXPECT_EQ(0, a->GetCurPlayFrame());
    a->SetSpeed(-1e30f);
    DrawGui();
    EXPECT_EQ(0, a->GetCurPlayFrame());
    a->SetSpeed(1e30f);
    DrawGui();
    EXPECT_EQ(999, a->GetCurPlayFrame());
}

TEST_F(MoveAnimatorTest, ParentMayDeleteTheAnimatorOnFinish) {
    CKesGUIMoveAnimator* a = StartAnimator({{"Speed", "5"}});
    ASSERT_NE(nullptr, a);
    f->onEvent = [&](const CKesEvent& ev) {
        if (ev.mEventType == KESET_GUI_EVENT && ev.mGuiEvent.Caller == a) delete a;
        return true;
    };
    a->Play();
    DrawGui();
    DrawGui();
    EXPECT_EQ(1, Finishes());
    EXPECT_EQ(nullptr, Find<CKesGUIMoveAnimator>(5));
    f->onEvent = nullptr;
}

TEST_F(MoveAnimatorTest, PairValuesOfTheLayoutAreHeldToThePositionRange) {
    const struct {
        const char* value;
        CKesPosition2d<int> point;
    } cases[] = {
        {"2147483647;-2147483648", CKesPosition2d<int>(1000000, -1000000)},
        {"-99999999999;99999999999", CKesPosition2d<int>(-1000000, 1000000)},
        {"1000000;-1000000", CKesPosition2d<int>(1000000, -1000000)},
        {"123;-45", CKesPosition2d<int>(123, -45)},
    };
    for (const auto& c : cases) {
        CKesGUIMoveAnimator* a = StartAnimator({{"ctlPointStart", c.value}, {"ctlPointStartControl", c.value},
                                                {"ctlPointEndControl", c.value}, {"ctlPointEnd", c.value}});
        ASSERT_NE(nullptr, a) << c.value;
        for (int i = 0; i < 4; ++i) EXPECT_EQ(c.point, a->GetControlPoint(i)) << c.value;
        // The curve of four equal points stays at that point (plus the control's corner).
        EXPECT_EQ(CKesPosition2d<int>(c.point.X + 100, c.point.Y + 100), a->GetCurvePosition(0)) << c.value;
        a->Play();
        DrawGui();
        EXPECT_NEAR(c.point.X + 100, a->GetCurvePosition(999).X, 4) << c.value;
    }
}

TEST_F(MoveAnimatorTest, WithoutPicturePlayMovesNothing) {
    Start(Control("MoveAnim", "bare", At(5, 100, 100, 200, 200, {{"Speed", "0.5"}, {"ctlPointEnd", "10;10"}})));
    CKesGUIMoveAnimator* a = Find<CKesGUIMoveAnimator>(5);
    ASSERT_NE(nullptr, a);
    EXPECT_EQ(nullptr, a->GetAnimImage());
    a->Play();
    for (int i = 0; i < 5; ++i) DrawGui();
    EXPECT_EQ(0, a->GetCurPlayFrame());
    EXPECT_TRUE(a->IsPlaying());
    EXPECT_EQ(0, Finishes());

    CKesGUIMoveAnimator loose;
    EXPECT_EQ(KESGUI_COUNT, loose.GetType());
    loose.LoadAnimImage("img\\ball.tga");  // no frame: no picture
    EXPECT_EQ(nullptr, loose.GetAnimImage());
    loose.Play();
    loose.Draw();
}

TEST_F(MoveAnimatorTest, ControlPointsAreDraggedInEditMode) {
    // The start control point away from the start, so that their handles do not overlap.
    CKesGUIMoveAnimator* a = StartAnimator({{"IsEditMode", "1"}, {"ctlPointStartControl", "100;0"}});
    ASSERT_NE(nullptr, a);
    ASSERT_TRUE(a->isEdit());
    DrawGui();
    // The curve in red, the handles in red.
    const CKesPosition2d<int> mid = a->GetCurvePosition(500);
    EXPECT_EQ(kRed, Px(mid.X, mid.Y));
    EXPECT_EQ(kRed, Px(300, 200));  // the end's handle

    // Press on the start's handle (its edge counts), drag it, release.
    PressMouse(105, 105);
    EXPECT_EQ(3, a->GetSelectedPoint());
    DrawGui();
    EXPECT_EQ(kBlue, Px(102, 102));
    MoveMouse(150, 120);
    EXPECT_EQ(CKesPosition2d<int>(50, 20), a->GetStartPosition());
    EXPECT_EQ(CKesPosition2d<int>(150, 120), a->GetCurvePosition(0));
    ReleaseMouse(150, 120);
    EXPECT_EQ(-1, a->GetSelectedPoint());
    MoveMouse(160, 160);
    EXPECT_EQ(CKesPosition2d<int>(50, 20), a->GetStartPosition());

    // The new handle is where the point went.
    PressMouse(146, 116);
    EXPECT_EQ(3, a->GetSelectedPoint());
    // Focus lost clears the selection.
    a->OnProcessLostFocusEvent(Press(0, 0));
    EXPECT_EQ(-1, a->GetSelectedPoint());

    // A press away from every handle selects nothing; outside the control
    // nothing counts.
    PressMouse(250, 250);
    EXPECT_EQ(-1, a->GetSelectedPoint());
    EXPECT_TRUE(a->OnProcessEvent(Press(150, 120)));
    EXPECT_EQ(3, a->GetSelectedPoint());
    EXPECT_TRUE(a->OnProcessEvent(MoveTo(350, 120)));
    EXPECT_EQ(CKesPosition2d<int>(50, 20), a->GetStartPosition());
    EXPECT_TRUE(a->OnProcessEvent(Key('A', true)));

    // Outside edit mode, or disabled, the control takes no event.
    a->setIsEdit(false);
    EXPECT_FALSE(a->OnProcessEvent(MoveTo(160, 160)));
    a->setIsEdit(true);
    a->SetEnabled(false);
    EXPECT_FALSE(a->OnProcessEvent(MoveTo(160, 160)));
    EXPECT_EQ(CKesPosition2d<int>(50, 20), a->GetStartPosition());
}

}  // namespace
