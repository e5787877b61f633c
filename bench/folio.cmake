# Folioload on a large generated document beside the copy floor and cat, and
# on the small sample document for its start-up:
#     cmake --build --preset native --target bench_folio
# The document comes from the test document builder, so it needs the tests.
if(TARGET test_support AND TARGET Folioload)
  add_executable(folio_bench ${CMAKE_CURRENT_LIST_DIR}/folio_bench.cpp)
  target_link_libraries(folio_bench PRIVATE test_support project_warnings)
  set_target_properties(folio_bench PROPERTIES RUNTIME_OUTPUT_DIRECTORY ${CMAKE_BINARY_DIR}/bench)
  add_custom_target(bench_folio
    COMMAND folio_bench $<TARGET_FILE:Folioload> ${CMAKE_BINARY_DIR}/bench/folio
    DEPENDS folio_bench Folioload USES_TERMINAL)
endif()
