#include "gui/controls/Kest2dCardRules.h"

#include <algorithm>
#include <cstdio>

#include "platform/KesDebugOutput.h"

namespace kest2d {

namespace {

const int kSmallJoker = 14;
const int kBigJoker = 15;
const int kRankA = 16;
const int kRank2 = 17;

bool IsJokerPoint(int point) { return point == kSmallJoker || point == kBigJoker; }

void DebugPair(const char* format, int a, int b) {
    char text[64];
    std::snprintf(text, sizeof(text), format, a, b);
    platform::DebugOutput(text);
}

// Whether the ascending raw points of a play's groups form a run. A plain run
// may not hold A, 2 or a joker; the A may also stand above the K (10 J Q K A).
bool IsRun(const std::vector<int>& points, bool trace) {
    if (points.empty()) return false;
    bool consecutive = true;
    for (size_t i = 0; i + 1 < points.size(); ++i) {
        if (points[i + 1] - points[i] != 1) {
            consecutive = false;
            break;
        }
    }
    if (consecutive) {
        for (int p : points) {
            if (p == 1 || p == 2 || IsJokerPoint(p)) return false;
        }
        return true;
    }
    if (points.front() != 1 || points.back() != 13) return false;
    for (size_t i = 1; i + 1 < points.size(); ++i) {
        if (trace) DebugPair("%d %d\n", points[i], points[i + 1]);
        if (points[i + 1] - points[i] != 1) return false;
    }
    return true;
}

// The key point of a run: its lowest point that is neither A nor 2.
int RunValue(const std::vector<int>& points) {
    for (int p : points) {
        if (p != 1 && p != 2) return p;
    }
    return -1;
}

// Whether a group of rank `rank` beats the raw point `value`.
bool RankBeats(int rank, int value) {
    if (value == 1 || value == 2) {
        return rank == kSmallJoker || rank == kBigJoker || (value == 1 && rank == kRank2);
    }
    if (rank >= 3 && rank <= kBigJoker) return rank > value;
    if (rank == kRankA || rank == kRank2) return !IsJokerPoint(value);
    return false;
}

int GroupSize(CardOutType type) {
    switch (type) {
    case OUTTYPE_SINGLE: return 1;
    case OUTTYPE_YIDUI: return 2;
    case OUTTYPE_SANZHANG: return 3;
    case OUTTYPE_ZHADAN: return 4;
    default: return 0;
    }
}

int RunGroupSize(CardOutType type) {
    switch (type) {
    case OUTTYPE_SHUIZI: return 1;
    case OUTTYPE_LIANDUI: return 2;
    case OUTTYPE_SANZHANGSHUIZI:
    case OUTTYPE_SANZHANGSHUIZIDAIYI: return 3;
    default: return 0;
    }
}

int TableValue(const std::map<int, int>& table, int key) {
    auto it = table.find(key);
    return it == table.end() ? 0 : it->second;
}

}  // namespace

int CKesCardRules::PointToRank(int point) {
    if (point == 1) return kRankA;
    if (point == 2) return kRank2;
    return point;
}

// ---- The hand ----

void CKesCardRules::SetCardData(const CKesVector<int>& cards, bool show) {
    if (cards.empty()) return;
    m_Cards.clear();
    m_SortAscending = true;
    for (int value : cards.items()) {
        GameCard card;
        card.data = static_cast<unsigned char>(value & 0xFF);
        card.isDisplay = show;
        m_Cards.push_back(card);
    }
    AnalyseAllCards();
    // A new hand: hints must not step on from cursors of the previous one.
    ResetHintState();
}

CKesVector<int> CKesCardRules::GetCardData() const {
    CKesVector<int> values;
    for (const GameCard& card : m_Cards) values.push_back(card.data);
    return values;
}

CKesVector<int> CKesCardRules::GetSelectedCards() const {
    CKesVector<int> values;
    for (const GameCard& card : m_Cards) {
        if (card.isUp) values.push_back(card.data);
    }
    return values;
}

int CKesCardRules::GetCardDataByIndex(int index) const {
    if (index < 0 || index >= GetCardCount()) return -1;
    return m_Cards[static_cast<size_t>(index)].data;
}

void CKesCardRules::UpCardsByIndex(const std::vector<int>& indices) {
    for (int index : indices) {
        if (index >= 0 && index < GetCardCount()) m_Cards[static_cast<size_t>(index)].isUp = true;
    }
}

void CKesCardRules::ResetAllCards() {
    for (GameCard& card : m_Cards) {
        card.isUp = false;
        card.isSelected = false;
    }
    m_SortAscending = true;
}

// ---- Hand analysis ----

void CKesCardRules::SortAllCards() {
    const bool ascending = m_SortAscending;
    auto byPoint = [ascending](const GameCard& a, const GameCard& b) {
        return ascending ? GetCardDianShu(a.data) < GetCardDianShu(b.data)
                         : GetCardDianShu(a.data) > GetCardDianShu(b.data);
    };
    std::stable_sort(m_Cards.begin(), m_Cards.end(), byPoint);

    // A, 2 and the jokers rank above the K: take them out and put them back
    // at the high end.
    std::vector<GameCard> aces, twos, smallJokers, bigJokers;
    std::deque<GameCard> rest;
    for (const GameCard& card : m_Cards) {
        switch (GetCardDianShu(card.data)) {
        case 1: aces.push_back(card); break;
        case 2: twos.push_back(card); break;
        case kSmallJoker: smallJokers.push_back(card); break;
        case kBigJoker: bigJokers.push_back(card); break;
        default: rest.push_back(card); break;
        }
    }
    auto moved = [](GameCard card) {
        card.isUp = false;
        card.isSelected = false;
        card.isDisplay = true;
        return card;
    };
    for (const std::vector<GameCard>* group : {&aces, &twos, &smallJokers, &bigJokers}) {
        for (const GameCard& card : *group) {
            if (ascending) {
                rest.push_back(moved(card));
            } else {
                rest.push_front(moved(card));
            }
        }
    }
    m_Cards.swap(rest);

    m_SortAscending = !m_SortAscending;
    m_RankTable.clear();
    AnalyseAllCards();
}

void CKesCardRules::AnalyseAllCards() {
    m_RankTable.clear();
    for (int i = 0; i < GetCardCount(); ++i) {
        const int rank = PointToRank(GetCardDianShu(m_Cards[static_cast<size_t>(i)].data));
        m_RankTable[static_cast<unsigned char>(rank)].push_back(i);
    }
}

CardOutType CKesCardRules::GetOutType(CKesVector<int> cards) {
    if (cards.empty()) return OUTTYPE_NULL;
    cards.sort();
    CurOutCardValue = -1;

    const std::vector<int>& values = cards.items();
    const int count = cards.size();
    std::map<int, int> groups;  // raw point -> cards of that point
    for (int value : values) {
        const int point = GetCardDianShu(value);
        // A face-down card is no card of a play.
        if (point == 0) return OUTTYPE_NULL;
        ++groups[point];
    }
    const int first = GetCardDianShu(values[0]);

    if (count == 1) {
        CurOutCardValue = first;
        return OUTTYPE_SINGLE;
    }
    if (count == 2) {
        const int second = GetCardDianShu(values[1]);
        if (first == second) {
            CurOutCardValue = first;
            return OUTTYPE_YIDUI;
        }
        if (IsJokerPoint(first) && IsJokerPoint(second)) {
            CurOutCardValue = first;
            return OUTTYPE_HUOJIAN;
        }
        return OUTTYPE_NULL;
    }
    if (groups.size() == 1 && (count == 3 || count == 4)) {
        CurOutCardValue = first;
        return count == 3 ? OUTTYPE_SANZHANG : OUTTYPE_ZHADAN;
    }

    // Count the groups by size; their points stay in ascending order.
    std::vector<int> singles, pairs, triples, fours;
    for (const auto& group : groups) {
        switch (group.second) {
        case 1: singles.push_back(group.first); break;
        case 2: pairs.push_back(group.first); break;
        case 3: triples.push_back(group.first); break;
        case 4: fours.push_back(group.first); break;
        default: return OUTTYPE_NULL;  // more than one deck holds
        }
    }
    const size_t nSingles = singles.size(), nPairs = pairs.size();
    const size_t nTriples = triples.size(), nFours = fours.size();
    auto anyJoker = [](const std::vector<int>& points) {
        return std::any_of(points.begin(), points.end(), IsJokerPoint);
    };

    if (count == 4 && nTriples == 1 && nSingles == 1) {
        CurOutCardValue = triples[0];
        return OUTTYPE_SANDAIYI;
    }
    if (count == 5 && nTriples == 1 && nPairs == 1) {
        CurOutCardValue = triples[0];
        return OUTTYPE_SANDAIYIDUI;
    }
    if (count == 6 && nPairs == 0 && nTriples == 0 && nFours == 1 && nSingles == 2) {
        if (anyJoker(singles)) return OUTTYPE_NULL;
        CurOutCardValue = fours[0];
        return OUTTYPE_SIDAILIANGZHANG;
    }
    if (count == 8 && nPairs == 2 && nTriples == 0 && nFours == 1 && nSingles == 0) {
        if (anyJoker(pairs)) return OUTTYPE_NULL;
        CurOutCardValue = fours[0];
        return OUTTYPE_SIDAILIANGDUI;
    }
    if (count >= 5 && nPairs == 0 && nTriples == 0 && nFours == 0 && nSingles >= 5) {
        if (!IsRun(singles, false)) return OUTTYPE_NULL;
        CurOutCardValue = RunValue(singles);
        return OUTTYPE_SHUIZI;
    }
    if (count >= 6 && nTriples >= 2 && nFours == 0 && nPairs == 0 && nSingles == nTriples) {
        if (!IsRun(triples, true) || anyJoker(singles)) return OUTTYPE_NULL;
        CurOutCardValue = RunValue(triples);
        return OUTTYPE_SANZHANGSHUIZIDAIYI;
    }
    if (count >= 6 && nTriples >= 2 && nFours == 0 && nSingles == 0 && nPairs == nTriples) {
        const bool courtPair = std::any_of(pairs.begin(), pairs.end(), [](int p) { return p >= 11; });
        if (!IsRun(triples, true) || courtPair) return OUTTYPE_NULL;
        CurOutCardValue = RunValue(triples);
        return OUTTYPE_SANZHANGSUUIZIDAIYIDUI;
    }
    if (count >= 6 && nSingles == 0 && nTriples >= 2 && nFours == 0 && nPairs == 0) {
        if (!IsRun(triples, true)) return OUTTYPE_NULL;
        CurOutCardValue = RunValue(triples);
        return OUTTYPE_SANZHANGSHUIZI;
    }
    if (count >= 6 && nSingles == 0 && nTriples == 0 && nFours == 0 && nPairs >= 3) {
        if (!IsRun(pairs, true)) return OUTTYPE_NULL;
        CurOutCardValue = RunValue(pairs);
        return OUTTYPE_LIANDUI;
    }
    return OUTTYPE_NULL;
}

int CKesCardRules::GetCardTypeCount(CardOutType type) const {
    if (m_RankTable.empty()) return 0;
    int counts[OUTTYPE_NULL + 1] = {};
    for (const auto& entry : m_RankTable) {
        if (entry.first == 0) continue;  // face-down cards are unknown
        switch (entry.second.size()) {
        case 1: ++counts[OUTTYPE_SINGLE]; break;
        case 2: ++counts[OUTTYPE_YIDUI]; break;
        case 3: ++counts[OUTTYPE_SANZHANG]; break;
        case 4: ++counts[OUTTYPE_ZHADAN]; break;
        default: break;
        }
    }
    auto small = m_RankTable.find(kSmallJoker);
    auto big = m_RankTable.find(kBigJoker);
    if (small != m_RankTable.end() && big != m_RankTable.end() && small->second.size() == 1 &&
        big->second.size() == 1) {
        counts[OUTTYPE_HUOJIAN] = 1;
    }
    if (type < OUTTYPE_SINGLE || type > OUTTYPE_NULL) return 0;
    return counts[type];
}

// ---- Comparison ----

bool CKesCardRules::Comparison(CKesVector<int> first, CKesVector<int> second) {
    if (first.empty() || second.empty()) return false;
    first.sort();
    second.sort();
    const CardOutType t1 = GetOutType(first);
    const int x1 = CurOutCardValue;
    const CardOutType t2 = GetOutType(second);
    const int x2 = CurOutCardValue;
    if (t1 == OUTTYPE_NULL || t2 == OUTTYPE_NULL) return false;
    DebugPair("对比牌类型:%d %d\n", t1, t2);

    if (t1 != t2) return t1 > t2 && (t1 == OUTTYPE_ZHADAN || t1 == OUTTYPE_HUOJIAN);
    if (first.size() != second.size()) return false;

    DebugPair("对比牌:%d %d\n", x1, x2);
    // 3 < 4 < ... < K < A < 2 < small joker < big joker.
    const bool high1 = x1 == 1 || x1 == 2;
    const bool high2 = x2 == 1 || x2 == 2;
    if (high1) {
        if (high2) return x1 > x2;
        return !IsJokerPoint(x2);
    }
    if (high2) return IsJokerPoint(x1);
    return x1 > x2;
}

// ---- Hints ----

bool CKesCardRules::IsEquation(const CKesVector<int>& a, const CKesVector<int>& b) {
    if (a.empty() || b.empty() || a.size() != b.size()) return false;
    return a.items() == b.items();
}

void CKesCardRules::ResetHintState() {
    m_HintCursor.clear();
    m_HintFirst.clear();
    m_LastHintInput.clear();
    m_CurHintType = OUTTYPE_NULL;
}

bool CKesCardRules::RaiseRank(int rank, bool raise) {
    if (rank < 0 || rank > 0xFF) return false;
    auto it = m_RankTable.find(static_cast<unsigned char>(rank));
    if (it == m_RankTable.end()) return false;
    for (int index : it->second) {
        if (index >= 0 && index < GetCardCount()) m_Cards[static_cast<size_t>(index)].isUp = raise;
    }
    return true;
}

bool CKesCardRules::AnyCardUp() const {
    return std::any_of(m_Cards.begin(), m_Cards.end(), [](const GameCard& c) { return c.isUp; });
}

void CKesCardRules::GetCardsByOutType(CKesVector<int> play) {
    if (m_RankTable.empty() || m_Cards.empty() || play.empty()) return;
    play.sort();
    const CardOutType type = GetOutType(play);
    const int value = CurOutCardValue;

    if (!(type == m_CurHintType && IsEquation(play, m_LastHintInput))) {
        m_CurHintType = type;
        m_LastHintInput = play;
        m_HintCursor.clear();
        m_HintFirst.clear();
    }

    const int count = play.size();
    switch (type) {
    case OUTTYPE_SINGLE:
    case OUTTYPE_YIDUI:
    case OUTTYPE_SANZHANG:
    case OUTTYPE_ZHADAN:
        GetBaseCardsByOutType(type, value, true);
        break;
    case OUTTYPE_SANDAIYI:
    case OUTTYPE_SANDAIYIDUI:
        if (GetBaseCardsByOutType(OUTTYPE_SANZHANG, value, true)) {
            const CardOutType attachment = type == OUTTYPE_SANDAIYI ? OUTTYPE_SINGLE : OUTTYPE_YIDUI;
            if (!GetBaseCardsByOutType(attachment, 0, true)) ResetAllCards();
        }
        break;
    case OUTTYPE_SHUIZI:
        GetLianPaiCardsByOutType(type, value, count, true);
        break;
    case OUTTYPE_LIANDUI:
        GetLianPaiCardsByOutType(type, value, count / 2, true);
        break;
    case OUTTYPE_SANZHANGSHUIZI:
        GetLianPaiCardsByOutType(type, value, count / 3, true);
        break;
    default:
        break;
    }

    if (!AnyCardUp() && type != OUTTYPE_ZHADAN && type != OUTTYPE_HUOJIAN) {
        GetBaseCardsByOutType(OUTTYPE_ZHADAN, 0, true);
    }
    if (!AnyCardUp()) GetBaseCardsByOutType(OUTTYPE_HUOJIAN, 0, true);
}

bool CKesCardRules::GetBaseCardsByOutType(CardOutType type, int value, bool raise) {
    if (type == OUTTYPE_HUOJIAN) {
        auto small = m_RankTable.find(kSmallJoker);
        auto big = m_RankTable.find(kBigJoker);
        if (small == m_RankTable.end() || big == m_RankTable.end() || small->second.size() != 1 ||
            big->second.size() != 1) {
            return false;
        }
        RaiseRank(kSmallJoker, raise);
        RaiseRank(kBigJoker, raise);
        return true;
    }
    const size_t n = static_cast<size_t>(GroupSize(type));
    if (n == 0) return false;

    const int cursor = TableValue(m_HintCursor, type);
    auto it = cursor == 0 ? m_RankTable.begin()
                          : m_RankTable.lower_bound(static_cast<unsigned char>(std::min(cursor, 0xFF)));
    for (; it != m_RankTable.end(); ++it) {
        const int rank = it->first;
        if (it->second.size() != n || rank == cursor || !RankBeats(rank, value)) continue;
        if (cursor != 0) RaiseRank(cursor, false);
        m_HintCursor[type] = rank;
        if (TableValue(m_HintFirst, type) == 0) m_HintFirst[type] = rank;
        RaiseRank(rank, raise);
        return true;
    }

    // Past the last candidate: back to the first one.
    const int firstRank = TableValue(m_HintFirst, type);
    if (firstRank == 0) return false;
    auto firstGroup = m_RankTable.find(static_cast<unsigned char>(firstRank));
    if (firstGroup == m_RankTable.end() || firstGroup->second.size() != n) return false;
    if (cursor != 0) RaiseRank(cursor, false);
    RaiseRank(firstRank, raise);
    m_HintCursor[type] = firstRank;
    return true;
}

bool CKesCardRules::GetLianPaiCardsByOutType(CardOutType type, int value, int length, bool raise) {
    const size_t n = static_cast<size_t>(RunGroupSize(type));
    if (n == 0 || length <= 0) return false;

    // Run positions: 3 ... 13 for 3 ... K, then 14 for the A above the K.
    // 2 and the jokers never take part.
    const int kAcePosition = 14;
    auto positionRank = [](int position) { return position == 14 ? kRankA : position; };
    auto groupFits = [this, n](int rank) {
        auto it = m_RankTable.find(static_cast<unsigned char>(rank));
        return it != m_RankTable.end() && it->second.size() == n;
    };
    std::vector<int> candidates;
    for (int position = 3; position <= 13; ++position) {
        if (position > value && groupFits(position)) candidates.push_back(position);
    }
    if (groupFits(kRankA)) candidates.push_back(kAcePosition);
    if (candidates.empty()) return false;

    const int cursor = TableValue(m_HintCursor, type);
    size_t start = 0;
    if (cursor != 0) {
        auto pos = std::find(candidates.begin(), candidates.end(), cursor);
        if (pos == candidates.end()) return false;
        start = static_cast<size_t>(pos - candidates.begin()) + 1;
    }

    // The scan ends at the first gap: the card before the gap still joins.
    std::vector<int> run;
    for (size_t k = start; k < candidates.size(); ++k) {
        if (run.empty() && candidates[k] == kAcePosition) break;  // no run starts at the A
        const bool step = k + 1 < candidates.size() && candidates[k] + 1 == candidates[k + 1];
        run.push_back(candidates[k]);
        if (!step || static_cast<int>(run.size()) >= length) break;
    }

    if (static_cast<int>(run.size()) < length) {
        if (cursor == 0) return false;
        // Past the last run: back to the first one (which may end at the A).
        const int firstRank = TableValue(m_HintFirst, type);
        if (firstRank == 0 || firstRank + length - 1 > kAcePosition) return false;
        run.clear();
        for (int position = firstRank; position < firstRank + length; ++position) {
            if (!groupFits(positionRank(position))) return false;
            run.push_back(position);
        }
    }

    ResetAllCards();
    m_HintCursor[type] = run.front();
    if (TableValue(m_HintFirst, type) == 0) m_HintFirst[type] = run.front();
    for (int position : run) RaiseRank(positionRank(position), raise);
    return true;
}

}  // namespace kest2d
