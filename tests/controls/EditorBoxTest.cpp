// The edit box: typed and input-method text with double-byte characters,
// editing keys, the view, the caret and the Return key.
#include <cstring>

#include "controls/ControlsFixture.h"
#include "gui/controls/Kest2dGUIEditorBox.h"

using namespace kest2d;
using namespace kest2d::test;

namespace {

typedef std::vector<std::string> Log;

CKesEvent Ime(const std::string& text, int kind) {
    CKesEvent ev{};
    ev.mEventType = KESET_IME_EVENT;
    ev.mImeEvent.EventType = kind;
    std::strncpy(ev.mImeEvent.inputStr, text.c_str(), sizeof(ev.mImeEvent.inputStr) - 1);
    return ev;
}

class EditorBoxTest : public ControlsFixture {
protected:
    // Box 1 at (100, 100), 200 x 24, white text; box 2 below it.
    CKesGUIEditorBox* StartWithBox(const std::string& maxCount = "20", Props more = {}) {
        Props props = At(1, 100, 100, 200, 24, {{"Color", "255;255;255;255"}, {"MaxCount", maxCount}});
        for (const auto& m : more) props[m.first] = m.second;
        Start(Control("EditorBox", "edit", props) + Control("EditorBox", "other", At(2, 100, 200, 200, 24)));
        box = Find<CKesGUIEditorBox>(1);
        return box;
    }
    void Focus() { PressMouse(299, 110); }
    void Type(const std::string& gbk) {
        platform::PostImeResult(f->GetSafeHwnd(), gbk);
        platform::PumpMessages();
    }
    void TypeChar(char c) { Post(WM_CHAR, static_cast<unsigned char>(c), 0); }
    int Width(const std::string& gbk) { return f->GetTextDimension(gbk.c_str()).Width; }

