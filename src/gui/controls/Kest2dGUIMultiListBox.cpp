#include "gui/controls/Kest2dGUIMultiListBox.h"

#include <algorithm>
#include <climits>
#include <cmath>

#include "frame/Kest2dBaseFrame.h"
#include "frame/types/Kest2dHeld.h"
#include "gui/controls/Kest2dGUIControl.h"
#include "gui/controls/Kest2dGUIProcessBar.h"
#include "gui/controls/Kest2dGUIScrollBar.h"

namespace kest2d {

int CKesGUIMultiListBox::m_sortIndex = -1;

namespace {

typedef std::vector<CKesGUIMultiListBox::RowStruct> Row;

// The key of cell `column`; a row made before that column's header has none
// and sorts as 0.
int KeyOf(const Row& row, int column) {
    return column >= 0 && column < static_cast<int>(row.size()) ? row[column].key : 0;
}

// The live progress bar of a cell, null when it was never made or is gone.
CKesGUIProcessBar* LiveBar(const CKesGUIMultiListBox::RowStruct& cell) {
    return cell.processBar && cell.processRef ? cell.processBar : nullptr;
}

}  // namespace

CKesGUIMultiListBox::CKesGUIMultiListBox() = default;

CKesGUIMultiListBox::CKesGUIMultiListBox(CKesBaseFrame* frame, CKesBaseGUIElement* parent, int id, std::string name,
                                         CKesRect<int> rect)
    : CKesBaseGUIElement(KESGUI_MULTILISTBOX, frame, parent, id, rect) {
    mCaption = std::move(name);
}

// The scroll bar is a child: the base destructor deletes it.
CKesGUIMultiListBox::~CKesGUIMultiListBox() { ClearAllRows(); }

CKesGUIScrollBar* CKesGUIMultiListBox::GetScrollBar() const { return mScrollRef ? mScrollBar : nullptr; }

int CKesGUIMultiListBox::GetTotalLineCount() const {
    return static_cast<int>(mRows.size()) * kRowHeight / kScrollStep + 1;
}

// Geometry is computed wide and held inside int (Kest2dHeld.h): the
// rectangle, the column widths and the scroll bar width come from scripts.
int CKesGUIMultiListBox::GetDisplayLineCount() const {
    return Held((mAbsoluteRect.getHeight() - static_cast<long long>(kHeaderHeight)) / kScrollStep + 1);
}

bool CKesGUIMultiListBox::ValidCell(int row, int column) const {
    if (row < 0 || row >= static_cast<int>(mRows.size())) return false;
    return column >= 0 && column < static_cast<int>(mRows[row].size());
}

std::string CKesGUIMultiListBox::GetCellText(int row, int column) const {
    return ValidCell(row, column) ? mRows[row][column].text : std::string();
}

int CKesGUIMultiListBox::GetCellKey(int row, int column) const {
    return ValidCell(row, column) ? mRows[row][column].key : 0;
}

CKesGUIProcessBar* CKesGUIMultiListBox::GetCellProcessBar(int row, int column) const {
    return ValidCell(row, column) ? LiveBar(mRows[row][column]) : nullptr;
}

void CKesGUIMultiListBox::SetHeaderImage(std::string path) {
    if (path.empty() || !mDriver) return;
    mHeaderImagePath = path;
    mHeaderImage = mDriver->LoadTexture(path.c_str(), 0);
}

void CKesGUIMultiListBox::SetProgressImage(int which, std::string path) {
    if (path.empty() || !mDriver) return;
    mProgressImage[which] = std::move(path);
}

void CKesGUIMultiListBox::AddHeader(std::string title, int width) {
    if (title.empty() || width <= 0) return;
    // A header whose right edge would leave the int range is not added.
    long long x = mAbsoluteRect.UpperLeftCorner.X;
    for (const HeaderStruct& h : mHeaders) x += h.width;
    if (x + width > INT_MAX) return;
    const int top = mAbsoluteRect.UpperLeftCorner.Y;
    HeaderStruct header;
    header.rect = CKesRect<int>(static_cast<int>(x), top, static_cast<int>(x + width),
                                Held(static_cast<long long>(top) + kHeaderHeight));
    header.width = width;
    header.title = std::move(title);
    header.image = mHeaderImage;
    mHeaders.push_back(std::move(header));
}

int CKesGUIMultiListBox::CreateNewRow() {
    if (mHeaders.empty()) return -1;
    mRows.push_back(Row(mHeaders.size()));
    PlaceAll();
    const int rows = static_cast<int>(mRows.size());
    const long long height = mAbsoluteRect.getHeight() - static_cast<long long>(kHeaderHeight);
    if (GetTotalLineCount() > GetDisplayLineCount() && GetScrollBar())
        mScrollBar->SetMaxValue(Held(static_cast<long long>(rows) * kRowHeight / kScrollStep - height / kScrollStep));
    return rows - 1;
}

void CKesGUIMultiListBox::AddText(std::string text, int key, int row, int column) {
    if (text.empty() || !ValidCell(row, column)) return;
    mRows[row][column].text = std::move(text);
    mRows[row][column].key = key;
}

void CKesGUIMultiListBox::AddImage(std::string path, int key, int row, int column) {
    if (!mDriver || path.empty() || !ValidCell(row, column)) return;
    const unsigned long tex = mDriver->LoadTexture(path.c_str(), 0);
    if (!tex) return;
    mRows[row][column].images.push_back(tex);
    mRows[row][column].key = key;
}

void CKesGUIMultiListBox::AddProcessBar(int value, int maximum, int key, int row, int column) {
    if (!mDriver || !ValidCell(row, column)) return;
    RowStruct& cell = mRows[row][column];
    // A second bar in the same cell replaces the first rather than leaving
    // it behind as an orphan child.
    if (CKesGUIProcessBar* old = LiveBar(cell)) DeleteChildren(old);
    CKesGUIProcessBar* bar = new CKesGUIProcessBar(mDriver, this, 0, "多项列表进度条", CKesRect<int>(0, 0, 0, 0));
    bar->SetEnabled(false);
    bar->SetMoving(true);
    bar->SetProTipColor(mProTipColor);
    bar->SetBgImageOne(mProgressImage[0]);
    bar->SetBgImageTwo(mProgressImage[1]);
    bar->SetBgImageThree(mProgressImage[2]);
    bar->SetBgImageFour(mProgressImage[3]);
    bar->SetMaxValue(maximum);
    bar->SetProcess(value);
    cell.processBar = bar;
    cell.processRef = bar->GetRef();
    cell.key = key;
    PlaceAll();
}

void CKesGUIMultiListBox::SortAllData(int column, bool ascending) {
    const int headers = static_cast<int>(mHeaders.size());
    if (mRows.empty() || headers == 0 || column < 0 || column >= headers) return;
    if (m_sortIndex < 0 || m_sortIndex >= headers) return;
    const int by = m_sortIndex;
    if (ascending)
        std::sort(mRows.begin(), mRows.end(), [by](const Row& a, const Row& b) { return KeyOf(a, by) < KeyOf(b, by); });
    else
        std::sort(mRows.begin(), mRows.end(), [by](const Row& a, const Row& b) { return KeyOf(a, by) > KeyOf(b, by); });
    PlaceAll();
}

void CKesGUIMultiListBox::ClearAllRows() {
    for (Row& row : mRows) {
        for (RowStruct& cell : row) {
            if (CKesGUIProcessBar* bar = LiveBar(cell)) DeleteChildren(bar);
            cell.processBar = nullptr;
            if (mDriver)
                for (unsigned long tex : cell.images) mDriver->FreeTexture(tex);
            cell.images.clear();
        }
    }
    mRows.clear();
    mHovered = -1;
    mSelected = -1;
    mHoveredHeader = -1;
    mScrollPos = 0;
    // An empty list has nothing to scroll to.
    if (CKesGUIScrollBar* bar = GetScrollBar()) bar->SetMaxValue(0);
}

void CKesGUIMultiListBox::CreateScrollBar() {
    if (GetScrollBar()) return;
    mScrollBar = AddSideScrollBar(this, mScrollBarWidth, "多项列表框滚动条");
    mScrollRef = mScrollBar->GetRef();
}

void CKesGUIMultiListBox::Move(const CKesPosition2d<int>& pos) {
    CKesBaseGUIElement::Move(pos);
    PlaceAll();
}

CKesRect<int> CKesGUIMultiListBox::Body() const {
    CKesRect<int> body = HeadersAndBody();
    body.UpperLeftCorner.Y = Held(body.UpperLeftCorner.Y + static_cast<long long>(kHeaderHeight));
    return body;
}

CKesRect<int> CKesGUIMultiListBox::HeadersAndBody() const {
    return CKesRect<int>(mAbsoluteRect.UpperLeftCorner.X, mAbsoluteRect.UpperLeftCorner.Y,
                         Held(mAbsoluteRect.LowerRightCorner.X - static_cast<long long>(mScrollBarWidth)),
                         mAbsoluteRect.LowerRightCorner.Y);
}

void CKesGUIMultiListBox::PlaceAll() {
    const long long left = mAbsoluteRect.UpperLeftCorner.X;
    const long long top = mAbsoluteRect.UpperLeftCorner.Y;
    long long x = left;
    for (HeaderStruct& h : mHeaders) {
        h.rect = CKesRect<int>(Held(x), Held(top), Held(x + h.width), Held(top + kHeaderHeight));
        x += h.width;
    }
    const CKesRect<int> body = Body();
    const int columns = static_cast<int>(mHeaders.size());
    for (size_t r = 0; r < mRows.size(); ++r) {
        const long long y = top + kHeaderHeight - static_cast<long long>(mScrollPos) * kScrollStep +
                            static_cast<long long>(kRowHeight) * static_cast<long long>(r);
        long long cx = left;
        Row& row = mRows[r];
        for (int c = 0; c < static_cast<int>(row.size()); ++c) {
            // A cell whose header is missing keeps no width.
            const int width = c < columns ? mHeaders[c].width : 0;
            RowStruct& cell = row[c];
            cell.rect = CKesRect<int>(Held(cx), Held(y), Held(cx + width), Held(y + kRowHeight));
            cx += width;
            CKesGUIProcessBar* bar = LiveBar(cell);
            if (!bar) continue;
            const CKesDimension2d<int> margin(3, 3);
            const CKesRect<int> inner(cell.rect.UpperLeftCorner + margin, cell.rect.LowerRightCorner - margin);
            bar->SetAbsoluteRect(inner);
            bar->SetControlWidthAndHeight(inner.getSize());
            bar->SetRelativeRect(CKesDimension2d<int>(Held(inner.UpperLeftCorner.X - left),
                                                      Held(inner.UpperLeftCorner.Y - top)));
            CKesRect<int> clip = inner;
            clip.clipAgainst(body);
            bar->SetClippingRect(clip);
        }
    }
}

bool CKesGUIMultiListBox::OnProcessEvent(const CKesEvent& event) {
    if (!mEnabled) return false;
    if (event.mEventType == KESET_GUI_EVENT) {
        if (event.mGuiEvent.EventType == KESGET_ELEMENT_CHANGED && GetScrollBar() &&
            event.mGuiEvent.Caller == mScrollBar) {
            mScrollPos = mScrollBar->GetCurValue();
            PlaceAll();
        }
        return true;
    }
    if (event.mEventType != KESET_MOUSE_INPUT_EVENT) return true;
    const CKesPosition2d<int> pt(event.mMouseEvent.X, event.mMouseEvent.Y);
    const bool inside = mAbsoluteRect.isPointInside(pt);
    switch (event.mMouseEvent.EventType) {
    case KESMIE_LMOUSE_PRESSED_DOWN: {
        if (!inside) break;
        for (int i = 0; i < static_cast<int>(mHeaders.size()); ++i) {
            if (!mHeaders[i].rect.isPointInside(pt)) continue;
            mHoveredHeader = i;
            m_sortIndex = i;
            mSortOrder = !mSortOrder;
            SortAllData(i, mSortOrder);
            return true;
        }
        mSelected = mHovered;
        return RaiseGuiEvent(this, KESGET_ELEMENT_SELECTED);
    }
    case KESMIE_LMOUSE_DOUBLE_CLICK:
        if (inside) return RaiseGuiEvent(this, KESGET_ELEMENT_DOUBLE_CLICKED);
        break;
    case KESMIE_MOUSE_MOVED:
        if (!inside) {
            mHoveredHeader = -1;
            break;
        }
        for (size_t r = 0; r < mRows.size(); ++r)
            for (const RowStruct& cell : mRows[r])
                if (cell.rect.isPointInside(pt)) mHovered = static_cast<int>(r);
        if (mIsSort) {
            mHoveredHeader = -1;
            for (int i = 0; i < static_cast<int>(mHeaders.size()); ++i)
                if (mHeaders[i].rect.isPointInside(pt)) mHoveredHeader = i;
        }
        break;
    case KESMIE_MOUSE_WHEEL: {
        const int total = GetTotalLineCount();
        const int display = GetDisplayLineCount();
        if (total <= display) break;
        mScrollPos = WheelTop(mScrollPos, event.mMouseEvent.Wheel, total - display);
        PlaceAll();
        if (CKesGUIScrollBar* bar = GetScrollBar()) bar->SetCurValue(mScrollPos);
        break;
    }
    default:
        break;
    }
    return true;
}

void CKesGUIMultiListBox::OnProcessLostFocusEvent(const CKesEvent& /*event*/) {
    mHovered = -1;
    mHoveredHeader = -1;
}

void CKesGUIMultiListBox::Draw() {
    if (!mVisible || !mDriver) return;
    mDriver->Draw2dRectangle(mAbsoluteRect, mBgColor, &mAbsoluteRect);
    DrawHeaders();
    DrawRows();
    CKesBaseGUIElement::Draw();
}

void CKesGUIMultiListBox::DrawHeaders() {
    const CKesRect<int> clip = HeadersAndBody();
    for (int i = 0; i < static_cast<int>(mHeaders.size()); ++i) {
        const HeaderStruct& h = mHeaders[i];
        mDriver->Draw2dRectangle(h.rect, mHeaderBgColor, &clip);
        const CKesColor colour = i == mHoveredHeader && mIsSort ? CKesColor(255, 255, 0, 0) : mHeaderTextColor;
        mDriver->DrawString(h.title.c_str(), h.rect, colour, true, true, &clip);
        if (!h.image) continue;
        const int w = mDriver->GetTextureWidth(h.image);
        const int ih = mDriver->GetTextureHeight(h.image);
        const CKesPosition2d<int> at(Held(static_cast<long long>(h.rect.LowerRightCorner.X) - w),
                                     Held(h.rect.UpperLeftCorner.Y + (kHeaderHeight - static_cast<long long>(ih)) / 2));
        mDriver->Draw2DImage(h.image, at, CKesRect<int>(0, 0, w, ih), &clip);
    }
}

void CKesGUIMultiListBox::DrawRows() {
    const CKesRect<int> body = Body();
    const int rows = static_cast<int>(mRows.size());
    for (int r = 0; r < rows; ++r) {
        const Row& row = mRows[r];
        if (row.empty()) continue;
        const int y = row.front().rect.UpperLeftCorner.Y;
        const CKesRect<int> line(mAbsoluteRect.UpperLeftCorner.X, y, mAbsoluteRect.LowerRightCorner.X,
                                 Held(static_cast<long long>(y) + kRowHeight));
        if (!line.isRectCollided(body)) continue;
        if (r == mHovered) mDriver->Draw2dRectangle(line, mSelectColor, &body);
        if (r == mSelected) mDriver->Draw2dRectangle(line, mSelectedColor, &body);
        for (const RowStruct& cell : row) {
            CKesRect<int> clip = cell.rect;
            clip.clipAgainst(body);
            long long x = cell.rect.UpperLeftCorner.X;
            for (unsigned long tex : cell.images) {
                const int w = mDriver->GetTextureWidth(tex);
                const int h = mDriver->GetTextureHeight(tex);
                const CKesPosition2d<int> at(
                    Held(x), Held(cell.rect.UpperLeftCorner.Y + (kRowHeight - static_cast<long long>(h)) / 2));
                mDriver->Draw2DImage(tex, at, CKesRect<int>(0, 0, w, h), &clip);
                x += w;
            }
            if (cell.text.empty()) continue;
            const CKesRect<int> textRect(Held(x), cell.rect.UpperLeftCorner.Y, cell.rect.LowerRightCorner.X,
                                         cell.rect.LowerRightCorner.Y);
            mDriver->DrawString(cell.text.c_str(), textRect, mTextColor, cell.images.empty(), true, &clip);
        }
    }
}

}  // namespace kest2d
