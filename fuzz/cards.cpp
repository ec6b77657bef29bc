// Fuzzes the card rules: the input is split into a hand and plays (bytes as
// card values, a 0xFF byte ends a list; every fourth byte may widen a value
// beyond a byte), which go through sorting, hand types, comparison and hints.
//
//   ./fuzz_cards -max_total_time=120 corpus/
//
// The rules need only their own source and the debugger output stand-in
// (one command):
//   clang++ -std=c++17 -O1 -g -fsanitize=fuzzer,address,undefined -Isrc fuzz/cards.cpp
//     src/gui/controls/Kest2dCardRules.cpp src/platform/KesDebugOutput.cpp
//     src/frame/types/Kest2dAssert.cpp -o fuzz_cards
#include <cstddef>
#include <cstdint>
#include <cstdlib>
#include <vector>

#include "gui/controls/Kest2dCardRules.h"

using namespace kest2d;

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    std::vector<CKesVector<int>> lists(1);
    for (size_t i = 0; i < size && lists.size() <= 8; ++i) {
        if (data[i] == 0xFF) {
            lists.emplace_back();
            continue;
        }
        int value = data[i];
        if (i % 4 == 3) value = value * 257 - 0x4000;
        lists.back().push_back(value);
    }
    while (lists.size() < 3) lists.emplace_back();

    CKesCardRules rules;
    rules.SetCardData(lists[0]);
    const int count = rules.GetCardCount();
    for (size_t i = 1; i < lists.size(); ++i) {
        const CardOutType type = rules.GetOutType(lists[i]);
        if (type < OUTTYPE_SINGLE || type > OUTTYPE_NULL) std::abort();
        rules.GetCardTypeCount(type);
        rules.Comparison(lists[i], lists[i - 1]);
        rules.GetCardsByOutType(lists[i]);
        rules.GetCardsByOutType(lists[i]);
        rules.SortAllCards();
        rules.GetCardsByOutType(lists[i]);
        if (rules.GetCardCount() != count) std::abort();
    }
    return 0;
}
