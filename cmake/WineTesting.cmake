# Tests of the Windows build run under Wine (Debian's wine64) in a private prefix inside the
# build tree, driven by scripts/wine: it gives every Wine process the prefix, a quiet WINEDEBUG
# and the display of an Xvfb it starts before the first of them.
set(TESSELOR_WINE_PREFIX "${CMAKE_BINARY_DIR}/wine")
set(_wine "${PROJECT_SOURCE_DIR}/scripts/wine")
set(CMAKE_CROSSCOMPILING_EMULATOR "${_wine};run;${TESSELOR_WINE_PREFIX}")

# A fresh prefix takes Wine tens of seconds to set up: do it once, as part of the build, rather
# than inside the first test's time limit.
add_custom_command(
    OUTPUT "${TESSELOR_WINE_PREFIX}/system.reg"
    COMMAND "${_wine}" boot "${TESSELOR_WINE_PREFIX}"
    COMMENT "Setting up the Wine prefix for the tests"
    VERBATIM)
add_custom_target(wine_prefix ALL DEPENDS "${TESSELOR_WINE_PREFIX}/system.reg")

# One session (Xvfb, a persistent wineserver, Wine's services) serves the whole ctest run: every
# test joins it, and it is stopped once the last test is done. Listing the tests when ctest starts
# may be what starts it, hence the longer listing time limit.
add_test(NAME wine_session_up COMMAND "${_wine}" up "${TESSELOR_WINE_PREFIX}")
add_test(NAME wine_session_down COMMAND "${_wine}" down "${TESSELOR_WINE_PREFIX}")
set_tests_properties(wine_session_up PROPERTIES FIXTURES_SETUP wine)
set_tests_properties(wine_session_down PROPERTIES FIXTURES_CLEANUP wine)
# A Windows test that waits on a window (a modal loop, a dialog) fails after five minutes instead
# of holding the run for ctest's default 25.
set(TESSELOR_DISCOVERY_OPTIONS
    DISCOVERY_TIMEOUT 120 PROPERTIES FIXTURES_REQUIRED wine TIMEOUT 300)
unset(_wine)
