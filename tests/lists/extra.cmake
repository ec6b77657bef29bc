# The emoticon picker tests build their sprite archives with the writer library.
target_link_libraries(test_lists PRIVATE kespack_writer)
