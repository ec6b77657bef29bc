// The text area: wrapping by width without splitting double-byte
// characters, following the newest line, the wheel and the child scroll bar.
#include <limits>

#include "bars/BarsFixture.h"
#include "gui/controls/Kest2dGUIScrollBar.h"
#include "gui/controls/Kest2dGUITextarea.h"

using namespace kest2d;
using namespace kest2d::test;

namespace {

const CKesColor kRed(255, 255, 0, 0), kGreen(255, 0, 255, 0);

class TextareaTest : public BarsFixture {
protected:
    // A text area at (100, 100), 300 x 100: eight lines (the eighth partly).
    CKesGUITextarea* StartWithArea(Props more = {}) {
        Props p = At(1, 100, 100, 300, 100);
        for (const auto& m : more) p[m.first] = m.second;
        Start(Control("Textarea", "area", p));
        return Find<CKesGUITextarea>(1);
    }
    int Width(const std::string& text) { return f->GetTextDimension(text.c_str()).Width; }
    // Pixels of the band that are mostly red.
    int Red(int top, int bottom) {
        int n = 0;
        for (int y = top; y < bottom; ++y)
            for (int x = 100; x < 400; ++x) {
                const DWORD p = Px(x, y);
                if (((p >> 16) & 0xFF) > 0x80 && ((p >> 8) & 0xFF) < 0x40) ++n;
            }
        return n;
    }
    void AddLines(CKesGUITextarea* area, int count, CKesColor last = kRed) {
        for (int i = 0; i < count; ++i) area->AddString("line " + std::to_string(i), i + 1 == count ? last : kGreen);
    }
    // Checks that the rows hold `text` cut at character boundaries, every
    // row but the last ending with the character that reached `limit`.
    void ExpectWrapped(CKesGUITextarea* area, const std::string& text, int limit) {
        const auto& rows = area->GetRows();
        std::string joined;
        for (size_t i = 0; i < rows.size(); ++i) {
            const std::string& row = rows[i].text;
            ASSERT_FALSE(row.empty());
            // A cut is a character boundary of the whole text.
            EXPECT_EQ(gbk::CharCountOfBytes(text, static_cast<int>(joined.size())) +
                          gbk::CharCount(row),
                      gbk::CharCountOfBytes(text, static_cast<int>(joined.size() + row.size())))
                << i;
            EXPECT_EQ(row, gbk::WholeCharacters(row)) << i;
            if (i + 1 < rows.size()) {
                EXPECT_GE(Width(row), limit) << i;
                EXPECT_LT(Width(gbk::SubString(row, 0, gbk::CharCount(row) - 1)), limit) << i;
            }
            joined += row;
        }
        EXPECT_EQ(text, joined);
    }
};

TEST_F(TextareaTest, ShortAndEmptyTexts) {
    CKesGUITextarea* area = StartWithArea();
    ASSERT_NE(nullptr, area);
    EXPECT_EQ(KESGUI_TEXTAREA, area->GetType());
    EXPECT_EQ(8, area->GetDisplayLineCount());
    EXPECT_FALSE(area->IsUseScrollBar());
    EXPECT_EQ(nullptr, area->GetScrollBar());
    area->AddString("", kRed);
    EXPECT_TRUE(area->GetRows().empty());
    area->AddString(Gbk("你好 world"), kRed);
    ASSERT_EQ(1u, area->GetRows().size());
    EXPECT_EQ(Gbk("你好 world"), area->GetRows()[0].text);
    EXPECT_EQ(kRed, area->GetRows()[0].color);
    DrawGui();
    EXPECT_GT(Red(100, 113), 10);
    EXPECT_EQ(0, Red(113, 200));
}

TEST_F(TextareaTest, LongTextsWrapBetweenCharacters) {
    CKesGUITextarea* area = StartWithArea();
    const int limit = 300 - 10;
    std::string chinese;
    while (Width(chinese) < 3 * limit) chinese += Gbk("中文换行测试，");
    ASSERT_GT(Width(Gbk("中")), 0);
    area->AddString(chinese, kGreen);
    EXPECT_GE(area->GetRows().size(), 3u);
    EXPECT_LE(area->GetRows().size(), 4u);
    ExpectWrapped(area, chinese, limit);

    // Single- and double-byte characters mixed, with a lone lead byte at the end.
    area->Clear();
    std::string mixed;
    while (Width(mixed) < 3 * limit) mixed += Gbk("a中b文cc字");
    area->AddString(mixed, kGreen);
    ExpectWrapped(area, mixed, limit);
    area->Clear();
    const std::string tail = mixed + "\xB0";
    area->AddString(tail, kGreen);
    std::string joined;
    for (const auto& row : area->GetRows()) joined += row.text;
    EXPECT_EQ(tail, joined);

    // No separator is looked at: spaces and line breaks are characters too.
    area->Clear();
    area->AddString("a\nb c", kGreen);
    ASSERT_EQ(1u, area->GetRows().size());
}

TEST_F(TextareaTest, TheNewestLineIsAtTheBottomAndTheWheelScrolls) {
    CKesGUITextarea* area = StartWithArea();
    AddLines(area, 12);
    EXPECT_EQ(4, area->GetTopLine());
    DrawGui();
    EXPECT_GT(Red(191, 200), 5);  // the last row, partly visible
    EXPECT_EQ(0, Red(100, 191));

    MoveMouse(200, 150);
    Wheel(200, 150, 1);  // one step up: one line earlier
    EXPECT_EQ(3, area->GetTopLine());
    DrawGui();
    EXPECT_EQ(0, Red(100, 200));
    Wheel(200, 150, -1);
    EXPECT_EQ(4, area->GetTopLine());
    Wheel(200, 150, 10);
    EXPECT_EQ(0, area->GetTopLine());
    Wheel(200, 150, -30);
    EXPECT_EQ(4, area->GetTopLine());

    // A wheel amount that is no number leaves the view at the top.
    CKesEvent odd = Mouse(KESMIE_MOUSE_WHEEL, 200, 150);
    odd.mMouseEvent.Wheel = std::numeric_limits<float>::quiet_NaN();
    EXPECT_TRUE(area->OnProcessEvent(odd));
    EXPECT_EQ(0, area->GetTopLine());
    odd.mMouseEvent.Wheel = -std::numeric_limits<float>::infinity();
    area->OnProcessEvent(odd);
    EXPECT_EQ(4, area->GetTopLine());

    area->SetEnabled(false);
    EXPECT_FALSE(area->OnProcessEvent(odd));
    area->SetEnabled(true);

    // Five rows and room for eight: the wheel does nothing.
    area->Clear();
    EXPECT_EQ(0, area->GetTopLine());
    AddLines(area, 5);
    Wheel(200, 150, -1);
    Wheel(200, 150, 1);
    EXPECT_EQ(0, area->GetTopLine());
    DrawGui();
    EXPECT_GT(Red(152, 165), 5);  // the fifth row
}

TEST_F(TextareaTest, TheScrollBarFollowsTheView) {
    CKesGUITextarea* area = StartWithArea(
        {{"IsUseScrollbar", "1"},
         {"BgColor", "255;0;0;255"},
         {"UpButtonImg", Picture("up.tga", Plain(40, 10, 0xFFFFFFFFu))},
         {"DownButtonImg", Picture("down.tga", Plain(40, 10, 0xFFFFFFFFu))},
         {"ScrollBarImg", Picture("thumb.tga", Plain(40, 20, 0xFFFFFF00u))}});
    ASSERT_TRUE(area->IsUseScrollBar());
    CKesGUIScrollBar* bar = area->GetScrollBar();
    ASSERT_NE(nullptr, bar);
    EXPECT_EQ(10, area->GetScrollBarWidth());
    EXPECT_EQ(Gbk("文本滚动条"), bar->GetCaption());
    EXPECT_EQ(area, bar->GetParent());
    EXPECT_EQ(CKesRect<int>(390, 100, 400, 200), bar->GetAbsoluteRect());
    EXPECT_EQ(8, bar->GetPageCount());
    EXPECT_EQ(CKesColor(255, 0, 0, 255), bar->GetBackgroundColor());

    // The limit leaves the bar's width free.
    std::string text;
    while (Width(text) < 2 * 290) text += "abcdefgh ";
    area->AddString(text, kGreen);
    ExpectWrapped(area, text, 280);
    area->Clear();

    AddLines(area, 12);
    EXPECT_EQ(4, bar->GetMaxValue());
    EXPECT_EQ(4, bar->GetCurValue());
    DrawGui();
    EXPECT_EQ(0xFFFFFF00u, Px(395, 175));  // the thumb at the bottom of its track
    // A page up on the bar scrolls the text.
    PressMouse(395, 130);
    ReleaseMouse(395, 130);
    EXPECT_EQ(0, bar->GetCurValue());
    EXPECT_EQ(0, area->GetTopLine());
    // The wheel moves the bar.
    MoveMouse(200, 150);
    Wheel(200, 150, -2);
    EXPECT_EQ(2, area->GetTopLine());
    EXPECT_EQ(2, bar->GetCurValue());
    // The arrow's auto-repeat keeps reporting the bar's value.
    PressMouse(395, 195);
    EXPECT_EQ(3, area->GetTopLine());
    ReleaseMouse(395, 195);
    DrawFor(300);
    EXPECT_EQ(3, area->GetTopLine());

    area->Clear();
    EXPECT_TRUE(area->GetRows().empty());
    EXPECT_EQ(0, area->GetTopLine());
    EXPECT_EQ(0, bar->GetMaxValue());
    EXPECT_EQ(0, bar->GetCurValue());
    DrawGui();
}

TEST_F(TextareaTest, FactoryAndPlainTextArea) {
    StartWithArea();
    CKesGUITextarea* made = f->AddTextarea(7, "made", CKesRect<int>(10, 300, 110, 326), nullptr);
    EXPECT_EQ(made, f->AddTextarea(7, "again", CKesRect<int>(0, 0, 1, 1), nullptr));
    EXPECT_EQ(3, made->GetDisplayLineCount());
    made->SetScrollBarWidth(12);
    made->SetUseScrollBar(true);
    ASSERT_NE(nullptr, made->GetScrollBar());
    EXPECT_EQ(CKesRect<int>(98, 300, 110, 326), made->GetScrollBar()->GetAbsoluteRect());
    made->SetUseScrollBar(false);
    EXPECT_FALSE(made->IsUseScrollBar());

    // A text area narrower than its margin puts one character on each row.
    CKesGUITextarea* narrow = f->AddTextarea(8, "narrow", CKesRect<int>(10, 400, 15, 430), nullptr);
    narrow->AddString(Gbk("a中b"), kGreen);
    ASSERT_EQ(3u, narrow->GetRows().size());
    EXPECT_EQ(Gbk("中"), narrow->GetRows()[1].text);

    CKesGUITextarea plain;
    plain.AddString("no frame", kRed);
    EXPECT_EQ(1u, plain.GetRows().size());
    plain.Draw();
    EXPECT_TRUE(plain.OnProcessEvent(Press(0, 0)));
    CKesGUITextarea::RowStruct row(kRed, "x");
    EXPECT_EQ("x", row.text);
}

}  // namespace
