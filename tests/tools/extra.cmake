# The host's tests link its library and run build/vornesk with the test plug-in.
if(TARGET test_tools AND TARGET vornesk_host)
  target_link_libraries(test_tools PRIVATE vornesk_host ${CMAKE_DL_LIBS})
  add_dependencies(test_tools vornesk vornesk_test_invert)
  target_compile_definitions(test_tools PRIVATE
    VORNESK_HOST_PROGRAM="$<TARGET_FILE:vornesk>"
    VORNESK_TEST_PLUGIN="$<TARGET_FILE:vornesk_test_invert>")
endif()
