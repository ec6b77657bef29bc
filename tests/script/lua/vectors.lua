-- The engine arrays: zero-based indexing with bounds, conversions, sorting.
dofile(SCRIPT_DIR .. "/lib/check.lua")

local v = kest2d.CKesVector_int_()
check(v:empty(), "new array is empty")
v:push_back(1.9)
v:push_back(-7)
check_eq(v:size(), 2, "size")
check_eq(v[0], 1, "push_back truncates")
check_eq(v[1], -7, "second element")
v[1] = 8
check_eq(v[1], 8, ".seti")

check_error("out of range in function '.geti'", function() return v[2] end)
check_error("out of range in function '.geti'", function() return v[-1] end)
check_error("out of range in function '.seti'", function() v[2] = 1 end)
check_error("out of range in function '.seti'", function() v[-1] = 1 end)
check_error("out of range in function '.geti'", function() return v[1e300] end)
check_error("error in function '.geti'.", kest2d.CKesVector_int_[".geti"], v, "x")
check_eq(v[1], 8, "nothing changed")

local c = kest2d.CKesVector_char_()
c:push_back(200)
check_eq(c[0], -56, "char stores the low 8 bits, signed")

local d = kest2d.CKesVector_double_()
for _, x in ipairs({3, 1, 2}) do d:push_back(x) end
d:sort()
check_eq(d[0] * 100 + d[1] * 10 + d[2], 123, "sort")
d:clear()
check(d:empty(), "clear")
check_error("out of range", function() return d[0] end)
