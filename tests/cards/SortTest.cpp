#include <gtest/gtest.h>

#include <vector>

#include "CardTestHelpers.h"

using namespace kest2d;
using namespace kest2d::test;

namespace {

std::vector<int> HandValues(const CKesCardRules& rules) { return rules.GetCardData().items(); }

// Every card index appears once in the rank table, under its own rank.
void ExpectRankTableMatchesHand(const CKesCardRules& rules) {
    size_t total = 0;
    int previous = -1;
    for (const auto& entry : rules.RankTable()) {
        EXPECT_GT(entry.first, previous);
        previous = entry.first;
        for (int index : entry.second) {
            ASSERT_GE(index, 0);
            ASSERT_LT(index, rules.GetCardCount());
            EXPECT_EQ(entry.first,
                      CKesCardRules::PointToRank(rules.GetCardDataByIndex(index) & 0x0F));
        }
        total += entry.second.size();
    }
    EXPECT_EQ(static_cast<size_t>(rules.GetCardCount()), total);
}

}  // namespace

TEST(CardSort, AlternatesAscendingAndDescending) {
    CKesCardRules rules;
    rules.SetCardData(Values({0x4F, 0x13, 0x01, 0x22, 0x0D, 0x4E, 0x31, 0x03, 0x12}));

    rules.SortAllCards();
    EXPECT_EQ((std::vector<int>{0x13, 0x03, 0x0D, 0x01, 0x31, 0x22, 0x12, 0x4E, 0x4F}), HandValues(rules));
    ExpectRankTableMatchesHand(rules);

    rules.SortAllCards();
    EXPECT_EQ((std::vector<int>{0x4F, 0x4E, 0x12, 0x22, 0x31, 0x01, 0x0D, 0x13, 0x03}), HandValues(rules));
    ExpectRankTableMatchesHand(rules);

    rules.SortAllCards();
    EXPECT_EQ(0x03, rules.GetCardDataByIndex(0) & 0x0F);
    EXPECT_EQ(0x4F, rules.GetCardDataByIndex(8));

    // A new hand sorts ascending first again.
    rules.SetCardData(Values({0x05, 0x04, 0x4E}));
    rules.SortAllCards();
    rules.SetCardData(Values({0x05, 0x04, 0x4E}));
    rules.SortAllCards();
    EXPECT_EQ((std::vector<int>{0x04, 0x05, 0x4E}), HandValues(rules));
    // So does a hand whose raised cards were reset.
    rules.ResetAllCards();
    rules.SortAllCards();
    EXPECT_EQ((std::vector<int>{0x04, 0x05, 0x4E}), HandValues(rules));
}

TEST(CardSort, MovedHighCardsComeBackLoweredAndShown) {
    CKesCardRules rules;
    rules.SetCardData(Values({0x01, 0x0D, 0x4F, 0x03}), false);
    rules.UpCardsByIndex({0, 1, 2, -1, 4, 99});
    rules.SortAllCards();
    ASSERT_EQ((std::vector<int>{0x03, 0x0D, 0x01, 0x4F}), HandValues(rules));
    const auto& cards = rules.Cards();
    EXPECT_FALSE(cards[0].isUp);
    EXPECT_FALSE(cards[0].isDisplay);  // plain cards keep their marks
    EXPECT_TRUE(cards[1].isUp);
    EXPECT_FALSE(cards[2].isUp);       // the A moved: lowered and shown
    EXPECT_TRUE(cards[2].isDisplay);
    EXPECT_FALSE(cards[3].isUp);
    EXPECT_TRUE(cards[3].isDisplay);
    EXPECT_EQ((std::vector<int>{0x0D}), rules.GetSelectedCards().items());
}

TEST(CardSort, BadHandsKeepEveryCard) {
    CKesCardRules rules;
    rules.SortAllCards();  // empty hand
    EXPECT_EQ(0, rules.GetCardCount());
    EXPECT_TRUE(rules.RankTable().empty());

    // An empty list keeps the old hand.
    rules.SetCardData(Values({0x05}));
    rules.SetCardData(CKesVector<int>());
    EXPECT_EQ(1, rules.GetCardCount());

    // Repeated jokers and face-down cards are all kept.
    rules.SetCardData(Values({0x4E, 0x00, 0x4F, 0x4E, 0x4F, 0x03, 0x00, 0x1FF}));
    rules.SortAllCards();
    EXPECT_EQ((std::vector<int>{0x00, 0x00, 0x03, 0x4E, 0x4E, 0x4F, 0x4F, 0xFF}), HandValues(rules));
    ExpectRankTableMatchesHand(rules);
    rules.SortAllCards();
    EXPECT_EQ(8, rules.GetCardCount());
    ExpectRankTableMatchesHand(rules);

    EXPECT_EQ(-1, rules.GetCardDataByIndex(-1));
    EXPECT_EQ(-1, rules.GetCardDataByIndex(8));
    EXPECT_EQ(3, CKesCardRules::GetCardDianShu(0x23));
    EXPECT_EQ(2, CKesCardRules::GetCardHuaSe(0x23));
    EXPECT_EQ(4, CKesCardRules::GetCardHuaSe(0x14F));
}
