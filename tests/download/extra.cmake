# The self-update tests serve real ".pak" archives made by the archive writer.
target_link_libraries(test_download PRIVATE kespack_writer)
