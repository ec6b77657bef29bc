// The emoticon picker: a folder of sprite archives made by the test, paged
// with the two buttons, the hovered emoticon framed, a press choosing one.
#include "controls/ControlsFixture.h"
#include "gui/controls/Kest2dGUIBiqoQing.h"
#include "gui/controls/Kest2dGUIButton.h"
#include "gui/controls/Kest2dGUIGameAnimator.h"
#include "KesPackWriter.h"

using namespace kest2d;
using namespace kest2d::test;

namespace {

const DWORD kBlue = 0xFF0000FFu, kWhite = 0xFFFFFFFFu;

// A distinct opaque colour for emoticon `i`, never blue or white.
DWORD Colour(int i) { return 0xFF000000u | static_cast<DWORD>((i + 1) * 20) << 16 | 0x8000u; }

class BiqoQingTest : public ControlsFixture {
protected:
    // Emoticons "e00.spr" ... of one frame each, in `folder` of the game.
    void WriteEmoticons(const std::string& folder, int count) {
        for (int i = 0; i < count; ++i) {
            pack::SprFrame frame;
            frame.name = "f";
            const DWORD c = Colour(i);
            frame.data = Tga(16, 16, [c](int, int) { return c; });
            std::string error;
            const std::string bytes = pack::BuildSpr({frame}, 16, 16, 5, &error);
            ASSERT_FALSE(bytes.empty()) << error;
            char name[32];
            std::snprintf(name, sizeof(name), "/e%02d.spr", i);
            WriteFile(GamePath(folder + name), bytes);
        }
        // Other files of the folder are no emoticons.
        WriteFile(GamePath(folder + "/readme.txt"), "not an emoticon");
    }
    // A picker (id 3) at (100, 100), 300 x 200, pages of 4 x 2 (cells of
    // 68 x 82), its buttons 20 x 20 (left at (325, 278), right at (350, 278)).
    CKesGUIBiqoQing* StartWithPicker(int emoticons, Props more = {}) {
        WriteEmoticons("emot", emoticons);
        WriteFile(GamePath("img/arrows.tga"), Tga(80, 20, [](int, int) { return 0xFFC0C0C0u; }));
        Props p = At(3, 100, 100, 300, 200,
                     {{"pagesize", "4;2"}, {"path", "emot"}, {"LeftBtnImg", "img\\arrows.tga"},
                      {"RightBtnImg", "img\\arrows.tga"}});
        for (const auto& m : more) p[m.first] = m.second;
        Start(Control("BiaoQingCtl", "faces", p));
        return Find<CKesGUIBiqoQing>(3);
    }
    int Count(const std::string& what) const {
        int n = 0;
        for (const std::string& e : f->events) n += e == what;
        return n;
    }
    int VisibleAnimators(CKesGUIBiqoQing* picker) {
        int n = 0;
        for (CKesGUIGameAnimator* a : picker->GetAnimators()) n += a->IsVisible();
        return n;
    }
};

TEST_F(BiqoQingTest, TenEmoticonsMakeTwoPagesTurnedByTheButtons) {
    CKesGUIBiqoQing* picker = StartWithPicker(10);
    ASSERT_NE(nullptr, picker);
    EXPECT_EQ(KESGUI_BIAOQING, picker->GetType());
    EXPECT_EQ(CKesDimension2d<int>(4, 2), picker->GetPageSize());
    EXPECT_EQ(68, picker->GetCellWidth());
    EXPECT_EQ(82, picker->GetCellHeight());
    EXPECT_EQ("emot", picker->GetFolder());
    ASSERT_EQ(10u, picker->GetAnimators().size());
    CKesGUIGameAnimator* first = picker->GetAnimators()[0];
    EXPECT_EQ(Gbk("表情选择动画"), first->GetCaption());
    EXPECT_FALSE(first->IsVisible());
    EXPECT_FALSE(first->IsEnabled());
    EXPECT_EQ(1, first->GetLoadedFrameCount());
    EXPECT_EQ(2, picker->GetPageCount());
    EXPECT_EQ("img\\arrows.tga", picker->GetLeftButton());
    EXPECT_EQ("img\\arrows.tga", picker->GetRightButton());
    CKesGUIButton* left = picker->GetLeftButtonControl();
    CKesGUIButton* right = picker->GetRightButtonControl();
    ASSERT_NE(nullptr, left);
    ASSERT_NE(nullptr, right);
    EXPECT_EQ(Gbk("表情选择向左按钮"), left->GetCaption());
    EXPECT_EQ(Gbk("表情选择向右按钮"), right->GetCaption());
    EXPECT_EQ(CKesRect<int>(325, 278, 345, 298), left->GetAbsoluteRect());
    EXPECT_EQ(CKesRect<int>(350, 278, 370, 298), right->GetAbsoluteRect());

    picker->Reset();
    EXPECT_FALSE(left->IsEnabled());
    EXPECT_TRUE(right->IsEnabled());

    // The first page: eight emoticons in two rows, the first one's colour in
    // its cell.
    DrawGui();
    EXPECT_EQ(8, VisibleAnimators(picker));
    EXPECT_EQ(CKesRect<int>(105, 105, 173, 187), first->GetAbsoluteRect());
    EXPECT_EQ(CKesRect<int>(105 + 73 * 3, 105 + 87, 105 + 73 * 3 + 68, 105 + 87 + 82),
              picker->GetAnimators()[7]->GetAbsoluteRect());
    EXPECT_EQ(Colour(0) | 0xFF000000u, Px(140, 140));
    EXPECT_EQ(Colour(5) | 0xFF000000u, Px(105 + 73 + 30, 105 + 87 + 30));

    // The right button turns to the last page: it is then disabled, the left
    // one enabled; the old page is hidden before the next draw shows the new.
    MoveMouse(360, 288);
    PressMouse(360, 288);
    EXPECT_EQ(1, picker->GetCurrentPage());
    EXPECT_EQ(0, VisibleAnimators(picker));
    EXPECT_FALSE(right->IsEnabled());
    EXPECT_TRUE(left->IsEnabled());
    EXPECT_GE(Count("gui5"), 1);  // the click goes on to the parent
    ReleaseMouse(360, 288);
    DrawGui();
    EXPECT_EQ(2, VisibleAnimators(picker));
    EXPECT_TRUE(picker->GetAnimators()[8]->IsVisible());
    EXPECT_EQ(Colour(8) | 0xFF000000u, Px(140, 140));
    EXPECT_EQ(kBlue, Px(105 + 73 * 2 + 30, 140));  // no third emoticon on this page

    // Back to the first page.
    MoveMouse(335, 288);
    PressMouse(335, 288);
    ReleaseMouse(335, 288);
    EXPECT_EQ(0, picker->GetCurrentPage());
    EXPECT_FALSE(left->IsEnabled());
    EXPECT_TRUE(right->IsEnabled());
    DrawGui();
    EXPECT_EQ(Colour(0) | 0xFF000000u, Px(140, 140));
}

TEST_F(BiqoQingTest, FewerEmoticonsThanAPageGiveNoPages) {
    CKesGUIBiqoQing* picker = StartWithPicker(3);
    ASSERT_EQ(3u, picker->GetAnimators().size());
    EXPECT_EQ(0, picker->GetPageCount());
    picker->Reset();
    EXPECT_FALSE(picker->GetLeftButtonControl()->IsEnabled());
    EXPECT_FALSE(picker->GetRightButtonControl()->IsEnabled());
    DrawGui();
    EXPECT_EQ(3, VisibleAnimators(picker));
    // The page text "1 / 0" at the lower left.
    EXPECT_GT(Ink(CKesRect<int>(100, 280, 200, 300), kBlue), 0);
    // A second folder appends.
    WriteEmoticons("more", 6);
    picker->LoadAnimators("more");
    EXPECT_EQ(9u, picker->GetAnimators().size());
    EXPECT_EQ(2, picker->GetPageCount());
}

TEST_F(BiqoQingTest, HoverFramesAndPressChoosesAnEmoticon) {
    CKesGUIBiqoQing* picker = StartWithPicker(10);
    DrawGui();
    // Between the cells nothing is hovered and a press keeps the picker open.
    MoveMouse(175, 140);
    EXPECT_EQ(-1, picker->GetHovered());
    PressMouse(175, 140);
    EXPECT_EQ(0, Count("gui7"));
    EXPECT_TRUE(picker->IsVisible());
    EXPECT_EQ("", picker->GetSelectedPath());

    MoveMouse(180 + 10, 140);  // the second emoticon
    EXPECT_EQ(1, picker->GetHovered());
    DrawGui();
    // The frame's right edge lies just outside the picture.
    EXPECT_EQ(kWhite, Px(178 + 68, 140));
    EXPECT_EQ(kBlue, Px(175, 140));

    std::string chosen;
    bool visibleThen = false;
    f->onEvent = [&](const CKesEvent& e) {
        if (e.mEventType == KESET_GUI_EVENT && e.mGuiEvent.EventType == KESGET_ELEMENT_SELECTED &&
            e.mGuiEvent.Caller == picker) {
            chosen = picker->GetSelectedPath();
            visibleThen = picker->IsVisible();
        }
        return f->CKesBaseFrame::OnProcessEvent(e);
    };
    PressMouse(190, 140);
    EXPECT_EQ(1, Count("gui7"));
    EXPECT_EQ("emot\\e01.spr", chosen);
    EXPECT_TRUE(visibleThen);
    EXPECT_FALSE(picker->IsVisible());
    EXPECT_EQ(0, picker->GetCurrentPage());
    EXPECT_EQ(-1, picker->GetHovered());
    EXPECT_EQ(0, VisibleAnimators(picker));
    EXPECT_EQ("", picker->GetSelectedPath());

    // A handler may delete the picker while it is told of the choice.
    picker->SetVisible(true);
    DrawGui();
    f->onEvent = [&](const CKesEvent& e) {
        if (e.mEventType == KESET_GUI_EVENT && e.mGuiEvent.EventType == KESGET_ELEMENT_SELECTED)
            f->DeleteChildren(picker);
        return true;
    };
    MoveMouse(140, 140);
    PressMouse(140, 140);
    EXPECT_EQ(nullptr, Find<CKesGUIBiqoQing>(3));
    DrawGui();
}

TEST_F(BiqoQingTest, BadPageSizesMissingFoldersAndClearing) {
    CKesGUIBiqoQing* picker = StartWithPicker(4, {{"pagesize", "0;2"}, {"path", "nowhere"}});
    ASSERT_NE(nullptr, picker);
    EXPECT_EQ(CKesDimension2d<int>(0, 0), picker->GetPageSize());
    EXPECT_TRUE(picker->GetAnimators().empty());
    EXPECT_EQ(0, picker->GetPageCount());
    EXPECT_NE(std::string::npos, ReadLog().find(Gbk("表情控件 3 的页面大小无效: 0 x 2")));
    EXPECT_NE(std::string::npos, ReadLog().find(Gbk("表情目录打开失败:")));
    picker->SetPageSize(CKesDimension2d<int>(2, -1));
    EXPECT_EQ(CKesDimension2d<int>(0, 0), picker->GetPageSize());
    // Without a page size nothing is shown or hovered, and nothing divides by 0.
    picker->LoadAnimators("emot");
    EXPECT_EQ(4u, picker->GetAnimators().size());
    EXPECT_EQ(0, picker->GetPageCount());
    DrawGui();
    MoveMouse(110, 110);
    PressMouse(110, 110);
    EXPECT_EQ(-1, picker->GetHovered());

    // A page size set afterwards sizes the animators already loaded.
    picker->SetPageSize(CKesDimension2d<int>(2, 2));
    EXPECT_EQ(1, picker->GetPageCount());
    EXPECT_EQ(CKesDimension2d<int>(142, 82), picker->GetAnimators()[0]->GetAbsoluteRect().getSize());
    DrawGui();
    MoveMouse(110, 110);
    EXPECT_EQ(0, picker->GetHovered());

    // Cleared, nothing is left to choose and the children are gone.
    const size_t children = picker->GetChildrens().size();
    picker->ClearAllAnimator();
    EXPECT_TRUE(picker->GetAnimators().empty());
    EXPECT_EQ(children - 4, picker->GetChildrens().size());
    EXPECT_EQ(-1, picker->GetHovered());
    EXPECT_EQ("", picker->GetSelectedPath());
    DrawGui();

    // An animator destroyed behind the picker's back is dropped.
    picker->LoadAnimators("emot");
    picker->DeleteChildren(picker->GetAnimators()[3]);
    EXPECT_EQ(3u, picker->GetAnimators().size());
    DrawGui();

    // A second button image replaces the first button.
    const size_t before = picker->GetChildrens().size();
    picker->SetRightButton("img\\arrows.tga");
    EXPECT_EQ(before, picker->GetChildrens().size());
    picker->SetLeftButton("img\\missing.tga");
    EXPECT_EQ(before, picker->GetChildrens().size());
}

}  // namespace
