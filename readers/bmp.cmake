add_library(bmp_reader STATIC ${CMAKE_CURRENT_LIST_DIR}/bmp.cpp)
target_link_libraries(bmp_reader PUBLIC raster_framework PRIVATE project_warnings)
raster_filter(Bmpload DESCRIPTION "BMP image to Draw file filter" SOURCES ${CMAKE_CURRENT_LIST_DIR}/bmpload_main.cpp LIBS bmp_reader)
