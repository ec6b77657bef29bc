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
