-- A whole game written as a script, driven only through the binding: it
-- keeps a game timer, draws every tick, loads its layout, keeps its state in
-- an INI file, logs through CKesLogger, talks to its server, downloads a
-- file and closes the window when all of that is done.
--
-- Start command keys: port (the game server on 127.0.0.1) and url (the file
-- to download).

local frame = kest2d.CKesBaseFrame:getSingleton()
local TICK = 1
local game = { ticks = 0, started = os.time(), reply = nil, downloaded = false, connecting = false }

local function log(text)
    kest2d.CKesLogger:output("game: " .. text, kest2d.INFO)
end

-- Configuration: a run counter and the player's name.
frame:Ini_SetFile("game.ini")
local runs = frame:Ini_GetInt("player", "runs", 0) + 1
frame:Ini_SetInt("player", "runs", runs)
local name = frame:Ini_GetString("player", "name", "guest")
frame:Ini_SetString("player", "name", name)
frame:Ini_SetFloat("player", "volume", 0.5)

-- The main layout sets the window's size and title, which is its caption.
local container = frame.__CKesBaseGUIContainer__
local loaded = frame:LoadGUIConfig("layout\\main.xml")
log("layout " .. tostring(loaded) .. " " .. container:GetAbsoluteRect():getWidth() .. "x" ..
    container:GetAbsoluteRect():getHeight() .. " [" .. container:GetCaption() .. "]")
frame:Ini_SetInt("layout", "width", container:GetAbsoluteRect():getWidth())

frame:StartGameTimer(TICK, 10)
log("run " .. runs .. " for " .. name)

-- No update run: the engine reports it over and the resources ready.
function OnProcessGameUpdate()
    log("update over")
end

function LoadGameResources()
    log("resources ready")
end

local function finish(code)
    frame:StopGameTimer(TICK)
    frame:CloseConnect()
    frame:Ini_SetInt("game", "ticks", game.ticks)
    log("done with " .. code)
    frame:CloseGameFrame(code)
end

function OnProcessGameTimer(id)
    if id ~= TICK then return end
    game.ticks = game.ticks + 1
    if not game.connecting then
        game.connecting = true
        local port = tonumber(frame:GetStartCommond("port")) or 0
        log("connect " .. tostring(frame:Connect("127.0.0.1", port)))
        log("download " .. tostring(frame:DownloadFile(frame:GetStartCommond("url"))))
    end

    -- One frame of the game's picture.
    local white = kest2d.CKesColor(255, 255, 255, 255)
    frame:Draw2dRectangle(kest2d.CKesRect_int_(10, 10, 110, 60), kest2d.CKesColor(255, 200, 0, 0))
    frame:Draw2dLine(kest2d.CKesPosition2d_int_(0, 0), kest2d.CKesPosition2d_int_(100, 100), white)
    frame:DrawString("tick " .. game.ticks, kest2d.CKesRect_int_(10, 70, 200, 90), white)

    if game.reply and game.downloaded then
        frame:Snapshot("shot.bmp")
        frame:Ini_SetString("shot", "file", "shot.bmp")
        finish(10009)
    elseif os.time() - game.started > 60 then
        finish(1)
    end
end

function OnProcessGameNetwork(state, message)
    if state == kest2d.CONNECTED then
        local hello = kest2d.CKesMessageOut(0x0101)
        hello:writeString(name)
        log("sent " .. frame:Send(hello))
    elseif state == kest2d.MESPROCESS then
        local m = toHelper.toKesMessageIn(message)
        if m:getId() == 0x0102 then
            game.reply = m:readString()
            frame:Ini_SetString("net", "reply", game.reply)
            log("reply " .. game.reply)
        end
    end
end

function OnProcessGameEvent(e)
    local event = toHelper.toKesEvent(e)
    if event.mEventType == kest2d.KESET_GAME_UPDATE_EVENT then
        local u = event.mUpdateEvnet
        if u.EventType == kest2d.KESGAME_UPDATE_COMPLETE then
            game.downloaded = frame:FileIsExist("data.txt")
            frame:Ini_SetString("download", "file", tostring(game.downloaded))
        elseif u.EventType == kest2d.KESGAME_UPDATE_ERROR then
            log("download failed: " .. u.filename)
        end
    end
end
