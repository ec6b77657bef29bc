# The self-update tests serve real ".pak" archives made by the archive writer.
target_link_libraries(test_update PRIVATE kespack_writer)
