# markload_bench: converts two generated DDF files of tens of megabytes with the
# real program beside the copy floor and cat, and prints the ratios.
# Run it with: cmake --build --preset native --target bench_markload
add_executable(markload_bench ${CMAKE_CURRENT_SOURCE_DIR}/markload_bench.cpp)
target_link_libraries(markload_bench PRIVATE project_warnings)
target_include_directories(markload_bench PRIVATE ${PROJECT_SOURCE_DIR})
target_compile_definitions(markload_bench PRIVATE MARKLOAD_PROGRAM="$<TARGET_FILE:Markload>")
add_dependencies(markload_bench Markload)
add_custom_target(bench_markload COMMAND markload_bench ${CMAKE_BINARY_DIR}/bench-markload USES_TERMINAL)
