# Cross build for Windows with Debian's MinGW-w64, shared by both toolchain
# files, which set LANGREG_MINGW_TRIPLET, CMAKE_SYSTEM_PROCESSOR and
# LANGREG_WINE_NAME. The posix thread model gives the standard library the
# threads GoogleTest needs; -static keeps it inside.
set(CMAKE_SYSTEM_NAME Windows)

find_program(CMAKE_CXX_COMPILER NAMES ${LANGREG_MINGW_TRIPLET}-g++-posix REQUIRED)
find_program(CMAKE_C_COMPILER NAMES ${LANGREG_MINGW_TRIPLET}-gcc-posix)
find_program(CMAKE_RC_COMPILER NAMES ${LANGREG_MINGW_TRIPLET}-windres)

set(CMAKE_FIND_ROOT_PATH /usr/${LANGREG_MINGW_TRIPLET})
set(CMAKE_FIND_ROOT_PATH_MODE_PROGRAM NEVER)
set(CMAKE_FIND_ROOT_PATH_MODE_LIBRARY ONLY)
set(CMAKE_FIND_ROOT_PATH_MODE_INCLUDE ONLY)
set(CMAKE_FIND_ROOT_PATH_MODE_PACKAGE ONLY)

# Lets ctest run the test programs; the caller provides WINEPREFIX.
find_program(LANGREG_WINE NAMES ${LANGREG_WINE_NAME} PATHS /usr/lib/wine NO_DEFAULT_PATH)
if(LANGREG_WINE)
  set(CMAKE_CROSSCOMPILING_EMULATOR ${LANGREG_WINE})
endif()
