// Hint search over a 20-card hand: one hint call per iteration, stepping
// through the candidates for a play on the table, for each kind of play.
// Also hand-type recognition and sorting of the same hand.
#include <benchmark/benchmark.h>

#include <vector>

#include "gui/controls/Kest2dCardRules.h"

using namespace kest2d;

namespace {

CKesVector<int> List(const std::vector<int>& values) {
    CKesVector<int> list;
    for (int v : values) list.push_back(v);
    return list;
}

// 20 cards: 3 4 5 6 7 7 7 8 9 10 J Q K K A 2 2 2 2 (the 2s a bomb) and the big joker.
CKesVector<int> Hand() {
    return List({0x03, 0x04, 0x05, 0x06, 0x07, 0x17, 0x27, 0x08, 0x09, 0x0A, 0x0B,
                 0x0C, 0x0D, 0x1D, 0x01, 0x02, 0x12, 0x22, 0x32, 0x4F});
}

const std::vector<std::vector<int>> kPlays = {
    {0x33},                                     // single 3
    {0x34, 0x24},                               // pair of 4s
    {0x36, 0x26, 0x16},                         // triple of 6s
    {0x33, 0x23, 0x13, 0x3A},                   // 333 + 10
    {0x33, 0x24, 0x35, 0x26, 0x37},             // run 3-7
    {0x33, 0x23, 0x34, 0x24, 0x35, 0x25},       // pairs 33 44 55
    {0x3C, 0x2C, 0x1C, 0x0C},                   // bomb of Qs
};

void BM_HintSearch(benchmark::State& state) {
    CKesCardRules rules;
    rules.SetCardData(Hand());
    rules.SortAllCards();
    const CKesVector<int> play = List(kPlays[static_cast<size_t>(state.range(0))]);
    for (auto _ : state) {
        rules.GetCardsByOutType(play);
        benchmark::DoNotOptimize(rules.Cards().front().isUp);
    }
}
BENCHMARK(BM_HintSearch)->DenseRange(0, static_cast<int>(kPlays.size()) - 1);

void BM_HandType(benchmark::State& state) {
    CKesCardRules rules;
    const CKesVector<int> play = List({0x33, 0x23, 0x13, 0x34, 0x24, 0x14, 0x35, 0x25, 0x15, 0x06, 0x07, 0x08});
    for (auto _ : state) benchmark::DoNotOptimize(rules.GetOutType(play));
}
BENCHMARK(BM_HandType);

void BM_SortHand(benchmark::State& state) {
    CKesCardRules rules;
    rules.SetCardData(Hand());
    for (auto _ : state) {
        rules.SortAllCards();
        benchmark::DoNotOptimize(rules.Cards().front().data);
    }
}
BENCHMARK(BM_SortHand);

}  // namespace
