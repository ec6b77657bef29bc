-- Steps of the hostile script that play with the collector (loaded by
-- hostile.lua, which hands over what they use through collector_setup):
--
-- - finalisers of the script's own (newproxy) that close over engine objects
--   and the running callback's records and, when the collector runs them,
--   keep them (they return to the pool: made reachable again), read them
--   (getters and variables), end them and others (delete, DeleteChildren,
--   the functions that delete or clear engine objects), or raise an error.
--   Lua runs a finaliser at whatever collector step comes, inside any
--   allocation of a bound function (while it hands out an object or a
--   text, or turns a number into a text), so what a finaliser ends may be
--   what that function is working on. Some proxies are held for a while and
--   let go by a later step, so that they are finalised in the middle of
--   other steps;
-- - collector steps (collectgarbage("step")) between calls that delete or
--   clear engine objects, so that objects end between the collector's atomic
--   step and the finalisers it then runs;
-- - with finalisers, a collector without pause (finalisers run soon after
--   their proxies go, at many more steps), now and then for a step with a
--   multiplier so large that every allocation is a whole cycle;
-- - finalisers that run when the state closes at the frame's end and call
--   the frame's functions there.
--
-- A finaliser's error surfaces wherever the collector happened to step (Lua
-- 5.1 raises it there): the hostile script runs its top-level steps under
-- pcall.

local S            -- what hostile.lua hands over
local HELD = {}    -- proxies held for a while
local KEPT = {}    -- what finalisers kept, for the pool
local closing = false

