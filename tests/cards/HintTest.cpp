#include <gtest/gtest.h>

#include <cstdint>
#include <vector>

#include "CardTestHelpers.h"

using namespace kest2d;
using namespace kest2d::test;

namespace {

using Points = std::vector<int>;

// One hint scenario: a hand, the play on the table, and the raised points
// after each successive hint call with that play.
struct HintCase {
    const char* name;
    CKesVector<int> hand;
    CKesVector<int> play;
    std::vector<Points> steps;
};

void ExpectHints(const std::vector<HintCase>& cases) {
    for (const HintCase& c : cases) {
        CKesCardRules rules;
        rules.SetCardData(c.hand);
        for (size_t i = 0; i < c.steps.size(); ++i) {
            rules.GetCardsByOutType(c.play);
            EXPECT_EQ(c.steps[i], RaisedPoints(rules)) << c.name << ", call " << i + 1;
        }
    }
}

}  // namespace

TEST(CardHint, GroupsOfEqualCardsStepAndWrap) {
    ExpectHints({
        {"single 4 over 3 55 8 K", Cards({3, 5, 5, 8, K}), Cards({4}), {{8}, {K}, {8}, {K}}},
        {"single A: jokers, then the 2", Cards({K, SJ, 2}), Cards({A}), {{SJ}, {2}, {SJ}}},
        {"single 2: jokers only", Cards({K, A, SJ}), Cards({2}), {{SJ}, {SJ}}},
        {"single K: A and 2 beat it", Cards({3, A, 2}), Cards({K}), {{A}, {2}, {A}}},
        {"small joker: only the big one", Cards({A, 2, BJ}), Cards({SJ}), {{BJ}, {BJ}}},
        {"pair of 5s", Cards({3, 3, 6, 6, 9, 9, 9}), Cards({5, 5}), {{6, 6}, {6, 6}}},
        {"triple of 3s", Cards({4, 4, 4, A, A, A}), Cards({3, 3, 3}), {{4, 4, 4}, {A, A, A}, {4, 4, 4}}},
        {"bomb of 4s", Cards({3, 3, 3, 3, 7, 7, 7, 7}), Cards({4, 4, 4, 4}), {{7, 7, 7, 7}, {7, 7, 7, 7}}},
        {"bomb of 4s, rocket in hand", Cards({3, 3, 3, 3, SJ, BJ}), Cards({4, 4, 4, 4}), {{SJ, BJ}}},
    });
}

TEST(CardHint, TriplesWithAttachments) {
    ExpectHints({
        {"333 4", Cards({5, 5, 5, 7, 9}), Cards({3, 3, 3, 4}), {{5, 5, 5, 7}, {5, 5, 5, 9}, {5, 5, 5, 7}}},
        {"333 4, no single", Cards({5, 5, 5, 6, 6}), Cards({3, 3, 3, 4}), {{}}},
        {"333 44", Cards({5, 5, 5, 7, 7, 8}), Cards({3, 3, 3, 4, 4}), {{5, 5, 5, 7, 7}}},
        {"333 44, no pair, bomb", Cards({5, 5, 5, 8, 9, 9, 9, 9}), Cards({3, 3, 3, 4, 4}), {{9, 9, 9, 9}}},
    });
}

