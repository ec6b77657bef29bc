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
