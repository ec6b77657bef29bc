// A game script builds its table through the container's factories inside
// the running frame; real mouse presses on the window reach its controls and
// come back to the script as events that it reads through the casts.
#include <gtest/gtest.h>

#include <string>

#include "gui/controls/Kest2dGUIBiqoQing.h"
#include "gui/controls/Kest2dGUIImage.h"
#include "gui/controls/Kest2dGUIImageListBox.h"
#include "gui/controls/Kest2dGUIMoveAnimator.h"
#include "gui/controls/Kest2dGUIMultiListBox.h"
#include "lauxlib.h"
#include "lua.h"
#include "platform/KesWindow.h"
#include "support/FrameFixture.h"

using namespace kest2d;
using namespace kest2d::test;

namespace {

class TableFrame : public CKesBaseFrame {
public:
    TableFrame() : CKesBaseFrame(nullptr) {}
    lua_State* L() const { return mLuaState; }
};

const char* const kTableScript = R"(
clicks = {}
function BuildTable()
    local frame = kest2d.CKesBaseFrame:getSingleton()
    local root = frame.__CKesBaseGUIContainer__
    local function rect(l, t, r, b) return kest2d.CKesRect_int_(l, t, r, b) end
    local img = assert(io.open("button.ppm", "wb"))
    img:write("P6\n80 30\n255\n" .. string.rep("\200\200\200", 80 * 30))
    img:close()
    local picture = frame:LoadTexture("button.ppm")
    table_panel = root:AddContainer(50, "table", rect(100, 100, 700, 500), nil, true)
    local deal = table_panel:AddButton(1, "deal", rect(10, 10, 90, 40))
    deal:SetText("Deal")
    deal:SetBgImage(picture)
    local pass = table_panel:AddButton(2, "pass", rect(100, 10, 180, 40), table_panel)
    pass:SetText("Pass")
    pass:SetBgImage(picture)
    local label = table_panel:AddStaticText(3, "label", rect(200, 10, 400, 30))
    label:SetText("your turn")
    name_box = table_panel:AddEditorBox(4, "name", rect(10, 60, 200, 80))
    local hand = table_panel:AddGameCard(5, "hand", rect(10, 100, 590, 200))
    hand:SetCardWidthAndHeight(40, 60)
    hand:SetCardSpace(15)
    hand:SetCardData(hand:ParseStringToCards("19;35;51;20"))
    local clock = table_panel:AddGameClock(6, "clock", rect(500, 10, 560, 40))
    clock:SetClockNum(30)
    local avatar = table_panel:AddImage(7, "avatar", rect(420, 10, 450, 40))
    avatar:SetImagePath("button.ppm")
    avatar:SetSrcStartPos(2, 3)
    local path = table_panel:AddMoveAnimator(8, "deal path", rect(420, 50, 590, 90))
    path:SetStartPosition(kest2d.CKesPosition2d_int_(0, 0))
    path:SetEndPosition(kest2d.CKesPosition2d_int_(160, 30))
    path:SetSpeed(2.5)
    local scores = table_panel:AddMultiListBox(9, "scores", rect(10, 210, 280, 390))
    scores:AddHeader("name", 100)
    scores:AddText("alice", 1, scores:CreateNewRow(), 0)
    local faces = table_panel:AddBiaoQingCtrl(10, "faces", rect(320, 210, 590, 390))
    faces:SetPageSize(kest2d.CKesDimension2d_int_(4, 3))
    local players = table_panel:AddImageListBox(11, "players", rect(420, 400, 590, 480))
    players:SetImageSize(kest2d.CKesDimension2d_int_(16, 16))
    players:AddImageToListBox("button.ppm")
    players:AddTextToListBox(0, "bob")
end

function OnProcessGameEvent(e)
    local ev = toHelper.toKesEvent(e)
    if ev.mEventType ~= kest2d.KESET_GUI_EVENT then return end
    if ev.mGuiEvent.EventType ~= kest2d.KESGET_BUTTON_CLICKED then return end
    local caller = ev.mGuiEvent.Caller
    local button = tolua.cast(caller, "kest2d::CKesGUIButton")
    local root = kest2d.CKesBaseFrame:getSingleton().__CKesBaseGUIContainer__
    local hand = toHelper.toKesGUIGameCard(table_panel:FindControlById(5))
    local clock = toHelper.toKesGUIGameClock(table_panel:FindControlById(6))
    local label = toHelper.toKesGUIStatic(table_panel:FindControlById(3))
    clicks[#clicks + 1] = caller:GetID() .. ":" .. button:GetText() .. ":" .. hand:GetCardCount() .. ":" ..
        clock:GetClockNum() .. ":" .. label:GetText()
    if button:GetText() == "Pass" then clock:SetClockNum(0) end
end

function Summary()
    local root = kest2d.CKesBaseFrame:getSingleton().__CKesBaseGUIContainer__
    local focus = root:GetCurFocusControl()
    return table.concat(clicks, ","), focus and focus:GetID() or -1
end
)";

class ScriptControls : public FrameFixture {
protected:
    TableFrame* f = nullptr;

