# Cross build for Windows with MinGW-w64: the posix thread model (so that
# std::thread and std::mutex exist), linked statically so that the outputs
# import system DLLs only. VASK_WIN_ARCH picks i686 (the shipped 32-bit
# program) or x86_64 (for machines whose kernel cannot run 32-bit code).
if(NOT VASK_WIN_ARCH)
  set(VASK_WIN_ARCH "$ENV{VASK_WIN_ARCH}")
endif()
if(NOT VASK_WIN_ARCH)
  set(VASK_WIN_ARCH i686)
endif()
set(VASK_WIN_ARCH "${VASK_WIN_ARCH}" CACHE STRING "i686 or x86_64")
set(_triple ${VASK_WIN_ARCH}-w64-mingw32)

set(CMAKE_SYSTEM_NAME Windows)
set(CMAKE_C_COMPILER ${_triple}-gcc-posix)
set(CMAKE_CXX_COMPILER ${_triple}-g++-posix)
set(CMAKE_RC_COMPILER ${_triple}-windres)
set(CMAKE_FIND_ROOT_PATH /usr/${_triple})
set(CMAKE_FIND_ROOT_PATH_MODE_PROGRAM NEVER)
set(CMAKE_FIND_ROOT_PATH_MODE_LIBRARY ONLY)
set(CMAKE_FIND_ROOT_PATH_MODE_INCLUDE ONLY)
set(CMAKE_EXE_LINKER_FLAGS_INIT "-static")
set(CMAKE_SHARED_LINKER_FLAGS_INIT "-static")

set(_wine "$ENV{VASK_WINE}")
if(NOT _wine)
  if(VASK_WIN_ARCH STREQUAL "x86_64")
    set(_wine /usr/lib/wine/wine64)
  else()
    set(_wine /usr/lib/wine/wine)
  endif()
endif()
# Through a small script that puts each test on the desktop CTest gave it.
set(CMAKE_CROSSCOMPILING_EMULATOR ${CMAKE_CURRENT_LIST_DIR}/../scripts/wine-desktop ${_wine})
