-- How values cross the binding: extra results, copies and references, who
-- collects what, and the edge cases of the value types, the frame, the
-- logger, the network messages, the event record and the fonts.
dofile(SCRIPT_DIR .. "/lib/check.lua")

local frame = kest2d.CKesBaseFrame:getSingleton()
full_gc()
local base = owned_count()

-- Value types ---------------------------------------------------------------

-- A colour made without arguments is 0, not uninitialised memory.
local black = kest2d.CKesColor()
check_eq(black:getAlpha() + black:getRed() + black:getGreen() + black:getBlue(), 0, "CKesColor() is 0")
check(black == kest2d.CKesColor(0), "CKesColor() equals CKesColor(0)")
local kept = kest2d.CKesColor:new()
check_eq(kept:getAlpha(), 0, "CKesColor:new() is 0 too")
check(kest2d.CKesColor(1, 0, 0, 0) < kest2d.CKesColor(2, 0, 0, 0), ".lt on the packed values")
check(kest2d.CKesColor(0x7FFFFFFF) < kest2d.CKesColor(0x80000000), ".lt is unsigned")

-- A size: the constructor and set return the two numbers too; set returns the
-- object itself. Calling the class table keeps the runtime's one result, so
-- that a size can be built inside another constructor's arguments.
local size, w, h = kest2d.CKesDimension2d_int_:new_local(3, 4)
check_eq(w * 10 + h, 34, "constructor results")
check_eq(select("#", kest2d.CKesDimension2d_int_(3, 4)), 1, "calling the class table gives the size only")
local same, w2, h2 = size:set(5, 6)
check(rawequal(same, size), "set returns self, not a copy")
check_eq(w2 * 10 + h2, 56, "set results")
check_eq(size:getArea(), 30, "set changed the size")
local dsize = kest2d.CKesDimension2d_double_(1.5, 2)
local dsame = dsize:set(0.25, 4)
check(rawequal(dsame, dsize), "double set returns self")
check_eq(dsize.Width, 0.25, "double width")
local twice = size * 2
check_eq(twice.Width, 10, "an operator keeps its first result")

-- A rectangle minus a position is a new rectangle; the first one is unchanged.
local r = kest2d.CKesRect_int_(0, 0, 10, 10)
local moved = r - kest2d.CKesPosition2d_int_(2, 3)
check_eq(string.format("%d %d %d %d", moved.UpperLeftCorner.X, moved.UpperLeftCorner.Y, moved.LowerRightCorner.X,
    moved.LowerRightCorner.Y), "-2 -3 8 7", "rect - position")
check_eq(r.UpperLeftCorner.X + r.LowerRightCorner.Y, 10, "the first rectangle is unchanged")
local rd = kest2d.CKesRect_double_(0, 0, 1, 1) - kest2d.CKesPosition2d_double_(0.5, 0.5)
check_eq(rd.UpperLeftCorner.X, -0.5, "double rect - position")
check_eq(r:getCenter().X * 10 + r:getCenter().Y, 55, "centre of (0, 0, 10, 10)")
local corner = r.UpperLeftCorner
corner.X = 4
check_eq(r:getWidth(), 6, "a corner refers into its rectangle")
check_error("invalid type in variable assignment.", function() r.UpperLeftCorner = nil end)

-- Network messages ----------------------------------------------------------

-- A writer with an id below 256 starts with a zero byte: its data reads as "".
local out = kest2d.CKesMessageOut(7)
check_eq(out:getData(), "", "id below 256")
check_eq(out:getLength(), 2, "the id is two bytes")
check_eq(select("#", out:writeString("hel")), 1, "writeString has one result")
local again = out:writeString("lo", 2)
check_eq(again, "lo", "writeString hands back its text")
out:writeByte(1)
out:writeShort(0x0203)
out:writeLong(0x04050607)
check_eq(out:getLength(), 2 + 2 + 3 + 2 + 1 + 2 + 4, "length after the writes")
local named = kest2d.CKesMessageOut(0x4142)
check_eq(named:getData(), "AB", "data up to the first zero byte")
local empty = kest2d.CKesMessageOut()
check_eq(empty:getLength(), 0, "() writes nothing")
local owned = kest2d.CKesMessageOut:new(1)
owned:delete()

-- A reader built from a Lua string keeps its own copy of the bytes.
local function message_bytes()
    local parts = { string.char(0x12, 0x34), string.char(0, 3), "abc", string.char(0xFF) }
    return table.concat(parts)