-- given: rand, chance, pick, any_object, pool_add, pool_drop, scoped() (the running
-- callback's pooled values or nil), calling() (the arguments of the bound
-- function being called, or nil), TYPE_NAMES, CLASSES, FUNCS,
-- call_function, trace, finalisers (true when that kind of step is on).
function collector_setup(given)
    S = given
    if S.finalisers then collectgarbage("setpause", 0) end
    S.DELETERS = {}
    for _, fn in ipairs(S.FUNCS) do
        local n = fn.name
        if string.find(n, "^Delete") or string.find(n, "^Clear") or string.find(n, "^Remove") or n == "delete" or
           n == "FreeTexture" or n == "LoadGUIConfig" or n == "ShowGUIContainer" then
            S.DELETERS[#S.DELETERS + 1] = fn
        end
    end
end

-- A getter or a variable of the object, read.
local function read(v)
    local c = type(v) == "userdata" and S.CLASSES[tolua.type(v)]
    if not c then return end
    local getters = {}
    for _, f in ipairs(c.funcs) do
        if string.find(f, "^[Gg]et") or string.find(f, "^[Ii]s") then getters[#getters + 1] = f end
    end
    if #getters > 0 then pcall(rawget(c.t, S.pick(getters)), v) end
    if #c.vars > 0 then pcall(function() return v[S.pick(c.vars)] end) end
end

-- Ends the object: its own delete, its parent's DeleteChildren.
function finish_object(v)
    if type(v) ~= "userdata" or not getmetatable(v) then return end
    pcall(function() return v:delete() end)
    pcall(function()
        local parent = v:GetParent()
        if parent then parent:DeleteChildren(v) end
    end)
end

-- The collector's pace. With finalisers the collector runs without pause
-- (cycles follow each other, so finalisers run soon after their proxies go,
-- at many more steps), and now and then for a step with a multiplier so
-- large that every collector step (every allocation) is a whole cycle.
local paced = 0
local function pace()
    if paced > 0 then
        paced = paced - 1
        if paced == 0 then collectgarbage("setstepmul", 200) end
    elseif S.chance(0.1) then
        paced = 1
        S.trace("gc pace")
        collectgarbage("setstepmul", 100000000)
    end
end

local FINALISERS = { "keep", "keep", "read", "read", "end", "end", "end", "end", "raise" }

-- A proxy whose finaliser passes itself on to a new proxy (finalised at a
-- later collector step) up to `links` times before it acts, so that the act
-- lands at some later step; with `in_call` it passes on until the collector
-- steps inside a bound function.
local function arm(act, links, in_call)
    local proxy = newproxy(true)
    getmetatable(proxy).__gc = function()
        if closing then return end
        if links > 0 and ((in_call and not S.calling()) or S.chance(0.5)) then
            arm(act, links - 1, in_call)
        else
            act()
        end
    end
    return proxy
end

function finaliser_step()
    if closing then return end
    pace()
    for _, v in ipairs(KEPT) do S.pool_add(v) end
    KEPT = {}
    -- Most of what a finaliser holds leaves the pool: the finaliser is then
    -- all that reaches it, and the collector finalises the two together.
    local held = {}
    for _ = 1, S.rand(3) do
        local v = S.any_object(S.pick(S.TYPE_NAMES))
        if v ~= nil then
            held[#held + 1] = v
            if S.chance(0.6) then S.pool_drop(tolua.type(v), v) end
        end
    end
    for _, e in ipairs(S.scoped() or {}) do
        if S.chance(0.3) then held[#held + 1] = e[2] end
    end
    local what = S.pick(FINALISERS)
    S.trace("finaliser", what, unpack(held))
    local act = function()
        if what == "keep" then
            for _, v in ipairs(held) do
                if #KEPT < 32 then KEPT[#KEPT + 1] = v end
            end
        elseif what == "read" then
            for _, v in ipairs(held) do read(v) end
        elseif what == "end" then
            for _, v in ipairs(held) do finish_object(v) end
            -- What the bound function that the collector stepped inside
            -- was given: its object, and any other.
            for _, v in pairs(S.calling() or {}) do
                if S.chance(0.7) then finish_object(v) end
            end
            if #S.DELETERS > 0 and S.chance(0.3) then S.call_function(S.pick(S.DELETERS)) end
        else
            error("a finaliser's error")
        end
    end
    -- Ends and errors come in chains of a few links each, several at once.
    local chained = what == "end" or what == "raise"
    local proxy
    for _ = 1, chained and S.rand(4) or 1 do proxy = arm(act, chained and S.rand(30) - 1 or 0, what == "end") end
    if S.chance(0.3) and #HELD < 8 then
        HELD[#HELD + 1] = proxy
    elseif #HELD > 0 and S.chance(0.5) then
        table.remove(HELD, S.rand(#HELD))
    end
end

-- Finalisers that act() at a collector step inside the next bound function
-- called, the collector without pause and stepping at every allocation until
-- they have.
function arm_in_call(act)
    if closing then return end
    collectgarbage("setpause", 0)
    collectgarbage("setstepmul", 100000000)
    arm(function()
        collectgarbage("setpause", S.finalisers and 0 or 200)
        collectgarbage("setstepmul", 200)
        act()
    end, S.rand(8), true)
end

function collector_steps_step()
    pace()
    if #S.DELETERS == 0 then return end
    for _ = 1, S.rand(4) do
        S.call_function(S.pick(S.DELETERS))
        local size = S.rand(3) - 1
        S.trace("gc step", size)
        collectgarbage("step", size)
    end
end

-- Finalisers left for the close of the state at the frame's end: each calls a
-- few functions of the frame, of a container (the GUI root among them) and of
-- the logger, as a game's finaliser may there, before the engine tears down
-- the rest of the frame. Global, so that only the close collects them.
local FRAME_END_CLASSES = { CKesBaseFrame = true, CKesBaseGUIContainer = true, CKesLogger = true }
local function arm_frame_end()
    local fns = {}
    for _, fn in ipairs(S.FUNCS) do
        if FRAME_END_CLASSES[string.match(fn.key, "^[^.]+")] then fns[#fns + 1] = fn end
    end
    if #fns == 0 then return end
    FRAME_END = {}
    for i = 1, S.rand(4) do
        FRAME_END[i] = newproxy(true)
        getmetatable(FRAME_END[i]).__gc = function()
            S.trace("frame end", i)
            for _ = 1, S.rand(6) do pcall(S.call_function, S.pick(fns)) end
        end
    end
end

-- Finalisers do nothing from now on; the held proxies go. Those of the
-- frame's end are armed.
function collector_close()
    closing = true
    HELD, KEPT = {}, {}
    collectgarbage("setpause", 200)
    collectgarbage("setstepmul", 200)
    if S.finalisers then arm_frame_end() end
end