    CKesGUIEditorBox* box = nullptr;
    const CKesRect<int> kBox = CKesRect<int>(100, 100, 300, 124);
};

TEST_F(EditorBoxTest, LayoutPropertiesAndFactory) {
    StartWithBox("12", {{"TipText", "提示文字___"}});
    ASSERT_NE(nullptr, box);
    EXPECT_EQ(KESGUT_EDITORBOX, box->GetType());
    EXPECT_EQ(Gbk("提示文字"), box->GetTipText());
    EXPECT_EQ(CKesColor(0xFFFFFFFFu), box->GetColor());
    EXPECT_EQ(12, box->GetMaxCount());
    EXPECT_EQ("", box->GetText());
    EXPECT_EQ(box, f->AddEditorBox(1, "x", CKesRect<int>(0, 0, 1, 1), nullptr));
    CKesGUIEditorBox* other = Find<CKesGUIEditorBox>(2);
    EXPECT_EQ(0, other->GetMaxCount());  // not carried over
    EXPECT_EQ(CKesColor(0xFF000000u), other->GetColor());

    // "Text" takes the place of the tip text.
    StartWithBox("1", {{"TipText", "tip___"}, {"Text", "请输入___"}});
    EXPECT_EQ(Gbk("请输入"), box->GetTipText());
    EXPECT_EQ("", box->GetText());

    CKesGUIEditorBox plain;
    EXPECT_EQ(KESGUI_COUNT, plain.GetType());
    plain.SetText("abc");
    plain.Draw();
    EXPECT_EQ(3, plain.GetCaret());
}

TEST_F(EditorBoxTest, ANewBoxTakesNoInputUntilItHasAMaximum) {
    StartWithBox("0");
    Focus();
    EXPECT_TRUE(box->GetFocus());
    EXPECT_EQ(box, f->GetFocusedElement());
    Type(Gbk("中"));
    TypeChar('a');
    EXPECT_EQ("", box->GetText());
    box->SetMaxCount(5);
    Type(Gbk("中"));
    EXPECT_EQ(Gbk("中"), box->GetText());
}

TEST_F(EditorBoxTest, TypingAndDeletingKeepDoubleByteCharactersWhole) {
    StartWithBox();
    Focus();
    Type(Gbk("中文"));
    TypeChar('a');
    EXPECT_EQ(Gbk("中文a"), box->GetText());
    EXPECT_EQ(3, box->GetCaret());
    EXPECT_EQ(100 + Width(Gbk("中文a")), box->GetCaretPos().X);
    EXPECT_EQ(100, box->GetCaretPos().Y);
    EXPECT_TRUE(f->events.empty());  // the box takes keys and text
    KeyDown(VK_BACK);
    KeyDown(VK_BACK);
    EXPECT_EQ(Gbk("中"), box->GetText());
    EXPECT_EQ(1, box->GetCaret());
    EXPECT_EQ(100 + Width(Gbk("中")), box->GetCaretPos().X);
    // Text goes in at the caret.
    KeyDown(VK_LEFT);
    Type(Gbk("好"));
    EXPECT_EQ(Gbk("好中"), box->GetText());
    // Delete before a double-byte character removes both bytes.
    KeyDown(VK_DELETE);
    EXPECT_EQ(Gbk("好"), box->GetText());
    KeyDown(VK_DELETE);  // at the end: nothing
    KeyDown(VK_LEFT);
    KeyDown(VK_LEFT);  // at the start: nothing
    KeyDown(VK_BACK);
    EXPECT_EQ(Gbk("好"), box->GetText());
    EXPECT_EQ(0, box->GetCaret());
    // Releases do nothing.
    EXPECT_TRUE(box->OnProcessEvent(Key(VK_DELETE, false)));
    KeyUp(VK_DELETE);
    EXPECT_EQ(Gbk("好"), box->GetText());
    EXPECT_TRUE(f->events.empty());
}

TEST_F(EditorBoxTest, ACharacterWithALowSecondByteIsDeletedWhole) {
    StartWithBox();
    const std::string low = "a\xB0\x41" "b";  // the second character's trail byte is below 0x80
    box->SetText(low);
    EXPECT_EQ(3, box->GetCaret());
    box->OnProcessEvent(Key(VK_LEFT, true));
    EXPECT_TRUE(box->OnProcessEvent(Key(VK_BACK, true)));
    EXPECT_EQ("ab", box->GetText());
    box->SetText(low);
    box->OnProcessEvent(Key(VK_LEFT, true));
    box->OnProcessEvent(Key(VK_LEFT, true));
    box->OnProcessEvent(Key(VK_DELETE, true));
    EXPECT_EQ("ab", box->GetText());
    // Input that ends in half a character loses the half.
    box->SetText("");
    box->OnProcessEvent(Ime("x\xB0", KESIME_IME_CHINESE));
    EXPECT_EQ("x", box->GetText());
}

TEST_F(EditorBoxTest, TheMaximumIsCheckedBeforeAnInsertion) {
    StartWithBox("5");
    box->SetText(Gbk("一二三四"));
    box->OnProcessEvent(Ime(Gbk("五六七"), KESIME_IME_CHINESE));
    EXPECT_EQ(Gbk("一二三四五六七"), box->GetText());
    box->OnProcessEvent(Ime("x", KESIME_IME_ENGLISH));
    EXPECT_EQ(Gbk("一二三四五六七"), box->GetText());
}

TEST_F(EditorBoxTest, RepeatedImeTextIsInsertedOnceAcrossKinds) {
    StartWithBox();
    Focus();
    // An input method commits "a" and the same key also arrives as a character.
    Type("a");
    TypeChar('a');
    EXPECT_EQ("a", box->GetText());
    TypeChar('b');
    TypeChar('b');
    EXPECT_EQ("abb", box->GetText());
    // Other kinds are ignored; the taken text is wiped from the event.
    CKesEvent ev = Ime("zz", KESIME_IME_COUNT);
    EXPECT_TRUE(box->OnProcessEvent(ev));
    EXPECT_EQ("abb", box->GetText());
    ev = Ime("cd", KESIME_IME_CHINESE);
    EXPECT_TRUE(box->OnProcessEvent(ev));
    EXPECT_EQ("abbcd", box->GetText());
    EXPECT_EQ(0, ev.mImeEvent.inputStr[0]);
    EXPECT_EQ(0, ev.mImeEvent.inputStr[1]);
    // A record without a terminator is read within its bounds.
    std::memset(ev.mImeEvent.inputStr, 'q', sizeof(ev.mImeEvent.inputStr));
    box->SetMaxCount(5000);
    box->OnProcessEvent(ev);
    EXPECT_EQ(5u + sizeof(ev.mImeEvent.inputStr), box->GetText().size());
}

TEST_F(EditorBoxTest, ReturnIsReportedAndOtherEventsGoToTheParent) {
    StartWithBox();
    Focus();
    Type("hi");
    KeyDown(VK_RETURN);
    EXPECT_EQ("hi", box->GetText());
    ASSERT_FALSE(f->raw.empty());
    const CKesEvent& ret = f->raw[0];
    EXPECT_EQ(KESET_KEY_INPUT_EVENT, ret.mEventType);
    EXPECT_EQ(VK_RETURN, ret.mKeyEvent.Key);
    EXPECT_EQ(0, ret.mKeyEvent.Char);
    EXPECT_TRUE(ret.mKeyEvent.isPressedDown);
    EXPECT_FALSE(ret.mKeyEvent.isShift);

    // A parent that refuses the Return gets the original key event as well.
    f->events.clear();
    f->onEvent = [](const CKesEvent&) { return false; };
    EXPECT_FALSE(box->OnProcessEvent(Key(VK_RETURN, true)));
    EXPECT_EQ((Log{"key13", "key13"}), f->events);

    // Events of other kinds are handed on; a disabled box refuses everything.
    f->events.clear();
    f->onEvent = nullptr;
    CKesEvent gui{};
    gui.mEventType = KESET_GUI_EVENT;
    gui.mGuiEvent.EventType = KESGET_ELEMENT_CHANGED;
    box->OnProcessEvent(gui);
    EXPECT_EQ((Log{"gui6"}), f->events);
    box->SetEnabled(false);
    EXPECT_FALSE(box->OnProcessEvent(Key(VK_BACK, true)));
    EXPECT_FALSE(box->OnProcessEvent(Ime("x", KESIME_IME_ENGLISH)));
    EXPECT_EQ("hi", box->GetText());

    CKesGUIEditorBox orphan(f, nullptr, 5, "orphan", CKesRect<int>(0, 400, 100, 420));
    EXPECT_TRUE(orphan.OnProcessEvent(Key(VK_RETURN, true)));
    EXPECT_FALSE(orphan.OnProcessEvent(gui));
}

TEST_F(EditorBoxTest, AReturnHandlerMayDeleteTheBox) {
    StartWithBox();
    Focus();
    const CKesGUIElementRef ref = box->GetRef();
    f->onEvent = [](const CKesEvent& ev) {
        if (ev.mEventType == KESET_KEY_INPUT_EVENT && ev.mKeyEvent.Key == VK_RETURN)
            delete CKesBaseFrame::getSingleton().FindControlById(1);
        return false;
    };
    KeyDown(VK_RETURN);
    EXPECT_FALSE(ref);
    EXPECT_EQ(nullptr, f->GetFocusedElement());
    Type("x");
    EXPECT_EQ((Log{"key13", "ime-cn:x"}), f->events);
}

TEST_F(EditorBoxTest, APressPlacesTheCaret) {
    StartWithBox("200");
    box->SetText("abcd");
    // A press on a character puts the caret before it (a character runs
    // from just right of its left edge to its right edge); a press right of
    // all the text puts it after the last character.
    const struct {
        int x;
        int caret;
    } presses[] = {
        {299, 4},
        {100 + Width("abcd") + 1, 4},
        {100 + Width("abcd"), 3},
        {100 + Width("abc") + 1, 3},
        {100, 0},
        {100 + Width("ab"), 1},
    };
    for (const auto& press : presses) {
        PressMouse(press.x, 110);
        EXPECT_EQ(press.caret, box->GetCaret()) << "x " << press.x;
    }
    EXPECT_TRUE(box->OnProcessEvent(Press(10, 10)));  // outside: handled, nothing moves
    EXPECT_EQ(1, box->GetCaret());
    EXPECT_TRUE(box->OnProcessEvent(Release(150, 110)));
    EXPECT_EQ(1, box->GetCaret());
    // Right never takes the caret past the end of the text.
    for (int i = 0; i < 10; ++i) KeyDown(VK_RIGHT);
    EXPECT_EQ(4, box->GetCaret());
    Type("e");
    EXPECT_EQ("abcde", box->GetText());
    // Typing after a press right of the text goes on at its end, also in a
    // text that has scrolled.
    std::string text;
    for (int i = 0; i < 30; ++i) text += Gbk("汉");
    for (const std::string& before : {std::string("abc"), text}) {
        box->SetText(before);
        PressMouse(299, 110);
        Type("X");
        EXPECT_EQ(before + "X", box->GetText());
    }
}

TEST_F(EditorBoxTest, LongTextScrolls) {
    StartWithBox("200");
    std::string text;
    for (int i = 0; i < 30; ++i) text += Gbk("汉");
    box->SetText(text);
    EXPECT_GT(box->GetViewStart(), 0);
    EXPECT_EQ(2 * box->GetViewStart(), box->GetViewStartByte());
    EXPECT_EQ(30, box->GetViewStart() + box->GetCaret());
    EXPECT_LE(Width(text.substr(box->GetViewStartByte())), 201);
    EXPECT_GT(Width(text.substr(box->GetViewStartByte() - 2)), 201);
    // Left at the first visible character scrolls back by one.
    const int start = box->GetViewStart();
    for (int i = box->GetCaret(); i > 0; --i) box->OnProcessEvent(Key(VK_LEFT, true));
    EXPECT_EQ(0, box->GetCaret());
    box->OnProcessEvent(Key(VK_LEFT, true));
    EXPECT_EQ(start - 1, box->GetViewStart());
    EXPECT_EQ(2 * (start - 1), box->GetViewStartByte());
    // Backspace at the first visible character scrolls back by four.
    box->OnProcessEvent(Key(VK_BACK, true));
    EXPECT_EQ(29u * 2, box->GetText().size());
    EXPECT_EQ(start - 5, box->GetViewStart());
    EXPECT_EQ(3, box->GetCaret());  // where the deleted character was
    // Right walks to the end and scrolls forward.
    for (int i = 0; i < 40; ++i) box->OnProcessEvent(Key(VK_RIGHT, true));
    EXPECT_LE(box->GetViewStart() + box->GetCaret(), 29);
    // A box narrower than one character still starts its view on a character.
    CKesGUIEditorBox* narrow = f->AddEditorBox(9, "n", CKesRect<int>(0, 300, 5, 320), nullptr);
    narrow->SetText(Gbk("汉字"));
    EXPECT_EQ(2, narrow->GetViewStartByte());
    EXPECT_EQ(1, narrow->GetViewStart());
    EXPECT_EQ(1, narrow->GetCaret());
}

TEST_F(EditorBoxTest, RightKeepsTheCaretWithinLongTexts) {
    StartWithBox("200");
    std::string chinese, narrow, wide, mixed;
    for (int i = 0; i < 30; ++i) {
        chinese += Gbk("汉");
        narrow += 'i';
        wide += 'W';
        mixed += i % 3 ? std::string("l") : Gbk("字");
    }
    for (const std::string& text : {chinese, narrow, wide, mixed}) {
        box->SetText(text);
        const int count = 30;
        // Back to the first character, then Right past the end.
        for (int i = 0; i < 40; ++i) box->OnProcessEvent(Key(VK_LEFT, true));
        ASSERT_EQ(0, box->GetViewStart() + box->GetCaret());
        for (int i = 0; i < 40; ++i) {
            box->OnProcessEvent(Key(VK_RIGHT, true));
            ASSERT_LE(box->GetViewStart() + box->GetCaret(), count) << "after " << i + 1 << " presses";
        }
        EXPECT_EQ(count, box->GetViewStart() + box->GetCaret());
        // Left then lands before the last character, and typing at the end.
        box->OnProcessEvent(Key(VK_LEFT, true));
        EXPECT_EQ(count - 1, box->GetViewStart() + box->GetCaret());
        box->OnProcessEvent(Key(VK_RIGHT, true));
        box->OnProcessEvent(Ime("z", KESIME_IME_CHINESE));
        EXPECT_EQ(text + "z", box->GetText());
    }
}

TEST_F(EditorBoxTest, TipTextTextAndTheBlinkingCaret) {
    StartWithBox("20", {{"TipText", "tip___"}});
    DrawGui();
    EXPECT_GT(Ink(kBox), 0);  // empty and unfocused: the tip
    const int tipInk = Ink(kBox);

    // Focused and empty: only the caret, in black (on a black frame it
    // leaves no ink; on a white one it does).
    Focus();
    DrawGui();
    EXPECT_EQ(0, Ink(kBox));
    box->SetColor(CKesColor(0xFFFFFFFFu));
    f->SetBgImage(0);
    auto drawOnWhite = [this] {
        f->Clear(CKesColor(0xFFFFFFFFu));
        ASSERT_TRUE(f->BeginScene());
        f->Draw();
        f->EndScene();
    };
    drawOnWhite();
    const int caretInk = Ink(kBox, 0xFFFFFFFFu);
    EXPECT_GT(caretInk, 0);
    EXPECT_EQ(caretInk, Ink(CKesRect<int>(94, 100, 108, 124), 0xFFFFFFFFu));  // around x = 100
    platform::AdvanceClock(501);
    drawOnWhite();
    EXPECT_EQ(0, Ink(kBox, 0xFFFFFFFFu));  // hidden for the second half
    platform::AdvanceClock(500);
    drawOnWhite();
    EXPECT_EQ(0, Ink(kBox, 0xFFFFFFFFu));
    drawOnWhite();  // a new cycle
    EXPECT_EQ(caretInk, Ink(kBox, 0xFFFFFFFFu));

    // Text in the box's colour; the caret follows it.
    Type("abc");
    DrawGui();
    EXPECT_GT(Ink(kBox), tipInk / 4);
    EXPECT_EQ(0, Ink(CKesRect<int>(100 + Width("abc") + 8, 100, 300, 124)));
    box->SetText("");
    box->SetFocus(false);
    DrawGui();
    EXPECT_EQ(tipInk, Ink(kBox));
    box->SetVisible(false);
    DrawGui();
    EXPECT_EQ(0, Ink(kBox));
}

}  // namespace
