# The program's vector icons; needs only QtGui so it builds and tests without
# widgets or a display.
add_library(korvex_icons STATIC ${CMAKE_CURRENT_LIST_DIR}/icons.cpp)
target_link_libraries(korvex_icons PUBLIC Qt6::Gui)
set_target_properties(korvex_icons PROPERTIES AUTOMOC OFF)

if(KORVEX_TESTS)
  # Its own main creates the QGuiApplication that pixmaps need, hence no gtest_main.
  add_executable(icons_test ${CMAKE_CURRENT_LIST_DIR}/icons_test.cpp)
  target_link_libraries(icons_test PRIVATE korvex_icons GTest::gtest)
  set_target_properties(icons_test PROPERTIES AUTOMOC OFF)
  gtest_discover_tests(icons_test DISCOVERY_TIMEOUT 60)
endif()
