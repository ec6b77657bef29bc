// The hand operations of the card control: replacing, revealing, removing and
// playing cards, the text parser, and what a change of the hand does to a
// drag in progress and to the rank table behind the hints.
#include "cardctl/CardCtlFixture.h"

using namespace kest2d;
using namespace kest2d::test;

namespace {

class CardHandTest : public CardCtlFixture {
protected:
    std::vector<int> Data(CKesGUIGameCard* c) { return c->GetCardData().items(); }
    // Every index of the rank table is a card of that rank.
    void ExpectRankTableMatches(CKesGUIGameCard* c) {
        size_t indices = 0;
        for (const auto& entry : c->RankTable()) {
            for (int i : entry.second) {
                ASSERT_GE(i, 0);
                ASSERT_LT(i, c->GetCardCount());
                EXPECT_EQ(entry.first, CKesCardRules::PointToRank(c->GetCardDataByIndex(i) & 0x0F));
                ++indices;
            }
        }
        EXPECT_EQ(static_cast<size_t>(c->GetCardCount()), indices);
    }
    // A drag over cards `from`..`to` of a left-snapped hand at (100, 100),
    // still held.
    void HoldDrag(int from, int to) {
        MoveMouse(CardX(from), kLoweredY);
        PressMouse(CardX(from), kLoweredY);
        MoveMouse(CardX(to), kLoweredY);
    }
};

TEST_F(CardHandTest, ReplacingAndRemovingTheFirstCards) {
    CKesGUIGameCard* c = StartWithHand({{"CardData", "3;4"}});
    c->SetCardData(CKesVector<int>());
    EXPECT_EQ((std::vector<int>{3, 4}), Data(c));
    c->OutRandomCards(0);
    c->OutRandomCards(-2);
    EXPECT_EQ(2, c->GetCardCount());
    c->OutRandomCards(3);
    EXPECT_EQ(0, c->GetCardCount());
    EXPECT_TRUE(c->RankTable().empty());
    c->OutRandomCards(1);  // an empty hand: nothing happens

    c->SetCardData(Vec({5, 6, 7, 8}));
    c->OutRandomCards(2);
    EXPECT_EQ((std::vector<int>{7, 8}), Data(c));
    ExpectRankTableMatches(c);
    DrawGui();
    EXPECT_EQ(FaceOf(7), Px(CardX(0), kLoweredY));
    EXPECT_EQ(kBlack, Px(100 + 2 * kSpace + kW + 1, kLoweredY));
}

TEST_F(CardHandTest, RemoveCardsTakesTheFirstCardOfEachValue) {
    CKesGUIGameCard* c = StartWithHand({{"CardData", "1;2;17;2;3"}});
    c->RemoveCards(CKesVector<int>());
    EXPECT_EQ(5, c->GetCardCount());
    c->RemoveCards(Vec({2, 17, 9, 2, 2}));
    EXPECT_EQ((std::vector<int>{1, 3}), Data(c));
    ExpectRankTableMatches(c);
    c->ClearAllCards();
    c->RemoveCards(Vec({1}));
    EXPECT_EQ(0, c->GetCardCount());
}

TEST_F(CardHandTest, PlayingTheRaisedCards) {
    CKesGUIGameCard* c = StartWithHand({{"CardData", "1;2;3;4;5"}});
    // Select cards 1..3 by dragging, then play them.
    HoldDrag(1, 3);
    ReleaseMouse(CardX(3), kLoweredY);
    EXPECT_EQ((std::vector<int>{2, 3, 4}), c->GetSelectedCards().items());
    c->StartOutCards();
    EXPECT_EQ((std::vector<int>{1, 5}), Data(c));
    EXPECT_TRUE(c->GetSelectedCards().empty());
    ExpectRankTableMatches(c);
    DrawGui();
    EXPECT_EQ(FaceOf(5), Px(CardX(1), kLoweredY));
    EXPECT_EQ(kBlack, Px(CardX(2) + 10, kLoweredY));
    // Nothing raised: nothing leaves; an empty hand stays empty.
    c->StartOutCards();
    EXPECT_EQ(2, c->GetCardCount());
    c->ClearAllCards();
    c->StartOutCards();
    EXPECT_EQ(0, c->GetCardCount());
}

TEST_F(CardHandTest, IndexesOutsideTheHand) {
    CKesGUIGameCard* c = StartWithHand({{"CardData", "1;2;3"}});
    EXPECT_EQ(2, c->GetCardDataByIndex(1));
    EXPECT_EQ(-1, c->GetCardDataByIndex(3));
    EXPECT_EQ(-1, c->GetCardDataByIndex(-1));
    c->UpCardsByIndex({-5, 2, 3, 100});
    EXPECT_EQ((std::vector<int>{3}), c->GetSelectedCards().items());
    c->ClearAllCards();
    c->UpCardsByIndex({0});
    EXPECT_EQ(-1, c->GetCardDataByIndex(0));
    c->SetDisplayCard(3);
    EXPECT_EQ(0, c->GetCardCount());
}

TEST_F(CardHandTest, ParseStringToCards) {
    CKesGUIGameCard* c = StartWithHand();
    const struct {
        const char* text;
        const char* separators;
        std::vector<int> numbers;
        std::vector<std::string> pieces;
    } cases[] = {
        {"1;29;78", ";", {1, 29, 78}, {"1", "29", "78"}},
        {"1,2;3", ",;", {1, 2, 3}, {"1", "2", "3"}},
        // The piece after a trailing separator is kept, and converts to 0.
        {"12;", ";", {12, 0}, {"12", ""}},
        {"1;2;", ";", {1, 2, 0}, {"1", "2", ""}},
        {"", ";", {0}, {""}},
        // A separator at the start: the whole rest is the last piece.
        {"5;;7", ";", {5, 0}, {"5", ";7"}},
        {";3", ";", {0}, {";3"}},
        {"x;7; -3", ";", {0, 7, -3}, {"x", "7", " -3"}},
        {"99999999999;-99999999999", ";", {2147483647, -2147483647 - 1}, {"99999999999", "-99999999999"}},
        {"4;5", "", {4}, {"4;5"}},
    };
    for (const auto& t : cases) {
        EXPECT_EQ(t.numbers, c->ParseStringToCards(t.text, t.separators).items()) << t.text;
        EXPECT_EQ(t.pieces, c->GetParsedPieces()) << t.text;
    }
}

TEST_F(CardHandTest, ClearingAndResettingEndADrag) {
    CKesGUIGameCard* c = StartWithHand({{"CardData", "1;2;3;4;5"}});
    HoldDrag(1, 3);
    ASSERT_EQ(3, c->GetSelectedCardCount());
    c->ResetAllCards();
    EXPECT_FALSE(c->IsDragging());
    EXPECT_EQ(0, c->GetSelectedCardCount());
    EXPECT_EQ(0, c->GetPressIndex());
    EXPECT_EQ(0, c->GetHoverIndex());
    ReleaseMouse(CardX(3), kLoweredY);
    EXPECT_TRUE(c->GetSelectedCards().empty());
    EXPECT_TRUE(f->events.empty());

    HoldDrag(1, 3);
    c->ClearAllCards();
    EXPECT_FALSE(c->IsDragging());
    EXPECT_EQ(0, c->GetSelectedCardCount());
    ReleaseMouse(CardX(3), kLoweredY);
    EXPECT_TRUE(f->events.empty());
    // The cleared hand leaves no groups behind.
    EXPECT_TRUE(c->RankTable().empty());
    EXPECT_EQ(0, c->GetCardTypeCount(OUTTYPE_SINGLE));
}

TEST_F(CardHandTest, AHandChangedDuringADragIsNotTouchedByTheRelease) {
    CKesGUIGameCard* c = StartWithHand({{"CardData", "1;2;3;4;5;6;7;8"}});
    const std::pair<const char*, std::function<void()>> changes[] = {
        {"OutRandomCards", [c]() { c->OutRandomCards(5); }},
        {"RemoveCards", [c]() { c->RemoveCards(Vec({5, 6, 7, 8, 1})); }},
        {"SetCardData", [c]() { c->SetCardData(Vec({9, 10, 11})); }},
        {"StartOutCards", [c]() {
             c->UpCardsByIndex({3, 4, 5, 6, 7});
             c->StartOutCards();
         }},
    };
    for (const auto& change : changes) {
        c->SetCardData(Vec({1, 2, 3, 4, 5, 6, 7, 8}));
        HoldDrag(7, 5);
        ASSERT_EQ(3, c->GetSelectedCardCount()) << change.first;
        change.second();
        EXPECT_FALSE(c->IsDragging()) << change.first;
        EXPECT_EQ(0, c->GetSelectedCardCount()) << change.first;
        ASSERT_EQ(3, c->GetCardCount()) << change.first;
        ReleaseMouse(CardX(5), kLoweredY);
        EXPECT_TRUE(c->GetSelectedCards().empty()) << change.first;
        for (const auto& card : c->Cards()) EXPECT_FALSE(card.isSelected) << change.first;
        ExpectRankTableMatches(c);
        EXPECT_TRUE(f->events.empty()) << change.first;
    }
}

TEST_F(CardHandTest, HintsFollowTheHandAfterRemovals) {
    CKesGUIGameCard* c = StartWithHand({{"CardData", "3;4;5;22"}});
    c->OutRandomCards(2);
    // The single 4 on the table: the 5 beats it.
    c->GetCardsByOutType(Vec({4}));
    EXPECT_EQ((std::vector<int>{5}), c->GetSelectedCards().items());
    c->ResetAllCards();
    c->RemoveCards(Vec({5}));
    c->GetCardsByOutType(Vec({4}));
    EXPECT_EQ((std::vector<int>{22}), c->GetSelectedCards().items());
    EXPECT_EQ(OUTTYPE_SINGLE, c->GetOutType(Vec({22})));
    EXPECT_EQ(6, c->GetCurOutCardValue());
    // The raised hint is drawn raised.
    DrawGui();
    EXPECT_EQ(FaceOf(22), Px(CardX(0), 100));
}

TEST_F(CardHandTest, SortingLaysTheHandOutAgain) {
    CKesGUIGameCard* c = StartWithHand({{"CardData", "2;13;1;3"}});
    c->SortAllCards();
    EXPECT_EQ((std::vector<int>{3, 13, 1, 2}), Data(c));
    DrawGui();
    EXPECT_EQ(FaceOf(3), Px(CardX(0), kLoweredY));
    EXPECT_EQ(FaceOf(2), Px(CardX(3), kLoweredY));
    c->SortAllCards();
    EXPECT_EQ((std::vector<int>{2, 1, 13, 3}), Data(c));
    c->ClearAllCards();
    c->SetCardData(Vec({5, 4}));
    c->SortAllCards();
    EXPECT_EQ((std::vector<int>{4, 5}), Data(c));
}

}  // namespace
