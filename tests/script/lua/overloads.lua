-- Overloads: the last-registered overload whose checks pass runs; a call that
-- matches none reports the first-registered overload's error.
dofile(SCRIPT_DIR .. "/lib/check.lua")

local packed = kest2d.CKesColor(0x01020304)
check_eq(packed:getAlpha(), 1, "(value) stores the packed value")
check_eq(packed:getBlue(), 4, "(value) blue")
local parts = kest2d.CKesColor(10, 20, 30, 40)
check_eq(parts:getAlpha(), 10, "(a, r, g, b) alpha")
check_eq(parts:getBlue(), 40, "(a, r, g, b) blue")
parts:set(0xFF000000)
check_eq(parts:getAlpha(), 255, "set(value)")
parts:set(1, 2, 3, 4)
check_eq(parts:getGreen(), 3, "set(a, r, g, b)")

local p = kest2d.CKesPosition2d_int_(1, 2)
local q = p + kest2d.CKesPosition2d_int_(10, 20)
check_eq(q.Y, 22, "position + position")
local s = p + kest2d.CKesDimension2d_int_(5, 6)
check_eq(s.X * 100 + s.Y, 608, "position + size")
local copy = kest2d.CKesPosition2d_int_(p)
check_eq(copy.X, 1, "copy constructor")

local r = kest2d.CKesRect_int_(kest2d.CKesPosition2d_int_(1, 1), kest2d.CKesDimension2d_int_(4, 5))
check_eq(r.LowerRightCorner.X * 10 + r.LowerRightCorner.Y, 56, "(position, size)")
r:addInternalPoint(20, 30)
check_eq(r.LowerRightCorner.Y, 30, "addInternalPoint(x, y)")
r:addInternalPoint(kest2d.CKesPosition2d_int_(-5, 0))
check_eq(r.UpperLeftCorner.X, -5, "addInternalPoint(position)")

local v = kest2d.CKesVector3(1, 0, 0)
local cross = v * kest2d.CKesVector3(0, 1, 0)
check_eq(cross.z, 1, "vector * vector is the cross product")
local scaled = v * 3
check_eq(scaled.x, 3, "vector * number")

-- No overload matches: the first-registered one reports.
local err = check_error("error in function 'addInternalPoint'.", r.addInternalPoint, r, "x", {})
check(string.find(err, "argument #2", 1, true), err)
check_error("error in function 'set'.", parts.set, parts, {})

-- Draw2DImage: (texture, position, rectangle, nil) runs the clip overload.
local frame = kest2d.CKesBaseFrame:getSingleton()
local tex = frame:LoadTexture("x.png")
frame:Draw2DImage(tex, kest2d.CKesPosition2d_int_(0, 0), kest2d.CKesRect_int_(0, 0, 1, 1), nil)
frame:Draw2DImage(tex, kest2d.CKesPosition2d_int_(0, 0), kest2d.CKesColor(1))
frame:Draw2DImage(tex, kest2d.CKesPosition2d_int_(0, 0))
check_error("error in function 'Draw2DImage'.", frame.Draw2DImage, frame, tex)
