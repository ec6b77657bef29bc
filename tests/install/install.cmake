# Installs the engine into a scratch prefix, builds a host program against the
# installed copy twice (find_package(Kest2d) and pkg-config) and runs it, the
# installed kest2d host and kespack on a small game. Needs the whole tree built
# (cmake --build), since it installs every installed target.
add_test(NAME install.HostProgramAgainstInstalledCopy
  COMMAND ${CMAKE_COMMAND}
    -DBUILD_DIR=${CMAKE_BINARY_DIR}
    -DSCRATCH=${CMAKE_CURRENT_BINARY_DIR}/install-check
    -DHOST_SOURCE=${CMAKE_CURRENT_LIST_DIR}/host_example
    -DCXX=${CMAKE_CXX_COMPILER}
    -DGENERATOR=${CMAKE_GENERATOR}
    -DPKG_CONFIG=${PKG_CONFIG_EXECUTABLE}
    -P ${CMAKE_CURRENT_LIST_DIR}/check_install.cmake)
set_tests_properties(install.HostProgramAgainstInstalledCopy PROPERTIES TIMEOUT 120 ENVIRONMENT "${KEST2D_TEST_ENV}")
