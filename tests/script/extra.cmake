# The Lua test scripts: each tests/script/lua/*.lua runs in the engine's own
# Lua state through kest2d_script_runner, one CTest entry per script.
add_executable(kest2d_script_runner ${dir}/runner/ScriptRunner.cpp)
target_compile_options(kest2d_script_runner PRIVATE ${KEST2D_WARNINGS})
target_link_libraries(kest2d_script_runner PRIVATE kest2d_testsupport)
file(GLOB KEST2D_LUA_TESTS CONFIGURE_DEPENDS ${dir}/lua/*.lua)
foreach(script ${KEST2D_LUA_TESTS})
  get_filename_component(stem ${script} NAME_WE)
  add_test(NAME lua.${stem} COMMAND kest2d_script_runner ${script})
  set_tests_properties(lua.${stem} PROPERTIES TIMEOUT 120 ENVIRONMENT "${KEST2D_TEST_ENV}")
endforeach()
# Scripts held only in ".pak" archives are made with the archive writer.
target_link_libraries(test_script PRIVATE kespack_writer)

# A short run of the hostile script generator (fuzz/script/, see
# fuzz/README.md): every seed a generated script in its own engine under the
# sanitizers, with every step kind and every bound function. The kinds and
# the functions left out stay settings for runs that look at one thing.
set(KEST2D_SCRIPT_FUZZ_SEEDS 600 CACHE STRING "Seeds of the hostile script run in the tests")
set(KEST2D_SCRIPT_FUZZ_STEPS 300 CACHE STRING "Top-level steps of each hostile script in the tests")
set(KEST2D_SCRIPT_FUZZ_KINDS "all" CACHE STRING "Step kinds of the hostile script run in the tests (all: every kind)")
set(KEST2D_SCRIPT_FUZZ_AVOID "" CACHE STRING "Bound functions the hostile script run in the tests leaves out")
add_test(NAME fuzz.scripts COMMAND bash ${CMAKE_SOURCE_DIR}/fuzz/script/run.sh 1 ${KEST2D_SCRIPT_FUZZ_SEEDS})
set_tests_properties(fuzz.scripts PROPERTIES TIMEOUT 600 PROCESSORS 4 ENVIRONMENT
  "${KEST2D_TEST_ENV};KEST2D_RUNNER=$<TARGET_FILE:kest2d_script_runner>;KEST2D_FUZZ_OUT=${CMAKE_BINARY_DIR}/fuzz-scripts;KEST2D_FUZZ_JOBS=4;KEST2D_FUZZ_STEPS=${KEST2D_SCRIPT_FUZZ_STEPS};KEST2D_FUZZ_KINDS=${KEST2D_SCRIPT_FUZZ_KINDS};KEST2D_FUZZ_AVOID=${KEST2D_SCRIPT_FUZZ_AVOID}")
