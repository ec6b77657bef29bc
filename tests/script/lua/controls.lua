-- The control classes and the container as scripts use them: factories,
-- constructors and ownership, the class constants, the card functions that
-- the binding computes, and a click on a script-made button read back
-- through the casts.
dofile(SCRIPT_DIR .. "/lib/check.lua")

local frame = kest2d.CKesBaseFrame:getSingleton()
local root = frame.__CKesBaseGUIContainer__
local function rect(l, t, r, b) return kest2d.CKesRect_int_(l, t, r, b) end

-- Containers: hidden unless asked; the parent must be given (nil is fine).
local panel = root:AddContainer(300, "panel", rect(100, 100, 500, 400), nil, true)
check_eq(tolua.type(panel), "kest2d::CKesBaseGUIContainer", "AddContainer's result")
check_eq(panel:isVisible(), true, "visible when asked")
local hidden = root:AddContainer(301, "hidden", rect(0, 0, 10, 10), nil)
check_eq(hidden:isVisible(), false, "a container made from Lua starts hidden")
check_error("error in function 'AddContainer'.", root.AddContainer, root, 302, "x", rect(0, 0, 1, 1))
check_eq(hidden:GetCurFocusControl(), nil, "no focus in a new container")
check(rawequal(hidden:GetCurActiveControl(), hidden), "a new container is its own active element")
hidden:SetModal(true)
check_eq(hidden:IsModal(), true, "modal flag")

-- Factories return the control's own class; the same id gives the same control.
local ok = panel:AddButton(1, "ok", rect(10, 10, 90, 40))
check_eq(tolua.type(ok), "kest2d::CKesGUIButton", "AddButton's result")
check(rawequal(ok, panel:AddButton(1, "other", rect(0, 0, 1, 1))), "the same id gives the same button")
check(rawequal(ok:GetParent(), panel), "made directly in the container")
local cancel = panel:AddButton(2, "cancel", rect(100, 10, 180, 40), panel)
local label = panel:AddStaticText(3, "label", rect(10, 50, 200, 70))
local edit = panel:AddEditorBox(4, "edit", rect(10, 80, 200, 100))
local hand = panel:AddGameCard(5, "hand", rect(10, 110, 390, 210))
local clock = panel:AddGameClock(6, "clock", rect(300, 10, 340, 40))
local types = {
    { ok, "kest2d::CKesGUIButton" }, { label, "kest2d::CKesGUIStatic" }, { edit, "kest2d::CKesGUIEditorBox" },
    { hand, "kest2d::CKesGUIGameCard" }, { clock, "kest2d::CKesGUIGameClock" },
    { panel:AddProcessBar(7, "bar", rect(0, 0, 50, 10)), "kest2d::CKesGUIProcessBar" },
    { panel:AddInfoScroller(8, "ticker", rect(0, 0, 50, 10)), "kest2d::CKesGUIInfoScroller" },
    { panel:AddVideoBox(9, "video", rect(0, 0, 50, 10)), "kest2d::CKesGUIVideo" },
    { panel:AddGameAnimator(10, "anim", rect(0, 0, 50, 10)), "kest2d::CKesGUIGameAnimator" },
    { panel:AddTextarea(11, "text", rect(0, 0, 50, 50)), "kest2d::CKesGUITextarea" },
    { panel:AddChatMessage(12, "chat", rect(0, 0, 50, 50)), "kest2d::CKesGUIChatMessage" },
    { panel:AddMultiButton(13, "radio", rect(0, 0, 50, 50)), "kest2d::CKesGUIMultiButton" },
    { panel:AddDragControl(14, "slider", rect(0, 0, 50, 10)), "kest2d::CKesGUIDragControl" },
}
for _, t in ipairs(types) do check_eq(tolua.type(t[1]), t[2], "factory result " .. t[2]) end
check_error("error in function 'AddStaticText'.", panel.AddStaticText, panel, 20, "x", nil)
check_error("invalid 'self' in function 'AddButton'", panel.AddButton, nil, 20, "x", rect(0, 0, 1, 1))

