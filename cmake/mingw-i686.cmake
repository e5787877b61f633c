# Cross build of the 32-bit Windows programs with MinGW-w64.
set(CMAKE_SYSTEM_PROCESSOR i686)
set(MINGW_TRIPLET i686-w64-mingw32)
# Floating point on SSE2, not the x87 unit: every double operation then rounds
# once to 53 bits, exactly as in the 64-bit native build, so both builds write
# the same bytes without rounding steps written by hand. (GCC realigns the
# stack in functions that need it, since Windows only promises 4 bytes.)
set(CMAKE_C_FLAGS_INIT "-msse2 -mfpmath=sse")
set(CMAKE_CXX_FLAGS_INIT "-msse2 -mfpmath=sse")
include(${CMAKE_CURRENT_LIST_DIR}/mingw-common.cmake)
