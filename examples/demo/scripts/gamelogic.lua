-- The sample game. The engine calls these functions on their occasions.

-- The game window, once the engine's classes are there.
local function Frame()
    if kest2d and kest2d.CKesBaseFrame then
        return kest2d.CKesBaseFrame:getSingletonPtr()
    end
    return nil
end

function LoadGameResources()
    local frame = Frame()
    if frame and frame.MusicPlay then
        -- Music loops; the effect plays once, somewhere between the speakers.
        frame:MusicPlay("sounds\\music.wav", true)
        frame:EffectPlay("sounds\\click.wav")
    end
end

function OnProcessGameUpdate()
end

function OnProcessGameTimer(id)
end

function OnProcessGameEvent(event)
end

function OnProcessGameNetwork(state, message)
end
