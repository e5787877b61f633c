# Pngload on large generated PNGs beside pngtopnm, convert and a bare libpng
# decode loop:
#     cmake --build --preset native --target bench_png
if(TARGET Pngload)
  find_package(PNG REQUIRED)
  add_executable(png_decode_loop ${CMAKE_CURRENT_LIST_DIR}/png_decode_loop.cpp)
  target_link_libraries(png_decode_loop PRIVATE PNG::PNG project_warnings)
  set_target_properties(png_decode_loop PROPERTIES RUNTIME_OUTPUT_DIRECTORY ${CMAKE_BINARY_DIR}/bench)
  add_custom_target(bench_png
    COMMAND ${CMAKE_COMMAND} -E env PNGLOAD=$<TARGET_FILE:Pngload> PNG_DECODE_LOOP=$<TARGET_FILE:png_decode_loop>
            ${CMAKE_CURRENT_LIST_DIR}/png_bench.sh
    DEPENDS png_decode_loop Pngload USES_TERMINAL)
endif()
