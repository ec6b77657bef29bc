-- A script's tests driving controls with event records, as docs/events.md
-- tells game makers to: a card is clicked with a move, a press and a release;
-- the chat list picks the line of the last move; an edit box is typed into
-- with a text record, not with key records.
dofile(SCRIPT_DIR .. "/lib/check.lua")

local frame = kest2d.CKesBaseFrame:getSingleton()
local root = frame.__CKesBaseGUIContainer__
local function rect(l, t, r, b) return kest2d.CKesRect_int_(l, t, r, b) end

local f = assert(io.open(GAME_DIR .. "/record.bin", "wb"))
f:write(string.rep("\0", 8192))
f:close()
local ev = toHelper.toKesEvent(frame:LoadResource("record.bin"))

local function mouse(control, kind, x, y)
    ev.mEventType = kest2d.KESET_MOUSE_INPUT_EVENT
    ev.mMouseEvent.EventType = kind
    ev.mMouseEvent.X = x
    ev.mMouseEvent.Y = y
    control:OnProcessEvent(ev)
end

local reports = {}
function OnProcessGameEvent(e)
    local event = toHelper.toKesEvent(e)
    if event.mEventType == kest2d.KESET_GUI_EVENT and event.mGuiEvent.EventType == kest2d.KESGET_ELEMENT_SELECTED then
        local caller = event.mGuiEvent.Caller
        if caller:GetID() == 61 then
            reports[#reports + 1] = "chat:" .. toHelper.toGUIChatMessage(caller):GetSelectString()
        else
            reports[#reports + 1] = "id " .. caller:GetID()
        end
    end
end

-- A hand of three cards, 20 pixels apart, centred: the second card's strip.
local hand = root:AddGameCard(60, "hand", rect(10, 10, 400, 90))
hand:SetCardWidthAndHeight(40, 60)
hand:SetCardSpace(20)
hand:SetCardUpSpace(10)
hand:SetCardData(hand:ParseStringToCards("3;20;37"))
local r = hand:GetAbsoluteRect()
local originX = r.UpperLeftCorner.X + (r.LowerRightCorner.X - r.UpperLeftCorner.X) / 2 - (2 * 20 + 40) / 2
local x, y = originX + 25, r.UpperLeftCorner.Y + 30

-- A press and a release alone act on the card of the last move (none yet: the first).
mouse(hand, kest2d.KESMIE_LMOUSE_PRESSED_DOWN, x, y)
mouse(hand, kest2d.KESMIE_LMOUSE_LEFT_UP, x, y)
check_eq(hand:GetSelectedCards():size(), 0, "no card raised without a move")
mouse(hand, kest2d.KESMIE_MOUSE_MOVED, x, y)
mouse(hand, kest2d.KESMIE_LMOUSE_PRESSED_DOWN, x, y)
mouse(hand, kest2d.KESMIE_LMOUSE_LEFT_UP, x, y)
check_eq(hand:GetSelectedCards():size(), 1, "move, press, release raise a card")
check_eq(hand:GetSelectedCards()[0], 20, "the card under the pointer")
check_eq(table.concat(reports, ","), "id 60,id 60", "each release reports")

-- The chat list: lines 13 pixels high; the press picks the line of the last move.
local chat = root:AddChatMessage(61, "chat", rect(10, 100, 200, 160))
chat:AddString("one")
chat:AddString("two")
reports = {}
local top = chat:GetAbsoluteRect().UpperLeftCorner.Y
mouse(chat, kest2d.KESMIE_LMOUSE_PRESSED_DOWN, 20, top + 15)
chat:SetVisible(true)  -- a press hides the list
mouse(chat, kest2d.KESMIE_MOUSE_MOVED, 20, top + 15)
mouse(chat, kest2d.KESMIE_LMOUSE_PRESSED_DOWN, 20, top + 15)
check_eq(table.concat(reports, ","), "chat:,chat:two", "the line of the last move")

-- The edit box takes text records; key records carry no characters into it.
local box = root:AddEditorBox(62, "box", rect(10, 170, 200, 190))
box:SetMaxCount(10)
local function text(kind, s)
    ev.mEventType = kest2d.KESET_IME_EVENT
    ev.mImeEvent.EventType = kind
    ev.mImeEvent.inputStr = s
    box:OnProcessEvent(ev)
end
text(kest2d.KESIME_IME_ENGLISH, "ab")
check_eq(box:GetText(), "ab", "a text record types")
check_eq(ev.mImeEvent.inputStr, "", "the box empties the record's text")
text(kest2d.KESIME_IME_CHINESE, "ab")
check_eq(box:GetText(), "ab", "the same text of another kind is dropped")
text(kest2d.KESIME_IME_CHINESE, "ab")
check_eq(box:GetText(), "abab", "the same text of the same kind is taken")
ev.mEventType = kest2d.KESET_KEY_INPUT_EVENT
ev.mKeyEvent.Key = string.byte("X")
ev.mKeyEvent.Char = string.byte("x")
ev.mKeyEvent.isPressedDown = true
box:OnProcessEvent(ev)
check_eq(box:GetText(), "abab", "a key record types nothing")

OnProcessGameEvent = nil
print("scriptedinput ok")
