# The real-window test reads the X server's windows, pixels and display modes
# with Xlib and RandR; it starts its own Xvfb and openbox and drives them with
# xdotool and xrandr.
pkg_check_modules(KESX11 REQUIRED IMPORTED_TARGET x11 xrandr)
target_link_libraries(test_xwindow PRIVATE PkgConfig::KESX11)
