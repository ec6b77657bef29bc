-- A hostile game script, generated from a seed while it runs: random calls of
-- every bound function of every class a script can make or reach, with
-- arguments of every kind, objects handed between owners, casts, variables,
-- metamethods, the frame loop with timers and input, callbacks that change
-- the tree while the engine walks it, and random layouts. Run by
-- kest2d_script_runner (fuzz/script/run.sh runs many seeds); a Lua error is
-- an expected outcome, a signal, a sanitizer report or a hang is a fault.
--
-- The classes and functions are taken from the binding's own tables at run
-- time (the module kest2d, nested class tables, their .get/.set tables), and
-- each function's argument types are learnt from the argument errors the
-- binding raises, so nothing here lists the binding. Layout control types
-- and properties are read from docs/layout.md.
--
-- Environment:
--   KEST2D_FUZZ_SEED   the seed (default 1); the same seed makes the same script
--   KEST2D_FUZZ_STEPS  top-level steps (default 300)
--   KEST2D_FUZZ_KINDS  the step kinds to use, comma separated (default: all of KINDS below)
--   KEST2D_FUZZ_AVOID  bound functions never called, comma separated ("CKesBaseFrame.ClearAllFonts")
--   KEST2D_FUZZ_REPORT a file that the run's figures are appended to
--   KEST2D_FUZZ_TRACE  1: each step is written to standard error before it runs
local ROOT = SCRIPT_DIR .. "/../.."
dofile(SCRIPT_DIR .. "/lib/rng.lua")
dofile(SCRIPT_DIR .. "/lib/layouts.lua")
dofile(SCRIPT_DIR .. "/lib/collector.lua")
dofile(SCRIPT_DIR .. "/lib/lookups.lua")
dofile(SCRIPT_DIR .. "/lib/report.lua")

local SEED = tonumber(os.getenv("KEST2D_FUZZ_SEED") or "") or 1
local STEPS = tonumber(os.getenv("KEST2D_FUZZ_STEPS") or "") or 300
local TRACE = os.getenv("KEST2D_FUZZ_TRACE") == "1"
local REPORT = os.getenv("KEST2D_FUZZ_REPORT")

