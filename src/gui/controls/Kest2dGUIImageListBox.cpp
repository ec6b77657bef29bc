#include "gui/controls/Kest2dGUIImageListBox.h"

#include "frame/Kest2dBaseFrame.h"
#include "frame/types/Kest2dHeld.h"
#include "gui/controls/Kest2dGUIControl.h"
#include "gui/controls/Kest2dGUIImage.h"
#include "gui/controls/Kest2dGUIScrollBar.h"

namespace kest2d {

namespace {

// Picture sizes beyond any screen are held here.
const int kSizeLimit = 1000000;
// Where a row's picture sits inside the row.
const int kImageInset = 3;

int HoldSize(int value) { return value < 0 ? 0 : value > kSizeLimit ? kSizeLimit : value; }

}  // namespace

CKesGUIImageListBox::CKesGUIImageListBox() = default;

CKesGUIImageListBox::CKesGUIImageListBox(CKesBaseFrame* frame, CKesBaseGUIElement* parent, int id, std::string name,
                                         CKesRect<int> rect)
    : CKesBaseGUIElement(KESGUI_IMAGELISTBOX, frame, parent, id, rect) {
    mCaption = std::move(name);
}

// The row pictures go with their rows; the scroll bar is a child that the
// base destructor deletes.
CKesGUIImageListBox::~CKesGUIImageListBox() { ClearAllRows(); }

void CKesGUIImageListBox::SetImageSize(CKesDimension2d<int> size) {
    mImageSize = CKesDimension2d<int>(HoldSize(size.Width), HoldSize(size.Height));
}

int CKesGUIImageListBox::GetDisplayLineCount() const { return mAbsoluteRect.getHeight() / kScrollStep + 1; }

int CKesGUIImageListBox::GetTotalLineCount() const {
    return Held(static_cast<long long>(RowHeight()) * static_cast<long long>(mRows.size()) / kScrollStep + 1);
}

int CKesGUIImageListBox::LastScrollPos() const {
    const int last = GetTotalLineCount() - GetDisplayLineCount();
    return last > 0 ? last : 0;
}

int CKesGUIImageListBox::RowTop(int row) const {
    return Held(static_cast<long long>(mAbsoluteRect.UpperLeftCorner.Y) -
                   static_cast<long long>(mScrollPos) * kScrollStep + static_cast<long long>(RowHeight()) * row);
}

CKesRect<int> CKesGUIImageListBox::GetRowRect(int row) const {
    if (row < 0 || row >= static_cast<int>(mRows.size())) return CKesRect<int>();
    return mRows[row]->rect;
}

CKesGUIImage* CKesGUIImageListBox::GetRowImage(int row) const {
    if (row < 0 || row >= static_cast<int>(mRows.size())) return nullptr;
    return mRows[row]->imageRef ? mRows[row]->image : nullptr;
}

// ---- Rows ----

void CKesGUIImageListBox::AddImageToListBox(std::string path) {
    if (path.empty()) return;
    const int n = static_cast<int>(mRows.size());
    const int w = mImageSize.Width;
    const int h = mImageSize.Height;
    const long long left = mAbsoluteRect.UpperLeftCorner.X;
    const long long width = mAbsoluteRect.getWidth() - static_cast<long long>(mScrollBarWidth);
    std::unique_ptr<ImageListRow> row(new ImageListRow());
    row->path = path;
    row->rect = CKesRect<int>(Held(left), 0, Held(left + width), RowHeight());
    // The picture's place relative to the list box, before any scrolling.
    const int imageTop = Held(static_cast<long long>(RowHeight()) * n + kImageInset);
    const int imageBottom = Held(static_cast<long long>(imageTop) + h);
    CKesGUIImage* image = new CKesGUIImage(mDriver, this, 0, "列表框图片",
                                           CKesRect<int>(kImageInset, imageTop,
                                                         Held(w + static_cast<long long>(kImageInset)), imageBottom));
    if (!mDefaultImage.empty()) image->SetImagePath(mDefaultImage);
    image->SetImagePath(path);
    // The list box takes the mouse over its pictures.
    image->SetEnabled(false);
    image->SetMoving(true);
    row->image = image;
    row->imageRef = image->GetRef();
    row->imageLeft = kImageInset;
    row->imageTop = imageTop;
    mRows.push_back(std::move(row));
    // A row added to a scrolled list joins the others where they are.
    PlaceRow(n);
    const int total = GetTotalLineCount();
    const int display = GetDisplayLineCount();
    if (total > display && GetScrollBar()) mScrollBar->SetMaxValue(total - display);
}

void CKesGUIImageListBox::AddTextToListBox(int row, std::string text, CKesColor color) {
    if (row < 0 || row >= static_cast<int>(mRows.size())) return;
    mRows[row]->lines.push_back(ImageListText{color, std::move(text)});
}

std::string CKesGUIImageListBox::GetStringByIndex(int row, int line) const {
    if (row < 0 || row >= static_cast<int>(mRows.size())) return std::string();
    const std::vector<ImageListText>& lines = mRows[row]->lines;
    if (line < 0 || line >= static_cast<int>(lines.size())) return std::string();
    return lines[line].text;
}

std::string CKesGUIImageListBox::GetImageByIndex(int row) const {
    if (row < 0 || row >= static_cast<int>(mRows.size())) return std::string();
    return mRows[row]->path;
}

void CKesGUIImageListBox::ClearAllRows() {
    // Taken out first: nothing reached while the pictures go sees half a list.
    std::vector<std::unique_ptr<ImageListRow>> rows;
    rows.swap(mRows);
    for (const std::unique_ptr<ImageListRow>& row : rows) {
        // A picture that someone else destroyed already is not touched; the
        // element's destructor takes it out of the child list.
        if (row->imageRef) delete row->image;
    }
    rows.clear();
    mScrollPos = 0;
    mSelected = -1;
    if (CKesGUIScrollBar* bar = GetScrollBar()) bar->SetCurValue(0);
}

void CKesGUIImageListBox::CreateScrollBar() {
    if (GetScrollBar()) return;
    mScrollBar = AddSideScrollBar(this, mScrollBarWidth, "文本滚动条");
    mScrollBarRef = mScrollBar->GetRef();
}

// ---- Placement ----

void CKesGUIImageListBox::PlaceRow(int index) {
    if (index < 0 || index >= static_cast<int>(mRows.size())) return;
    ImageListRow& row = *mRows[index];
    const int x = mAbsoluteRect.UpperLeftCorner.X;
    const int top = RowTop(index);
    const int width = row.rect.getWidth();
    row.rect = CKesRect<int>(x, top, Held(static_cast<long long>(x) + width),
                             Held(static_cast<long long>(top) + RowHeight()));
    if (row.imageRef)
        row.image->Move(CKesPosition2d<int>(x, top) + CKesDimension2d<int>(kImageInset, kImageInset));
}

void CKesGUIImageListBox::PlaceRows() {
    for (int i = 0; i < static_cast<int>(mRows.size()); ++i) PlaceRow(i);
}

void CKesGUIImageListBox::Move(const CKesPosition2d<int>& pos) {
    const CKesGUIElementRef self = GetRef();
    CKesBaseGUIElement::Move(pos);
    if (self) PlaceRows();
}

// ---- Events ----

bool CKesGUIImageListBox::OnProcessEvent(const CKesEvent& event) {
    if (!mEnabled) return false;
    if (event.mEventType == KESET_GUI_EVENT) {
        CKesGUIScrollBar* bar = GetScrollBar();
        if (event.mGuiEvent.EventType == KESGET_ELEMENT_CHANGED && bar && event.mGuiEvent.Caller == bar) {
            // A bar whose range outlived longer contents never scrolls the
            // list past its last row.
            int pos = bar->GetCurValue();
            if (pos > LastScrollPos()) pos = LastScrollPos();
            if (pos < 0) pos = 0;
            if (pos != bar->GetCurValue()) bar->SetCurValue(pos);
            mScrollPos = pos;
            PlaceRows();
        }
        return true;
    }
    if (event.mEventType != KESET_MOUSE_INPUT_EVENT) return true;
    const CKesPosition2d<int> pt(event.mMouseEvent.X, event.mMouseEvent.Y);
    const bool inside = mAbsoluteRect.isPointInside(pt);
    switch (event.mMouseEvent.EventType) {
    case KESMIE_LMOUSE_PRESSED_DOWN:
        // The parent reads the row with GetCurrentSelected; it may delete
        // the list box or its rows, so nothing is touched afterwards.
        if (inside) return RaiseGuiEvent(this, KESGET_ELEMENT_SELECTED);
        return true;
    case KESMIE_MOUSE_MOVED:
        if (!inside) return true;
        for (int i = 0; i < static_cast<int>(mRows.size()); ++i) {
            if (mRows[i]->rect.isPointInside(pt)) {
                mSelected = i;
                break;
            }
        }
        return true;
    case KESMIE_MOUSE_WHEEL:
        if (GetTotalLineCount() > GetDisplayLineCount()) {
            mScrollPos = WheelTop(mScrollPos, event.mMouseEvent.Wheel, LastScrollPos());
            PlaceRows();
            if (CKesGUIScrollBar* bar = GetScrollBar()) bar->SetCurValue(mScrollPos);
        }
        return true;
    default:
        return true;
    }
}

void CKesGUIImageListBox::OnProcessLostFocusEvent(const CKesEvent& /*event*/) { mSelected = -1; }

// ---- Drawing ----

void CKesGUIImageListBox::DrawRowText(const ImageListRow& row, const CKesRect<int>& clip) {
    const int count = static_cast<int>(row.lines.size());
    if (count < 1 || count > 3) return;
    const long long r = RowHeight();
    const long long top = row.rect.UpperLeftCorner.Y;
    const int x = Held(static_cast<long long>(row.rect.UpperLeftCorner.X) + mImageSize.Width + 5);
    const int right = Held(static_cast<long long>(x) + row.rect.getWidth());
    if (count == 1) {
        const ImageListText& line = row.lines[0];
        mDriver->DrawString(line.text.c_str(), CKesRect<int>(x, Held(top + 3), right, row.rect.LowerRightCorner.Y),
                            line.color, false, true, &clip);
        return;
    }
    // Two or three equal bands, each 3 pixels shorter than its share.
    const long long share = r / count;
    for (int i = 0; i < count; ++i) {
        const long long bandTop = top + i * share + 3;
        const ImageListText& line = row.lines[i];
        mDriver->DrawString(line.text.c_str(), CKesRect<int>(x, Held(bandTop), right, Held(bandTop + share - 3)),
                            line.color, false, true, &clip);
    }
}

void CKesGUIImageListBox::Draw() {
    if (!mVisible || !mDriver) return;
    mDriver->Draw2dRectangle(mAbsoluteRect, mBgColor, &mAbsoluteRect);
    if (!mRows.empty()) {
        if (mSelected >= 0 && mSelected < static_cast<int>(mRows.size()))
            mDriver->Draw2dRectangle(mRows[mSelected]->rect, mSelectColor, &mAbsoluteRect);
        const CKesRect<int> clip(mAbsoluteRect.UpperLeftCorner.X, mAbsoluteRect.UpperLeftCorner.Y,
                                 mAbsoluteRect.LowerRightCorner.X, Held(mAbsoluteRect.LowerRightCorner.Y - 3LL));
        for (const std::unique_ptr<ImageListRow>& row : mRows) {
            // Rows scrolled out of the box have nothing to show.
            if (row->rect.LowerRightCorner.Y < clip.UpperLeftCorner.Y ||
                row->rect.UpperLeftCorner.Y > clip.LowerRightCorner.Y)
                continue;
            DrawRowText(*row, clip);
        }
    }
    CKesBaseGUIElement::Draw();
}

}  // namespace kest2d