-- The scroll bar: held, compared, nothing bound on it, no element either.
local bar = panel:AddScrollBar(15, "scroll", rect(0, 0, 16, 100))
check_eq(tolua.type(bar), "kest2d::CKesGUIScrollBar", "AddScrollBar's result")
check_eq(bar.GetID, nil, "no element function on a scroll bar")
check(rawequal(bar, panel:AddScrollBar(15, "scroll", rect(0, 0, 16, 100))), "same scroll bar")
check_error("error in function 'AddChildren'.", panel.AddChildren, panel, bar)

-- ShowControlById and EnableControlById reach the controls by id.
panel:ShowControlById(3, false)
check_eq(label:isVisible(), false, "hidden by id")
panel:ShowControlById(3, true)
panel:EnableControlById(4, false)
check_eq(edit:IsEnabled(), false, "disabled by id")
panel:EnableControlById(4, true)

-- Button: the state is a plain member; the enabled flag is left alone.
check_eq(kest2d.CKesGUIButton.STATE_DOWND, 1, "STATE_DOWND")
ok:SetState(kest2d.CKesGUIButton.STATE_DISABLED)
check_eq(ok:GetState(), 3, "state written")
check_eq(ok:IsEnabled(), true, "SetState keeps the enabled flag")
ok:SetState(kest2d.CKesGUIButton.STATE_NORMAL)
ok:SetText("OK")
check_eq(ok:GetText(), "OK", "button text")
check_eq(ok:GetCaption(), "ok", "the caption is apart from the text")
ok:SetText(nil)
check_eq(ok:GetText(), "", "nil text is empty")
ok:SetText("OK")

-- Label and edit box.
label:SetText("hello")
label:SetSize(14)
label:SetSnapStyle(kest2d.SANPSTYLE_CENTER)
label:SetColor(kest2d.CKesColor(0xFF112233))
check_eq(label:GetText() .. label:GetSize() .. label:GetSnapStyle(), "hello141", "label members")
local c1, c2 = label:GetColor(), label:GetColor()
check(not rawequal(c1, c2) and c1 == c2, "GetColor gives a new copy each time")
check_eq(c1:getBlue(), 0x33, "label colour")
edit:SetText("abc")
edit:SetMaxCount(8)
edit:SetColor(kest2d.CKesColor(0xFF0000FF))
check_eq(edit:GetText() .. edit:GetMaxCount(), "abc8", "edit box members")
check_eq(edit:GetColor():getBlue(), 255, "edit box colour")

