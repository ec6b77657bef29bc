#include <gtest/gtest.h>

#include <memory>
#include <utility>

#include "gui/GuiTestSupport.h"

using namespace kest2d;
using namespace kest2d::test;

namespace {

typedef CKesRect<int> R;
typedef CKesPosition2d<int> P;

std::unique_ptr<CKesBaseGUIElement> Root(const R& rect) {
    return std::make_unique<CKesBaseGUIElement>(KESGUI_CONTAINER, nullptr, nullptr, 1, rect);
}

// Two 100 x 100 roots, for moving children between owners.
std::pair<std::unique_ptr<CKesBaseGUIElement>, std::unique_ptr<CKesBaseGUIElement>> TwoRoots() {
    return {Root(R(0, 0, 100, 100)), Root(R(0, 0, 100, 100))};
}

// A recording child that counts its destruction in `*destroyed`.
Recorder* Counted(CKesBaseGUIElement* parent, int id, const R& rect, int* destroyed) {
    auto* r = new Recorder(parent, id, rect);
    r->destroyed = destroyed;
    return r;
}

std::vector<int> Ids(CKesBaseGUIElement& e) {
    std::vector<int> ids;
    for (CKesBaseGUIElement* c : e.GetChildrens()) ids.push_back(c->GetID());
    return ids;
}

}  // namespace

TEST(ElementTree, DefaultsOfBothConstructors) {
    CKesBaseGUIElement plain;
    EXPECT_EQ(KESGUI_COUNT, plain.GetType());
    EXPECT_EQ(0, plain.GetID());
    EXPECT_TRUE(plain.isVisible());
    EXPECT_TRUE(plain.IsEnabled());
    EXPECT_FALSE(plain.isMoving());
    EXPECT_FALSE(plain.GetFocus());
    EXPECT_EQ(nullptr, plain.GetParent());
    EXPECT_EQ(R(0, 0, 0, 0), plain.GetAbsoluteRect());

    auto root = Root(R(5, 6, 105, 56));
    EXPECT_EQ(R(5, 6, 105, 56), root->GetAbsoluteRect());
    EXPECT_EQ(R(5, 6, 105, 56), root->GetClippingRect());
    EXPECT_EQ(CKesDimension2d<int>(100, 50), root->GetControlWidthAndHeight());
    EXPECT_EQ(CKesDimension2d<int>(5, 6), root->GetRelativeRect());
}

TEST(ElementTree, ChildGeometryFollowsAMovedParent) {
    auto root = Root(R(100, 50, 500, 450));
    auto* child = new CKesBaseGUIElement(KESGUI_BUTTON, nullptr, root.get(), 2, R(10, 20, 110, 70));
    auto* grand = new CKesBaseGUIElement(KESGUI_BUTTON, nullptr, child, 3, R(5, 5, 15, 25));
    EXPECT_EQ(R(110, 70, 210, 120), child->GetAbsoluteRect());
    EXPECT_EQ(CKesDimension2d<int>(100, 50), child->GetControlWidthAndHeight());
    EXPECT_EQ(CKesDimension2d<int>(10, 20), child->GetRelativeRect());
    EXPECT_EQ(root->GetAbsoluteRect(), child->GetClippingRect());
    EXPECT_EQ(R(115, 75, 125, 95), grand->GetAbsoluteRect());
    EXPECT_EQ(root.get(), child->GetParent());

    root->Move(P(0, 0));
    EXPECT_EQ(R(0, 0, 400, 400), root->GetAbsoluteRect());
    EXPECT_EQ(R(10, 20, 110, 70), child->GetAbsoluteRect());
    EXPECT_EQ(R(0, 0, 400, 400), child->GetClippingRect());
    EXPECT_EQ(R(15, 25, 25, 45), grand->GetAbsoluteRect());
    EXPECT_EQ(R(10, 20, 110, 70), grand->GetClippingRect());

    // The setters of size and relative position take effect at the next Move.
    child->SetRelativeRect(CKesDimension2d<int>(30, 40));
    child->SetControlWidthAndHeight(CKesDimension2d<int>(20, 10));
    EXPECT_EQ(R(10, 20, 110, 70), child->GetAbsoluteRect());
    root->Move(P(1, 1));
    EXPECT_EQ(R(31, 41, 51, 51), child->GetAbsoluteRect());
    EXPECT_EQ(R(36, 46, 46, 66), grand->GetAbsoluteRect());
    // SetAbsoluteRect changes nothing else.
    child->SetAbsoluteRect(R(0, 0, 1, 1));
    EXPECT_EQ(CKesDimension2d<int>(20, 10), child->GetControlWidthAndHeight());
    EXPECT_EQ(R(36, 46, 46, 66), grand->GetAbsoluteRect());
}

