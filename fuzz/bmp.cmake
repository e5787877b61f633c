fuzzer(bmp_fuzz SOURCES ${CMAKE_CURRENT_LIST_DIR}/bmp_fuzz.cpp ${CMAKE_CURRENT_LIST_DIR}/raster_fuzz_support.cpp
       LIBS bmp_reader)
embed_resource(bmp_fuzz MESSAGES MESSAGES.TXT 2057 ${PROJECT_SOURCE_DIR}/framework/messages.txt)
