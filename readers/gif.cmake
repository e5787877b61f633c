add_library(gif_reader STATIC ${CMAKE_CURRENT_LIST_DIR}/gif.cpp)
target_link_libraries(gif_reader PUBLIC raster_framework PRIVATE project_warnings)
raster_filter(Gifload DESCRIPTION "GIF image to Draw file filter" SOURCES ${CMAKE_CURRENT_LIST_DIR}/gifload_main.cpp LIBS gif_reader)
