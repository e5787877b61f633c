# The program that writes fuzz/seeds/ with the test builders; run it again
# when a builder or a format's reader changes:
#   build/sanitize/fuzz/make_fuzz_seeds fuzz/seeds
if(TARGET test_support)
  add_executable(make_fuzz_seeds ${CMAKE_CURRENT_LIST_DIR}/make_seeds.cpp)
  target_link_libraries(make_fuzz_seeds PRIVATE test_support project_warnings)
  set_target_properties(make_fuzz_seeds PROPERTIES RUNTIME_OUTPUT_DIRECTORY ${CMAKE_BINARY_DIR}/fuzz)
endif()
