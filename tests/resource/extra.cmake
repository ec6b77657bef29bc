# The archive tests build their archives with the writer library and run the
# kespack tool itself.
target_link_libraries(test_resource PRIVATE kespack_writer)
add_dependencies(test_resource kespack)
target_compile_definitions(test_resource PRIVATE KESPACK_EXE="$<TARGET_FILE:kespack>")