TEST(CardHint, Runs) {
    ExpectHints({
        {"run 3-7 over 4-10", Cards({4, 5, 6, 7, 8, 9, 10}), Cards({3, 4, 5, 6, 7}),
         {{4, 5, 6, 7, 8}, {5, 6, 7, 8, 9}, {6, 7, 8, 9, 10}, {4, 5, 6, 7, 8}}},
        {"a first run ending at the K comes back", Cards({9, 10, J, Q, K}), Cards({3, 4, 5, 6, 7}),
         {{9, 10, J, Q, K}, {9, 10, J, Q, K}, {9, 10, J, Q, K}}},
        {"the scan stops at the first gap", Cards({4, 6, 7, 8, 9, 10}), Cards({3, 4, 5, 6, 7}), {{}}},
        {"gap, then the bomb", Cards({4, 6, 7, 8, 9, 10, 2, 2, 2, 2}), Cards({3, 4, 5, 6, 7}), {{2, 2, 2, 2}}},
        {"gap, then the rocket", Cards({4, 6, 7, 8, 9, 10, SJ, BJ}), Cards({3, 4, 5, 6, 7}), {{SJ, BJ}}},
        {"pairs are not split into runs", Cards({4, 5, 6, 6, 7, 8}), Cards({3, 4, 5, 6, 7}), {{}}},
        {"runs may end at the A", Cards({9, 10, J, Q, K, A}), Cards({3, 4, 5, 6, 7}),
         {{9, 10, J, Q, K}, {10, J, Q, K, A}, {9, 10, J, Q, K}}},
        {"a first run ending at the A comes back", Cards({10, J, Q, K, A}), Cards({4, 5, 6, 7, 8}),
         {{10, J, Q, K, A}, {10, J, Q, K, A}}},
        {"nothing beats 10-A", Cards({J, Q, K, A, 2}), Cards({10, J, Q, K, A}), {{}}},
        {"no run goes on past the A", Cards({Q, K, A, 2, 3}), Cards({3, 4, 5, 6, 7}), {{}}},
        {"pairs QQ KK AA", Cards({Q, Q, K, K, A, A}), Cards({3, 3, 4, 4, 5, 5}), {{Q, Q, K, K, A, A}}},
        {"triples KKK AAA", Cards({K, K, K, A, A, A}), Cards({Q, Q, Q, J, J, J}), {{K, K, K, A, A, A}}},
        {"pairs 33 44 55", Cards({4, 4, 5, 5, 6, 6, 7, 7}), Cards({3, 3, 4, 4, 5, 5}),
         {{4, 4, 5, 5, 6, 6}, {5, 5, 6, 6, 7, 7}, {4, 4, 5, 5, 6, 6}}},
        {"triples 333 444", Cards({5, 5, 5, 6, 6, 6, 7, 7, 7}), Cards({3, 3, 3, 4, 4, 4}),
         {{5, 5, 5, 6, 6, 6}, {6, 6, 6, 7, 7, 7}, {5, 5, 5, 6, 6, 6}}},
    });
}

TEST(CardHint, BombAndRocketFallbacks) {
    ExpectHints({
        {"pair, bomb in hand", Cards({3, 3, 6, 6, 6, 6}), Cards({K, K}), {{6, 6, 6, 6}}},
        {"pair, rocket in hand", Cards({3, 3, SJ, BJ}), Cards({K, K}), {{SJ, BJ}}},
        {"pair, nothing beats", Cards({3, 3, 4}), Cards({K, K}), {{}, {}}},
        {"four with two singles", Cards({3, 3, 3, 3, 8}), Cards({K, K, K, K, 5, 6}), {{3, 3, 3, 3}}},
        {"four with two pairs", Cards({SJ, BJ, 8}), Cards({K, K, K, K, 5, 5, 6, 6}), {{SJ, BJ}}},
        {"triples with singles", Cards({3, 3, 3, 3}), Cards({5, 5, 5, 6, 6, 6, 7, 8}), {{3, 3, 3, 3}}},
        {"rocket on the table", Cards({3, 3, 3, 3, 5}), Cards({SJ, BJ}), {{}}},
        // A play that is no hand only finds the bomb.
        {"no hand on the table", Cards({3, 3, 3, 3, 5}), Cards({4, 6}), {{3, 3, 3, 3}}},
    });
}

