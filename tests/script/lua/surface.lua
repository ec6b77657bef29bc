-- The binding's surface: every class where it belongs, exactly the bound
-- names of each class, and every constant with its value and its place
-- (module, global table or class table).
dofile(SCRIPT_DIR .. "/lib/check.lua")
dofile(SCRIPT_DIR .. "/lib/bound.lua")

local missing = {}

-- Names of a class table: functions (operators included) and variables.
local function bound_names(t)
    local names = {}
    for k, v in pairs(t) do
        if type(k) == "string" and type(v) == "function" and string.sub(k, 1, 2) ~= "__" and k ~= ".collector" then
            names[k] = "function"
        end
    end
    local get = rawget(t, ".get")
    if type(get) == "table" then
        for k in pairs(get) do names[k] = "var" end
    end
    return names
end

for _, c in ipairs(BOUND) do
    local where = table.concat(c.path, ".")
    local t = class_table(c.path)
    local all_pending = #c.entries > 0
    for _, e in ipairs(c.entries) do all_pending = all_pending and e.pending ~= nil end
    local class_missing = t == nil and all_pending
    if class_missing then
        missing[#missing + 1] = where .. " (" .. c.entries[1].pending .. ")"
        t = {}
    end
    check(type(t) == "table", where .. " is registered")
    local names = bound_names(t)
    for _, e in ipairs(c.entries) do
        local kind = e.kind == "var" and "var" or "function"
        if names[e.name] == nil and e.pending then
            if not class_missing then missing[#missing + 1] = where .. "." .. e.name .. " (" .. e.pending .. ")" end
        else
            check_eq(names[e.name], kind, where .. "." .. e.name)
        end
        names[e.name] = nil
    end
    for extra in pairs(names) do error(where .. " has an unexpected name " .. extra) end
end

-- Nested classes are not in the module.
for _, part in ipairs({ "CKesGuiEvent", "CKesMouseEvent", "CKesKeyEvent", "CKesImeEvent", "CKesUpdateEvent" }) do
    check_eq(kest2d[part], nil, part .. " stands only in CKesEvent")
end

-- Bases: a class's functions are reached on objects of the classes derived from it.
local frame = kest2d.CKesBaseFrame:getSingleton()
check_eq(tolua.type(frame.__CKesBaseGUIContainer__), "kest2d::CKesBaseGUIContainer", "the frame's container part")
check_eq(type(frame.__CKesBaseGUIContainer__.OnProcessEvent), "function", "a receiver function reached on a container")
check_eq(type(kest2d.CKesGUITTFont(nil).getKerningHeight), "function", "font")
check_eq(kest2d.CWnd, nil, "CWnd is only a type name")

-- Constants in the module.
local module_constants = {
    { "UPDATE_ERROR", 0 }, { "UPDATE_LIST", 1 }, { "UPDATE_COMPLETE", 2 }, { "UPDATE_RESOURCES", 3 },
    { "UPDATE_NULL", 4 },
    { "SNAPSTYLE_LEFT", 0 }, { "SANPSTYLE_CENTER", 1 }, { "SNAPSTYLE_RIGHT", 2 }, { "SNAPSTYLE_NULL", 3 },
    { "DIR_HORIZONTAL", 0 }, { "DIR_VERTICAL", 1 },
    { "KEY_LBUTTON", 1 },
    { "KEY_RBUTTON", 2 },
    { "KEY_CANCEL", 3 },
    { "KEY_MBUTTON", 4 },
    { "KEY_XBUTTON1", 5 },
    { "KEY_XBUTTON2", 6 },
    { "KEY_BACK", 8 },
    { "KEY_TAB", 9 },
    { "KEY_CLEAR", 12 },
    { "KEY_RETURN", 13 },
    { "KEY_SHIFT", 16 },
    { "KEY_CONTROL", 17 },
    { "KEY_MENU", 18 },
    { "KEY_PAUSE", 19 },
    { "KEY_CAPITAL", 20 },
    { "KEY_KANA", 21 },
    { "KEY_HANGUEL", 21 },
    { "KEY_HANGUL", 21 },
    { "KEY_JUNJA", 23 },
    { "KEY_FINAL", 24 },
    { "KEY_HANJA", 25 },
    { "KEY_KANJI", 25 },
    { "KEY_ESCAPE", 27 },
    { "KEY_CONVERT", 28 },
    { "KEY_NONCONVERT", 29 },
    { "KEY_ACCEPT", 30 },
    { "KEY_MODECHANGE", 31 },
    { "KEY_SPACE", 32 },
    { "KEY_PRIOR", 33 },
    { "KEY_NEXT", 34 },
    { "KEY_END", 35 },
    { "KEY_HOME", 36 },
    { "KEY_LEFT", 37 },
    { "KEY_UP", 38 },
    { "KEY_RIGHT", 39 },
    { "KEY_DOWN", 40 },
    { "KEY_SELECT", 41 },
    { "KEY_PRINT", 42 },
    { "KEY_EXECUT", 43 },
    { "KEY_SNAPSHOT", 44 },
    { "KEY_INSERT", 45 },
    { "KEY_DELETE", 46 },
    { "KEY_HELP", 47 },
    { "KEY_KEY_0", 48 },
    { "KEY_KEY_1", 49 },
    { "KEY_KEY_2", 50 },
    { "KEY_KEY_3", 51 },
    { "KEY_KEY_4", 52 },
    { "KEY_KEY_5", 53 },
    { "KEY_KEY_6", 54 },
    { "KEY_KEY_7", 55 },
    { "KEY_KEY_8", 56 },
    { "KEY_KEY_9", 57 },
    { "KEY_KEY_A", 65 },
    { "KEY_KEY_B", 66 },
    { "KEY_KEY_C", 67 },
    { "KEY_KEY_D", 68 },
    { "KEY_KEY_E", 69 },
    { "KEY_KEY_F", 70 },
    { "KEY_KEY_G", 71 },
    { "KEY_KEY_H", 72 },
    { "KEY_KEY_I", 73 },
    { "KEY_KEY_J", 74 },
    { "KEY_KEY_K", 75 },
    { "KEY_KEY_L", 76 },
    { "KEY_KEY_M", 77 },
    { "KEY_KEY_N", 78 },
    { "KEY_KEY_O", 79 },
    { "KEY_KEY_P", 80 },
    { "KEY_KEY_Q", 81 },
    { "KEY_KEY_R", 82 },
    { "KEY_KEY_S", 83 },
    { "KEY_KEY_T", 84 },
    { "KEY_KEY_U", 85 },
    { "KEY_KEY_V", 86 },
    { "KEY_KEY_W", 87 },
    { "KEY_KEY_X", 88 },
    { "KEY_KEY_Y", 89 },
    { "KEY_KEY_Z", 90 },
    { "KEY_LWIN", 91 },
    { "KEY_RWIN", 92 },
    { "KEY_APPS", 93 },
    { "KEY_SLEEP", 95 },
    { "KEY_NUMPAD0", 96 },
    { "KEY_NUMPAD1", 97 },
    { "KEY_NUMPAD2", 98 },
    { "KEY_NUMPAD3", 99 },
    { "KEY_NUMPAD4", 100 },
    { "KEY_NUMPAD5", 101 },
    { "KEY_NUMPAD6", 102 },
    { "KEY_NUMPAD7", 103 },
    { "KEY_NUMPAD8", 104 },
    { "KEY_NUMPAD9", 105 },
    { "KEY_MULTIPLY", 106 },
    { "KEY_ADD", 107 },
    { "KEY_SEPARATOR", 108 },
    { "KEY_SUBTRACT", 109 },
    { "KEY_DECIMAL", 110 },
    { "KEY_DIVIDE", 111 },
    { "KEY_F1", 112 },
    { "KEY_F2", 113 },
    { "KEY_F3", 114 },
    { "KEY_F4", 115 },
    { "KEY_F5", 116 },
    { "KEY_F6", 117 },
    { "KEY_F7", 118 },
    { "KEY_F8", 119 },
    { "KEY_F9", 120 },
    { "KEY_F10", 121 },
    { "KEY_F11", 122 },
    { "KEY_F12", 123 },
    { "KEY_F13", 124 },
    { "KEY_F14", 125 },
    { "KEY_F15", 126 },
    { "KEY_F16", 127 },
    { "KEY_F17", 128 },
    { "KEY_F18", 129 },
    { "KEY_F19", 130 },
    { "KEY_F20", 131 },
    { "KEY_F21", 132 },
    { "KEY_F22", 133 },
    { "KEY_F23", 134 },
    { "KEY_F24", 135 },
    { "KEY_NUMLOCK", 144 },
    { "KEY_SCROLL", 145 },
    { "KEY_LSHIFT", 160 },
    { "KEY_RSHIFT", 161 },
    { "KEY_LCONTROL", 162 },
    { "KEY_RCONTROL", 163 },
    { "KEY_LMENU", 164 },
    { "KEY_RMENU", 165 },
    { "KEY_PLUS", 187 },
    { "KEY_COMMA", 188 },
    { "KEY_MINUS", 189 },
    { "KEY_PERIOD", 190 },
    { "KEY_ATTN", 246 },
    { "KEY_CRSEL", 247 },
    { "KEY_EXSEL", 248 },
    { "KEY_EREOF", 249 },
    { "KEY_PLAY", 250 },
    { "KEY_ZOOM", 251 },
    { "KEY_PA1", 253 },
    { "KEY_OEM_CLEAR", 254 },
    { "KEY_KEY_CODES_COUNT", 255 },
    { "FATAL", 0 }, { "ERRORR", 1 }, { "WARN", 2 }, { "INFO", 3 }, { "DEBUGG", 4 },
    { "NOCONNECT", 0 }, { "CONNECTTING", 1 }, { "CONNECTED", 2 }, { "MESPROCESS", 3 },
    { "KESET_GUI_EVENT", 0 }, { "KESET_MOUSE_INPUT_EVENT", 1 }, { "KESET_KEY_INPUT_EVENT", 2 },
    { "KESET_IME_EVENT", 3 }, { "KESET_GAME_UPDATE_EVENT", 4 }, { "KESET_GAME_VIDEO_EVENT", 5 },
    { "KESET_USER_EVENT", 6 },
    { "KESMIE_LMOUSE_PRESSED_DOWN", 0 }, { "KESMIE_LMOUSE_DOUBLE_CLICK", 1 }, { "KESMIE_RMOUSE_PRESSED_DOWN", 2 },
    { "KESMIE_MMOUSE_PRESSED_DOWN", 3 }, { "KESMIE_LMOUSE_LEFT_UP", 4 }, { "KESMIE_RMOUSE_LEFT_UP", 5 },
    { "KESMIE_MMOUSE_LEFT_UP", 6 }, { "KESMIE_MOUSE_MOVED", 7 }, { "KESMIE_MOUSE_WHEEL", 8 }, { "KESMIE_COUNT", 9 },
    { "KESGAME_UPDATE_COMPLETE", 0 }, { "KESGAME_UPDATE_ERROR", 1 }, { "KESGAME_UPDATE_GET_LIST", 2 },
    { "KESGAME_UPDATE_PROCESS", 3 }, { "KESGAME_UPDATE_PROCESS_VALUE", 4 }, { "KESGAME_UPDATE_COUNT", 5 },
    { "KESGET_ELEMENT_FOCUS_LOST", 0 }, { "KESGET_ELEMENT_FOCUSED", 1 }, { "KESGET_ELEMENT_HOVERED", 2 },
    { "KESGET_ELEMENT_LEFT", 3 }, { "KESGET_ELEMENT_CLOSED", 4 }, { "KESGET_BUTTON_CLICKED", 5 },
    { "KESGET_ELEMENT_CHANGED", 6 }, { "KESGET_ELEMENT_SELECTED", 7 }, { "KESGET_ELEMENT_ANIMATOR_FINISH", 9 },
    { "KESGET_COUNT", 10 },
    { "KESIME_IME_ENGLISH", 0 }, { "KESIME_IME_CHINESE", 1 }, { "KESIME_IME_COUNT", 2 },
    { "OUTTYPE_SINGLE", 0 }, { "OUTTYPE_YIDUI", 1 }, { "OUTTYPE_SANZHANG", 2 }, { "OUTTYPE_SANDAIYI", 3 },
    { "OUTTYPE_SANDAIYIDUI", 4 }, { "OUTTYPE_SHUIZI", 5 }, { "OUTTYPE_LIANDUI", 6 },
    { "OUTTYPE_SANZHANGSHUIZI", 7 }, { "OUTTYPE_SANZHANGSHUIZIDAIYI", 8 }, { "OUTTYPE_SANZHANGSUUIZIDAIYIDUI", 9 },
    { "OUTTYPE_ZHADAN", 12 }, { "OUTTYPE_HUOJIAN", 13 }, { "OUTTYPE_SIDAILIANGZHANG", 10 },
    { "OUTTYPE_SIDAILIANGDUI", 11 }, { "OUTTYPE_NULL", 14 },
}
-- Families whose engine parts are not built yet: checked when present.
local pending_module_constants = {
}
local global_constants = {
    { "KESGUI_CONTAINER", 0 }, { "KESGUI_BUTTON", 1 }, { "KESGUT_IMAGE", 2 }, { "KESGUT_PROCESSBAR", 3 },
    { "KESGUT_STATIC", 4 }, { "KESGUT_EDITORBOX", 5 }, { "KESGUI_VIDEOBOX", 6 }, { "KESGUI_GAMECARD", 7 },
    { "KESGUI_GAMECLOCK", 8 }, { "KESGUI_GAMEANIMATOR", 9 }, { "KESGUI_INFOSCROLLER", 10 },
    { "KESGUI_TEXTAREA", 11 }, { "KESGUT_SCROLLBAR", 12 }, { "KESGUI_CHATMESSAGE", 13 },
    { "KESGUI_IMAGELISTBOX", 14 }, { "KESGUI_MULTIBUTTON", 15 }, { "KESGUI_MULTILISTBOX", 16 },
    { "KESGUI_BIAOQING", 17 }, { "KESGUI_MOVEANIMATOR", 18 }, { "KESGUI_DRAGCONTROL", 19 }, { "KESGUI_COUNT", 20 },
    { "IDD_BERNSTEIN_COUNT", 1000 }, { "IDD_CONTROL_POINT_COUNT", 4 }, { "IDD_CONTROL_RECT_WIDTH", 5 },
}
local pending_global_constants = {
}
local class_constants = {
    { "CKesGUIButton", "STATE_NORMAL", 0 }, { "CKesGUIButton", "STATE_DOWND", 1 },
    { "CKesGUIButton", "STATE_HOVERED", 2 }, { "CKesGUIButton", "STATE_DISABLED", 3 },
    { "CKesGUIButton", "STATE_NULL", 4 },
    { "CKesGUIGameCard", "CARDDIR_HENGXIANG", 0 }, { "CKesGUIGameCard", "CARDDIR_ZONGXIANG", 1 },
    { "CKesGUIGameCard", "CARD_SNAP_LEFT", 0 }, { "CKesGUIGameCard", "CARD_SNAP_CENTER", 1 },
    { "CKesGUIGameCard", "CARD_SNAP_RIGHT", 2 },
    { "CKesGUIGameClock", "CLOCK_SNAP_LEFT", 0 }, { "CKesGUIGameClock", "CLOCK_SNAP_CENTER", 1 },
    { "CKesGUIGameClock", "CLOCK_SNAP_RIGHT", 2 },
    { "CKesGUIInfoScroller", "SCRTYPE_LEFT_TO_RIGHT", 0 }, { "CKesGUIInfoScroller", "SCRTYPE_RIGHT_TO_LEFT", 1 },
}

local function check_constant(tbl, other, name, value, where, pending)
    local v = rawget(tbl, name)
    if v == nil and pending then
        missing[#missing + 1] = where .. name
        return 0
    end
    check_eq(v, value, where .. name)
    check_eq(type(v), "number", where .. name .. " is a number")
    if other then check_eq(rawget(other, name), nil, name .. " stands in one place only") end
    return 1
end

local counted = 0
for _, c in ipairs(module_constants) do counted = counted + check_constant(kest2d, _G, c[1], c[2], "kest2d.") end
check_eq(counted, 5 + 4 + 2 + 144 + 5 + 4 + 36 + 15, "module constants of the built parts")
for _, c in ipairs(pending_module_constants) do check_constant(kest2d, _G, c[1], c[2], "kest2d.", true) end
for _, c in ipairs(global_constants) do counted = counted + check_constant(_G, kest2d, c[1], c[2], "") end
check_eq(counted, 215 + 24, "constants in the module and the global table")
for _, c in ipairs(pending_global_constants) do check_constant(_G, kest2d, c[1], c[2], "", true) end
local in_classes = 0
for _, c in ipairs(class_constants) do
    local t = kest2d[c[1]]
    check(type(t) == "table", "kest2d." .. c[1] .. " holds its constants")
    in_classes = in_classes + check_constant(t, kest2d, c[2], c[3], "kest2d." .. c[1] .. ".")
    check_eq(rawget(_G, c[2]), nil, c[2] .. " is not global")
end
check_eq(in_classes, 15, "constants in class tables")
-- The enumerations that the controls take are plain numbers: no other
-- number stands in those class tables.
for _, name in ipairs({ "CKesGUIButton", "CKesGUIGameCard", "CKesGUIGameClock", "CKesGUIInfoScroller",
    "CKesGUIEditorBox", "CKesGUIStatic", "CKesGUITextarea", "CKesGUIMultiButton" }) do
    local n = 0
    for _, v in pairs(kest2d[name]) do
        if type(v) == "number" then n = n + 1 end
    end
    local expected = ({ CKesGUIButton = 5, CKesGUIGameCard = 5, CKesGUIGameClock = 3, CKesGUIInfoScroller = 2 })[name]
    check_eq(n, expected or 0, "numbers in kest2d." .. name)
end

-- No other number stands in the module.
local numbers = 0
for _, v in pairs(kest2d) do
    if type(v) == "number" then numbers = numbers + 1 end
end
local pending_present = 0
for _, c in ipairs(pending_module_constants) do
    if rawget(kest2d, c[1]) ~= nil then pending_present = pending_present + 1 end
end
check_eq(numbers, 5 + 4 + 2 + 144 + 5 + 4 + 36 + 15 + pending_present, "numbers in the module")

-- Telling spellings and values.
check_eq(kest2d.KEY_KANA + kest2d.KEY_HANGUEL + kest2d.KEY_HANGUL, 63, "three names for 21")
check_eq(kest2d.KEY_HANJA * 10 + kest2d.KEY_KANJI - kest2d.KEY_KANJI * 10, 25, "two names for 25")
check_eq(kest2d.SNAPSTYLE_CENTER, nil, "the centre snap is spelt SANPSTYLE_CENTER")
check_eq(KEY_SPACE, nil, "key codes stand in the module only")
check_eq(kest2d.KESGUI_BUTTON, nil, "element types stand in the global table only")
check_eq(kest2d.STATE_DOWND, nil, "button states stand in their class table only")
check_eq(kest2d.KESGET_ELEMENT_DOUBLE_CLICKED, nil, "no GUI event constant has the value 8")
check_eq(kest2d.OUTTYPE_ZHADAN * 100 + kest2d.OUTTYPE_SIDAILIANGZHANG, 1210, "hand types keep their values")

if #missing > 0 then
    table.sort(missing)
    print("not bound until their engine part is built (" .. #missing .. "):\n  " .. table.concat(missing, "\n  "))
end
