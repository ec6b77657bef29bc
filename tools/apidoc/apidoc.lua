-- The script API reference (docs/api.md and docs/api/*.md), kept true to the
-- binding. Runs in a Lua state whose binding is open (the engine's own), with
-- three arguments:
--
--   mode          "write" fills the generated parts of the pages; "check"
--                 returns what differs ("" when the pages are true)
--   root          the source tree
--   declarations  the list of what the package files declare, written at
--                 build time by tools/apidoc/declarations.lua
--
-- The pages hold hand-written prose; each generated part stands between
-- "<!-- api:NAME -->" and "<!-- /api -->" and is rewritten whole: "class X"
-- (a class: functions with parameters, defaults and results, fields,
-- constants), "constants" (the module's and the global constants),
-- "casts" (the toHelper functions) and "index" (every class and its page).
--
-- What is bound comes from the live tables (the module `kest2d`, class
-- tables with their ".get"/".set" field tables, constants with their values,
-- `toHelper`); how each function is called comes from the declarations; one
-- line of meaning, where a name does not say it, from tools/apidoc/notes.lua.
-- A bound name that is not declared, a declared one that is not bound, a note
-- for nothing and a class on no page are all reported.
--
-- Regenerate: cmake --build build-test --target api_docs (any build folder with the
-- tests; the target is defined in tools/CMakeLists.txt).
local mode, root, declarations = ...
assert(mode == "write" or mode == "check", "usage: apidoc.lua write|check ROOT DECLARATIONS")
local tool = root .. "/tools/apidoc/"

local REGENERATE = "cmake --build build-test --target api_docs (any build folder with the tests)"
-- The pages, in the order of the index.
local PAGES = { "docs/api.md", "docs/api/constants.md", "docs/api/values.md", "docs/api/frame.md", "docs/api/gui.md",
    "docs/api/controls.md", "docs/api/game-controls.md" }

local function read(path)
    local f = io.open(path, "rb")
    if not f then return nil end
    local text = f:read("*a")
    f:close()
    return text
end

local function run_file(path, ...)
    local text = read(path)
    if not text then error("cannot read " .. path, 0) end
    return assert(loadstring(text, "@" .. path))(...)
end

local problems = {}
local function problem(text) problems[#problems + 1] = text end

-- What the live state binds ---------------------------------------------------

local registry = debug.getregistry()
local function is_class(t) return type(t) == "table" and type(registry[t]) == "string" end

local live = { classes = {}, constants = { [""] = {} } }
local function walk_class(t, key)
    local c = { functions = {}, variables = {}, constants = {} }
    live.classes[key] = c
    live.constants[key] = c.constants
    for k, v in pairs(t) do
        if type(k) == "string" then
            if type(v) == "function" and string.sub(k, 1, 2) ~= "__" and k ~= ".collector" then
                c.functions[k] = true
            elseif type(v) == "number" then
                c.constants[k] = v
            elseif is_class(v) and string.sub(k, 1, 1) ~= "." then
                walk_class(v, key .. "." .. k)
            end
        end
    end
    local get, set = rawget(t, ".get"), rawget(t, ".set")
    if type(get) == "table" then
        for k in pairs(get) do c.variables[k] = { writable = type(set) == "table" and rawget(set, k) ~= nil } end
    end
end
live.constants.kest2d = {}
for k, v in pairs(kest2d) do
    if is_class(v) then
        walk_class(v, "kest2d." .. k)
    elseif type(v) == "number" then
        live.constants.kest2d[k] = v
    else
        problem("kest2d." .. tostring(k) .. " is a " .. type(v) .. ", neither a class nor a constant")
    end
end
for k, v in pairs(_G) do
    if type(v) == "number" then live.constants[""][k] = v end
end

-- What the package files declare ---------------------------------------------

local classes, by_key, by_type, families = {}, {}, {}, {}
local family_list = {}
for _, entry in ipairs(run_file(declarations)) do
    local key = table.concat(entry.path, ".")
    if entry.kind == "class" then
        local display = table.concat(entry.path, ".", 2)
        local c = { key = key, display = display, lua = key, type = entry.type, base = entry.base,
            extra_bases = entry.extra_bases, members = entry.members }
        classes[#classes + 1] = c
        by_key[key] = c
        by_type[entry.type] = c
    elseif entry.kind == "constants" then
        -- Consecutive #defines make one family, named after their common prefix.
        local last = family_list[#family_list]
        if entry.family == "" and last and last.define and last.key == key then
            for _, n in ipairs(entry.names) do last.names[#last.names + 1] = n end
            local a, b = last.title, entry.names[1]
            local i = 0
            while i < #a and string.sub(a, i + 1, i + 1) == string.sub(b, i + 1, i + 1) do i = i + 1 end
            last.title = string.sub(a, 1, i)
        else
            family_list[#family_list + 1] = { key = key, title = entry.family ~= "" and entry.family or entry.names[1],
                define = entry.family == "", names = { unpack(entry.names) } }
            if entry.family ~= "" then families[entry.family] = true end
        end
    else
        problem("the package declares a " .. entry.kind .. " outside a class (" .. key .. "." .. entry.name ..
            "): the reference lists classes and constants only")
    end
end

local notes = run_file(tool .. "notes.lua")
local render = run_file(tool .. "render.lua", { by_type = by_type, families = families, notes = notes,
    problem = problem })

-- The registered names of a declared member.
local function registered_names(m)
    if m.kind == "variable" then return {} end
    if m.name == "new" then return { "new", "new_local", ".call" } end
    return { m.name }
end

-- Declarations against the live tables.
for _, c in ipairs(classes) do
    local l = live.classes[c.key]
    if not l then
        problem(c.lua .. " is declared but not bound")
    else
        local declared, fields = {}, {}
        for _, m in ipairs(c.members) do
            for _, n in ipairs(registered_names(m)) do declared[n] = true end
            if m.kind == "variable" then fields[m.name] = m end
        end
        local class_notes = notes[c.display] or {}
        local function described(n) return type(class_notes[n]) == "table" and class_notes[n].call ~= nil end
        for n in pairs(l.functions) do
            if not declared[n] and not described(n) then
                problem(c.lua .. "." .. n .. " is bound but declared in no package file: describe it in " ..
                    "tools/apidoc/notes.lua as " .. n .. " = { call = ..., params = ..., result = ..., text = ... }")
            elseif declared[n] and described(n) then
                problem("tools/apidoc/notes.lua describes " .. c.lua .. "." .. n .. " in full, but a package file " ..
                    "declares it: keep only its meaning")
            end
        end
        for n in pairs(declared) do
            if not l.functions[n] then problem(c.lua .. "." .. n .. " is declared but not bound") end
        end
        for n, v in pairs(l.variables) do
            local m = fields[n]
            if not m then
                problem("the field " .. c.lua .. "." .. n .. " is bound but not declared")
            elseif v.writable == m.readonly then
                problem("the field " .. c.lua .. "." .. n .. " is " .. (v.writable and "writable" or "read-only") ..
                    ", its declaration says otherwise")
            end
        end
        for n in pairs(fields) do
            if not l.variables[n] then problem("the field " .. c.lua .. "." .. n .. " is declared but not bound") end
        end
        c.live = l
    end
end
for key in pairs(live.classes) do
    if not by_key[key] then problem(key .. " is bound but declared in no package file") end
end
local declared_constants = {}
for _, f in ipairs(family_list) do
    local values = live.constants[f.key] or {}
    f.values = values
    for _, n in ipairs(f.names) do
        declared_constants[(f.key == "" and "" or f.key .. ".") .. n] = true
        if values[n] == nil then problem("the constant " .. n .. " of " .. (f.key == "" and "the global table" or
            f.key) .. " is declared but not bound") end
    end
end
for key, values in pairs(live.constants) do
    for n in pairs(values) do
        local full = (key == "" and "" or key .. ".") .. n
        if not declared_constants[full] then problem("the constant " .. full .. " is bound but not declared") end
    end
end

-- Every note names something bound.
for name, class_notes in pairs(notes) do
    if name ~= "families" then
        local c = by_key["kest2d." .. name]
        if not c or not c.live then
            problem("tools/apidoc/notes.lua has notes for " .. name .. ", which is not bound")
        else
            for member in pairs(class_notes) do
                if type(member) == "string" and not c.live.functions[member] and not c.live.variables[member] then
                    problem("tools/apidoc/notes.lua has a note for " .. name .. "." .. member .. ", which is not bound")
                end
            end
        end
    end
end
local titles = {}
for _, f in ipairs(family_list) do titles[f.title] = true end
for family in pairs(notes.families or {}) do
    if not titles[family] then
        problem("tools/apidoc/notes.lua describes the constant family " .. family .. ", which is not declared")
    end
end

-- The casts of toHelper: each function and the type name it casts to, as
-- toHelper.lua writes them (the first quoted type name after the name).
local casts = {}
do
    local text = read(root .. "/src/script/toHelper.lua") or ""
    local found, order = {}, {}
    local pos = 1
    while true do
        local s, e, name = string.find(text, "(to[A-Z][%w_]*)", pos)
        if not s then break end
        if not found[name] then
            local next_name = string.find(text, "to[A-Z][%w_]*", e + 1) or #text + 1
            local _, _, target = string.find(string.sub(text, e + 1, next_name - 1), "\"([^\"]+)\"")
            if target then
                found[name] = target
                order[#order + 1] = name
            end
        end
        pos = e + 1
    end
    local helper = rawget(_G, "toHelper")
    if type(helper) ~= "table" then
        problem("toHelper is not bound")
        helper = {}
    end
    for k, v in pairs(helper) do
        if type(v) == "function" and not found[k] then
            problem("toHelper." .. tostring(k) .. " is bound, but toHelper.lua names no type for it")
        end
    end
    for _, name in ipairs(order) do
        if type(helper[name]) ~= "function" then
            problem("toHelper." .. name .. " stands in toHelper.lua but is not bound")
        else
            casts[#casts + 1] = { name = name, type = found[name] }
        end
    end
end

-- The pages ------------------------------------------------------------------

local MARKER = "<!%-%- api:([^\n]-) %-%->\n"
local END = "<!-- /api -->"

-- Calls f(name, first, last) for every generated part of `text` (first and
-- last bound what lies between the two markers).
local function each_part(page, text, f)
    local pos = 1
    while true do
        local s, e, name = string.find(text, MARKER, pos)
        if not s then return end
        local cs, ce = string.find(text, END, e + 1, true)
        if not cs then
            problem(page .. ": the part " .. name .. " has no closing " .. END)
            return
        end
        f(name, e + 1, cs - 1)
        pos = ce + 1
    end
end

local texts, placed = {}, {}
for _, page in ipairs(PAGES) do
    local text = read(root .. "/" .. page)
    if not text then
        problem(page .. " is missing")
    else
        texts[page] = text
        each_part(page, text, function(name)
            local class = string.match(name, "^class (.+)$")
            if class then
                if placed[class] then problem("the class " .. class .. " stands on " .. placed[class] .. " and " .. page) end
                placed[class] = page
            end
        end)
    end
end
for _, c in ipairs(classes) do
    if not placed[c.display] then
        problem("the class " .. c.display .. " stands on no page: add the lines \"<!-- api:class " .. c.display ..
            " -->\" and \"" .. END .. "\" where it belongs (docs/api/*.md)")
    end
end

local context = { classes = classes, by_key = by_key, placed = placed, families = family_list, casts = casts }
local function generate(page, name)
    local class = string.match(name, "^class (.+)$")
    if class then
        local c = by_key["kest2d." .. class]
        if not c then
            problem(page .. ": no class " .. class .. " is declared")
            return ""
        end
        return render.class(context, c, page)
    elseif name == "constants" or name == "casts" or name == "index" then
        return render[name](context, page)
    end
    problem(page .. ": unknown generated part \"" .. name .. "\"")
    return ""
end

local wanted = {}
for _, page in ipairs(PAGES) do
    local text = texts[page]
    if text then
        local out, pos = {}, 1
        each_part(page, text, function(name, first, last)
            out[#out + 1] = string.sub(text, pos, first - 1)
            out[#out + 1] = "\n" .. generate(page, name) .. "\n"
            pos = last + 1
        end)
        out[#out + 1] = string.sub(text, pos)
        wanted[page] = table.concat(out)
    end
end

-- The lines of `a` that `b` lacks (each line counted).
local function lacking(a, b)
    local count, out = {}, {}
    for line in string.gmatch(b, "[^\n]+") do count[line] = (count[line] or 0) + 1 end
    for line in string.gmatch(a, "[^\n]+") do
        if (count[line] or 0) > 0 then
            count[line] = count[line] - 1
        else
            out[#out + 1] = "    " .. line
        end
    end
    return out
end

if mode == "write" then
    if #problems > 0 then error("the reference cannot be written:\n  " .. table.concat(problems, "\n  "), 0) end
    for _, page in ipairs(PAGES) do
        if wanted[page] ~= texts[page] then
            local f = assert(io.open(root .. "/" .. page, "wb"))
            f:write(wanted[page])
            f:close()
            print("wrote " .. page)
        end
    end
    return ""
end

for _, page in ipairs(PAGES) do
    if wanted[page] and wanted[page] ~= texts[page] then
        local text = page .. " differs from the binding."
        local missing, extra = lacking(wanted[page], texts[page]), lacking(texts[page], wanted[page])
        for _, list in ipairs({ { "missing lines", missing }, { "lines to remove", extra } }) do
            if #list[2] > 0 then
                local shown = { unpack(list[2], 1, math.min(#list[2], 30)) }
                if #list[2] > 30 then shown[#shown + 1] = "    ... (" .. (#list[2] - 30) .. " more)" end
                text = text .. "\n  " .. list[1] .. ":\n" .. table.concat(shown, "\n")
            end
        end
        problem(text)
    end
end
if #problems == 0 then return "" end
return table.concat(problems, "\n") .. "\nRegenerate the reference with: " .. REGENERATE .. "\n"
