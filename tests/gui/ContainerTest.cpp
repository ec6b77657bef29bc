#include <gtest/gtest.h>

#include <memory>

#include "gui/GuiTestSupport.h"

using namespace kest2d;
using namespace kest2d::test;

namespace {

typedef CKesRect<int> R;
typedef CKesPosition2d<int> P;
typedef std::vector<std::string> Log;

// A control made the way the factories make them.
class Widget : public CKesBaseGUIElement {
public:
    Widget(CKesBaseFrame* frame, CKesBaseGUIElement* parent, int id, std::string name, CKesRect<int> rect)
        : CKesBaseGUIElement(KESGUI_BUTTON, frame, parent, id, rect) {
        SetCaption(name);
    }
};
class OtherWidget : public Widget {
    using Widget::Widget;
};

// root (0,0,800,600)
//   panel 100 (100,100)-(300,300), a container
//     button 101 at (110,110)-(160,140)
//     edit 102 at (110,200)-(200,220), an edit box
//   solo 200 at (400,400)-(500,500)
class Routing : public ::testing::Test {
protected:
    void SetUp() override {
        root.SetAbsoluteRect(R(0, 0, 800, 600));
        root.SetControlWidthAndHeight(CKesDimension2d<int>(800, 600));
        root.SetMoving(false);  // as the frame, which is never dragged
        panel = new TestContainer(&root, 100, R(100, 100, 300, 300));
        button = new Recorder(panel, 101, R(10, 10, 60, 40), KESGUI_BUTTON, &log);
        edit = new Recorder(panel, 102, R(10, 100, 100, 120), KESGUT_EDITORBOX, &log);
        solo = new Recorder(&root, 200, R(400, 400, 500, 500), KESGUI_BUTTON, &log);
    }
    TestContainer root;
    TestContainer* panel = nullptr;
    Recorder* button = nullptr;
    Recorder* edit = nullptr;
    Recorder* solo = nullptr;
    Log log;
};

}  // namespace

TEST_F(Routing, MovesMakeAControlCurrentAndAPressFocusesIt) {
    root.Route(MoveTo(120, 120));
    EXPECT_EQ(button, root.GetCurrentElement());
    root.Route(Press(120, 120));
    EXPECT_TRUE(button->GetFocus());
    EXPECT_EQ(button, root.GetFocusedElement());
    EXPECT_EQ((Log{"101:move@120,120", "101:press@120,120"}), log);

    log.clear();
    root.Route(MoveTo(450, 450));  // the focus stays; the current element changes
    EXPECT_TRUE(button->GetFocus());
    root.Route(Press(450, 450));
    EXPECT_FALSE(button->GetFocus());
    EXPECT_TRUE(solo->GetFocus());
    EXPECT_EQ((Log{"101:lost", "200:move@450,450", "200:press@450,450"}), log);
    EXPECT_EQ(root.GetFocusedElement(), solo);
}

TEST_F(Routing, APressOnACurrentChildContainerBringsItToTheFront) {
    auto* later = new TestContainer(&root, 300, R(250, 250, 350, 350));
    EXPECT_EQ(later, root.GetChildrens().back());
    root.Route(MoveTo(200, 280));  // the panel's empty area
    EXPECT_EQ(panel, root.GetCurrentElement());
    root.Route(Press(200, 280));
    EXPECT_EQ(panel, root.GetChildrens().back());
    EXPECT_EQ((Log{"move@200,280", "press@200,280"}), panel->events);
    // Now the panel lies on top where the two overlap.
    EXPECT_EQ(panel, root.FindControlByPosition(P(260, 260)));
}

