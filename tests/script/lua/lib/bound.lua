-- What the binding registers, class by class: every bound name in
-- registration order with sample arguments of the right kinds (letters
-- explained in sample_args), and the names whose engine part is not built
-- yet (they may be missing; when present they are checked like the rest).
--
-- Argument letters: N number, S string, B boolean, P int position, D int
-- size, R int rectangle, C colour, T texture box, M message writer,
-- I message reader, E element, F frame, V event, Q double position,
-- H double size, G double rectangle, X vector3, W a wide text or a font
-- (only nil), K a card list (int vector), Y a boxed byte.

local function class(path, entries) return { path = path, entries = entries } end
-- kinds: "ctor" (class table first), "static" (class table first),
-- "method" (object first), "var" (variable), "const".
local function m(name, args, opts) return { kind = "method", name = name, args = args or "", pending = opts } end
local function ctor(name) return { kind = "ctor", name = name } end
local function st(name, args) return { kind = "static", name = name, args = args or "" } end
local function var(name, pending) return { kind = "var", name = name, pending = pending } end

local CTOR = { ctor("new"), ctor("new_local"), ctor(".call") }
-- Marks every entry of a class whose engine part is still to come.
local function pending(tag, list)
    for _, e in ipairs(list) do e.pending = tag end
    return list
