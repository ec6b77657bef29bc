-- What the binding registers, class by class: every bound name in
-- registration order with sample arguments of the right kinds (letters
-- explained in sample_args), and the names whose engine part is not built
-- yet (they may be missing; when present they are checked like the rest).
--
-- Argument letters: N number, S string, B boolean, P int position, D int
-- size, R int rectangle, C colour, T texture box, M message writer,
-- I message reader, E element, F frame, V event, Q double position,
-- H double size, G double rectangle, X vector3, W a wide text (only nil).

local function class(path, entries) return { path = path, entries = entries } end
-- kinds: "ctor" (class table first), "static" (class table first),
-- "method" (object first), "var" (variable), "const".
local function m(name, args, opts) return { kind = "method", name = name, args = args or "", pending = opts } end
local function ctor(name) return { kind = "ctor", name = name } end
local function st(name, args) return { kind = "static", name = name, args = args or "" } end
local function var(name, pending) return { kind = "var", name = name, pending = pending } end

local CTOR = { ctor("new"), ctor("new_local"), ctor(".call") }
local function with_ctors(list)
    local out = {}
    for _, e in ipairs(CTOR) do out[#out + 1] = e end
    for _, e in ipairs(list) do out[#out + 1] = e end
    return out
end

-- Every part named here is built; a part still to come is marked with its
-- name as the third argument of m() or var().
local RENDER, GUI = nil, nil

local function dimension(s, sample)
    return class({ "kest2d", "CKesDimension2d_" .. s .. "_" }, with_ctors({
        m(".eq", sample), m("set", "N N"), m(".div", "N"), m(".mul", "N"), m("getArea"),
        var("Width"), var("Height") }))
end
local function position(s, sample, size)
    return class({ "kest2d", "CKesPosition2d_" .. s .. "_" }, with_ctors({
        m(".eq", sample), m(".sub", sample), m(".add", size), m(".mul", sample), var("X"), var("Y") }))
end
local function rect(s, r, p)
    return class({ "kest2d", "CKesRect_" .. s .. "_" }, with_ctors({
        m(".add", p), m(".sub", p), m(".eq", r), m("getArea"), m("isPointInside", p), m("isRectCollided", r),
        m("clipAgainst", r), m("constrainTo", r), m("getWidth"), m("getHeight"), m("repair"), m("isValid"),
        m("getCenter"), m("getSize"), m("addInternalPoint", "N N"), var("UpperLeftCorner"), var("LowerRightCorner") }))
end
local function array(s)
    return class({ "kest2d", "CKesVector_" .. s .. "_" }, with_ctors({
        m("delete"), m("push_back", "N"), m("clear"), m("empty"), m("size"), m("sort"), m(".seti", "N N"),
        m(".geti", "N") }))
end

BOUND = {
    class({ "kest2d", "KESVertex" }, { var("x", RENDER), var("y", RENDER), var("z", RENDER), var("col", RENDER),
        var("tx", RENDER), var("ty", RENDER) }),
    class({ "kest2d", "KESTexture" }, { var("tex", RENDER), var("Width", RENDER), var("Height", RENDER),
        var("Name", RENDER) }),
    class({ "kest2d", "CKesLogger" }, { st("setLogFile", "S"), st("output", "S N") }),
    class({ "kest2d", "CKesColor" }, with_ctors({
        m("getAlpha"), m("getRed"), m("getGreen"), m("getBlue"), m("getLuminance"), m("getAverage"),
        m("setAlpha", "N"), m("setRed", "N"), m("setGreen", "N"), m("setBlue", "N"), m("set", "N"),
        m(".eq", "C"), m(".lt", "C") })),
    dimension("int", "D"), dimension("double", "H"),
    position("int", "P", "D"), position("double", "Q", "H"),
    rect("int", "R", "P"), rect("double", "G", "Q"),
    array("int"), array("double"), array("char"),
    class({ "kest2d", "CKesVector3" }, { var("x"), var("y"), var("z"), ctor("new"), ctor("new_local"), ctor(".call"),
        m("normalize"), m(".mul", "X"), m(".sub", "X"), m(".add", "X") }),
    class({ "kest2d", "CKesMessageIn" }, with_ctors({
        m("getId"), m("getLength"), m("readByte"), m("readShort"), m("readLong"), m("readString"),
        m("getUnreadLength") })),
    class({ "kest2d", "CKesMessageOut" }, with_ctors({
        m("delete"), m("clear"), m("writeByte", "N"), m("writeShort", "N"), m("writeLong", "N"),
        m("writeString", "S"), m("getData"), m("getLength") })),
    class({ "kest2d", "CKesBaseFrame" }, {
        st("getSingleton"), st("getSingletonPtr"), m("CloseGameFrame", "N"), m("SetSwitchGameMode", "B"),
        m("DitherMainFrame"), m("IsSwitchGameMode"), m("MinGameFrame"), m("StartGameTimer", "N N"),
        m("StopGameTimer", "N"), m("SystemLog", "N S"), m("GetStartCommond", "S"), m("Snapshot", "S", RENDER),
        m("SwitchScreenAndWindow", "", RENDER), m("FileIsExist", "S"), m("GetWorkingDirection"),
        m("ChangePlayerWorkingDir", "S"), m("Ini_SetFile", "S"), m("Ini_GetFile"), m("Ini_SetInt", "S S N"),
        m("Ini_GetInt", "S S N"), m("Ini_SetFloat", "S S N"), m("Ini_GetFloat", "S S N"),
        m("Ini_SetString", "S S S"), m("Ini_GetString", "S S S"), m("CloseConnect"), m("Connect", "S N"),
        m("Send", "M"), m("OnProcessNetMessage", "N I"), m("getScreenSize", "", RENDER), m("LoadResource", "S"),
        m("LoadTexture", "S"), m("CreateTexture", "S N N"), m("FreeTexture", "T"), m("GetTextureWidth", "T"),
        m("GetTextureHeight", "T"), m("LockTexture", "T"), m("UnLockTexture", "T"), m("ClearAllTextures"),
        m("AddPackager", "S"), m("ClearAllPackagers"), m("LoadFont", "S N"), m("ClearAllFonts"),
        m("Draw2dLine", "P P"), m("Draw2dRectangle", "R C"), m("Draw2DImage", "T P"), m("DrawString", "S R C"),
        m("GetTextDimension", "S"), m("LoadGUIConfig", "S"), m("ShowGUIContainer", "N S", GUI),
        m("MusicPlay", "S"), m("EffectPlay", "S"), m("SoundStop", "S"), m("SoundPause", "S"),
        m("MusicSetVolume", "N"), m("MusicGetVolume"), m("EffectSetVolume", "N"), m("EffectGetVolume"),
        m("SoundIsPlaying", "S"), m("SoundStopAll"), m("UpdateGame", "S"), m("DownloadFile", "S"),
        var("__CKesBaseGUIContainer__") }),
    class({ "kest2d", "CKesCircularBuffer" }, {}),
    class({ "kest2d", "CKesTcpSocketClient" }, { m("CloseConnect"), m("Connect", "S N"), m("Send", "M"),
        m("GetConnectState"), m("IsConnected") }),
    class({ "kest2d", "CKesGUITTFont" }, { var("size"), ctor("new"), ctor("new_local"), ctor(".call"), m("delete"),
        m("getDimension", "W"), m("getTextDimension", "S"), m("getCharacterFromPos", "W N"), m("setKerningWidth", "N"),
        m("setKerningHeight", "N"), m("getKeringWidth"), m("getKerningHeight") }),
    class({ "kest2d", "CKesBaseGUIElement" }, {
        m("GetDriver"), m("SetDriver", "F"), m("GetParent"), m("SetParent", "E"), m("GetAbsoluteRect"),
        m("SetAbsoluteRect", "R"), m("GetRelativeRect"), m("SetRelativeRect", "D"), m("GetClippingRect"),
        m("SetClippingRect", "R"), m("GetControlWidthAndHeight", "", GUI), m("SetControlWidthAndHeight", "D", GUI),
        m("SetVisible", "B"), m("isVisible"), m("SetFocus", "B", GUI), m("GetFocus", "", GUI),
        m("SetMoving", "B", GUI), m("isMoving", "", GUI), m("SetEnabled", "B"), m("IsEnabled"),
        m("SetBgImage", "T", GUI), m("GetBgImage", "", GUI), m("SetCaption", "S", GUI), m("GetCaption", "", GUI),
        m("SetTipText", "S", GUI), m("GetTipText", "", GUI), m("SetID", "N"), m("GetID"), m("GetType"),
        m("SetType", "N"), m("IsChildrens"), m("GetChildrens"), m("bringToFront", "E"), m("FindControlById", "N"),
        m("FindControlByPosition", "P"), m("Move", "P"), m("DeleteAllControls"), m("AddChildren", "E"),
        m("DeleteChildren", "E") }),
    class({ "kest2d", "CKesEvent" }, { var("mEventType"), var("mControlId"), var("mGuiEvent"), var("mMouseEvent"),
        var("mKeyEvent"), var("mImeEvent"), var("mUpdateEvnet") }),
    class({ "kest2d", "CKesEvent", "CKesGuiEvent" }, { var("Caller"), var("Element"), var("EventType") }),
    class({ "kest2d", "CKesEvent", "CKesMouseEvent" }, { var("X"), var("Y"), var("Wheel"), var("EventType") }),
    class({ "kest2d", "CKesEvent", "CKesKeyEvent" }, { var("Char"), var("Key"), var("isPressedDown"),
        var("isShift"), var("isControl") }),
    class({ "kest2d", "CKesEvent", "CKesImeEvent" }, { var("inputStr"), var("EventType") }),
    class({ "kest2d", "CKesEvent", "CKesUpdateEvent" }, { var("fileCount"), var("filename"), var("process"),
        var("EventType") }),
    class({ "kest2d", "CKesEventReceiver" }, { m("delete"), m("OnProcessEvent", "V") }),
    class({ "kest2d", "CKesGUIBaseFont" }, {}),
    class({ "kest2d", "CKesGUITTFace" }, {}),
}

-- The class table at `path`, or nil.
function class_table(path)
    local t = _G
    for _, k in ipairs(path) do
        if type(t) ~= "table" then return nil end
        t = rawget(t, k)
    end
    return t
end

-- Sample values for the argument letters; the caller keeps the table alive.
function sample_values()
    local frame = kest2d.CKesBaseFrame:getSingleton()
    -- A zeroed block of memory standing in for an event record.
    local f = assert(io.open(GAME_DIR .. "/event.bin", "wb"))
    f:write(string.rep("\0", 8192))
    f:close()
    local block = frame:LoadResource("event.bin")
    return {
        N = 1, S = "text", B = true,
        P = kest2d.CKesPosition2d_int_(1, 2), D = kest2d.CKesDimension2d_int_(3, 4),
        R = kest2d.CKesRect_int_(0, 0, 5, 5), C = kest2d.CKesColor(0xFF102030),
        Q = kest2d.CKesPosition2d_double_(1, 2), H = kest2d.CKesDimension2d_double_(3, 4),
        G = kest2d.CKesRect_double_(0, 0, 5, 5), X = kest2d.CKesVector3(1, 2, 3),
        T = frame:LoadTexture("none.png"), M = kest2d.CKesMessageOut(1), I = kest2d.CKesMessageIn("\0\1", 2),
        E = frame.__CKesBaseGUIContainer__, F = frame, V = tolua.cast(block, "kest2d::CKesEvent"),
    }
end

-- The arguments and their count (a wide text is nil).
function sample_args(letters, values)
    local out, n = {}, 0
    for letter in string.gmatch(letters or "", "%S+") do
        n = n + 1
        if letter ~= "W" then
            out[n] = values[letter]
            assert(out[n] ~= nil, "no sample value for " .. letter)
        end
    end
    return out, n
end