TEST_F(Routing, AModalContainerSwallowsPressesOutsideIt) {
    panel->SetModal(true);
    root.ShowControlById(100, true);
    EXPECT_EQ(panel, root.GetCurrentElement());
    EXPECT_TRUE(root.Route(Press(450, 450)));
    EXPECT_TRUE(log.empty());
    EXPECT_EQ((Log{"lost"}), panel->events);
    EXPECT_FALSE(solo->GetFocus());
    EXPECT_EQ(panel, root.GetCurrentElement());

    // Inside, the hit is searched in the modal container only.
    root.Route(Press(120, 120));
    EXPECT_EQ(button, root.GetCurrentElement());
    EXPECT_TRUE(button->GetFocus());
    EXPECT_EQ((Log{"101:press@120,120"}), log);
}

TEST_F(Routing, ACapturedScrollBarKeepsFollowingTheMouse) {
    auto* bar = new Recorder(panel, 103, R(180, 10, 195, 190), KESGUT_SCROLLBAR, &log);
    root.Route(Press(285, 150));
    EXPECT_EQ(bar, root.GetCapturedElement());
    log.clear();
    root.Route(MoveTo(450, 450));  // far outside the bar, over another control
    root.Route(Release(700, 10));
    EXPECT_EQ((Log{"103:move@450,450", "103:lost", "200:move@450,450", "103:release@700,10", "200:lost"}), log);
    // The release does not end the capture; pressing another slider does.
    EXPECT_EQ(bar, root.GetCapturedElement());
    auto* slider = new Recorder(&root, 201, R(600, 100, 700, 120), KESGUI_DRAGCONTROL, &log);
    root.Route(Press(650, 110));
    EXPECT_EQ(slider, root.GetCapturedElement());
}

TEST_F(Routing, KeysGoToAFocusedEditBoxElseToTheCurrentElement) {
    root.Route(Press(150, 210));
    EXPECT_EQ(edit, root.GetFocusedElement());
    root.Route(MoveTo(450, 450));  // current moves on, focus stays with the edit box
    log.clear();
    root.Route(Key(65, true));
    CKesEvent ime{};
    ime.mEventType = KESET_IME_EVENT;
    root.Route(ime);
    EXPECT_EQ((Log{"102:key65", "102:ime:"}), log);

    root.Route(Press(450, 450));
    log.clear();
    root.Route(Key(66, true));
    CKesEvent user{};
    user.mEventType = KESET_USER_EVENT;
    root.Route(user);
    EXPECT_EQ((Log{"200:key66", "200:event6"}), log);
}

TEST_F(Routing, OtherMouseKindsGoToTheCurrentElementWithoutHitTest) {
    root.Route(MoveTo(450, 450));
    log.clear();
    CKesEvent wheel = Mouse(KESMIE_MOUSE_WHEEL, 5, 5);
    wheel.mMouseEvent.Wheel = -2.0f;
    root.Route(wheel);
    root.Route(Mouse(KESMIE_RMOUSE_PRESSED_DOWN, 120, 120));
    root.Route(Mouse(KESMIE_LMOUSE_DOUBLE_CLICK, 120, 120));
    EXPECT_EQ((Log{"200:wheel@5,5", "200:rpress@120,120", "200:dbl@120,120"}), log);
}

TEST_F(Routing, CloseButtonsHideTheirContainerAndTheClickGoesOn) {
    auto* close = new Recorder(panel, 10004, R(0, 0, 10, 10), KESGUI_BUTTON, &log);
    close->clickOnPress = true;
    root.Route(MoveTo(105, 105));
    root.Route(Press(105, 105));
    EXPECT_FALSE(panel->isVisible());
    EXPECT_EQ((Log{"lost", "gui5"}), root.events);

    panel->SetVisible(true);
    close->SetID(10005);
    root.Route(Press(105, 105));
    EXPECT_FALSE(panel->isVisible());

    panel->SetVisible(true);
    close->SetID(10006);
    root.Route(Press(105, 105));
    EXPECT_TRUE(panel->isVisible());
}

