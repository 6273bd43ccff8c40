# Build rules shared by every folder.
#
# VEMO_WINDOWS   the Windows builds (mingw-w64, i686 or x86_64)
# VEMO_WIN64     the x86_64 Windows build: its tests run under wine64
# VEMO_WIN32     the i686 Windows build: the shipped binaries, checked statically
# VEMO_NATIVE    the platform-independent core on the build machine (sanitizers); built with
#                clang it holds the libFuzzer targets too (VEMO_FUZZERS)
# VEMO_FUZZ      the native core built with clang and libFuzzer only, optimised for long runs

option(VEMO_BENCH "Native benchmark build: no sanitizers, for meaningful timings" OFF)

set(VEMO_WINDOWS OFF)
set(VEMO_WIN64 OFF)
set(VEMO_WIN32 OFF)
set(VEMO_NATIVE OFF)
if(WIN32)
    set(VEMO_WINDOWS ON)
    if(CMAKE_SYSTEM_PROCESSOR STREQUAL "x86_64")
        set(VEMO_WIN64 ON)
    else()
        set(VEMO_WIN32 ON)
    endif()
elseif(NOT VEMO_FUZZ)
    set(VEMO_NATIVE ON)
endif()

set(CMAKE_CXX_STANDARD 17)
set(CMAKE_CXX_STANDARD_REQUIRED ON)
set(CMAKE_CXX_EXTENSIONS OFF)
set(CMAKE_POSITION_INDEPENDENT_CODE ON)

add_compile_options(-Wall -Wextra)

if(VEMO_WINDOWS)
    # Everything links statically: the binaries import system DLLs only.
    add_link_options(-static -static-libgcc -static-libstdc++)
    # No link time in the PE header: the same sources give the same binaries (and the
    # installer's cabinet of them the same bytes).
    add_link_options(-Wl,--no-insert-timestamp)
    # Resource scripts name the files they include or embed; windres's preprocessor lists the
    # included ones for Ninja, so a changed .rc, header or included script compiles them again.
    set(CMAKE_RC_COMPILE_OBJECT
        "<CMAKE_RC_COMPILER> -O coff <DEFINES> <INCLUDES> <FLAGS> --preprocessor-arg=-MD --preprocessor-arg=-MT --preprocessor-arg=<OBJECT> --preprocessor-arg=-MF --preprocessor-arg=<DEP_FILE> <SOURCE> <OBJECT>")
    add_compile_definitions(_WIN32_WINNT=0x0601 WINVER=0x0601)
    if(VEMO_WIN32)
        add_link_options(-Wl,--enable-stdcall-fixup)
        # Every PC that still runs a plug-in browser has SSE2: the renderer's compositor takes
        # its vector path and floating point its registers (not the x87 stack). Callers may
        # hand over a stack aligned to 4 bytes only: functions that need more realign it.
        add_compile_options(-msse2 -mfpmath=sse -mstackrealign)
    else()
        # The x86_64 build is the one the tests run: line tables (function names and lines in
        # backtraces) are enough, and full debug information doubles its compile time.
        add_compile_options(-g1)
    endif()
elseif(VEMO_FUZZ)
    add_compile_options(-g -O1 -fsanitize=fuzzer-no-link,address,undefined -fno-sanitize-recover=undefined)
    add_link_options(-fsanitize=address,undefined)
elseif(VEMO_BENCH)
    # Benchmarks: optimised, without sanitizers (set CMAKE_BUILD_TYPE=Release as well).
    add_compile_options(-g)
else()
    add_compile_options(-g -fno-omit-frame-pointer -fsanitize=address,undefined -fno-sanitize-recover=undefined)
    add_link_options(-fsanitize=address,undefined)
    if(CMAKE_CXX_COMPILER_ID STREQUAL "Clang")
        # The tests' build holds the fuzzers as well: one build of the core instead of two. The
        # coverage hooks libFuzzer needs cost the tests little.
        add_compile_options(-fsanitize=fuzzer-no-link)
    endif()
endif()
if(NOT VEMO_WINDOWS AND CMAKE_CXX_COMPILER_ID STREQUAL "Clang" AND EXISTS /usr/bin/ld.lld)
    # lld links a sanitized test program in about a third of the time of the system's linker.
    add_link_options(-fuse-ld=lld)
endif()
set(VEMO_FUZZERS OFF)
if(VEMO_FUZZ OR (VEMO_NATIVE AND NOT VEMO_BENCH AND CMAKE_CXX_COMPILER_ID STREQUAL "Clang"))
    set(VEMO_FUZZERS ON)
