# The test plug-in: a module built like the real one (only PluginMain
# exported) that inverts the picture, so the host can be tested end to end.
add_library(vornesk_test_invert MODULE ${CMAKE_CURRENT_LIST_DIR}/invert_plugin.cpp)
target_include_directories(vornesk_test_invert PRIVATE ${CMAKE_SOURCE_DIR})
target_link_options(vornesk_test_invert PRIVATE
  -Wl,--version-script=${CMAKE_SOURCE_DIR}/platform/host/plugin_exports.map)
set_target_properties(vornesk_test_invert PROPERTIES
  PREFIX "" OUTPUT_NAME "VorneskInvertTest" SUFFIX ".so"
  LIBRARY_OUTPUT_DIRECTORY ${CMAKE_BINARY_DIR}/tests)
