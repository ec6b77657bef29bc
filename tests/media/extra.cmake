# The media tests build their sprite archives with the writer library.
target_link_libraries(test_media PRIVATE kespack_writer)