endif()

# Product code: no exceptions, no run-time type information.
function(vemo_product target)
    target_compile_options(${target} PRIVATE -fno-exceptions -fno-rtti)
endfunction()

# GoogleTest, built from Debian's sources once per build tree.
if((VEMO_NATIVE OR VEMO_WIN64) AND NOT TARGET gtest)
    set(gtest_disable_pthreads ${VEMO_WINDOWS} CACHE BOOL "" FORCE)
    set(INSTALL_GTEST OFF CACHE BOOL "" FORCE)
    add_subdirectory(/usr/src/googletest ${CMAKE_BINARY_DIR}/googletest EXCLUDE_FROM_ALL)
    include(GoogleTest)
    if(VEMO_WIN64)
        # Test code under Wine is compiled with -O1 (see vemo_add_gtest); so is GoogleTest.
        target_compile_options(gtest PRIVATE -O1)
        target_compile_options(gtest_main PRIVATE -O1)
    endif()
endif()

# The headers nearly every test file includes, compiled once per build tree into a precompiled
# header that each test program reuses: GoogleTest and windows.h take about half of a test file's
# compile time (3.3 of 6.8 s with mingw-w64). The list names headers by <...> only, so that the
# generated header is the same in every clone and the compiler cache serves the precompiled one
# (and with it every test file) to clean clones too (see cmake/compiler-launcher.sh). Not with
# clang (the native build): it names the precompiled header by absolute paths behind -Xclang,
# which the cache cannot take relative to the tree, so every clone would compile every test file
# anew; clang compiles GoogleTest quickly enough without.
if((VEMO_WIN64 OR (VEMO_NATIVE AND CMAKE_CXX_COMPILER_ID STREQUAL "GNU")) AND NOT TARGET vemo_test_headers)
    set(headers <gtest/gtest.h> <string> <vector> <string.h>)
    if(VEMO_WINDOWS)
        list(PREPEND headers <windows.h>)
    endif()
    add_library(vemo_test_headers STATIC ${PROJECT_SOURCE_DIR}/tests/support/TestHeaders.cpp)
    target_link_libraries(vemo_test_headers PRIVATE gtest)
    target_include_directories(vemo_test_headers PRIVATE ${PROJECT_SOURCE_DIR} ${PROJECT_SOURCE_DIR}/tests)
    target_precompile_headers(vemo_test_headers PRIVATE ${headers})
    if(VEMO_WIN64)
        target_compile_options(vemo_test_headers PRIVATE -O1)
    else()
        # Compiled as the programs that use it are (a library's -fPIC would not match).
        target_compile_options(vemo_test_headers PRIVATE -fPIE)
    endif()
endif()