-- Step kinds. Those marked (lifetime) reach objects after their owner may
-- have freed them; they can be left out with KEST2D_FUZZ_KINDS.
local KINDS = {
    "call",      -- a bound function with learnt arguments
    "var",       -- read or write a variable
    "meta",      -- a metamethod or collector of an object's class, called by hand
    "cast",      -- toHelper casts and tolua.cast of objects to every type
    "own",       -- takeownership, releaseownership and delete
    "new",       -- constructors with new (the script owns the object) (lifetime: never freed)
    "gc",        -- a collection
    "frames",    -- run the game loop for a while (timers, drawing, downloads)
    "input",     -- mouse, key and character messages for the game window
    "layout",    -- write a random layout and load it into the frame or a container
    "callbacks", -- callbacks run steps too: the tree changes during events and timers
    "root",      -- hand the GUI root (the frame's container) to functions as an argument
                 -- (lifetime: adopt, delete it)
    "borrowed",  -- keep references into other objects (fields, rectangles of elements, fonts)
                 -- (lifetime)
    "records",   -- keep the callback's event record and message after the callback (lifetime)
    "threads",   -- steps inside coroutines, some left suspended and resumed later
    "finalisers", -- finalisers (newproxy) that keep, read, end (delete, clear) or raise over engine
                  -- objects and records, with the collector running without pause (lifetime;
                  -- lib/collector.lua)
    "gcsteps",   -- collector steps between calls that delete or clear engine objects
    "lookups",   -- arguments and new values given as tables whose lookup ends what the function works on,
                 -- and finalisers armed to do it inside the call (lifetime; lib/lookups.lua)
}
local enabled = {}
do
    local given = os.getenv("KEST2D_FUZZ_KINDS")
    for _, k in ipairs(KINDS) do enabled[k] = not given or given == "" or given == "all" end
    if given and given ~= "" and given ~= "all" then
        for k in string.gmatch(given, "[^,%s]+") do
            if enabled[k] == nil then error("unknown step kind " .. k) end
            enabled[k] = true
        end
    end
end
local avoid = {}
for name in string.gmatch(os.getenv("KEST2D_FUZZ_AVOID") or "", "[^,%s]+") do avoid[name] = true end

rng_seed(SEED)
local rand, chance, pick = rng_rand, rng_chance, rng_pick

local frame = kest2d.CKesBaseFrame:getSingleton()
local reg = debug.getregistry()
local stats = { calls = 0, ok = 0, errors = 0, steps = 0 }
local reached, returned = {}, {}

-- Values in the trace: objects by type and a number of their own.
local names, named = setmetatable({}, { __mode = "k" }), 0
local function describe(v)
    if type(v) == "userdata" and getmetatable(v) then
        if not names[v] then named = named + 1 names[v] = named end
        return tolua.type(v) .. "#" .. names[v]
    elseif type(v) == "string" then
        return string.format("%q", #v > 40 and string.sub(v, 1, 40) .. "..." or v)
    end
    return tostring(v)
end
local function trace(...)
    if not TRACE then return end
    local parts = { ... }
    for i = 1, select("#", ...) do
        if type(parts[i]) ~= "string" or i > 2 then parts[i] = describe(parts[i]) end
    end
    io.stderr:write(table.concat(parts, " "), "\n")
    io.stderr:flush()
end

-- The binding ----------------------------------------------------------------

-- CLASSES[type name] = { type, path, t (class table), funcs = { names }, vars = { names } }
local CLASSES, FUNCS, TYPE_NAMES = {}, {}, {}
local function discover(tbl, path, depth)
    local keys = {}
    for k, v in pairs(tbl) do
        if type(k) == "string" and type(v) == "table" and type(reg[v]) == "string" then keys[#keys + 1] = k end
    end
    table.sort(keys)
    for _, k in ipairs(keys) do
        local t = tbl[k]
        local name = reg[t]
        if not CLASSES[name] and depth < 3 then
            local c = { type = name, path = path .. "." .. k, t = t, funcs = {}, vars = {}, meta = {} }
            CLASSES[name] = c
            TYPE_NAMES[#TYPE_NAMES + 1] = name
            for fk, fv in pairs(t) do
                if type(fk) == "string" and type(fv) == "function" then
                    if fk == ".collector" or string.sub(fk, 1, 2) == "__" then
                        c.meta[#c.meta + 1] = fk
                    else
                        c.funcs[#c.funcs + 1] = fk
                    end
                end
            end
            local get, set = rawget(t, ".get"), rawget(t, ".set")
            for vk in pairs(type(get) == "table" and get or {}) do c.vars[#c.vars + 1] = vk end
            for vk in pairs(type(set) == "table" and set or {}) do
                if not (get and get[vk]) then c.vars[#c.vars + 1] = vk end
            end
            table.sort(c.funcs)
            table.sort(c.vars)
            table.sort(c.meta)
            for _, fk in ipairs(c.funcs) do
                local key = string.gsub(c.path, "^kest2d%.", "") .. "." .. fk
                if not avoid[key] then
                    FUNCS[#FUNCS + 1] = { cls = c, name = fk, key = key }
                    c.by_name = c.by_name or {}
                    c.by_name[fk] = FUNCS[#FUNCS]
                end
            end
            discover(t, c.path, depth + 1)
        end
    end
end
discover(kest2d, "kest2d", 0)
table.sort(TYPE_NAMES)

-- Classes that pass for a type: the type itself and every class whose bases
-- include it (the runtime's table of bases).
local PASSES = {}
for _, name in ipairs(TYPE_NAMES) do PASSES[name] = { name } end
for _, name in ipairs(TYPE_NAMES) do
    local bases = reg.tolua_super[reg[name]]
    for base in pairs(type(bases) == "table" and bases or {}) do
        if PASSES[base] then table.insert(PASSES[base], name) end
    end
end
for _, list in pairs(PASSES) do table.sort(list) end

-- Values -----------------------------------------------------------------------

local MAX, MIN = 2147483647, -2147483648
local NUMBERS = { 0, 1, -1, 2, 3, 5, 7, 10, 16, 100, 255, 256, 1000, 65535, 1000000, MAX, MIN, MAX + 1, -0.5,
    0.5, 1.9, 1e300, -1e300, 1 / 0, -1 / 0, 0 / 0, 4294967295, 10000, 10001, 10009 }
local STRINGS = { "", "x", "abc", "img.bmp", "strip.bmp", "missing.png", "layout\\f1.xml", "layout\\f2.xml",
    "faces", "sub", "\196\227\186\195", string.rep("w", 3000), "%s%d%n", "a;b;;c", "1;2", "255;255;0;0",
    "DefaultFont", "C:\\WINDOWS\\fonts\\SIMHEI.TTF", "http://127.0.0.1:1/x", "\0\1\2\3\4\5\6\7", "10;20;30;40" }
-- Arguments that reach outside the game folder or the machine stay inside them.
local SANDBOX = {
    Connect = { [2] = { "127.0.0.1", "" }, [3] = { 1, 0, -1 } },
    DownloadFile = { [2] = { "http://127.0.0.1:1/x", "ftp://x", "" } },
    UpdateGame = { [2] = { "update.ini", "missing.ini" } },
    ChangePlayerWorkingDir = { [2] = { "sub", "missing", "" } },
    setLogFile = { [2] = { "other.log", "" } },
}

local POOL = {}      -- type name -> values
local LIGHT = {}     -- light user data seen
local scoped = nil   -- values pooled inside the running callback (dropped after it unless "records")
local function pool_add(v)
    local name = tolua.type(v)
    local list = POOL[name]
    if not list then list = {} POOL[name] = list end
    if #list < 8 then list[#list + 1] = v else list[rand(8)] = v end
    if scoped then scoped[#scoped + 1] = { name, v } end
end
local function pool_drop(name, v)
    local list = POOL[name] or {}
    for i = #list, 1, -1 do if rawequal(list[i], v) then table.remove(list, i) end end
end

local function any_object(name)
    local kinds = {}
    for _, n in ipairs(PASSES[name] or { name }) do
        if POOL[n] and #POOL[n] > 0 then kinds[#kinds + 1] = n end
    end
    if #kinds == 0 then return nil end
    local list = POOL[pick(kinds)]
    return list[rand(#list)]
end

local function random_value()
    local r = rand(12)
    if r <= 3 then return pick(NUMBERS) elseif r <= 5 then return pick(STRINGS)
    elseif r == 6 then return chance(0.5) elseif r == 7 then return nil
    elseif r == 8 then return #LIGHT > 0 and pick(LIGHT) or {}
    else return any_object(pick(TYPE_NAMES)) end
end

-- Calls ------------------------------------------------------------------------

-- What the argument errors taught about each function: LEARNT[key] = { args
-- = { [i] = type }, arity = n, class = true when argument 1 is the class
-- table }; and which functions gave an object of each type (PRODUCERS).
local LEARNT, PRODUCERS = {}, {}
local function learn(sig, err)
    local at, _, want = string.match(err, "argument #(%d+) is '([^']*)'; '([^']*)' expected")
    at = tonumber(at)
    if not at then return false end
    if at == 1 then
        if want == "[no object]" or sig.flipped then return false end
        sig.class, sig.flipped = not sig.class, true
    elseif want == "[no object]" then
        if sig.arity == at - 1 then return false end
        sig.arity = at - 1
    else
        if sig.args[at] == want and (sig.arity or 0) >= at then return false end
        sig.args[at] = want
        if not sig.arity or sig.arity < at then sig.arity = at end
    end
    return true
end

local function count_collected()
    local n = 0
    for _ in pairs(reg.tolua_gc) do n = n + 1 end
    return n
end

-- GUI elements: the binding forgets their user data when the tree deletes them.
-- The scroll bar is registered without a base.
local ELEMENTS = { ["kest2d::CKesGUIScrollBar"] = true }
for _, e in ipairs(PASSES["kest2d::CKesEventReceiver"] or {}) do ELEMENTS[e] = true end

-- Keeps what a call gave: objects the call made (registered with the
-- collector, or made by a class function), GUI elements and anything else
-- when "borrowed"; light user data always.
local function keep_results(results, n, made, fn)
    for i = 2, n do
        local v = results[i]
        if type(v) == "userdata" and getmetatable(v) then
            local name = tolua.type(v)
            if fn then
                PRODUCERS[name] = PRODUCERS[name] or {}
                PRODUCERS[name][fn.key] = fn
            end
            if ELEMENTS[name] or made or enabled.borrowed or name == "kest2d::CKesBaseFrame" then pool_add(v) end
        elseif type(v) == "userdata" then
            if #LIGHT < 16 then LIGHT[#LIGHT + 1] = v end
        end
    end
end

local step, call_function  -- forward
local calling = nil  -- the arguments of the bound function being called (finalisers end them)

-- An object of the type, made on the spot when the pool has none: by a
-- constructor of a class that passes for it or by a function that gave one.
local function make(name, depth)
    local found = any_object(name)
    if found ~= nil or depth > 2 then return found end
    local makers = {}
    for _, n in ipairs(PASSES[name] or {}) do
        local c = CLASSES[n]
        if c and c.by_name and c.by_name[".call"] then makers[#makers + 1] = c.by_name[".call"] end
        local keys = {}
        for k in pairs(PRODUCERS[n] or {}) do keys[#keys + 1] = k end
        table.sort(keys)
        for _, k in ipairs(keys) do makers[#makers + 1] = PRODUCERS[n][k] end
    end
    if #makers == 0 then return nil end
    call_function(pick(makers), depth + 1)
    return any_object(name)
end

local GUI_ROOT = frame.__CKesBaseGUIContainer__
-- A value of the type an argument check named, or any value now and then.
local function value_of(expected, depth)
    local v
    if not expected or chance(0.08) then
        v = random_value()
    elseif expected == "number" then
        -- Small whole numbers are indexes, ids and enumeration values.
        local r = rand(3)
        v = r == 1 and rand(4) - 1 or r == 2 and rand(21) - 1 or pick(NUMBERS)
    elseif expected == "string" then
        v = pick(STRINGS)
    elseif expected == "boolean" then
        v = chance(0.5)
    else
        v = make((string.gsub(expected, "^const ", "")), depth or 2)
    end
    if rawequal(v, GUI_ROOT) and not enabled.root then return nil end
    return v
end

local function arguments(fn, sig, depth)
    local args, n = {}, sig.arity or rand(6)
    if sig.class then args[1] = fn.cls.t else args[1] = make(fn.cls.type, depth) end
    local sandbox = SANDBOX[fn.name]
    for i = 2, n do
        if sandbox and sandbox[i] then
            args[i] = pick(sandbox[i])
        else
            args[i] = value_of(sig.args[i], depth)
            -- Positions a sandboxed function has not been learnt for take no texts.
            if sandbox and type(args[i]) == "string" then args[i] = "x" end
        end
    end
    return args, n
end

-- Calls the function with arguments of the types learnt so far; an argument
-- error teaches one more and the call is tried again, a few times.
call_function = function(fn, depth)
    depth = depth or 0
    if fn.name == "new" and not enabled.new then return end
    local sig = LEARNT[fn.key]
    if not sig then
        sig = { args = {}, class = fn.name == "new" or fn.name == "new_local" or fn.name == ".call" }
        LEARNT[fn.key] = sig
    end
    local f = rawget(fn.cls.t, fn.name)
    for _ = 1, 4 do
        local args, n = arguments(fn, sig, depth)
        lookups_arguments(args, n, sig.args)
        if TRACE then trace("call", fn.key, unpack(args, 1, n)) end
        reached[fn.key] = true
        stats.calls = stats.calls + 1
        local before = count_collected()
        local outer = calling
        calling = args
        local results = { pcall(f, unpack(args, 1, n)) }
        calling = outer
        if results[1] then
            stats.ok = stats.ok + 1
            returned[fn.key] = true
            keep_results(results, table.maxn(results), count_collected() > before or sig.class, fn)
            for i = 2, table.maxn(results) do lookups_note(results[i], args[1]) end
            -- A result is used at once, whatever it is.
            local r = results[2]
            local rc = type(r) == "userdata" and getmetatable(r) and CLASSES[tolua.type(r)]
            if rc and #rc.funcs > 0 and chance(0.3) then
                pcall(rawget(rc.t, pick(rc.funcs)), r, value_of("number"), value_of("number"))
            end
            return
        end
        stats.errors = stats.errors + 1
        if not learn(sig, tostring(results[2])) then return end
    end
end

local function random_class_with(field)
    for _ = 1, 8 do
        local c = CLASSES[pick(TYPE_NAMES)]
        if #c[field] > 0 then return c end
    end
end

local VAR_TYPES = {}
local function variable_step()
    local c = random_class_with("vars")
    if not c then return end
    local obj = any_object(c.type)
    if obj == nil and chance(0.8) then return end
    local var = pick(c.vars)
    local key = c.type .. "." .. var
    trace("var", key, obj)
    if chance(0.5) then
        local ok, v = pcall(function() return obj[var] end)
        if ok and v ~= nil then lookups_note(v, obj) keep_results({ true, v }, 2, false) end
    else
        local value = lookups_value(obj, value_of(VAR_TYPES[key]))
        local ok, err = pcall(function() obj[var] = value end)
        local want = not ok and string.match(tostring(err), "; '([^']*)' expected")
        if want then VAR_TYPES[key] = want end
    end
end

-- Called with an object and two values, or with one to three values of any
-- shape (tables, proxies, class tables), as Lua itself never calls them.
local function meta_step()
    local c = random_class_with("meta")
    if not c then return end
    local name = pick(c.meta)
    local args = { any_object(c.type), value_of(nil), value_of(nil) }
    local n = 3
    if chance(0.3) then
        n = rand(4) - 1
        for i = 1, n do args[i] = pick({ {}, newproxy(), c.t, "k", 1, value_of(nil) }) end
    end
    trace("meta", c.type .. "." .. name, unpack(args, 1, n))
    pcall(rawget(c.t, name), unpack(args, 1, n))
end

local HELPERS = {}
for k in pairs(toHelper) do HELPERS[#HELPERS + 1] = k end
table.sort(HELPERS)
-- What is cast: an object, a light user data, or an object inside a table
-- (as a Lua class instance holds its engine object).
local function cast_step()
    local obj = any_object(pick(TYPE_NAMES))
    if obj == nil then return end
    local form = rand(6)
    if form == 1 and #LIGHT > 0 then obj = pick(LIGHT) elseif form == 2 then obj = { [".c_instance"] = obj } end
    local r
    if chance(0.5) then
        local h = pick(HELPERS)
        -- Records of the running call: in the callbacks below; here only
        -- addresses (kept records, blocks).
        local light = type(obj) == "userdata" and getmetatable(obj) == nil
        if (h == "toKesEvent" or h == "toKesMessageIn") and not light then return end
        trace("cast", h, obj)
        r = toHelper[h](obj)
    else
        local to = pick(TYPE_NAMES)
        trace("cast", to, obj)
        r = tolua.cast(obj, to)
    end
    if r ~= nil then keep_results({ true, r }, 2, false) end
end

local function own_step()
    local obj = any_object(pick(TYPE_NAMES))
    if obj == nil then return end
    local r = rand(3)
    trace("own", ({ "takeownership", "releaseownership", "delete" })[r], obj)
    if r == 1 then
        tolua.takeownership(obj)
    elseif r == 2 then
        tolua.releaseownership(obj)
    else
        pcall(function() return obj:delete() end)
    end
end

local INPUT = { 0x200, 0x201, 0x202, 0x203, 0x204, 0x205, 0x207, 0x208, 0x20A, 0x100, 0x101, 0x102, 0x10F, 0x112 }
local function input_step()
    local msg = pick(INPUT)
    local x, y = rand(900) - 50, rand(700) - 50
    local lp = (y % 65536) * 65536 + (x % 65536)
    local wp = msg == 0x20A and pick({ 120, -120, 7864320, 4287102976 }) or
        msg == 0x112 and pick({ 0xF020, 0xF120, 0xF030 }) or rand(256) - 1
    trace("input", msg, wp, lp)
    post_message(msg, wp, lp)
end

local layouts_written = 0
local function layout_step()
    layouts_written = layouts_written + 1
    local name = "layout\\f" .. (layouts_written % 2 + 1) .. ".xml"
    layout_write(GAME_DIR .. "/layout/f" .. (layouts_written % 2 + 1) .. ".xml", false)
    local target = any_object("kest2d::CKesBaseGUIContainer")
    trace("layout", name)
    if target and chance(0.7) then
        pcall(function() return target:LoadGUIConfig(name) end)
    else
        pcall(frame.ShowGUIContainer, frame, rand(5), name, rand(4) - 1, chance(0.8))
    end
end

local depth = 0
local function callback_steps(n)
    if not enabled.callbacks or depth > 0 then return end
    depth = depth + 1
    -- A finaliser's error may surface in any step.
    pcall(function() for _ = 1, n do step(false) end end)
    depth = depth - 1
end

-- The callback's record: a light user data valid during the call only.
local function in_callback(record, helper, n)
    local outer = scoped
    scoped = {}
    if record ~= nil and helper then
        local ok, obj = pcall(toHelper[helper], record)
        if ok and obj ~= nil then pool_add(obj) end
    end
    callback_steps(n)
    if not enabled.records then
        for _, e in ipairs(scoped) do pool_drop(e[1], e[2]) end
    end
    scoped = outer
end

-- Now and then a callback ends with an error of any kind of value, which the
-- engine turns into its log line (while a finaliser may be waiting to run).
local function callback_end()
    if enabled.finalisers and chance(0.1) then error(pick({ 42, 0.5, {}, "a callback's error", true }), 0) end
end
function OnProcessGameTimer(id) in_callback(nil, nil, rand(3)) callback_end() end
function OnProcessGameEvent(e) in_callback(e, "toKesEvent", rand(3)) callback_end() end
function OnProcessGameNetwork(state, m) in_callback(m, "toKesMessageIn", rand(2)) callback_end() end
function OnProcessGameUpdate() in_callback(nil, nil, 1) callback_end() end
function LoadGameResources() in_callback(nil, nil, 1) callback_end() end

-- Coroutines that yielded between their steps, resumed by later steps.
local THREADS = {}
local function thread_step()
    if #THREADS > 0 and chance(0.5) then
        local i = rand(#THREADS)
        local co = THREADS[i]
        trace("resume", i)
        coroutine.resume(co)
        -- The steps it ran may have resumed and dropped others.
        if coroutine.status(co) == "dead" then
            for j = #THREADS, 1, -1 do if THREADS[j] == co then table.remove(THREADS, j) end end
        end
        return
    end
    local co = coroutine.create(function()
        for _ = 1, rand(3) do
            step(false)
            if chance(0.3) then coroutine.yield() end
        end
    end)
    trace("thread")
    coroutine.resume(co)
    if coroutine.status(co) == "suspended" and #THREADS < 4 then THREADS[#THREADS + 1] = co end
end

local STEP_WEIGHTS = { call = 60, var = 8, meta = 2, cast = 6, own = 4, gc = 2, frames = 6, input = 6, layout = 3,
    threads = 3, finalisers = 4, gcsteps = 2 }
local weighted = {}
for _, k in ipairs(KINDS) do
    for _ = 1, (enabled[k] and STEP_WEIGHTS[k] or 0) do weighted[#weighted + 1] = k end
end

step = function(top)
    local kind = pick(weighted)
    stats.steps = stats.steps + 1
    if kind == "call" then call_function(pick(FUNCS))
    elseif kind == "var" then variable_step()
    elseif kind == "meta" then meta_step()
    elseif kind == "cast" then cast_step()
    elseif kind == "own" then own_step()
    elseif kind == "gc" then trace("gc") collectgarbage(chance(0.5) and "collect" or "step")
    elseif kind == "frames" and top then trace("frames") run_frames(rand(60))
    elseif kind == "input" then input_step()
    elseif kind == "layout" then layout_step()
    elseif kind == "threads" then thread_step()
    elseif kind == "finalisers" then finaliser_step()
    elseif kind == "gcsteps" then collector_steps_step()
    end
end

-- The run ------------------------------------------------------------------------

layout_setup(ROOT .. "/docs/layout.md", GAME_DIR, rand, pick, chance)
pool_add(frame)
pool_add(GUI_ROOT)
for _, v in ipairs({ kest2d.CKesColor(255, 1, 2, 3), kest2d.CKesRect_int_(0, 0, 50, 20),
    kest2d.CKesPosition2d_int_(5, 5), kest2d.CKesDimension2d_int_(4, 4), kest2d.CKesVector_int_(),
    frame:LoadTexture("img.bmp"), kest2d.CKesMessageOut(0x101) }) do pool_add(v) end
if enabled.layout then
    layout_write(GAME_DIR .. "/layout/main.xml", true)
    frame:LoadGUIConfig("layout\\main.xml")
end
collector_setup({ rand = rand, chance = chance, pick = pick, any_object = any_object, pool_add = pool_add,
    pool_drop = pool_drop, scoped = function() return scoped end, TYPE_NAMES = TYPE_NAMES, CLASSES = CLASSES, FUNCS = FUNCS,
    call_function = function(fn) return call_function(fn) end, trace = trace,
    calling = function() return calling end, finalisers = enabled.finalisers })
lookups_setup({ rand = rand, chance = chance, trace = trace, any_object = any_object, finish = finish_object,
    arm_in_call = arm_in_call, enabled = enabled.lookups })
frame:StartGameTimer(7, 30)
frame:StartGameTimer(8, 170)
-- A finaliser's error surfaces wherever the collector steps.
for _ = 1, STEPS do pcall(step, true) end
if enabled.frames then pcall(run_frames, 100) end
collector_close()
pcall(collectgarbage, "collect")

report_run(REPORT, SEED, stats, reached, returned, #FUNCS)
