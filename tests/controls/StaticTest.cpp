// Text labels: colours, alignment, hyperlinks and the desktop opener.
#include <cstdlib>

#include "controls/ControlsFixture.h"
#include "gui/controls/Kest2dGUIButton.h"
#include "gui/controls/Kest2dGUIStatic.h"
#include "platform/KesShell.h"

using namespace kest2d;
using namespace kest2d::test;

namespace {

typedef std::vector<std::string> Log;

class StaticTest : public ControlsFixture {
protected:
    void SetUp() override {
        ControlsFixture::SetUp();
        platform::SetUrlOpener([this](const std::string& address) {
            opened.push_back(address);
            return openerWorks;
        });
    }
    void TearDown() override {
        platform::SetUrlOpener(nullptr);
        ControlsFixture::TearDown();
    }
    // Pixels of the rectangle, row by row.
    std::vector<DWORD> Picture(const CKesRect<int>& r) {
        std::vector<DWORD> px;
        for (int y = r.UpperLeftCorner.Y; y < r.LowerRightCorner.Y; ++y)
            for (int x = r.UpperLeftCorner.X; x < r.LowerRightCorner.X; ++x) px.push_back(Px(x, y));
        return px;
    }
    // The inked pixels of the rectangle: each is a shade of `colour` (every
    // channel at most the colour's), and at least one is close to it.
    ::testing::AssertionResult InkedIn(const CKesRect<int>& r, DWORD colour) {
        int inked = 0, strong = 0;
        for (DWORD p : Picture(r)) {
            if (p == 0xFF000000u) continue;
            ++inked;
            for (int s = 0; s < 24; s += 8)
                if (((p >> s) & 0xFF) > ((colour >> s) & 0xFF))
                    return ::testing::AssertionFailure() << std::hex << "pixel " << p << " is not a shade of " << colour;
            if (Near(p, colour, 40)) ++strong;
        }
        if (!inked || !strong) return ::testing::AssertionFailure() << "no text (" << inked << " inked)";
        return ::testing::AssertionSuccess();
    }
    static bool Near(DWORD a, DWORD b, int tolerance) {
        for (int s = 0; s < 24; s += 8) {
            const int d = static_cast<int>((a >> s) & 0xFF) - static_cast<int>((b >> s) & 0xFF);
            if (d > tolerance || d < -tolerance) return false;
        }
        return true;
    }