# vemo_add_gtest(name SOURCES ... [LIBS ...] [WINDOWS] [HOST] [SLOW] [DEPTH 8|16|24 ...]
#                [DEPENDS targets])
#   A GoogleTest program. Built and run natively and in the x86_64 Windows build (under wine64),
#   or only there with WINDOWS. DEPTH picks the Xvfb display of that colour depth (default 24)
#   and defines VEMO_TEST_DEPTH; with several depths the one program runs on each, its cases
#   named "Suite.Case@DEPTH". DEPENDS names targets that must be built before the test runs
#   (DLLs it loads, for example).
#   Windows tests find VEMO_SOURCE_DIR and VEMO_BINARY_DIR in their environment (set by
#   cmake/wine-run.sh; gtest_discover_tests passes only one ENVIRONMENT entry through).
#   HOST: a test through the browser stand-in (tests/support/HostScenario.h), Windows only; it is
#   built after vemohost, NPVemoC and VemoDoc and finds them below VEMO_BINARY_DIR.
#   Paths of the build machine are best found at run time, as here: the compiler cache then
#   serves clones in other folders too.
#   Other tests that run Wine programs take a lane as well: COMMAND ${CMAKE_CROSSCOMPILING_EMULATOR}
#   --run SCRIPT ... (the lane's prefix and displays) and the property RESOURCE_GROUPS lanes:1.
#   Labels: HOST tests are labelled `endtoend`, SLOW ones (seconds per case) `slow`; the quick
#   run (scripts/test.sh quick) leaves both out. Under Wine every case takes one Wine lane
#   (resource `lanes`: a prefix and displays of its own, see scripts/wine-env.sh), so that cases
#   run side by side only in different lanes.
function(vemo_add_gtest name)
    cmake_parse_arguments(T "WINDOWS;HOST;SLOW" "" "SOURCES;LIBS;DEPENDS;DEPTH" ${ARGN})
    if(NOT (VEMO_NATIVE OR VEMO_WIN64))
        return()
    endif()
    if((T_WINDOWS OR T_HOST) AND NOT VEMO_WIN64)
        return()
    endif()
    if(T_HOST AND NOT (TARGET vemohost AND TARGET NPVemoC AND TARGET VemoDoc))
        return()
    endif()
    add_executable(${name} ${T_SOURCES})
    # The test code itself (not the product sources a program compiles in) starts with the
    # precompiled common headers; under Windows it is compiled at -O1: with GoogleTest and
    # windows.h a third quicker to compile than at -O2, and as quick to run.
    if(TARGET vemo_test_headers)
        target_precompile_headers(${name} REUSE_FROM vemo_test_headers)
    endif()
    foreach(source ${T_SOURCES})
        get_filename_component(path ${source} ABSOLUTE)
        if(NOT path MATCHES "^${PROJECT_SOURCE_DIR}/tests/.*\\.cpp$")
            set_source_files_properties(${source} PROPERTIES SKIP_PRECOMPILE_HEADERS ON)
        elseif(VEMO_WIN64)
            set_source_files_properties(${source} PROPERTIES COMPILE_OPTIONS -O1)
        endif()
    endforeach()
    if(T_HOST)
        list(APPEND T_DEPENDS vemohost NPVemoC VemoDoc)
    endif()
    target_link_libraries(${name} PRIVATE gtest gtest_main ${T_LIBS})
    target_include_directories(${name} PRIVATE ${PROJECT_SOURCE_DIR} ${PROJECT_SOURCE_DIR}/tests)
    if(VEMO_WINDOWS)
        target_link_libraries(${name} PRIVATE ole32 oleaut32 uuid advapi32 gdi32 user32 comdlg32 version shell32)
    endif()
    if(T_DEPENDS)
        add_dependencies(${name} ${T_DEPENDS})
    endif()
    set(depths 24)
    if(T_DEPTH)
        set(depths ${T_DEPTH})
    endif()
    list(LENGTH depths count)
    if(count EQUAL 1)
        target_compile_definitions(${name} PRIVATE VEMO_TEST_DEPTH=${depths})
    endif()
    foreach(depth ${depths})
        set(properties ENVIRONMENT "VEMO_DEPTH=${depth}" TIMEOUT 300)
        if(VEMO_WIN64)
            list(APPEND properties RESOURCE_GROUPS lanes:1)
        endif()
        if(T_HOST)
            list(APPEND properties LABELS endtoend)
        elseif(T_SLOW)
            list(APPEND properties LABELS slow)
        endif()
        set(suffix)
        if(count GREATER 1)
            set(suffix TEST_SUFFIX @${depth})
        endif()
        gtest_discover_tests(${name} ${suffix}
            DISCOVERY_MODE PRE_TEST
            DISCOVERY_TIMEOUT 60
            PROPERTIES ${properties})
    endforeach()
endfunction()

# vemo_add_fuzzer(name SOURCES ... [LIBS ...] [SEEDS dir ...]): a libFuzzer target (fuzz build,
#   and the native build with clang). ctest runs it over its seeds (all of them, however short
#   the time), then for VEMO_FUZZ_SECONDS on new inputs; longer runs are made by hand.
set(VEMO_FUZZ_SECONDS 5 CACHE STRING "Seconds each fuzzer runs under ctest after its seeds")
function(vemo_add_fuzzer name)
    cmake_parse_arguments(F "" "" "SOURCES;LIBS;SEEDS" ${ARGN})
    if(NOT VEMO_FUZZERS)
        return()
    endif()
    add_executable(${name} ${F_SOURCES})
    target_link_libraries(${name} PRIVATE ${F_LIBS})
    target_include_directories(${name} PRIVATE ${PROJECT_SOURCE_DIR})
    target_link_options(${name} PRIVATE -fsanitize=fuzzer)
    set(corpus ${CMAKE_CURRENT_BINARY_DIR}/${name}-corpus)
    file(MAKE_DIRECTORY ${corpus})
    add_test(NAME ${name}
        COMMAND ${name} -max_total_time=${VEMO_FUZZ_SECONDS} -rss_limit_mb=2048 -print_final_stats=1
                ${corpus} ${F_SEEDS})
    set_tests_properties(${name} PROPERTIES TIMEOUT 600)
endfunction()