TEST(ElementTree, FindByIdIsDepthFirstAndIgnoresZeroAndMinusOne) {
    auto root = Root(R(0, 0, 100, 100));
    auto* a = new CKesBaseGUIElement(KESGUI_BUTTON, nullptr, root.get(), 7, R(0, 0, 10, 10));
    auto* deep = new CKesBaseGUIElement(KESGUI_BUTTON, nullptr, a, 9, R(0, 0, 5, 5));
    auto* b = new CKesBaseGUIElement(KESGUI_BUTTON, nullptr, root.get(), 9, R(0, 0, 10, 10));
    new CKesBaseGUIElement(KESGUI_BUTTON, nullptr, root.get(), 0, R(0, 0, 10, 10));
    new CKesBaseGUIElement(KESGUI_BUTTON, nullptr, root.get(), -1, R(0, 0, 10, 10));
    EXPECT_EQ(deep, root->FindControlById(9));  // the earlier sibling's subtree first
    EXPECT_EQ(a, root->FindControlById(7));
    EXPECT_EQ(root.get(), root->FindControlById(1));
    EXPECT_EQ(nullptr, root->FindControlById(0));
    EXPECT_EQ(nullptr, root->FindControlById(-1));
    EXPECT_EQ(nullptr, root->FindControlById(42));
    (void)b;
}

TEST(ElementTree, HitTestTakesTheTopmostVisibleEnabledChild) {
    auto root = Root(R(0, 0, 200, 200));
    auto* lower = new CKesBaseGUIElement(KESGUI_BUTTON, nullptr, root.get(), 2, R(10, 10, 100, 100));
    auto* upper = new CKesBaseGUIElement(KESGUI_BUTTON, nullptr, root.get(), 3, R(50, 50, 150, 150));
    EXPECT_EQ(upper, root->FindControlByPosition(P(60, 60)));
    EXPECT_TRUE(root->bringToFront(lower));
    EXPECT_EQ((std::vector<int>{3, 2}), Ids(*root));
    EXPECT_EQ(lower, root->FindControlByPosition(P(60, 60)));
    lower->SetVisible(false);
    EXPECT_EQ(upper, root->FindControlByPosition(P(60, 60)));
    upper->SetEnabled(false);
    EXPECT_EQ(root.get(), root->FindControlByPosition(P(60, 60)));  // disabled child: the parent
    EXPECT_EQ(nullptr, root->FindControlByPosition(P(300, 300)));
    // Edges are inside.
    upper->SetEnabled(true);
    EXPECT_EQ(upper, root->FindControlByPosition(P(150, 150)));

    // A hidden element hides its whole subtree from the hit test.
    auto* box = new CKesBaseGUIElement(KESGUI_CONTAINER, nullptr, root.get(), 4, R(0, 160, 40, 200));
    auto* inner = new CKesBaseGUIElement(KESGUI_BUTTON, nullptr, box, 5, R(0, 0, 10, 10));
    EXPECT_EQ(inner, root->FindControlByPosition(P(5, 165)));
    EXPECT_EQ(box, root->FindControlByPosition(P(30, 190)));
    box->SetVisible(false);
    EXPECT_EQ(root.get(), root->FindControlByPosition(P(5, 165)));

    // A child sticking out of its parent is found by the parent's own search,
    // not through a grandparent (whose walk stops at the parent's rectangle).
    auto* sticking = new CKesBaseGUIElement(KESGUI_BUTTON, nullptr, upper, 6, R(90, 90, 140, 140));
    EXPECT_EQ(sticking, upper->FindControlByPosition(P(180, 180)));
    EXPECT_EQ(root.get(), root->FindControlByPosition(P(180, 180)));
}

TEST(ElementTree, BringToFrontOfAStrangerChangesNothing) {
    auto root = Root(R(0, 0, 10, 10));
    new CKesBaseGUIElement(KESGUI_BUTTON, nullptr, root.get(), 2, R(0, 0, 1, 1));
    new CKesBaseGUIElement(KESGUI_BUTTON, nullptr, root.get(), 3, R(0, 0, 1, 1));
    CKesBaseGUIElement stranger;
    EXPECT_FALSE(root->bringToFront(&stranger));
    EXPECT_FALSE(root->bringToFront(nullptr));
    EXPECT_EQ((std::vector<int>{2, 3}), Ids(*root));
}

