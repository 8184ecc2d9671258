# The dialog under a real X server: test_ui_x11 starts its own Xvfb and
# sends real input through the XTest extension. One ctest test, since the
# program's main starts the server before any test runs.
find_package(X11 REQUIRED)
if(TARGET vornesk_host AND X11_XTest_FOUND)
  file(GLOB x11_srcs CONFIGURE_DEPENDS ${CMAKE_CURRENT_SOURCE_DIR}/ui_x11/*.cpp)
  add_executable(test_ui_x11 ${x11_srcs} ${CMAKE_CURRENT_SOURCE_DIR}/lsan_suppressions.cpp)
  target_link_libraries(test_ui_x11 PRIVATE vornesk_host vk_all GTest::gtest X11::X11 X11::Xtst ${CMAKE_DL_LIBS})
  vornesk_test_program(test_ui_x11)
  add_dependencies(test_ui_x11 vornesk)
  target_compile_definitions(test_ui_x11 PRIVATE
    VORNESK_TEST_DATA="${CMAKE_CURRENT_SOURCE_DIR}/data"
    VORNESK_SOURCE_DIR="${CMAKE_SOURCE_DIR}"
    VORNESK_BINARY_DIR="${CMAKE_BINARY_DIR}"
    VORNESK_HOST_PROGRAM="$<TARGET_FILE:vornesk>")
  add_test(NAME test_ui_x11 COMMAND test_ui_x11)
  set_tests_properties(test_ui_x11 PROPERTIES LABELS ui TIMEOUT 600)
endif()
