// The card hand control: one player's cards laid out in a row or a column,
// or a slanted stack seen from the side. The player raises and lowers cards
// by clicking or by dragging across them; the game reads the raised cards,
// removes played cards and asks the card rules (the base class) for hand
// types, comparisons and hints.
//
// Pictures: the face sheet is the control's background texture, one cell of
// card width x card height per card, column point - 1, row suit. The back
// sheet holds three cells in one row: the back, the small joker, the big
// joker.
#pragma once

#include <string>
#include <vector>

#include "frame/types/Kest2dVector.h"
#include "gui/Kest2dGUIElement.h"
#include "gui/controls/Kest2dCardRules.h"
#include "gui/controls/Kest2dGUIControl.h"

namespace kest2d {

class CKesGUIGameCard : public CKesBaseGUIElement, public CKesCardRules {
public:
    // Row or column.
    enum CardDir : int {
        CARDDIR_HENGXIANG = 0,  // horizontal row
        CARDDIR_ZONGXIANG = 1,  // vertical column, every card turned by 90 degrees
    };
    // Alignment of the hand inside the control.
    enum CardSnapType : int {
        CARD_SNAP_LEFT = 0,
        CARD_SNAP_CENTER = 1,
        CARD_SNAP_RIGHT = 2,
    };
    // A hand, or a stack of the slope picture seen from the side.
    enum CardDisType : int {
        CARDDIS_HAND = 0,
        CARDDIS_STACK_LEFT = 1,   // the last card at the left edge, earlier ones further left
        CARDDIS_STACK_RIGHT = 2,  // the last card at the left edge, earlier ones further right
    };

    CKesGUIGameCard();
    CKesGUIGameCard(CKesBaseFrame* frame, CKesBaseGUIElement* parent, int id, std::string name, CKesRect<int> rect);
    ~CKesGUIGameCard() override;

    bool OnProcessEvent(const CKesEvent& event) override;
    void Draw() override;
    void OnProcessLostFocusEvent(const CKesEvent& event) override;

    // ---- Look ----
    void SetCardWidthAndHeight(int width, int height) {
        m_CardWidth = width;
        m_CardHeight = height;
    }
    int GetCardWidth() const { return m_CardWidth; }
    int GetCardHeight() const { return m_CardHeight; }
    void SetCardSpace(int space) { m_CardSpace = space; }
    int GetCardSpace() const { return m_CardSpace; }
    void SetCardUpSpace(int space) { m_CardUpSpace = space; }
    int GetCardUpSpace() const { return m_CardUpSpace; }
    void SetCardBackTex(unsigned long texture) { m_CardBackTex = texture; }
    unsigned long GetCardBackTex() const { return m_CardBackTex; }
    void SetCardDirection(CardDir direction) { m_CardDir = direction; }
    CardDir GetCardDirection() const { return m_CardDir; }
    // False draws every card from the back sheet.
    void SetShowCards(bool show) { m_ShowCards = show; }
    bool IsShowCards() const { return m_ShowCards; }
    // True draws from the last card to the first.
    void SetReverseShowCards(bool reverse) { m_ReverseShow = reverse; }
    bool IsReverseShowCards() const { return m_ReverseShow; }
    void SetSnapType(CardSnapType snap) { m_SnapType = snap; }
    CardSnapType GetSnapType() const { return m_SnapType; }
    void SetDisType(CardDisType type) { m_DisType = type; }
    CardDisType GetDisType() const { return m_DisType; }
    void SetSlopeAngle(int angle) { m_SlopeAngle = angle; }
    int GetSlopeAngle() const { return m_SlopeAngle; }
    // Stores the path and loads the picture; nothing happens without a frame.
    void SetSlopeImage(std::string path);
    std::string GetSlopeImage() const { return m_SlopeImage; }
    unsigned long GetSlopeTex() const { return m_SlopeTex; }

    // ---- The hand ----
    // Number of cards covered by the current drag.
    int GetSelectedCardCount() const { return static_cast<int>(m_DragList.size()); }
    // Replaces the hand (an empty list changes nothing) and ends a drag.
    void SetCardData(const CKesVector<int>& cards, bool show = true);
    // Shows the first n cards (a dealt hand revealed card by card).
    void SetDisplayCard(int n);
    void ClearAllCards();
    // Lowers and unselects every card and ends a drag.
    void ResetAllCards() override;
    // Removes the first n cards.
    void OutRandomCards(int n);
    // Removes, for each value in order, the first card of that value.
    void RemoveCards(CKesVector<int> values);
    // Removes every raised card.
    void StartOutCards();
    // Splits `text` at any of the separator characters and converts each
    // piece to a number; a separator at the start of the rest, or none, makes
    // the whole rest the last piece, so "1;2;" gives 1, 2, 0 and "" gives 0.
    CKesVector<int> ParseStringToCards(std::string text, std::string separators = ";");
    const std::vector<std::string>& GetParsedPieces() const { return m_Pieces; }

    // ---- Geometry ----
    // Length of the hand along its direction, 0 for an empty hand.
    int GetWidthWidthAllCards() const;
    // Upper-left corner of the hand as the snap places it.
    CKesPosition2d<int> GetDisplayOrigin() const;
    // Where card i is drawn (before a vertical card is turned).
    CKesPosition2d<int> GetCardPosition(int index) const;

    // ---- Pointer state (read access) ----
    bool IsDragging() const { return m_Dragging; }
    const std::vector<int>& GetDragList() const { return m_DragList; }
    int GetPressIndex() const { return m_PressIndex; }
    int GetHoverIndex() const { return m_HoverIndex; }

private:
    void DrawGameCard(int index);
    // The card under the pointer, or -1 when the pointer is in the empty
    // band above a lowered card.
    int CardUnderPointer(int x, int y) const;
    void ClearSelectionMarks();
    // Ends a drag: drag list emptied, selection marks cleared.
    void EndDrag();
    // After cards left the hand: rank table rebuilt, drag ended, press and
    // hover back to the first card.
    void AfterRemoval();

    int m_CardWidth = 0;
    int m_CardHeight = 0;
    int m_CardSpace = 0;
    int m_CardUpSpace = 0;
    CardDisType m_DisType = CARDDIS_HAND;
    int m_SlopeAngle = 0;
    std::string m_SlopeImage;
    unsigned long m_SlopeTex = 0;
    std::vector<std::string> m_Pieces;
    bool m_Dragging = false;
    std::vector<int> m_DragList;
    int m_PressIndex = 0;
    int m_HoverIndex = 0;
    CardDir m_CardDir = CARDDIR_HENGXIANG;
    CardSnapType m_SnapType = CARD_SNAP_CENTER;
    bool m_ShowCards = true;
    bool m_ReverseShow = false;
    unsigned long m_CardBackTex = 0;
};

}  // namespace kest2d
