-- The sample game. The engine calls these functions on their occasions.

function LoadGameResources()
end

function OnProcessGameUpdate()
end

function OnProcessGameTimer(id)
end

function OnProcessGameEvent(event)
end

function OnProcessGameNetwork(state, message)
end
