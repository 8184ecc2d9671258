# The host's tests link its library and run build/vornesk with the test plug-in.
if(TARGET test_cli AND TARGET vornesk_host)
  target_link_libraries(test_cli PRIVATE vornesk_host ${CMAKE_DL_LIBS})
  add_dependencies(test_cli vornesk vornesk_test_invert)
  target_compile_definitions(test_cli PRIVATE
    VORNESK_HOST_PROGRAM="$<TARGET_FILE:vornesk>"
    VORNESK_TEST_PLUGIN="$<TARGET_FILE:vornesk_test_invert>")
endif()
