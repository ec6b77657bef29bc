-- Constants registered so far: where they stand and their values.
dofile(SCRIPT_DIR .. "/lib/check.lua")

check_eq(kest2d.UPDATE_ERROR, 0, "UPDATE_ERROR")
check_eq(kest2d.UPDATE_COMPLETE, 2, "UPDATE_COMPLETE")
check_eq(kest2d.UPDATE_NULL, 4, "UPDATE_NULL")
check_eq(kest2d.ERRORR, 1, "ERRORR")
check_eq(kest2d.DEBUGG, 4, "DEBUGG")

-- The element types stand in the global table, not in the module.
check_eq(KESGUI_BUTTON, 1, "KESGUI_BUTTON")
check_eq(KESGUT_SCROLLBAR, 12, "KESGUT_SCROLLBAR")
check_eq(KESGUI_COUNT, 20, "KESGUI_COUNT")
check_eq(kest2d.KESGUI_BUTTON, nil, "no element type in the module")

check_eq(kest2d.KESET_GAME_UPDATE_EVENT, 4, "KESET_GAME_UPDATE_EVENT")
check_eq(kest2d.KESMIE_MOUSE_WHEEL, 8, "KESMIE_MOUSE_WHEEL")
check_eq(kest2d.KESGAME_UPDATE_PROCESS, 3, "KESGAME_UPDATE_PROCESS")
check_eq(kest2d.KESGET_BUTTON_CLICKED, 5, "KESGET_BUTTON_CLICKED")
check_eq(kest2d.KESGET_ELEMENT_ANIMATOR_FINISH, 9, "KESGET_ELEMENT_ANIMATOR_FINISH")
check_eq(kest2d.KESGET_ELEMENT_DOUBLE_CLICKED, nil, "no constant has the value 8")
check_eq(kest2d.KESIME_IME_CHINESE, 1, "KESIME_IME_CHINESE")

-- Constants are numbers: the engine takes either.
local frame = kest2d.CKesBaseFrame:getSingleton()
frame:SystemLog(kest2d.INFO, "constants")
frame:SystemLog(3, "constants by number")

-- The event parts are nested in the CKesEvent class table.
for _, part in ipairs({ "CKesGuiEvent", "CKesMouseEvent", "CKesKeyEvent", "CKesImeEvent", "CKesUpdateEvent" }) do
    check(type(kest2d.CKesEvent[part]) == "table", part)
    check_eq(kest2d[part], nil, part .. " is not in the module")
end