-- Progress bar, slider, radio group, ticker, text area, chat list, animator, video.
local pbar = toHelper.toGUIProcessBar(panel:FindControlById(7))
pbar:SetMaxValue(10)
pbar:SetProcess(25)
check_eq(pbar:GetProcess(), 10, "the value stays at most the maximum")
local slider = toHelper.toKesGUIDragControl(panel:FindControlById(14))
slider:SetCurrentProcess(50)
check_eq(slider:GetCurrentProcess(), 0, "a slider without its images keeps its value")
local radio = toHelper.toKesGUIMultiButton(panel:FindControlById(13))
radio:SetDefSelectedItem(2)
check_eq(radio:GetDefSelectedItem() * 10 + radio:GetCurSelectedItem(), 22, "default and current item")
radio:SetDirection(kest2d.DIR_VERTICAL)
check_eq(radio:GetDirection(), 1, "radio direction")
local ticker = toHelper.toKesGUIInfoScroller(panel:FindControlById(8))
check_eq(ticker:GetFont(), nil, "no font yet")
ticker:SetFont(nil)
ticker:SetInfoScrType(kest2d.CKesGUIInfoScroller.SCRTYPE_RIGHT_TO_LEFT)
check_eq(ticker:GetInfoScrType(), 1, "ticker direction")
local area = toHelper.toKesGUITextarea(panel:FindControlById(11))
area:AddString("one")
area:AddString("two", kest2d.CKesColor(0xFFFF0000))
check_error("error in function 'AddString'.", area.AddString, area, "three", nil)
area:SetScrollBarWidth(12)
check_eq(area:GetScrollBarWidth(), 12, "scroll bar width")
area:SetUseScrollBar(true)
check_eq(area:IsUseScrollBar(), true, "scroll bar used")
area:Clear()
local row = kest2d.CKesGUITextarea.RowStruct()
check_eq(row.color:getAlpha() * 1000 + row.color:getRed(), 255000, "a new row is opaque black")
check_eq(row.text, "", "and empty")
local red = kest2d.CKesGUITextarea.RowStruct(kest2d.CKesColor(0xFFFF0000), "red")
check_eq(red.text .. red.color:getRed(), "red255", "row from a colour and a text")
red.text = "changed"
check_eq(red.text, "changed", "row text written")
check_error("invalid type in variable assignment.", function() red.color = nil end)
local chat = toGUIChatMessage and nil or toHelper.toGUIChatMessage(panel:FindControlById(12))
chat:AddString("hi")
check_eq(chat:GetStringByIndex(0), "hi", "first chat line")
check_eq(chat:GetStringByIndex(99), "", "an index past the end gives an empty text")
check_eq(chat:GetStringByIndex(-1), "", "a negative index gives an empty text")
chat:Reset()
local anim = toHelper.toKesGUIGameAnimator(panel:FindControlById(10))
check_eq(anim:LoadAnimator("missing.spr"), false, "a missing archive")
anim:Play()
anim:Stop()
check_eq(anim:GetCurrentFrame(), 0, "stopped at frame 0")
check_eq(anim:isPlaying(), false, "and not playing")
anim:Restart()
check_eq(tostring(anim:isPlaying()) .. anim:GetCurrentFrame(), "true0", "restarted")
local size = anim:GetAnimSize()
check_eq(size.Width + size.Height, 0, "no animation loaded")
local video = toHelper.toKesGUIVideoBox(panel:FindControlById(9))
video:LoadVideo("missing.ogv")
check_eq(video:GetVideoPath() ~= nil, true, "video path readable")
video:Play()
video:Pause()
video:Stop()

-- Clock.
clock:SetClockNum(15)
clock:SetNumSpace(2)
clock:SetSnapType(kest2d.CKesGUIGameClock.CLOCK_SNAP_RIGHT)
check_eq(clock:GetClockNum() * 100 + clock:GetNumSpace() * 10 + clock:GetSnapType(), 1522, "clock members")
local digits = frame:CreateTexture("digits", 100, 10)
clock:SetClockNumImg(digits)
local t1, t2 = clock:GetClockNumImg(), clock:GetClockNumImg()
check(not rawequal(t1, t2), "a new box each time")
check_eq(tolua.type(t1), "DWORD", "a boxed handle")

-- Card hand.
check_eq(hand:GetCardHuaSe(0x4D) * 100 + hand:GetCardDianShu(0x4D), 413, "suit and point of 0x4D")
check_eq(hand:GetCardHuaSe(0x14D) * 100 + hand:GetCardDianShu(0x14D), 413, "a value above 255 wraps")
check_eq(hand:GetCardHuaSe(256) + hand:GetCardDianShu(256), 0, "256 is suit 0, point 0")
check_eq(hand:GetCardHuaSe(-1) * 100 + hand:GetCardDianShu(-1), 1515, "-1 is the byte 0xFF")
check_eq(hand:GetCardHuaSe(0 / 0), 0, "not a number is 0")
hand:SetCardWidthAndHeight(40, 60)
hand:SetCardSpace(15)
hand:SetCardUpSpace(12)
check_eq(hand:GetCardWidth() + hand:GetCardHeight() + hand:GetCardSpace() + hand:GetCardUpSpace(), 127, "sizes")
local cards = hand:ParseStringToCards("19;35;51")
check_eq(tolua.type(cards), "kest2d::CKesVector<int>", "parsed cards")
check_eq(cards:size(), 3, "split at ';' by default")
check_eq(hand:ParseStringToCards("1,2|3", ",|"):size(), 3, "any of the given separators")
hand:SetCardData(cards)
check_eq(hand:GetCardCount(), 3, "three cards held")
check_eq(cards:size(), 3, "the script's vector is unchanged")
check_eq(hand:GetCardDataByIndex(0) + hand:GetCardDataByIndex(1) + hand:GetCardDataByIndex(2), 19 + 35 + 51,
    "the cards as given")
