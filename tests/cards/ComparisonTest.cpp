#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "CardTestHelpers.h"
#include "platform/KesDebugOutput.h"
#include "support/TestSupport.h"

using namespace kest2d;
using namespace kest2d::test;

TEST(CardComparison, BeatsByTypeThenValue) {
    struct Case {
        const char* name;
        CKesVector<int> first, second;
        bool beats;
    };
    const std::vector<Case> cases = {
        {"bomb of 3s over pair of As", Cards({3, 3, 3, 3}), Cards({A, A}), true},
        {"pair of 2s over pair of As", Cards({2, 2}), Cards({A, A}), true},
        {"pair of As over pair of 2s", Cards({A, A}), Cards({2, 2}), false},
        {"small joker over 2", Cards({SJ}), Cards({2}), true},
        {"2 over small joker", Cards({2}), Cards({SJ}), false},
        {"big joker over small joker", Cards({BJ}), Cards({SJ}), true},
        {"small joker over K", Cards({SJ}), Cards({K}), true},
        {"A over K", Cards({A}), Cards({K}), true},
        {"K over A", Cards({K}), Cards({A}), false},
        {"K over 3", Cards({K}), Cards({3}), true},
        {"3 over 3", Cards({3}), Cards({3}), false},
        {"single K over pair of 3s", Cards({K}), Cards({3, 3}), false},
        {"pair of 3s over single K", Cards({3, 3}), Cards({K}), false},
        {"rocket over bomb of 2s", Cards({SJ, BJ}), Cards({2, 2, 2, 2}), true},
        {"bomb of 2s over rocket", Cards({2, 2, 2, 2}), Cards({SJ, BJ}), false},
        {"bomb of 4s over bomb of 3s", Cards({4, 4, 4, 4}), Cards({3, 3, 3, 3}), true},
        {"bomb of 2s over bomb of As", Cards({2, 2, 2, 2}), Cards({A, A, A, A}), true},
        {"bomb over four with two", Cards({3, 3, 3, 3}), Cards({K, K, K, K, 5, 6}), true},
        {"four with two over bomb", Cards({K, K, K, K, 5, 6}), Cards({3, 3, 3, 3}), false},
        {"444 3 over 333 5", Cards({4, 4, 4, 3}), Cards({3, 3, 3, 5}), true},
        {"10-A over 9-K", Cards({10, J, Q, K, A}), Cards({9, 10, J, Q, K}), true},
        {"4-8 over 3-8", Cards({4, 5, 6, 7, 8}), Cards({3, 4, 5, 6, 7, 8}), false},
        {"empty first", CKesVector<int>(), Cards({3}), false},
        {"empty second", Cards({3}), CKesVector<int>(), false},
        {"no hand first", Cards({3, 5}), Cards({3}), false},
        {"face down second", Cards({3}), Values({0}), false},
    };
    for (const Case& c : cases) {
        CKesCardRules rules;
        EXPECT_EQ(c.beats, rules.Comparison(c.first, c.second)) << c.name;
    }
}

TEST(CardComparison, TracesTypesAndValuesToDebuggerOutput) {
    std::string text;
    platform::SetDebugOutputSink([](const char* t, void* user) { static_cast<std::string*>(user)->append(t); },
                                 &text);
    CKesCardRules rules;
    EXPECT_TRUE(rules.Comparison(Cards({2, 2}), Cards({A, A})));
    EXPECT_EQ(Gbk("对比牌类型:1 1\n对比牌:2 1\n"), text);
    text.clear();
    EXPECT_TRUE(rules.Comparison(Cards({SJ, BJ}), Cards({3})));
    EXPECT_EQ(Gbk("对比牌类型:13 0\n"), text);
    text.clear();
    EXPECT_FALSE(rules.Comparison(Cards({3, 4}), Cards({3})));
    EXPECT_EQ("", text);
    platform::SetDebugOutputSink(nullptr, nullptr);
    platform::DebugOutput(nullptr);  // dropped
}