end
local reader = kest2d.CKesMessageIn(message_bytes(), 100)
full_gc()
local churn = {}
for i = 1, 200 do churn[i] = string.rep(string.char(i % 256), 8) .. i end
churn = nil
full_gc()
check_eq(reader:getLength(), 8, "the length is clamped to the string's")
check_eq(reader:getId(), 0x1234, "id")
check_eq(reader:getUnreadLength(), 6, "unread after the id")
check_eq(reader:readString(), "abc", "a length-prefixed string")
check_eq(reader:readByte(), 255, "last byte")
check_eq(reader:readByte(), -1, "nothing past the end")
local short = kest2d.CKesMessageIn("\1\2\3\4", 3)
check_eq(short:getLength(), 3, "a shorter length is kept")
check_eq(short:readByte(), 3, "first byte after the id")
check_eq(short:readByte(), -1, "the fourth byte is outside the reader")
check_eq(kest2d.CKesMessageIn("abc", -5):getLength(), 0, "a negative length reads nothing")
check_eq(kest2d.CKesMessageIn(nil, 10):getLength(), 0, "nil data reads nothing")

-- The frame's network handler runs the script's callback with the message.
local seen = {}
function OnProcessGameNetwork(state, message)
    seen.state = state
    seen.kind = type(message)
    seen.id = toHelper.toKesMessageIn(message):getId()
end
frame:OnProcessNetMessage(kest2d.MESPROCESS, kest2d.CKesMessageIn("\0\9", 2))
check_eq(seen.state, kest2d.MESPROCESS, "state handed on")
check_eq(seen.kind, "userdata", "message handed on as user data")
check_eq(seen.id, 9, "the same message")
OnProcessGameNetwork = nil
check_eq(frame:Send(kest2d.CKesMessageOut(1)), -1, "Send without a connection")
check_error("error in function 'Send'.", frame.Send, frame, nil)

-- Frame services -------------------------------------------------------------

local f = assert(io.open(GAME_DIR .. "/data.bin", "wb"))
f:write("abc\0def")
f:close()
local buffer, n = frame:LoadResource("data.bin")
check_eq(type(buffer), "userdata", "a resource buffer is light user data")
check_eq(n, 7, "its size")
check_eq(frame:LoadResource("no such file"), nil, "a missing resource is nil")
check(frame:FileIsExist("data.bin"), "FileIsExist")
check(not frame:FileIsExist("nothing.bin"), "FileIsExist of a missing file")
check(not frame:FileIsExist(""), "FileIsExist of no name")

-- Texture handles are boxes, collected on their own; a length longer than the
-- string never makes the engine read past it.
local t1, t2 = frame:LoadTexture("img.png"), frame:LoadTexture("img.png")
check(not rawequal(t1, t2), "two boxes")
check_eq(tolua.type(t1), "DWORD", "a boxed handle")
check_eq(tolua.type(frame:LoadTexture("\137PNG", 100000)), "DWORD", "a buffer shorter than its length")
check_eq(tolua.type(frame:LoadTexture("", 5)), "DWORD", "an empty buffer")
check_eq(frame:GetTextureWidth(t1), 0, "no texture, no width")
check_eq(frame:LockTexture(t1), nil, "nothing to lock")

frame:MusicSetVolume(40)
check_eq(frame:MusicGetVolume(), 40, "music volume")
frame:EffectSetVolume(60)
check_eq(frame:EffectGetVolume(), 60, "effect volume")
check_eq(frame:SoundIsPlaying("none.ogg"), false, "nothing plays")
frame:SoundStopAll()

local font = frame:LoadFont("no-such-font", 12, "no-such-font.ttf")
check_eq(font, nil, "a font file that cannot be opened gives nil")
local measured = frame:GetTextDimension("abc")
check_eq(tolua.type(measured), "kest2d::CKesDimension2d<int>", "GetTextDimension gives a size")

-- The logger: setLogFile opens the file; a file it cannot open is a Lua error.
kest2d.CKesLogger:setLogFile("script.log")
kest2d.CKesLogger:output("from the script", kest2d.ERRORR)
local log = assert(io.open(GAME_DIR .. "/script.log", "rb"))
local logged = log:read("*a")
log:close()
check(string.find(logged, "from the script", 1, true), "the line is in the file: " .. logged)
check_error("setLogFile", function() kest2d.CKesLogger:setLogFile(GAME_DIR .. "/no/such/folder/x.log") end)
kest2d.CKesLogger:output("after a failed open", kest2d.INFO)

-- Event record -------------------------------------------------------------

