-- Arguments that end what a bound function works on while the function takes
-- them (loaded by hostile.lua, which hands over what they use through
-- lookups_setup):
--
-- - an object argument given as a table that stands for it (".c_instance",
--   as a Lua class instance holds its engine object), whose __index, when
--   the function looks the object up, ends the arguments before it and what
--   they were read from (the element whose rectangle or corner an argument
--   is, the object a returned reference lives in); a variable's new value
--   given so, ending the object whose variable is being set;
-- - before a call now and then, finalisers armed to end the same things at
--   a collector step inside the call, the collector stepping at every
--   allocation until they have.
--
-- The function must give a Lua error or work on what still lives.

local S
-- A value -> the object it was read from, for as long as the value lives.
local FROM = setmetatable({}, { __mode = "k" })

-- given: rand, chance, trace, finish (ends an object), arm_in_call (arms
-- finalisers for the next bound function), enabled (true when the kind of
-- step is on).
function lookups_setup(given) S = given end

-- `v` was read from `from` (a field, a rectangle, a reference a method gave).
function lookups_note(v, from)
    if type(v) == "userdata" and getmetatable(v) and type(from) == "userdata" and not rawequal(v, from) then
        FROM[v] = FROM[from] or from
    end
end

local function end_all(values)
    for _, v in ipairs(values) do
        S.finish(v)
        if FROM[v] ~= nil then S.finish(FROM[v]) end
    end
end

local function standing_for(v, victims)
    return setmetatable({}, { __index = function(_, k)
        if k ~= ".c_instance" then return nil end
        S.trace("lookup ends", unpack(victims))
        end_all(victims)
        return v
    end })
end

-- The arguments 1..n of a call about to be made.
function lookups_arguments(args, n)
    if not S.enabled or n < 2 then return end
    local at, victims = S.rand(n - 1) + 1, {}
    for i = 1, at - 1 do
        if type(args[i]) == "userdata" and S.chance(0.7) then victims[#victims + 1] = args[i] end
    end
    if S.chance(0.2) then args[at] = standing_for(args[at], victims) end
    if #victims > 0 and S.chance(0.15) then S.arm_in_call(function() end_all(victims) end) end
end

-- The value about to be written to a variable of `obj`.
function lookups_value(obj, value)
    if not S.enabled or not S.chance(0.2) then return value end
    return standing_for(value, { obj })
end
