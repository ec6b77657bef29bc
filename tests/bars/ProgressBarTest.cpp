// The progress bar: value and maximum, the plain and the four-image look, the
// "value/maximum" tip, and events handed on to the parent.
#include "bars/BarsFixture.h"
#include "gui/controls/Kest2dGUIProcessBar.h"

using namespace kest2d;
using namespace kest2d::test;

namespace {

const uint32_t kBlue = 0xFF0000FFu, kGreen = 0xFF00FF00u, kBlack = 0xFF000000u;

class ProgressBarTest : public BarsFixture {
protected:
    // A bar at (100, 200), 200 x 20, blue behind green, no tip unless asked.
    CKesGUIProcessBar* StartWithBar(Props more = {}) {
        Props p = At(1, 100, 200, 200, 20, {{"bgColor", "255;0;0;255"}, {"maxvalue", "100"}});
        for (const auto& m : more) p[m.first] = m.second;
        Start(Control("ProcessBar", "bar", p));
        return Find<CKesGUIProcessBar>(1);
    }
    // The first column of the bar (from its left edge) that is not green.
    int FillEnd() {
        int x = 100;
        while (x < 320 && Px(x, 210) == kGreen) ++x;
        return x;
    }
};

TEST_F(ProgressBarTest, ValuesAreHeldAtTheMaximumFromAbove) {
    CKesGUIProcessBar* bar = StartWithBar({{"process", "30"}});
    ASSERT_NE(nullptr, bar);
    EXPECT_EQ(KESGUT_PROCESSBAR, bar->GetType());
    EXPECT_EQ(30, bar->GetProcess());
    EXPECT_EQ("30/100", bar->GetText());
    EXPECT_FALSE(bar->IsTip());
    DrawGui();
    EXPECT_EQ(160, FillEnd());
    EXPECT_EQ(kBlue, Px(250, 210));

    bar->SetMaxValue(10);
    EXPECT_EQ(30, bar->GetProcess());  // the value is left alone
    EXPECT_EQ("30/10", bar->GetText());
    bar->SetProcess(15);
    EXPECT_EQ(10, bar->GetProcess());
    EXPECT_EQ("10/10", bar->GetText());
    DrawGui();
    EXPECT_EQ(300, FillEnd());
    bar->SetProcess(-3);
    EXPECT_EQ(-3, bar->GetProcess());
    EXPECT_EQ("-3/10", bar->GetText());
    DrawGui();
    EXPECT_EQ(kBlue, Px(100, 210));
    EXPECT_EQ(kBlue, Px(150, 210));
}

TEST_F(ProgressBarTest, WithoutAMaximumTheValueIsAPercentage) {
    CKesGUIProcessBar* bar = StartWithBar({{"maxvalue", "0"}});
    bar->SetProcess(40);
    EXPECT_EQ(0, bar->GetProcess());
    bar->SetMaxValue(100);
    bar->SetProcess(40);
    bar->SetMaxValue(0);
    EXPECT_EQ(40, bar->GetProcess());
    DrawGui();
    // Forty hundredths in single precision: one column short of 80.
    EXPECT_EQ(179, FillEnd());
    EXPECT_EQ(kBlue, Px(185, 210));

    // A value far above a maximum lowered later fills the bar and no more.
    bar->SetMaxValue(100);
    bar->SetProcess(80);
    bar->SetMaxValue(10);
    DrawGui();
    EXPECT_EQ(300, FillEnd());
    EXPECT_EQ(kBlack, Px(305, 210));
}

TEST_F(ProgressBarTest, FourImagesMakeTheBarAndThreeDoNot) {
    const std::string one = Picture("1.tga", Plain(10, 20, 0xFFFF0000u));
    const std::string two = Picture("2.tga", Plain(10, 20, 0xFF808080u));
    const std::string three = Picture("3.tga", Plain(10, 20, 0xFFFFFF00u));
    const std::string four = Picture("4.tga", Plain(10, 20, kGreen));
    CKesGUIProcessBar* bar = StartWithBar({{"process", "50"},
                                           {"BgImageOne", one},
                                           {"BgImageTwo", two},
                                           {"BgImageThree", three},
                                           {"BgImageFour", four}});
    EXPECT_EQ(four, bar->GetBgImageFour());
    DrawGui();
    EXPECT_EQ(0xFFFF0000u, Px(105, 210));
    EXPECT_EQ(kGreen, Px(150, 210));
    EXPECT_EQ(kGreen, Px(199, 210));  // tiles start below 100 + 95
    EXPECT_EQ(0xFF808080u, Px(205, 210));
    EXPECT_EQ(0xFF808080u, Px(285, 210));
    EXPECT_EQ(0xFFFFFF00u, Px(295, 210));
    // Images are drawn at their own size from the bar's top.
    bar->SetAbsoluteRect(CKesRect<int>(100, 200, 300, 240));
    DrawGui();
    EXPECT_EQ(kBlack, Px(150, 230));

    Load(Control("ProcessBar", "three", At(2, 100, 200, 200, 20, {{"bgColor", "255;0;0;255"},
                                                                  {"maxvalue", "100"},
                                                                  {"process", "50"},
                                                                  {"BgImageOne", one},
                                                                  {"BgImageTwo", two},
                                                                  {"BgImageThree", three}})));
    DrawGui();
    EXPECT_EQ(kGreen, Px(105, 210));
    EXPECT_EQ(200, FillEnd());
    EXPECT_EQ(kBlue, Px(295, 210));
}

TEST_F(ProgressBarTest, TheTipIsWrittenOnlyWhenAsked) {
    CKesGUIProcessBar* bar =
        StartWithBar({{"process", "50"}, {"IsTip", "1"}, {"tipColor", "255;255;255;255"}, {"proColor", "255;0;0;255"}});
    EXPECT_TRUE(bar->IsTip());
    EXPECT_EQ(CKesColor(255, 255, 255, 255), bar->GetProTipColor());
    EXPECT_EQ(CKesColor(255, 0, 0, 255), bar->GetProcessColor());
    const CKesRect<int> area(100, 200, 300, 220);
    DrawGui();
    const int written = Ink(area, kBlue);
    EXPECT_GT(written, 20);
    bar->SetIsTip(false);
    DrawGui();
    EXPECT_EQ(0, Ink(area, kBlue));
    // An empty text writes nothing either.
    bar->SetIsTip(true);
    bar->SetText("");
    DrawGui();
    EXPECT_EQ(0, Ink(area, kBlue));
}

TEST_F(ProgressBarTest, EventsGoOnToTheParent) {
    CKesGUIProcessBar* bar = StartWithBar();
    PressMouse(150, 210);
    EXPECT_EQ((std::vector<std::string>{"press@150,210"}), f->events);
    EXPECT_EQ(bar, f->GetCurrentElement());

    std::vector<std::string> log;
    Recorder parent(nullptr, 9, CKesRect<int>(0, 0, 50, 50), KESGUI_CONTAINER, &log);
    CKesGUIProcessBar* child = new CKesGUIProcessBar(f, &parent, 10, "child", CKesRect<int>(0, 0, 20, 5));
    EXPECT_TRUE(child->OnProcessEvent(Key(65, true)));
    child->OnProcessLostFocusEvent(CKesEvent{});
    EXPECT_EQ((std::vector<std::string>{"9:key65", "9:lost"}), log);

    CKesGUIProcessBar orphan;
    EXPECT_TRUE(orphan.OnProcessEvent(Press(1, 1)));
    orphan.OnProcessLostFocusEvent(CKesEvent{});
    EXPECT_EQ(KESGUI_COUNT, orphan.GetType());
    EXPECT_EQ(CKesColor(255, 0, 0, 0), orphan.GetBgColor());
    EXPECT_EQ(CKesColor(255, 0, 255, 0), orphan.GetProcessColor());
    EXPECT_TRUE(orphan.IsTip());
    orphan.Draw();
}

}  // namespace
