# The archive tests build their archives with the writer library and run the
# kespack tool itself.
target_link_libraries(test_archive PRIVATE kespack_writer)
add_dependencies(test_archive kespack)
target_compile_definitions(test_archive PRIVATE KESPACK_EXE="$<TARGET_FILE:kespack>")
