# The 64-bit Windows program, the one the tests run under Wine.
set(CMAKE_SYSTEM_PROCESSOR AMD64)
set(LANGREG_MINGW_TRIPLET x86_64-w64-mingw32)
set(LANGREG_WINE_NAME wine64)
include(${CMAKE_CURRENT_LIST_DIR}/MinGW.cmake)