end
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
    class({ "kest2d", "CKesEvent" }, with_ctors({ var("mEventType"), var("mControlId"), var("mGuiEvent"),
        var("mMouseEvent"), var("mKeyEvent"), var("mImeEvent"), var("mUpdateEvnet") })),
    class({ "kest2d", "CKesEvent", "CKesGuiEvent" }, { var("Caller"), var("Element"), var("EventType") }),
    class({ "kest2d", "CKesEvent", "CKesMouseEvent" }, { var("X"), var("Y"), var("Wheel"), var("EventType") }),
    class({ "kest2d", "CKesEvent", "CKesKeyEvent" }, { var("Char"), var("Key"), var("isPressedDown"),
        var("isShift"), var("isControl") }),
    class({ "kest2d", "CKesEvent", "CKesImeEvent" }, { var("inputStr"), var("EventType") }),
    class({ "kest2d", "CKesEvent", "CKesUpdateEvent" }, { var("fileCount"), var("filename"), var("process"),
        var("EventType") }),
    class({ "kest2d", "CKesEventReceiver" }, { m("delete"), m("OnProcessEvent", "V") }),
    class({ "kest2d", "CKesGUIImage" }, with_ctors({
        m("SetImagePath", "S"), m("GetImagePath"), m("SetSrcStartPos", "N N"), m("GetSrcStartPos", "N N"),
        m("SetSrcHeightAndWidth", "N N"), m("GetSrcHeightAndWidth", "N N"), m("SetColor", "C"), m("GetColor") })),
    class({ "kest2d", "CKesGUIButton" }, with_ctors({
        m("SetState", "N"), m("GetState"), m("SetText", "S"), m("GetText") })),
    class({ "kest2d", "CKesGUIEditorBox" }, with_ctors({
        m("SetText", "S"), m("GetText"), m("SetColor", "C"), m("GetColor"), m("SetMaxCount", "N"),
        m("GetMaxCount") })),
    class({ "kest2d", "CKesGUIProcessBar" }, {
        m("SetProcess", "N"), m("GetProcess"), m("SetMaxValue", "N"), m("GetMaxValue"), m("SetText", "S"),
        m("GetText") }),
    class({ "kest2d", "CKesGUIStatic" }, with_ctors({
        m("SetSize", "N"), m("GetSize"), m("SetText", "S"), m("GetText"), m("SetColor", "C"), m("GetColor"),
        m("SetSnapStyle", "N"), m("GetSnapStyle") })),
    class({ "kest2d", "CKesGUIVideo" }, with_ctors({
        m("LoadVideo", "S"), m("GetVideoPath"), m("Play"), m("Pause"), m("Stop"), m("Restart") })),
    class({ "kest2d", "CKesGUIGameAnimator" }, {
        m("LoadAnimator", "S"), m("GetAnimSize"), m("GetFrameCount"), m("GetSpeed"), m("Play"), m("Stop"),
        m("Pause"), m("Restart"), m("isPlaying"), m("GetCurrentFrame"), m("Clear") }),
    class({ "kest2d", "CKesGUIGameCard" }, {
        m("SetCardWidthAndHeight", "N N"), m("GetCardWidth"), m("GetCardHeight"), m("GetCardHuaSe", "N"),
        m("GetCardDianShu", "N"), m("SetCardData", "K"), m("GetCardData"), m("GetCardCount"), m("SetCardSpace", "N"),
        m("GetCardSpace"), m("SetCardUpSpace", "N"), m("GetCardUpSpace"), m("SetCardBackTex", "T"),
        m("GetCardBackTex"), m("SetCardDirection", "N"), m("GetCardDirection"), m("SetShowCards", "B"),
        m("IsShowCards"), m("SetDisplayCard", "N"), m("SetReverseShowCards", "B"), m("IsReverseShowCards"),
        m("SetSnapType", "N"), m("GetSnapType"), m("GetSelectedCardCount"), m("OutRandomCards", "N"),
        m("GetSelectedCards"), m("StartOutCards"), m("ClearAllCards"), m("ResetAllCards"), m("SortAllCards"),
        m("GetCardsByOutType", "K"), m("GetOutType", "K"), m("RemoveCards", "K"), m("GetCardDataByIndex", "N"),
        m("GetCardTypeCount", "N"), m("GetCurOutCardValue"), m("ParseStringToCards", "S"), m("Comparison", "K K") }),
    class({ "kest2d", "CKesGUIGameCard", "GameCard" }, { var("data"), var("isUp"), var("isSelected") }),
    class({ "kest2d", "CKesGUIGameClock" }, {
        m("SetClockNumImg", "T"), m("GetClockNumImg"), m("SetClockNum", "N"), m("GetClockNum"),
        m("SetSnapType", "N"), m("GetSnapType"), m("SetNumSpace", "N"), m("GetNumSpace") }),
    class({ "kest2d", "CKesGUIInfoScroller" }, {
        m("SetFont", "W"), m("GetFont"), m("SetSize", "N"), m("GetSize"), m("SetText", "S"), m("GetText"),
        m("SetColor", "C"), m("GetColor"), m("SetInfoScrType", "N"), m("GetInfoScrType") }),
    class({ "kest2d", "CKesGUITextarea" }, {
        m("AddString", "S"), m("SetUseScrollBar", "B"), m("IsUseScrollBar"), m("SetScrollBarWidth", "N"),
        m("GetScrollBarWidth"), m("GetDisplayLineCount"), m("Clear") }),
    class({ "kest2d", "CKesGUITextarea", "RowStruct" }, with_ctors({ var("color"), var("text") })),
    class({ "kest2d", "CKesGUIChatMessage" }, {
        m("SetTextColor", "C"), m("GetTextColor"), m("SetSelectTextColor", "C"), m("GetSelectTextColor"),
        m("AddString", "S"), m("GetStringByIndex", "N"), m("GetSelectString"), m("Reset") }),
    class({ "kest2d", "CKesGUIImageListBox" }, {
        m("SetBgColor", "C"), m("GetBgColor"), m("SetScrollBarWidth", "N"), m("GetScrollBarWidth"),
        m("SetSelectColor", "C"), m("GetSelectColor"), m("SetImageSize", "D"), m("GetImageSize"),
        m("GetDisplayLineCount"), m("AddImageToListBox", "S"), m("AddTextToListBox", "N S"), m("GetTotalRows"),
        m("ClearAllRows"), m("GetCurrentSelected"), m("GetImageByIndex", "N"), m("GetStringByIndex", "N N") }),
    class({ "kest2d", "CKesGUIMultiButton" }, {
        m("SetDirection", "N"), m("GetDirection"), m("AddButton", "S"), m("SetDefSelectedItem", "N"),
        m("GetDefSelectedItem"), m("GetCurSelectedItem") }),
    class({ "kest2d", "CKesGUIMultiListBox" }, {
        m("SetScrollBarWidth", "N"), m("GetScrollBarWidth"), m("GetDisplayLineCount"), m("SetIsSort", "B"),
        m("IsSort"), m("SetHeaderImage", "S"), m("GetHeaderImage"), m("AddHeader", "S N"),
        m("SetHeaderMessage", "S"), m("GetHeaderMessage"), m("SetHeaderBgColor", "C"), m("GetHeaderBgColor"),
        m("SetHeaderTextColor", "C"), m("GetHeaderTextColor"), m("SetProTipColor", "C"), m("GetProTipColor"),
        m("ClearAllRows"), m("CreateNewRow"), m("AddText", "S N N N"), m("AddImage", "S N N N"),
        m("AddProcessBar", "N N N N N"), m("GetSelectedItem"), m("SetBgColor", "C"), m("GetBgColor"),
        m("SetTextColor", "C"), m("GetTextColor"), m("SetSelectColor", "C"), m("GetSelectColor"),
        m("SetSelectedColor", "C"), m("GetSelectedColor") }),
    class({ "kest2d", "CKesGUIBiqoQing" }, {
        m("SetPageSize", "D"), m("GetPageSize"), m("LoadAnimators", "S"), m("ClearAllAnimator"),
        m("SetLeftButton", "S"), m("GetLeftButton"), m("SetRightButton", "S"), m("GetRightButton"), m("Reset"),
        m("GetSelectedPath") }),
    class({ "kest2d", "CKesGUIMoveAnimator" }, {
        m("SetControlPoint", "P N"), m("GetControlPoint", "N"), m("GetBernstern"), m("SetStartPosition", "P"),
        m("GetStartPosition"), m("SetEndPosition", "P"), m("GetEndPosition"), m("setIsEdit", "B"), m("isEdit"),
        m("LoadAnimImage", "S"), m("Play"), m("isPlaying"), m("Pause"), m("Stop"), m("Restart"), m("SetSpeed", "N"),
        m("GetSpeed"), m("SetPlayFrame", "N"), m("GetCurPlayFrame") }),
    class({ "kest2d", "CKesGUIDragControl" }, { m("GetCurrentProcess"), m("SetCurrentProcess", "N") }),
    class({ "kest2d", "CKesGUIScrollBar" }, {}),
    class({ "kest2d", "CKesBaseGUIContainer" }, {
        m("SetModal", "B"), m("IsModal"), m("ShowControlById", "N B"), m("EnableControlById", "N B"),
        m("GetCurFocusControl"), m("GetCurActiveControl"), m("LoadGUIConfig", "S"), m("SaveGUIConfig", "S"),
        m("AddButton", "N S R"), m("AddImage", "N S R"), m("AddProcessBar", "N S R"),
        m("AddStaticText", "N S R"), m("AddInfoScroller", "N S R"), m("AddEditorBox", "N S R"),
        m("AddVideoBox", "N S R"), m("AddGameCard", "N S R"), m("AddGameClock", "N S R"),
        m("AddGameAnimator", "N S R"), m("AddTextarea", "N S R"), m("AddScrollBar", "N S R"),
        m("AddChatMessage", "N S R"), m("AddImageListBox", "N S R"),
        m("AddMultiButton", "N S R"), m("AddMultiListBox", "N S R"), m("AddBiaoQingCtrl", "N S R"),
        m("AddMoveAnimator", "N S R"), m("AddDragControl", "N S R"), m("AddContainer", "N S R E") }),
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
    local cards = kest2d.CKesVector_int_()
    cards:push_back(0x13)
    cards:push_back(0x23)
    return {
        N = 1, S = "text", B = true,
        P = kest2d.CKesPosition2d_int_(1, 2), D = kest2d.CKesDimension2d_int_(3, 4),
        R = kest2d.CKesRect_int_(0, 0, 5, 5), C = kest2d.CKesColor(0xFF102030),
        Q = kest2d.CKesPosition2d_double_(1, 2), H = kest2d.CKesDimension2d_double_(3, 4),
        G = kest2d.CKesRect_double_(0, 0, 5, 5), X = kest2d.CKesVector3(1, 2, 3),
        T = frame:LoadTexture("none.png"), M = kest2d.CKesMessageOut(1), I = kest2d.CKesMessageIn("\0\1", 2),
        E = frame.__CKesBaseGUIContainer__, F = frame, V = tolua.cast(block, "kest2d::CKesEvent"),
        K = cards,
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
