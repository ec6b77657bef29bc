#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "CardTestHelpers.h"
#include "platform/KesDebugOutput.h"
#include "support/TestSupport.h"

using namespace kest2d;
using namespace kest2d::test;

namespace {

struct TypeCase {
    const char* name;
    CKesVector<int> cards;
    CardOutType type;
    int value;  // CurOutCardValue afterwards
};

void ExpectTypes(const std::vector<TypeCase>& cases) {
    for (const TypeCase& c : cases) {
        CKesCardRules rules;
        EXPECT_EQ(c.type, rules.GetOutType(c.cards)) << c.name;
        EXPECT_EQ(c.value, rules.GetCurOutCardValue()) << c.name;
    }
}

struct DebugCapture {
    DebugCapture() {
        platform::SetDebugOutputSink([](const char* text, void* user) {
            static_cast<std::string*>(user)->append(text);
        }, &text);
    }
    ~DebugCapture() { platform::SetDebugOutputSink(nullptr, nullptr); }
    std::string text;
};

}  // namespace

TEST(CardHandType, SinglesPairsTriplesAndBombs) {
    ExpectTypes({
        {"single 3", Cards({3}), OUTTYPE_SINGLE, 3},
        {"single A", Cards({A}), OUTTYPE_SINGLE, 1},
        {"single big joker", Cards({BJ}), OUTTYPE_SINGLE, 15},
        {"pair of 5s", Cards({5, 5}), OUTTYPE_YIDUI, 5},
        {"pair of 2s", Cards({2, 2}), OUTTYPE_YIDUI, 2},
        {"5 and 6", Cards({5, 6}), OUTTYPE_NULL, -1},
        {"rocket", Cards({BJ, SJ}), OUTTYPE_HUOJIAN, 14},
        {"joker and A", Cards({SJ, A}), OUTTYPE_NULL, -1},
        {"three 3s", Cards({3, 3, 3}), OUTTYPE_SANZHANG, 3},
        {"3 3 4", Cards({3, 3, 4}), OUTTYPE_NULL, -1},
        {"bomb of 2s", Cards({2, 2, 2, 2}), OUTTYPE_ZHADAN, 2},
        {"bomb of Ks", Cards({K, K, K, K}), OUTTYPE_ZHADAN, 13},
    });
}

TEST(CardHandType, TriplesAndFoursWithAttachments) {
    ExpectTypes({
        {"333 4", Cards({3, 3, 3, 4}), OUTTYPE_SANDAIYI, 3},
        {"4 KKK", Cards({4, K, K, K}), OUTTYPE_SANDAIYI, 13},
        {"333 joker", Cards({3, 3, 3, SJ}), OUTTYPE_SANDAIYI, 3},
        {"33 44", Cards({3, 3, 4, 4}), OUTTYPE_NULL, -1},
        {"333 44", Cards({3, 3, 3, 4, 4}), OUTTYPE_SANDAIYIDUI, 3},
        {"22 AAA", Cards({2, 2, A, A, A}), OUTTYPE_SANDAIYIDUI, 1},
        {"333 4 5", Cards({3, 3, 3, 4, 5}), OUTTYPE_NULL, -1},
        {"2222 3 4", Cards({2, 2, 2, 2, 3, 4}), OUTTYPE_SIDAILIANGZHANG, 2},
        {"2222 3 small joker", Cards({2, 2, 2, 2, 3, SJ}), OUTTYPE_NULL, -1},
        {"2222 rocket", Cards({2, 2, 2, 2, SJ, BJ}), OUTTYPE_NULL, -1},
        {"2222 33", Cards({2, 2, 2, 2, 3, 3}), OUTTYPE_NULL, -1},
        {"5555 33 44", Cards({5, 5, 5, 5, 3, 3, 4, 4}), OUTTYPE_SIDAILIANGDUI, 5},
        {"5555 33 4", Cards({5, 5, 5, 5, 3, 3, 4}), OUTTYPE_NULL, -1},
        {"5555 333 4", Cards({5, 5, 5, 5, 3, 3, 3, 4}), OUTTYPE_NULL, -1},
        {"5555 6666", Cards({5, 5, 5, 5, 6, 6, 6, 6}), OUTTYPE_NULL, -1},
    });
}