check_eq(hand:GetCardDataByIndex(3), -1, "an index past the hand")
check_eq(hand:GetCardDataByIndex(-1), -1, "a negative index")
check_eq(hand:GetOutType(cards), kest2d.OUTTYPE_SANZHANG, "three threes")
check_eq(hand:GetCardTypeCount(kest2d.OUTTYPE_SANZHANG), 1, "one triple")
check_eq(hand:GetCardTypeCount(99), 0, "an unknown hand type")
local s1, s2 = hand:GetSelectedCards(), hand:GetSelectedCards()
check(not rawequal(s1, s2), "two selections are two vectors")
check_eq(s1:size(), s2:size(), "with equal contents")
local data = hand:GetCardData()
check_eq(data:size(), 3, "GetCardData")
hand:SetCardDirection(kest2d.CKesGUIGameCard.CARDDIR_ZONGXIANG)
check_eq(hand:GetCardDirection(), 1, "direction")
hand:SetCardDirection(kest2d.CKesGUIGameCard.CARDDIR_HENGXIANG)
hand:SetSnapType(kest2d.CKesGUIGameCard.CARD_SNAP_LEFT)
check_eq(hand:GetSnapType(), 0, "snap")
hand:SetShowCards(true)
hand:SetReverseShowCards(false)
check_eq(tostring(hand:IsShowCards()) .. tostring(hand:IsReverseShowCards()), "truefalse", "flags")
hand:SetCardBackTex(digits)
check_eq(hand:GetCardBackTex() ~= nil, true, "card back")
check_eq(hand:Comparison(cards, cards), false, "a hand does not beat itself")
hand:SortAllCards()
hand:GetCardsByOutType(cards)
hand:ResetAllCards()
check_eq(hand:GetSelectedCardCount(), 0, "nothing dragged")
check_eq(hand:GetCurOutCardValue() ~= nil, true, "current played value")
check_error("error in function 'SetCardData'.", hand.SetCardData, hand, nil)
check_error("invalid 'self' in function 'SetCardData'", hand.SetCardData, nil, cards)

-- The card record as scripts see it: the byte field is a boxed "BYTE".
local g = assert(io.open(GAME_DIR .. "/card.bin", "wb"))
g:write(string.char(0x4D, 1, 0, 1) .. string.rep("\0", 60))
g:close()
local card = tolua.cast(frame:LoadResource("card.bin"), "kest2d::CKesGUIGameCard::GameCard")
check_eq(tolua.type(card.data), "BYTE", "data reads as a boxed byte")
check_eq(card.isUp, true, "isUp")
check_eq(card.isSelected, false, "isSelected")
card.isSelected = true
check_eq(card.isSelected, true, "isSelected written")
check_error("invalid type in variable assignment.", function() card.data = 5 end)
check_error("invalid type in variable assignment.", function() card.data = nil end)
check_error("invalid type in variable assignment.", function() card.isUp = 1 end)

-- Image, path animator, multi-column list and emoticon picker: made by the
-- container's factories, reached again through their casts.
local pic = assert(io.open(GAME_DIR .. "/pic.ppm", "wb"))
pic:write("P6\n4 2\n255\n" .. string.rep("\10\20\30", 8))
pic:close()
local image = panel:AddImage(16, "image", rect(0, 0, 40, 20))
local path = panel:AddMoveAnimator(17, "path", rect(0, 0, 200, 100))
local list = panel:AddMultiListBox(18, "list", rect(0, 0, 200, 100))
local faces = panel:AddBiaoQingCtrl(19, "faces", rect(0, 0, 200, 100))
for _, t in ipairs({ { image, "kest2d::CKesGUIImage" }, { path, "kest2d::CKesGUIMoveAnimator" },
    { list, "kest2d::CKesGUIMultiListBox" }, { faces, "kest2d::CKesGUIBiqoQing" } }) do
    check_eq(tolua.type(t[1]), t[2], "factory result " .. t[2])
    check(rawequal(t[1]:GetParent(), panel), t[2] .. " stands in the container")
