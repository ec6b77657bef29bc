-- Lifetimes: whatever the engine frees or ends is never reachable from Lua
-- again, however Lua reached it, and what Lua made is freed once. Each case
-- ends in a Lua error or a sane result; the sanitizers watch every step, and
-- the leak checker the state's close.
dofile(SCRIPT_DIR .. "/lib/check.lua")
dofile(SCRIPT_DIR .. "/lib/steps.lua")

local frame = kest2d.CKesBaseFrame:getSingleton()
local root = frame.__CKesBaseGUIContainer__
local function rect(l, t, r, b) return kest2d.CKesRect_int_(l, t, r, b) end
local function dead(o) return string.sub(tolua.type(o), 1, 8) == "deleted " end

-- A button with an opaque picture, and a press on it: the button reports a
-- click (an engine record of its own) to OnProcessGameEvent.
local picture = assert(io.open(GAME_DIR .. "/button.ppm", "wb"))
picture:write("P6\n40 20\n255\n" .. string.rep("\200\200\200", 40 * 20))
picture:close()
local texture = frame:LoadTexture("button.ppm")
local function press_at(x, y)
    local press = kest2d.CKesEvent()
    press.mEventType = kest2d.KESET_MOUSE_INPUT_EVENT
    press.mMouseEvent.EventType = kest2d.KESMIE_LMOUSE_PRESSED_DOWN
    press.mMouseEvent.X, press.mMouseEvent.Y = x, y
    return press
end
local function click(button)
    local r = button:GetAbsoluteRect()
    button:OnProcessEvent(press_at(r.UpperLeftCorner.X + 5, r.UpperLeftCorner.Y + 5))
end
local function button_in(parent, id)
    local b = parent:AddButton(id, "b" .. id, rect(10 * id, 0, 10 * id + 40, 20))
    b:SetBgImage(texture)
    return b
end

-- Values that refer into an object die with it -------------------------------

-- { what, make: returns the object, the value inside it and a use of the
--   value; end: ends the object }
local INSIDE = {
    { "an element's rectangle", function()
        local b = button_in(root, 1)
        return b, b:GetAbsoluteRect(), function(r) return r:getWidth() end
    end, function(b) root:DeleteChildren(b) end },
    { "an element's size", function()
        local b = button_in(root, 2)
        return b, b:GetControlWidthAndHeight(), function(d) return d.Width end
    end, function(b) root:DeleteChildren(b) end },
    { "a corner of an element's rectangle", function()
        local b = button_in(root, 3)
        return b, b:GetClippingRect().LowerRightCorner, function(p) return p.X end
    end, function(b) root:DeleteChildren(b) end },
    { "an element's child list", function()
        local b = button_in(root, 5)
        return b, b:GetChildrens(), function(l) return l.anything end
    end, function(b) root:DeleteChildren(b) end },
    { "the rectangle of an element the script deletes", function()
        local b = kest2d.CKesGUIButton:new()
        return b, b:GetAbsoluteRect(), function(r) return r:getHeight() end
    end, function(b) b:delete() end },
    { "a corner of a collected rectangle", function()
        local r = rect(1, 2, 30, 40)
        return r, r.LowerRightCorner, function(p) return p.X end
    end, function() end },
    { "a part of a collected record", function()
        local ev = kest2d.CKesEvent()
        return ev, ev.mMouseEvent, function(m) return m.X end
    end, function() end },
}
for _, case in ipairs(INSIDE) do
    local what, make, finish = case[1], case[2], case[3]
    local inside, use
    do
        local object
        object, inside, use = make()
        check(pcall(use, inside), what .. ": usable while its object lives")
        finish(object)
    end
    full_gc()
    check(dead(inside), what .. ": a deleted object once its object is gone, not " .. tolua.type(inside))
    check_error("was deleted", use, inside)
end

-- Engine pointers are handed out only while their object lives ----------------

