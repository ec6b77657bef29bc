-- Error texts of the wrappers, as the runtime renders them.
dofile(SCRIPT_DIR .. "/lib/check.lua")

local frame = kest2d.CKesBaseFrame:getSingleton()

-- One argument too many: the argument error with its check record.
local err = check_error("error in function 'MinGameFrame'.", frame.MinGameFrame, frame, 1)
check(string.find(err, "argument #2 is 'number'; '[no object]' expected.", 1, true), err)
check(not string.find(err, "#f", 1, true), "the #f marker is dropped: " .. err)

-- Without its object: the check of argument 1 fails.
check_error("error in function 'MinGameFrame'.", frame.MinGameFrame)
-- With nil as its object: the self text.
check_error("invalid 'self' in function 'MinGameFrame'", frame.MinGameFrame, nil)
check_error("invalid 'self' in function 'getAlpha'", kest2d.CKesColor.getAlpha, nil)
-- Operators use the operator's name in the self text, the registered name in the argument error.
check_error("invalid 'self' in function 'operator=='", kest2d.CKesColor[".eq"], nil, kest2d.CKesColor())
check_error("error in function '.eq'.", kest2d.CKesColor[".eq"], kest2d.CKesColor(), 5)
check_error("invalid 'self' in function 'operator[]'", kest2d.CKesVector_int_[".geti"], nil, 0)
check_error("invalid 'self' in function 'operator&[]'", kest2d.CKesVector_int_[".seti"], nil, 0, 1)

-- Constructors report as 'new'.
check_error("error in function 'new'.", function() return kest2d.CKesColor({}) end)
check_error("error in function 'new'.", kest2d.CKesRect_int_.new, kest2d.CKesRect_int_, 1, 2)

-- A class function called on nothing.
check_error("error in function 'getSingleton'.", kest2d.CKesBaseFrame.getSingleton)

-- Wrong argument kinds.
err = check_error("error in function 'StartGameTimer'.", frame.StartGameTimer, frame, "x", 5)
check(string.find(err, "argument #2 is 'string'; 'number' expected.", 1, true), err)
check_error("error in function 'SetAbsoluteRect'.", frame.__CKesBaseGUIContainer__.SetAbsoluteRect,
    frame.__CKesBaseGUIContainer__, nil)

-- Variables: nil object, wrong kind of value.
local rect = kest2d.CKesRect_int_(0, 0, 10, 10)
local getters = getmetatable(rect)[".get"]
check_error("invalid 'self' in accessing variable 'UpperLeftCorner'", getters.UpperLeftCorner, nil)
err = check_error("invalid type in variable assignment.", function() rect.UpperLeftCorner = nil end)
check(string.find(err, "value is 'nil'", 1, true), err)
err = check_error("invalid type in variable assignment.", function() rect.UpperLeftCorner = kest2d.CKesColor() end)
check(string.find(err, "kest2d::CKesPosition2d<int>", 1, true), err)
check_error("invalid type in variable assignment.", function() rect.UpperLeftCorner.X = "abc" end)

-- The error unwinds to the caller's protected call and nothing changed.
check_eq(rect:getWidth(), 10, "rect unchanged")

-- nil passes a string check and becomes an empty text; nil passes a boolean check as false.
check_eq(frame:GetStartCommond(nil), "", "GetStartCommond(nil)")
frame:Ini_SetFile(nil)
check_eq(frame:Ini_GetString("a", "b", nil), "", "Ini_GetString with nil default")
frame:SetSwitchGameMode(nil)
check_eq(frame:IsSwitchGameMode(), false, "nil boolean is false")
frame:SetSwitchGameMode(true)
frame:SystemLog(kest2d.INFO, nil)
