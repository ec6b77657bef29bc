-- The generated parts of the script API reference, as Markdown: loaded by
-- tools/apidoc/apidoc.lua with what it knows of the declarations.
local given = ...
local by_type, families, notes, problem = given.by_type, given.families, given.notes, given.problem

local R = {}

-- Links --------------------------------------------------------------------

-- The anchor a heading gets on the pages' host.
-- Appends a blank line and a table with its rows to `out`, when there are rows.
local function add_table(out, header, rows)
    if #rows == 0 then return end
    out[#out + 1] = ""
    out[#out + 1] = header
    out[#out + 1] = header:gsub("[^|]+", "---")
    for _, r in ipairs(rows) do out[#out + 1] = r end
end

local function slug(heading)
    return (string.gsub(string.gsub(string.lower(heading), "[^%w_%- ]", ""), " ", "-"))
end

local function relative(from, to)
    if from == to then return "" end
    local fdir = string.match(from, "^(.*)/[^/]*$")
    local tdir, tfile = string.match(to, "^(.*)/([^/]*)$")
    if fdir == tdir then return tfile end
    if string.sub(tdir, 1, #fdir + 1) == fdir .. "/" then return string.sub(tdir, #fdir + 2) .. "/" .. tfile end
    return "../" .. tfile
end

local function link(ctx, page, c)
    local target = ctx.placed[c.display]
    if not target then return "`" .. c.display .. "`" end
    return "[" .. c.display .. "](" .. relative(page, target) .. "#" .. slug(c.display) .. ")"
end

-- Types --------------------------------------------------------------------

local INTEGERS = { int = true, short = true, long = true, char = true, size_t = true }

-- How a script sees a declared type.
local function type_text(d)
    local t = string.gsub(d.type, "^const%s+", "")
    if t == "char*" or t == "std::string" or (t == "char" and (d.ptr == "*" or d.dim ~= "")) then return "string" end
    if t == "wchar_t" then return "wide text" end
    if t == "void*" or (t == "void" and d.ptr == "*") then return "light userdata" end
    if t == "bool" then return "boolean" end
    if t == "float" or t == "double" then return "number" end
    -- An unsigned number is taken modulo 2^32, unlike an int (docs/api.md#types).
    if INTEGERS[t] then return string.find(d.mod, "unsigned", 1, true) and "unsigned" or "int" end
    if by_type[t] then return by_type[t].display .. (d.ptr == "*" and " or nil" or "") end
    local short = string.match(t, "([%w_]+)$")
    if families[short] then return short end
    if t == "DWORD" or t == "BYTE" or t == "CWnd" then return t end
    if string.match(t, "^std::list<") then return "child list" end
    problem("the type " .. t .. " has no script name: teach type_text in tools/apidoc/render.lua")
    return t
end

local function is_void(d)
    local t = string.gsub(d.type, "^const%s+", "")
    return (t == "" or t == "void") and d.ptr == ""
end

local function arg_name(a, i)
    if a.name == "tolua_value" then return "value" end
    return a.name ~= "" and a.name or "arg" .. i
end

local function default_text(def)
    if def == "NULL" then return "nil" end
    return (string.gsub(def, "^[%w_]+::", ""))
end

local function params_text(m)
    local out = {}
    for i, a in ipairs(m.args) do
        local s = arg_name(a, i) .. ": " .. type_text(a)
        if a.def == "NULL" then s = string.gsub(s, " or nil$", "") end
        if a.def ~= "" then s = s .. " = " .. default_text(a.def) end
        out[#out + 1] = s
    end
    return table.concat(out, ", ")
end

local function result_text(m, c)
    local parts = {}
    if m.name == "new" then
        parts[1] = c.display
    elseif m.name ~= ".seti" and not is_void(m.result) then
        local text = type_text(m.result)
        local t = string.gsub(m.result.type, "^const%s+", "")
        -- A value of a class, or a boxed number, is a new object.
        if m.result.ptr == "" and (by_type[t] or t == "DWORD" or t == "BYTE") then text = "new " .. text end
        parts[1] = text
    end
    for i, a in ipairs(m.args) do
        if a.ret ~= "" then parts[#parts + 1] = arg_name(a, i) .. ": " .. type_text(a) end
    end
    return #parts == 0 and "—" or table.concat(parts, ", ")
end

local OPERATORS = { [".add"] = "obj + %s", [".sub"] = "obj - %s", [".mul"] = "obj * %s", [".div"] = "obj / %s",
    [".eq"] = "obj == %s", [".lt"] = "obj < %s", [".geti"] = "obj[%s]", [".seti"] = "obj[%s] = %s" }

local function call_text(m, c)
    local names = {}
    for i, a in ipairs(m.args) do names[i] = arg_name(a, i) end
    if m.kind == "operator" then
        local form = OPERATORS[m.name]
        if not form then
            problem("the operator " .. m.name .. " of " .. c.lua .. " has no written form in tools/apidoc/render.lua")
            return m.name
        end
        return string.format(form, unpack(names))
    end
    local list = "(" .. table.concat(names, ", ") .. ")"
    if m.name == "new" then return c.lua .. list end
    if m.static then return c.lua .. ":" .. m.name .. list end
    return "obj:" .. m.name .. list
end

-- Classes ------------------------------------------------------------------

local function derives_from(c, type_name)
    local b = by_type[c.base]
    while b do
        if b.type == type_name then return true end
        b = by_type[b.base]
    end
    return false
end

local function lifetime(c)
    local made, deleted = false, false
    for _, m in ipairs(c.members) do made = made or m.name == "new" end
    -- `delete` may come from a base.
    local b = c
    while b do
        deleted = deleted or (b.live and b.live.functions.delete) or false
        b = by_type[b.base]
    end
    if not made then
        if c.live and c.live.functions.delete then
            return "The engine's: scripts are handed it and never free it. Its `delete` serves the derived " ..
                "classes that scripts make."
        end
        return "The engine's: scripts are handed it and never free it."
    end
    local text = "Scripts make it: `" .. c.lua .. "(...)` and `" .. c.lua .. ":new_local(...)` give an object " ..
        "that Lua collects; `" .. c.lua .. ":new(...)` one that stays until " ..
        (deleted and "`obj:delete()`." or "the Lua state closes (no `delete` is bound).")
    if derives_from(c, "kest2d::CKesBaseGUIElement") then
        text = text .. " Once in the GUI tree (made with a parent, or given to `AddChildren`) it is the tree's."
    end
    return text
end

local function cell(text) return (string.gsub(text or "", "|", "\\|")) end

function R.class(ctx, c, page)
    local class_notes = notes[c.display] or {}
    local out = { "## " .. c.display, "" }
    if class_notes[1] then
        out[#out + 1] = class_notes[1]
        out[#out + 1] = ""
    end
    local line = "`" .. c.lua .. "`, type name `" .. c.type .. "`"
    if c.base ~= "" then
        line = line .. "; base " .. (by_type[c.base] and link(ctx, page, by_type[c.base]) or "`" .. c.base .. "`") ..
            (by_type[c.base] and " (whose functions and fields work here too)" or " (a type name only)")
    end
    for _, b in ipairs(c.extra_bases or {}) do
        if by_type[b] then line = line .. "; also a " .. link(ctx, page, by_type[b]) .. " (see the fields)" end
    end
    out[#out + 1] = line .. "."
    out[#out + 1] = ""
    out[#out + 1] = lifetime(c)

    local rows, seen = {}, {}
    for _, m in ipairs(c.members) do
        if m.kind ~= "variable" then
            seen[m.name] = (seen[m.name] or 0) + 1
            local note = class_notes[m.name]
            if type(note) == "table" then
                note = note[seen[m.name]]
            elseif seen[m.name] > 1 then
                note = nil
            end
            rows[#rows + 1] = "| `" .. call_text(m, c) .. "` | " .. cell(params_text(m)) .. " | " ..
                cell(result_text(m, c)) .. " | " .. cell(note) .. " |"
        end
    end
    -- Functions bound by the engine after registration, described in the notes.
    local extra = {}
    for name, note in pairs(class_notes) do
        if type(name) == "string" and type(note) == "table" and note.call then extra[#extra + 1] = name end
    end
    table.sort(extra)
    for _, name in ipairs(extra) do
        local note = class_notes[name]
        rows[#rows + 1] = "| `" .. note.call .. "` | " .. cell(note.params) .. " | " .. cell(note.result) .. " | " ..
            cell(note.text) .. " |"
    end
    add_table(out, "| call | parameters | result | meaning |", rows)

    local fields = {}
    for _, m in ipairs(c.members) do
        if m.kind == "variable" then
            fields[#fields + 1] = "| `obj." .. m.name .. "` | " .. type_text(m) .. " | " ..
                (m.readonly and "read" or "read, write") .. " | " .. cell(class_notes[m.name]) .. " |"
        end
    end
    add_table(out, "| field | type | access | meaning |", fields)

    local constants = {}
    for _, f in ipairs(ctx.families) do
        if f.key == c.key then
            for _, n in ipairs(f.names) do
                constants[#constants + 1] = "| `" .. n .. "` | " .. tostring(f.values[n]) .. " | " .. f.title .. " |"
            end
        end
    end
    if #constants > 0 then
        out[#out + 1] = ""
        out[#out + 1] = "Constants, read as `" .. c.lua .. ".NAME`:"
    end
    add_table(out, "| name | value | family |", constants)
    return table.concat(out, "\n")
end

-- Constants, casts, index --------------------------------------------------

-- Families this long are laid out several to a row.
local WIDE = 24
local PER_ROW = 4

function R.constants(ctx)
    local out = {}
    for _, f in ipairs(ctx.families) do
        if f.key == "kest2d" or f.key == "" then
            if #out > 0 then out[#out + 1] = "" end
            out[#out + 1] = "## " .. f.title
            out[#out + 1] = ""
            local where = f.key == "" and "In the global table: read as `NAME`." or "Read as `kest2d.NAME`."
            local note = (notes.families or {})[f.title]
            out[#out + 1] = note and note .. " " .. where or where
            out[#out + 1] = ""
            local per_row = #f.names > WIDE and PER_ROW or 1
            out[#out + 1] = string.rep("| name | value ", per_row) .. "|"
            out[#out + 1] = string.rep("|---|---", per_row) .. "|"
            for i = 1, #f.names, per_row do
                local row = {}
                for j = i, math.min(i + per_row - 1, #f.names) do
                    row[#row + 1] = "`" .. f.names[j] .. "` | " .. tostring(f.values[f.names[j]])
                end
                out[#out + 1] = "| " .. table.concat(row, " | ") .. " |"
            end
        end
    end
    return table.concat(out, "\n")
end

function R.casts(ctx, page)
    local out = { "| cast | gives |", "|---|---|" }
    for _, cast in ipairs(ctx.casts) do
        local c = by_type[cast.type]
        local gives = c and link(ctx, page, c) or "nil: no bound class has the type name `" .. cast.type .. "`"
        out[#out + 1] = "| `toHelper." .. cast.name .. "(e)` | " .. gives .. " |"
    end
    return table.concat(out, "\n")
end

function R.index(ctx, page)
    local out = { "| class | what it is |", "|---|---|" }
    for _, c in ipairs(ctx.classes) do
        local note = (notes[c.display] or {})[1]
        out[#out + 1] = "| " .. link(ctx, page, c) .. " | " .. cell(note) .. " |"
    end
    return table.concat(out, "\n")
end

return R
