-- Loaded into tolua++5.1 with -L before it reads the package.
--
-- The generator pads each embedded Lua chunk to a multiple of 16 bytes with
-- '-' characters after stripping its last newline; a pad of one '-' turns the
-- chunk's final "end" into "end-", a syntax error, and the chunk silently
-- never runs. Keeping a newline at the end makes any pad a comment.
local clean_chunk = clean
function clean(text)
    local s = clean_chunk(text)
    if s then s = s .. "\n" end
    return s
end

-- $ifile "piece.pkg", name takes only the lines between "// [name]" and the
-- next "// [end]" of piece.pkg, so that one file can hold the parts of a
-- subsystem that stand at different places of the registration order.
local include_whole_file = include_file_hook
function include_file_hook(t, filename, section)
    if section and section ~= "" then
        local _, _, body = string.find(t.code, "\n// %[" .. section .. "%]\n(.-)\n// %[end%]")
        if not body then
            error("#no section [" .. section .. "] in " .. filename)
        end
        t.code = body .. "\n"
    end
    if include_whole_file then return include_whole_file(t, filename) end
end

-- A number becomes an integer argument or variable through ToInteger
-- (Kest2dBindingChecks.h), never through a plain cast, which is undefined for
-- a number the type cannot hold (1e20, nan).
local INTEGER_TYPES = { ["int"] = true, ["unsigned int"] = true, ["unsigned long"] = true, ["char"] = true }
local function integer_conversions(code)
    return (string.gsub(code, "%(%(([%w_ ]-)%)%s*tolua_tonumber(%b())%)", function(type, args)
        local bare = string.gsub(type, "^const%s+", "")
        if not INTEGER_TYPES[bare] then return nil end
        return "(::kest2d::script::ToInteger<" .. bare .. ">(tolua_tonumber" .. args .. "))"
    end))
end

-- An enumeration argument is converted by ToEnum (Kest2dBindingChecks.h),
-- which makes it an int and passes it on (a log level must not be negative).
local build_declaration = classDeclaration.builddeclaration
function classDeclaration:builddeclaration(narg, cplusplus)
    local line = integer_conversions(build_declaration(self, narg, cplusplus))
    if self.dim == '' and self.ptr == '' and isenum(string.gsub(self.type, 'const%s+', '')) then
        local checked, n = string.gsub(line, "%(%((.-)%) %(int%)%s+tolua_tonumber%(tolua_S,(%d+),(.-)%)%);(%s*)$",
            function(type, arg, def, tail)
                return "(::kest2d::script::ToEnum<" .. type .. ">(tolua_S," .. arg .. "," .. def .. ",\"" ..
                    self.type .. "\"));" .. tail
            end)
        if n ~= 1 then error("#no enumeration conversion in: " .. line) end
        line = checked
    end
    return line
end

-- Some enumerations of the engine stand beside their control in the
-- namespace, while their constants are registered in the control's class
-- table: the package writes them inside the class, and their values are
-- taken from the namespace.
local namespace_enums = {
    ButtonState = "kest2d::",
    ClockSnapType = "kest2d::",
    InfoScrType = "kest2d::",
}
local register_enum = classEnumerate.register
function classEnumerate:register(pre)
    local ns = namespace_enums[self.name]
    if not ns or self.parent == nil or self.parent.classtype ~= "class" then
        return register_enum(self, pre)
    end
    if not self:check_public_access() then return end
    pre = pre or ''
    local i = 1
    while self[i] do
        if self.lnames[i] and self.lnames[i] ~= "" then
            output(pre .. 'tolua_constant(tolua_S,"' .. self.lnames[i] .. '",' .. ns .. self[i] .. ');')
        end
        i = i + 1
    end
end

