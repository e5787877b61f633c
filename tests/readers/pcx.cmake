unit_test(pcx_tests SOURCES ${CMAKE_CURRENT_LIST_DIR}/pcx_test.cpp ${CMAKE_CURRENT_LIST_DIR}/pcx_external_test.cpp
          ${CMAKE_CURRENT_LIST_DIR}/pcx_program_test.cpp
          LIBS pcx_reader)
embed_resource(pcx_tests MESSAGES MESSAGES.TXT 2057 ${PROJECT_SOURCE_DIR}/framework/messages.txt)