local g = assert(io.open(GAME_DIR .. "/event.bin", "wb"))
g:write(string.rep("\0", 8192))
g:close()
local ev = toHelper.toKesEvent(frame:LoadResource("event.bin"))
check_eq(tolua.type(ev), "kest2d::CKesEvent", "an event record")
local key = ev.mKeyEvent
check(rawequal(key, ev.mKeyEvent), "an event part is a reference")
key.Char = 200
check_eq(key.Char, -56, "Char reads signed")
key.Char = 300
check_eq(ev.mKeyEvent.Char, 44, "Char keeps the low 8 bits")
key.Char = -1
check_eq(key.Char, -1, "negative Char")
key.isShift = true
check_eq(ev.mKeyEvent.isShift, true, "a bool field")
check_error("invalid type in variable assignment.", function() key.isShift = 1 end)
ev.mImeEvent.inputStr = string.rep("x", 2000)
check_eq(string.len(ev.mImeEvent.inputStr), 1023, "inputStr keeps 1023 characters")
ev.mUpdateEvnet.filename = "file.txt"
check_eq(ev.mUpdateEvnet.filename, "file.txt", "filename")
ev.mUpdateEvnet.filename = nil
check_eq(ev.mUpdateEvnet.filename, "", "nil writes an empty text")
ev.mMouseEvent.Wheel = 0.1
check(ev.mMouseEvent.Wheel ~= 0.1 and math.abs(ev.mMouseEvent.Wheel - 0.1) < 1e-7, "Wheel is single precision")
local container = frame.__CKesBaseGUIContainer__
ev.mGuiEvent.Caller = container
check(rawequal(ev.mGuiEvent.Caller, container), "Caller refers to the element")
ev.mGuiEvent.Caller = nil
check_eq(ev.mGuiEvent.Caller, nil, "nil assigns a null pointer")
check_error("invalid type in variable assignment.", function() ev.mGuiEvent = nil end)
-- Assigning a part copies it whole.
local other = toHelper.toKesEvent(frame:LoadResource("event.bin"))
other.mMouseEvent.X = 77
ev.mMouseEvent = other.mMouseEvent
other.mMouseEvent.X = 1
check_eq(ev.mMouseEvent.X, 77, "a part is copied on assignment")
ev.mEventType = kest2d.KESET_USER_EVENT
check_eq(type(container:OnProcessEvent(ev)), "boolean", "OnProcessEvent takes the record")
check_error("error in function 'OnProcessEvent'.", container.OnProcessEvent, container, nil)

-- GUI element ----------------------------------------------------------------

check_eq(container:FindControlById(987654), nil, "no element with that id")
check_eq(container:IsChildrens(), false, "no children yet")
check(rawequal(container:GetAbsoluteRect(), container:GetAbsoluteRect()), "the same rectangle twice")
container:SetVisible(false)
check_eq(container:isVisible(), false, "SetVisible / isVisible")
container:SetVisible(true)
check(rawequal(container:GetDriver(), frame), "the driver is the frame")

-- Fonts ------------------------------------------------------------------------

local ttf = kest2d.CKesGUITTFont(frame)
ttf:setKerningWidth(3)
ttf:setKerningHeight(2)
check_eq(ttf:getKeringWidth(), 3, "kerning width")
check_eq(ttf:getKeringWidth(nil, nil), 3, "the same with nil letters")
check_eq(ttf:getKerningHeight(), 2, "kerning height")
ttf.size = -1
check_eq(ttf.size, 4294967295, "size reads unsigned")
ttf.size = 2 ^ 32 + 12
check_eq(ttf.size, 12, "size keeps 32 bits")
local dim = ttf:getTextDimension("abc")
check_eq(tolua.type(dim), "kest2d::CKesDimension2d<int>", "a new size")
check_eq(ttf:getDimension(nil).Width, 0, "a null wide text measures nothing")
check_eq(ttf:getCharacterFromPos(nil, 5), -1, "no character in a null text")
local made = kest2d.CKesGUITTFont:new(nil)
made:delete()

-- Collectors -------------------------------------------------------------------

full_gc()
base = owned_count()
do
    local a = kest2d.CKesColor:new_local(1)
    local b = kest2d.CKesMessageIn("\0\1", 2)
    local c = kest2d.CKesMessageOut:new_local(3)
    local d = kest2d.CKesGUITTFont:new_local(frame)
    local e = frame:GetTextDimension("x")
    local t = frame:LoadTexture("x.png")
    check_eq(owned_count(), base + 6, "new_local objects and by-value results are collected")
end
full_gc()
check_eq(owned_count(), base, "and deleted once unreachable")
do
    local fr = kest2d.CKesBaseFrame:getSingletonPtr()
    local ct = fr.__CKesBaseGUIContainer__
    local rect = ct:GetClippingRect()
    local part = ev.mGuiEvent
    check_eq(owned_count(), base, "engine objects and references are never collected")
end
full_gc()
check(rawequal(kest2d.CKesBaseFrame:getSingletonPtr(), frame), "the frame lives on")
tolua.takeownership(kept)