    std::vector<std::string> opened;
    bool openerWorks = true;
    const CKesRect<int> kLabel = CKesRect<int>(100, 100, 300, 130);
};

TEST_F(StaticTest, LayoutPropertiesAndColours) {
    Start(Control("StaticText", "title",
                  At(1, 100, 100, 200, 30,
                     {{"Text", "Hello 中文___"}, {"Color", "255;255;0;0"}, {"Size", "13"}, {"Snap", "1"}})));
    CKesGUIStatic* label = Find<CKesGUIStatic>(1);
    ASSERT_NE(nullptr, label);
    EXPECT_EQ(KESGUT_STATIC, label->GetType());
    EXPECT_EQ(Gbk("Hello 中文"), label->GetText());
    EXPECT_EQ("title", label->GetCaption());
    EXPECT_EQ(13, label->GetSize());
    EXPECT_EQ(f->LoadFont("DefaultFont", 13, ""), label->GetFont());
    EXPECT_EQ(SANPSTYLE_CENTER, label->GetSnapStyle());
    EXPECT_FALSE(label->IsHyperlink());
    DrawGui();
    EXPECT_TRUE(InkedIn(kLabel, 0xFFFF0000u));
    EXPECT_EQ(0, Ink(CKesRect<int>(0, 0, 800, 100)));  // nothing outside

    label->SetColor(CKesColor(0xFF00FF00u));
    DrawGui();
    EXPECT_TRUE(InkedIn(kLabel, 0xFF00FF00u));
}

TEST_F(StaticTest, RightDrawsLikeLeftAndNullDrawsNothing) {
    Start(Control("StaticText", "t", At(1, 100, 100, 200, 30, {{"Text", "abc___"}, {"Color", "255;255;255;255"},
                                                                  {"Size", "13"}, {"Snap", "0"}})));
    CKesGUIStatic* label = Find<CKesGUIStatic>(1);
    DrawGui();
    const std::vector<DWORD> left = Picture(kLabel);
    EXPECT_GT(Ink(kLabel), 0);
    EXPECT_EQ(0, Ink(CKesRect<int>(150, 100, 300, 130)));  // starts at the left edge
    label->SetSnapStyle(SNAPSTYLE_RIGHT);
    DrawGui();
    EXPECT_EQ(left, Picture(kLabel));
    label->SetSnapStyle(SANPSTYLE_CENTER);
    DrawGui();
    EXPECT_NE(left, Picture(kLabel));
    EXPECT_EQ(0, Ink(CKesRect<int>(100, 100, 150, 130)));
    for (int style : {int(SNAPSTYLE_NULL), 17, -1}) {
        label->SetSnapStyle(style);
        DrawGui();
        EXPECT_EQ(0, Ink(kLabel)) << style;
    }
}

TEST_F(StaticTest, NothingIsDrawnWithoutAFontOrText) {
    // No "Size": no font.
    Start(Control("StaticText", "t", At(1, 100, 100, 200, 30, {{"Text", "abc___"}, {"Color", "255;255;255;255"}})));
    CKesGUIStatic* label = Find<CKesGUIStatic>(1);
    EXPECT_EQ(nullptr, label->GetFont());
    DrawGui();
    EXPECT_EQ(0, Ink(kLabel));
    label->SetFont(f->LoadFont("DefaultFont", 13, ""));
    label->SetText("");
    DrawGui();
    EXPECT_EQ(0, Ink(kLabel));
    label->SetVisible(false);
    label->SetText("abc");
    DrawGui();
    EXPECT_EQ(0, Ink(kLabel));

    CKesGUIStatic plain;
    EXPECT_EQ(KESGUI_COUNT, plain.GetType());
    plain.SetText("abc");
    plain.Draw();
    EXPECT_EQ(CKesColor(0xFF000000u), plain.GetColor());
}

TEST_F(StaticTest, APlainLabelNeverTakesThePointer) {
    Start(Control("StaticText", "t", At(1, 100, 100, 200, 30, {{"Text", "abc___"}, {"Size", "13"}})));
    CKesGUIStatic* label = Find<CKesGUIStatic>(1);
    EXPECT_FALSE(label->OnProcessEvent(Press(110, 110)));
    EXPECT_FALSE(label->OnProcessEvent(MoveTo(110, 110)));
    EXPECT_FALSE(label->OnProcessEvent(Key(65, true)));
    PressMouse(110, 110);
    EXPECT_TRUE(f->events.empty());
    EXPECT_FALSE(label->IsHovered());
    EXPECT_TRUE(opened.empty());
}

TEST_F(StaticTest, AHyperlinkOpensItsAddressAndShowsTheHoverColour) {
    Start(Control("StaticText", "link",
                  At(1, 100, 100, 200, 30,
                     {{"Text", "link___"}, {"Color", "255;255;0;0"}, {"SelColor", "255;0;0;255"}, {"Size", "13"},
                      {"Snap", "1"}, {"Ishyperlink", "1"}, {"address", "http://example.com/中文"}})) +
          Control("StaticText", "other", At(2, 100, 200, 200, 30, {{"Ishyperlink", "1"}})));
    CKesGUIStatic* label = Find<CKesGUIStatic>(1);
    EXPECT_TRUE(label->IsHyperlink());
    EXPECT_EQ(CKesColor(0xFF0000FFu), label->GetHLSelColor());
    EXPECT_EQ(Gbk("http://example.com/中文"), label->GetHLAddress());

    MoveMouse(110, 110);
    EXPECT_TRUE(label->IsHovered());
    DrawGui();
    EXPECT_TRUE(InkedIn(kLabel, 0xFF0000FFu));
    ReleaseMouse(110, 110);
    EXPECT_FALSE(label->IsHovered());
    DrawGui();
    EXPECT_TRUE(InkedIn(kLabel, 0xFFFF0000u));
    PressMouse(300, 130);  // edges included
    EXPECT_TRUE(label->IsHovered());
    EXPECT_EQ((Log{Gbk("http://example.com/中文")}), opened);
    EXPECT_TRUE(f->events.empty());  // a label raises no GUI events

    // The pointer moving to another element takes the hover away.
    MoveMouse(110, 210);
    EXPECT_FALSE(label->IsHovered());
    // Outside the rectangle: handled, nothing changes.
    EXPECT_TRUE(label->OnProcessEvent(Press(50, 50)));
    EXPECT_FALSE(label->IsHovered());
    EXPECT_TRUE(label->OnProcessEvent(Key(65, true)));
    EXPECT_EQ(1u, opened.size());

    // Disabled: nothing.
    label->SetEnabled(false);
    EXPECT_FALSE(label->OnProcessEvent(Press(110, 110)));
    EXPECT_EQ(1u, opened.size());
}

TEST_F(StaticTest, AHyperlinkWithoutAnAddressOpensNothing) {
    Start(Control("StaticText", "link", At(1, 100, 100, 200, 30,
                                           {{"Text", "link___"}, {"Color", "255;255;0;0"}, {"SelColor", "255;0;0;255"},
                                            {"Size", "13"}, {"Ishyperlink", "1"}})));
    CKesGUIStatic* label = Find<CKesGUIStatic>(1);
    PressMouse(110, 110);
    EXPECT_TRUE(label->IsHovered());
    EXPECT_TRUE(opened.empty());
    DrawGui();
    EXPECT_TRUE(InkedIn(kLabel, 0xFF0000FFu));
}

TEST_F(StaticTest, AnAddressThatCannotBeOpenedIsLogged) {
    openerWorks = false;
    Start(Control("StaticText", "link",
                  At(1, 100, 100, 200, 30, {{"Size", "13"}, {"Ishyperlink", "1"}, {"address", "http://x.example/"}})));
    PressMouse(110, 110);
    EXPECT_EQ(1u, opened.size());
    EXPECT_NE(std::string::npos, ReadLog().find(Gbk("无法打开超链接:http://x.example/")));
}

TEST(UrlOpener, WithoutADesktopOpenerNothingStarts) {
    TempDir empty;
    const char* saved = std::getenv("PATH");
    const std::string path = saved ? saved : "";
    setenv("PATH", empty.path().c_str(), 1);
    EXPECT_FALSE(platform::OpenUrl("http://example.com/"));
    setenv("PATH", path.c_str(), 1);
    EXPECT_FALSE(platform::OpenUrl(""));
}

}  // namespace

namespace {

TEST_F(StaticTest, TheDemoLayoutLoadsItsLabelAndButton) {
    f = StartFrame<ControlFrame>();
    WriteFile(GamePath("layout/main.xml"), ReadFile(std::string(KEST2D_SOURCE_DIR) + "/examples/demo/layout/main.xml"));
    ASSERT_TRUE(f->LoadGUIConfig("layout\\main.xml"));
    CKesGUIStatic* title = Find<CKesGUIStatic>(100);
    ASSERT_NE(nullptr, title);
    EXPECT_EQ(Gbk("欢迎来到 Kest2d 中文牌桌"), title->GetText());
    EXPECT_EQ(CKesColor(0xFFFFFFFFu), title->GetColor());
    EXPECT_NE(nullptr, title->GetFont());
    CKesGUIButton* play = Find<CKesGUIButton>(201);
    ASSERT_NE(nullptr, play);
    EXPECT_EQ(Gbk("出牌"), play->GetText());
    EXPECT_EQ(Gbk("出选中的牌"), play->GetTipText());
}

}  // namespace
