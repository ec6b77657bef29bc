# The real-window test reads the X server's windows and pixels with Xlib; it
# starts its own Xvfb and openbox and drives them with xdotool.
pkg_check_modules(KESX11 REQUIRED IMPORTED_TARGET x11)
target_link_libraries(test_xwindow PRIVATE PkgConfig::KESX11)
