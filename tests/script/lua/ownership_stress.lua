-- Ownership under random use: 10,000 seeded steps of make, hand to a
-- control, take back, delete, drop, collect and draw over every class that a
-- script can make. Nothing may touch freed memory (the sanitizers watch),
-- and at the end every object that Lua owned is gone again.
dofile(SCRIPT_DIR .. "/lib/check.lua")

local frame = kest2d.CKesBaseFrame:getSingleton()
local root = frame.__CKesBaseGUIContainer__
local function rect(l, t, r, b) return kest2d.CKesRect_int_(l, t, r, b) end

-- A fixed generator, the same on every platform.
local seed = 20261209
local function rand(n)
    seed = seed * 16807 % 2147483647
    return math.floor(seed / 2147483647 * n) + 1
end

full_gc()
local start = live_count()

local board = root:AddContainer(901, "stress", rect(0, 0, 600, 400), nil, true)
local ticker = board:AddInfoScroller(1, "ticker", rect(0, 0, 300, 20))
ticker:SetText("stress")
local hand = board:AddGameCard(2, "hand", rect(0, 30, 300, 120))
local label = board:AddStaticText(3, "label", rect(0, 130, 100, 150))
local area = board:AddTextarea(4, "area", rect(0, 160, 200, 260))
local keeper = kest2d.CKesGUIImage:new(frame, board, 5, "keeper", rect(0, 270, 40, 310))

local function ctor(class, ...)
    local args = { ... }
    return {
        function() return class:new(unpack(args)) end,
        function() return class:new_local(unpack(args)) end,
        function() return class(unpack(args)) end,
    }