TEST(ElementTree, DrawFollowsListOrderAndSkipsHiddenChildren) {
    std::vector<int> drawn;
    auto root = Root(R(0, 0, 100, 100));
    auto* a = new Recorder(root.get(), 2, R(0, 0, 10, 10));
    auto* b = new Recorder(root.get(), 3, R(0, 0, 10, 10));
    auto* c = new Recorder(b, 4, R(0, 0, 10, 10));
    a->drawLog = b->drawLog = c->drawLog = &drawn;
    root->Draw();
    EXPECT_EQ((std::vector<int>{2, 3, 4}), drawn);
    drawn.clear();
    root->bringToFront(a);
    b->SetVisible(false);
    root->Draw();
    EXPECT_EQ((std::vector<int>{2}), drawn);
    drawn.clear();
    root->SetVisible(false);
    root->Draw();
    EXPECT_TRUE(drawn.empty());
}

TEST(ElementTree, PostUpdateVisitsEveryVisibleChild) {
    auto root = Root(R(0, 0, 100, 100));
    EXPECT_FALSE(root->OnProcessPostUpdate());  // no children
    auto* first = new Recorder(root.get(), 2, R(0, 0, 10, 10));
    auto* hidden = new Recorder(root.get(), 3, R(0, 0, 10, 10));
    auto* last = new Recorder(root.get(), 4, R(0, 0, 10, 10));
    hidden->SetVisible(false);
    first->postUpdateResult = true;  // reports work: later siblings still run
    EXPECT_TRUE(root->OnProcessPostUpdate());
    EXPECT_EQ(1, first->postUpdates);
    EXPECT_EQ(0, hidden->postUpdates);
    EXPECT_EQ(1, last->postUpdates);
    root->SetVisible(false);
    EXPECT_FALSE(root->OnProcessPostUpdate());
}

TEST(ElementTree, EventsClimbToTheRoot) {
    auto root = Root(R(0, 0, 100, 100));
    auto* mid = new CKesBaseGUIElement(KESGUI_CONTAINER, nullptr, root.get(), 2, R(0, 0, 10, 10));
    CKesEvent ev{};
    EXPECT_FALSE(mid->OnProcessEvent(ev));  // the root has no parent
    TestContainer top;
    auto* child = new CKesBaseGUIElement(KESGUI_BUTTON, nullptr, &top, 2, R(0, 0, 10, 10));
    EXPECT_FALSE(child->OnProcessEvent(Press(1, 1)));
    EXPECT_EQ((std::vector<std::string>{"press@1,1"}), top.events);
}

// ---- Ownership faults ----

TEST(ElementTree, AnElementDeletedDirectlyLeavesItsParentsList) {
    auto root = Root(R(0, 0, 100, 100));
    auto* a = new CKesBaseGUIElement(KESGUI_BUTTON, nullptr, root.get(), 2, R(0, 0, 10, 10));
    auto* b = new CKesBaseGUIElement(KESGUI_BUTTON, nullptr, root.get(), 3, R(0, 0, 10, 10));
    new CKesBaseGUIElement(KESGUI_BUTTON, nullptr, a, 4, R(0, 0, 10, 10));
    delete a;  // as a script's delete does
    EXPECT_EQ((std::vector<int>{3}), Ids(*root));
    EXPECT_EQ(nullptr, root->FindControlById(4));
    root->DeleteChildren(b);
    EXPECT_FALSE(root->IsChildrens());
}

TEST(ElementTree, DeleteChildrenRefusesSomeoneElsesChild) {
    int destroyed = 0;
    auto [one, other] = TwoRoots();
    auto* child = Counted(other.get(), 5, R(0, 0, 10, 10), &destroyed);
    one->DeleteChildren(child);
    EXPECT_EQ(0, destroyed);
    EXPECT_EQ(child, other->FindControlById(5));
    one->DeleteChildren(nullptr);

    // A parentless element is destroyed.
    auto* loose = Counted(nullptr, 6, R(0, 0, 1, 1), &destroyed);
    one->DeleteChildren(loose);
    EXPECT_EQ(1, destroyed);
    other.reset();
    EXPECT_EQ(2, destroyed);
}

