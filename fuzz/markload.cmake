# Markload over arbitrary DDF input.
fuzzer(markload SOURCES ${CMAKE_CURRENT_LIST_DIR}/markload_fuzz.cpp LIBS markload_core MAX_LEN 65536)