end
local function element(class)
    local list = ctor(class)
    local inside = ctor(class, frame, board, 0, "made", rect(300, 300, 340, 340))
    for _, f in ipairs(inside) do list[#list + 1] = f end
    return list
end

-- class -> { constructors, hand it over, take it back, a use }
local CLASSES = {
    { ctor(kest2d.CKesColor, 255, 1, 2, 3), function(o) label:SetColor(o) end, nil, function(o) return o:getRed() end },
    { ctor(kest2d.CKesDimension2d_int_, 3, 4), function(o) hand:GetCardData() end, nil, function(o) return o:getArea() end },
    { ctor(kest2d.CKesDimension2d_double_, 3, 4), nil, nil, function(o) return o.Width end },
    { ctor(kest2d.CKesPosition2d_int_, 1, 2), function(o) keeper:Move(o) end, nil, function(o) return o.X end },
    { ctor(kest2d.CKesPosition2d_double_, 1, 2), nil, nil, function(o) return o.Y end },
    { ctor(kest2d.CKesRect_int_, 0, 0, 5, 5), function(o) keeper:SetClippingRect(o) end, nil,
      function(o) return o:getCenter().X end },
    { ctor(kest2d.CKesRect_double_, 0, 0, 5, 5), nil, nil, function(o) return o:getWidth() end },
    { ctor(kest2d.CKesVector_int_), function(o) o:push_back(19); hand:SetCardData(o) end, nil,
      function(o) o:push_back(3); return o:size() end },
    { ctor(kest2d.CKesVector_double_), nil, nil, function(o) o:push_back(1.5); return o:size() end },
    { ctor(kest2d.CKesVector_char_), nil, nil, function(o) o:push_back(65); return o:size() end },
    { ctor(kest2d.CKesVector3, 1, 2, 3), nil, nil, function(o) o:normalize(); return o.x end },
    { ctor(kest2d.CKesMessageIn, "\0\1abc", 5), nil, nil, function(o) return o:readByte() end },
    { ctor(kest2d.CKesMessageOut, 7), function(o) frame:Send(o) end, nil, function(o) o:writeByte(1); return o:getLength() end },
    { ctor(kest2d.CKesGUITTFont, frame), function(o) ticker:SetFont(o) end, function() ticker:SetFont(nil) end,
      function(o) return o:getKerningHeight() end },
    { ctor(kest2d.CKesGUITextarea.RowStruct), function(o) area:AddString(o.text, o.color) end, nil,
      function(o) return o.text end },
    { element(kest2d.CKesGUIImage), function(o) keeper:SetParent(o) end, function() keeper:SetParent(board) end,
      function(o) return o:GetID() end },
    { element(kest2d.CKesGUIButton), function(o) board:AddChildren(o) end, nil, function(o) return o:GetText() end },
    { element(kest2d.CKesGUIEditorBox), function(o) keeper:SetParent(o) end, function() keeper:SetParent(board) end,
      function(o) return o:GetText() end },
    { element(kest2d.CKesGUIStatic), function(o) board:AddChildren(o) end, nil, function(o) return o:GetText() end },
    { element(kest2d.CKesGUIVideo), function(o) board:AddChildren(o) end, nil, function(o) return o:GetVideoPath() end },
}

local pool, counts = {}, { make = 0, hand = 0, back = 0, delete = 0, refused = 0, dead = 0, drop = 0 }
local POOL = 40

local function dead(o) return tolua.type(o):sub(1, 8) == "deleted " end

-- An object that its script made with new is deleted before the script
-- drops it, or handed to the collector where its class has no delete; one
-- that an engine object still keeps stays. The GUI tree deletes its own.
local function release(slot)
    local p = pool[slot]
    if p and p.new and not dead(p.obj) then
        if p.obj.delete then
            local ok, err = pcall(p.obj.delete, p.obj)
            if not ok and string.find(err, "still kept", 1, true) then return false end
        else
            check(tolua.takeownership(p.obj), "the collector takes what the script made")
        end
    end
    pool[slot] = nil
    return true
end

for step = 1, 10000 do
    local action = rand(8)
    local slot = rand(POOL)
    local p = pool[slot]
    if action <= 2 then
        if release(slot) then
            local c = rand(#CLASSES)
            local k = rand(#CLASSES[c][1])
            pool[slot] = { obj = CLASSES[c][1][k](), class = c, new = k == 1 or k == 4 }
            counts.make = counts.make + 1
        end
    elseif action == 3 and p then
        local give = CLASSES[p.class][2]
        if give and not dead(p.obj) then
            pcall(give, p.obj)
            counts.hand = counts.hand + 1
        end
    elseif action == 4 and p then
        local back = CLASSES[p.class][3]
        if back then back() end
        counts.back = counts.back + 1
    elseif action == 5 and p then
        if dead(p.obj) then
            check_error("was deleted", function() p.obj:delete() end)
            counts.dead = counts.dead + 1
        elseif p.obj.delete == nil then
            -- no delete on this class
        elseif pcall(p.obj.delete, p.obj) then
            counts.delete = counts.delete + 1
            check_error("was deleted", CLASSES[p.class][4], p.obj)
        else
            counts.refused = counts.refused + 1
        end
    elseif action == 6 and p then
        local ok = pcall(CLASSES[p.class][4], p.obj)
        check(ok == not dead(p.obj), "a live object works, a deleted one raises")
        if rand(2) == 1 and release(slot) then counts.drop = counts.drop + 1 end
    elseif action == 7 then
        if rand(4) == 1 then collectgarbage("collect") else collectgarbage("step") end
    else
        run_frames(1)
    end
end

-- Let go of everything; the tree deletes what it holds.
ticker:SetFont(nil)
keeper:SetParent(board)
for slot = 1, POOL do check(release(slot), "every script object can be deleted once let go") end
board:DeleteAllControls()
root:DeleteChildren(board)
CLASSES = nil  -- its constructors hold their argument rectangles
for _ = 1, 4 do full_gc() end
run_frames(20)
check_eq(live_count(), start, "every object Lua owned is gone")
check_eq(next(debug.getregistry()["kest2d.holds"]), nil, "no kept references left")
check_eq(next(debug.getregistry()["kest2d.held"]), nil, "nothing kept")
local summary = string.format("made %d, handed %d, taken back %d, deleted %d, refused %d, deleted twice %d, dropped %d",
    counts.make, counts.hand, counts.back, counts.delete, counts.refused, counts.dead, counts.drop)
check(counts.delete > 100 and counts.refused > 10 and counts.hand > 100, "the steps did their work: " .. summary)
