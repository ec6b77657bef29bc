-- Every bound function of every class table, called with a nil self and with
-- wrong-typed arguments, raises a Lua error; none crashes the engine.
dofile(SCRIPT_DIR .. "/lib/check.lua")

local skip = { [".collector"] = true }
local classes, calls = 0, 0

-- The runtime's class events, called by hand with arguments that Lua never
-- gives them: each ends in a Lua error or a result.
local EVENTS = { "__index", "__newindex", "__add", "__sub", "__mul", "__div", "__lt", "__le", "__eq", "__call" }
local function args(...) return { n = select("#", ...), ... } end
local EVENT_ARGS = { args(), args({}), args({}, 1), args({}, nil, nil), args({}, 1, 2), args({}, "k", 1),
    args(newproxy()), args(newproxy(), "k"), args(newproxy(), "k", 1), args(io.stdout, "k"), args(nil, "k"),
    args(1, 2) }
-- Objects no variable of the class takes.
local function strangers(name)
    local other = string.find(name, "CKesVector3", 1, true) and kest2d.CKesColor() or kest2d.CKesVector3()
    return { other, newproxy(), io.stdout, {}, { [".c_instance"] = other }, 1 }
end

local function sweep_class(name, class)
    classes = classes + 1
    for key, f in pairs(class) do
        if type(f) == "function" and not skip[key] and string.sub(key, 1, 2) ~= "__" then
            local what = name .. "." .. key
            local attempts = {
                function() return f() end,
                function() return f(nil) end,
                function() return f(nil, {}) end,
                function() return f({}, {}) end,
                function() return f(io.stdout, {}, {}) end,
                function() return f(class, {}, {}, {}, {}, {}, {}, {}) end,
            }
            for i, call in ipairs(attempts) do
                local ok = pcall(call)
                if ok then error(what .. ": attempt " .. i .. " did not raise an error") end
                calls = calls + 1
            end
        end
    end
    for _, event in ipairs(EVENTS) do
        local f = rawget(class, event)
        if type(f) == "function" then
            for _, a in ipairs(EVENT_ARGS) do
                pcall(f, unpack(a, 1, a.n))
                calls = calls + 1
            end
        end
    end
    -- Variable getters and setters with a nil object or one of another class.
    for _, table_name in ipairs({ ".get", ".set" }) do
        local t = rawget(class, table_name)
        if type(t) == "table" then
            for var, f in pairs(t) do
                check(not pcall(f, nil), name .. "." .. var .. " " .. table_name .. " with nil")
                check(not pcall(f, nil, {}), name .. "." .. var .. " " .. table_name .. " with nil and a table")
                for i, other in ipairs(strangers(name)) do
                    local ok, err = pcall(f, other, 1)
                    check(not ok and string.find(tostring(err), "invalid 'self' in accessing variable", 1, true),
                        name .. "." .. var .. " " .. table_name .. " with stranger " .. i .. ": " .. tostring(err))
                end
                calls = calls + 8
            end
        end
    end
end

local function walk(module, prefix)
    for name, value in pairs(module) do
        if type(value) == "table" and rawget(value, ".collector") ~= nil or
           type(value) == "table" and rawget(value, "__index") ~= nil then
            sweep_class(prefix .. name, value)
            -- Nested classes live in their class table.
            for inner, t in pairs(value) do
                if type(t) == "table" and type(inner) == "string" and string.sub(inner, 1, 1) ~= "." and
                   rawget(t, "__index") ~= nil then
                    sweep_class(prefix .. name .. "." .. inner, t)
                end
            end
        end
    end
end

walk(kest2d, "kest2d.")
check(classes >= 20, "found the classes (" .. classes .. ")")
check(calls > 500, "made the calls (" .. calls .. ")")

-- The engine is still fine.
local frame = kest2d.CKesBaseFrame:getSingleton()
check_eq(frame:GetWorkingDirection(), GAME_DIR, "engine alive")
print("swept " .. classes .. " classes with " .. calls .. " calls")

-- Every bound name, one by one: with nil as its object and arguments of the
-- right kinds a method raises the "invalid 'self'" text; with a wrong-typed
-- (or one extra) argument every function raises its argument error.
dofile(SCRIPT_DIR .. "/lib/bound.lua")
local values = sample_values()
local checked = 0
for _, c in ipairs(BOUND) do
    local t = class_table(c.path)
    for _, e in ipairs(t and c.entries or {}) do
        local where = table.concat(c.path, ".") .. "." .. e.name
        if e.kind == "var" then
            local get, set = rawget(t, ".get"), rawget(t, ".set")
            if get and get[e.name] then
                check_error("invalid 'self' in accessing variable '" .. e.name .. "'", get[e.name], nil)
                checked = checked + 1
            end
            if set and set[e.name] then
                check_error("invalid 'self' in accessing variable '" .. e.name .. "'", set[e.name], nil, 1)
                checked = checked + 1
            end
        elseif rawget(t, e.name) then
            local f = rawget(t, e.name)
            local args, n = sample_args(e.args, values)
            local wrong, wn = sample_args(e.args, values)
            wrong[1], wn = {}, math.max(wn, 1)
            if e.kind == "method" then
                check_error("invalid 'self' in function '", f, nil, unpack(args, 1, n))
                check_error("error in function '" .. e.name .. "'.", f, nil, unpack(wrong, 1, wn))
                checked = checked + 2
            else
                check_error("error in function '", f, t, {}, {}, {}, {}, {}, {}, {}, {})
                check_error("error in function '", f, nil, unpack(args, 1, n))
                checked = checked + 2
            end
        end
    end
end
check(checked > 400, "checked every bound name (" .. checked .. ")")
check_eq(frame:GetWorkingDirection(), GAME_DIR, "engine alive after the name sweep")
