# The 32-bit Windows program.
set(CMAKE_SYSTEM_PROCESSOR x86)
set(LANGREG_MINGW_TRIPLET i686-w64-mingw32)
set(LANGREG_WINE_NAME wine)
include(${CMAKE_CURRENT_LIST_DIR}/MinGW.cmake)
