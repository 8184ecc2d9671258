# The shell's end-to-end tests run the plug-in module through the host's
# session (the same code build/vornesk uses) and build/vornesk itself.
if(TARGET test_shell AND TARGET vornesk_host AND TARGET vornesk_plugin)
  target_link_libraries(test_shell PRIVATE vornesk_host ${CMAKE_DL_LIBS})
  add_dependencies(test_shell vornesk vornesk_plugin)
  target_compile_definitions(test_shell PRIVATE
    VORNESK_PLUGIN_MODULE="$<TARGET_FILE:vornesk_plugin>"
    VORNESK_HOST_PROGRAM="$<TARGET_FILE:vornesk>")
endif()
