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

-- Casting an object re-pushes it as the new type.
local container = frame.__CKesBaseGUIContainer__
-- A cast to a base keeps the object as it is (its type already passes).
local element = toHelper.toKesBaseGUIElement(container)
check(rawequal(element, container), "cast to a base gives the same user data")
check_eq(tolua.type(element), "kest2d::CKesBaseGUIContainer", "type kept")

-- GUI elements, windows and fonts are cast by their real class: a cast to a
-- class the object is not gives nil, also between those classes and others.
local board = container:AddContainer(77, "casts", kest2d.CKesRect_int_(0, 0, 200, 200), nil, true)
local button = board:AddButton(1, "button", kest2d.CKesRect_int_(0, 0, 20, 20))
local plain = board:FindControlById(1)
check_eq(tolua.type(plain), "kest2d::CKesGUIButton", "found as its class while the button is held")
board:AddStaticText(3, "label", kest2d.CKesRect_int_(0, 40, 20, 60))
full_gc()
check_eq(tolua.type(board:FindControlById(3)), "kest2d::CKesBaseGUIElement", "as an element once nothing holds it")
check_eq(toHelper.toKesGUIStatic(button), nil, "a button is no label")
check_eq(tolua.cast(toHelper.toKesBaseGUIElement(button), "kest2d::CKesGUIStatic"), nil, "not as an element either")
check(rawequal(tolua.cast(button, "kest2d::CKesGUIButton"), button), "a button is a button")
-- An element type of the game's own changes no cast.
plain:SetType(1000)
check(rawequal(tolua.cast(plain, "kest2d::CKesGUIButton"), button), "a button of kind 1000 is a button")
check_eq(toHelper.toKesGUIStatic(plain), nil, "and no label")
check_eq(tolua.cast(button, "kest2d::CKesRect<int>"), nil, "an element is no rectangle")
check_eq(tolua.cast(kest2d.CKesRect_int_(), "kest2d::CKesGUIButton"), nil, "a rectangle is no button")
check_eq(toHelper.toKesVectorInt(kest2d.CKesRect_int_()), nil, "nor an array")
check(tolua.cast(kest2d.CKesRect_int_(), "const kest2d::CKesRect<int>") ~= nil, "but its own const form")
check_eq(toHelper.toKesGUIStatic(frame:LoadResource("missing")), nil, "nothing is no label")
check_eq(tolua.cast(frame, "kest2d::CKesGUITTFont"), nil, "the frame is no font")
local bar = board:AddScrollBar(2, "bar", kest2d.CKesRect_int_(0, 30, 20, 100))
local bar_element = toHelper.toKesBaseGUIElement(bar)
check_eq(bar_element:GetID(), 2, "a scroll bar passes as an element by its class")
check_eq(tolua.cast(bar_element, "kest2d::CKesGUIScrollBar") ~= nil, true, "and back")

-- The frame is a window and a container at once: as its container it is the
-- container part of the frame, the same object as __CKesBaseGUIContainer__.
check(rawequal(tolua.cast(frame, "kest2d::CKesBaseGUIContainer"), container), "frame as its container")
check(rawequal(toHelper.toKesBaseGUIElement(frame), container), "frame as an element")
check(rawequal(tolua.cast(container, "kest2d::CKesBaseFrame"), frame), "container part back to the frame")
check(tolua.cast(container, "CWnd") ~= nil, "the frame is a window")
check_eq(tolua.cast(button, "CWnd"), nil, "a button is not")
container:DeleteChildren(board)

-- Every bound class of those families refuses an object of another kind.
local families = { ["kest2d::CKesEventReceiver"] = true, ["CWnd"] = true, ["kest2d::CKesGUIBaseFont"] = true }
local super = debug.getregistry().tolua_super
local colour = kest2d.CKesColor(1)
local family_classes = 0
for name, mt in pairs(debug.getregistry()) do
    if type(name) == "string" and type(mt) == "table" and not string.find(name, "^const ") and
       not string.find(name, "^deleted ") then
        local bases = super[mt] or {}
        local member = families[name] or name == "kest2d::CKesGUIScrollBar" or name == "kest2d::CKesGUITTFace"
        for base in pairs(families) do member = member or bases[base] end
        if member then
            family_classes = family_classes + 1
            check_eq(tolua.cast(colour, name), nil, "a colour cast to " .. name)
        end
    end
end
check_eq(family_classes, 28, "classes of the element, window and font families")

local r = kest2d.CKesRect_int_(1, 2, 3, 4)
local same = toHelper.toKesRectInt(r)
check_eq(same.UpperLeftCorner.Y, 2, "cast to its own type")
local v = kest2d.CKesVector_int_()
v:push_back(42)
check_eq(toHelper.toKesVectorInt(v)[0], 42, "toKesVectorInt")
