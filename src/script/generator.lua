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
