# bmp_bench: Bmpload against bmptopnm, ImageMagick and the I/O floor on 4000 x 3000 images.
# Run it with: cmake --build --preset native --target bench_bmp
# The images come from the test BMP builder, so it needs the tests.
if(TARGET test_support AND TARGET Bmpload)
  add_executable(bmp_bench ${CMAKE_CURRENT_SOURCE_DIR}/bmp_bench.cpp)
  target_link_libraries(bmp_bench PRIVATE test_support project_warnings)
  target_include_directories(bmp_bench PRIVATE ${PROJECT_SOURCE_DIR})
  add_dependencies(bmp_bench Bmpload)
  add_custom_target(bench_bmp COMMAND bmp_bench $<TARGET_FILE:Bmpload> ${CMAKE_BINARY_DIR}/bench-bmp USES_TERMINAL)
endif()
