# markload_bench: converts a generated DDF file of tens of megabytes with the
# real program beside a plain copy of the same bytes, and prints the ratio.
# Run it with: cmake --build --preset native --target bench_markload
add_executable(markload_bench ${CMAKE_CURRENT_SOURCE_DIR}/markload_bench.cpp)
target_link_libraries(markload_bench PRIVATE platform project_warnings)
target_compile_definitions(markload_bench PRIVATE MARKLOAD_PROGRAM="$<TARGET_FILE:Markload>")
add_dependencies(markload_bench Markload)
add_custom_target(bench_markload COMMAND markload_bench ${CMAKE_BINARY_DIR}/bench-markload USES_TERMINAL)
