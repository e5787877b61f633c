# Markload over arbitrary DDF input, seeded with the bundled sample. The
# converter's sources are compiled into the target so that libFuzzer sees
# their coverage (a linked library would be built without it).
fuzzer(markload_fuzzer
  SOURCES ${CMAKE_CURRENT_SOURCE_DIR}/markload_fuzzer.cpp
          ${PROJECT_SOURCE_DIR}/markload/scanner.cpp ${PROJECT_SOURCE_DIR}/markload/output.cpp
          ${PROJECT_SOURCE_DIR}/markload/colours.cpp ${PROJECT_SOURCE_DIR}/markload/styles.cpp
          ${PROJECT_SOURCE_DIR}/markload/commands.cpp ${PROJECT_SOURCE_DIR}/markload/convert.cpp
  LIBS ddl_output)
file(COPY ${PROJECT_SOURCE_DIR}/samples/sample.ddf DESTINATION ${CMAKE_BINARY_DIR}/fuzz/markload_fuzzer.corpus)
