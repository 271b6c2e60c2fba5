# Windows programs built here run under Wine: tests, test discovery and the
# tool's shell tests. Each build directory has a Wine prefix of its own,
# made by scripts/wine_ctest.sh before ctest runs.
find_program(PORTKIT_WINE NAMES wine)
if(PORTKIT_WINE AND NOT CMAKE_CROSSCOMPILING_EMULATOR)
  set(PORTKIT_WINEPREFIX ${PROJECT_BINARY_DIR}/wineprefix)
  set(CMAKE_CROSSCOMPILING_EMULATOR env WINEPREFIX=${PORTKIT_WINEPREFIX} WINEDEBUG=-all ${PORTKIT_WINE})
endif()
