-- The toHelper cast functions and tolua.cast.
dofile(SCRIPT_DIR .. "/lib/check.lua")

local names = {
    "toKesEvent", "toKesGUIImage", "toKesMessageIn", "toGUIProcessBar", "toKesGUIManager",
    "toKesGUIVideoBox", "toKesGUIStatic", "toKesGUIGameAnimator", "toKesGUIEditorBox",
    "toKesGUIDragControl", "toKesGUIMultiListBox", "toKesGUITextarea", "toKesGUIBiqoQing",
    "toKesGUIImageListBox", "toKesBaseGUIElement", "toKesGUIMoveAnimator", "toKesVectorInt",
    "toKesRectInt", "toGUIChatMessage", "toKesGUIMultiButton", "toKesGUIGameCard",
    "toKesGUIGameClock", "toKesGUIInfoScroller",
}
local count = 0
for k, f in pairs(toHelper) do
    count = count + 1
    check_eq(type(f), "function", k)
end
check_eq(count, 23, "toHelper holds 23 functions")
for _, n in ipairs(names) do check(toHelper[n], n) end

-- nil, plain values and foreign user data give nil.
for _, n in ipairs(names) do
    check_eq(toHelper[n](nil), nil, n .. "(nil)")
    check_eq(toHelper[n](5), nil, n .. "(5)")
    check_eq(toHelper[n]("text"), nil, n .. "(text)")
    check_eq(toHelper[n]({}), nil, n .. "({})")
    check_eq(toHelper[n](io.stdout), nil, n .. "(file)")
end

-- A type that no registration makes gives nil, for any object.
local frame = kest2d.CKesBaseFrame:getSingleton()
check_eq(toHelper.toKesGUIManager(frame), nil, "unregistered type")
check_eq(tolua.cast(frame, "no::such::Type"), nil, "tolua.cast to an unknown name")
check_eq(tolua.cast(frame, nil), nil, "tolua.cast without a name")

-- Casting an object re-pushes the same address as the new type.
local container = frame.__CKesBaseGUIContainer__
-- A cast to a base keeps the object as it is (its type already passes).
local element = toHelper.toKesBaseGUIElement(container)
check(rawequal(element, container), "cast to a base gives the same user data")
check_eq(tolua.type(element), "kest2d::CKesBaseGUIContainer", "type kept")
-- A cast to an unrelated registered type re-types the same address.
local as_rect = tolua.cast(container, "kest2d::CKesRect<int>")
check_eq(tolua.type(as_rect), "kest2d::CKesRect<int>", "re-typed")
local again = tolua.cast(as_rect, "kest2d::CKesBaseGUIContainer")
check_eq(tolua.type(again), "kest2d::CKesBaseGUIContainer", "cast back")
check_eq(again:GetID(), 0, "same object")

local r = kest2d.CKesRect_int_(1, 2, 3, 4)
local same = toHelper.toKesRectInt(r)
check_eq(same.UpperLeftCorner.Y, 2, "cast to its own type")
local v = kest2d.CKesVector_int_()
v:push_back(42)
check_eq(toHelper.toKesVectorInt(v)[0], 42, "toKesVectorInt")
