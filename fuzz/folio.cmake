# Folioload on arbitrary bytes as a single document file. The converter's
# sources are compiled into the fuzzer itself so that libFuzzer's coverage
# instrumentation reaches them (the prebuilt folio_core is uninstrumented).
file(GLOB folio_fuzz_sources CONFIGURE_DEPENDS ${PROJECT_SOURCE_DIR}/folio/*.cpp)
list(REMOVE_ITEM folio_fuzz_sources ${PROJECT_SOURCE_DIR}/folio/folioload_main.cpp)
fuzzer(folio_fuzz SOURCES ${CMAKE_CURRENT_LIST_DIR}/folio_fuzz.cpp ${folio_fuzz_sources})
target_include_directories(folio_fuzz PRIVATE ${PROJECT_SOURCE_DIR})
# The same, seeded with the bundled samples and the real documents of the
# shared corpus, read where they are (libFuzzer only reads the later folders).
set(folio_fuzz_seeds ${PROJECT_SOURCE_DIR}/samples)
if(IS_DIRECTORY ${FILTERS_SOURCE_ROOT}/../shared/corpus/impression)
  list(APPEND folio_fuzz_seeds ${FILTERS_SOURCE_ROOT}/../shared/corpus/impression)
endif()
add_test(NAME fuzz.folio_fuzz.seeded
  COMMAND folio_fuzz -max_total_time=${FILTERS_FUZZ_SECONDS} -rss_limit_mb=2048 -timeout=30
          ${CMAKE_BINARY_DIR}/fuzz/folio_fuzz.corpus ${folio_fuzz_seeds})
