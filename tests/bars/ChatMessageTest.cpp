// The chat phrase list: phrases from the layout, the hovered line, choosing
// a phrase (which hides the list), the wheel and the scroll bar.
#include "bars/BarsFixture.h"
#include "gui/controls/Kest2dGUIChatMessage.h"
#include "gui/controls/Kest2dGUIScrollBar.h"

using namespace kest2d;
using namespace kest2d::test;

namespace {

const DWORD kBlue = 0xFF0000FFu;

class ChatMessageTest : public BarsFixture {
protected:
    // A list at (100, 100), 200 x 100 (eight lines), with three phrases.
    CKesGUIChatMessage* StartWithList(Props more = {}) {
        Props p = At(1, 100, 100, 200, 100, {{"Message", "你好;再见;一会儿见___"}});
        for (const auto& m : more) p[m.first] = m.second;
        Start(Control("ChatMessage", "chat", p));
        return Find<CKesGUIChatMessage>(1);
    }
    void AddMany(CKesGUIChatMessage* list, int count) {
        for (int i = 0; i < count; ++i) list->AddString("phrase " + std::to_string(i));
    }
};

TEST_F(ChatMessageTest, PhrasesComeFromTheLayout) {
    CKesGUIChatMessage* list = StartWithList({{"TextColor", "255;1;2;3"}, {"SelectTextColor", "255;0;255;255"}});
    ASSERT_NE(nullptr, list);
    EXPECT_EQ(KESGUI_CHATMESSAGE, list->GetType());
    ASSERT_EQ(3, list->GetRowCount());
    EXPECT_EQ(Gbk("你好"), list->GetStringByIndex(0));
    EXPECT_EQ(Gbk("一会儿见"), list->GetStringByIndex(2));
    EXPECT_EQ("", list->GetStringByIndex(3));
    EXPECT_EQ("", list->GetStringByIndex(-1));
    EXPECT_EQ(CKesColor(255, 1, 2, 3), list->GetTextColor());
    EXPECT_EQ(CKesColor(255, 0, 255, 255), list->GetSelectTextColor());
    EXPECT_EQ(8, list->GetDisplayLineCount());
    // The loader always makes the scroll bar; without its images it has no width.
    ASSERT_NE(nullptr, list->GetScrollBar());
    EXPECT_EQ(Gbk("文本滚动条"), list->GetScrollBar()->GetCaption());
    EXPECT_EQ(0, list->GetScrollBarWidth());
    EXPECT_EQ(8, list->GetScrollBar()->GetPageCount());

    list->AddString("");
    EXPECT_EQ(3, list->GetRowCount());
}

TEST_F(ChatMessageTest, PressingALineChoosesItAndHidesTheList) {
    CKesGUIChatMessage* list = StartWithList();
    std::string chosen;
    bool visibleThen = false;
    f->onEvent = [&](const CKesEvent& e) {
        if (e.mEventType == KESET_GUI_EVENT && e.mGuiEvent.EventType == KESGET_ELEMENT_SELECTED &&
            e.mGuiEvent.Caller == list) {
            chosen = list->GetSelectString();
            visibleThen = list->IsVisible();
        }
        return f->CKesBaseFrame::OnProcessEvent(e);
    };
    MoveMouse(150, 120);  // the second line
    EXPECT_EQ(1, list->GetHoveredLine());
    EXPECT_EQ(Gbk("再见"), list->GetSelectString());
    PressMouse(150, 120);
    EXPECT_EQ(Gbk("再见"), chosen);
    EXPECT_TRUE(visibleThen);
    EXPECT_EQ(1, Count("gui7"));
    EXPECT_FALSE(list->IsVisible());
    EXPECT_EQ(0, list->GetTopLine());
    EXPECT_EQ(-1, list->GetHoveredLine());
    // Hidden, it takes no more presses.
    PressMouse(150, 120);
    EXPECT_EQ(1, Count("gui7"));

    // A handler may delete the list while it is told of the choice.
    list->SetVisible(true);
    f->onEvent = [&](const CKesEvent& e) {
        if (e.mEventType == KESET_GUI_EVENT && e.mGuiEvent.EventType == KESGET_ELEMENT_SELECTED)
            f->DeleteChildren(list);
        return true;
    };
    MoveMouse(150, 110);
    PressMouse(150, 110);
    EXPECT_EQ(nullptr, Find<CKesGUIChatMessage>(1));
}

TEST_F(ChatMessageTest, TheHoveredLineAndTheViewWithTheWheel) {
    CKesGUIChatMessage* list = StartWithList();
    EXPECT_EQ("", list->GetSelectString());  // nothing hovered at the top
    AddMany(list, 9);
    EXPECT_EQ(12, list->GetRowCount());
    EXPECT_EQ(0, list->GetTopLine());  // adding does not move the view
    EXPECT_EQ(4, list->GetScrollBar()->GetMaxValue());

    MoveMouse(150, 150);
    EXPECT_EQ(3, list->GetHoveredLine());
    Wheel(150, 150, -2);
    EXPECT_EQ(2, list->GetTopLine());
    EXPECT_EQ(2, list->GetScrollBar()->GetCurValue());
    EXPECT_EQ("phrase 2", list->GetSelectString());
    Wheel(150, 150, -20);
    EXPECT_EQ(4, list->GetTopLine());
    Wheel(150, 150, 1);
    EXPECT_EQ(3, list->GetTopLine());

    // Leaving the list forgets the hovered line; then the row above the top
    // line is the one reported.
    MoveMouse(500, 400);
    EXPECT_EQ(-1, list->GetHoveredLine());
    EXPECT_EQ(Gbk("一会儿见"), list->GetSelectString());

    list->Reset();
    EXPECT_EQ(0, list->GetTopLine());
    EXPECT_EQ(0, list->GetScrollBar()->GetCurValue());

    // Few phrases: the wheel does nothing.
    Load(Control("ChatMessage", "few", At(2, 100, 100, 200, 100, {{"Message", "a;b;c___"}})));
    CKesGUIChatMessage* few = Find<CKesGUIChatMessage>(2);
    MoveMouse(150, 150);
    Wheel(150, 150, -1);
    EXPECT_EQ(0, few->GetTopLine());

    few->SetEnabled(false);
    EXPECT_FALSE(few->OnProcessEvent(Press(150, 150)));
    EXPECT_TRUE(few->IsVisible());
}

TEST_F(ChatMessageTest, BackgroundHighlightAndTheScrollBarsStrip) {
    CKesGUIChatMessage* list = StartWithList({{"SelectTextColor", "255;255;0;0"}});
    DrawGui();
    EXPECT_EQ(kBlue, Px(250, 150));  // without an image the box is blue
    EXPECT_EQ(kBlue, Px(290, 116));
    MoveMouse(150, 120);
    DrawGui();
    EXPECT_EQ(0xFFFF0000u, Px(290, 116));  // the hovered line, beside its text
    EXPECT_EQ(kBlue, Px(290, 130));

    // With a scroll bar the highlight keeps off its strip.
    Load(Control("ChatMessage", "chat",
                 At(1, 100, 100, 200, 100,
                    {{"Message", "one;two___"},
                     {"SelectTextColor", "255;255;0;0"},
                     {"ScrollBarBgColor", "255;0;255;0"},
                     {"background", Picture("bg.tga", Plain(20, 10, 0xFF808080u))},
                     {"UpButtonImg", Picture("up.tga", Plain(40, 10, 0xFFFFFFFFu))},
                     {"DownButtonImg", Picture("down.tga", Plain(40, 10, 0xFFFFFFFFu))},
                     {"ScrollBarImg", Picture("thumb.tga", Plain(40, 20, 0xFFFFFF00u))}})));
    list = Find<CKesGUIChatMessage>(1);
    EXPECT_EQ(10, list->GetScrollBarWidth());
    EXPECT_EQ(CKesRect<int>(290, 100, 300, 200), list->GetScrollBar()->GetAbsoluteRect());
    MoveMouse(150, 120);
    DrawGui();
    EXPECT_EQ(0xFF808080u, Px(250, 150));  // the background image, stretched
    EXPECT_EQ(0xFFFF0000u, Px(285, 116));
    EXPECT_EQ(0xFF00FF00u, Px(295, 150));  // the bar's own background
    // Scrolling by the bar moves the view.
    AddMany(list, 10);
    EXPECT_EQ(4, list->GetScrollBar()->GetMaxValue());
    PressMouse(295, 180);
    EXPECT_EQ(4, list->GetScrollBar()->GetCurValue());
    EXPECT_EQ(4, list->GetTopLine());
    EXPECT_TRUE(list->IsVisible());  // a press on the bar chooses nothing
    EXPECT_EQ(0, Count("gui7"));
}

TEST_F(ChatMessageTest, FactoryAndPlainList) {
    StartWithList();
    CKesGUIChatMessage* made = f->AddChatMessage(7, "made", CKesRect<int>(10, 300, 110, 326), nullptr);
    EXPECT_EQ(made, f->AddChatMessage(7, "again", CKesRect<int>(0, 0, 1, 1), nullptr));
    EXPECT_EQ(nullptr, made->GetScrollBar());
    made->SetScrollBarWidth(12);
    made->CreateScrollBar();
    EXPECT_EQ(CKesRect<int>(98, 300, 110, 326), made->GetScrollBar()->GetAbsoluteRect());

    CKesGUIChatMessage plain;
    plain.AddString("x");
    plain.Draw();
    EXPECT_TRUE(plain.OnProcessEvent(Press(0, 0)));  // no parent to tell
    EXPECT_FALSE(plain.IsVisible());
    EXPECT_EQ(CKesColor(255, 0, 0, 0), plain.GetTextColor());
    EXPECT_EQ(CKesColor(255, 255, 255, 255), plain.GetSelectTextColor());
}

}  // namespace