TEST(CardHandType, RunsOfSingles) {
    ExpectTypes({
        {"3-7", Cards({3, 4, 5, 6, 7}), OUTTYPE_SHUIZI, 3},
        {"10-A", Cards({10, J, Q, K, A}), OUTTYPE_SHUIZI, 10},
        {"3-A", Cards({3, 4, 5, 6, 7, 8, 9, 10, J, Q, K, A}), OUTTYPE_SHUIZI, 3},
        {"9-K", Cards({K, 9, Q, 10, J}), OUTTYPE_SHUIZI, 9},
        {"A-5", Cards({A, 2, 3, 4, 5}), OUTTYPE_NULL, -1},
        {"2-6", Cards({2, 3, 4, 5, 6}), OUTTYPE_NULL, -1},
        {"J-2", Cards({J, Q, K, A, 2}), OUTTYPE_NULL, -1},
        {"9 J Q K A", Cards({9, J, Q, K, A}), OUTTYPE_NULL, -1},
        {"four singles", Cards({3, 4, 5, 6}), OUTTYPE_NULL, -1},
        {"10-K and big joker", Cards({10, J, Q, K, BJ}), OUTTYPE_NULL, -1},
        {"3-7 with a gap", Cards({3, 4, 5, 6, 8}), OUTTYPE_NULL, -1},
        {"3-7 with a pair", Cards({3, 4, 5, 6, 7, 7}), OUTTYPE_NULL, -1},
    });
}

TEST(CardHandType, RunsOfPairsAndTriples) {
    ExpectTypes({
        {"33 44 55", Cards({3, 3, 4, 4, 5, 5}), OUTTYPE_LIANDUI, 3},
        {"33 44", Cards({3, 3, 4, 4}), OUTTYPE_NULL, -1},
        {"QQ KK AA", Cards({Q, Q, K, K, A, A}), OUTTYPE_LIANDUI, 12},
        {"KK AA 22", Cards({K, K, A, A, 2, 2}), OUTTYPE_NULL, -1},
        {"33 44 66", Cards({3, 3, 4, 4, 6, 6}), OUTTYPE_NULL, -1},
        {"333 444", Cards({3, 3, 3, 4, 4, 4}), OUTTYPE_SANZHANGSHUIZI, 3},
        {"KKK AAA", Cards({K, K, K, A, A, A}), OUTTYPE_SANZHANGSHUIZI, 13},
        {"AAA 222", Cards({A, A, A, 2, 2, 2}), OUTTYPE_NULL, -1},
        {"333 555", Cards({3, 3, 3, 5, 5, 5}), OUTTYPE_NULL, -1},
        {"333-666", Cards({3, 3, 3, 4, 4, 4, 5, 5, 5, 6, 6, 6}), OUTTYPE_SANZHANGSHUIZI, 3},
        {"333 444 5 6", Cards({3, 3, 3, 4, 4, 4, 5, 6}), OUTTYPE_SANZHANGSHUIZIDAIYI, 3},
        {"333 444 555 7 9 J", Cards({3, 3, 3, 4, 4, 4, 5, 5, 5, 7, 9, J}), OUTTYPE_SANZHANGSHUIZIDAIYI, 3},
        {"333 444 5 joker", Cards({3, 3, 3, 4, 4, 4, 5, SJ}), OUTTYPE_NULL, -1},
        {"333 444 5", Cards({3, 3, 3, 4, 4, 4, 5}), OUTTYPE_NULL, -1},
        {"333 555 6 7", Cards({3, 3, 3, 5, 5, 5, 6, 7}), OUTTYPE_NULL, -1},
        {"333 444 55 66", Cards({3, 3, 3, 4, 4, 4, 5, 5, 6, 6}), OUTTYPE_SANZHANGSUUIZIDAIYIDUI, 3},
        {"333 444 55 JJ", Cards({3, 3, 3, 4, 4, 4, 5, 5, J, J}), OUTTYPE_NULL, -1},
        {"333 444 55 KK", Cards({3, 3, 3, 4, 4, 4, 5, 5, K, K}), OUTTYPE_NULL, -1},
        {"333 444 55", Cards({3, 3, 3, 4, 4, 4, 5, 5}), OUTTYPE_NULL, -1},
    });
}

