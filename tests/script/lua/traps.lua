-- Values at the edges of what the value types and the binding's checks take:
-- each case ends in a Lua error or in a sane result, never in a signal, a
-- sanitizer report or undefined behaviour.
dofile(SCRIPT_DIR .. "/lib/check.lua")
dofile(SCRIPT_DIR .. "/lib/steps.lua")

local frame = kest2d.CKesBaseFrame:getSingleton()
local root = frame.__CKesBaseGUIContainer__
local MIN, MAX = -2147483648, 2147483647
local function rect(l, t, r, b) return kest2d.CKesRect_int_(l, t, r, b) end
local function pos(x, y) return kest2d.CKesPosition2d_int_(x, y) end
local function size(w, h) return (kest2d.CKesDimension2d_int_(w, h)) end
-- The game's layout (drawn from here on) holds an emoticon picker whose page
-- is 1000000 x 1000000.
local f = assert(io.open(GAME_DIR .. "/traps.xml", "wb"))
f:write([[<?xml version="1.0" encoding="GBK"?>
<KestControl Type="Container" Name="traps___"><Propertys>
<Property Name="Id" Value="0"/><Property Name="Width" Value="800"/><Property Name="Height" Value="600"/>
<Property Name="Visible" Value="1"/><Property Name="Enable" Value="1"/></Propertys><Childrens>
<KestControl Type="BiaoQingCtl" Name="faces___"><Propertys>
<Property Name="Id" Value="961"/><Property Name="StartX" Value="400"/><Property Name="StartY" Value="0"/>
<Property Name="Width" Value="300"/><Property Name="Height" Value="200"/><Property Name="Visible" Value="1"/>
<Property Name="Enable" Value="1"/><Property Name="pagesize" Value="1000000;1000000"/></Propertys></KestControl>
</Childrens></KestControl>]])
f:close()
check(frame:LoadGUIConfig("traps.xml"), "layout loaded")
-- A slider with pictures, loaded below under a container at the end of int.
local picture = assert(io.open(GAME_DIR .. "/traps.ppm", "wb"))
picture:write("P6\n8 8\n255\n" .. string.rep("\200\200\200", 64))
picture:close()
f = assert(io.open(GAME_DIR .. "/slider.xml", "wb"))
f:write([[<?xml version="1.0" encoding="GBK"?>
<KestControl Type="Container" Name="slider___"><Propertys><Property Name="Visible" Value="1"/>
<Property Name="Enable" Value="1"/></Propertys><Childrens>
<KestControl Type="DragControl" Name="slider___"><Propertys>
<Property Name="Id" Value="962"/><Property Name="StartX" Value="20"/><Property Name="StartY" Value="20"/>
<Property Name="Width" Value="7"/><Property Name="Height" Value="7"/><Property Name="Visible" Value="1"/>
<Property Name="Enable" Value="1"/><Property Name="dragbgimgone" Value="traps.ppm"/>
<Property Name="dragbgimgtwo" Value="traps.ppm"/><Property Name="dragbgimgthree" Value="traps.ppm"/>
<Property Name="background" Value="traps.ppm"/><Property Name="process" Value="50"/></Propertys></KestControl>
</Childrens></KestControl>]])
f:close()
-- A container that ShowGUIContainer places.
f = assert(io.open(GAME_DIR .. "/snapped.xml", "wb"))
f:write([[<?xml version="1.0" encoding="GBK"?>
<KestControl Type="Container" Name="snapped___"><Propertys>
<Property Name="Id" Value="955"/><Property Name="StartX" Value="30"/><Property Name="StartY" Value="40"/>
<Property Name="Width" Value="100"/><Property Name="Height" Value="50"/><Property Name="Visible" Value="1"/>
<Property Name="Enable" Value="1"/></Propertys></KestControl>]])
f:close()
local board = root:AddContainer(950, "traps", rect(0, 0, 400, 300), nil, true)

-- Each case: a call and either the text of the Lua error it raises or the
-- values it must return.
local function err(text) return { error = text } end
local function gives(...) return { values = { ... }, n = select("#", ...) } end

