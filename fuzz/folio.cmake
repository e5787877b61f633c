# Folioload on arbitrary bytes as a single document file. The converter's
# sources are compiled into the fuzzer itself so that libFuzzer's coverage
# instrumentation reaches them (a prebuilt library would be uninstrumented).
file(GLOB folio_fuzz_sources CONFIGURE_DEPENDS ${PROJECT_SOURCE_DIR}/folio/*.cpp)
list(REMOVE_ITEM folio_fuzz_sources ${PROJECT_SOURCE_DIR}/folio/folioload_main.cpp)
fuzzer(folio_fuzz SOURCES ${CMAKE_CURRENT_LIST_DIR}/folio_fuzz.cpp ${folio_fuzz_sources})
target_include_directories(folio_fuzz PRIVATE ${PROJECT_SOURCE_DIR})