end
check(rawequal(image, panel:AddImage(16, "again", rect(0, 0, 1, 1))), "the same id gives the same image")
check(rawequal(image, toHelper.toKesGUIImage(panel:FindControlById(16))), "image cast")
check(rawequal(path, toHelper.toKesGUIMoveAnimator(panel:FindControlById(17))), "path animator cast")
check(rawequal(list, toHelper.toKesGUIMultiListBox(panel:FindControlById(18))), "list cast")
check(rawequal(faces, toHelper.toKesGUIBiqoQing(panel:FindControlById(19))), "emoticon picker cast")
check_error("error in function 'AddImage'.", panel.AddImage, panel, 20, "x", nil)
check_error("error in function 'AddBiaoQingCtrl'.", panel.AddBiaoQingCtrl, panel, 20, "x", nil)

image:SetImagePath("pic.ppm")
check_eq(image:GetImagePath(), "pic.ppm", "image path")
image:SetSrcStartPos(3, 4)
local x, y = image:GetSrcStartPos(0, 0)
check_eq(x * 10 + y, 34, "the source origin comes back as two numbers")
image:SetSrcHeightAndWidth(30, 40)
local first, second = image:GetSrcHeightAndWidth(-1, -1)
check_eq(first * 100 + second, 3040, "the source size in argument order")
check_error("error in function 'GetSrcStartPos'.", image.GetSrcStartPos, image)
image:SetColor(kest2d.CKesColor(0x80112233))
check_eq(image:GetColor():getAlpha(), 0x80, "image colour")

check_eq(IDD_BERNSTEIN_COUNT + IDD_CONTROL_POINT_COUNT + IDD_CONTROL_RECT_WIDTH, 1009, "the path sizes")
path:SetStartPosition(kest2d.CKesPosition2d_int_(10, 20))
path:SetEndPosition(kest2d.CKesPosition2d_int_(150, 80))
path:SetControlPoint(kest2d.CKesPosition2d_int_(50, 5), 1)
check_eq(path:GetStartPosition().X + path:GetEndPosition().Y + path:GetControlPoint(1).X, 10 + 80 + 50, "points")
path:GetBernstern()
path:SetSpeed(2.5)
check_eq(path:GetSpeed(), 2.5, "the speed is not truncated")
path:setIsEdit(true)
check_eq(path:isEdit(), true, "edit mode")
path:setIsEdit(false)
path:Play()
check_eq(path:isPlaying(), true, "playing")
path:Pause()
check_eq(path:isPlaying(), false, "paused")
path:Stop()
check_eq(tostring(path:isPlaying()) .. path:GetCurPlayFrame(), "false0", "stopped")
path:Restart()
check_eq(tostring(path:isPlaying()) .. path:GetCurPlayFrame(), "true0", "restarted")
path:Stop()

list:AddHeader("name", 80)
list:AddHeader("score", 60)
check_eq(list:CreateNewRow(), 0, "the first row's index")
list:AddText("alice", 1, 0, 0)
list:AddProcessBar(3, 10, 3, 0, 1)
list:SetIsSort(true)
check_eq(list:IsSort(), true, "sort flag")
list:SetHeaderImage("pic.ppm")
check_eq(list:GetHeaderImage(), "pic.ppm", "scripts read the header image's path")
list:SetHeaderMessage("tip")
check_eq(list:GetHeaderMessage(), "tip", "header message")
list:SetSelectedColor(kest2d.CKesColor(0xFF00FF00))
check_eq(list:GetSelectedColor():getGreen(), 255, "selected colour")
list:SetScrollBarWidth(14)
check_eq(list:GetScrollBarWidth(), 14, "scroll bar width")
check_eq(type(list:GetDisplayLineCount()), "number", "display lines")
list:ClearAllRows()

