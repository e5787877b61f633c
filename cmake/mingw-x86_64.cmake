# Cross build of 64-bit twins of the Windows programs. The product is the
# 32-bit build; this one exists so the Wine tests can run on machines whose
# kernel has no 32-bit support (Wine then only runs 64-bit programs).
set(CMAKE_SYSTEM_PROCESSOR x86_64)
set(MINGW_TRIPLET x86_64-w64-mingw32)
include(${CMAKE_CURRENT_LIST_DIR}/mingw-common.cmake)
