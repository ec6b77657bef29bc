// Fuzzes the card hand control without a frame: the input is a list of
// operations (look changes, mouse events at fuzzed points, hand operations)
// applied to one control; after each, the drag state must fit the hand.
//
//   ./fuzz_card_control -max_total_time=120 corpus/
#include <cstddef>
#include <cstdint>
#include <cstdlib>
#include <string>
#include <vector>

#include "gui/GuiTestSupport.h"
#include "gui/controls/Kest2dGUIGameCard.h"

using namespace kest2d;

namespace {

struct Reader {
    const uint8_t* data;
    size_t size;
    size_t at = 0;
    bool more() const { return at < size; }
    int byte() { return at < size ? data[at++] : 0; }
    // A signed value, now and then far outside any screen.
    int value() {
        const int b = byte();
        if (b == 0xFF) return byte() % 2 ? 2147483647 : -2147483647 - 1;
        return b - 64;
    }
};

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    Reader in{data, size};
    CKesGUIGameCard card(nullptr, nullptr, 1, "hand", CKesRect<int>(0, 0, 200, 60));
    card.SetCardWidthAndHeight(20, 30);
    card.SetCardSpace(12);
    card.SetCardUpSpace(8);
    card.SetSnapType(CKesGUIGameCard::CARD_SNAP_LEFT);
    for (int step = 0; in.more() && step < 256; ++step) {
        switch (in.byte() % 16) {
        case 0: card.SetCardSpace(in.value()); break;
        case 1: card.SetCardWidthAndHeight(in.value(), in.value()); break;
        case 2: card.SetCardUpSpace(in.value()); break;
        case 3: card.SetSnapType(static_cast<CKesGUIGameCard::CardSnapType>(in.byte() % 4)); break;
        case 4: card.SetCardDirection(static_cast<CKesGUIGameCard::CardDir>(in.byte() % 3)); break;
        case 5: card.SetDisType(static_cast<CKesGUIGameCard::CardDisType>(in.byte() % 4)); break;
        case 6: {
            CKesVector<int> values;
            for (int n = in.byte() % 20; n > 0; --n) values.push_back(in.byte());
            card.SetCardData(values, in.byte() % 2 == 0);
            break;
        }
        case 7:
        case 8:
        case 9: {
            static const int kinds[] = {KESMIE_LMOUSE_PRESSED_DOWN, KESMIE_MOUSE_MOVED, KESMIE_LMOUSE_LEFT_UP};
            const int x = in.value(), y = in.value();
            card.OnProcessEvent(test::Mouse(kinds[step % 3], x, y));
            break;
        }
        case 10: card.OutRandomCards(in.value()); break;
        case 11: {
            CKesVector<int> values;
            for (int n = in.byte() % 6; n > 0; --n) values.push_back(in.byte());
            card.RemoveCards(values);
            break;
        }
        case 12: card.StartOutCards(); break;
        case 13: card.UpCardsByIndex({in.value(), in.value()}); break;
        case 14: {
            const int n = in.byte() % 4;
            if (n == 0) card.ClearAllCards();
            if (n == 1) card.ResetAllCards();
            if (n == 2) card.SetDisplayCard(in.value());
            if (n == 3) card.OnProcessLostFocusEvent(CKesEvent{});
            break;
        }
        default: {
            std::string text;
            for (int n = in.byte() % 12; n > 0; --n) text += static_cast<char>(in.byte());
            card.ParseStringToCards(text, "; ");
            card.GetCardsByOutType(card.GetSelectedCards());
            break;
        }
        }
        for (int i : card.GetDragList())
            if (i < 0 || i >= card.GetCardCount()) std::abort();
        card.GetWidthWidthAllCards();
        card.GetDisplayOrigin();
        card.Draw();
    }
    return 0;
}
