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
    -- 游戏服务器 (the game server, when the start command names one:
    -- server$host:port, or port$N for a server on this machine).
    local host, port = string.match(frame:GetStartCommond("server"), "^(.+):(%d+)$")
    if not host and string.match(frame:GetStartCommond("port"), "^%d+$") then
        host, port = "127.0.0.1", frame:GetStartCommond("port")
    end
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
-- The messages of the sample table (examples/server/table_server.py):
-- each is an id, then its fields; "cards" is a byte count and one byte per card.
local HELLO = 1   -- 客户端: string 问候
local READY = 2   -- 客户端: 无字段
local DEAL = 3    -- 服务器: string 问候, cards 发到的牌
local PLAY = 4    -- 客户端: cards 出的牌
local PLAYED = 5  -- 服务器: string 结果, byte 剩余张数

local function readCards(m)
    local cards = {}
    for i = 1, m:readByte() do
        cards[i] = m:readByte()
    end
    return cards
end

function OnProcessGameNetwork(state, message)
    if state == kest2d.CONNECTED then
        -- Two messages back to back: the server splits them by their layouts.
        local hello = kest2d.CKesMessageOut(HELLO)
        hello:writeString("你好, 牌桌")
        frame:Send(hello)
        frame:Send(kest2d.CKesMessageOut(READY))
    elseif state == kest2d.MESPROCESS then
        -- One receive is one message: read it during this call.
        local m = toHelper.toKesMessageIn(message)
        local id = m:getId()
        if id == HELLO then
            -- (an echo server returns our own greeting)
            log("服务器回复: " .. m:readString())
        elseif id == DEAL then
            log("服务器回复: " .. m:readString())
            local cards = readCards(m)
            log("发到 " .. #cards .. " 张牌")
            -- 出第一张牌 (play the first card).
            local play = kest2d.CKesMessageOut(PLAY)
            play:writeByte(1)
            play:writeByte(cards[1] or 0)
            frame:Send(play)
        elseif id == PLAYED then
            log("服务器: " .. m:readString() .. ", 还剩 " .. m:readByte() .. " 张")
        end
    elseif state == kest2d.NOCONNECT then
        log("与服务器的连接已断开")
    end
end
