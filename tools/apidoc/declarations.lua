-- Loaded into tolua++5.1 with -L, in src/script, like the binding's own
-- generation (binding.cmake): reads the package exactly as the binding is
-- generated from it and writes what it declares, in registration order, to
-- the Lua file named by "-E out=FILE". tools/apidoc/apidoc.lua reads that
-- file to give every bound function its parameters, defaults and results.
--
--   tolua++5.1 -L .../declarations.lua -E out=FILE -n package -o /dev/null kest2d.pkg
-- (the wrappers it writes are thrown away).
dofile("generator.lua")

-- The generator drops `static` from a function while it writes the wrappers:
-- note the class functions before that.
local class_functions = {}
function pre_output_hook(package)
    local function walk(container)
        local i = 1
        while container[i] do
            local item = container[i]
            local mt = getmetatable(item)
            if (mt == classFunction or mt == classOperator) and string.find(item.mod or "", "static") then
                class_functions[item] = true
            elseif mt == classClass or mt == classNamespace then
                walk(item)
            end
            i = i + 1
        end
    end
    walk(package)
end

local function declaration(d)
    return { mod = d.mod or "", type = d.type, ptr = d.ptr or "", name = d.name or "", def = d.def or "",
        dim = d.dim or "", ret = d.ret or "" }
end

local function member(item)
    local mt = getmetatable(item)
    if mt == classFunction or mt == classOperator then
        local args = {}
        for _, a in ipairs(item.args or {}) do
            if a.type ~= "void" or a.ptr ~= "" then args[#args + 1] = declaration(a) end
        end
        return {
            kind = mt == classOperator and "operator" or "function",
            name = item.lname,
            cname = item.name,
            static = class_functions[item] or false,
            const = item.const == "const",
            result = declaration(item),
            args = args,
        }
    elseif mt == classVariable or mt == classArray then
        local v = declaration(item)
        v.kind = "variable"
        v.name = item.lname
        v.base = item.mod == "tolua_inherits"
        v.readonly = item.csetname == nil or string.find(item.type, "^const ") ~= nil
        return v
    end
end

local function write(package, file)
    local entries = {}
    local function walk(container, path)
        local i = 1
        while container[i] do
            local item = container[i]
            local mt = getmetatable(item)
            if mt == classNamespace then
                local inner = { unpack(path) }
                inner[#inner + 1] = item.name
                walk(item, inner)
            elseif mt == classClass then
                local inner = { unpack(path) }
                inner[#inner + 1] = item.lname
                local entry = { kind = "class", path = inner, type = item.type,
                    base = item.btype or "", extra_bases = item.extra_bases or {}, members = {} }
                entries[#entries + 1] = entry
                local j = 1
                while item[j] do
                    local m = member(item[j])
                    if m then entry.members[#entry.members + 1] = m end
                    j = j + 1
                end
                walk(item, inner)
            elseif mt == classEnumerate then
                local names = {}
                local j = 1
                while item[j] do
                    local lname = item.lnames[j]
                    if lname and lname ~= "" then names[#names + 1] = lname end
                    j = j + 1
                end
                if #names > 0 then
                    entries[#entries + 1] = { kind = "constants", path = path, family = item.name, names = names }
                end
            elseif mt == classDefine then
                entries[#entries + 1] = { kind = "constants", path = path, family = "", names = { item.lname } }
            elseif mt == classFunction or mt == classOperator or mt == classVariable or mt == classArray then
                if getmetatable(container) ~= classClass then
                    local m = member(item)
                    m.path = path
                    entries[#entries + 1] = m
                end
            end
            i = i + 1
        end
    end
    walk(package, {})

    local out = {}
    local function scalar(v) return type(v) ~= "table" end
    local function literal(v) return type(v) == "string" and string.format("%q", v) or tostring(v) end
    local function value(v, indent)
        if type(v) == "table" then
            -- A table of plain values stands on one line.
            local flat = true
            for _, x in pairs(v) do flat = flat and scalar(x) end
            if flat then
                local keys, parts = {}, {}
                for k in pairs(v) do
                    if type(k) == "string" then keys[#keys + 1] = k end
                end
                table.sort(keys)
                for _, k in ipairs(keys) do parts[#parts + 1] = k .. " = " .. literal(v[k]) end
                for _, x in ipairs(v) do parts[#parts + 1] = literal(x) end
                out[#out + 1] = #parts == 0 and "{}" or "{ " .. table.concat(parts, ", ") .. " }"
                return
            end
            out[#out + 1] = "{\n"
            local keys = {}
            for k in pairs(v) do
                if type(k) == "string" then keys[#keys + 1] = k end
            end
            table.sort(keys)
            for _, k in ipairs(keys) do
                out[#out + 1] = indent .. "  " .. k .. " = "
                value(v[k], indent .. "  ")
                out[#out + 1] = ",\n"
            end
            for _, x in ipairs(v) do
                out[#out + 1] = indent .. "  "
                value(x, indent .. "  ")
                out[#out + 1] = ",\n"
            end
            out[#out + 1] = indent .. "}"
        else
            out[#out + 1] = literal(v)
        end
    end
    out[#out + 1] = "-- Written by tools/apidoc/declarations.lua from the binding's package files.\nreturn "
    value(entries, "")
    out[#out + 1] = "\n"
    local f = assert(io.open(file, "w"))
    f:write(table.concat(out))
    f:close()
end

function post_output_hook(package)
    local file = _extra_parameters and _extra_parameters.out
    if not file then error("#declarations.lua needs -E out=FILE") end
    write(package, file)
end
