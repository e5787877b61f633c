# Folioload on arbitrary bytes as a single document file.
fuzzer(folio_fuzz SOURCES ${CMAKE_CURRENT_LIST_DIR}/folio_fuzz.cpp LIBS folio_core)
# The same, seeded with the bundled samples and the real documents of the
# shared corpus, read where they are (libFuzzer only reads the later folders).
set(folio_fuzz_seeds ${PROJECT_SOURCE_DIR}/samples)
if(IS_DIRECTORY ${FILTERS_SOURCE_ROOT}/../shared/corpus/impression)
  list(APPEND folio_fuzz_seeds ${FILTERS_SOURCE_ROOT}/../shared/corpus/impression)
endif()
add_test(NAME fuzz.folio_fuzz.seeded
  COMMAND folio_fuzz -max_total_time=${FILTERS_FUZZ_SECONDS} -rss_limit_mb=2048 -timeout=30
          ${CMAKE_BINARY_DIR}/fuzz/folio_fuzz.corpus ${folio_fuzz_seeds})
