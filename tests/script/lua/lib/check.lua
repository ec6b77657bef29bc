-- Small assertions shared by the Lua test scripts.

function check_eq(actual, expected, what)
    if actual ~= expected then
        error(string.format("%s: expected %s, got %s", what or "value", tostring(expected), tostring(actual)), 2)
    end
end

function check(cond, what)
    if not cond then error(what or "check failed", 2) end
end

-- Calls f(...) and requires a Lua error whose text contains `text` (plain).
function check_error(text, f, ...)
    local ok, err = pcall(f, ...)
    if ok then error("expected an error containing '" .. text .. "', the call succeeded", 2) end
    err = tostring(err)
    if not string.find(err, text, 1, true) then
        error("expected an error containing '" .. text .. "', got: " .. err, 2)
    end
    return err
end

-- Objects that Lua's collector will delete (the runtime's ownership table).
function owned_count()
    local n = 0
    for _ in pairs(debug.getregistry().tolua_gc) do n = n + 1 end
    return n
end

function full_gc()
    collectgarbage("collect")
    collectgarbage("collect")
end

-- Objects that Lua owns and that are alive: the collector's table and the
-- objects made with new (or released by the collector) not yet deleted.
function live_count()
    local n = owned_count()
    for _ in pairs(debug.getregistry()["kest2d.owned"]) do n = n + 1 end
    return n
end
