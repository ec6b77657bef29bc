// Card-game rules of the card hand control: the hand with its rank table, hand
// sorting, hand-type recognition, comparison of two plays and the hint finder.
//
// A card value is one byte: suit in the high four bits (0-3 the four suits,
// 4 the jokers), point in the low four (1 = A, 2-10, 11 = J, 12 = Q, 13 = K,
// 14 = small joker, 15 = big joker). 0x4E and 0x4F are the jokers; 0 is a card
// shown face down.
//
// Two orderings of points are used: the raw point (A = 1, 2 = 2) is what hand
// types are grouped by and what CurOutCardValue holds; the rank (A = 16,
// 2 = 17, everything else unchanged) orders the rank table and the hint finder.
//
// The card control derives from this class and adds geometry, drawing and
// pointer handling; it overrides ResetAllCards to end its drag as well.
#pragma once

#include <deque>
#include <map>
#include <vector>

#include "frame/types/Kest2dVector.h"

namespace kest2d {

enum CardOutType : int {
    OUTTYPE_SINGLE = 0,                  // one card
    OUTTYPE_YIDUI = 1,                   // a pair
    OUTTYPE_SANZHANG = 2,                // three of a kind
    OUTTYPE_SANDAIYI = 3,                // three of a kind with one single
    OUTTYPE_SANDAIYIDUI = 4,             // three of a kind with a pair
    OUTTYPE_SHUIZI = 5,                  // a run of at least five single ranks
    OUTTYPE_LIANDUI = 6,                 // a run of at least three pairs
    OUTTYPE_SANZHANGSHUIZI = 7,          // a run of at least two triples
    OUTTYPE_SANZHANGSHUIZIDAIYI = 8,     // a run of triples, one single per triple
    OUTTYPE_SANZHANGSUUIZIDAIYIDUI = 9,  // a run of triples, one pair per triple
    OUTTYPE_SIDAILIANGZHANG = 10,        // four of a kind with two singles
    OUTTYPE_SIDAILIANGDUI = 11,          // four of a kind with two pairs
    OUTTYPE_ZHADAN = 12,                 // four of a kind (bomb)
    OUTTYPE_HUOJIAN = 13,                // both jokers (rocket)
    OUTTYPE_NULL = 14                    // no valid hand
};

class CKesCardRules {
public:
    // One card of the hand.
    struct GameCard {
        unsigned char data = 0;   // card value
        bool isUp = false;        // raised
        bool isSelected = false;  // covered by the current press or drag
        bool isDisplay = true;    // drawn at all
    };

    CKesCardRules() = default;
    virtual ~CKesCardRules() = default;

    // ---- Card values ----
    static int GetCardHuaSe(int value) { return (value & 0xFF) >> 4; }
    static int GetCardDianShu(int value) { return value & 0x0F; }
    // Rank of a raw point: A -> 16, 2 -> 17, everything else unchanged.
    static int PointToRank(int point);

    // ---- The hand ----
    // Replaces the hand (an empty list changes nothing); the next sort is
    // ascending and the hint finder starts afresh.
    void SetCardData(const CKesVector<int>& cards, bool show = true);
    CKesVector<int> GetCardData() const;
    // Values of the raised cards, in hand order.
    CKesVector<int> GetSelectedCards() const;
    int GetCardCount() const { return static_cast<int>(m_Cards.size()); }
    // The value at `index`, or -1 outside the hand.
    int GetCardDataByIndex(int index) const;
    // Raises the cards at the given indices; bad indices are skipped.
    void UpCardsByIndex(const std::vector<int>& indices);
    // Lowers and unselects every card; the next sort is ascending.
    virtual void ResetAllCards();

    // ---- Hand analysis ----
    // Sorts the hand in place (ascending 3 ... K A 2 jokers, then on the next
    // call descending), and rebuilds the rank table.
    void SortAllCards();
    // Classifies a play; sets CurOutCardValue to the key point of the type
    // (-1 when the play is no hand; unchanged for an empty list).
    CardOutType GetOutType(CKesVector<int> cards);
    // How many plain groups of the type the hand holds (singles, pairs,
    // triples, bombs, rocket); 0 for every other type.
    int GetCardTypeCount(CardOutType type) const;
    int GetCurOutCardValue() const { return CurOutCardValue; }

    // ---- Comparison and hints ----
    // True when the first play beats the second.
    bool Comparison(CKesVector<int> first, CKesVector<int> second);
    // Raises cards of the hand that beat the play; called again with the same
    // play it moves on to the next candidate, after the last back to the first.
    void GetCardsByOutType(CKesVector<int> play);

    // Read access for the control and for tests.
    const std::deque<GameCard>& Cards() const { return m_Cards; }
    const std::map<unsigned char, std::vector<int>>& RankTable() const { return m_RankTable; }

protected:
    // Rebuilds the rank table from the hand.
    void AnalyseAllCards();
    // Forgets the hint cursors and the last hint input.
    void ResetHintState();
    // One group of equal cards beating `value`.
    bool GetBaseCardsByOutType(CardOutType type, int value, bool raise);
    // A run of `length` groups beating `value`.
    bool GetLianPaiCardsByOutType(CardOutType type, int value, int length, bool raise);
    // True when both lists are non-empty, of equal length and equal throughout.
    static bool IsEquation(const CKesVector<int>& a, const CKesVector<int>& b);

    // Sets isUp on the cards of one rank; false when the hand has no such rank.
    bool RaiseRank(int rank, bool raise);
    bool AnyCardUp() const;

    std::deque<GameCard> m_Cards;                         // the hand, index 0 first
    bool m_SortAscending = true;                          // direction of the next sort
    std::map<unsigned char, std::vector<int>> m_RankTable;  // rank -> hand indices
    std::map<int, int> m_HintCursor;                      // type -> rank raised last
    std::map<int, int> m_HintFirst;                       // type -> first candidate rank
    CKesVector<int> m_LastHintInput;                      // play last given to the finder
    CardOutType m_CurHintType = OUTTYPE_NULL;
    int CurOutCardValue = 0;
};

}  // namespace kest2d
