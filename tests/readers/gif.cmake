unit_test(gif_tests SOURCES ${CMAKE_CURRENT_LIST_DIR}/gif_test.cpp ${CMAKE_CURRENT_LIST_DIR}/gif_external_test.cpp
          ${CMAKE_CURRENT_LIST_DIR}/gif_program_test.cpp
          LIBS gif_reader)
embed_resource(gif_tests MESSAGES MESSAGES.TXT 2057 ${PROJECT_SOURCE_DIR}/framework/messages.txt)
