-- dofile, loadfile and require load through the engine's resources.
dofile(SCRIPT_DIR .. "/lib/check.lua")

local function write(name, text)
    local f = assert(io.open(GAME_DIR .. "/" .. name, "wb"))
    f:write(text)
    f:close()
end

-- No argument: a missing file, not a crash.
check_error("cannot open", function() dofile() end)
local fn, msg = loadfile()
check_eq(fn, nil, "loadfile() gives nil")
check(string.find(msg, "cannot open", 1, true), msg)

-- A name nobody holds.
local err = check_error("cannot open nowhere.lua", dofile, "nowhere.lua")
fn, msg = loadfile("nowhere.lua")
check_eq(fn, nil, "loadfile of a missing file")
check(string.find(msg, "nowhere.lua", 1, true), msg)

-- A file in the game folder: runs, returns its results, is named by its file name.
write("chunk.lua", "return 1 + 1, debug.getinfo(1, 'S').source")
local two, source = dofile("chunk.lua")
check_eq(two, 2, "dofile result")
check_eq(source, "@chunk.lua", "chunk named by the file, as Lua names it")
check_eq(loadfile("chunk.lua")(), 2, "loadfile")

-- Errors inside the chunk carry its name.
write("bad.lua", "error('boom')")
check_error("chunk.lua", function() error(select(2, dofile("chunk.lua"))) end)
check_error("bad.lua:1: boom", dofile, "bad.lua")
write("syntax.lua", "this is not lua")
fn, msg = loadfile("syntax.lua")
check_eq(fn, nil, "syntax error")
check(string.find(msg, "syntax.lua:1:", 1, true) == 1, msg)

-- An empty file is a missing resource.
write("empty.lua", "")
check_error("cannot open empty.lua", dofile, "empty.lua")

-- A precompiled chunk loads too.
local compiled = string.dump(function() return "compiled" end)
write("compiled.luac", compiled)
check_eq(dofile("compiled.luac"), "compiled", "binary chunk")

-- require: the engine's loader sits before Lua's own file loader.
check_eq(type(package.loaders[2]), "function", "engine loader installed")
write("mymodule.lua", "return { name = ..., source = debug.getinfo(1, 'S').source }")
local m = require("mymodule")
check_eq(m.name, "mymodule", "module name")
check_eq(m.source, "@mymodule.lua", "module chunk named by its file")
check(rawequal(require("mymodule"), m), "loaded once")
os.execute("mkdir -p '" .. GAME_DIR .. "/sub'")
write("sub/inner.lua", "return 'inner'")
check_eq(require("sub.inner"), "inner", "dotted module name")
write("broken.lua", "return {")
check_error("error loading module 'broken'", require, "broken")
err = check_error("no resource 'nothere.lua'", require, "nothere")
