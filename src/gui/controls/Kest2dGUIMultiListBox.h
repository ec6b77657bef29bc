// The multi-column list box: a row of column headers over rows of cells that
// hold texts, images or a progress bar, each cell with an integer sort key.
// A header click sorts the rows by that column, a press selects the hovered
// row, and the body scrolls in 5-pixel steps.
#pragma once

#include <string>
#include <vector>

#include "frame/types/Kest2dColor.h"
#include "gui/Kest2dGUIElement.h"

namespace kest2d {

class CKesGUIProcessBar;
class CKesGUIScrollBar;

class CKesGUIMultiListBox : public CKesBaseGUIElement {
public:
    static const int kHeaderHeight = 20;
    static const int kRowHeight = 22;
    static const int kScrollStep = 5;

    struct HeaderStruct {
        CKesRect<int> rect;  // absolute
        int width = 0;
        std::string title;
        unsigned long image = 0;
    };
    struct RowStruct {
        int key = 0;
        CKesRect<int> rect;  // absolute
        std::vector<unsigned long> images;
        std::string text;
        CKesGUIProcessBar* processBar = nullptr;  // a child, or null
        CKesGUIElementRef processRef;             // null once the bar is gone
    };

    CKesGUIMultiListBox();
    CKesGUIMultiListBox(CKesBaseFrame* frame, CKesBaseGUIElement* parent, int id, std::string name,
                        CKesRect<int> rect);
    ~CKesGUIMultiListBox() override;

    bool OnProcessEvent(const CKesEvent& event) override;
    void Move(const CKesPosition2d<int>& pos) override;
    void Draw() override;
    void OnProcessLostFocusEvent(const CKesEvent& event) override;

    void AddHeader(std::string title, int width);
    // The new row's index, -1 without headers.
    int CreateNewRow();
    void AddText(std::string text, int key, int row, int column);
    void AddImage(std::string path, int key, int row, int column);
    void AddProcessBar(int value, int maximum, int key, int row, int column);
    // Sorts by the column of the last header click (`column` only gates).
    void SortAllData(int column, bool ascending);
    void ClearAllRows();
    void CreateScrollBar();

    int GetTotalLineCount() const;
    int GetDisplayLineCount() const;
    int GetSelectedItem() const { return mSelected; }
    int GetHoveredItem() const { return mHovered; }
    int GetHoveredHeader() const { return mHoveredHeader; }
    int GetScrollPos() const { return mScrollPos; }
    bool GetSortOrder() const { return mSortOrder; }
    int GetRowCount() const { return static_cast<int>(mRows.size()); }
    int GetHeaderCount() const { return static_cast<int>(mHeaders.size()); }
    const std::vector<HeaderStruct>& GetHeaders() const { return mHeaders; }
    const std::vector<std::vector<RowStruct>>& GetRows() const { return mRows; }
    // The cell's text, key and progress bar; empty, 0 and null out of range.
    std::string GetCellText(int row, int column) const;
    int GetCellKey(int row, int column) const;
    CKesGUIProcessBar* GetCellProcessBar(int row, int column) const;

    void SetIsSort(bool sort) { mIsSort = sort; }
    bool IsSort() const { return mIsSort; }
    void SetHeaderMessage(std::string message) { mHeaderMessage = std::move(message); }
    std::string GetHeaderMessage() const { return mHeaderMessage; }
    void SetHeaderImage(std::string path);
    unsigned long GetHeaderImage() const { return mHeaderImage; }
    std::string GetHeaderImagePath() const { return mHeaderImagePath; }
    void SetBgColor(CKesColor colour) { mBgColor = colour; }
    CKesColor GetBgColor() const { return mBgColor; }
    void SetTextColor(CKesColor colour) { mTextColor = colour; }
    CKesColor GetTextColor() const { return mTextColor; }
    void SetSelectColor(CKesColor colour) { mSelectColor = colour; }
    CKesColor GetSelectColor() const { return mSelectColor; }
    void SetSelectedColor(CKesColor colour) { mSelectedColor = colour; }
    CKesColor GetSelectedColor() const { return mSelectedColor; }
    void SetHeaderBgColor(CKesColor colour) { mHeaderBgColor = colour; }
    CKesColor GetHeaderBgColor() const { return mHeaderBgColor; }
    void SetHeaderTextColor(CKesColor colour) { mHeaderTextColor = colour; }
    CKesColor GetHeaderTextColor() const { return mHeaderTextColor; }
    void SetProTipColor(CKesColor colour) { mProTipColor = colour; }
    CKesColor GetProTipColor() const { return mProTipColor; }
    void SetScrollBarWidth(int width) { mScrollBarWidth = width; }
    int GetScrollBarWidth() const { return mScrollBarWidth; }
    // Null once the scroll bar is gone.
    CKesGUIScrollBar* GetScrollBar() const;
    // The images of the cells' progress bars (paths only).
    void SetBgImageOne(std::string path) { SetProgressImage(0, std::move(path)); }
    void SetBgImageTwo(std::string path) { SetProgressImage(1, std::move(path)); }
    void SetBgImageThree(std::string path) { SetProgressImage(2, std::move(path)); }
    void SetBgImageFour(std::string path) { SetProgressImage(3, std::move(path)); }
    std::string GetBgImageOne() const { return mProgressImage[0]; }
    std::string GetBgImageTwo() const { return mProgressImage[1]; }
    std::string GetBgImageThree() const { return mProgressImage[2]; }
    std::string GetBgImageFour() const { return mProgressImage[3]; }

    // The column the rows are sorted by, shared by all list boxes; -1 until
    // a header is clicked.
    static int m_sortIndex;

private:
    void SetProgressImage(int which, std::string path);
    bool ValidCell(int row, int column) const;
    // Places headers, cells and the cells' progress bars.
    void PlaceAll();
    // The rows' area; with the headers' band above it.
    CKesRect<int> Body() const;
    CKesRect<int> HeadersAndBody() const;
    void DrawHeaders();
    void DrawRows();

    CKesGUIScrollBar* mScrollBar = nullptr;
    CKesGUIElementRef mScrollRef;
    int mScrollBarWidth = 0;
    CKesColor mBgColor = CKesColor(100, 0, 255, 0);
    CKesColor mTextColor = CKesColor(255, 255, 255, 255);
    CKesColor mSelectColor = CKesColor(100, 0, 255, 0);
    CKesColor mSelectedColor = CKesColor(100, 255, 0, 0);
    int mHovered = -1;
    int mSelected = -1;
    int mHoveredHeader = -1;
    bool mIsSort = false;
    std::string mHeaderMessage;
    std::string mHeaderImagePath;
    unsigned long mHeaderImage = 0;
    CKesColor mHeaderBgColor = CKesColor(155, 0, 0, 0);
    CKesColor mHeaderTextColor = CKesColor(155, 255, 255, 255);
    int mScrollPos = 0;
    bool mSortOrder = true;
    CKesColor mProTipColor = CKesColor(255, 255, 255, 255);
    std::string mProgressImage[4];
    std::vector<HeaderStruct> mHeaders;
    std::vector<std::vector<RowStruct>> mRows;
};

}  // namespace kest2d
