// The multi-column list box: headers from the layout, rows of texts, images
// and progress bars, header clicks sorting, selection, the wheel and the
// scroll bar, read back from the screen.
#include "controls/ControlsFixture.h"
#include "gui/controls/Kest2dGUIMultiListBox.h"
#include "gui/controls/Kest2dGUIProcessBar.h"
#include "gui/controls/Kest2dGUIScrollBar.h"

using namespace kest2d;
using namespace kest2d::test;

namespace {

const DWORD kRed = 0xFFFF0000u, kGreen = 0xFF00FF00u, kBlue = 0xFF0000FFu, kYellow = 0xFFFFFF00u;
const DWORD kMagenta = 0xFFFF00FFu;

class MultiListBoxTest : public ControlsFixture {
protected:
    void SetUp() override {
        ControlsFixture::SetUp();
        // The sort column is shared by every list box of the process.
        CKesGUIMultiListBox::m_sortIndex = -1;
    }
    // A list (id 1) at (100, 100), 200 x 120, with the columns "Name" (120)
    // and "Score" (60).
    CKesGUIMultiListBox* StartWithList(Props more = {}) {
        Props p = At(1, 100, 100, 200, 120, {{"HeaderMessage", "Name,120;Score,60"}});
        for (const auto& m : more) p[m.first] = m.second;
        Start(Control("MultiListBox", "list", p));
        return Find<CKesGUIMultiListBox>(1);
    }
    // Rows named after their keys, in the given order; the second column's
    // key is ten times the first.
    void AddRows(CKesGUIMultiListBox* list, const std::vector<int>& keys) {
        for (int key : keys) {
            const int row = list->CreateNewRow();
            ASSERT_GE(row, 0);
            list->AddText("row" + std::to_string(key), key, row, 0);
            list->AddText(std::to_string(key * 10), key * 10, row, 1);
        }
    }
    std::vector<int> Keys(CKesGUIMultiListBox* list, int column) {
        std::vector<int> keys;
        for (int r = 0; r < list->GetRowCount(); ++r) keys.push_back(list->GetCellKey(r, column));
        return keys;
    }
    void Post2(UINT msg, int x, int y, WPARAM wp = 0) { Post(msg, wp, MAKELPARAM(x, y)); }
    void Wheel(int x, int y, int steps) { Post(WM_MOUSEWHEEL, MAKEWPARAM(0, steps * WHEEL_DELTA), MAKELPARAM(x, y)); }
    int Count(const std::string& what) const {
        int n = 0;
        for (const std::string& e : f->events) n += e == what;
        return n;
    }
};

TEST_F(MultiListBoxTest, LayoutMakesHeadersColoursAndScrollBar) {
    CKesGUIMultiListBox* list = StartWithList({{"HeaderIsMouse", "1"},
                                               {"BgColor", "255;0;0;255"},
                                               {"TextColor", "255;1;2;3"},
                                               {"SelectColor", "255;4;5;6"},
                                               {"SelectedColor", "255;7;8;9"},
                                               {"HeaderBgColor", "200;10;11;12"},
                                               {"HeaderTextColor", "201;13;14;15"},
                                               {"tipColor", "255;16;17;18"},
                                               {"BgImageOne", "img\\one.tga"},
                                               {"ScrollBarBgColor", "255;20;21;22"}});
    ASSERT_NE(nullptr, list);
    EXPECT_EQ(KESGUI_MULTILISTBOX, list->GetType());
    EXPECT_TRUE(list->IsSort());
    ASSERT_EQ(2, list->GetHeaderCount());
    EXPECT_EQ("Name", list->GetHeaders()[0].title);
    EXPECT_EQ(CKesRect<int>(100, 100, 220, 120), list->GetHeaders()[0].rect);
    EXPECT_EQ(CKesRect<int>(220, 100, 280, 120), list->GetHeaders()[1].rect);
    EXPECT_EQ("Name,120;Score,60", list->GetHeaderMessage());
    EXPECT_EQ(CKesColor(255, 0, 0, 255), list->GetBgColor());
    EXPECT_EQ(CKesColor(255, 1, 2, 3), list->GetTextColor());
    EXPECT_EQ(CKesColor(255, 4, 5, 6), list->GetSelectColor());
    EXPECT_EQ(CKesColor(255, 7, 8, 9), list->GetSelectedColor());
    EXPECT_EQ(CKesColor(200, 10, 11, 12), list->GetHeaderBgColor());
    EXPECT_EQ(CKesColor(201, 13, 14, 15), list->GetHeaderTextColor());
    EXPECT_EQ(CKesColor(255, 16, 17, 18), list->GetProTipColor());
    EXPECT_EQ("img\\one.tga", list->GetBgImageOne());
    EXPECT_EQ("", list->GetBgImageTwo());
    ASSERT_NE(nullptr, list->GetScrollBar());
    EXPECT_EQ(Gbk("多项列表框滚动条"), list->GetScrollBar()->GetCaption());
    EXPECT_EQ(CKesColor(255, 20, 21, 22), list->GetScrollBar()->GetBackgroundColor());
    EXPECT_EQ(21, list->GetDisplayLineCount());
    EXPECT_EQ(21, list->GetScrollBar()->GetPageCount());
    // A second scroll bar is never made.
    CKesGUIScrollBar* bar = list->GetScrollBar();
    list->CreateScrollBar();
    EXPECT_EQ(bar, list->GetScrollBar());

    // Headers without a title or width are refused.
    list->AddHeader("", 40);
    list->AddHeader("Zero", 0);
    list->AddHeader("Neg", -5);
    EXPECT_EQ(2, list->GetHeaderCount());
}

TEST_F(MultiListBoxTest, RowsNeedHeadersAndCellsInRange) {
    Start(Control("MultiListBox", "bare", At(2, 10, 10, 100, 100)));
    CKesGUIMultiListBox* bare = Find<CKesGUIMultiListBox>(2);
    ASSERT_NE(nullptr, bare);
    EXPECT_EQ(-1, bare->CreateNewRow());
    EXPECT_EQ(0, bare->GetRowCount());
    bare->AddText("x", 1, 0, 0);
    bare->AddProcessBar(1, 2, 3, 0, 0);
    EXPECT_EQ(0, bare->GetRowCount());

    CKesGUIMultiListBox* list = StartWithList();
    ASSERT_EQ(0, list->CreateNewRow());
    list->AddText("a", 5, 0, 0);
    list->AddText("b", 6, 1, 0);   // no such row
    list->AddText("c", 7, 0, 2);   // no such column
    list->AddText("d", 8, -1, 0);
    list->AddText("e", 9, 0, -1);
    list->AddText("", 10, 0, 1);   // no text
    EXPECT_EQ("a", list->GetCellText(0, 0));
    EXPECT_EQ(5, list->GetCellKey(0, 0));
    EXPECT_EQ("", list->GetCellText(0, 1));
    EXPECT_EQ(0, list->GetCellKey(0, 1));
    list->AddImage("img\\missing.tga", 4, 0, 1);
    EXPECT_EQ(0, list->GetCellKey(0, 1));
    EXPECT_TRUE(list->GetRows()[0][1].images.empty());
    // Cells lie under their headers, 22 pixels high below the header row.
    EXPECT_EQ(CKesRect<int>(220, 120, 280, 142), list->GetRows()[0][1].rect);
}

TEST_F(MultiListBoxTest, HeaderClicksSortDescendingThenAscending) {
    CKesGUIMultiListBox* list = StartWithList();
    // The sort flag is off: it only makes the headers follow the pointer.
    EXPECT_FALSE(list->IsSort());
    AddRows(list, {2, 5, 1, 4, 3});
    // A script sorting before any header click changes nothing.
    list->SortAllData(0, true);
    EXPECT_EQ((std::vector<int>{2, 5, 1, 4, 3}), Keys(list, 0));

    MoveMouse(150, 110);
    PressMouse(150, 110);
    EXPECT_EQ(0, CKesGUIMultiListBox::m_sortIndex);
    EXPECT_EQ((std::vector<int>{5, 4, 3, 2, 1}), Keys(list, 0));
    EXPECT_EQ("row5", list->GetCellText(0, 0));
    EXPECT_EQ("50", list->GetCellText(0, 1));
    // The header row raises nothing.
    EXPECT_EQ(0, Count("gui7"));
    PressMouse(150, 110);
    EXPECT_EQ((std::vector<int>{1, 2, 3, 4, 5}), Keys(list, 0));
    // Rows are placed again after sorting.
    EXPECT_EQ(CKesRect<int>(100, 120, 220, 142), list->GetRows()[0][0].rect);

    // The second column sorts by its own keys, continuing the alternation.
    for (int r = 0; r < list->GetRowCount(); ++r) list->AddText("k", 100 - list->GetCellKey(r, 0), r, 1);
    PressMouse(250, 110);
    EXPECT_EQ(1, CKesGUIMultiListBox::m_sortIndex);
    EXPECT_FALSE(list->GetSortOrder());
    EXPECT_EQ((std::vector<int>{99, 98, 97, 96, 95}), Keys(list, 1));
    EXPECT_EQ(0, Count("gui7"));
}

TEST_F(MultiListBoxTest, SortingCopesWithEqualKeysAndMissingCells) {
    CKesGUIMultiListBox* list = StartWithList();
    AddRows(list, {1, 1, 2, 2, 1});
    PressMouse(150, 110);
    EXPECT_EQ((std::vector<int>{2, 2, 1, 1, 1}), Keys(list, 0));
    // A column added after the rows: they have no cell there and sort as 0.
    list->AddHeader("Late", 20);
    ASSERT_EQ(3, list->GetHeaderCount());
    const int row = list->CreateNewRow();
    list->AddText("late", 7, row, 2);
    PressMouse(290, 110);
    EXPECT_EQ(2, CKesGUIMultiListBox::m_sortIndex);
    EXPECT_EQ(6, list->GetRowCount());
    PressMouse(290, 110);
    EXPECT_EQ(7, list->GetCellKey(list->GetSortOrder() ? 5 : 0, 2));
    // Another list's column beyond this one's headers is ignored.
    CKesGUIMultiListBox::m_sortIndex = 9;
    const std::vector<int> before = Keys(list, 0);
    list->SortAllData(0, true);
    EXPECT_EQ(before, Keys(list, 0));
    DrawGui();
}

TEST_F(MultiListBoxTest, BodyPressSelectsTheHoveredRowAndDoubleClickReports) {
    CKesGUIMultiListBox* list = StartWithList();
    AddRows(list, {1, 2, 3});
    int selectedThen = -2;
    f->onEvent = [&](const CKesEvent& e) {
        if (e.mEventType == KESET_GUI_EVENT && e.mGuiEvent.Caller == list &&
            e.mGuiEvent.EventType == KESGET_ELEMENT_SELECTED)
            selectedThen = list->GetSelectedItem();
        return f->CKesBaseFrame::OnProcessEvent(e);
    };
    // No row hovered yet: the selection is none.
    Post2(WM_LBUTTONDOWN, 150, 200, MK_LBUTTON);
    EXPECT_EQ(1, Count("gui7"));
    EXPECT_EQ(-1, selectedThen);

    MoveMouse(150, 150);  // the second row (142 ... 164)
    EXPECT_EQ(1, list->GetHoveredItem());
    PressMouse(150, 150);
    EXPECT_EQ(2, Count("gui7"));
    EXPECT_EQ(1, selectedThen);
    EXPECT_EQ(1, list->GetSelectedItem());
    Post2(WM_LBUTTONDBLCLK, 150, 150, MK_LBUTTON);
    EXPECT_EQ(1, Count("gui8"));

    // Leaving the list forgets the hover but keeps the selection.
    MoveMouse(500, 500);
    EXPECT_EQ(-1, list->GetHoveredItem());
    EXPECT_EQ(1, list->GetSelectedItem());

    // A handler may delete the list while it is told of the selection.
    f->onEvent = [&](const CKesEvent& e) {
        if (e.mEventType == KESET_GUI_EVENT && e.mGuiEvent.EventType == KESGET_ELEMENT_SELECTED)
            f->DeleteChildren(list);
        return true;
    };
    MoveMouse(150, 130);
    PressMouse(150, 130);
    EXPECT_EQ(nullptr, Find<CKesGUIMultiListBox>(1));
    MoveMouse(150, 131);
    DrawGui();
}

TEST_F(MultiListBoxTest, WheelAndScrollBarScrollInFivePixelSteps) {
    CKesGUIMultiListBox* list = StartWithList();
    AddRows(list, {1, 2, 3, 4, 5, 6, 7, 8, 9, 10});
    EXPECT_EQ(45, list->GetTotalLineCount());
    EXPECT_EQ(21, list->GetDisplayLineCount());
    ASSERT_NE(nullptr, list->GetScrollBar());
    EXPECT_EQ(24, list->GetScrollBar()->GetMaxValue());

    // The wheel goes to the element under the pointer.
    MoveMouse(150, 150);
    Wheel(150, 150, -3);
    EXPECT_EQ(3, list->GetScrollPos());
    EXPECT_EQ(3, list->GetScrollBar()->GetCurValue());
    EXPECT_EQ(120 - 15, list->GetRows()[0][0].rect.UpperLeftCorner.Y);
    Wheel(150, 150, -100);
    EXPECT_EQ(24, list->GetScrollPos());
    EXPECT_EQ(120 - 120 + 22 * 9, list->GetRows()[9][0].rect.UpperLeftCorner.Y);
    Wheel(150, 150, 1);
    EXPECT_EQ(23, list->GetScrollPos());
    Wheel(150, 150, 100);
    EXPECT_EQ(0, list->GetScrollPos());

    // The scroll bar moves the rows too.
    CKesGUIScrollBar* bar = list->GetScrollBar();
    bar->SetCurValue(10);
    CKesEvent changed{};
    changed.mEventType = KESET_GUI_EVENT;
    changed.mGuiEvent.Caller = bar;
    changed.mGuiEvent.EventType = KESGET_ELEMENT_CHANGED;
    EXPECT_TRUE(list->OnProcessEvent(changed));
    EXPECT_EQ(10, list->GetScrollPos());
    EXPECT_EQ(120 - 50, list->GetRows()[0][0].rect.UpperLeftCorner.Y);

    // Emptied, the list is back at the top with nothing to scroll.
    list->ClearAllRows();
    EXPECT_EQ(0, list->GetScrollPos());
    EXPECT_EQ(-1, list->GetSelectedItem());
    EXPECT_EQ(0, list->GetScrollBar()->GetMaxValue());
    Wheel(150, 150, -3);
    EXPECT_EQ(0, list->GetScrollPos());
}

TEST_F(MultiListBoxTest, FewRowsDoNotScroll) {
    CKesGUIMultiListBox* list = StartWithList();
    AddRows(list, {1, 2, 3});
    MoveMouse(150, 150);
    Wheel(150, 150, -3);
    EXPECT_EQ(0, list->GetScrollPos());
    EXPECT_EQ(0, list->GetScrollBar()->GetMaxValue());
}

TEST_F(MultiListBoxTest, ProgressBarsLiveInCellsAndGoWithTheRows) {
    CKesGUIMultiListBox* list = StartWithList({{"tipColor", "255;1;2;3"}, {"BgImageTwo", "img\\two.tga"}});
    AddRows(list, {1, 2});
    const size_t children = list->GetChildrens().size();
    list->AddProcessBar(30, 100, 77, 1, 1);
    CKesGUIProcessBar* bar = list->GetCellProcessBar(1, 1);
    ASSERT_NE(nullptr, bar);
    EXPECT_EQ(children + 1, list->GetChildrens().size());
    EXPECT_EQ(Gbk("多项列表进度条"), bar->GetCaption());
    EXPECT_FALSE(bar->IsEnabled());
    EXPECT_TRUE(bar->isMoving());
    EXPECT_EQ(30, bar->GetProcess());
    EXPECT_EQ(100, bar->GetMaxValue());
    EXPECT_EQ(CKesColor(255, 1, 2, 3), bar->GetProTipColor());
    EXPECT_EQ("img\\two.tga", bar->GetBgImageTwo());
    EXPECT_EQ(77, list->GetCellKey(1, 1));
    // The cell (220, 142) - (280, 164) shrunk by 3.
    EXPECT_EQ(CKesRect<int>(223, 145, 277, 161), bar->GetAbsoluteRect());

    // A second bar in the cell replaces the first.
    list->AddProcessBar(5, 10, 78, 1, 1);
    EXPECT_EQ(children + 1, list->GetChildrens().size());
    bar = list->GetCellProcessBar(1, 1);
    ASSERT_NE(nullptr, bar);
    EXPECT_EQ(5, bar->GetProcess());

    // Sorting takes the bar along with its row, and moving the list moves it.
    PressMouse(150, 110);  // descending by the first column
    ASSERT_EQ(bar, list->GetCellProcessBar(0, 1));
    EXPECT_EQ(CKesRect<int>(223, 123, 277, 139), bar->GetAbsoluteRect());
    list->Move(CKesPosition2d<int>(200, 300));
    EXPECT_EQ(CKesRect<int>(323, 323, 377, 339), bar->GetAbsoluteRect());
    EXPECT_EQ(CKesRect<int>(200, 300, 320, 320), list->GetHeaders()[0].rect);
    list->Move(CKesPosition2d<int>(100, 100));

    // A bar destroyed behind the list's back is not touched again.
    list->DeleteChildren(bar);
    EXPECT_EQ(nullptr, list->GetCellProcessBar(0, 1));
    DrawGui();
    list->AddProcessBar(1, 2, 3, 1, 0);
    list->ClearAllRows();
    EXPECT_EQ(children, list->GetChildrens().size());
    EXPECT_EQ(0, list->GetRowCount());
    DrawGui();
}

TEST_F(MultiListBoxTest, DrawsBackgroundHeadersRowsAndImages) {
    WriteFile(GamePath("img/dot.tga"), Tga(10, 10, [](int, int) { return kMagenta; }));
    CKesGUIMultiListBox* list = StartWithList({{"BgColor", "255;0;0;255"},
                                               {"HeaderBgColor", "255;255;0;0"},
                                               {"SelectColor", "255;255;255;0"},
                                               {"SelectedColor", "255;0;255;0"}});
    AddRows(list, {1, 2, 3});
    list->AddImage("img\\dot.tga", 9, 2, 0);
    EXPECT_EQ(9, list->GetCellKey(2, 0));
    MoveMouse(150, 130);  // row 0 hovered
    PressMouse(150, 150);  // row 0 still hovered: selected
    MoveMouse(150, 150);  // row 1 hovered
    DrawGui();
    EXPECT_EQ(kRed, Px(102, 102));      // header
    EXPECT_EQ(kRed, Px(278, 118));      // second header
    EXPECT_EQ(kBlue, Px(290, 110));     // right of the headers
    EXPECT_EQ(kGreen, Px(102, 124));    // selected row 0
    EXPECT_EQ(kYellow, Px(102, 146));   // hovered row 1
    EXPECT_EQ(kMagenta, Px(102, 170));  // the image at the left of its cell, centred
    EXPECT_EQ(kBlue, Px(102, 190));     // empty body
    EXPECT_EQ(kBlue, Px(290, 210));

    // Scrolled, the rows stay out of the header row.
    for (int i = 0; i < 8; ++i) list->CreateNewRow();
    Wheel(150, 150, -6);
    ASSERT_EQ(6, list->GetScrollPos());
    DrawGui();
    EXPECT_EQ(kRed, Px(102, 102));
    EXPECT_EQ(kRed, Px(102, 118));
    // Row 0 (selected) now reaches the body only down to y 112: hidden.
    EXPECT_NE(kGreen, Px(102, 121));
}

TEST_F(MultiListBoxTest, SortableHeadersFollowThePointerInRed) {
    CKesGUIMultiListBox* list = StartWithList({{"HeaderIsMouse", "1"}, {"HeaderBgColor", "255;0;0;0"}});
    auto redPixels = [&]() {
        int n = 0;
        for (int y = 100; y < 120; ++y)
            for (int x = 100; x < 220; ++x) n += Px(x, y) == 0xFFFF0000u;
        return n;
    };
    DrawGui();
    EXPECT_EQ(0, redPixels());
    MoveMouse(150, 110);
    EXPECT_EQ(0, list->GetHoveredHeader());
    DrawGui();
    EXPECT_GT(redPixels(), 0);
    MoveMouse(250, 110);
    EXPECT_EQ(1, list->GetHoveredHeader());
    MoveMouse(150, 200);  // the body
    EXPECT_EQ(-1, list->GetHoveredHeader());
    MoveMouse(150, 110);
    MoveMouse(600, 500);  // outside
    EXPECT_EQ(-1, list->GetHoveredHeader());
    DrawGui();
    EXPECT_EQ(0, redPixels());

    // Without the flag the headers do not follow the pointer.
    list->SetIsSort(false);
    MoveMouse(150, 110);
    EXPECT_EQ(-1, list->GetHoveredHeader());
}

}  // namespace