TEST(ElementTree, AddingAChildTwiceOrUnderItselfKeepsOneOwner) {
    int destroyed = 0;
    {
        auto [root, other] = TwoRoots();
        auto* child = Counted(root.get(), 2, R(0, 0, 10, 10), &destroyed);
        root->AddChildren(child);
        root->AddChildren(nullptr);
        EXPECT_EQ((std::vector<int>{2}), Ids(*root));
        // Moving it into another list takes it out of the first; its events
        // follow it.
        other->AddChildren(child);
        EXPECT_FALSE(root->IsChildrens());
        EXPECT_EQ((std::vector<int>{2}), Ids(*other));
        EXPECT_EQ(other.get(), child->GetParent());
        // No cycles: an element never goes below itself.
        auto* grand = new CKesBaseGUIElement(KESGUI_BUTTON, nullptr, child, 3, R(0, 0, 1, 1));
        grand->AddChildren(child);
        child->AddChildren(child);
        grand->AddChildren(other.get());
        EXPECT_EQ((std::vector<int>{3}), Ids(*child));
        EXPECT_FALSE(grand->IsChildrens());
    }
    EXPECT_EQ(1, destroyed);
}

TEST(ElementTree, AParentThatGoesReadsAsNoneAndTheParentChainNeverLoops) {
    auto root = Root(R(0, 0, 100, 100));
    auto* a = new CKesBaseGUIElement(KESGUI_CONTAINER, nullptr, root.get(), 2, R(0, 0, 10, 10));
    auto* b = new CKesBaseGUIElement(KESGUI_BUTTON, nullptr, a, 3, R(0, 0, 10, 10));
    CKesBaseGUIElement loose;
    // Each refused change leaves the parents as they were.
    const std::pair<CKesBaseGUIElement*, CKesBaseGUIElement*> loops[] = {
        {root.get(), root.get()}, {root.get(), b}, {a, b}, {b, b}};
    for (const auto& [element, parent] : loops) {
        EXPECT_EQ(CKesBaseGUIElement::Refusal::Loop, element->RefuseParent(parent));
        element->SetParent(parent);
    }
    b->AddChildren(root.get());
    b->AddChildren(a);
    EXPECT_EQ(nullptr, root->GetParent());
    EXPECT_EQ(root.get(), a->GetParent());
    EXPECT_EQ(a, b->GetParent());
    // A parent that the tree deletes while another element points to it.
    loose.SetParent(b);
    root->DeleteChildren(a);
    EXPECT_EQ(nullptr, loose.GetParent());
    EXPECT_FALSE(loose.OnProcessEvent(Press(1, 1)));
}

TEST(ElementTree, ChildDestructorDeletingALaterSiblingIsSafe) {
    int destroyed = 0;
    auto root = Root(R(0, 0, 100, 100));
    struct Killer : CKesBaseGUIElement {
        explicit Killer(CKesBaseGUIElement* p) : CKesBaseGUIElement(KESGUI_BUTTON, nullptr, p, 9, R(0, 0, 1, 1)) {}
        ~Killer() override { delete victim; }
        CKesBaseGUIElement* victim = nullptr;
    };
    Counted(root.get(), 2, R(0, 0, 10, 10), &destroyed);
    auto* killer = new Killer(root.get());
    auto* b = Counted(root.get(), 3, R(0, 0, 10, 10), &destroyed);
    killer->victim = b;
    root.reset();  // the killer takes b out of the list while the list is being emptied
    EXPECT_EQ(2, destroyed);
}

TEST(ElementTree, ACopyIsDetachedFromTheTree) {
    auto root = Root(R(0, 0, 100, 100));
    auto* child = new CKesBaseGUIElement(KESGUI_BUTTON, nullptr, root.get(), 2, R(1, 2, 3, 4));
    new CKesBaseGUIElement(KESGUI_BUTTON, nullptr, child, 3, R(0, 0, 1, 1));
    {
        CKesBaseGUIElement copy(*child);
        EXPECT_EQ(2, copy.GetID());
        EXPECT_EQ(child->GetAbsoluteRect(), copy.GetAbsoluteRect());
        EXPECT_EQ(nullptr, copy.GetParent());
        EXPECT_FALSE(copy.IsChildrens());
        CKesBaseGUIElement assigned;
        assigned = *child;
        EXPECT_EQ(2, assigned.GetID());
        EXPECT_FALSE(assigned.IsChildrens());
    }
    EXPECT_EQ((std::vector<int>{2}), Ids(*root));
    EXPECT_EQ((std::vector<int>{3}), Ids(*child));

    TestContainer box(nullptr, 5, R(0, 0, 10, 10));
    new CKesBaseGUIElement(KESGUI_BUTTON, nullptr, &box, 6, R(0, 0, 1, 1));
    TestContainer boxCopy(box);
    EXPECT_FALSE(boxCopy.IsChildrens());
    EXPECT_EQ(&boxCopy, boxCopy.GetCurrentElement());
}
