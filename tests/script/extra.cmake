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
