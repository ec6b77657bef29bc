-- Results: extra results for numbers taken by reference, copies, references.
dofile(SCRIPT_DIR .. "/lib/check.lua")

local d, w, h = kest2d.CKesDimension2d_int_:new_local(3, 4)
check_eq(w, 3, "width result")
check_eq(h, 4, "height result")
check_eq(d.Width * 10 + d.Height, 34, "size")

local scaled, factor = d:getArea(), nil
check_eq(scaled, 12, "getArea")
local half, by = kest2d.CKesDimension2d_int_[".div"](kest2d.CKesDimension2d_int_(8, 6), 2)
check_eq(by, 2, ".div second result")
check_eq(half.Width, 4, ".div width")
-- An operator keeps the first result only.
local twice = d * 2
check_eq(twice.Width, 6, "size * 2")

local v = kest2d.CKesVector3(1, 2, 3)
local moved, s = kest2d.CKesVector3[".add"](v, 10)
check_eq(moved.z, 13, "vector + number")
check_eq(s, 10, "vector + number second result")

-- By-value results are new objects; references refer into the engine object.
local r = kest2d.CKesRect_int_(0, 0, 10, 10)
local c = r:getCenter()
check_eq(c.X, 5, "centre x")
c.X = 99
check_eq(r:getCenter().X, 5, "a by-value result is a copy")
r.UpperLeftCorner.X = 5
check_eq(r:getWidth(), 5, "a field variable refers into the rectangle")

local moved2 = r - kest2d.CKesPosition2d_int_(2, 3)
check_eq(moved2.UpperLeftCorner.X, 3, "rect - pos left")
check_eq(moved2.LowerRightCorner.Y, 7, "rect - pos bottom")
check_eq(r.UpperLeftCorner.Y, 0, "first rect unchanged")

local frame = kest2d.CKesBaseFrame:getSingleton()
check(rawequal(frame, kest2d.CKesBaseFrame:getSingletonPtr()), "getSingleton and getSingletonPtr give one user data")
local container = frame.__CKesBaseGUIContainer__
local abs = container:GetAbsoluteRect()
check(rawequal(abs, container:GetAbsoluteRect()), "a reference result is the same object each time")
abs.LowerRightCorner.X = 640
check_eq(container:GetAbsoluteRect():getWidth(), 640, "writing through a reference changes the element")
check(rawequal(container:GetDriver(), frame), "the container's driver is the frame")

-- LoadResource: the buffer as light user data and its size; nil when missing.
local f = io.open(GAME_DIR .. "/data.bin", "wb")
f:write("abc")
f:close()
local missing, size0 = frame:LoadResource("no such file")
check_eq(missing, nil, "missing resource")
check_eq(size0, 0, "missing resource size")

-- Strings come back as copies.
check_eq(frame:GetWorkingDirection(), GAME_DIR, "GetWorkingDirection")
check_eq(type(frame:Ini_GetFile()), "string", "Ini_GetFile")