faces:SetPageSize(kest2d.CKesDimension2d_int_(3, 2))
local page = faces:GetPageSize()
check_eq(page.Width * 10 + page.Height, 32, "page size")
faces:SetLeftButton("pic.ppm")
check_eq(faces:GetLeftButton(), "pic.ppm", "left button image")
check_eq(faces:GetSelectedPath(), "", "nothing chosen")
faces:Reset()
faces:ClearAllAnimator()
check_error("error in function 'SetPageSize'.", faces.SetPageSize, faces, nil)

-- Constructors: collected with new_local unless built inside a parent (the
-- tree owns those); new belongs to whoever holds it.
local small = rect(0, 0, 10, 10)
full_gc()
local base = owned_count()
do
    local loose = kest2d.CKesGUIButton()
    local loose2 = kest2d.CKesGUIStatic:new_local()
    check_eq(owned_count(), base + 2, "loose controls are collected")
    local inside = kest2d.CKesGUIEditorBox(frame, panel, 40, "inside", small)
    check_eq(owned_count(), base + 2, "a control built inside a parent belongs to the tree")
    check(rawequal(panel:FindControlById(40), inside), "and stands in it")
    check_eq(inside:GetCaption(), "inside", "with its caption")
    local loose_image = kest2d.CKesGUIImage()
    check_eq(owned_count(), base + 3, "a loose image is collected")
    local framed = kest2d.CKesGUIImage(frame, panel, 45, "framed", small)
    check_eq(owned_count(), base + 3, "an image built inside a parent belongs to the tree")
    check(rawequal(panel:FindControlById(45), framed), "and stands in it")
    local adopted = kest2d.CKesGUIVideo:new_local()
    adopted:SetID(41)
    panel:AddChildren(adopted)
end
full_gc()
check_eq(owned_count(), base, "collected")
check(panel:FindControlById(40) ~= nil, "the tree's control lives on")
check(panel:FindControlById(41) ~= nil, "a collected control that joined the tree lives on")
-- The tree may delete a collected control before Lua collects it.
do
    local doomed = kest2d.CKesGUIButton:new_local()
    doomed:SetID(42)
    panel:AddChildren(doomed)
    panel:DeleteChildren(doomed)
end
full_gc()
local kept = kest2d.CKesGUIButton:new(frame, nil, 43, "kept", small)
check_eq(kept:GetID(), 43, "new with every argument")
check_eq(owned_count(), base, "new is not collected")
panel:AddChildren(kept)
check_error("error in function 'new'.", kest2d.CKesGUIButton.new, kest2d.CKesGUIButton, frame, panel, 5)

-- A press on the button is reported as a click and reaches the script's
-- event callback, which reads it back through the casts.
local seen = {}
function OnProcessGameEvent(e)
    local ev = toHelper.toKesEvent(e)
    if ev.mEventType == kest2d.KESET_GUI_EVENT and ev.mGuiEvent.EventType == kest2d.KESGET_BUTTON_CLICKED then
        local caller = ev.mGuiEvent.Caller
        local button = tolua.cast(caller, "kest2d::CKesGUIButton")
        seen[#seen + 1] = caller:GetID() .. ":" .. button:GetText()
    end
end
-- The button takes presses on the opaque pixels of its picture.
local img = assert(io.open(GAME_DIR .. "/button.ppm", "wb"))
img:write("P6\n320 30\n255\n" .. string.rep("\200\200\200", 320 * 30))
img:close()
ok:SetBgImage(frame:LoadTexture("button.ppm"))
local f = assert(io.open(GAME_DIR .. "/press.bin", "wb"))
f:write(string.rep("\0", 8192))
f:close()
local press = toHelper.toKesEvent(frame:LoadResource("press.bin"))
press.mEventType = kest2d.KESET_MOUSE_INPUT_EVENT
press.mMouseEvent.EventType = kest2d.KESMIE_LMOUSE_PRESSED_DOWN
local r = ok:GetAbsoluteRect()
press.mMouseEvent.X = r.UpperLeftCorner.X + 5
press.mMouseEvent.Y = r.UpperLeftCorner.Y + 5
ok:OnProcessEvent(press)
check_eq(table.concat(seen, ","), "1:OK", "the click came back through the casts")
OnProcessGameEvent = nil
print("controls ok")
