# cmake -DBUILD_DIR=... -DSCRATCH=... -DHOST_SOURCE=... -DCXX=... -DGENERATOR=...
#       -DPKG_CONFIG=... -P check_install.cmake
# See install.cmake.
cmake_minimum_required(VERSION 3.20)

# Runs a command; stops with its output unless it exits with `expected`.
function(run_step what expected)
  execute_process(COMMAND ${ARGN} WORKING_DIRECTORY ${SCRATCH}
    RESULT_VARIABLE rc OUTPUT_VARIABLE out ERROR_VARIABLE err TIMEOUT 60)
  if(NOT rc STREQUAL "${expected}")
    message(FATAL_ERROR "${what}: exit ${rc}, expected ${expected}\n${ARGN}\n--- stdout\n${out}\n--- stderr\n${err}")
  endif()
  message(STATUS "${what}: ok")
  set(STEP_OUTPUT "${out}" PARENT_SCOPE)
endfunction()

function(expect_file path)
  if(NOT EXISTS ${path})
    message(FATAL_ERROR "not installed: ${path}")
  endif()
endfunction()

set(prefix ${SCRATCH}/prefix)
set(game ${SCRATCH}/game)
file(REMOVE_RECURSE ${SCRATCH})
file(MAKE_DIRECTORY ${SCRATCH} ${game}/scripts)
unset(ENV{DESTDIR})

run_step("cmake --install" 0 ${CMAKE_COMMAND} --install ${BUILD_DIR} --prefix ${prefix})
file(GLOB libraries ${prefix}/lib*/libkest2d.so ${prefix}/lib/*/libkest2d.so)
list(LENGTH libraries count)
if(NOT count EQUAL 1)
  message(FATAL_ERROR "expected one libkest2d.so under ${prefix}, found: ${libraries}")
endif()
if(NOT IS_SYMLINK ${libraries})
  message(FATAL_ERROR "libkest2d.so should link to the library named by its version")
endif()
get_filename_component(libdir ${libraries} DIRECTORY)
expect_file(${prefix}/bin/kest2d)
expect_file(${prefix}/bin/kespack)
expect_file(${prefix}/include/kest2d/frame/Kest2dBaseFrame.h)
expect_file(${libdir}/cmake/Kest2d/Kest2dConfig.cmake)
expect_file(${libdir}/pkgconfig/kest2d.pc)

# The smallest game: settings and a script.
file(WRITE ${game}/systemini.ini
  "[systemini]\nscreenwidth=320\nscreenheight=240\niswindows=1\ncaption=install check\n")
file(WRITE ${game}/scripts/gamelogic.lua
  "function LoadGameResources() end\n"
  "function OnProcessGameUpdate() end\n"
  "function OnProcessGameTimer(id) end\n"
  "function OnProcessGameEvent(e) end\n"
  "function OnProcessGameNetwork(state, message) end\n")

# The installed programs find the installed library by themselves.
run_step("installed kespack" 0 ${prefix}/bin/kespack pak ${game}/scripts ${SCRATCH}/scripts.pak)
expect_file(${SCRATCH}/scripts.pak)
run_step("installed kest2d" 0 ${CMAKE_COMMAND} -E env KEST2D_RUN_MS=100 ${prefix}/bin/kest2d "-d$${game}")

# A host built with find_package(Kest2d).
run_step("configure the host with find_package" 0 ${CMAKE_COMMAND} -S ${HOST_SOURCE} -B ${SCRATCH}/host-build
  -G ${GENERATOR} -DCMAKE_CXX_COMPILER=${CXX} -DCMAKE_PREFIX_PATH=${prefix})
run_step("build the host with find_package" 0 ${CMAKE_COMMAND} --build ${SCRATCH}/host-build)
run_step("run the host built with find_package" 0 ${SCRATCH}/host-build/host_example ${game})
message(STATUS "${STEP_OUTPUT}")

# The same host built with pkg-config.
set(ENV{PKG_CONFIG_PATH} ${libdir}/pkgconfig)
run_step("pkg-config" 0 ${PKG_CONFIG} --cflags --libs kest2d)
string(STRIP "${STEP_OUTPUT}" flags)
separate_arguments(flags UNIX_COMMAND "${flags}")
run_step("pkg-config libdir" 0 ${PKG_CONFIG} --variable=libdir kest2d)
string(STRIP "${STEP_OUTPUT}" pc_libdir)
run_step("build the host with pkg-config" 0 ${CXX} -std=c++17 -Wall -Wextra ${HOST_SOURCE}/main.cpp
  -o ${SCRATCH}/host_example_pc ${flags} -Wl,-rpath,${pc_libdir})
run_step("run the host built with pkg-config" 0 ${SCRATCH}/host_example_pc ${game})
message(STATUS "${STEP_OUTPUT}")
