#include "gui/controls/Kest2dGUIGameCard.h"

#include <algorithm>
#include <cerrno>
#include <climits>
#include <cstdlib>

#include "frame/Kest2dBaseFrame.h"
#include "frame/types/Kest2dHeld.h"

namespace kest2d {

namespace {

const CKesColor kPlain(0xFFFFFFFFu);
const CKesColor kSelectedTint(0xFFD0D0D0u);

// Back sheet cells.
const int kBackCell = 0;
const int kSmallJokerCell = 1;
const int kBigJokerCell = 2;

const unsigned char kSmallJoker = 0x4E;
const unsigned char kBigJoker = 0x4F;

// The decimal conversion of a piece: leading blanks, a sign and digits, 0
// when there are none; values beyond int are held at its ends.
int PieceToInt(const std::string& piece) {
    errno = 0;
    const long value = std::strtol(piece.c_str(), nullptr, 10);
    if (value > INT_MAX) return INT_MAX;
    if (value < INT_MIN) return INT_MIN;
    return static_cast<int>(value);
}

}  // namespace

CKesGUIGameCard::CKesGUIGameCard() = default;

CKesGUIGameCard::CKesGUIGameCard(CKesBaseFrame* frame, CKesBaseGUIElement* parent, int id, std::string name,
                                 CKesRect<int> rect)
    : CKesBaseGUIElement(KESGUI_GAMECARD, frame, parent, id, rect) {
    mCaption = std::move(name);
}

CKesGUIGameCard::~CKesGUIGameCard() = default;

void CKesGUIGameCard::SetSlopeImage(std::string path) {
    if (!mDriver) return;
    m_SlopeImage = std::move(path);
    m_SlopeTex = mDriver->LoadTexture(m_SlopeImage.c_str(), 0);
}

// ---- The hand ----

void CKesGUIGameCard::SetCardData(const CKesVector<int>& cards, bool show) {
    if (cards.empty()) return;
    CKesCardRules::SetCardData(cards, show);
    // The drag list holds indices of the old hand.
    EndDrag();
    m_PressIndex = 0;
    m_HoverIndex = 0;
}

void CKesGUIGameCard::SetDisplayCard(int n) {
    if (n < 1 || m_Cards.empty()) return;
    const int shown = std::min(n, GetCardCount());
    for (int i = 0; i < shown; ++i) m_Cards[static_cast<size_t>(i)].isDisplay = true;
}

void CKesGUIGameCard::ClearAllCards() {
    m_Cards.clear();
    // The rank table must not keep indices of the cleared hand.
    AnalyseAllCards();
    EndDrag();
    m_PressIndex = 0;
    m_HoverIndex = 0;
    m_SortAscending = true;
}

void CKesGUIGameCard::ResetAllCards() {
    CKesCardRules::ResetAllCards();
    m_Dragging = false;
    m_DragList.clear();
    m_PressIndex = 0;
    m_HoverIndex = 0;
}

void CKesGUIGameCard::AfterRemoval() {
    m_RankTable.clear();
    AnalyseAllCards();
    EndDrag();
    m_PressIndex = 0;
    m_HoverIndex = 0;
}

void CKesGUIGameCard::OutRandomCards(int n) {
    if (n < 1 || m_Cards.empty()) return;
    const int removed = std::min(n, GetCardCount());
    m_Cards.erase(m_Cards.begin(), m_Cards.begin() + removed);
    AfterRemoval();
}

void CKesGUIGameCard::RemoveCards(CKesVector<int> values) {
    if (values.empty() || m_Cards.empty()) return;
    for (int value : values.items()) {
        auto it = std::find_if(m_Cards.begin(), m_Cards.end(),
                               [value](const GameCard& card) { return static_cast<int>(card.data) == value; });
        if (it != m_Cards.end()) m_Cards.erase(it);
    }
    AfterRemoval();
}

void CKesGUIGameCard::StartOutCards() {
    if (m_Cards.empty()) return;
    m_Cards.erase(std::remove_if(m_Cards.begin(), m_Cards.end(), [](const GameCard& card) { return card.isUp; }),
                  m_Cards.end());
    AfterRemoval();
}

CKesVector<int> CKesGUIGameCard::ParseStringToCards(std::string text, std::string separators) {
    m_Pieces.clear();
    // The rest of the text after the last separator is always a piece, an
    // empty one included (it converts to 0).
    for (;;) {
        const size_t at = separators.empty() ? std::string::npos : text.find_first_of(separators);
        if (at == std::string::npos || at == 0) {
            m_Pieces.push_back(text);
            break;
        }
        m_Pieces.push_back(text.substr(0, at));
        text.erase(0, at + 1);
    }
    CKesVector<int> numbers;
    for (const std::string& piece : m_Pieces) numbers.push_back(PieceToInt(piece));
    return numbers;
}

// ---- Geometry ----

int CKesGUIGameCard::GetWidthWidthAllCards() const {
    if (m_Cards.empty()) return 0;
    return Held(static_cast<long long>(GetCardCount() - 1) * m_CardSpace + m_CardWidth);
}

CKesPosition2d<int> CKesGUIGameCard::GetDisplayOrigin() const {
    const int left = mAbsoluteRect.UpperLeftCorner.X, top = mAbsoluteRect.UpperLeftCorner.Y;
    const int right = mAbsoluteRect.LowerRightCorner.X, bottom = mAbsoluteRect.LowerRightCorner.Y;
    const int total = GetWidthWidthAllCards();
    const bool horizontal = m_CardDir != CARDDIR_ZONGXIANG;
    switch (m_SnapType) {
    case CARD_SNAP_CENTER:
        return horizontal ? CKesPosition2d<int>(Held(static_cast<long long>(left) + (static_cast<long long>(right) - left) / 2 - total / 2), top)
                          : CKesPosition2d<int>(left, Held(static_cast<long long>(top) + (static_cast<long long>(bottom) - top) / 2 - total / 2));
    case CARD_SNAP_RIGHT:
        return horizontal ? CKesPosition2d<int>(Held(static_cast<long long>(right) - total), top)
                          : CKesPosition2d<int>(left, Held(static_cast<long long>(bottom) - total));
    default:
        return CKesPosition2d<int>(left, top);
    }
}

CKesPosition2d<int> CKesGUIGameCard::GetCardPosition(int index) const {
    const CKesPosition2d<int> origin = GetDisplayOrigin();
    const long long step = static_cast<long long>(index) * m_CardSpace;
    if (m_CardDir == CARDDIR_ZONGXIANG)
        return CKesPosition2d<int>(mAbsoluteRect.UpperLeftCorner.X, Held(origin.Y + step));
    const bool up = index >= 0 && index < GetCardCount() && m_Cards[static_cast<size_t>(index)].isUp;
    const int top = mAbsoluteRect.UpperLeftCorner.Y;
    return CKesPosition2d<int>(Held(origin.X + step), up ? top : Held(static_cast<long long>(top) + m_CardUpSpace));
}

// ---- Drawing ----

void CKesGUIGameCard::Draw() {
    if (!mVisible || !mDriver) return;
    const int count = GetCardCount();
    for (int n = 0; n < count; ++n) {
        const int i = m_ReverseShow ? count - 1 - n : n;
        if (m_Cards[static_cast<size_t>(i)].isDisplay) DrawGameCard(i);
    }
}

void CKesGUIGameCard::DrawGameCard(int index) {
    if (index < 0 || index >= GetCardCount()) return;
    const int count = GetCardCount();
    const int left = mAbsoluteRect.UpperLeftCorner.X;

    if (m_DisType == CARDDIS_STACK_LEFT || m_DisType == CARDDIS_STACK_RIGHT) {
        if (!m_SlopeTex) return;
        const int sw = mDriver->GetTextureWidth(m_SlopeTex), sh = mDriver->GetTextureHeight(m_SlopeTex);
        const long long y0 = static_cast<long long>(mAbsoluteRect.LowerRightCorner.Y) -
                             static_cast<long long>(count - 1) * m_CardSpace - sh;
        const int y = Held(y0 + static_cast<long long>(index) * m_CardSpace);
        const long long shift = m_DisType == CARDDIS_STACK_RIGHT ? count - index - 1 : index + 1 - count;
        const int x = Held(left + shift * m_SlopeAngle);
        mDriver->Draw2DImage(m_SlopeTex, CKesPosition2d<int>(x, y), CKesRect<int>(0, 0, sw, sh), &mClippingRect,
                             kPlain);
        return;
    }
    if (m_DisType != CARDDIS_HAND) return;

    const GameCard& card = m_Cards[static_cast<size_t>(index)];
    const CKesColor colour = card.isSelected ? kSelectedTint : kPlain;
    const int w = m_CardWidth, h = m_CardHeight;

    // The sheet and the cell of the picture.
    unsigned long sheet = m_CardBackTex;
    int column = kBackCell, row = 0;
    if (m_ShowCards) {
        if (card.data == kSmallJoker) {
            column = kSmallJokerCell;
        } else if (card.data == kBigJoker) {
            column = kBigJokerCell;
        } else if (card.data != 0) {
            sheet = mBackground;
            column = GetCardDianShu(card.data) - 1;
            row = GetCardHuaSe(card.data);
        }
    }
    // A value whose cell lies before the sheet (point 0 of a suit) has no picture.
    if (!sheet || column < 0) return;

    const CKesPosition2d<int> at = GetCardPosition(index);
    const CKesRect<int> source(Held(static_cast<long long>(column) * w), Held(static_cast<long long>(row) * h),
                               Held(static_cast<long long>(column + 1) * w), Held(static_cast<long long>(row + 1) * h));
    mDriver->Draw2DImage(sheet, at, source, &mClippingRect, colour);
    if (m_CardDir == CARDDIR_ZONGXIANG) {
        mDriver->Rotate(90, CKesPosition2d<int>(Held(at.X + w / 2LL), Held(at.Y + h / 2LL)), CKesDimension2d<int>(w, h),
                        CKesPosition2d<int>(w / 2, h / 2), 1.0f, 0.0f);
    }
}

// ---- Pointer ----

int CKesGUIGameCard::CardUnderPointer(int x, int y) const {
    const CKesPosition2d<int> origin = GetDisplayOrigin();
    const long long step = (static_cast<long long>(x) - origin.X) / m_CardSpace;
    const int k = static_cast<int>(std::max<long long>(0, std::min<long long>(step, GetCardCount() - 1)));
    if (!m_Cards[static_cast<size_t>(k)].isUp && y < static_cast<long long>(origin.Y) + m_CardUpSpace) return -1;
    return k;
}

void CKesGUIGameCard::ClearSelectionMarks() {
    for (GameCard& card : m_Cards) card.isSelected = false;
}

void CKesGUIGameCard::EndDrag() {
    m_DragList.clear();
    m_Dragging = false;
    ClearSelectionMarks();
}

bool CKesGUIGameCard::OnProcessEvent(const CKesEvent& event) {
    if (!mEnabled) return false;
    if (event.mEventType != KESET_MOUSE_INPUT_EVENT) return true;
    if (m_CardDir != CARDDIR_HENGXIANG || m_DisType != CARDDIS_HAND || m_Cards.empty()) return true;
    // The card under the pointer is found by dividing by the card step.
    if (m_CardSpace == 0) return true;

    const CKesPosition2d<int> pt(event.mMouseEvent.X, event.mMouseEvent.Y);
    const bool insideControl = mAbsoluteRect.isPointInside(pt);
    switch (event.mMouseEvent.EventType) {
    case KESMIE_LMOUSE_PRESSED_DOWN: {
        const int k = CardUnderPointer(pt.X, pt.Y);
        if (k < 0 || !insideControl) return true;
        const CKesPosition2d<int> origin = GetDisplayOrigin();
        const CKesRect<int> hand(origin.X, origin.Y, Held(static_cast<long long>(origin.X) + GetWidthWidthAllCards()),
                                 Held(static_cast<long long>(origin.Y) + m_CardHeight));
        if (!hand.isPointInside(pt)) return true;
        // Marks of a drag whose release never came are dropped.
        EndDrag();
        m_Cards[static_cast<size_t>(k)].isSelected = true;
        m_PressIndex = k;
        m_Dragging = true;
        return true;
    }
    case KESMIE_MOUSE_MOVED: {
        const int k = CardUnderPointer(pt.X, pt.Y);
        if (k < 0 || !insideControl) return true;
        m_HoverIndex = k;
        if (m_Dragging) {
            ClearSelectionMarks();
            m_DragList.clear();
            const int count = GetCardCount();
            const int from = std::max(0, std::min(m_PressIndex, k));
            const int to = std::min(count - 1, std::max(m_PressIndex, k));
            for (int i = from; i <= to; ++i) {
                m_Cards[static_cast<size_t>(i)].isSelected = true;
                m_DragList.push_back(i);
            }
        }
        return true;
    }
    case KESMIE_LMOUSE_LEFT_UP: {
        if (!m_Dragging) return true;
        const int count = GetCardCount();
        if (m_DragList.empty()) {
            if (m_PressIndex == m_HoverIndex && m_PressIndex >= 0 && m_PressIndex < count) {
                GameCard& card = m_Cards[static_cast<size_t>(m_PressIndex)];
                card.isUp = !card.isUp;
            }
        } else {
            for (int i : m_DragList) {
                if (i >= 0 && i < count) {
                    GameCard& card = m_Cards[static_cast<size_t>(i)];
                    card.isUp = !card.isUp;
                }
            }
        }
        EndDrag();
        // The parent may delete this control: nothing of it is touched after.
        return RaiseGuiEvent(this, KESGET_ELEMENT_SELECTED);
    }
    default:
        return true;
    }
}

void CKesGUIGameCard::OnProcessLostFocusEvent(const CKesEvent& /*event*/) {
    if (m_Dragging) EndDrag();
}

}  // namespace kest2d