TEST(CardHint, NewPlayOrNewHandStartsAfresh) {
    CKesCardRules rules;
    rules.SetCardData(Cards({3, 5, 5, 8, K}));
    rules.GetCardsByOutType(Cards({4}));
    EXPECT_EQ((Points{8}), RaisedPoints(rules));
    // Another play resets the cursors; the cards raised for the last play
    // stay up until the hand is reset.
    rules.GetCardsByOutType(Cards({9}));
    EXPECT_EQ((Points{8, K}), RaisedPoints(rules));
    rules.ResetAllCards();
    rules.GetCardsByOutType(Cards({4}));
    EXPECT_EQ((Points{8}), RaisedPoints(rules));
    // The same play again steps on, given in any order.
    rules.GetCardsByOutType(Cards({4}));
    EXPECT_EQ((Points{K}), RaisedPoints(rules));
    rules.SetCardData(Cards({5, 5, 9, 9}));
    rules.GetCardsByOutType(Values({0x13, 0x03}));
    EXPECT_EQ((Points{5, 5}), RaisedPoints(rules));
    rules.GetCardsByOutType(Values({0x03, 0x13}));
    EXPECT_EQ((Points{9, 9}), RaisedPoints(rules));
    rules.ResetAllCards();
    rules.GetCardsByOutType(Values({0x23, 0x13}));  // another pair of 3s
    EXPECT_EQ((Points{5, 5}), RaisedPoints(rules));

    // A new deal starts the hints afresh, even for the same play.
    rules.SetCardData(Cards({3, 5, 5, 8, K}));
    rules.GetCardsByOutType(Cards({4}));
    EXPECT_EQ((Points{8}), RaisedPoints(rules));
    rules.GetCardsByOutType(Cards({4}));
    EXPECT_EQ((Points{K}), RaisedPoints(rules));
    rules.SetCardData(Cards({3, 5, 5, 8, K}));
    rules.GetCardsByOutType(Cards({4}));
    EXPECT_EQ((Points{8}), RaisedPoints(rules));
    EXPECT_EQ((std::vector<int>{0x08}), rules.GetSelectedCards().items());
}

TEST(CardHint, BadInputsRaiseNothing) {
    CKesCardRules rules;
    rules.GetCardsByOutType(Cards({4}));  // empty hand
    EXPECT_EQ(0, rules.GetCardCount());

    rules.SetCardData(Cards({8, K}));
    rules.GetCardsByOutType(CKesVector<int>());
    EXPECT_TRUE(RaisedPoints(rules).empty());

    // A hand shown face down offers nothing, whatever is played.
    rules.SetCardData(Values({0, 0, 0, 0, 0}));
    rules.GetCardsByOutType(Cards({4}));
    rules.GetCardsByOutType(Cards({3, 3, 3, 3}));
    rules.GetCardsByOutType(Cards({3, 4, 5, 6, 7}));
    rules.GetCardsByOutType(Values({0}));
    EXPECT_TRUE(RaisedPoints(rules).empty());
}

// Random lists of any int, duplicates, face-down cards and all, through every
// rule; nothing may crash and the hand keeps its cards.
TEST(CardHint, RandomInputsNeverBreakTheRules) {
    uint32_t seed = 12345;
    auto next = [&seed]() {
        seed = seed * 1103515245u + 12345u;
        return static_cast<int>(seed >> 8);
    };
    auto randomList = [&](int maxLength) {
        CKesVector<int> list;
        const int length = next() % (maxLength + 1);
        for (int i = 0; i < length; ++i) {
            switch (next() % 4) {
            case 0: list.push_back(next() - (1 << 22)); break;               // anything
            case 1: list.push_back(0); break;                                 // face down
            default: list.push_back(((next() % 4) << 4) | (next() % 16)); break;  // near a card
            }
        }
        return list;
    };
    CKesCardRules rules;
    for (int round = 0; round < 2000; ++round) {
        CKesVector<int> hand = randomList(20);
        rules.SetCardData(hand);
        if (!hand.empty()) {
            ASSERT_EQ(hand.size(), rules.GetCardCount());
        }
        const int count = rules.GetCardCount();
        const CKesVector<int> play = randomList(10);
        const CardOutType type = rules.GetOutType(play);
        ASSERT_GE(type, OUTTYPE_SINGLE);
        ASSERT_LE(type, OUTTYPE_NULL);
        rules.Comparison(play, randomList(10));
        for (int i = 0; i < 3; ++i) rules.GetCardsByOutType(play);
        rules.SortAllCards();
        rules.GetCardsByOutType(play);
        rules.GetCardTypeCount(type);
        ASSERT_EQ(count, rules.GetCardCount());
    }
}
