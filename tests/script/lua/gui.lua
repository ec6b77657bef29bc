-- The full GUI element's and container's part of the binding.
dofile(SCRIPT_DIR .. "/lib/check.lua")

local frame = kest2d.CKesBaseFrame:getSingleton()
local element = frame.__CKesBaseGUIContainer__

check_eq(kest2d.SNAPSTYLE_LEFT, 0, "SNAPSTYLE_LEFT")
check_eq(kest2d.SANPSTYLE_CENTER, 1, "SANPSTYLE_CENTER")
check_eq(kest2d.SNAPSTYLE_NULL, 3, "SNAPSTYLE_NULL")

element:SetCaption("caption")
check_eq(element:GetCaption(), "caption", "caption")
element:SetTipText("tip")
check_eq(element:GetTipText(), "tip", "tip text")
element:SetFocus(true)
check_eq(element:GetFocus(), true, "focus flag")
element:SetMoving(true)
check_eq(element:isMoving(), true, "moving flag")
element:SetMoving(false)

local size = element:GetControlWidthAndHeight()
check(rawequal(size, element:GetControlWidthAndHeight()), "the size is a reference")
element:SetControlWidthAndHeight(kest2d.CKesDimension2d_int_(320, 200))
check_eq(size.Width, 320, "SetControlWidthAndHeight copies into the size")

-- A new box on every call; storing it back keeps the handle.
local b1, b2 = element:GetBgImage(), element:GetBgImage()
check(not rawequal(b1, b2), "GetBgImage gives a new box")
check_eq(tolua.type(b1), "DWORD", "a boxed handle")
element:SetBgImage(b1)

-- A container from a layout file, centred by default.
local f = assert(io.open(GAME_DIR .. "/panel.xml", "wb"))
f:write([[<?xml version="1.0" encoding="GBK"?>
<KestControl Type="Container" Name="panel">
  <Propertys>
    <Property Name="Id" Value="5"/>
    <Property Name="StartX" Value="0"/>
    <Property Name="StartY" Value="0"/>
    <Property Name="Width" Value="200"/>
    <Property Name="Height" Value="100"/>
    <Property Name="Visible" Value="1"/>
    <Property Name="Enable" Value="1"/>
  </Propertys>
</KestControl>
]])
f:close()
frame:ShowGUIContainer(5, "panel.xml")
local panel = element:FindControlById(5)
check(panel ~= nil, "the container is shown")
check_eq(panel:isVisible(), true, "and visible")
local r = panel:GetAbsoluteRect()
check_eq(r.UpperLeftCorner.X, (800 - 200) / 2, "centred in the runner's 800 x 600 window")
frame:ShowGUIContainer(5, "panel.xml", kest2d.CKesPosition2d_int_(10, 20), false)
check_eq(panel:isVisible(), false, "hidden at a position")
