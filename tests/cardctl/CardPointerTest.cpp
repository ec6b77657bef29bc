// Raising and lowering cards with the mouse, through the window's messages:
// hit testing, presses, drags, the event reported to the parent and the
// cases where the pointer is ignored.
#include "cardctl/CardCtlFixture.h"

using namespace kest2d;
using namespace kest2d::test;

namespace {

typedef std::vector<std::string> Log;

class CardPointerTest : public CardCtlFixture {
protected:
    // Eight cards A..8 of suit 0, left-snapped at (100, 100).
    CKesGUIGameCard* StartWithEight(Props more = {}) {
        more["CardData"] = "1;2;3;4;5;6;7;8";
        return StartWithHand(more);
    }
    std::vector<int> Raised(CKesGUIGameCard* c) { return c->GetSelectedCards().items(); }
    std::vector<int> Marked(CKesGUIGameCard* c) {
        std::vector<int> marked;
        for (int i = 0; i < c->GetCardCount(); ++i)
            if (c->Cards()[static_cast<size_t>(i)].isSelected) marked.push_back(i);
        return marked;
    }
    void Click(int x, int y) {
        MoveMouse(x, y);
        PressMouse(x, y);
        ReleaseMouse(x, y);
    }
};

TEST_F(CardPointerTest, AClickTogglesTheCardAndReportsASelection) {
    CKesGUIGameCard* c = StartWithEight();
    MoveMouse(CardX(3), kLoweredY);
    EXPECT_EQ(3, c->GetHoverIndex());
    PressMouse(CardX(3), kLoweredY);
    EXPECT_TRUE(c->IsDragging());
    EXPECT_EQ(3, c->GetPressIndex());
    EXPECT_EQ((std::vector<int>{3}), Marked(c));
    EXPECT_EQ(0, c->GetSelectedCardCount());
    ReleaseMouse(CardX(3), kLoweredY);
    EXPECT_EQ((std::vector<int>{4}), Raised(c));
    EXPECT_FALSE(c->IsDragging());
    EXPECT_TRUE(Marked(c).empty());
    EXPECT_EQ((Log{"gui7"}), f->events);
    ASSERT_EQ(1u, f->raw.size());
    EXPECT_EQ(c, f->raw[0].mGuiEvent.Caller);
    EXPECT_EQ(nullptr, f->raw[0].mGuiEvent.Element);
    EXPECT_EQ(KESGET_ELEMENT_SELECTED, f->raw[0].mGuiEvent.EventType);

    // The raised card is hit over its whole height, also above the others.
    Click(CardX(3), 101);
    EXPECT_TRUE(Raised(c).empty());
    // The last card is hit over its whole width.
    Click(100 + 7 * kSpace + kW - 2, kLoweredY);
    EXPECT_EQ((std::vector<int>{8}), Raised(c));
}

TEST_F(CardPointerTest, APressTogglesOnlyWhenThePointerLastMovedOverThatCard) {
    CKesGUIGameCard* c = StartWithEight();
    MoveMouse(CardX(1), kLoweredY);
    PressMouse(CardX(3), kLoweredY);
    ReleaseMouse(CardX(3), kLoweredY);
    EXPECT_TRUE(Raised(c).empty());
    EXPECT_EQ((Log{"gui7"}), f->events);  // still reported
    // Moving within the same card after the press toggles it.
    PressMouse(CardX(3), kLoweredY);
    MoveMouse(CardX(3) + 2, kLoweredY);
    ReleaseMouse(CardX(3) + 2, kLoweredY);
    EXPECT_EQ((std::vector<int>{4}), Raised(c));
}

TEST_F(CardPointerTest, DraggingFromCard5BackToCard2FlipsFourCards) {
    CKesGUIGameCard* c = StartWithEight();
    c->UpCardsByIndex({3});
    MoveMouse(CardX(5), kLoweredY);
    PressMouse(CardX(5), kLoweredY);
    MoveMouse(CardX(4), kLoweredY);
    EXPECT_EQ((std::vector<int>{4, 5}), c->GetDragList());
    MoveMouse(CardX(2), kLoweredY);
    EXPECT_EQ((std::vector<int>{2, 3, 4, 5}), c->GetDragList());
    EXPECT_EQ(4, c->GetSelectedCardCount());
    EXPECT_EQ((std::vector<int>{2, 3, 4, 5}), Marked(c));
    // Back towards the start the range shrinks again.
    MoveMouse(CardX(4), kLoweredY);
    EXPECT_EQ((std::vector<int>{4, 5}), Marked(c));
    MoveMouse(CardX(2), kLoweredY);
    EXPECT_TRUE(f->events.empty());
    ReleaseMouse(CardX(2), kLoweredY);
    // Card 3 was raised: it is lowered, the others raised.
    EXPECT_EQ((std::vector<int>{3, 5, 6}), Raised(c));
    EXPECT_EQ((Log{"gui7"}), f->events);
    EXPECT_EQ(0, c->GetSelectedCardCount());
    EXPECT_TRUE(Marked(c).empty());

    // A drag forwards works the same way.
    f->events.clear();
    MoveMouse(CardX(6), kLoweredY);
    PressMouse(CardX(6), kLoweredY);
    MoveMouse(CardX(7), kLoweredY);
    ReleaseMouse(CardX(7), kLoweredY);
    EXPECT_EQ((std::vector<int>{3, 5, 6, 7, 8}), Raised(c));
    EXPECT_EQ((Log{"gui7"}), f->events);
}

TEST_F(CardPointerTest, OnlyTheHandItselfTakesPresses) {
    CKesGUIGameCard* c = StartWithEight();
    // The empty band above a lowered card.
    MoveMouse(CardX(2), 100 + kUp - 1);
    PressMouse(CardX(2), 100 + kUp - 1);
    EXPECT_FALSE(c->IsDragging());
    EXPECT_EQ(0, c->GetHoverIndex());
    // Below the hand's rectangle (origin + card height), though on a lowered card.
    PressMouse(CardX(2), 100 + kH + 2);
    EXPECT_FALSE(c->IsDragging());
    // Right of the hand, inside the control.
    PressMouse(100 + 7 * kSpace + kW + 5, kLoweredY);
    EXPECT_FALSE(c->IsDragging());
    ReleaseMouse(100 + 7 * kSpace + kW + 5, kLoweredY);
    EXPECT_TRUE(f->events.empty());
    // A raised card takes the band.
    c->UpCardsByIndex({2});
    MoveMouse(CardX(2), 100 + kUp - 1);
    EXPECT_EQ(2, c->GetHoverIndex());
    PressMouse(CardX(2), 100 + kUp - 1);
    EXPECT_TRUE(c->IsDragging());
    ReleaseMouse(CardX(2), 100 + kUp - 1);
    EXPECT_TRUE(Raised(c).empty());
}

TEST_F(CardPointerTest, LeavingTheControlEndsTheDragWithoutChange) {
    CKesGUIGameCard* c = StartWithEight();
    MoveMouse(CardX(1), kLoweredY);
    PressMouse(CardX(1), kLoweredY);
    MoveMouse(CardX(3), kLoweredY);
    ASSERT_EQ(3, c->GetSelectedCardCount());
    MoveMouse(600, 400);
    EXPECT_FALSE(c->IsDragging());
    EXPECT_EQ(0, c->GetSelectedCardCount());
    EXPECT_TRUE(Marked(c).empty());
    ReleaseMouse(600, 400);
    EXPECT_TRUE(Raised(c).empty());
    EXPECT_EQ((Log{"move@600,400", "release@600,400"}), f->events);

    // The focus-loss handler alone does the same.
    MoveMouse(CardX(1), kLoweredY);
    PressMouse(CardX(1), kLoweredY);
    c->OnProcessLostFocusEvent(CKesEvent{});
    EXPECT_FALSE(c->IsDragging());
    EXPECT_TRUE(Marked(c).empty());
}

TEST_F(CardPointerTest, APressWithoutReleaseStartsAfresh) {
    CKesGUIGameCard* c = StartWithEight();
    MoveMouse(CardX(1), kLoweredY);
    PressMouse(CardX(1), kLoweredY);
    MoveMouse(CardX(3), kLoweredY);
    // The release never came (it happened outside the window).
    PressMouse(CardX(5), kLoweredY);
    EXPECT_EQ((std::vector<int>{5}), Marked(c));
    EXPECT_EQ(0, c->GetSelectedCardCount());
    MoveMouse(CardX(5), kLoweredY);
    ReleaseMouse(CardX(5), kLoweredY);
    EXPECT_EQ((std::vector<int>{6}), Raised(c));
}

TEST_F(CardPointerTest, ThePointerIsIgnoredWhereTheHandCannotBeHit) {
    CKesGUIGameCard* c = StartWithEight();
    auto tryClick = [&]() {
        Click(CardX(2), kLoweredY);
        EXPECT_TRUE(c->OnProcessEvent(Press(CardX(2), kLoweredY)));
        EXPECT_TRUE(c->OnProcessEvent(Release(CardX(2), kLoweredY)));
        EXPECT_FALSE(c->IsDragging());
        EXPECT_TRUE(Raised(c).empty());
        EXPECT_TRUE(f->events.empty()) << ::testing::PrintToString(f->events);
    };
    // A card step of 0 (the hit test divides by it).
    c->SetCardSpace(0);
    tryClick();
    c->SetCardSpace(kSpace);
    // A column or a stack.
    c->SetCardDirection(CKesGUIGameCard::CARDDIR_ZONGXIANG);
    tryClick();
    c->SetCardDirection(CKesGUIGameCard::CARDDIR_HENGXIANG);
    c->SetDisType(CKesGUIGameCard::CARDDIS_STACK_LEFT);
    tryClick();
    c->SetDisType(CKesGUIGameCard::CARDDIS_HAND);
    // Other events and other buttons.
    EXPECT_TRUE(c->OnProcessEvent(Key(65, true)));
    EXPECT_TRUE(c->OnProcessEvent(Mouse(KESMIE_RMOUSE_PRESSED_DOWN, CardX(2), kLoweredY)));
    EXPECT_FALSE(c->IsDragging());
    // A disabled control: the router passes it by, and it refuses events.
    c->SetEnabled(false);
    Click(CardX(2), kLoweredY);
    EXPECT_FALSE(c->OnProcessEvent(Press(CardX(2), kLoweredY)));
    EXPECT_FALSE(c->IsDragging());
    c->SetEnabled(true);
    f->events.clear();
    // An empty hand.
    c->ClearAllCards();
    Click(CardX(2), kLoweredY);
    EXPECT_TRUE(f->events.empty());
}

TEST_F(CardPointerTest, TheReleaseAnswersWithTheParentsResult) {
    CKesGUIGameCard* c = StartWithEight();
    f->onEvent = [](const CKesEvent&) { return false; };
    c->OnProcessEvent(MoveTo(CardX(1), kLoweredY));
    c->OnProcessEvent(Press(CardX(1), kLoweredY));
    EXPECT_FALSE(c->OnProcessEvent(Release(CardX(1), kLoweredY)));
    EXPECT_EQ((std::vector<int>{2}), Raised(c));

    // Without a parent nothing is reported and the answer is true.
    CKesGUIGameCard orphan(f, nullptr, 9, "orphan", CKesRect<int>(100, 400, 300, 460));
    orphan.SetCardWidthAndHeight(kW, kH);
    orphan.SetCardSpace(kSpace);
    orphan.SetSnapType(CKesGUIGameCard::CARD_SNAP_LEFT);
    orphan.SetCardData(Vec({1, 2, 3}));
    f->events.clear();
    EXPECT_TRUE(orphan.OnProcessEvent(MoveTo(105, 410)));
    EXPECT_TRUE(orphan.OnProcessEvent(Press(105, 410)));
    EXPECT_TRUE(orphan.OnProcessEvent(Release(105, 410)));
    EXPECT_EQ((std::vector<int>{1}), orphan.GetSelectedCards().items());
    EXPECT_TRUE(f->events.empty());
}

TEST_F(CardPointerTest, TheParentMayDeleteTheControlOnSelection) {
    CKesGUIGameCard* c = StartWithEight();
    const CKesGUIElementRef ref = c->GetRef();
    f->onEvent = [](const CKesEvent& ev) {
        if (ev.mEventType == KESET_GUI_EVENT && ev.mGuiEvent.EventType == KESGET_ELEMENT_SELECTED)
            delete ev.mGuiEvent.Caller;
        return true;
    };
    Click(CardX(1), kLoweredY);
    EXPECT_FALSE(ref);
    MoveMouse(CardX(2), kLoweredY);
    EXPECT_EQ((Log{"gui7", "move@" + std::to_string(CardX(2)) + "," + std::to_string(kLoweredY)}), f->events);
}

TEST_F(CardPointerTest, ACentredHandIsHitWhereItIsDrawn) {
    CKesGUIGameCard* c = StartWithHand({{"SnapType", "1"}, {"CardData", "1;2;3"}});
    // T = 44: the hand starts at 100 + 200 - 22 = 278.
    Click(278 + kSpace + 2, kLoweredY);
    EXPECT_EQ((std::vector<int>{2}), Raised(c));
    DrawGui();
    EXPECT_EQ(FaceOf(2), Px(278 + kSpace + 2, 100));
    EXPECT_EQ(kBlack, Px(278 + 2, 100));
    // Left of the hand: outside its rectangle.
    Click(270, kLoweredY);
    EXPECT_EQ((std::vector<int>{2}), Raised(c));
}

}  // namespace
