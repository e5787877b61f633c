# PNG reader tests: fixtures built by PngBuilder, files from other encoders and
# the corpus compared with netpbm's decoder, and Pngload end to end.
add_library(png_test_helpers STATIC ${CMAKE_CURRENT_LIST_DIR}/png_helpers.cpp)
target_link_libraries(png_test_helpers PUBLIC png_reader test_support PRIVATE project_warnings)

unit_test(png_reader_tests SOURCES ${CMAKE_CURRENT_LIST_DIR}/png_reader_test.cpp LIBS png_test_helpers)
unit_test(png_corpus_tests SOURCES ${CMAKE_CURRENT_LIST_DIR}/png_corpus_test.cpp LIBS png_test_helpers)
unit_test(png_program_tests SOURCES ${CMAKE_CURRENT_LIST_DIR}/png_program_test.cpp LIBS png_test_helpers)
unit_test(png_encoders_tests SOURCES ${CMAKE_CURRENT_LIST_DIR}/png_encoders_test.cpp LIBS png_test_helpers)
