# The shared-memory tests run a second process that uses the same block.
add_executable(kest2d_shm_user ${dir}/helper/SharedMemoryUser.cpp)
target_compile_options(kest2d_shm_user PRIVATE ${KEST2D_WARNINGS})
target_link_libraries(kest2d_shm_user PRIVATE kest2d)
add_dependencies(test_platform kest2d_shm_user)
target_compile_definitions(test_platform PRIVATE KEST2D_SHM_USER="$<TARGET_FILE:kest2d_shm_user>")
