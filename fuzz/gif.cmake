fuzzer(gif_fuzzer SOURCES ${CMAKE_CURRENT_LIST_DIR}/gif_fuzzer.cpp LIBS gif_reader)
