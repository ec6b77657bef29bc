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
