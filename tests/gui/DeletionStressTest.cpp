// A few hundred elements; handlers delete subtrees (as scripts do from inside
// a click) while events are routed. Run under AddressSanitizer.
#include <gtest/gtest.h>

#include <random>

#include "gui/GuiTestSupport.h"

using namespace kest2d;
using namespace kest2d::test;

namespace {

typedef CKesRect<int> R;

struct Tree {
    TestContainer root;
    std::vector<CKesGUIElementRef> all;
    int nextId = 1;
    std::mt19937 rng{12345};
    int deletions = 0;

    Tree() {
        root.SetAbsoluteRect(R(0, 0, 800, 600));
        root.SetControlWidthAndHeight(CKesDimension2d<int>(800, 600));
        root.SetMoving(false);
    }
    int Rand(int n) { return static_cast<int>(rng() % static_cast<unsigned>(n)); }

    CKesBaseGUIElement* RandomLive() {
        for (int tries = 0; tries < 20 && !all.empty(); ++tries) {
            if (CKesBaseGUIElement* e = all[static_cast<size_t>(Rand(static_cast<int>(all.size())))].get()) return e;
        }
        return nullptr;
    }

    // Deletes a random subtree the way a script would: through its parent,
    // or directly.
    void DeleteSomething() {
        CKesBaseGUIElement* victim = RandomLive();
        if (!victim) return;
        ++deletions;
        if (victim->GetParent() && Rand(2) == 0)
            victim->GetParent()->DeleteChildren(victim);
        else
            delete victim;
    }

    size_t Alive() const {
        size_t n = 0;
        for (const CKesGUIElementRef& r : all) n += r ? 1 : 0;
        return n;
    }

    // Adds elements until `limit` new ones were made.
    void Grow(CKesBaseGUIElement* parent, int depth, size_t limit = 400) {
        const int kids = depth == 0 ? 8 : 4;
        const size_t start = all.size();
        for (int i = 0; i < kids && all.size() - start < limit; ++i) {
            const int x = Rand(150), y = Rand(120);
            const R rect(x, y, x + 30 + Rand(200), y + 30 + Rand(200));
            CKesBaseGUIElement* e;
            if (depth < 3 && Rand(3) == 0) {
                auto* c = new TestContainer(parent, nextId++, rect);
                c->SetModal(Rand(10) == 0);
                e = c;
            } else {
                static const KESGUI_ELEMENT_TYPE types[] = {KESGUI_BUTTON, KESGUT_SCROLLBAR, KESGUT_EDITORBOX,
                                                            KESGUI_DRAGCONTROL, KESGUT_STATIC};
                auto* r = new Recorder(parent, nextId++, rect, types[Rand(5)]);
                r->postUpdateResult = Rand(2) == 0;
                r->onEvent = [this](const CKesEvent&) {
                    if (Rand(20) == 0) DeleteSomething();
                    return false;  // the element may be gone: do not touch it
                };
                r->onLost = [this](const CKesEvent&) {
                    if (Rand(8) == 0) DeleteSomething();
                };
                e = r;
            }
            all.push_back(e->GetRef());
            if (depth < 3) Grow(e, depth + 1, limit - (all.size() - start));
        }
    }
};

}  // namespace

TEST(DeletionStress, SubtreesDeletedFromHandlersWhileEventsAreRouted) {
    Tree t;
    t.Grow(&t.root, 0);
    ASSERT_GE(t.Alive(), 300u);
    for (int round = 0; round < 20000; ++round) {
        const int x = t.Rand(820) - 10, y = t.Rand(620) - 10;
        switch (t.Rand(8)) {
        case 0: t.root.Route(Press(x, y)); break;
        case 1: t.root.Route(Release(x, y)); break;
        case 2: t.root.Route(Key(65, true)); break;
        case 3: t.root.Route(Mouse(KESMIE_MOUSE_WHEEL, x, y)); break;
        case 4:
            t.root.OnProcessPostUpdate();
            t.root.Draw();
            break;
        case 5:
            if (t.Rand(10) == 0) t.DeleteSomething();  // the script side, between events
            t.root.ShowControlById(1 + t.Rand(t.nextId), t.Rand(2) == 0);
            break;
        default: t.root.Route(MoveTo(x, y)); break;
        }
        if (round % 500 == 0) t.root.Move(CKesPosition2d<int>(t.Rand(5), t.Rand(5)));
        if (round % 100 == 0) {
            const size_t alive = t.Alive();
            if (alive < 250) t.Grow(&t.root, 0, 400 - alive);
        }
        // The routing state always names live elements of the tree.
        for (CKesBaseGUIElement* p : {t.root.GetCurrentElement(), t.root.GetFocusedElement(),
                                      t.root.GetCapturedElement()}) {
            if (p) {
                ASSERT_TRUE(t.root.IsInSubtree(p));
            }
        }
    }
    EXPECT_GT(t.deletions, 300);
    EXPECT_GT(t.Alive(), 0u);
}
