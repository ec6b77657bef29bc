-- Ownership: new_local and by-value results are collected, engine objects never.
dofile(SCRIPT_DIR .. "/lib/check.lua")

full_gc()
local base = owned_count()

do
    local a = kest2d.CKesColor()
    local b = kest2d.CKesColor:new_local(1, 2, 3, 4)
    local r = kest2d.CKesRect_int_(0, 0, 4, 4)
    local size = r:getSize()
    local v = kest2d.CKesVector_int_()
    v:push_back(1)
    check_eq(owned_count(), base + 5, "five collected objects")
end
full_gc()
check_eq(owned_count(), base, "collected once unreachable")

-- Objects made with new belong to the script.
local kept = kest2d.CKesVector_double_:new()
kept:push_back(2.5)
check_eq(owned_count(), base, "new is not collected")
full_gc()
check_eq(kept[0], 2.5, "a new object outlives collections")
kept:delete()

-- takeownership hands a new object to the collector.
local colour = kest2d.CKesColor:new(255, 0, 0, 0)
tolua.takeownership(colour)
check_eq(owned_count(), base + 1, "taken over")
colour = nil
full_gc()
check_eq(owned_count(), base, "and collected")

-- Engine objects are never collected.
local frame = kest2d.CKesBaseFrame:getSingleton()
local container = frame.__CKesBaseGUIContainer__
local rect = container:GetAbsoluteRect()
check_eq(owned_count(), base, "references are not collected")
frame, container, rect = nil, nil, nil
full_gc()
check(kest2d.CKesBaseFrame:getSingletonPtr() ~= nil, "the frame lives on")

-- Boxed texture handles are collected with a matching release.
do
    local frame2 = kest2d.CKesBaseFrame:getSingleton()
    local t1 = frame2:LoadTexture("none.png")
    local t2 = frame2:LoadTexture("none.png")
    check(not rawequal(t1, t2), "two boxes")
    check_eq(owned_count(), base + 2, "boxes are collected objects")
end
full_gc()
check_eq(owned_count(), base, "boxes released")

-- Deleting and keeping -----------------------------------------------------------

frame = kest2d.CKesBaseFrame:getSingleton()
local root = frame.__CKesBaseGUIContainer__
local function rect(l, t, r, b) return kest2d.CKesRect_int_(l, t, r, b) end
local board = root:AddContainer(900, "ownership", rect(0, 0, 400, 300), nil, true)
local ticker = board:AddInfoScroller(1, "ticker", rect(0, 0, 200, 20))
ticker:SetText("news of the table")
local hand = board:AddGameCard(2, "hand", rect(0, 30, 300, 120))
hand:SetCardData(hand:ParseStringToCards("3;4;5"))
local holder = kest2d.CKesGUIImage:new(frame, board, 3, "holder", rect(0, 130, 40, 170))

-- Every bound function that keeps a pointer keeps the object it is given
-- alive while it holds it, refuses its delete, and lets it go when given
-- another object.
local KEEPERS = {
    { fn = "SetFont", holder = ticker, make = function() return kest2d.CKesGUITTFont:new_local(frame) end,
      get = function() return ticker:GetFont() end, back = nil },
    { fn = "SetParent", holder = holder, make = function() return kest2d.CKesGUIButton:new_local() end,
      get = function() return holder:GetParent() end, back = board },
    { fn = "SetDriver", holder = holder, make = function() return kest2d.CKesBaseFrame:getSingleton() end,
      get = function() return holder:GetDriver() end, back = frame },
}
for _, k in ipairs(KEEPERS) do
    full_gc()
    local base = live_count()
    k.holder[k.fn](k.holder, k.make())
    for _ = 1, 3 do collectgarbage("collect") end
    run_frames(100)
    local kept = k.get()
    check(kept ~= nil, k.fn .. " keeps its object")
    if kept.delete then
        check_error("is still kept by an engine object", kept.delete, kept)
    end
    kept = nil
    k.holder[k.fn](k.holder, k.back)
    full_gc()
    run_frames(50)
    check_eq(live_count(), base, k.fn .. " lets its object go")
end

-- A holder that the tree deletes lets its object go.
full_gc()
do
    local base = live_count()
    local news = board:AddInfoScroller(9, "news", rect(200, 0, 400, 20))
    news:SetText("more news")
    news:SetFont(kest2d.CKesGUITTFont:new_local(frame))
    full_gc()
    run_frames(50)
    check_eq(live_count(), base + 1, "the font lives with its ticker")
    board:DeleteChildren(news)
    full_gc()
    check_eq(live_count(), base, "and goes once the ticker is gone")
end

