unit_test(bmp_tests SOURCES ${CMAKE_CURRENT_LIST_DIR}/bmp_test.cpp ${CMAKE_CURRENT_LIST_DIR}/bmp_external_test.cpp
          LIBS bmp_reader)
embed_resource(bmp_tests MESSAGES MESSAGES.TXT 2057 ${PROJECT_SOURCE_DIR}/framework/messages.txt)
