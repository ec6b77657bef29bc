# The fuzz targets' seed maker: a library for the corpus replay test and the
# fuzz configuration's seed-writing program. It uses the project's archive
# writer and the tests' clip and GIF writers.
if(NOT TARGET kest2d_fuzzseeds)
  pkg_check_modules(KESSEEDDEPS REQUIRED IMPORTED_TARGET GLOBAL theoraenc vorbisenc)
  add_library(kest2d_fuzzseeds STATIC ${CMAKE_SOURCE_DIR}/fuzz/seeds/FuzzSeeds.cpp)
  target_include_directories(kest2d_fuzzseeds PUBLIC
    ${CMAKE_SOURCE_DIR}/fuzz ${CMAKE_SOURCE_DIR}/tests ${CMAKE_SOURCE_DIR}/tools)
  target_compile_options(kest2d_fuzzseeds PRIVATE ${KEST2D_WARNINGS})
  target_compile_definitions(kest2d_fuzzseeds PRIVATE KEST2D_SOURCE_DIR="${CMAKE_SOURCE_DIR}")
  target_link_libraries(kest2d_fuzzseeds PUBLIC kest2d kespack_writer PkgConfig::KESSEEDDEPS)
endif()
