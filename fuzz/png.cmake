# The PNG reader's fuzzer, started from a few small PNGs of different kinds
# made by ImageMagick when it is installed (libFuzzer finds little behind the
# signature and CRCs from nothing).
find_package(ZLIB REQUIRED)
fuzzer(png_fuzz SOURCES ${CMAKE_CURRENT_LIST_DIR}/png_fuzz.cpp ${CMAKE_CURRENT_LIST_DIR}/raster_fuzz_support.cpp
       LIBS png_reader ZLIB::ZLIB)
embed_resource(png_fuzz MESSAGES MESSAGES.TXT 2057 ${PROJECT_SOURCE_DIR}/framework/messages.txt)

set(png_fuzz_seeds ${CMAKE_BINARY_DIR}/fuzz/png_fuzz.corpus)
find_program(IMAGEMAGICK_CONVERT convert)
file(GLOB png_fuzz_existing ${png_fuzz_seeds}/*)
if(IMAGEMAGICK_CONVERT AND NOT png_fuzz_existing)
  foreach(seed "PNG24:rgb.png" "PNG8:palette.png" "-interlace;PNG;PNG24:interlaced.png"
                "-colorspace;Gray;-depth;4;PNG:grey4.png" "-alpha;set;-channel;A;-evaluate;set;50%;PNG64:rgba16.png"
                "-colors;2;-depth;1;PNG:grey1.png" "-transparent;white;PNG8:trns.png")
    execute_process(COMMAND ${IMAGEMAGICK_CONVERT} rose: -resize 9x7! ${seed}
                    WORKING_DIRECTORY ${png_fuzz_seeds} RESULT_VARIABLE ignored OUTPUT_QUIET ERROR_QUIET)
  endforeach()
endif()