-- The generator registers the type names in the order of a Lua table walk,
-- which changes with the table's contents. The engine registers them in one
-- fixed order instead; a name missing from this list follows at the end.
local type_order = {
    "kest2d::CKesGUIMultiListBox", "kest2d::CKesEvent", "kest2d::CKesGUIBaseFont", "wchar_t",
    "kest2d::CKesGUIImage", "kest2d::CKesEvent::CKesMouseEvent", "kest2d::CKesVector<double>",
    "kest2d::CKesVector<int>", "kest2d::CKesGUIProcessBar", "kest2d::CKesGUITextarea",
    "kest2d::CKesGUIChatMessage", "kest2d::CKesColor", "kest2d::CKesVector<char>", "kest2d::CKesPosition2d<int>",
    "kest2d::CKesDimension2d<int>", "kest2d::CKesGUITTFace", "kest2d::CKesBaseGUIContainer",
    "kest2d::CKesCircularBuffer", "kest2d::CKesEventReceiver", "kest2d::KESTexture", "kest2d::CKesRect<double>",
    "kest2d::CKesGUIDragControl", "kest2d::CKesGUIMoveAnimator", "kest2d::CKesGUIBiqoQing",
    "kest2d::CKesGUIGameAnimator", "std::list<kest2d::CKesBaseGUIElement*>", "kest2d::CKesVector3",
    "kest2d::CKesGUIImageListBox", "kest2d::CKesMessageOut", "kest2d::CKesGUITextarea::RowStruct",
    "kest2d::CKesGUIButton", "kest2d::CKesGUIGameClock", "BYTE", "kest2d::CKesGUIGameCard::GameCard", "DWORD",
    "kest2d::CKesGUIGameCard", "kest2d::CKesGUIVideo", "kest2d::CKesGUIStatic", "kest2d::CKesGUIEditorBox",
    "kest2d::CKesEvent::CKesGuiEvent", "kest2d::CKesPosition2d<double>", "kest2d::CKesGUIInfoScroller",
    "kest2d::CKesEvent::CKesUpdateEvent", "kest2d::CKesDimension2d<double>", "kest2d::CKesRect<int>",
    "kest2d::CKesMessageIn", "kest2d::CKesGUIScrollBar", "kest2d::KESVertex", "kest2d::CKesEvent::CKesKeyEvent",
    "kest2d::CKesTcpSocketClient", "kest2d::CKesGUITTFont", "kest2d::CKesEvent::CKesImeEvent", "CWnd",
    "kest2d::CKesLogger", "kest2d::CKesBaseGUIElement", "kest2d::CKesBaseFrame", "kest2d::CKesGUIMultiButton",
}
local package_preamble = classPackage.preamble
function classPackage:preamble()
    local walk = foreach
    foreach = function(t, f)
        if t ~= _usertype then return walk(t, f) end
        local key_of, done = {}, {}
        for k, v in pairs(t) do key_of[v] = k end
        for _, name in ipairs(type_order) do
            if key_of[name] ~= nil then
                f(key_of[name], name)
                done[name] = true
            end
        end
        local rest = {}
        for k, v in pairs(t) do
            if not done[v] then rest[#rest + 1] = v end
        end
        table.sort(rest)
        for _, name in ipairs(rest) do f(key_of[name], name) end
    end
    local ok, err = pcall(package_preamble, self)
    foreach = walk
    if not ok then error(err, 0) end
end

-- Every wrapper (functions, constructors, operators, a variable's getter and
-- setter) is written in two steps:
-- - it first settles the arguments it takes as objects
--   (Kest2dScriptArguments.h): a table that stands for an object is replaced
--   by it before anything is read, and no script code runs after that until
--   the wrapper has done its work. The positions are those the wrapper checks
--   as objects, and a variable's object;
-- - an engine function's exception (no memory, a message that would grow past
--   its limit) becomes a Lua error naming the function (CallCatchingErrors),
--   where it would otherwise cross Lua and end the call with no message.
local function wrap_function(name, body)
    local positions, mask, all = {}, 0, false
    for n in string.gmatch(body, "tolua_isusertype%(tolua_S,(%d+),") do positions[tonumber(n)] = true end
    for n in string.gmatch(body, "tolua_tousertype%(tolua_S,(%d+),") do positions[tonumber(n)] = true end
    for n in pairs(positions) do
        if n > 31 then all = true else mask = mask + 2 ^ n end
    end
    local settle = ""
    if all then
        settle = " ::kest2d::script::SettleArguments(tolua_S);\n"
    elseif mask > 0 then
        settle = string.format(" ::kest2d::script::SettleArguments(tolua_S, 0x%xu);\n", mask)
    end
    local lua_name = string.match(body, "#ferror in function '([^']*)'") or
        string.match(body, "in accessing variable '([^']*)'") or name
    return "static int " .. name .. "_unguarded(lua_State* tolua_S)\n{\n" .. settle .. body ..
        "static int " .. name .. "(lua_State* tolua_S)\n{\n return ::kest2d::script::CallCatchingErrors(tolua_S, \"" ..
        lua_name .. "\", " .. name .. "_unguarded);\n}\n"
end
local function wrap_functions(code)
    return (string.gsub(code, "static int ([%w_]+)%(lua_State%* tolua_S%)\n{\n(.-\n}\n)", wrap_function))
end

-- A function's or a variable's code is written piece by piece: the pieces
-- are gathered and rewritten whole. A constructor's supcode calls itself
-- again, given 1, for its _local form: only the outermost call rewrites
-- what was written. (The generator loads this file giving every function of
-- `...` its arguments as the table `arg`, which is why `...` is not used in
-- the body.)
local rewriting_depth = 0
local function rewriting(supcode, rewrite)
    return function(self, again)
        local write_out, pieces = write, {}
        write = function(...)
            for i = 1, arg.n do pieces[#pieces + 1] = arg[i] end
        end
        rewriting_depth = rewriting_depth + 1
        local ok, err = pcall(supcode, self, again)
        rewriting_depth = rewriting_depth - 1
        write = write_out
        if not ok then error(err, 0) end
        local code = table.concat(pieces)
        if rewriting_depth == 0 then code = rewrite(code) end
        write(code)
    end
end
classFunction.supcode = rewriting(classFunction.supcode, wrap_functions)
-- A variable's setter converts its integers as the declarations do.
classVariable.supcode = rewriting(classVariable.supcode, function(code)
    return wrap_functions(integer_conversions(code))
end)
