-- The renderer's part of the binding: the screen size, the texture and vertex
-- records, textures loaded from script strings, locks and a screenshot.
dofile(SCRIPT_DIR .. "/lib/check.lua")

local frame = kest2d.CKesBaseFrame:getSingleton()

local size = frame:getScreenSize()
check_eq(tolua.type(size), "kest2d::CKesDimension2d<int>", "getScreenSize gives a new size")
check_eq(size.Width * 10000 + size.Height, 8000600, "the runner's window")

check(type(kest2d.KESVertex) == "table" and type(kest2d.KESTexture) == "table", "record classes")

-- A 2 x 1 24-bit bitmap built here; the texture is made from the string's bytes.
local function le32(n) return string.char(n % 256, math.floor(n / 256) % 256, math.floor(n / 65536) % 256, 0) end
local function le16(n) return string.char(n % 256, math.floor(n / 256) % 256) end
local pixels = string.char(0, 0, 255, 0, 255, 0, 0, 0)  -- red, green, row padding
local bmp = "BM" .. le32(54 + #pixels) .. le32(0) .. le32(54) .. le32(40) .. le32(2) .. le32(1) .. le16(1) ..
    le16(24) .. le32(0) .. le32(#pixels) .. le32(2835) .. le32(2835) .. le32(0) .. le32(0) .. pixels
-- A length beyond the string reads only the string's bytes.
local tex = frame:LoadTexture(bmp, #bmp + 100000)
check_eq(frame:GetTextureWidth(tex), 2, "texture from a string")
check_eq(frame:GetTextureHeight(tex), 1, "height")
local address = frame:LockTexture(tex)
check_eq(type(address), "userdata", "a lock gives the pixel address")
frame:UnLockTexture(tex)
local made = frame:CreateTexture("scratch", 37, 19)
-- Each texture is its picture's size: the flag changes nothing.
for _, picture in ipairs({ false, true }) do
    check_eq(frame:GetTextureWidth(made, picture) * 100 + frame:GetTextureHeight(made, picture), 3719,
             "an empty texture's size")
end
frame:FreeTexture(made)
check_eq(frame:GetTextureWidth(made), 0, "a freed texture has no width")

-- A box's number is out of the script's reach: the frame reads it.
check_eq(tonumber(tex), nil, "a box is no number")
check(not pcall(function() return tex + 0 end), "no arithmetic on a box")
local holder = kest2d.CKesGUIButton()
holder:SetBgImage(tex)
check(holder:GetBgImage() ~= holder:GetBgImage(), "two boxes of one texture are not equal")
check_eq(frame:GetTextureWidth(holder:GetBgImage()), 2, "but both name it")

-- Draw a frame and save it.
frame:Draw2dRectangle(kest2d.CKesRect_int_(0, 0, 50, 50), kest2d.CKesColor(255, 255, 0, 0))
frame:Draw2dLine(kest2d.CKesPosition2d_int_(0, 0), kest2d.CKesPosition2d_int_(10, 10))
frame:Draw2DImage(tex, kest2d.CKesPosition2d_int_(60, 60))
frame:Snapshot("shot.png")
local f = io.open(GAME_DIR .. "/shot.png", "rb")
check(f ~= nil, "the screenshot is written")
check_eq(f:read(4), "\137PNG", "as a PNG")
f:close()