    void SetUp() override {
        FrameFixture::SetUp();
        WriteFile(GamePath("scripts/gamelogic.lua"), kTableScript);
        f = StartFrame<TableFrame>();
        ASSERT_NE(nullptr, f->L());
        platform::PumpMessages();
        ASSERT_EQ(0, Call("BuildTable", 0)) << Error();
    }
    int Call(const char* name, int results) {
        lua_getglobal(f->L(), name);
        return lua_pcall(f->L(), 0, results, 0);
    }
    std::string Error() {
        const char* s = lua_tostring(f->L(), -1);
        return s ? s : "";
    }
    void Press(int x, int y) {
        f->PostMessage(WM_LBUTTONDOWN, MK_LBUTTON, MAKELPARAM(x, y));
        f->PostMessage(WM_LBUTTONUP, 0, MAKELPARAM(x, y));
        platform::PumpMessages();
    }
    // The script's record of clicks and the id of the focused control.
    std::pair<std::string, int> Summary() {
        EXPECT_EQ(0, Call("Summary", 2)) << Error();
        std::pair<std::string, int> out(lua_tostring(f->L(), -2) ? lua_tostring(f->L(), -2) : "",
                                        static_cast<int>(lua_tonumber(f->L(), -1)));
        lua_pop(f->L(), 2);
        return out;
    }
};

}  // namespace

TEST_F(ScriptControls, PressesOnScriptMadeButtonsComeBackAsClicksReadThroughTheCasts) {
    Press(100 + 10 + 5, 100 + 10 + 5);   // Deal
    Press(100 + 100 + 40, 100 + 25);     // Pass
    Press(100 + 300, 100 + 300);         // empty table
    auto s = Summary();
    EXPECT_EQ("1:Deal:4:30:your turn,2:Pass:4:30:your turn", s.first);
}

TEST_F(ScriptControls, APressOnTheEditBoxGivesItTheFocus) {
    Press(100 + 50, 100 + 70);
    EXPECT_EQ(4, Summary().second);
    Press(100 + 50, 100 + 20);  // Deal takes the focus
    EXPECT_EQ(1, Summary().second);
}

TEST_F(ScriptControls, TheTreeKeepsTheFactoriesControlsAfterCollections) {
    lua_gc(f->L(), LUA_GCCOLLECT, 0);
    lua_gc(f->L(), LUA_GCCOLLECT, 0);
    Press(115, 115);
    EXPECT_EQ("1:Deal:4:30:your turn", Summary().first);
}

TEST_F(ScriptControls, TheImagesPathListsAndEmoticonPickerMadeByTheScriptStandInTheTree) {
    lua_gc(f->L(), LUA_GCCOLLECT, 0);
    CKesBaseGUIElement* panel = f->FindControlById(50);
    ASSERT_NE(nullptr, panel);
    auto* avatar = dynamic_cast<CKesGUIImage*>(panel->FindControlById(7));
    auto* path = dynamic_cast<CKesGUIMoveAnimator*>(panel->FindControlById(8));
    auto* scores = dynamic_cast<CKesGUIMultiListBox*>(panel->FindControlById(9));
    auto* faces = dynamic_cast<CKesGUIBiqoQing*>(panel->FindControlById(10));
    auto* players = dynamic_cast<CKesGUIImageListBox*>(panel->FindControlById(11));
    ASSERT_TRUE(avatar && path && scores && faces && players);
    EXPECT_EQ("button.ppm", avatar->GetImagePath());
    int left = 0, top = 0;
    avatar->GetSrcStartPos(&left, &top);
    EXPECT_EQ(2, left);
    EXPECT_EQ(3, top);
    EXPECT_FLOAT_EQ(2.5f, path->GetSpeed());
    EXPECT_EQ(160, path->GetEndPosition().X);
    ASSERT_EQ(1, scores->GetRowCount());
    EXPECT_EQ("alice", scores->GetCellText(0, 0));
    EXPECT_EQ(4, faces->GetPageSize().Width);
    EXPECT_EQ(3, faces->GetPageSize().Height);
    ASSERT_EQ(1, players->GetTotalRows());
    EXPECT_EQ("bob", players->GetStringByIndex(0, 0));
    EXPECT_EQ("button.ppm", players->GetImageByIndex(0));
    // The table still takes its presses and draws with the new controls in it.
    platform::RunFor(100);
    Press(115, 115);
    EXPECT_EQ("1:Deal:4:30:your turn", Summary().first);
}