TEST(CardHandType, AceAboveKingCheckTracesToDebuggerOutput) {
    DebugCapture capture;
    CKesCardRules rules;
    EXPECT_EQ(OUTTYPE_SANZHANGSHUIZI, rules.GetOutType(Cards({Q, Q, Q, K, K, K, A, A, A})));
    EXPECT_EQ("12 13\n", capture.text);
    capture.text.clear();
    // Plain runs of singles are checked without tracing.
    EXPECT_EQ(OUTTYPE_SHUIZI, rules.GetOutType(Cards({10, J, Q, K, A})));
    EXPECT_EQ("", capture.text);
}

TEST(CardHandType, BadInputsAreNoHand) {
    CKesCardRules rules;
    rules.GetOutType(Cards({7}));
    // An empty list leaves the last value alone.
    EXPECT_EQ(OUTTYPE_NULL, rules.GetOutType(CKesVector<int>()));
    EXPECT_EQ(7, rules.GetCurOutCardValue());

    ExpectTypes({
        {"face down", Values({0}), OUTTYPE_NULL, -1},
        {"two face down", Values({0, 0}), OUTTYPE_NULL, -1},
        {"3 and face down", Values({0x03, 0}), OUTTYPE_NULL, -1},
        {"suit bits but no point", Values({0x30}), OUTTYPE_NULL, -1},
        {"five 3s (two decks)", Values({0x03, 0x13, 0x23, 0x33, 0x03}), OUTTYPE_NULL, -1},
        {"run and five 9s", Values({3, 4, 5, 6, 7, 9, 9, 9, 9, 9}), OUTTYPE_NULL, -1},
        {"the same 3 twice is a pair", Values({0x03, 0x03}), OUTTYPE_YIDUI, 3},
        {"value above a byte keeps its point", Values({0x133}), OUTTYPE_SINGLE, 3},
    });
}

TEST(CardHandType, CountsPlainGroupsOfTheHand) {
    CKesCardRules rules;
    EXPECT_EQ(0, rules.GetCardTypeCount(OUTTYPE_SINGLE));
    rules.SetCardData(Cards({3, 3, 4, 4, 4, 5, 6, 6, 6, 6, SJ, BJ, A}));
    EXPECT_EQ(4, rules.GetCardTypeCount(OUTTYPE_SINGLE));  // 5, A and the jokers
    EXPECT_EQ(1, rules.GetCardTypeCount(OUTTYPE_YIDUI));
    EXPECT_EQ(1, rules.GetCardTypeCount(OUTTYPE_SANZHANG));
    EXPECT_EQ(1, rules.GetCardTypeCount(OUTTYPE_ZHADAN));
    EXPECT_EQ(1, rules.GetCardTypeCount(OUTTYPE_HUOJIAN));
    EXPECT_EQ(0, rules.GetCardTypeCount(OUTTYPE_SHUIZI));
    EXPECT_EQ(0, rules.GetCardTypeCount(OUTTYPE_NULL));
    EXPECT_EQ(0, rules.GetCardTypeCount(static_cast<CardOutType>(99)));
    EXPECT_EQ(0, rules.GetCardTypeCount(static_cast<CardOutType>(-1)));

    rules.SetCardData(Cards({SJ, 3}));
    EXPECT_EQ(0, rules.GetCardTypeCount(OUTTYPE_HUOJIAN));
    // Cards shown face down are unknown and count as nothing.
    rules.SetCardData(Values({0, 0, 0}));
    EXPECT_EQ(0, rules.GetCardTypeCount(OUTTYPE_SANZHANG));
    rules.SetCardData(Values({0}));
    EXPECT_EQ(0, rules.GetCardTypeCount(OUTTYPE_SINGLE));
}