TEST_F(Routing, AContainerIsDraggedByItsEmptyArea) {
    root.Route(MoveTo(200, 280));
    root.Route(Press(200, 280));
    EXPECT_TRUE(panel->GetMousePress());
    root.Route(MoveTo(210, 300));
    EXPECT_EQ(R(110, 120, 310, 320), panel->GetAbsoluteRect());
    EXPECT_EQ(R(120, 130, 170, 160), button->GetAbsoluteRect());
    root.Route(Release(220, 300));
    EXPECT_FALSE(panel->GetMousePress());
    EXPECT_EQ(R(120, 120, 320, 320), panel->GetAbsoluteRect());
    root.Route(MoveTo(240, 300));
    EXPECT_EQ(R(120, 120, 320, 320), panel->GetAbsoluteRect());

    // A container whose moving flag is cleared stays put.
    panel->SetMoving(false);
    root.Route(Press(200, 280));
    root.Route(MoveTo(250, 290));
    EXPECT_EQ(R(120, 120, 320, 320), panel->GetAbsoluteRect());
}

TEST_F(Routing, LeavingTheWindowEndsADragAndResetsTheCurrentContainer) {
    root.Route(MoveTo(200, 280));
    root.Route(Press(200, 280));
    ASSERT_TRUE(panel->GetMousePress());
    CKesEvent empty{};
    root.OnProcessMouseLeaveFrame(empty);
    EXPECT_FALSE(panel->GetMousePress());
    EXPECT_EQ(&root, root.GetCurrentElement());
}

TEST_F(Routing, ShowAndEnableControlsById) {
    root.Route(MoveTo(120, 120));
    Log seen;
    button->onLost = [&](const CKesEvent& ev) {
        // The lost-focus record carries zeros, not stack garbage.
        const char* bytes = reinterpret_cast<const char*>(&ev);
        for (size_t i = 0; i < sizeof(ev); ++i)
            if (bytes[i] != 0) {
                seen.push_back("garbage");
                return;
            }
        seen.push_back("clean");
    };
    root.ShowControlById(101, false);
    EXPECT_EQ((Log{"clean"}), seen);
    EXPECT_FALSE(button->isVisible());
    EXPECT_EQ(&root, root.GetCurrentElement());

    auto* other = new TestContainer(&root, 300, R(0, 0, 10, 10));
    root.ShowControlById(100, true);
    EXPECT_EQ(panel, root.GetCurrentElement());
    EXPECT_EQ(panel, root.GetChildrens().back());
    other->SetVisible(false);
    root.ShowControlById(300, true);
    EXPECT_TRUE(other->isVisible());
    EXPECT_EQ((Log{"lost"}), panel->events);
    root.ShowControlById(999, true);
    EXPECT_EQ(&root, root.GetCurrentElement());

    root.EnableControlById(200, false);
    EXPECT_FALSE(solo->IsEnabled());
    root.EnableControlById(999, false);
}

TEST_F(Routing, FactoriesReturnAnExistingElementOfTheSameClass) {
    Widget* a = root.FindOrCreateControl<Widget>(500, "a", R(1, 2, 11, 12), nullptr);
    EXPECT_EQ(&root, a->GetParent());
    EXPECT_EQ("a", a->GetCaption());
    EXPECT_EQ(R(1, 2, 11, 12), a->GetAbsoluteRect());
    EXPECT_EQ(a, root.FindOrCreateControl<Widget>(500, "b", R(0, 0, 1, 1), panel));
    EXPECT_EQ("a", a->GetCaption());
    OtherWidget* b = root.FindOrCreateControl<OtherWidget>(500, "b", R(0, 0, 1, 1), panel);
    EXPECT_NE(static_cast<Widget*>(b), a);
    EXPECT_EQ(panel, b->GetParent());
    Widget* zero1 = root.FindOrCreateControl<Widget>(0, "z", R(0, 0, 1, 1), nullptr);
    Widget* zero2 = root.FindOrCreateControl<Widget>(0, "z", R(0, 0, 1, 1), nullptr);
    EXPECT_NE(zero1, zero2);

    CKesBaseGUIContainer* box = root.AddContainer(600, "box", R(10, 10, 50, 50), nullptr, false);
    EXPECT_EQ(KESGUI_CONTAINER, box->GetType());
    EXPECT_EQ("box", box->GetCaption());
    EXPECT_FALSE(box->isVisible());
    EXPECT_TRUE(box->isMoving());
    EXPECT_EQ(box, root.AddContainer(600, "again", R(0, 0, 1, 1), panel, true));
}

