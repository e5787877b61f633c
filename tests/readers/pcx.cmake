unit_test(pcx_tests SOURCES ${CMAKE_CURRENT_LIST_DIR}/pcx_test.cpp LIBS pcx_reader)
