// The card hand from a layout: its properties, the geometry of the hand and
// the pictures drawn from the two sheets, read back from the framebuffer.
#include <algorithm>
#include <map>
#include <vector>

#include "cardctl/CardCtlFixture.h"

using namespace kest2d;
using namespace kest2d::test;

namespace {

class CardDrawTest : public CardCtlFixture {};

// Every channel of `c` scaled by 0xD0 / 0xFF, within one step.
bool IsTinted(DWORD seen, DWORD c) {
    for (int shift = 0; shift < 24; shift += 8) {
        const int want = static_cast<int>((c >> shift) & 0xFF) * 0xD0 / 0xFF;
        const int got = static_cast<int>((seen >> shift) & 0xFF);
        if (got < want - 2 || got > want + 2) return false;
    }
    return true;
}

TEST_F(CardDrawTest, TheLayoutSetsEveryProperty) {
    CKesGUIGameCard* c = StartWithHand({{"CardData", "1;29;78;79;0"},
                                        {"IsReverse", "1"},
                                        {"SnapType", "2"},
                                        {"slopeangle", "3"},
                                        {"slopeimage", "img\\slope.bmp"}});
    EXPECT_EQ(KESGUI_GAMECARD, static_cast<CKesBaseGUIElement*>(c)->GetType());
    EXPECT_EQ("hand", c->GetCaption());
    EXPECT_NE(0u, c->GetBgImage());
    EXPECT_NE(0u, c->GetCardBackTex());
    EXPECT_EQ(kW, c->GetCardWidth());
    EXPECT_EQ(kH, c->GetCardHeight());
    EXPECT_EQ(kSpace, c->GetCardSpace());
    EXPECT_EQ(kUp, c->GetCardUpSpace());
    EXPECT_TRUE(c->IsShowCards());
    EXPECT_TRUE(c->IsReverseShowCards());
    EXPECT_EQ(CKesGUIGameCard::CARD_SNAP_RIGHT, c->GetSnapType());
    EXPECT_EQ(CKesGUIGameCard::CARDDIR_HENGXIANG, c->GetCardDirection());
    EXPECT_EQ(CKesGUIGameCard::CARDDIS_HAND, c->GetDisType());
    EXPECT_EQ(3, c->GetSlopeAngle());
    EXPECT_EQ("img\\slope.bmp", c->GetSlopeImage());
    EXPECT_NE(0u, c->GetSlopeTex());
    EXPECT_EQ((std::vector<int>{1, 29, 78, 79, 0}), c->GetCardData().items());
    EXPECT_TRUE(c->Cards()[0].isDisplay);
    EXPECT_EQ(5u, c->RankTable().size());

    // Integers and flags that a layout leaves out are zero; a step that is
    // not a pair is not applied; no CardData leaves the hand empty.
    Load(Control("GameCard", "bare", At(2, 100, 300, 200, 60, {{"CardSpace", "15"}, {"CardData", ""}})));
    CKesGUIGameCard* bare = Find<CKesGUIGameCard>(2);
    ASSERT_NE(nullptr, bare);
    EXPECT_FALSE(bare->IsShowCards());
    EXPECT_EQ(CKesGUIGameCard::CARD_SNAP_LEFT, bare->GetSnapType());
    EXPECT_EQ(0, bare->GetCardSpace());
    EXPECT_EQ(0, bare->GetCardCount());
    EXPECT_EQ(0u, bare->GetBgImage());
}

TEST_F(CardDrawTest, ACentredHandOfOneCardSitsInTheMiddle) {
    CKesGUIGameCard* c = StartWithHand({{"SnapType", "1"}, {"CardData", "3"}});
    // left + (right - left) / 2 - width / 2 = 100 + 200 - 10.
    EXPECT_EQ(CKesPosition2d<int>(290, 100), c->GetDisplayOrigin());
    EXPECT_EQ(kW, c->GetWidthWidthAllCards());
    DrawGui();
    EXPECT_EQ(FaceOf(3), Px(290, 100 + kUp));
    EXPECT_EQ(FaceOf(3), Px(309, 100 + kUp + kH - 1));
    EXPECT_EQ(kBlack, Px(289, 120));
    EXPECT_EQ(kBlack, Px(310, 120));
    EXPECT_EQ(kBlack, Px(295, 100 + kUp - 1));  // a lowered card leaves the band above it empty

    // Three cards: T = 2 x 12 + 20; right snap puts the last card's edge at
    // the control's right edge; vertical centring runs along y.
    c->SetCardData(Vec({3, 4, 5}));
    EXPECT_EQ(44, c->GetWidthWidthAllCards());
    EXPECT_EQ(CKesPosition2d<int>(278, 100), c->GetDisplayOrigin());
    c->SetSnapType(CKesGUIGameCard::CARD_SNAP_RIGHT);
    EXPECT_EQ(CKesPosition2d<int>(456, 100), c->GetDisplayOrigin());
    c->SetCardDirection(CKesGUIGameCard::CARDDIR_ZONGXIANG);
    EXPECT_EQ(CKesPosition2d<int>(100, 116), c->GetDisplayOrigin());
    c->SetSnapType(CKesGUIGameCard::CARD_SNAP_CENTER);
    EXPECT_EQ(CKesPosition2d<int>(100, 130 - 22), c->GetDisplayOrigin());
    EXPECT_EQ(CKesPosition2d<int>(100, 108 + 2 * kSpace), c->GetCardPosition(2));
    c->ClearAllCards();
    EXPECT_EQ(0, c->GetWidthWidthAllCards());
}

TEST_F(CardDrawTest, FacesBacksAndJokersComeFromTheirCells) {
    // A of suit 0, K of suit 1, 10 of suit 3, both jokers, a face-down card.
    CKesGUIGameCard* c = StartWithHand({{"CardData", "1;29;58;78;79;0"}});
    DrawGui();
    const DWORD want[] = {FaceOf(0x01), FaceOf(0x1D), FaceOf(0x3A), kSmallJokerPic, kBigJokerPic, kBack};
    for (int i = 0; i < 6; ++i) EXPECT_EQ(want[i], Px(CardX(i), kLoweredY)) << i;
    EXPECT_EQ(kBack, Px(100 + 5 * kSpace + kW - 1, kLoweredY));  // the last card shows whole

    // With the faces hidden every card is a back, the jokers too.
    c->SetShowCards(false);
    DrawGui();
    for (int i = 0; i < 6; ++i) EXPECT_EQ(kBack, Px(CardX(i), kLoweredY)) << i;
    // Without a back sheet nothing is drawn.
    c->SetCardBackTex(0);
    DrawGui();
    EXPECT_EQ(0, Ink(CKesRect<int>(100, 100, 200, 140)));
}

TEST_F(CardDrawTest, RaisedSelectedReversedAndHiddenCards) {
    CKesGUIGameCard* c = StartWithHand({{"CardData", "1;2;3;4"}});
    c->UpCardsByIndex({1, 7, -1});
    DrawGui();
    // x 121 lies on card 1 alone (card 0 ends at 119, card 2 begins at 124).
    EXPECT_EQ(FaceOf(2), Px(121, 100));               // raised: its top at the control's top
    EXPECT_EQ(kBlack, Px(121, 100 + kUp + kH - 1));  // and nothing below it
    EXPECT_EQ(kBlack, Px(CardX(0), 100));
    EXPECT_EQ(FaceOf(1), Px(CardX(0), 100 + kUp + kH - 1));

    // The card under a press is drawn tinted.
    MoveMouse(CardX(2), kLoweredY);
    PressMouse(CardX(2), kLoweredY);
    ASSERT_TRUE(c->Cards()[2].isSelected);
    DrawGui();
    EXPECT_TRUE(IsTinted(Px(CardX(2), kLoweredY), FaceOf(3))) << std::hex << Px(CardX(2), kLoweredY);
    EXPECT_EQ(FaceOf(4), Px(CardX(3), kLoweredY));
    ReleaseMouse(CardX(2), kLoweredY);

    // Later cards cover earlier ones; reversed, earlier cards lie on top.
    c->ResetAllCards();
    const int overlap = 100 + kSpace + 3;  // inside card 0 and card 1
    DrawGui();
    EXPECT_EQ(FaceOf(2), Px(overlap, kLoweredY));
    c->SetReverseShowCards(true);
    DrawGui();
    EXPECT_EQ(FaceOf(1), Px(overlap, kLoweredY));

    // A hand dealt face down is revealed card by card.
    c->SetReverseShowCards(false);
    c->SetCardData(Vec({5, 6, 7}), false);
    DrawGui();
    EXPECT_EQ(0, Ink(CKesRect<int>(100, 100, 200, 140)));
    c->SetDisplayCard(0);
    c->SetDisplayCard(2);
    DrawGui();
    EXPECT_EQ(FaceOf(5), Px(CardX(0), kLoweredY));
    EXPECT_EQ(FaceOf(6), Px(CardX(1), kLoweredY));
    EXPECT_EQ(FaceOf(6), Px(CardX(2), kLoweredY));  // card 1 shows whole: card 2 is still hidden
    c->SetDisplayCard(99);
    DrawGui();
    EXPECT_EQ(FaceOf(7), Px(CardX(2), kLoweredY));

    // A hidden control draws nothing; a value without a cell draws nothing.
    c->SetCardData(Vec({0x10, 0x20}));
    DrawGui();
    EXPECT_EQ(0, Ink(CKesRect<int>(100, 100, 200, 140)));
    c->SetCardData(Vec({1}));
    c->SetVisible(false);
    DrawGui();
    EXPECT_EQ(0, Ink(CKesRect<int>(100, 100, 200, 140)));
}

TEST_F(CardDrawTest, AVerticalColumnTurnsEveryCard) {
    CKesGUIGameCard* c = StartWithHand({{"CardData", "1"}, {"CardDirecton", "1"}});
    ASSERT_EQ(CKesGUIGameCard::CARDDIR_ZONGXIANG, c->GetCardDirection());
    c->UpCardsByIndex({0});  // raising does not move a card of a column
    DrawGui();
    // The 20 x 30 card at (100, 100) turned about its centre (110, 115)
    // covers x 95..124 and y 105..124.
    EXPECT_EQ(FaceOf(1), Px(96, 115));
    EXPECT_EQ(FaceOf(1), Px(123, 115));
    EXPECT_EQ(FaceOf(1), Px(110, 106));
    EXPECT_EQ(kBlack, Px(110, 102));
    EXPECT_EQ(kBlack, Px(110, 127));
    EXPECT_EQ(kBlack, Px(93, 115));
}

TEST_F(CardDrawTest, ATurnedCardShowsEveryTexelOfItsPicture) {
    WriteSheets();
    // A probe sheet: every texel has its own colour.
    auto probe = [](int x, int y) { return static_cast<uint32_t>(y * 13 * kW + x + 1); };
    WriteFile(GamePath("img/faces.bmp"), Bmp(13 * kW, 4 * kH, probe));
    Start(Control("GameCard", "hand", Hand(1, 100, 100, 400, 60, {{"CardData", "1"}, {"CardDirecton", "1"}})));
    DrawGui();
    std::map<DWORD, int> seen;
    for (int y = 90; y < 140; ++y)
        for (int x = 80; x < 140; ++x)
            if (Px(x, y) != kBlack) ++seen[Px(x, y)];
    EXPECT_EQ(static_cast<size_t>(kW * kH), seen.size());
    int once = 0;
    for (int y = 0; y < kH; ++y)
        for (int x = 0; x < kW; ++x) once += seen[0xFF000000u | probe(x, y)] == 1 ? 1 : 0;
    EXPECT_EQ(kW * kH, once);
}

TEST_F(CardDrawTest, ATurnedHandCutByAnEdgeShowsWhatItShowsWhole) {
    WriteSheets();
    WriteFile(GamePath("img/faces.bmp"),
              Bmp(13 * kW, 4 * kH, [](int x, int y) { return static_cast<uint32_t>(y * 13 * kW + x + 1); }));
    Start(Control("GameCard", "hand",
                  Hand(1, 100, 300, 60, 200, {{"CardData", "1;2;3;4;5"}, {"CardDirecton", "1"}})));
    CKesGUIGameCard* c = Find<CKesGUIGameCard>(1);
    ASSERT_NE(nullptr, c);
    // The whole hand: five turned cards down from (100, 300), over x 95..124
    // and y 305..372. Compared: columns 80..139, rows from 10 above the
    // hand's top to 90 below it.
    const CKesRect<int> around(80, -10, 140, 90);
    DrawGui();
    std::vector<DWORD> whole;
    for (int y = around.UpperLeftCorner.Y; y < around.LowerRightCorner.Y; ++y)
        for (int x = around.UpperLeftCorner.X; x < around.LowerRightCorner.X; ++x) whole.push_back(Px(x, 300 + y));
    const struct {
        const char* name;
        int top;
        CKesRect<int> clip;
    } cases[] = {
        {"the picture's bottom edge through the last card", 600 - 4 * kSpace - 15, CKesRect<int>(0, 0, 800, 600)},
        {"a clip down the middle of every card and across the fourth", 300,
         CKesRect<int>(110, 0, 800, 300 + 3 * kSpace + 10)},
    };
    for (const auto& k : cases) {
        SCOPED_TRACE(k.name);
        c->Move(CKesPosition2d<int>(100, k.top));
        c->SetClippingRect(k.clip);
        DrawGui();
        int shown = 0, cut = 0, wrong = 0;
        size_t i = 0;
        for (int y = around.UpperLeftCorner.Y; y < around.LowerRightCorner.Y; ++y)
            for (int x = around.UpperLeftCorner.X; x < around.LowerRightCorner.X; ++x, ++i) {
                const CKesRect<int>& r = k.clip;
                const int row = k.top + y;
                const bool visible = x >= r.UpperLeftCorner.X && x < r.LowerRightCorner.X &&
                                     row >= r.UpperLeftCorner.Y && row < std::min(r.LowerRightCorner.Y, 600);
                if (!visible) {
                    cut += whole[i] != kBlack ? 1 : 0;
                    continue;
                }
                shown += whole[i] != kBlack ? 1 : 0;
                wrong += Px(x, row) != whole[i] ? 1 : 0;
            }
        EXPECT_EQ(0, wrong);
        EXPECT_GT(shown, 200);
        EXPECT_GT(cut, 100);
    }
}

TEST_F(CardDrawTest, AStackDrawsTheSlopePictureOncePerCard) {
    // Stack shifted right: card i at x = left + (count - i - 1) x 3,
    // y = bottom - (count - 1) x 2 - 4 + i x 2, with an 8 x 4 slope picture.
    CKesGUIGameCard* c = StartWithHand(
        {{"CardData", "1;2;3"}, {"Isslope", "2"}, {"slopeangle", "3"}, {"CardSpace", "2;0"}, {"slopeimage", "img\\slope.bmp"}});
    ASSERT_EQ(CKesGUIGameCard::CARDDIS_STACK_RIGHT, c->GetDisType());
    DrawGui();
    const int y0 = 160 - 2 * 2 - 4;
    EXPECT_EQ(kSlope, Px(100 + 6 + 7, y0));     // card 0: x 106..113
    EXPECT_EQ(kBlack, Px(100 + 6 + 8, y0));
    EXPECT_EQ(kSlope, Px(100, y0 + 4 + 3));     // card 2: x 100..107, y up to y0 + 7
    EXPECT_EQ(kBlack, Px(100, y0 + 8));
    EXPECT_EQ(kBlack, Px(100, y0));             // only card 2 reaches the left edge, lower down
    EXPECT_EQ(kBlack, Px(CardX(0), kLoweredY));  // no faces

    // Shifted left: the first card furthest left, clipped to the parent.
    c->SetDisType(CKesGUIGameCard::CARDDIS_STACK_LEFT);
    DrawGui();
    EXPECT_EQ(kSlope, Px(100 - 6, y0));
    EXPECT_EQ(kBlack, Px(100 - 7, y0));

    // Without the slope picture a stack draws nothing.
    c->SetSlopeImage("img\\missing.bmp");
    EXPECT_EQ(0u, c->GetSlopeTex());
    DrawGui();
    EXPECT_EQ(0, Ink(CKesRect<int>(80, 140, 130, 160)));
}

TEST_F(CardDrawTest, FactoryDefaultsAndTheDefaultConstructor) {
    StartWithHand({{"CardData", "1;2"}});
    CKesGUIGameCard* c = Find<CKesGUIGameCard>(1);
    EXPECT_EQ(c, f->AddGameCard(1, "again", CKesRect<int>(0, 0, 5, 5), nullptr));
    CKesGUIGameCard* made = f->AddGameCard(5, "new", CKesRect<int>(10, 300, 110, 360), nullptr);
    ASSERT_NE(c, made);
    EXPECT_EQ("new", made->GetCaption());
    EXPECT_EQ(f, made->GetParent());
    EXPECT_EQ(CKesGUIGameCard::CARD_SNAP_CENTER, made->GetSnapType());
    EXPECT_EQ(CKesGUIGameCard::CARDDIR_HENGXIANG, made->GetCardDirection());
    EXPECT_EQ(CKesGUIGameCard::CARDDIS_HAND, made->GetDisType());
    EXPECT_TRUE(made->IsShowCards());
    EXPECT_FALSE(made->IsReverseShowCards());
    EXPECT_FALSE(made->IsDragging());
    EXPECT_EQ(0, made->GetCardWidth() + made->GetCardSpace() + made->GetCardUpSpace() + made->GetSlopeAngle());
    EXPECT_EQ(0u, made->GetCardBackTex());
    EXPECT_EQ(0, made->GetCardCount());
    made->Draw();  // nothing to draw, nothing fails
    // The element part lies at the start of the control, so that a plain
    // cast of an element pointer (as the script binding's casts do) is valid.
    EXPECT_EQ(static_cast<void*>(static_cast<CKesBaseGUIElement*>(made)), static_cast<void*>(made));

    CKesGUIGameCard plain;
    EXPECT_EQ(KESGUI_COUNT, static_cast<CKesBaseGUIElement&>(plain).GetType());
    plain.SetSlopeImage("img\\slope.bmp");  // no frame: nothing happens
    EXPECT_EQ("", plain.GetSlopeImage());
    plain.SetCardData(Vec({1, 2}));
    plain.Draw();
    EXPECT_EQ(2, plain.GetCardCount());
}

}  // namespace
