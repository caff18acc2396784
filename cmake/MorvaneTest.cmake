# GoogleTest for every build: Debian's libgtest-dev natively; for the cross
# builds (Win32, 32-bit ARM) the sources Debian's googletest package ships,
# built with the cross compiler.
if(CMAKE_CROSSCOMPILING)
    set(INSTALL_GTEST OFF CACHE BOOL "" FORCE)
    set(BUILD_GMOCK ON CACHE BOOL "" FORCE)
    add_subdirectory(/usr/src/googletest ${CMAKE_BINARY_DIR}/googletest EXCLUDE_FROM_ALL)
else()
    find_package(GTest REQUIRED)
endif()

# Win32 programs run under Wine, in a throwaway prefix inside the build folder.
# (The ARM toolchain file names qemu-arm as its emulator itself.)
if(WIN32)
    find_program(MORVANE_WINE NAMES wine64 PATHS /usr/lib/wine NO_DEFAULT_PATH REQUIRED)
    set(WINE_PREFIX ${CMAKE_BINARY_DIR}/wineprefix)
    configure_file(${CMAKE_SOURCE_DIR}/cmake/wine-run.in ${CMAKE_BINARY_DIR}/wine-run @ONLY
                   FILE_PERMISSIONS OWNER_READ OWNER_WRITE OWNER_EXECUTE GROUP_READ GROUP_EXECUTE WORLD_READ WORLD_EXECUTE)
    set(CMAKE_CROSSCOMPILING_EMULATOR ${CMAKE_BINARY_DIR}/wine-run)
endif()

# morvane_test(NAME SOURCES... [LIBS ...] [REGISTRY]): one test program, one
# ctest entry. REGISTRY marks a program that changes the filter's settings:
# under Wine all programs share one registry, so those never run side by side.
function(morvane_test name)
    cmake_parse_arguments(ARG "REGISTRY" "" "SOURCES;LIBS" ${ARGN})
    add_executable(${name} ${ARG_SOURCES})
    target_link_libraries(${name} PRIVATE ${ARG_LIBS} GTest::gtest_main GTest::gtest)
    add_test(NAME ${name} COMMAND ${name})
    if(ARG_REGISTRY)
        set_tests_properties(${name} PROPERTIES RESOURCE_LOCK filter_settings)
    endif()
endfunction()
