-- The cost of the binding's bound calls, as a game's top-level code: run by
-- bench/binding_cost.sh under the kest2d host of each build compared. Prints
-- one line per operation: its name and nanoseconds per operation (CPU time,
-- the best of several rounds).
local FRAME = kest2d.CKesBaseFrame:getSingleton()
local ROOT = FRAME.__CKesBaseGUIContainer__
local RECT = kest2d.CKesRect_int_(1, 2, 30, 40)
local POS = kest2d.CKesPosition2d_int_(5, 6)
local ROUNDS = 7

local function collected()
    kest2d.CKesRect_int_()
end

local operations = {
    { "plain bound call", 200000, function() FRAME:IsSwitchGameMode() end },
    { "field that gives an object", 200000, function() local _ = RECT.UpperLeftCorner end },
    { "CKesRect_int_() made and collected", 100000, collected },
    { "rect + pos", 100000, function() local _ = RECT + POS end },
    { "AddButton + DeleteChildren", 20000, function()
        local b = ROOT:AddButton(951, "b", RECT)
        ROOT:DeleteChildren(b)
    end },
}

for _, op in ipairs(operations) do
    local name, n, f = op[1], op[2], op[3]
    local best = math.huge
    for _ = 1, ROUNDS do
        collectgarbage("collect")
        local start = os.clock()
        for _ = 1, n do f() end
        -- What the loop left for the collector is part of its cost.
        collectgarbage("collect")
        best = math.min(best, (os.clock() - start) / n)
    end
    print(string.format("binding_cost\t%s\t%.1f", name, best * 1e9))
end
