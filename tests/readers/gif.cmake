unit_test(gif_tests SOURCES ${CMAKE_CURRENT_LIST_DIR}/gif_test.cpp LIBS gif_reader)
