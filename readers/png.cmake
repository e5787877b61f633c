# The PNG reader and Pngload. Natively libpng and zlib come from the system;
# the Windows build links the static libpng of scripts/build-windows-deps.sh
# and the static MinGW zlib, so the program needs no DLL.
if(WIN32)
  set(ZLIB_USE_STATIC_LIBS ON)
endif()
find_package(PNG REQUIRED)

add_library(png_reader STATIC ${CMAKE_CURRENT_LIST_DIR}/png.cpp)
target_include_directories(png_reader PUBLIC ${PROJECT_SOURCE_DIR})
target_link_libraries(png_reader PUBLIC raster_framework PNG::PNG PRIVATE project_warnings)

raster_filter(Pngload DESCRIPTION "PNG image to Draw file filter" SOURCES ${CMAKE_CURRENT_LIST_DIR}/pngload_main.cpp LIBS png_reader)
