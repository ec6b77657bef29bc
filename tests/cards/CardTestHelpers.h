// Building card lists by point for the card-rule tests.
#pragma once

#include <initializer_list>
#include <map>
#include <vector>

#include "frame/types/Kest2dVector.h"
#include "gui/controls/Kest2dCardRules.h"

namespace kest2d {
namespace test {

constexpr int SJ = 14;  // small joker point
constexpr int BJ = 15;  // big joker point
constexpr int A = 1, J = 11, Q = 12, K = 13;

// Card values for points (1 = A ... 13 = K, 14/15 jokers); repeated points get
// the next suit, so a list never repeats a value.
inline CKesVector<int> Cards(std::initializer_list<int> points) {
    CKesVector<int> values;
    std::map<int, int> seen;
    for (int p : points) {
        if (p == SJ) {
            values.push_back(0x4E);
        } else if (p == BJ) {
            values.push_back(0x4F);
        } else {
            values.push_back((seen[p]++ << 4) | p);
        }
    }
    return values;
}

inline CKesVector<int> Values(std::initializer_list<int> values) {
    CKesVector<int> out;
    for (int v : values) out.push_back(v);
    return out;
}

// Points of the raised cards, in hand order.
inline std::vector<int> RaisedPoints(const CKesCardRules& rules) {
    std::vector<int> points;
    for (const auto& card : rules.Cards()) {
        if (card.isUp) points.push_back(card.data & 0x0F);
    }
    return points;
}

}  // namespace test
}  // namespace kest2d