TEST(Container, ParseStringToParameterAppendsPieces) {
    TestContainer c;
    EXPECT_EQ(2, c.ParseStringToParameter("10;20", ";"));
    EXPECT_EQ((Log{"10", "20"}), c.GetParameters());
    c.GetParameters().clear();
    EXPECT_EQ(2, c.ParseStringToParameter("1;2;", ";"));
    c.GetParameters().clear();
    EXPECT_EQ(1, c.ParseStringToParameter(";5", ";"));
    EXPECT_EQ((Log{";5"}), c.GetParameters());
    c.GetParameters().clear();
    EXPECT_EQ(0, c.ParseStringToParameter("", ";"));
    EXPECT_EQ(3, c.ParseStringToParameter("a,b;c", ",;"));
    EXPECT_EQ(4, c.ParseStringToParameter("x", ";"));  // appends to what is there
    c.GetParameters().clear();
    EXPECT_EQ(1, c.ParseStringToParameter("1;;2", ";") - 1);
    EXPECT_EQ((Log{"1", ";2"}), c.GetParameters());
}

// ---- Pointers into deleted subtrees ----

TEST_F(Routing, DeletingTheCurrentFocusedOrCapturedElementResetsThePointers) {
    auto* bar = new Recorder(panel, 103, R(180, 10, 195, 190), KESGUT_SCROLLBAR, &log);
    root.Route(Press(285, 150));
    ASSERT_EQ(bar, root.GetCapturedElement());
    ASSERT_EQ(bar, root.GetFocusedElement());
    root.DeleteChildren(panel);  // the whole subtree
    EXPECT_EQ(&root, root.GetCurrentElement());
    EXPECT_EQ(nullptr, root.GetFocusedElement());
    EXPECT_EQ(nullptr, root.GetCapturedElement());
    root.Route(MoveTo(120, 120));
    root.Route(Release(120, 120));
    root.Route(Key(1, true));
}

TEST_F(Routing, HandlersMayDeleteElementsWhileTheEventIsRouted) {
    // The lost-focus handler deletes the element about to become current.
    button->onLost = [&](const CKesEvent&) { root.DeleteChildren(solo); };
    root.Route(MoveTo(120, 120));
    EXPECT_TRUE(root.Route(MoveTo(450, 450)));
    EXPECT_EQ(nullptr, root.FindControlById(200));
    EXPECT_EQ(button, root.GetCurrentElement());  // the hit is gone: the current element stays

    // A click handler deletes its own container (a script closing a dialog).
    button->onLost = nullptr;
    button->onEvent = [&](const CKesEvent&) {
        delete panel;
        return false;
    };
    root.Route(Press(120, 120));
    EXPECT_FALSE(root.IsChildrens());
    EXPECT_EQ(&root, root.GetCurrentElement());
    EXPECT_EQ(nullptr, root.GetFocusedElement());
}

TEST_F(Routing, ContainersDrawTheirVisibleChildrenInListOrder) {
    std::vector<int> drawn;
    button->drawLog = edit->drawLog = solo->drawLog = &drawn;
    panel->SetModal(true);  // no frame: no shade, and nothing breaks
    panel->SetBgImage(5);
    root.Draw();
    EXPECT_EQ((std::vector<int>{101, 102, 200}), drawn);
    drawn.clear();
    root.bringToFront(panel);
    edit->SetVisible(false);
    root.Draw();
    EXPECT_EQ((std::vector<int>{200, 101}), drawn);
    drawn.clear();
    panel->SetVisible(false);
    root.Draw();
    EXPECT_EQ((std::vector<int>{200}), drawn);
}
