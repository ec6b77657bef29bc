// The image list box: a layout written by the test, rows with pictures made
// by the test (local and fetched from a loopback server) and text lines, the
// wheel and the scroll bar, choosing a row, and the pixels it draws.
#include <cstdint>
#include <string>

#include "image/ImageFixture.h"
#include "gui/controls/Kest2dGUIImageListBox.h"
#include "gui/controls/Kest2dGUIScrollBar.h"

using namespace kest2d;
using namespace kest2d::test;

namespace {

const DWORD kYellow = 0xFFFFFF00u, kCyan = 0xFF00FFFFu;

int Red(DWORD c) { return (c >> 16) & 0xFF; }
int Green(DWORD c) { return (c >> 8) & 0xFF; }
int Blue(DWORD c) { return c & 0xFF; }

class ImageListBoxTest : public ImageFixture {
protected:
    // Writes a picture into the game folder; returns its engine name.
    std::string Picture(const std::string& name, const std::string& bytes) {
        WriteFile(GamePath("img/" + name), bytes);
        return "img\\" + name;
    }
    // The list, id 1, at (100, 100), 200 x 200 (41 steps of 5 pixels), with
    // 40 x 40 pictures (rows 46 pixels high) on opaque blue, red highlight.
    CKesGUIImageListBox* StartWithList(Props more = {}) {
        Props p = At(1, 100, 100, 200, 200,
                     {{"ImageSize", "40;40"}, {"BgColor", "255;0;0;255"}, {"SelectColor", "255;255;0;0"}});
        for (const auto& m : more) p[m.first] = m.second;
        Start(Control("ImageListBox", "list", p));
        return Find<CKesGUIImageListBox>(1);
    }
    // A list with a scroll bar 12 pixels wide on green.
    CKesGUIImageListBox* StartWithBar(Props more = {}) {
        Props p = {{"ScrollBarBgColor", "255;0;255;0"},
                   {"UpButtonImg", Picture("up.tga", Plain(48, 10, 0xFFFFFFFFu))},
                   {"DownButtonImg", Picture("down.tga", Plain(48, 10, 0xFFFFFFFFu))},
                   {"ScrollBarImg", Picture("thumb.tga", Plain(48, 20, 0xFFFFFF00u))}};
        for (const auto& m : more) p[m.first] = m.second;
        return StartWithList(p);
    }
    void AddRows(CKesGUIImageListBox* list, int count, uint32_t colour = 0xFF00FF00u) {
        const std::string pic = Picture("row.tga", Plain(40, 40, colour));
        for (int i = 0; i < count; ++i) list->AddImageToListBox(pic);
    }
    void Wheel(int x, int y, int steps) {
        Post(WM_MOUSEWHEEL, MAKEWPARAM(0, steps * WHEEL_DELTA), MAKELPARAM(x, y));
    }
    int Selections() const {
        int n = 0;
        for (const std::string& e : f->events) n += e == "gui" + std::to_string(KESGET_ELEMENT_SELECTED);
        return n;
    }
    // Pixels of `r` for which `pick` holds.
    int Count(const CKesRect<int>& r, bool (*pick)(DWORD)) {
        int n = 0;
        for (int y = r.UpperLeftCorner.Y; y < r.LowerRightCorner.Y; ++y)
            for (int x = r.UpperLeftCorner.X; x < r.LowerRightCorner.X; ++x) n += pick(Px(x, y));
        return n;
    }
    // The mean row of the pixels of `r` for which `pick` holds (-1 for none).
    double MeanY(const CKesRect<int>& r, bool (*pick)(DWORD)) {
        double sum = 0;
        int n = 0;
        for (int y = r.UpperLeftCorner.Y; y < r.LowerRightCorner.Y; ++y)
            for (int x = r.UpperLeftCorner.X; x < r.LowerRightCorner.X; ++x)
                if (pick(Px(x, y))) {
                    sum += y;
                    ++n;
                }
        return n ? sum / n : -1;
    }
};

// Text ink of the line colours used below, on the blue background.
bool Whitish(DWORD c) { return Red(c) > 150 && Green(c) > 150; }
bool Greenish(DWORD c) { return Green(c) > 150 && Red(c) < 100; }
bool Reddish(DWORD c) { return Red(c) > 150 && Green(c) < 100 && Blue(c) < 150; }
bool NotBlue(DWORD c) { return c != kBlue; }
bool NotBlack(DWORD c) { return c != kBlack; }

TEST_F(ImageListBoxTest, LayoutMakesTheListAndItsScrollBar) {
    CKesGUIImageListBox* list = StartWithBar({{"DefaultImage", "img\\def.tga"}});
    ASSERT_NE(nullptr, list);
    EXPECT_EQ(KESGUI_IMAGELISTBOX, list->GetType());
    EXPECT_EQ("list", list->GetCaption());
    EXPECT_EQ(CKesColor(255, 0, 0, 255), list->GetBgColor());
    EXPECT_EQ(CKesColor(255, 255, 0, 0), list->GetSelectColor());
    EXPECT_EQ(CKesDimension2d<int>(40, 40), list->GetImageSize());
    EXPECT_EQ("img\\def.tga", list->GetDefaultImage());
    EXPECT_EQ(41, list->GetDisplayLineCount());
    EXPECT_EQ(0, list->GetTotalRows());
    EXPECT_EQ(-1, list->GetCurrentSelected());
    // The bar is a quarter of its thumb strip wide, along the right edge.
    EXPECT_EQ(12, list->GetScrollBarWidth());
    CKesGUIScrollBar* bar = list->GetScrollBar();
    ASSERT_NE(nullptr, bar);
    EXPECT_EQ(Gbk("文本滚动条"), bar->GetCaption());
    EXPECT_EQ(0, bar->GetID());
    EXPECT_EQ(CKesRect<int>(288, 100, 300, 300), bar->GetAbsoluteRect());
    EXPECT_EQ(41, bar->GetPageCount());
    EXPECT_EQ(CKesColor(255, 0, 255, 0), bar->GetBackgroundColor());
    EXPECT_NE(nullptr, bar->GetUpButton());

    // Without a thumb strip the bar is made all the same, with no width;
    // colours and sizes that do not parse leave the defaults.
    Load(Control("ImageListBox", "plain",
                 At(2, 10, 10, 100, 100, {{"BgColor", "1;2;3"}, {"ImageSize", "40"}, {"SelectColor", ""}})));
    CKesGUIImageListBox* plain = Find<CKesGUIImageListBox>(2);
    ASSERT_NE(nullptr, plain);
    ASSERT_NE(nullptr, plain->GetScrollBar());
    EXPECT_EQ(0, plain->GetScrollBarWidth());
    EXPECT_EQ(CKesColor(100, 0, 0, 0), plain->GetBgColor());
    EXPECT_EQ(CKesColor(155, 255, 0, 0), plain->GetSelectColor());
    EXPECT_EQ(CKesDimension2d<int>(0, 0), plain->GetImageSize());
    EXPECT_EQ("", plain->GetDefaultImage());

    // The factory returns the list of an id it already has.
    CKesGUIImageListBox* made = f->AddImageListBox(7, "made", CKesRect<int>(300, 300, 400, 350), nullptr);
    ASSERT_NE(nullptr, made);
    EXPECT_EQ(made, f->AddImageListBox(7, "again", CKesRect<int>(0, 0, 1, 1), nullptr));
    EXPECT_EQ(nullptr, made->GetScrollBar());
    made->SetScrollBarWidth(10);
    made->CreateScrollBar();
    CKesGUIScrollBar* first = made->GetScrollBar();
    made->CreateScrollBar();  // once only
    EXPECT_EQ(first, made->GetScrollBar());
    EXPECT_EQ(CKesRect<int>(390, 300, 400, 350), first->GetAbsoluteRect());
    EXPECT_EQ(1u, made->GetChildrens().size());

    // Sizes below 0 count as 0, sizes beyond any screen are held.
    made->SetImageSize(CKesDimension2d<int>(-5, -1));
    EXPECT_EQ(CKesDimension2d<int>(0, 0), made->GetImageSize());
    made->SetImageSize(CKesDimension2d<int>(2000000000, 2000000000));
    EXPECT_EQ(CKesDimension2d<int>(1000000, 1000000), made->GetImageSize());
    made->AddImageToListBox("img\\none.tga");
    made->AddImageToListBox("img\\none.tga");
    EXPECT_EQ(400003, made->GetTotalLineCount());
}

TEST_F(ImageListBoxTest, RowsHoldAPictureAndTextLines) {
    CKesGUIImageListBox* list = StartWithBar();
    list->AddImageToListBox("");
    EXPECT_EQ(0, list->GetTotalRows());
    const std::string green = Picture("green.tga", Plain(40, 40, kGreen));
    const std::string yellow = Picture("yellow.tga", Plain(40, 40, kYellow));
    list->AddImageToListBox(green);
    list->AddImageToListBox(yellow);
    list->AddImageToListBox("img\\missing.tga");
    ASSERT_EQ(3, list->GetTotalRows());
    EXPECT_EQ(yellow, list->GetImageByIndex(1));
    EXPECT_EQ("img\\missing.tga", list->GetImageByIndex(2));
    EXPECT_EQ("", list->GetImageByIndex(3));
    EXPECT_EQ("", list->GetImageByIndex(-1));

    // Rows are 46 pixels high and end at the scroll bar; each picture is a
    // disabled child 3 pixels inside its row.
    EXPECT_EQ(CKesRect<int>(100, 100, 288, 146), list->GetRowRect(0));
    EXPECT_EQ(CKesRect<int>(100, 146, 288, 192), list->GetRowRect(1));
    CKesGUIImage* image = list->GetRowImage(1);
    ASSERT_NE(nullptr, image);
    EXPECT_EQ(Gbk("列表框图片"), image->GetCaption());
    EXPECT_EQ(0, image->GetID());
    EXPECT_EQ(list, image->GetParent());
    EXPECT_FALSE(image->IsEnabled());
    EXPECT_TRUE(image->isMoving());
    EXPECT_EQ(CKesRect<int>(103, 149, 143, 189), image->GetAbsoluteRect());
    EXPECT_EQ(4u, list->GetChildrens().size());  // the bar and three pictures

    // Text lines: only for rows that exist.
    list->AddTextToListBox(0, Gbk("张三"));
    list->AddTextToListBox(0, "second", CKesColor(255, 0, 255, 0));
    list->AddTextToListBox(3, "nowhere");
    list->AddTextToListBox(-1, "nowhere");
    EXPECT_EQ(Gbk("张三"), list->GetStringByIndex(0, 0));
    EXPECT_EQ("second", list->GetStringByIndex(0, 1));
    EXPECT_EQ("", list->GetStringByIndex(0, 2));
    EXPECT_EQ("", list->GetStringByIndex(0, -1));
    EXPECT_EQ("", list->GetStringByIndex(1, 0));
    EXPECT_EQ("", list->GetStringByIndex(3, 0));
    EXPECT_EQ("", list->GetStringByIndex(-1, 0));

    // The pictures are drawn in their rows.
    DrawGui();
    EXPECT_EQ(kGreen, Px(120, 120));
    EXPECT_EQ(kYellow, Px(120, 170));
    EXPECT_EQ(kBlue, Px(120, 215));  // no picture loaded for the third row
    EXPECT_EQ(kBlue, Px(200, 260));  // below the rows
    EXPECT_EQ(kGreen, Px(294, 200));  // the bar's background
}

TEST_F(ImageListBoxTest, TheDefaultPictureStandsInUntilTheRowsOwnArrives) {
    const std::string def = Picture("def.tga", Plain(40, 40, kCyan));
    LoopbackHttpServer server;
    server.Ok("/pics/a.tga", Plain(40, 40, kRed));
    server.Set("/pics/slow.tga", LoopbackHttpServer::Route{LoopbackHttpServer::Mode::Trickle, 200,
                                                           Plain(40, 40, kYellow)});
    CKesGUIImageListBox* list = StartWithList({{"DefaultImage", def}});
    ASSERT_NE(nullptr, list);

    // Offline an address is not fetched: the default picture stays.
    list->AddImageToListBox("http://127.0.0.1:9/pics/far.tga");
    DrawGui();
    EXPECT_EQ(kCyan, Px(120, 120));

    platform::SetConnectedStateOverride(1);
    // The server answers one connection at a time: the second address is
    // asked for once the first has arrived.
    list->AddImageToListBox(server.url("/pics/a.tga"));
    CKesGUIImage* fetched = list->GetRowImage(1);
    ASSERT_NE(nullptr, fetched);
    PumpUntil([&] { return !fetched->IsImageDownloading(); });
    ASSERT_FALSE(fetched->IsImageDownloading());
    list->AddImageToListBox(server.url("/pics/slow.tga"));
    ASSERT_TRUE(list->GetRowImage(2)->IsImageDownloading());
    DrawGui();  // the picture is taken at the next draw
    EXPECT_EQ(kRed, Px(120, 170));
    EXPECT_EQ(kCyan, Px(120, 215));  // still coming
    EXPECT_EQ(server.url("/pics/slow.tga"), list->GetImageByIndex(2));

    // Clearing the rows ends the download that is still running.
    list->ClearAllRows();
    EXPECT_EQ(0, list->GetTotalRows());
    EXPECT_EQ(1u, list->GetChildrens().size());
    EXPECT_FALSE(PathExists(GamePath("download/slow.tga")));
    DrawGui();
    EXPECT_EQ(kBlue, Px(120, 215));
}

TEST_F(ImageListBoxTest, HighlightAndTextBands) {
    CKesGUIImageListBox* list = StartWithList();
    AddRows(list, 4);
    list->AddTextToListBox(0, "Mmmm", CKesColor(0xFFFFFFFFu));
    list->AddTextToListBox(1, "Mmmm", CKesColor(0xFFFFFFFFu));
    list->AddTextToListBox(1, "Mmmm", CKesColor(255, 0, 255, 0));
    list->AddTextToListBox(2, "Mmmm", CKesColor(0xFFFFFFFFu));
    list->AddTextToListBox(2, "Mmmm", CKesColor(255, 0, 255, 0));
    list->AddTextToListBox(2, "Mmmm", CKesColor(255, 255, 0, 0));
    for (int i = 0; i < 4; ++i) list->AddTextToListBox(3, "Mmmm", CKesColor(0xFFFFFFFFu));
    DrawGui();
    // Text starts 5 pixels after the picture; nothing is drawn left of it.
    const CKesRect<int> gap(143, 100, 145, 300);
    EXPECT_EQ(0, Count(gap, NotBlue));

    // One line, centred in the row below its top 3 pixels.
    const CKesRect<int> row0(145, 100, 300, 146);
    EXPECT_GT(Count(row0, Whitish), 0);
    const double centre0 = MeanY(row0, Whitish);
    EXPECT_NEAR((103 + 146) / 2.0, centre0, 4.0);

    // Two lines in bands of 20 pixels at 149 and 172.
    const CKesRect<int> row1(145, 146, 300, 192);
    EXPECT_NEAR((149 + 169) / 2.0, MeanY(row1, Whitish), 4.0);
    EXPECT_NEAR((172 + 192) / 2.0, MeanY(row1, Greenish), 4.0);

    // Three lines in bands of 12 pixels at 195, 210 and 225.
    const CKesRect<int> row2(145, 192, 300, 238);
    const double white = MeanY(row2, Whitish);
    const double green = MeanY(row2, Greenish);
    const double red = MeanY(row2, Reddish);
    EXPECT_NEAR((195 + 207) / 2.0, white, 4.0);
    EXPECT_NEAR((210 + 222) / 2.0, green, 4.0);
    EXPECT_NEAR((225 + 237) / 2.0, red, 4.0);

    // Four lines show no text at all.
    EXPECT_EQ(0, Count(CKesRect<int>(145, 238, 300, 284), NotBlue));

    // The hovered row is filled with the select colour, under its text.
    MoveMouse(250, 200);
    EXPECT_EQ(2, list->GetCurrentSelected());
    DrawGui();
    EXPECT_EQ(kRed, Px(295, 200));
    EXPECT_EQ(kRed, Px(100, 193));
    EXPECT_EQ(kGreen, Px(120, 215));  // the picture on top of it
    EXPECT_EQ(kBlue, Px(295, 180));
    EXPECT_EQ(kBlue, Px(295, 250));
    EXPECT_NEAR(green, MeanY(row2, Greenish), 1.0);

    // Moving onto the empty part keeps the row; leaving the list forgets it.
    MoveMouse(250, 290);
    EXPECT_EQ(2, list->GetCurrentSelected());
    MoveMouse(500, 500);
    EXPECT_EQ(-1, list->GetCurrentSelected());
    DrawGui();
    EXPECT_EQ(kBlue, Px(295, 200));
}

TEST_F(ImageListBoxTest, TextStopsThreePixelsAboveTheBottom) {
    CKesGUIImageListBox* list = StartWithList();
    AddRows(list, 10);
    for (int i = 0; i < 10; ++i) list->AddTextToListBox(i, "MMMMMMMMMM", CKesColor(0xFFFFFFFFu));
    MoveMouse(150, 150);
    // Row 4's line runs across the list's bottom edge, at every offset of a
    // whole row.
    int clipped = 0;
    for (int step = 0; step < 10; ++step) {
        DrawGui();
        EXPECT_EQ(0, Count(CKesRect<int>(145, 297, 300, 300), Whitish)) << step;
        EXPECT_EQ(0, Count(CKesRect<int>(145, 300, 300, 320), NotBlack)) << step;
        clipped += Count(CKesRect<int>(145, 290, 300, 297), Whitish) > 0;
        Wheel(150, 150, -1);
    }
    EXPECT_GT(clipped, 0);
}

TEST_F(ImageListBoxTest, TheWheelScrollsInStepsOfFivePixels) {
    CKesGUIImageListBox* list = StartWithBar();
    AddRows(list, 10);
    // Ten rows of 46 pixels: 93 steps, 41 shown, 52 to scroll.
    EXPECT_EQ(93, list->GetTotalLineCount());
    EXPECT_EQ(41, list->GetDisplayLineCount());
    CKesGUIScrollBar* bar = list->GetScrollBar();
    EXPECT_EQ(52, bar->GetMaxValue());

    MoveMouse(150, 150);
    Wheel(150, 150, -3);
    EXPECT_EQ(3, list->GetScrollPos());
    EXPECT_EQ(3, bar->GetCurValue());
    EXPECT_EQ(CKesRect<int>(100, 85, 288, 131), list->GetRowRect(0));
    EXPECT_EQ(CKesRect<int>(103, 134, 143, 174), list->GetRowImage(1)->GetAbsoluteRect());
    // The hovered row stays until the mouse moves.
    EXPECT_EQ(1, list->GetCurrentSelected());
    MoveMouse(150, 130);
    EXPECT_EQ(0, list->GetCurrentSelected());

    Wheel(150, 150, -100);
    EXPECT_EQ(52, list->GetScrollPos());
    EXPECT_EQ(52, bar->GetCurValue());
    EXPECT_EQ(CKesRect<int>(100, 254, 288, 300), list->GetRowRect(9));
    DrawGui();
    // The last row's picture ends 3 pixels above the bottom; pictures of rows
    // above the list are cut at its top.
    EXPECT_EQ(kGreen, Px(120, 290));
    EXPECT_EQ(kBlue, Px(120, 298));
    EXPECT_EQ(kBlack, Px(120, 99));
    Wheel(150, 150, 100);
    EXPECT_EQ(0, list->GetScrollPos());
    EXPECT_EQ(CKesRect<int>(100, 100, 288, 146), list->GetRowRect(0));

    // A list that fits does not scroll.
    Load(Control("ImageListBox", "few", At(2, 100, 100, 200, 200, {{"ImageSize", "40;40"}})));
    CKesGUIImageListBox* few = Find<CKesGUIImageListBox>(2);
    AddRows(few, 3);
    EXPECT_EQ(28, few->GetTotalLineCount());
    MoveMouse(150, 150);
    Wheel(150, 150, -2);
    EXPECT_EQ(0, few->GetScrollPos());
    EXPECT_EQ(CKesRect<int>(100, 100, 300, 146), few->GetRowRect(0));
}

TEST_F(ImageListBoxTest, TheScrollBarMovesTheRows) {
    CKesGUIImageListBox* list = StartWithBar();
    AddRows(list, 10);
    CKesGUIScrollBar* bar = list->GetScrollBar();
    // A press below the thumb pages down by the 41 steps shown.
    PressMouse(294, 250);
    ReleaseMouse(294, 250);
    EXPECT_EQ(41, bar->GetCurValue());
    EXPECT_EQ(41, list->GetScrollPos());
    EXPECT_EQ(100 - 205, list->GetRowRect(0).UpperLeftCorner.Y);
    EXPECT_EQ(0, Selections());  // a press on the bar chooses nothing
    PressMouse(294, 285);
    ReleaseMouse(294, 285);
    EXPECT_EQ(52, list->GetScrollPos());
    // The up button steps back by one.
    PressMouse(294, 105);
    ReleaseMouse(294, 105);
    EXPECT_EQ(51, list->GetScrollPos());
    DrawGui();
    EXPECT_EQ(kYellow, Px(294, 280));  // the thumb near the bottom
    EXPECT_EQ(0, Selections());

    // A row added to a scrolled list joins the others where they are.
    list->AddImageToListBox(Picture("red.tga", Plain(40, 40, kRed)));
    EXPECT_EQ(CKesRect<int>(100, 305, 288, 351), list->GetRowRect(10));
    EXPECT_EQ(CKesRect<int>(103, 308, 143, 348), list->GetRowImage(10)->GetAbsoluteRect());
    EXPECT_EQ(61, bar->GetMaxValue());
    MoveMouse(150, 150);
    Wheel(150, 150, -100);
    EXPECT_EQ(61, list->GetScrollPos());
    DrawGui();
    EXPECT_EQ(kRed, Px(120, 290));
}

TEST_F(ImageListBoxTest, ALeftPressReportsTheHoveredRowToTheParent) {
    CKesGUIImageListBox* list = StartWithList();
    AddRows(list, 3);
    int seen = -2;
    f->onEvent = [&](const CKesEvent& e) {
        if (e.mEventType == KESET_GUI_EVENT && e.mGuiEvent.EventType == KESGET_ELEMENT_SELECTED) {
            EXPECT_EQ(list, e.mGuiEvent.Caller);
            EXPECT_EQ(nullptr, e.mGuiEvent.Element);
            seen = list->GetCurrentSelected();
        }
        return f->CKesBaseFrame::OnProcessEvent(e);
    };
    MoveMouse(150, 170);
    PressMouse(150, 170);
    ReleaseMouse(150, 170);
    EXPECT_EQ(1, seen);
    EXPECT_EQ(1, Selections());
    // On the empty part: still a selection, of the last hovered row.
    MoveMouse(150, 280);
    PressMouse(150, 280);
    EXPECT_EQ(1, seen);
    EXPECT_EQ(2, Selections());
    // With no row hovered the parent reads -1; edges count as inside.
    MoveMouse(500, 500);
    PressMouse(299, 299);
    EXPECT_EQ(-1, seen);
    EXPECT_EQ(3, Selections());
    EXPECT_TRUE(list->OnProcessEvent(Press(300, 300)));
    EXPECT_EQ(4, Selections());
    EXPECT_TRUE(list->OnProcessEvent(Press(301, 300)));
    EXPECT_TRUE(list->OnProcessEvent(Press(50, 50)));
    EXPECT_EQ(4, Selections());
    EXPECT_TRUE(list->OnProcessEvent(Key(65, true)));

    // Disabled, it takes nothing.
    list->SetEnabled(false);
    EXPECT_FALSE(list->OnProcessEvent(Press(150, 150)));
    EXPECT_FALSE(list->OnProcessEvent(MoveTo(150, 120)));
    EXPECT_EQ(4, Selections());
    list->SetEnabled(true);

    // The parent may clear the rows, or delete the list, while told.
    f->onEvent = [&](const CKesEvent& e) {
        if (e.mEventType == KESET_GUI_EVENT && e.mGuiEvent.EventType == KESGET_ELEMENT_SELECTED)
            static_cast<CKesGUIImageListBox*>(e.mGuiEvent.Caller)->ClearAllRows();
        return true;
    };
    MoveMouse(150, 120);
    PressMouse(150, 120);
    EXPECT_EQ(0, list->GetTotalRows());
    DrawGui();
    f->onEvent = [&](const CKesEvent& e) {
        if (e.mEventType == KESET_GUI_EVENT && e.mGuiEvent.EventType == KESGET_ELEMENT_SELECTED)
            f->DeleteChildren(e.mGuiEvent.Caller);
        return true;
    };
    AddRows(list, 2);
    MoveMouse(150, 120);
    PressMouse(150, 120);
    EXPECT_EQ(nullptr, Find<CKesGUIImageListBox>(1));
    DrawGui();

    // Without a parent a press is simply handled.
    CKesGUIImageListBox plain;
    plain.AddImageToListBox("img\\x.tga");
    EXPECT_EQ(1, plain.GetTotalRows());
    EXPECT_TRUE(plain.OnProcessEvent(Press(0, 0)));
    plain.Draw();
    EXPECT_EQ(KESGUI_COUNT, plain.GetType());
}

TEST_F(ImageListBoxTest, ClearingTheRowsAndPartsRemovedFromOutside) {
    CKesGUIImageListBox* list = StartWithBar();
    AddRows(list, 10);
    CKesGUIScrollBar* bar = list->GetScrollBar();
    const CKesGUIElementRef picture = list->GetRowImage(4)->GetRef();
    MoveMouse(150, 150);
    Wheel(150, 150, -20);
    EXPECT_EQ(1, list->GetCurrentSelected());
    list->ClearAllRows();
    EXPECT_EQ(0, list->GetTotalRows());
    EXPECT_EQ(-1, list->GetCurrentSelected());
    EXPECT_EQ(0, list->GetScrollPos());
    EXPECT_EQ(0, bar->GetCurValue());
    EXPECT_EQ(52, bar->GetMaxValue());  // the range is left as it was
    EXPECT_FALSE(picture);
    ASSERT_EQ(1u, list->GetChildrens().size());
    EXPECT_EQ(bar, list->GetChildrens().front());
    DrawGui();
    EXPECT_EQ(kBlue, Px(120, 120));

    // The old range never scrolls the shorter list past its end.
    AddRows(list, 2);
    PressMouse(294, 250);
    ReleaseMouse(294, 250);
    EXPECT_EQ(0, list->GetScrollPos());
    EXPECT_EQ(0, bar->GetCurValue());
    EXPECT_EQ(CKesRect<int>(100, 100, 288, 146), list->GetRowRect(0));

    // A picture or the bar deleted by someone else is left alone.
    list->DeleteChildren(list->GetRowImage(0));
    EXPECT_EQ(nullptr, list->GetRowImage(0));
    EXPECT_EQ(2, list->GetTotalRows());
    list->Move(CKesPosition2d<int>(110, 100));
    MoveMouse(150, 120);
    DrawGui();
    list->DeleteChildren(bar);
    EXPECT_EQ(nullptr, list->GetScrollBar());
    AddRows(list, 10);
    Wheel(150, 150, -2);
    EXPECT_EQ(2, list->GetScrollPos());
    list->CreateScrollBar();  // a new bar may be made
    EXPECT_NE(nullptr, list->GetScrollBar());
    list->ClearAllRows();
    EXPECT_EQ(1u, list->GetChildrens().size());

    // A list destroyed with its rows takes their pictures along.
    AddRows(list, 3);
    Load(Control("StaticText", "gone", At(5, 0, 0, 10, 10)));
    EXPECT_EQ(nullptr, Find<CKesGUIImageListBox>(1));
}

TEST_F(ImageListBoxTest, MovingTheListPlacesTheRowsWithTheScrollPosition) {
    CKesGUIImageListBox* list = StartWithBar();
    AddRows(list, 10);
    MoveMouse(150, 150);
    Wheel(150, 150, -3);
    list->Move(CKesPosition2d<int>(50, 60));
    EXPECT_EQ(CKesRect<int>(50, 60, 250, 260), list->GetAbsoluteRect());
    EXPECT_EQ(CKesRect<int>(50, 45, 238, 91), list->GetRowRect(0));
    EXPECT_EQ(CKesRect<int>(53, 94, 93, 134), list->GetRowImage(1)->GetAbsoluteRect());
    EXPECT_EQ(CKesRect<int>(238, 60, 250, 260), list->GetScrollBar()->GetAbsoluteRect());
    DrawGui();
    EXPECT_EQ(kGreen, Px(70, 60));
    EXPECT_EQ(kBlack, Px(70, 59));  // pictures are cut at the list's new top
    EXPECT_EQ(kBlue, Px(70, 90));
}

}  // namespace
