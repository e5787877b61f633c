# Cross build of 64-bit twins of the Windows programs. The product is the
# 32-bit build; this one exists so the Wine tests can run on machines whose
# kernel has no 32-bit support (Wine then only runs 64-bit programs).
set(CMAKE_SYSTEM_NAME Windows)
set(CMAKE_SYSTEM_PROCESSOR x86_64)
set(CMAKE_C_COMPILER x86_64-w64-mingw32-gcc)
set(CMAKE_CXX_COMPILER x86_64-w64-mingw32-g++)
set(CMAKE_RC_COMPILER x86_64-w64-mingw32-windres)
set(CMAKE_FIND_ROOT_PATH /usr/x86_64-w64-mingw32)
set(CMAKE_FIND_ROOT_PATH_MODE_PROGRAM NEVER)
set(CMAKE_FIND_ROOT_PATH_MODE_LIBRARY ONLY)
set(CMAKE_FIND_ROOT_PATH_MODE_INCLUDE ONLY)
set(CMAKE_FIND_ROOT_PATH_MODE_PACKAGE ONLY)
# libpng built for x86_64 by scripts/build-windows-deps.sh lands here.
if(DEFINED ENV{FILTERS_WINDOWS_DEPS})
  list(APPEND CMAKE_FIND_ROOT_PATH $ENV{FILTERS_WINDOWS_DEPS})
endif()
