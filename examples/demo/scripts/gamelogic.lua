-- 示例游戏的逻辑。引擎在各自的时机调用下面五个函数。
-- (The sample game. The engine calls the five functions below on their occasions.)
--
-- 一个牌桌: 连接游戏服务器 (examples/server/table_server.py), 收到发的 17 张牌后
-- 显示在牌控件里; 点击牌把它提起或放下, 点 "出牌" 把提起的牌发给服务器,
-- 服务器的回复显示在牌的上方。
-- (A card table: the hand the server deals is shown in the card control; a
-- click raises or lowers a card, the play button sends the raised cards, and
-- the server's answer is shown above the hand.)

local frame = kest2d.CKesBaseFrame:getSingleton()
local CLOCK_TIMER = 1
local seconds = 0

-- 主界面上的控件 (the controls of layout\main.xml, by id).
local STATUS_ID = 102   -- 状态文字 (the status line)
local PLAY_ID = 201     -- 出牌按钮 (the play button)
local HAND_ID = 300     -- 手牌 (the hand)

local function log(text)
    kest2d.CKesLogger:output(text, kest2d.INFO)
end

local function control(id)
    return frame.__CKesBaseGUIContainer__:FindControlById(id)
end

local function hand()
    return toHelper.toKesGUIGameCard(control(HAND_ID))
end

-- 状态文字同时写进日志 (the status line, also logged).
local function status(text)
    local label = toHelper.toKesGUIStatic(control(STATUS_ID))
    if label then label:SetText(text) end
    log(text)
end

-- 游戏的设置 (the game's settings: the INI file of the game folder, read only here).
frame:Ini_SetFile("systemini.ini")
log("游戏名称: " .. frame:Ini_GetString("systemini", "caption", "") .. ", 窗口 " ..
    frame:Ini_GetInt("systemini", "screenwidth", 800) .. "x" .. frame:Ini_GetInt("systemini", "screenheight", 600))

-- The update check is over (the sample has none): the game may start.
function OnProcessGameUpdate()
    frame:SystemLog(kest2d.INFO, "更新完成")
end

-- 游戏服务器 (the game server: server$host:port, or port$N for a server on
-- this machine; without either, 127.0.0.1:5000).
local function serverAddress()
    local host, port = string.match(frame:GetStartCommond("server"), "^(.+):(%d+)$")
    if host then return host, tonumber(port) end
    local given = string.match(frame:GetStartCommond("port"), "^%d+$")
    return "127.0.0.1", tonumber(given or "5000")
end

-- Resources are ready: load the table and go to the server.
function LoadGameResources()
    frame:SystemLog(kest2d.INFO, "载入游戏资源: " .. frame:GetWorkingDirection())
    -- 主界面 (the main window's layout: its size, title and controls; its fonts
    -- exist once the renderer has started, so it is loaded here).
    if not frame:LoadGUIConfig("layout\\main.xml") then
        log("主界面载入失败")
    end
    frame:StartGameTimer(CLOCK_TIMER, 1000)
    local host, port = serverAddress()
    status("连接服务器 " .. host .. ":" .. port)
    if not frame:Connect(host, port) then
        status("连接服务器失败: " .. host)
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

-- The messages of the sample table (examples/server/table_server.py):
-- each is an id, then its fields; "cards" is a byte count and one byte per card.
local HELLO = 1   -- 客户端: string 问候
local READY = 2   -- 客户端: 无字段
local DEAL = 3    -- 服务器: string 问候, cards 发到的牌
local PLAY = 4    -- 客户端: cards 出的牌
local PLAYED = 5  -- 服务器: string 结果, byte 剩余张数

local connected = false

-- 牌型的名字 (the names of the hand types, by GetOutType's value).
local TYPE_NAMES = {
    [kest2d.OUTTYPE_SINGLE] = "单张", [kest2d.OUTTYPE_YIDUI] = "对子", [kest2d.OUTTYPE_SANZHANG] = "三张",
    [kest2d.OUTTYPE_SANDAIYI] = "三带一", [kest2d.OUTTYPE_SANDAIYIDUI] = "三带一对",
    [kest2d.OUTTYPE_SHUIZI] = "顺子", [kest2d.OUTTYPE_LIANDUI] = "连对",
    [kest2d.OUTTYPE_SANZHANGSHUIZI] = "飞机", [kest2d.OUTTYPE_SANZHANGSHUIZIDAIYI] = "飞机带单",
    [kest2d.OUTTYPE_SANZHANGSUUIZIDAIYIDUI] = "飞机带对", [kest2d.OUTTYPE_SIDAILIANGZHANG] = "四带二",
    [kest2d.OUTTYPE_SIDAILIANGDUI] = "四带两对", [kest2d.OUTTYPE_ZHADAN] = "炸弹", [kest2d.OUTTYPE_HUOJIAN] = "火箭",
}

-- 发到的牌: 显示, 按点数排好 (the dealt hand: shown, sorted 3 ... K A 2 jokers).
local function showHand(cards)
    local h = hand()
    if not h or #cards == 0 then return end
    local values = kest2d.CKesVector_int_()
    for _, v in ipairs(cards) do values:push_back(v) end
    h:SetCardData(values, true)
    h:SortAllCards()
    log("手牌 " .. h:GetCardCount() .. " 张")
end

-- 选牌后: 说出提起的牌是什么牌型 (after a click: name the raised cards' hand type).
local function cardsSelected()
    local h = hand()
    local raised = h:GetSelectedCards()
    if raised:size() == 0 then
        status("请选牌, 然后点出牌")
    else
        status("选中 " .. raised:size() .. " 张: " .. (TYPE_NAMES[h:GetOutType(raised)] or "不成牌型"))
    end
end

-- 出牌: 提起的牌成牌型时发给服务器, 并从手牌中拿走
-- (play: the raised cards go to the server when they make a hand type, and
-- leave the hand).
local function playRaised()
    local h = hand()
    local raised = h:GetSelectedCards()
    if not connected then
        status("没有连接服务器")
    elseif raised:size() == 0 then
        status("请先选牌")
    elseif h:GetOutType(raised) == kest2d.OUTTYPE_NULL then
        status("不成牌型, 请重选")
    else
        local play = kest2d.CKesMessageOut(PLAY)
        play:writeByte(raised:size())
        for i = 0, raised:size() - 1 do play:writeByte(raised[i]) end
        if frame:Send(play) < 0 then
            status("出牌没有发出去")
            return
        end
        h:StartOutCards()
        status("出牌 " .. raised:size() .. " 张, 等服务器回复")
    end
end

-- e is the engine's event record, handed over as light user data.
function OnProcessGameEvent(e)
    local event = toHelper.toKesEvent(e)
    if event.mEventType == kest2d.KESET_GUI_EVENT then
        local kind, id = event.mGuiEvent.EventType, event.mGuiEvent.Caller:GetID()
        if kind == kest2d.KESGET_ELEMENT_SELECTED and id == HAND_ID then
            cardsSelected()
        elseif kind == kest2d.KESGET_BUTTON_CLICKED and id == PLAY_ID then
            playRaised()
        end
        -- 按键交给脚本 (keys to the script again): keys go to the control the
        -- pointer last found, and the hand and the button keep them. No element
        -- has the id 0, so this only makes the table the current element
        -- again, and Esc works after a click on a card or on 出牌. The
        -- button's release reports too, so this runs after it as well.
        if kind ~= kest2d.KESGET_ELEMENT_HOVERED then
            frame.__CKesBaseGUIContainer__:ShowControlById(0, false)
        end
    elseif event.mEventType == kest2d.KESET_KEY_INPUT_EVENT and event.mKeyEvent.isPressedDown and
           event.mKeyEvent.Key == kest2d.KEY_ESCAPE then
        -- Esc 退出游戏 (Esc closes the game; while the pointer moves over the
        -- hand or the button, they are current again and keep the keys).
        frame:CloseGameFrame()
    end
end

local function readCards(m)
    local cards = {}
    for i = 1, m:readByte() do
        cards[i] = m:readByte()
    end
    return cards
end

-- state is the connection state, message the received message (light user data).
function OnProcessGameNetwork(state, message)
    if state == kest2d.CONNECTED then
        connected = true
        status("已连接, 等待发牌")
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
            local greeting = m:readString()
            log("服务器回复: " .. greeting)
            local cards = readCards(m)
            log("发到 " .. #cards .. " 张牌")
            showHand(cards)
            status(greeting .. ": 点牌选中, 再点出牌")
        elseif id == PLAYED then
            status("服务器: " .. m:readString() .. ", 还剩 " .. m:readByte() .. " 张")
        end
    elseif state == kest2d.NOCONNECT then
        status(connected and "与服务器的连接已断开" or "连接服务器失败")
        connected = false
    end
end
