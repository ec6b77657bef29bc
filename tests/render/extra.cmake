# The host writes a screenshot of the running sample game, headless.
add_test(NAME render.HostScreenshotOfTheSample
  COMMAND sh -c "rm -f host-shot.png && KEST2D_RUN_MS=300 KEST2D_SCREENSHOT=host-shot.png \"$1\" \"$2\" && head -c 8 host-shot.png | od -c | grep -q 'P   N   G'"
          sh $<TARGET_FILE:kest2d_host> "-d\$${CMAKE_SOURCE_DIR}/examples/demo"
  WORKING_DIRECTORY ${CMAKE_CURRENT_BINARY_DIR})
set_tests_properties(render.HostScreenshotOfTheSample PROPERTIES TIMEOUT 60 ENVIRONMENT "${KEST2D_TEST_ENV}")
