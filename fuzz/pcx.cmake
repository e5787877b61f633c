fuzzer(pcx_fuzzer SOURCES ${CMAKE_CURRENT_LIST_DIR}/pcx_fuzzer.cpp LIBS pcx_reader)
