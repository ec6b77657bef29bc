# The corpus replay test runs the fuzz targets' own bodies: each fuzz/*.cpp is
# compiled in with its entry points renamed, and a generated table lists them.
include(${CMAKE_SOURCE_DIR}/fuzz/seeds/seeds.cmake)
target_link_libraries(test_fuzzcorpus PRIVATE kest2d_fuzzseeds)
file(GLOB KEST2D_FUZZ_SOURCES CONFIGURE_DEPENDS ${CMAKE_SOURCE_DIR}/fuzz/*.cpp)
set(table_decls "")
set(table_rows "")
foreach(src ${KEST2D_FUZZ_SOURCES})
  get_filename_component(name ${src} NAME_WE)
  target_sources(test_fuzzcorpus PRIVATE ${src})
  set_source_files_properties(${src} PROPERTIES COMPILE_DEFINITIONS
    "LLVMFuzzerTestOneInput=FuzzTarget_${name};LLVMFuzzerInitialize=FuzzTargetInit_${name}")
  string(APPEND table_decls "extern \"C\" int FuzzTarget_${name}(const uint8_t*, size_t);\n")
  string(APPEND table_rows "    {\"${name}\", FuzzTarget_${name}},\n")
endforeach()
file(CONFIGURE OUTPUT ${CMAKE_CURRENT_BINARY_DIR}/fuzzcorpus/FuzzTargets.cpp CONTENT
"// Generated from fuzz/*.cpp: the fuzz targets' entry points, renamed.
#include \"fuzzcorpus/FuzzTargets.h\"

${table_decls}
const std::vector<FuzzTarget>& FuzzTargets() {
  static const std::vector<FuzzTarget> targets = {
${table_rows}  };
  return targets;
}
")
target_sources(test_fuzzcorpus PRIVATE ${CMAKE_CURRENT_BINARY_DIR}/fuzzcorpus/FuzzTargets.cpp)
