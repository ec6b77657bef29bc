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

-- given: rand, chance, trace, any_object, finish (ends an object),
-- arm_in_call (arms finalisers for the next bound function), enabled (true
-- when the kind of step is on).
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

-- Parts of elements, by the type an argument wants: what a function then
-- converts lives inside an element that a later argument's lookup ends.
local PARTS = {
    ["kest2d::CKesRect<int>"] = function(el) return el:GetAbsoluteRect() end,
    ["kest2d::CKesPosition2d<int>"] = function(el) return el:GetClippingRect().UpperLeftCorner end,
    ["kest2d::CKesDimension2d<int>"] = function(el) return el:GetRelativeRect() end,
}
local function part_of_element(want)
    local read = PARTS[want and string.gsub(want, "^const ", "") or ""]
    local el = read and S.any_object("kest2d::CKesBaseGUIElement")
    if not el then return nil end
    local ok, part = pcall(read, el)
    if not ok or part == nil then return nil end
    lookups_note(part, el)
    return part
end

-- The arguments 1..n of a call about to be made, with the types its
-- argument checks are known to want (`wants`, by position): the table stands
-- at a position that wants an object, where the function looks it up.
local PLAIN = { number = true, string = true, boolean = true }
function lookups_arguments(args, n, wants)
    if not S.enabled or n < 2 then return end
    local positions = {}
    for i = 2, n do
        if wants[i] and not PLAIN[wants[i]] then positions[#positions + 1] = i end
    end
    local at = #positions > 0 and positions[S.rand(#positions)] or n
    local victims = {}
    for i = 1, at - 1 do
        if i > 1 and S.chance(0.5) then args[i] = part_of_element(wants[i]) or args[i] end
        if type(args[i]) == "userdata" and S.chance(0.9) then victims[#victims + 1] = args[i] end
    end
    if #positions > 0 and S.chance(0.5) then args[at] = standing_for(args[at], victims) end
    if #victims > 0 and S.chance(0.15) then S.arm_in_call(function() end_all(victims) end) end
end

-- The value about to be written to a variable of `obj`.
function lookups_value(obj, value)
    if not S.enabled or not S.chance(0.2) then return value end
    return standing_for(value, { obj })
end