-- delete: freed once; afterwards every use is a Lua error.
local BUILT = {
    { "new CKesVector_int_", function() return kest2d.CKesVector_int_:new() end, "size" },
    { "CKesVector_double_()", function() return kest2d.CKesVector_double_() end, "size" },
    { "new_local CKesVector_char_", function() return kest2d.CKesVector_char_:new_local() end, "size" },
    { "CKesMessageOut()", function() return kest2d.CKesMessageOut(1) end, "getLength" },
    { "new CKesMessageOut", function() return kest2d.CKesMessageOut:new(2) end, "getLength" },
    { "new_local CKesGUITTFont", function() return kest2d.CKesGUITTFont:new_local(frame) end, "getKerningHeight" },
    { "new CKesGUITTFont", function() return kest2d.CKesGUITTFont:new(frame) end, "getKerningHeight" },
    { "CKesGUIImage()", function() return kest2d.CKesGUIImage() end, "GetImagePath" },
    { "new CKesGUIButton", function() return kest2d.CKesGUIButton:new() end, "GetText" },
    { "new_local CKesGUIEditorBox", function() return kest2d.CKesGUIEditorBox:new_local() end, "GetText" },
    { "CKesGUIStatic()", function() return kest2d.CKesGUIStatic() end, "GetText" },
    { "new_local CKesGUIVideo", function() return kest2d.CKesGUIVideo:new_local() end, "GetVideoPath" },
    { "ParseStringToCards", function() return hand:ParseStringToCards("3;4;5", ";") end, "size" },
    { "GetSelectedCards", function() return hand:GetSelectedCards() end, "size" },
    { "GetCardData", function() return hand:GetCardData() end, "size" },
    { "released result", function()
        local v = hand:GetCardData()
        check(tolua.releaseownership(v), "released")
        return v
    end, "size" },
}
for _, b in ipairs(BUILT) do
    local what, make, method = b[1], b[2], b[3]
    full_gc()
    local base = live_count()
    local o = make()
    local type_name = tolua.type(o)
    o[method](o)
    o:delete()
    check_eq(live_count(), base, what .. ": deleted and forgotten")
    check_eq(tolua.type(o), "deleted " .. type_name, what .. ": a deleted object")
    check_error("the " .. type_name .. " was deleted and cannot be used ('delete')", function() o:delete() end)
    check_error("the " .. type_name .. " was deleted and cannot be used ('" .. method .. "')",
                function() return o[method](o) end)
    check_error("was deleted", function() o.anything = 1 end)
    check_error("was deleted", function() return o + 1 end)
    full_gc()
    check_eq(live_count(), base, what .. ": not freed again by the collector")
end

-- A control made with new and handed to the collector is deleted by it,
-- unless the tree holds it by then.
full_gc()
base = live_count()
do
    local loose = kest2d.CKesGUIButton:new()
    check(tolua.takeownership(loose), "taken over")
    local placed = kest2d.CKesGUIStatic:new()
    check(tolua.takeownership(placed), "taken over too")
    placed:SetID(77)
    board:AddChildren(placed)
end
full_gc()
check_eq(live_count(), base, "both left the collector")
check_eq(board:FindControlById(77):GetID(), 77, "the tree keeps its own")

-- A deleted object passed as an argument fails the argument check.
local cards = hand:ParseStringToCards("6;7")
cards:delete()
check_error("'deleted kest2d::CKesVector<int>'", hand.SetCardData, hand, cards)
check_error("'deleted kest2d::CKesVector<int>'", rawget(kest2d.CKesVector_int_, "delete"), cards)
check_eq(tolua.cast(cards, "kest2d::CKesVector<int>"), nil, "a deleted object casts to nil")
check_eq(tolua.takeownership(cards), false, "nor can the collector take it")

-- A by-value result without delete is freed once, by the collector.
full_gc()
local base = live_count()
do
    local centre = rect(0, 0, 10, 10):getCenter()
    check_eq(centre.delete, nil, "no delete on a position")
    check_eq(centre.X, 5, "the centre")
end
full_gc()
check_eq(live_count(), base, "by-value results collected")

-- A field of a collected object, read through a user data of its own, is
-- gone with the object.
local corner
do
    local box = kest2d.CKesRect_int_(1, 2, 3, 4)
    corner = box.UpperLeftCorner
    check_eq(corner.X, 1, "the field refers into the rectangle")
end
full_gc()
check_error("the kest2d::CKesPosition2d<int> was deleted and cannot be used ('X')", function() return corner.X end)

-- A message built, sent, then deleted.
local out = kest2d.CKesMessageOut(0x101)
out:writeString("hello")
frame:Send(out)
out:delete()
check_error("was deleted", function() return out:getLength() end)

-- A new object at the address of a deleted one gets a user data of its own.
for i = 1, 50 do
    local v = kest2d.CKesVector_int_:new()
    v:push_back(i)
    v:delete()
    local w = kest2d.CKesVector_int_:new()
    w:push_back(i + 1)
    check(not rawequal(v, w), "a fresh user data")
    check_eq(w[0], i + 1, "the new vector")
    w:delete()
end

-- The engine's objects are never deleted by a script.
local made_in = kest2d.CKesGUIButton:new_local(frame, board, 4, "in", rect(50, 130, 90, 170))
local added = kest2d.CKesGUIButton()
board:AddChildren(added)
local refusals = {
    { "the root container", root, "belongs to the engine" },
    { "a factory control", ticker, "belongs to the engine" },
    { "a control made inside a parent", made_in, "belongs to the engine" },
    { "a script control added to the tree", added, "stands in the GUI tree" },
    { "a control made with new in the tree", holder, "stands in the GUI tree" },
}
local engine_font = frame:LoadFont("DefaultFont", 12)
if engine_font then
    refusals[#refusals + 1] = { "a font of the frame", tolua.cast(engine_font, "kest2d::CKesGUITTFont"),
                                "belongs to the engine" }
end
for _, r in ipairs(refusals) do
    check_error("delete: this ", r[2].delete, r[2])
    check_error(r[3], r[2].delete, r[2])
end
check_eq(tolua.takeownership(ticker), false, "the collector never takes an engine object")
check_eq(added:GetID(), 0, "still alive")

-- An element that the tree deletes leaves a deleted user data behind.
local gone = board:AddButton(5, "gone", rect(100, 130, 140, 170))
added:SetParent(gone)
board:DeleteChildren(gone)
check_error("the kest2d::CKesGUIButton was deleted", function() return gone:GetID() end)
board:DeleteAllControls()
for _, e in ipairs({ ticker, hand, holder, made_in, added }) do
    check_error("was deleted", function() return e:GetID() end)
end
check_eq(next(debug.getregistry()["kest2d.held"]), nil, "deleted elements are kept by nothing")
check_eq(next(debug.getregistry()["kest2d.holds"]), nil, "and keep nothing")
full_gc()
run_frames(50)
root:DeleteChildren(board)