-- The usual "close this dialog": the click's handler deletes the button that
-- reported it, then reads the record again.
local seen = {}
local kept_record, kept_light
function OnProcessGameEvent(e)
    local ev = toHelper.toKesEvent(e)
    if ev.mEventType ~= kest2d.KESET_GUI_EVENT then return end
    kept_record, kept_light = ev, e
    local caller = ev.mGuiEvent.Caller
    seen[#seen + 1] = caller:GetID()
    root:DeleteChildren(caller)
    seen[#seen + 1] = tostring(ev.mGuiEvent.Caller)
    seen[#seen + 1] = tostring(dead(caller))
    check_eq(toHelper.toKesMessageIn(e), nil, "an event record is no message")
end
click(button_in(root, 6))
check_eq(table.concat(seen, ","), "6,nil,true", "the deleted caller reads as nil")
-- The record lived for the call only.
check(dead(kept_record), "a kept record is a deleted object")
check_error("was deleted", function() kept_record.mMouseEvent.X = 1 end)
check_eq(toHelper.toKesEvent(kept_light), nil, "the record's address casts to nothing after the call")
OnProcessGameEvent = nil

-- A parent deleted by the tree while a script-kept child points to it.
do
    local parent = kest2d.CKesGUIButton()
    root:AddChildren(parent)
    local image = kest2d.CKesGUIImage()
    image:SetParent(parent)
    check_error("delete: this", parent.delete, parent)
    root:DeleteChildren(parent)
    check_eq(image:GetParent(), nil, "the parent is gone")
    image:OnProcessEvent(press_at(1, 1))
    local ev = kest2d.CKesEvent()
    ev.mEventType = kest2d.KESET_GUI_EVENT
    ev.mGuiEvent.Caller = image
    image = nil
    full_gc()
    check_error("names an element that was deleted", root.OnProcessEvent, root, ev)
    check_eq(ev.mGuiEvent.Caller, nil, "and reads as nil")
    -- Another kind is read without its GUI part.
    ev.mEventType = kest2d.KESET_USER_EVENT
    check(pcall(root.OnProcessEvent, root, ev), "a user event goes, whatever its GUI part names")
end

-- A control moved out of the list of a holder that then goes: its events
-- follow it to the new parent.
do
    local got = 0
    function OnProcessGameEvent(e)
        if toHelper.toKesEvent(e).mEventType == kest2d.KESET_MOUSE_INPUT_EVENT then got = got + 1 end
    end
    local holder = kest2d.CKesGUIImage()
    local moved = kest2d.CKesGUIImage(frame, holder, 8, "moved", rect(0, 0, 20, 20))
    root:AddChildren(moved)
    check(rawequal(moved:GetParent(), root), "the new holder is the parent")
    holder = nil
    full_gc()
    moved:OnProcessEvent(press_at(1, 1))
    check_eq(got, 1, "the press reached the frame through the new parent")
    OnProcessGameEvent = nil
    root:DeleteChildren(moved)
end

-- Fonts that controls draw with survive ClearAllFonts; the others go.
do
    local layout = assert(io.open(GAME_DIR .. "/labels.xml", "wb"))
    layout:write([[<?xml version="1.0" encoding="GBK"?>
<KestControl Type="Container" Name="labels">
  <Propertys>
    <Property Name="Id" Value="60"/><Property Name="Width" Value="300"/><Property Name="Height" Value="100"/>
  </Propertys>
  <Childrens>
    <KestControl Type="StaticText" Name="built-in"><Propertys>
      <Property Name="Id" Value="61"/><Property Name="Width" Value="200"/><Property Name="Height" Value="20"/>
      <Property Name="Text" Value="text"/><Property Name="Size" Value="13"/>
    </Propertys></KestControl>
  </Childrens>
</KestControl>
]])
    layout:close()
    frame:ShowGUIContainer(60, "labels.xml")
    local ticker = root:AddInfoScroller(62, "ticker", rect(0, 200, 200, 220))
    ticker:SetText("news")
    ticker:SetFont(frame:LoadFont("DefaultFont", 18))
    local loose = frame:LoadFont("DefaultFont", 21)
    check(loose ~= nil and ticker:GetFont() ~= nil, "fonts loaded")
    run_frames(50)
    frame:ClearAllFonts()
    run_frames(100)
    check(dead(loose), "a font no control held is freed, and its user data with it")
    check_error("was deleted", function() return loose:getKerningHeight() end)
    check(ticker:GetFont() ~= nil, "the ticker keeps its font")
    check(rawequal(ticker:GetFont(), frame:LoadFont("DefaultFont", 18)), "kept in the registry")
    root:DeleteChildren(ticker)
    root:DeleteChildren(root:FindControlById(60))
    frame:ClearAllFonts()
    run_frames(20)
end

-- The frame's root stays the frame's; the parent chain never loops ------------

local board = root:AddContainer(70, "board", rect(0, 0, 300, 300), nil, true)
local a = board:AddButton(71, "a", rect(0, 0, 10, 10))
local free1, free2 = kest2d.CKesGUIStatic(), kest2d.CKesGUIStatic()
local REFUSED = {
    { "delete the root", function() root:DeleteChildren(root) end, "belongs to the frame" },
    { "adopt the root", function() a:AddChildren(root) end, "belongs to the frame" },
    { "the root its own parent", function() root:SetParent(root) end, "stand above itself" },
    { "a two-step parent loop", function() board:SetParent(a) end, "stand above itself" },
    { "a longer parent loop", function()
        free1:SetParent(free2)
        free2:SetParent(free1)
    end, "stand above itself" },
    { "adopt an ancestor", function() a:AddChildren(board) end, "stand above itself" },
    { "adopt a parent", function() free1:AddChildren(free2) end, "stand above itself" },
    { "adopt itself", function() a:AddChildren(a) end, "stand above itself" },
}
for _, r in ipairs(REFUSED) do check_error(r[3], r[2]) end
check_eq(root:GetParent(), nil, "the root has no parent")
check(rawequal(board:GetParent(), root) and rawequal(a:GetParent(), board), "the parents stand")
a:OnProcessEvent(press_at(1, 1))
check(board:LoadGUIConfig("labels.xml"), "a layout loads over the refused loops")
check(dead(a), "and replaced the board's controls")
root:DeleteChildren(board)

-- Records cast to what they are, or to nothing -------------------------------

local small = assert(io.open(GAME_DIR .. "/small.bin", "wb"))
small:write(string.rep("\0", 16))
small:close()
local big = assert(io.open(GAME_DIR .. "/big.bin", "wb"))
big:write(string.rep("\0", 8192))
big:close()
local made = kest2d.CKesEvent()
local taken = frame:LoadResource("big.bin")  -- a block stands for one record only
local reader = kest2d.CKesMessageIn("\0\1abc", 5)
local function as_type(type_name) return function(v) return tolua.cast(v, type_name) end end
local function as(type_name) return as_type("kest2d::CKesEvent::" .. type_name) end
local CASTS = {
    { "a block too small for a part", as("CKesImeEvent"), frame:LoadResource("small.bin"), false },
    { "a block as a part", as("CKesMouseEvent"), frame:LoadResource("small.bin"), false },
    { "a part as a whole record", toHelper.toKesEvent, made.mMouseEvent, false },
    { "a part as another part", as("CKesGuiEvent"), made.mMouseEvent, false },
    { "a part as itself", as("CKesMouseEvent"), made.mMouseEvent, true },
    { "a value as a part", as("CKesKeyEvent"), rect(0, 0, 1, 1), false },
    { "a block too small for a record", toHelper.toKesEvent, frame:LoadResource("small.bin"), false },
    { "a block big enough", toHelper.toKesEvent, frame:LoadResource("big.bin"), true },
    { "a block as a message", toHelper.toKesMessageIn, frame:LoadResource("big.bin"), false },
    { "a record made by the script", toHelper.toKesEvent, made, true },
    { "a message as an event record", toHelper.toKesEvent, reader, false },
    { "a record as a message", toHelper.toKesMessageIn, made, false },
    { "a message made by the script", toHelper.toKesMessageIn, reader, true },
    { "a value as a record", toHelper.toKesEvent, rect(0, 0, 1, 1), false },
    { "a block as a card", as_type("kest2d::CKesGUIGameCard::GameCard"), taken, true },
    { "the card's block as an event record", toHelper.toKesEvent, taken, false },
    { "the card's block as a card again", as_type("kest2d::CKesGUIGameCard::GameCard"), taken, true },
    { "a block as an array", as_type("kest2d::CKesVector<int>"), frame:LoadResource("big.bin"), false },
    { "a block as a message writer", as_type("kest2d::CKesMessageOut"), frame:LoadResource("big.bin"), false },
    { "a block as a rectangle", as_type("kest2d::CKesRect<int>"), frame:LoadResource("big.bin"), false },
    { "a block as a texture record", as_type("kest2d::KESTexture"), frame:LoadResource("big.bin"), false },
    { "a block as a vertex", as_type("kest2d::KESVertex"), frame:LoadResource("big.bin"), true },
    { "a value in a table as another value", as_type("kest2d::CKesVector<int>"),
      { [".c_instance"] = rect(0, 0, 1, 1) }, false },
    { "a value in a table as itself", as_type("kest2d::CKesRect<int>"), { [".c_instance"] = rect(0, 0, 1, 1) },
      true },
}
for _, c in ipairs(CASTS) do
    check_eq(c[2](c[3]) ~= nil, c[4], c[1])
end
check(rawequal(toHelper.toKesEvent(made), made), "a record is its own cast")
check_eq(made.mMouseEvent.X, 0, "a new record is zeroed")

-- No script code runs in a bound function between its checks and its use --

-- An argument given as a table that stands for an object (".c_instance"),
-- whose lookup ends what the function works on: the object of a setter, the
-- element that an earlier argument lives in, a method's own object. The
-- function meets a deleted object, which is a Lua error.
local function standing_for(object, ends)
    return setmetatable({}, { __index = function(_, k)
        if k ~= ".c_instance" then return nil end
        ends()
        return object
    end })
end
local function pos(x, y) return kest2d.CKesPosition2d_int_(x, y) end
local function size(w, h) return (kest2d.CKesDimension2d_int_(w, h)) end
-- { what, run(b, ends): b a button of the root, ends() deletes it }
local LOOKUPS = {
    { "a setter's object", function(b, ends) b:GetAbsoluteRect().UpperLeftCorner = standing_for(pos(5, 5), ends) end },
    { "a method's earlier argument", function(b, ends)
        root:AddButton(952, "x", b:GetAbsoluteRect(), standing_for(root, ends)) end },
    { "a constructor's earlier argument", function(b, ends)
        kest2d.CKesRect_int_(b:GetAbsoluteRect().UpperLeftCorner, standing_for(size(1, 1), ends)) end },
    { "an owned constructor's earlier argument", function(b, ends)
        kest2d.CKesRect_int_:new(b:GetAbsoluteRect().UpperLeftCorner, standing_for(size(1, 1), ends)) end },
    { "an operator's left operand", function(b, ends) return b:GetAbsoluteRect() + standing_for(pos(1, 1), ends) end },
    { "a method's own object", function(b, ends) b:SetAbsoluteRect(standing_for(rect(0, 0, 5, 5), ends)) end },
}
for _, case in ipairs(LOOKUPS) do
    local b = button_in(root, 9)
    local ok, err = pcall(case[2], b, function() root:DeleteChildren(b) end)
    check(not ok and string.find(tostring(err), "argument #%d is 'deleted "), case[1] .. ": " .. tostring(err))
end

-- Finalisers at each collector step of a call in turn, ending what it
-- works on: a record collected while its GUI part's Caller is set, the
-- element that the rectangle given to a method lives in. Each call works
-- on what lives or ends in a Lua error.
local held = {}
local caller = button_in(root, 10)
local set_caller = rawget(rawget(kest2d.CKesEvent.CKesGuiEvent, ".set"), "Caller")
-- { what, steps, setup, end_, fn }
local ARMED = {
    { "a record's Caller set", 10, function()
        held.record = kest2d.CKesEvent()
        return held.record.mGuiEvent, caller
    end, function() held.record = nil end, set_caller },
    { "a rectangle of an element given to AddButton", 12, function()
        held.b = button_in(root, 11)
        -- The parent is checked as an element, a base of its class.
        return root, 953, "x", held.b:GetAbsoluteRect(), root
    end, function() root:DeleteChildren(held.b) end, rawget(kest2d.CKesBaseGUIContainer, "AddButton") },
}
for _, case in ipairs(ARMED) do
    for n, run in ipairs(at_each_step(case[2], case[3], case[4], case[5])) do
        local ok, err = run.results[1], run.results[2]
        check(ok or string.find(tostring(err), "deleted", 1, true), case[1] .. ", step " .. n .. ": " .. tostring(err))
        if root:FindControlById(953) then root:DeleteChildren(root:FindControlById(953)) end
    end
end

-- What Lua made goes with the state -----------------------------------------

-- Never deleted by the script: freed when the state closes, each once and as
-- what it is (the sanitizers and the leak checker look at the end of the
-- run). { what, make }
local AT_CLOSE = {
    { "a thousand rectangles", function()
        for i = 1, 1000 do kest2d.CKesRect_int_:new(0, 0, i, i) end
    end },
    { "a button, a font, a record and a message", function()
        kest2d.CKesGUIButton:new()
        kest2d.CKesGUITTFont:new(frame)
        kest2d.CKesEvent:new()
        kest2d.CKesMessageOut:new(3)
    end },
    -- Freeing the button ends the controls it holds while the close walks
    -- what the script owns.
    { "a button holding controls, and values made after it", function()
        local holder = kest2d.CKesGUIButton:new()
        for _ = 1, 2000 do holder:AddChildren(kest2d.CKesGUIImage()) end
        for i = 1, 40 do kest2d.CKesColor:new(i) end
    end },
    -- A corner starts where its rectangle does, but is no object of its own:
    -- the collector is never given it.
    { "a rectangle let go by the collector, and its corner", function()
        local r = rect(0, 0, 1, 1)
        check(tolua.releaseownership(r), "the collector lets the rectangle go")
        check_eq(tolua.takeownership(r.UpperLeftCorner), false, "the corner taken by the collector")
    end },
}
for _, case in ipairs(AT_CLOSE) do
    local ok, err = pcall(case[2])
    check(ok, case[1] .. ": " .. tostring(err))
end

-- Constructors at the limit of the C stack, deep in re-entered calls: a
-- collection inside the push of a new object runs out of C stack, and the
-- object it had just made is freed all the same, in the script's own thread
-- or in a coroutine.
local overflows = 0
local function burst()
    for i = 1, 2000 do kest2d.CKesRect_int_:new_local(0, 0, i, i) end
end
local function bursts()
    for _ = 1, 10 do
        local reached = false
        local function deeper()
            local ok, err = pcall(deeper)
            if not ok and not reached then
                reached = true
                burst()
            elseif not ok then
                if string.find(tostring(err), "C stack overflow", 1, true) then overflows = overflows + 1 end
                error(err, 0)
            end
        end
        pcall(deeper)
    end
end
-- { where, run }
local DEEP = {
    { "in the script", bursts },
    { "in a coroutine", function() assert(coroutine.resume(coroutine.create(bursts))) end },
}
for _, deep in ipairs(DEEP) do
    overflows = 0
    deep[2]()
    check(overflows > 0, deep[1] .. ": the bursts ran out of C stack")
end
