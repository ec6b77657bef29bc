-- Every bound function of every class table, called with a nil self and with
-- wrong-typed arguments, raises a Lua error; none crashes the engine.
dofile(SCRIPT_DIR .. "/lib/check.lua")

local skip = { [".collector"] = true }
local classes, calls = 0, 0

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
    -- Variable getters and setters with a nil object.
    for _, table_name in ipairs({ ".get", ".set" }) do
        local t = rawget(class, table_name)
        if type(t) == "table" then
            for var, f in pairs(t) do
                check(not pcall(f, nil), name .. "." .. var .. " " .. table_name .. " with nil")
                check(not pcall(f, nil, {}), name .. "." .. var .. " " .. table_name .. " with nil and a table")
                calls = calls + 2
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