local empty = kest2d.CKesVector_int_()
local one = kest2d.CKesVector_double_()
one:push_back(5)
local three = kest2d.CKesVector_int_()
for i = 10, 12 do three:push_back(i) end
local msg = kest2d.CKesMessageIn("\0\1", 2)
local button = board:AddButton(1, "button", rect(0, 0, 50, 20))
local label = board:AddStaticText(2, "label", rect(0, 30, 50, 50))
local hand = board:AddGameCard(3, "hand", rect(0, 60, 200, 120))

local CASES = {
    -- An array index is truncated toward zero, as every int is, and then
    -- lies from 0 to size - 1.
    { "empty[-0.5]", function() return empty[-0.5] end, err("out of range in function '.geti'") },
    { "empty[0]", function() return empty[0] end, err("out of range in function '.geti'") },
    { "one[0/0]", function() return one[0 / 0] end, err("out of range in function '.geti'") },
    { "one[0/0] = 1", function() one[0 / 0] = 1 end, err("out of range in function '.seti'") },
    { "one[1/0] = 1", function() one[1 / 0] = 1 end, err("out of range in function '.seti'") },
    { "one[-1]", function() return one[-1] end, err("index -1 out of range in function '.geti'") },
    { "three[3.5]", function() return three[3.5] end, err("index 3.5 out of range in function '.geti'") },
    { "one[0]", function() return one[0] end, gives(5) },
    { "one[0.5]", function() return one[0.5] end, gives(5) },
    { "one[-0.5]", function() return one[-0.5] end, gives(5) },
    { "three[3 / 2]", function() return three[3 / 2] end, gives(11) },
    { "three[2.9] = 7", function() three[2.9] = 7; return three[2] end, gives(7) },
    { "three[-0.9] = 4", function() three[-0.9] = 4; return three[0], three[1] end, gives(4, 11) },

    -- An integer size is never divided by 0; other quotients stay inside int.
    { "size / 0", function() return size(4, 4) / 0 end, err("division of a size by 0") },
    { "size / 0.5", function() return size(4, 4) / 0.5 end, err("division of a size by 0") },
    { "size / nan", function() return size(4, 4) / (0 / 0) end, err("division of a size by 0") },
    { "MIN / -1", function() local q = size(MIN, 7) / -1; return q.Width, q.Height end, gives(MAX, -7) },
    { "size / 1e300", function() local q = size(MAX, 7) / 1e300; return q.Width, q.Height end, gives(1, 0) },
    { "double size / 0", function() return (kest2d.CKesDimension2d_double_(4, 4) / 0).Width end, gives(1 / 0) },
    { "size * 4", function() local p = size(MAX, MIN) * 4; return p.Width, p.Height end, gives(MAX, MIN) },
    { "size area", function() return size(MAX, MAX):getArea() end, gives(MAX) },

    -- Widths, heights, areas, centres and moves are held inside int.
    { "width", function() return rect(MIN, 0, MAX, 10):getWidth() end, gives(MAX) },
    { "height", function() return rect(0, MAX, 10, MIN):getHeight() end, gives(MIN) },
    { "area", function() return rect(MIN, MIN, MAX, MAX):getArea() end, gives(MAX) },
    { "centre", function() local c = rect(MIN, MIN, MAX, MAX):getCenter(); return c.X, c.Y end, gives(0, 0) },
    { "size of", function() local s = rect(MIN, 0, MAX, 1):getSize(); return s.Width, s.Height end, gives(MAX, 1) },
    { "rect + p", function() local r = rect(0, 0, MAX, MAX) + pos(MAX, MIN)
        return r.UpperLeftCorner.X, r.LowerRightCorner.X, r.LowerRightCorner.Y end, gives(MAX, MAX, -1) },
    { "rect - p", function() return (rect(MIN, 0, 0, 0) - pos(1, 0)).UpperLeftCorner.X end, gives(MIN) },
    { "pos + size", function() return (pos(MAX, 0) + size(1, 0)).X end, gives(MAX) },
    { "pos * pos", function() local p = pos(MAX, MIN) * pos(2, 2); return p.X, p.Y end, gives(MAX, MIN) },
    { "rect(pos, size)", function() return kest2d.CKesRect_int_(pos(MAX, 0), size(MAX, 0)).LowerRightCorner.X end,
      gives(MAX) },
    { "constrainTo", function() local r = rect(MAX - 10, 0, MAX, 10)
        local fits = r:constrainTo(rect(MIN, MIN, MIN + 20, MAX))
        return fits, r.UpperLeftCorner.X, r.LowerRightCorner.X end, gives(true, MIN + 10, MIN + 20) },
    { "constrainTo wide", function() return rect(MIN, 0, MAX, 1):constrainTo(rect(-1, 0, MAX, 1)) end,
      gives(false) },

    -- A number becomes an integer by its whole part, NaN as 0: an int is held
    -- at its ends, an unsigned number keeps its low 32 bits.
    { "int arguments", function() local r = rect(1e20, -1e300, 0 / 0, -1 / 0)
        return r.UpperLeftCorner.X, r.UpperLeftCorner.Y, r.LowerRightCorner.X, r.LowerRightCorner.Y end,
      gives(MAX, MIN, 0, MIN) },
    { "int fields", function() local p = pos(0, 0); p.X, p.Y = 1 / 0, -2.5; return p.X, p.Y end, gives(MAX, -2) },
    { "unsigned arguments", function() local c = kest2d.CKesColor(-1, 2 ^ 32 + 7, 0 / 0, 1e300)
        return c:getAlpha(), c:getRed(), c:getGreen(), c:getBlue() end, gives(255, 7, 0, 0) },
    { "array elements", function()
        local v, c = kest2d.CKesVector_int_(), kest2d.CKesVector_char_()
        v:push_back(0); c:push_back(0)
        v[0], c[0] = 1e20, 0 / 0
        return v[0], c[0] end, gives(MAX, 0) },

    -- An enumeration argument is an int, as any int argument, and goes on as
    -- it is, one of the constants or not; only a log level below 0 is
    -- refused.
    { "log level -1", function() kest2d.CKesLogger:output("x", -1) end, err("kest2d::Level of 0 or more expected") },
    { "SystemLog level -1", function() frame:SystemLog(-1, "x") end, err("Level of 0 or more expected") },
    { "levels above the threshold", function()
        kest2d.CKesLogger:setLogFile("traps.log")
        frame:SystemLog(5, "dropped 5")
        kest2d.CKesLogger:output("dropped 6", 6)
        frame:SystemLog(2 ^ 40, "dropped far")
        frame:SystemLog(kest2d.WARN + 0.9, "kept 2.9")
        local log = assert(io.open(GAME_DIR .. "/traps.log", "rb"))
        local text = log:read("*a")
        log:close()
        return string.find(text, "dropped", 1, true) ~= nil, string.find(text, "kept 2.9", 1, true) ~= nil end,
      gives(false, true) },
    { "net states", function()
        local states = {}
        function OnProcessGameNetwork(state) states[#states + 1] = state end
        frame:OnProcessNetMessage(7, msg)
        frame:OnProcessNetMessage(-1, msg)
        OnProcessGameNetwork = nil
        return states[1], states[2] end, gives(7, -1) },
    -- A message holds at most 2^31 bytes: a longer field is a Lua error that
    -- says so, and the message keeps what it had.
    { "writeString of 2^31 - 1 bytes", function()
        local m = kest2d.CKesMessageOut(7)
        local ok, e = pcall(m.writeString, m, "abc", 2 ^ 31 - 1)
        return ok, e, m:getLength() end,
      gives(false, "writeString: a field of 2147483647 bytes does not fit: the message holds 2 bytes and at most 2147483648",
            2) },
    { "GetType", function() return button:GetType() end, gives(KESGUI_BUTTON) },
    { "SetType 20", function() label:SetType(KESGUI_COUNT); return label:GetType() end, gives(KESGUI_COUNT) },
    { "SetType of the game's own", function()
        local kinds = {}
        for _, kind in ipairs({ 100, -5, 2 ^ 40, 7.9 }) do
            button:SetType(kind)
            kinds[#kinds + 1] = button:GetType()
        end
        return unpack(kinds) end, gives(100, -5, MAX, 7) },
    { "a container of a kind of its own", function()
        local box = board:AddContainer(951, "tagged", rect(0, 200, 100, 250), nil, false)
        box:SetType(100)
        box:SaveGUIConfig("tagged.xml")
        root:ShowControlById(951, true)
        run_frames(20)
        local saved = io.open(GAME_DIR .. "/tagged.xml", "rb")
        if saved then saved:close() end
        return rawequal(tolua.cast(box, "kest2d::CKesBaseGUIContainer"), box), saved ~= nil, box:isVisible(),
            box:GetType() end, gives(true, true, true, 100) },
    { "SetState 99", function() button:SetState(99); run_frames(20); return button:GetState() end, gives(99) },
    { "snap 4 keeps the position", function()
        frame:ShowGUIContainer(955, "snapped.xml", 4)
        local c = root:FindControlById(955)
        local at = c:GetAbsoluteRect().UpperLeftCorner
        local x, y = at.X, at.Y
        frame:ShowGUIContainer(955, "snapped.xml")
        local centred = at.X
        frame:ShowGUIContainer(955, "snapped.xml", -3)
        frame:ShowGUIContainer(955, "snapped.xml", 2 ^ 40, false)
        return x, y, centred ~= x, at.X == centred, c:isVisible() end, gives(30, 40, true, true, false) },
    { "card direction and snap", function()
        local cards = kest2d.CKesVector_int_()
        for _, card in ipairs({ 0x11, 0x23, 0x35 }) do cards:push_back(card) end
        hand:SetCardData(cards)
        hand:SetCardDirection(2)
        hand:SetSnapType(7)
        run_frames(20)
        return hand:GetCardDirection(), hand:GetSnapType() end, gives(2, 7) },
    { "clock snap, ticker and radio directions", function()
        local clock = board:AddGameClock(6, "clock", rect(100, 0, 200, 20))
        clock:SetClockNumImg(frame:LoadTexture("traps.ppm"))
        clock:SetClockNum(42)
        clock:SetSnapType(-9)
        local ticker = board:AddInfoScroller(7, "ticker", rect(100, 30, 200, 50))
        ticker:SetFont(frame:LoadFont("DefaultFont", 12))
        ticker:SetText("ticker")
        ticker:SetInfoScrType(5)
        local radio = board:AddMultiButton(8, "radio", rect(100, 60, 200, 80))
        radio:SetDirection(3)
        radio:AddButton("traps.ppm")
        run_frames(100)
        return clock:GetSnapType(), ticker:GetInfoScrType(), radio:GetDirection() end, gives(-9, 5, 3) },
    { "unknown hand type", function() return hand:GetCardTypeCount(99) end, gives(0) },

    -- Finalisers called by hand.
    { "__gc(nil)", function() return getmetatable(kest2d.CKesColor(1)).__gc(nil) end, gives() },
    { "collector by hand", function() return kest2d.CKesColor[".collector"](kest2d.CKesRect_int_()) end,
      err("a collector runs only when Lua collects its object") },
    { "__gc by hand", function() local c = kest2d.CKesColor(1); getmetatable(c).__gc(c); return c:getRed() end,
      err("was deleted") },
    { "__gc of a kept font", function()
        local font = kest2d.CKesGUITTFont(frame)
        board:AddInfoScroller(4, "ticker", rect(0, 130, 100, 150)):SetFont(font)
        getmetatable(font).__gc(font)
        return font:getKerningHeight() end, gives(0) },

    -- Finalisers of the script's own (newproxy) that keep or read engine
    -- objects: the collector lets such objects go from its weak tables before
    -- the finalisers run, and what a finaliser kept dies with its object all
    -- the same.
    { "a finaliser keeps an element", function()
        local kept
        do
            local el = board:AddButton(20, "kept", rect(0, 190, 20, 200))
            getmetatable(newproxy(true)).__gc = function() kept = el end
        end
        collectgarbage("collect")
        board:DeleteChildren(board:FindControlById(20))
        return kept:GetID() end, err("was deleted") },
    { "a finaliser reads an element deleted between the collector's steps", function()
        local seen, read = setmetatable({}, { __mode = "v" }), nil
        do
            local el = board:AddButton(21, "read", rect(0, 190, 20, 200))
            seen[1] = el
            getmetatable(newproxy(true)).__gc = function() read = { pcall(function() return el:GetID() end) } end
        end
        -- Until the collector's atomic step has let the element go from the
        -- weak tables; its finaliser runs some steps later.
        repeat collectgarbage("step", 0) until seen[1] == nil
        local between = read == nil
        board:DeleteChildren(board:FindControlById(21))
        repeat collectgarbage("step", 0) until read
        return between, read[1], string.find(tostring(read[2]), "was deleted", 1, true) ~= nil end,
      gives(true, false, true) },
    { "a finaliser keeps a collected value", function()
        local kept
        do
            local colour = kest2d.CKesColor(1)
            getmetatable(newproxy(true)).__gc = function() kept = colour end
        end
        collectgarbage("collect")
        return kept:getRed() end, err("was deleted") },

    -- The runtime's own functions called by hand.
    { "__index({})", function() return kest2d.CKesRect_int_.__index({}) end, err("__index takes 2 arguments, not 1") },
    { "__newindex({})", function() kest2d.CKesRect_int_.__newindex({}) end, err("__newindex takes 3 arguments") },
    { "__newindex({}, 1)", function() kest2d.CKesRect_int_.__newindex({}, 1) end,
      err("__newindex takes 3 arguments") },
    { "__index({}, k)", function() return kest2d.CKesRect_int_.__index({}, "k") end, gives(nil) },
    { "__index of a proxy", function() return kest2d.CKesColor.__index(newproxy(), "k") end,
      err("no object of the engine") },
    { "__add(color)", function() return kest2d.CKesColor.__add(kest2d.CKesColor(1)) end, err("__add takes 2") },
    { "__eq of two objects", function() return kest2d.CKesColor.__eq(kest2d.CKesColor(1), kest2d.CKesColor(1)) end,
      gives(true) },
    { "a getter of another class", function()
        return getmetatable(rect(0, 0, 1, 1))[".get"].UpperLeftCorner(kest2d.CKesColor(1)) end,
      err("invalid 'self' in accessing variable 'UpperLeftCorner'.") },
    { "a setter of a table holding another class", function()
        getmetatable(rect(0, 0, 1, 1))[".set"].LowerRightCorner({ [".c_instance"] = kest2d.CKesColor(1) }, pos(1, 2))
    end, err("invalid 'self' in accessing variable 'LowerRightCorner'.") },
    { "a getter of a proxy", function() return getmetatable(pos(0, 0))[".get"].X(newproxy()) end,
      err("invalid 'self' in accessing variable 'X'.") },
    { "tolua.inherit()", function() tolua.inherit() end, err("table expected") },
    { "tolua.setpeer(rect, 5)", function() tolua.setpeer(rect(0, 0, 1, 1), 5) end, err("table expected") },
    { "tolua.setpeer(rect, nil)", function() local r = rect(0, 0, 3, 1); tolua.setpeer(r, nil); return r:getWidth() end,
      gives(3) },
    -- A peer is an environment: only the binding's objects have one of its
    -- making (a file's holds the function that closes it).
    { "tolua.getpeer()", function() return tolua.getpeer() end, err("an object of the engine expected, got nil") },
    { "tolua.setpeer(file, {})", function() local f = io.tmpfile(); local ok, e = pcall(tolua.setpeer, f, {})
        f:close(); error(e, 0) end, err("tolua.setpeer: an object of the engine expected, got userdata") },
    { "tolua.setpeer(io.stdout, {})", function() tolua.setpeer(io.stdout, {}) end, err("an object of the engine") },
    { "tolua.getpeer(io.stdout)", function() return tolua.getpeer(io.stdout) end, err("an object of the engine") },
    { "tolua.setpeer(proxy, {})", function() tolua.setpeer(newproxy(), {}) end, err("an object of the engine") },
    { "tolua.type()", function() return tolua.type() end, gives("nil") },
    { "tolua.releaseownership(proxy)", function() return tolua.releaseownership(newproxy()) end, gives(false) },
    { "tolua.takeownership(proxy)", function() return tolua.takeownership(newproxy()) end, gives(false) },

    -- Casts by the object's real class; the frame's bases at their own place.
    { "button as label", function() return toHelper.toKesGUIStatic(button) end, gives(nil) },
    { "label as label", function() return toHelper.toKesGUIStatic(label) == label end, gives(true) },
    { "buffer as label", function() return toHelper.toKesGUIStatic(frame:LoadResource("traps.xml")) end,
      gives(nil) },
    { "frame as container", function()
        local c = tolua.cast(frame, "kest2d::CKesBaseGUIContainer")
        c:SetCaption("framed")
        return rawequal(c, root), root:GetCaption() end, gives(true, "framed") },
}

-- The picker draws; a page of MAX x MAX too.
CASES[#CASES + 1] = { "picker page", function()
    local picker = toHelper.toKesGUIBiqoQing(root:FindControlById(961))
    local before = picker:GetPageSize().Width
    run_frames(50)
    picker:SetPageSize(size(MAX, MAX))
    run_frames(50)
    return before, picker:GetPageSize().Height end, gives(1000000, MAX) }

-- Texture parts, texture sizes, font sizes and kernings at the ends of int:
-- a part outside the texture is no lock, a size beyond the largest texture
-- makes none, and text is measured and drawn inside int.
local small = frame:CreateTexture("t", 2, 3)
for _, lock in ipairs({ { MAX, 0, 10, 1 }, { 0, MAX, 1, MAX }, { MIN, 0, MAX, 1 }, { 1, 2, MIN, MIN } }) do
    CASES[#CASES + 1] = { "LockTexture " .. table.concat(lock, ", "), function()
        return frame:LockTexture(small, false, lock[1], lock[2], lock[3], lock[4]) end, gives(nil) }
end
CASES[#CASES + 1] = { "LockTexture inside", function()
    local part = frame:LockTexture(small, false, 1, 2, 1, 1)
    frame:UnLockTexture(small)
    return type(part) end, gives("userdata") }
CASES[#CASES + 1] = { "CreateTexture at the ends", function()
    return frame:GetTextureWidth(frame:CreateTexture("far", MAX, MAX)),
        frame:GetTextureWidth(frame:CreateTexture("far", MIN, 1)) end, gives(0, 0) }
CASES[#CASES + 1] = { "text at the ends", function()
    local function tt(size) return tolua.cast(frame:LoadFont("DefaultFont", size), "kest2d::CKesGUITTFont") end
    local huge, tiny = tt(MAX), tt(MIN)
    huge:setKerningWidth(MAX)
    tiny:setKerningWidth(MIN)
    for i, font in ipairs({ huge, tiny }) do
        local ticker = board:AddInfoScroller(10 + i, "far", rect(MIN, MIN, MAX, MAX))
        ticker:SetFont(font)
        ticker:SetText("ab\r\ncd")
    end
    run_frames(50)
    local big, small = huge:getTextDimension("ab\ncd"), tiny:getTextDimension("ab")
    return big.Width, big.Height, small.Width, small.Height end, gives(MAX, MAX, 0, MIN) }

-- A block of bytes taken as an event record is made a valid one: its flags
-- read as set or not and its texts end inside their fields, for the script
-- and for the element it is handed to.
f = assert(io.open(GAME_DIR .. "/bytes.bin", "wb"))
f:write(string.rep("A", 8192))
f:close()
CASES[#CASES + 1] = { "a block as a record", function()
    local ev = toHelper.toKesEvent(frame:LoadResource("bytes.bin"))
    for _, kind in ipairs({ kest2d.KESET_KEY_INPUT_EVENT, kest2d.KESET_IME_EVENT }) do
        ev.mEventType = kind
        board:AddEditorBox(5, "edit", rect(0, 160, 100, 180)):OnProcessEvent(ev)
    end
    return #ev.mImeEvent.inputStr, ev.mKeyEvent.isShift, #ev.mUpdateEvnet.filename end, gives(1023, true, 1023) }
-- A receiver reads only the part that a record's kind names: a block taken as
-- a mouse press or a user event goes whatever its GUI part holds, which
-- names no element; taken as a GUI event it is refused.
f = assert(io.open(GAME_DIR .. "/press.bin", "wb"))
f:write(string.rep("B", 8192))
f:close()
CASES[#CASES + 1] = { "a block as a press and a user event", function()
    local ev = toHelper.toKesEvent(frame:LoadResource("press.bin"))
    local pad = board:AddContainer(952, "pad", rect(200, 200, 300, 250), nil, true)
    local kinds = {}
    function OnProcessGameEvent(e) kinds[#kinds + 1] = toHelper.toKesEvent(e).mEventType end
    ev.mEventType = kest2d.KESET_MOUSE_INPUT_EVENT
    -- A press, a move and a release drag the container by (20, 5).
    for _, step in ipairs({ { kest2d.KESMIE_LMOUSE_PRESSED_DOWN, 210, 210 }, { kest2d.KESMIE_MOUSE_MOVED, 230, 215 },
                            { kest2d.KESMIE_LMOUSE_LEFT_UP, 230, 215 } }) do
        ev.mMouseEvent.EventType, ev.mMouseEvent.X, ev.mMouseEvent.Y = step[1], step[2], step[3]
        pad:OnProcessEvent(ev)
    end
    ev.mEventType = kest2d.KESET_USER_EVENT
    pad:OnProcessEvent(ev)
    OnProcessGameEvent = nil
    local caller = ev.mGuiEvent.Caller
    ev.mEventType = kest2d.KESET_GUI_EVENT
    local refused = not pcall(pad.OnProcessEvent, pad, ev)
    local at = pad:GetAbsoluteRect().UpperLeftCorner
    return at.X, at.Y, table.concat(kinds, ","), caller, refused end, gives(220, 205, "1,1,1,6", nil, true) }

-- The slider places its thumb, on loading and after, and reads a press
-- inside int (squeezed to no width at the end of int, it reads 0).
CASES[#CASES + 1] = { "slider at the limit", function()
    local far = board:AddContainer(970, "far", rect(MAX - 10, MAX - 10, MAX, MAX), nil, true)
    local inner = far:AddContainer(971, "inner", rect(0, 0, 1, 1), nil, true)
    inner:LoadGUIConfig("slider.xml")
    local slider = toHelper.toKesGUIDragControl(inner:FindControlById(962))
    slider:SetCurrentProcess(100)
    local press = kest2d.CKesEvent()
    press.mEventType = kest2d.KESET_MOUSE_INPUT_EVENT
    press.mMouseEvent.EventType = kest2d.KESMIE_LMOUSE_PRESSED_DOWN
    press.mMouseEvent.X, press.mMouseEvent.Y = MAX, MAX
    slider:OnProcessEvent(press)
    run_frames(20)
    return slider:GetAbsoluteRect().UpperLeftCorner.X, slider:GetCurrentProcess() end, gives(MAX, 0) }

-- An element's user data typed as the base element (found by id while
-- no other user data of it lives): a bound function called on it checks
-- its argument without a collector step.
local function as_base_element(id)
    collectgarbage("collect")
    return board:FindControlById(id)
end

-- The finaliser runs while the call hands out an object (ended inside the
-- push: nil, never a user data of freed memory) or its text (copied before
-- anything can end it); ran inside the call and the call succeeded: the
-- window was hit.
local function windows(runs, result_ok)
    local hits = 0
    for _, run in ipairs(runs) do
        local ok, r = run.results[1], run.results[2]
        if run.inside and ok then hits = hits + 1 end
        if ok and not result_ok(r, run.inside) then return false, "run " .. _ .. " gave " .. tostring(r) end
    end
    return hits > 0, hits
end
local function deleted(r, read) return not pcall(read, r) end

CASES[#CASES + 1] = { "a finaliser deletes the element being pushed", function()
    local holder
    local runs = at_each_step(12, function()
        local box = board:AddContainer(43, "box", rect(0, 190, 40, 200), nil, false)
        box:AddButton(40, "pushed", rect(0, 0, 10, 10))
        box = nil
        holder = as_base_element(43)
        return holder, 40
    end, function(h) h:DeleteChildren(h:FindControlById(40)) end, rawget(kest2d.CKesBaseGUIElement, "FindControlById"))
    board:DeleteChildren(holder)
    return windows(runs, function(r, inside)
        return r == nil or (deleted(r, function() return r:GetID() end) and not inside) end) end, gives(true) }
CASES[#CASES + 1] = { "a finaliser deletes the owner of a value being pushed", function()
    local runs = at_each_step(12, function()
        board:AddButton(41, "owner", rect(0, 190, 20, 200))
        return as_base_element(41)
    end, function(el) board:DeleteChildren(el) end, rawget(kest2d.CKesBaseGUIElement, "GetAbsoluteRect"))
    return windows(runs, function(r, inside)
        return r == nil or (deleted(r, function() return r.UpperLeftCorner.X end) and not inside) end) end,
    gives(true) }
CASES[#CASES + 1] = { "a finaliser renames the ini file whose name is being returned", function()
    local before, named = frame:Ini_GetFile(), nil
    local runs = at_each_step(8, function()
        frame:Ini_SetFile("an ini file of some length.ini")
        named = frame:Ini_GetFile()
        return frame
    end, function() frame:Ini_SetFile(string.rep("renamed ", 40)) end, rawget(kest2d.CKesBaseFrame, "Ini_GetFile"))
    frame:Ini_SetFile(before)
    return windows(runs, function(r, inside)
        return r == named or (not inside and string.find(r, "renamed renamed", 1, true) ~= nil) end) end,
    gives(true) }
CASES[#CASES + 1] = { "a record is collected while its text is being returned", function()
    local held = {}
    local ime = kest2d.CKesEvent().mImeEvent
    local getter = rawget(rawget(getmetatable(ime), ".get"), "inputStr")
    local runs = at_each_step(8, function()
        held.record = kest2d.CKesEvent()
        held.record.mImeEvent.inputStr = "typed by the player"
        return held.record.mImeEvent
    end, function() held.record = nil end, getter)
    return windows(runs, function(r) return r == "typed by the player" end) end, gives(true) }
CASES[#CASES + 1] = { "a finaliser deletes the writer whose data is being returned", function()
    local writer, data
    local runs = at_each_step(8, function()
        writer = kest2d.CKesMessageOut:new(0x4142)
        for _ = 1, 40 do writer:writeByte(0x61) end
        data = writer:getData()
        return writer
    end, function(w) w:delete() end, rawget(kest2d.CKesMessageOut, "getData"))
    return windows(runs, function(r) return r == data end), #data > 20 end, gives(true, true) }
-- A number given for a text becomes its text without a collector step: a
-- finaliser never runs while the call holds its object.
CASES[#CASES + 1] = { "a finaliser deletes the element whose text argument is a number", function()
    local runs = at_each_step(8, function()
        board:AddStaticText(42, "label", rect(0, 190, 20, 200))
        return as_base_element(42), 12345
    end, function(el) board:DeleteChildren(el) end, rawget(kest2d.CKesBaseGUIElement, "SetCaption"))
    local inside, failed = 0, 0
    for _, run in ipairs(runs) do
        if run.inside then inside = inside + 1 end
        if not run.results[1] then failed = failed + 1 end
    end
    return inside, failed end, gives(0, 0) }

-- tolua.takeownership and releaseownership move an object between Lua's two
-- tables of what it owns; a finaliser's error at any collector step during
-- the move (raised out of the call) leaves it in exactly one of them.
CASES[#CASES + 1] = { "a finaliser raises while an object changes owner", function()
    local moved, broken, objects = 0, 0, {}
    for _, move in ipairs({ tolua.takeownership, tolua.releaseownership }) do
        for n = 1, 6 do
            local p = kest2d.CKesPosition2d_int_:new(1, 2)
            objects[#objects + 1] = p
            if move == tolua.releaseownership then tolua.takeownership(p) end
            full_gc()
            local before = live_count()
            local pause, mul = collectgarbage("setpause", 0), collectgarbage("setstepmul", 100000000)
            collectgarbage("collect")
            local done
            arm(n, function() done = true; error("a finaliser's error", 0) end)
            local ok, result = pcall(move, p)
            collectgarbage("setpause", pause)
            collectgarbage("setstepmul", mul)
            while not done do pcall(collectgarbage, "collect") end
            if live_count() ~= before then broken = broken + 1 end
            if not ok and result == "a finaliser's error" and tolua.takeownership(p) == (move ~= tolua.takeownership) then
                moved = moved + 1
            end
        end
    end
    return broken, moved > 0 end, gives(0, true) }

for _, case in ipairs(CASES) do
    local name, call, want = case[1], case[2], case[3]
    local results = { pcall(call) }
    if want.error then
        check(not results[1], name .. ": expected an error, the call succeeded")
        check(string.find(tostring(results[2]), want.error, 1, true), name .. ": " .. tostring(results[2]))
    else
        check(results[1], name .. ": " .. tostring(results[2]))
        for i = 1, want.n do check_eq(results[i + 1], want.values[i], name .. " result " .. i) end
    end
end
root:DeleteChildren(board)
run_frames(20)
print("traps: " .. #CASES .. " cases")
