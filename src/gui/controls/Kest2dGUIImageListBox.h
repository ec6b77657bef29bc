// The image list box: a vertical list whose rows each show a picture (a
// child image control, local or fetched over HTTP) followed by up to three
// coloured text lines. Rows are as high as the picture plus 6 pixels; the
// list scrolls in steps of 5 pixels with the wheel or an optional child
// scroll bar. The row under the pointer is highlighted, and a left press
// reports the selection to the parent, which reads GetCurrentSelected.
#pragma once

#include <memory>
#include <string>
#include <vector>

#include "frame/types/Kest2dColor.h"
#include "gui/Kest2dGUIElement.h"

namespace kest2d {

class CKesGUIImage;
class CKesGUIScrollBar;

class CKesGUIImageListBox : public CKesBaseGUIElement {
public:
    // One coloured text line of a row.
    struct ImageListText {
        CKesColor color;
        std::string text;
    };
    // One row: its absolute rectangle, its picture's path, the picture
    // control (a child of the list box), the picture's first place relative
    // to the list box, and its text lines. `imageRef` turns null when the
    // picture is destroyed by someone else (a script may delete it).
    struct ImageListRow {
        CKesRect<int> rect;
        std::string path;
        CKesGUIImage* image = nullptr;
        int imageLeft = 0;
        int imageTop = 0;
        std::vector<ImageListText> lines;
        CKesGUIElementRef imageRef;
    };

    // The scroll unit in pixels, and what a row adds to its picture's height.
    static const int kScrollStep = 5;
    static const int kRowPadding = 6;

    CKesGUIImageListBox();
    CKesGUIImageListBox(CKesBaseFrame* frame, CKesBaseGUIElement* parent, int id, std::string name,
                        CKesRect<int> rect);
    ~CKesGUIImageListBox() override;
    CKesGUIImageListBox(const CKesGUIImageListBox&) = delete;
    CKesGUIImageListBox& operator=(const CKesGUIImageListBox&) = delete;

    bool OnProcessEvent(const CKesEvent& event) override;
    void Move(const CKesPosition2d<int>& pos) override;
    void Draw() override;
    void OnProcessLostFocusEvent(const CKesEvent& event) override;

    // Appends a row showing the picture at `path` (nothing for an empty
    // path); the default picture stands in until the row's own is ready.
    void AddImageToListBox(std::string path);
    // Appends a text line to row `row` (nothing for a row that does not
    // exist). Rows show one to three lines.
    void AddTextToListBox(int row, std::string text, CKesColor color = CKesColor(0xFFFFFFFFu));
    // Line `line` of row `row`; empty when either is out of range.
    std::string GetStringByIndex(int row, int line) const;
    // The picture path of row `row`; empty when out of range.
    std::string GetImageByIndex(int row) const;
    // Removes every row and its picture; back to the top, nothing hovered.
    void ClearAllRows();
    // Makes the child scroll bar along the right edge, GetScrollBarWidth
    // wide: set the width first and call this once.
    void CreateScrollBar();

    // The list's height and the whole list's height, in scroll steps.
    int GetDisplayLineCount() const;
    int GetTotalLineCount() const;
    // The number of rows held.
    int GetTotalRows() const { return static_cast<int>(mRows.size()); }
    // The hovered row, -1 for none.
    int GetCurrentSelected() const { return mSelected; }
    // The view's offset from the top, in scroll steps.
    int GetScrollPos() const { return mScrollPos; }
    // The absolute rectangle of row `row` (empty when out of range).
    CKesRect<int> GetRowRect(int row) const;
    // The picture control of row `row`, null when out of range or destroyed.
    CKesGUIImage* GetRowImage(int row) const;

    void SetBgColor(CKesColor colour) { mBgColor = colour; }
    CKesColor GetBgColor() const { return mBgColor; }
    void SetSelectColor(CKesColor colour) { mSelectColor = colour; }
    CKesColor GetSelectColor() const { return mSelectColor; }
    // Negative sizes count as 0; sizes beyond any screen are held there.
    void SetImageSize(CKesDimension2d<int> size);
    CKesDimension2d<int> GetImageSize() const { return mImageSize; }
    void SetDefaultImage(std::string path) { mDefaultImage = std::move(path); }
    std::string GetDefaultImage() const { return mDefaultImage; }
    void SetScrollBarWidth(int width) { mScrollBarWidth = width; }
    int GetScrollBarWidth() const { return mScrollBarWidth; }
    // Null until CreateScrollBar, and again once the bar is destroyed.
    CKesGUIScrollBar* GetScrollBar() const { return mScrollBarRef ? mScrollBar : nullptr; }

private:
    int RowHeight() const { return mImageSize.Height + kRowPadding; }
    // The top of row `row` at the current scroll position, held in the int
    // range.
    int RowTop(int row) const;
    // Puts row `row` and its picture where the scroll position says.
    void PlaceRow(int row);
    void PlaceRows();
    int LastScrollPos() const;
    void DrawRowText(const ImageListRow& row, const CKesRect<int>& clip);

    CKesColor mBgColor = CKesColor(100, 0, 0, 0);
    CKesColor mSelectColor = CKesColor(155, 255, 0, 0);
    int mScrollBarWidth = 0;
    CKesDimension2d<int> mImageSize = CKesDimension2d<int>(0, 0);
    int mScrollPos = 0;
    int mSelected = -1;
    std::string mDefaultImage;
    std::vector<std::unique_ptr<ImageListRow>> mRows;
    CKesGUIScrollBar* mScrollBar = nullptr;
    CKesGUIElementRef mScrollBarRef;
};

}  // namespace kest2d
