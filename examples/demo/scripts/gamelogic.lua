-- 示例游戏的逻辑。引擎在各自的时机调用下面五个函数。
-- (The sample game. The engine calls the five functions below on their occasions.)

local frame = kest2d.CKesBaseFrame:getSingleton()
local CLOCK_TIMER = 1
local seconds = 0

local function log(text)
    kest2d.CKesLogger:output(text, kest2d.INFO)
end

-- 游戏的设置 (the game's settings: the INI file of the game folder, read only here).
frame:Ini_SetFile("systemini.ini")
log("游戏名称: " .. frame:Ini_GetString("systemini", "caption", "") .. ", 窗口 " ..
    frame:Ini_GetInt("systemini", "screenwidth", 800) .. "x" .. frame:Ini_GetInt("systemini", "screenheight", 600))


-- The update check is over (the sample has none): the game may start.
function OnProcessGameUpdate()
    frame:SystemLog(kest2d.INFO, "更新完成")
end

-- Resources are ready: start the game clock.
function LoadGameResources()
    frame:SystemLog(kest2d.INFO, "载入游戏资源: " .. frame:GetWorkingDirection())
    -- 主界面 (the main window's layout: its size, title and controls; its fonts
    -- exist once the renderer has started, so it is loaded here).
    if not frame:LoadGUIConfig("layout\\main.xml") then
        log("主界面载入失败")
    end
    frame:StartGameTimer(CLOCK_TIMER, 1000)
    -- 游戏服务器 (the game server, when the start command names one: server$host:port).
    local host, port = string.match(frame:GetStartCommond("server"), "^(.+):(%d+)$")
    if host then
        log("连接服务器 " .. host .. ":" .. port)
        frame:Connect(host, tonumber(port))
    end
    if frame.MusicPlay then
        -- Music loops; the effect plays once, somewhere between the speakers.
        frame:MusicPlay("sounds\\music.wav", true)
        frame:EffectPlay("sounds\\click.wav")
    end
end

function OnProcessGameTimer(id)
    if id == CLOCK_TIMER then
        seconds = seconds + 1
        frame:SystemLog(kest2d.INFO, "游戏已运行 " .. seconds .. " 秒")
    end
end

-- e is the engine's event record, handed over as light user data.
function OnProcessGameEvent(e)
    local event = toHelper.toKesEvent(e)
    if event.mEventType == kest2d.KESET_GUI_EVENT and event.mGuiEvent.EventType == kest2d.KESGET_BUTTON_CLICKED then
        frame:SystemLog(kest2d.INFO, "点击了控件 " .. event.mGuiEvent.Caller:GetID())
    elseif event.mEventType == kest2d.KESET_KEY_INPUT_EVENT and event.mKeyEvent.isPressedDown and
           event.mKeyEvent.Key == kest2d.KEY_ESCAPE then
        -- Esc 退出游戏 (Esc closes the game).
        frame:CloseGameFrame()
    end
end

-- state is the connection state, message the received message (light user data).
local HELLO = 1
function OnProcessGameNetwork(state, message)
    if state == kest2d.CONNECTED then
        local hello = kest2d.CKesMessageOut(HELLO)
        hello:writeString("你好, 牌桌")
        frame:Send(hello)
    elseif state == kest2d.MESPROCESS then
        local m = toHelper.toKesMessageIn(message)
        if m:getId() == HELLO then
            log("服务器回复: " .. m:readString())
        end
    elseif state == kest2d.NOCONNECT then
        log("与服务器的连接已断开")
    end
end
