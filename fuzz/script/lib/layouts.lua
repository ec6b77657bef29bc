-- Random layouts for the hostile scripts: the control types and the
-- properties each reads, with their forms, are read from docs/layout.md (the
-- page the docs test keeps in step with the loader), and every value is drawn
-- from the odd values of its form.
local rand, pick, chance
local COMMON, ROOT_PROPS, MAIN_PROPS, TYPES = {}, {}, {}, {}

local VALUES = {
    integer = { "0", "1", "2", "5", "10", "50", "100", "-1", "-100", "1000000", "2147483647", "-2147483648",
        "12px", "", "abc", "99999999999" },
    flag = { "0", "1", "2", "-1", "" },
    decimal = { "1.5", "0", "-1", "1e308", "nan", "inf", "", "0.01" },
    text = { "abc___", "\196\227\186\195___", "x", "", "%s%n___", "a;b;c___", string.rep("t", 2000) .. "___" },
    colour = { "255;255;0;0", "1;2;3", "a;b;c;d", "999;999;999;999", "", "0;0;0;0", "-1;-1;-1;-1" },
    pair = { "2;3", "0;0", "1000000;1000000", "-1;5", "1", "", "4;2", "2147483647;2147483647" },
    list = { "19;35;51", "a;;b", ";", "", "1;2;3;4;5;6;7;8;9;10;11;12;13;14;15;16;17;18;19;20", "78;79;999" },
    texture = { "img.bmp", "strip.bmp", "missing.png", "" },
    image = { "img.bmp", "strip.bmp", "missing.png", "" },
    file = { "img.bmp", "missing.spr", "faces", "", "http://127.0.0.1:1/x.png", "C:\\WINDOWS\\fonts\\SIMHEI.TTF" },
    ["four integers"] = { "0;0;10;10", "1;2;3", "-5;-5;1000000;1000000", "0;0;0;0" },
}
local GEOMETRY = { "0", "5", "20", "100", "300", "-20", "1000000", "-1000000" }

local function read_docs(path)
    local f = assert(io.open(path, "rb"))
    local section
    for line in f:lines() do
        local h2 = string.match(line, "^## (.*)")
        local h3 = string.match(line, "^### (%S+)")
        if h3 then
            section = { type = h3, props = {} }
            TYPES[#TYPES + 1] = section
        elseif h2 then
            section = string.find(h2, "^Common properties") and { props = COMMON } or
                string.find(h2, "^The container") and { props = ROOT_PROPS } or
                string.find(h2, "^The main layout") and { props = MAIN_PROPS } or nil
        elseif section then
            local prop, form = string.match(line, "^| `([^`]+)` | ([^|]-) |")
            if prop then section.props[#section.props + 1] = { prop, form } end
        end
    end
    f:close()
    assert(#TYPES > 10 and #COMMON > 5, "control types read from " .. path)
end

local function value(form, geometry)
    if geometry and chance(0.8) then return pick(GEOMETRY) end
    return pick(VALUES[form] or VALUES.text)
end

local function properties(out, list, main)
    for _, p in ipairs(list) do
        if chance(0.7) then
            local name, form = p[1], p[2]
            local v
            if main and (name == "Width" or name == "Height") then
                v = tostring(100 + rand(700))
            elseif name == "Visible" or name == "Enable" then
                v = chance(0.9) and "1" or "0"
            else
                v = value(form, name == "StartX" or name == "StartY" or name == "Width" or name == "Height")
            end
            out[#out + 1] = string.format('<Property Name="%s" Value="%s"/>', name, v)
        end
    end
end

-- A layout file: the frame's own (`main`) or a container's.
function layout_write(path, main)
    local out = { '<?xml version="1.0" encoding="GBK"?>', '<KestControl Type="Container" Name="fuzz___">',
        "<Propertys>" }
    properties(out, COMMON, main)
    properties(out, main and MAIN_PROPS or ROOT_PROPS, main)
    out[#out + 1] = "</Propertys><Childrens>"
    for _ = 1, rand(9) - 1 do
        local t = pick(TYPES)
        out[#out + 1] = string.format('<KestControl Type="%s" Name="c___"><Propertys>', chance(0.95) and t.type or "Nothing")
        out[#out + 1] = string.format('<Property Name="Id" Value="%d"/>', rand(12))
        properties(out, COMMON, false)
        properties(out, t.props, false)
        out[#out + 1] = "</Propertys></KestControl>"
    end
    out[#out + 1] = "</Childrens></KestControl>"
    if chance(0.05) then out[#out] = "</Childrens>" end  -- cut short
    local f = assert(io.open(path, "wb"))
    f:write(table.concat(out, "\n"))
    f:close()
end

-- A 24-bit BMP of w x h pixels.
local function bmp(path, w, h)
    local function le(n, bytes)
        local s = {}
        for i = 1, bytes do s[i] = string.char(n % 256) n = math.floor(n / 256) end
        return table.concat(s)
    end
    local row = w * 3 + (4 - w * 3 % 4) % 4
    local pixels = {}
    for y = 1, h do
        local line = {}
        for x = 1, w do line[x] = string.char((x * 40) % 256, (y * 60) % 256, 200) end
        pixels[y] = table.concat(line) .. string.rep("\0", row - w * 3)
    end
    local data = table.concat(pixels)
    local f = assert(io.open(path, "wb"))
    f:write("BM", le(54 + #data, 4), le(0, 4), le(54, 4), le(40, 4), le(w, 4), le(h, 4), le(1, 2), le(24, 2),
        le(0, 4), le(#data, 4), le(2835, 4), le(2835, 4), le(0, 4), le(0, 4), data)
    f:close()
end

-- Reads the page and writes the files the layouts and the string values name.
function layout_setup(docs, dir, r, p, c)
    rand, pick, chance = r, p, c
    read_docs(docs)
    os.execute("/bin/mkdir -p '" .. dir .. "/layout' '" .. dir .. "/faces' '" .. dir .. "/sub'")
    bmp(dir .. "/img.bmp", 8, 6)
    bmp(dir .. "/strip.bmp", 64, 16)
    local f = assert(io.open(dir .. "/update.ini", "wb"))
    f:write("[update]\nver=1.0\naddress=http://127.0.0.1:1/update.xml\n")
    f:close()
    for i = 1, 2 do layout_write(dir .. "/layout/f" .. i .. ".xml", false) end
end
