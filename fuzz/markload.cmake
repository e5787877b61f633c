# Markload over arbitrary DDF input, seeded with the bundled sample.
fuzzer(markload_fuzzer SOURCES ${CMAKE_CURRENT_SOURCE_DIR}/markload_fuzzer.cpp LIBS markload_core)
file(COPY ${PROJECT_SOURCE_DIR}/samples/sample.ddf DESTINATION ${CMAKE_BINARY_DIR}/fuzz/markload_fuzzer.corpus)
