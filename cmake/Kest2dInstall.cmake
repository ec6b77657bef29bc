# What `cmake --install` puts under the prefix:
#   lib/libkest2d.so.*            the engine library (with its SONAME)
#   include/kest2d/<folder>/*.h   every header of src/, by folder, so a host's
#                                 #include "frame/Kest2dBaseFrame.h" is the one
#                                 the engine's own sources use
#   bin/kest2d, bin/kespack       the host program and the archive tool
#   lib/cmake/Kest2d/             find_package(Kest2d): Kest2d::kest2d, and
#                                 Kest2d::kest2d_host, Kest2d::kespack
#   lib/pkgconfig/kest2d.pc       pkg-config --cflags --libs kest2d
#
# The headers a host includes (the frame, the GUI tree and controls, the TCP
# client, the value types) name no dependency's header, so an installed copy
# passes no dependency on: a host links libkest2d.so alone. A few internal
# headers (the font and XML readers, the video decoder, the script binding's
# internals) include FreeType, TinyXML, Theora, Lua or tolua++; a host that
# includes one of them finds that package itself.
include(GNUInstallDirs)
include(CMakePackageConfigHelpers)

# Before 1.0 every minor version may change the binary interface.
if(PROJECT_VERSION_MAJOR EQUAL 0)
  set(KEST2D_SOVERSION ${PROJECT_VERSION_MAJOR}.${PROJECT_VERSION_MINOR})
  set(KEST2D_VERSION_COMPATIBILITY SameMinorVersion)
else()
  set(KEST2D_SOVERSION ${PROJECT_VERSION_MAJOR})
  set(KEST2D_VERSION_COMPATIBILITY SameMajorVersion)
endif()
set_target_properties(kest2d PROPERTIES VERSION ${PROJECT_VERSION} SOVERSION ${KEST2D_SOVERSION})
target_include_directories(kest2d INTERFACE $<INSTALL_INTERFACE:${CMAKE_INSTALL_INCLUDEDIR}/kest2d>)

# A library built with sanitizers needs their run-time in the program that
# loads it: hosts of such a copy are compiled and linked with the same flags.
set(KEST2D_HOST_FLAGS "")
if(KEST2D_SANITIZE)
  set(KEST2D_HOST_FLAGS -fsanitize=${KEST2D_SANITIZE})
  target_compile_options(kest2d INTERFACE $<INSTALL_INTERFACE:${KEST2D_HOST_FLAGS}>)
  target_link_options(kest2d INTERFACE $<INSTALL_INTERFACE:${KEST2D_HOST_FLAGS}>)
endif()

# The installed programs find the library next to them, wherever the prefix is.
file(RELATIVE_PATH KEST2D_BIN_TO_LIB ${CMAKE_INSTALL_FULL_BINDIR} ${CMAKE_INSTALL_FULL_LIBDIR})
set_target_properties(kest2d_host kespack PROPERTIES INSTALL_RPATH "$ORIGIN/${KEST2D_BIN_TO_LIB}")

install(TARGETS kest2d kest2d_host kespack EXPORT Kest2dTargets
  LIBRARY DESTINATION ${CMAKE_INSTALL_LIBDIR}
  RUNTIME DESTINATION ${CMAKE_INSTALL_BINDIR})
install(DIRECTORY ${CMAKE_SOURCE_DIR}/src/ DESTINATION ${CMAKE_INSTALL_INCLUDEDIR}/kest2d
  FILES_MATCHING PATTERN "*.h")

set(KEST2D_CMAKE_DIR ${CMAKE_INSTALL_LIBDIR}/cmake/Kest2d)
install(EXPORT Kest2dTargets NAMESPACE Kest2d:: DESTINATION ${KEST2D_CMAKE_DIR})
configure_package_config_file(${CMAKE_CURRENT_LIST_DIR}/Kest2dConfig.cmake.in
  ${CMAKE_BINARY_DIR}/Kest2dConfig.cmake INSTALL_DESTINATION ${KEST2D_CMAKE_DIR})
write_basic_package_version_file(${CMAKE_BINARY_DIR}/Kest2dConfigVersion.cmake
  COMPATIBILITY ${KEST2D_VERSION_COMPATIBILITY})
install(FILES ${CMAKE_BINARY_DIR}/Kest2dConfig.cmake ${CMAKE_BINARY_DIR}/Kest2dConfigVersion.cmake
  DESTINATION ${KEST2D_CMAKE_DIR})

# kest2d.pc: the prefix is the one given to cmake --install (--prefix may
# differ from the configured one), so it is filled in when installing.
if(IS_ABSOLUTE ${CMAKE_INSTALL_LIBDIR})
  set(KEST2D_PC_LIBDIR ${CMAKE_INSTALL_LIBDIR})
else()
  set(KEST2D_PC_LIBDIR "\${prefix}/${CMAKE_INSTALL_LIBDIR}")
endif()
if(IS_ABSOLUTE ${CMAKE_INSTALL_INCLUDEDIR})
  set(KEST2D_PC_INCLUDEDIR ${CMAKE_INSTALL_INCLUDEDIR})
else()
  set(KEST2D_PC_INCLUDEDIR "\${prefix}/${CMAKE_INSTALL_INCLUDEDIR}")
endif()
string(REPLACE ";" " " KEST2D_PC_HOST_FLAGS "${KEST2D_HOST_FLAGS}")
set(KEST2D_PC_PREFIX "@CMAKE_INSTALL_PREFIX@")
configure_file(${CMAKE_CURRENT_LIST_DIR}/kest2d.pc.in ${CMAKE_BINARY_DIR}/kest2d.pc.in @ONLY)
install(CODE "configure_file(\"${CMAKE_BINARY_DIR}/kest2d.pc.in\" \"${CMAKE_BINARY_DIR}/kest2d.pc\" @ONLY)")
install(FILES ${CMAKE_BINARY_DIR}/kest2d.pc DESTINATION ${CMAKE_INSTALL_LIBDIR}/pkgconfig)
