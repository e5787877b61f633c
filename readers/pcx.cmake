add_library(pcx_reader STATIC ${CMAKE_CURRENT_LIST_DIR}/pcx.cpp)
target_link_libraries(pcx_reader PUBLIC raster_framework PRIVATE project_warnings)
raster_filter(Pcxload DESCRIPTION "PCX image to Draw file filter" SOURCES ${CMAKE_CURRENT_LIST_DIR}/pcxload_main.cpp LIBS pcx_reader)
